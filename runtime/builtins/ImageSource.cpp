// ImageSource: a clip from a numbered sequence of PNG pictures, frame n from the file numbered
// start + n. Every picture's size is checked when the script is loaded; pictures are decoded
// when their frames are asked for.
#include <sys/stat.h>

#include <climits>
#include <cstring>

#include "runtime/MemoryClip.h"
#include "runtime/builtins/ColorConvert.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/Sources.h"
#include "runtime/io/FrameName.h"
#include "runtime/io/Png.h"

namespace tintara {

namespace {

enum { kPattern, kStart, kEnd, kPixelType, kFps };
const std::string kName = "ImageSource";

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Checks that a picture of the sequence exists and notes it as read.
void NoteExisting(Environment& env, const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) env.Fail(kName + ": " + Quoted(path) + " does not exist");
  env.Inputs().Add(st);
}

// Decodes one picture into a frame of the clip's pixel type.
PVideoFrame Picture(IScriptEnvironment* env, const std::string& path, const VideoInfo& vi) {
  std::vector<uint8_t> bgra;
  std::string why;
  if (!io::ReadPng(path, vi.width, vi.height, &bgra, &why))
    env->ThrowError("ImageSource: cannot read %s: %s", Quoted(path).c_str(), why.c_str());
  VideoInfo rgb = vi;
  rgb.pixel_type = VideoInfo::CS_BGR32;
  PVideoFrame f = env->NewVideoFrame(rgb);
  const size_t row = static_cast<size_t>(vi.width) * 4;
  // Pictures are top-down, RGB frames bottom-up.
  for (int y = 0; y < vi.height; ++y)
    std::memcpy(f->GetWritePtr() + static_cast<long>(vi.height - 1 - y) * f->GetPitch(), bgra.data() + row * y, row);
  return ConvertFrame(env, f, rgb, vi.pixel_type);
}

class ImageClip : public IClip {
 public:
  ImageClip(io::FrameName name, int start, const VideoInfo& vi) : name_(std::move(name)), start_(start), vi_(vi) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    n = std::max(0, std::min(n, vi_.num_frames - 1));
    return Picture(env, name_.For(start_ + n), vi_);
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  const io::FrameName name_;
  const int start_;
  const VideoInfo vi_;
};

}  // namespace

Value ImageSourceFunction(Environment& env, std::vector<Value>& args) {
  io::FrameName name;
  std::string why;
  if (!io::FrameName::Parse(args[kPattern].string, &name, &why)) env.Fail(kName + ": " + why);
  if (!io::PngAvailable()) {
    io::PngSize("", nullptr, nullptr, &why);
    env.Fail(kName + ": " + why);
  }
  const int start = args[kStart].Defined() ? args[kStart].integer : 0;
  if (start < 0) env.Fail(kName + ": start must be 0 or more");
  const std::string first = name.For(start);
  NoteExisting(env, first);

  int end = start;
  if (args[kEnd].Defined()) {
    end = args[kEnd].integer;
    if (end < start)
      env.Fail(kName + ": end (" + std::to_string(end) + ") is before start (" + std::to_string(start) + ")");
  } else if (name.HasNumber()) {
    while (end < INT_MAX - 1 && Exists(name.For(end + 1))) ++end;
  }

  int width = 0, height = 0;
  if (!io::PngSize(first, &width, &height, &why)) env.Fail(kName + ": cannot read " + Quoted(first) + ": " + why);
  VideoInfo vi =
      VideoInfoOf(PixelTypeArgument(env, kName, args[kPixelType], VideoInfo::CS_BGR24), width, height, end - start + 1);
  if (args[kFps].Defined()) SetFrameRate(env, kName, args[kFps].AsFloat(), &vi);
  CheckClipFormat(env, kName + ": " + Quoted(first), vi);

  if (!name.HasNumber()) return Value::Clip(PClip(new MemoryClip(vi, {Picture(&env, first, vi)})));
  for (int k = start + 1; k <= end; ++k) {
    const std::string file = name.For(k);
    int w = 0, h = 0;
    NoteExisting(env, file);
    if (!io::PngSize(file, &w, &h, &why)) env.Fail(kName + ": cannot read " + Quoted(file) + ": " + why);
    if (w != width || h != height)
      env.Fail(kName + ": " + Quoted(file) + " is " + std::to_string(w) + "x" + std::to_string(h) + ", but " +
               Quoted(first) + " is " + std::to_string(width) + "x" + std::to_string(height));
  }
  return Value::Clip(PClip(new ImageClip(name, start, vi)));
}

}  // namespace tintara
