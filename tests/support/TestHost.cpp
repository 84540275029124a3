#include "tests/support/TestHost.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/MemoryClip.h"

namespace tintara::testing {

const BYTE* Picture::Address(int x, int y, int c) const {
  const int m = MemoryRow(format_, h_, y);
  switch (format_) {
    case PixelFormat::RGB24:
    case PixelFormat::RGB32:
      return frame_->GetReadPtr() + static_cast<long>(m) * frame_->GetPitch() + x * BytesPerPixel(format_) + c;
    case PixelFormat::YUY2: {
      const BYTE* row = frame_->GetReadPtr() + static_cast<long>(m) * frame_->GetPitch();
      return c == 0 ? row + 2 * x : row + (x & ~1) * 2 + (c == 1 ? 1 : 3);
    }
    default: {
      if (c == 0) return frame_->GetReadPtr(PLANAR_Y) + static_cast<long>(y) * frame_->GetPitch(PLANAR_Y) + x;
      const int plane = c == 1 ? PLANAR_U : PLANAR_V;
      return frame_->GetReadPtr(plane) + static_cast<long>(y / 2) * frame_->GetPitch(plane) + x / 2;
    }
  }
}

int Picture::Get(int x, int y, int c) const { return *Address(x, y, c); }

void Picture::Set(int x, int y, int c, int value) { *const_cast<BYTE*>(Address(x, y, c)) = static_cast<BYTE>(value); }

void Picture::SetPixel(int x, int y, int a, int b, int c) {
  Set(x, y, 0, a);
  Set(x, y, 1, b);
  Set(x, y, 2, c);
}

void Picture::Fill(int a, int b, int c) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) SetPixel(x, y, a, b, c);
}

Argument Arg(const PClip& clip) { return {"", Value::Clip(clip)}; }
Argument Arg(int value) { return {"", Value::Int(value)}; }
Argument Named(const std::string& name, int value) { return {name, Value::Int(value)}; }
Argument Named(const std::string& name, bool value) { return {name, Value::Bool(value)}; }
Argument Named(const std::string& name, const char* value) { return {name, Value::String(value)}; }
Argument Named(const std::string& name, double value) { return {name, Value::Float(value)}; }

const std::vector<FormatCase>& AllFormats() {
  static const std::vector<FormatCase> formats = {
      {VideoInfo::CS_BGR24, "RGB24"}, {VideoInfo::CS_BGR32, "RGB32"}, {VideoInfo::CS_YUY2, "YUY2"},
      {VideoInfo::CS_YV12, "YV12"},   {VideoInfo::CS_I420, "I420"},
  };
  return formats;
}

TestHost::TestHost(uint8_t poison) {
  Environment::Options options;
  options.poison = true;
  options.poison_value = poison;
  env_ = std::make_unique<Environment>(options);
  env_->LoadPlugin(TINTARA_MODULE_PATH);
}

PClip TestHost::MakeClip(int pixel_type, int width, int height, int frames,
                         const std::function<void(int n, Picture&)>& paint) {
  const VideoInfo vi = VideoInfoOf(pixel_type, width, height, frames);
  std::vector<PVideoFrame> list;
  for (int n = 0; n < frames; ++n) {
    PVideoFrame f = env_->NewVideoFrame(vi);
    for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
      if (plane != PLANAR_Y && f->GetPitch(PLANAR_U) == 0) break;
      for (int y = 0; y < f->GetHeight(plane); ++y)
        std::memset(f->GetWritePtr(plane) + static_cast<long>(y) * f->GetPitch(plane), 128, f->GetRowSize(plane));
    }
    Picture p(f, vi);
    if (paint) paint(n, p);
    list.push_back(f);
  }
  return env_->Cached(PClip(new MemoryClip(vi, std::move(list))));
}

PClip TestHost::Apply(const std::string& name, const std::vector<Argument>& args) {
  try {
    Value v = env_->Call(name, args);
    EXPECT_TRUE(v.IsClip()) << name << " returned no clip";
    return v.clip;
  } catch (const AvisynthError& e) {
    ADD_FAILURE() << name << " failed: " << e.msg;
  }
  return PClip();
}

std::string TestHost::ErrorOf(const std::string& name, const std::vector<Argument>& args) {
  try {
    env_->Call(name, args);
  } catch (const AvisynthError& e) {
    return e.msg;
  }
  return "";
}

Picture TestHost::FrameOf(const PClip& clip, int n) {
  return Picture(clip->GetFrame(n, env_.get()), clip->GetVideoInfo());
}

}  // namespace tintara::testing
