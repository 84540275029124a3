// Trim and the stacking of clips side by side or one above the other.
#include <algorithm>
#include <climits>
#include <cstring>
#include <initializer_list>

#include "runtime/builtins/Editing.h"
#include "runtime/builtins/Formats.h"

namespace tintara {

namespace {

class TrimClip : public IClip {
 public:
  TrimClip(const PClip& child, int first, int frames) : child_(child), first_(first), vi_(child->GetVideoInfo()) {
    vi_.num_frames = frames;
  }
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    n = std::max(0, std::min(n, vi_.num_frames - 1));
    return child_->GetFrame(first_ + n, env);
  }
  bool GetParity(int n) override { return child_->GetParity(first_ + n); }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  PClip child_;
  int first_;
  VideoInfo vi_;
};

// Clips placed left to right (horizontal) or top to bottom in the picture. Every clip keeps
// its own frame count; a shorter one repeats its last frame (requests are clamped).
class StackClip : public IClip {
 public:
  StackClip(std::vector<PClip> clips, bool horizontal, const VideoInfo& vi)
      : clips_(std::move(clips)), horizontal_(horizontal), vi_(vi) {}

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    PVideoFrame out = env->NewVideoFrame(vi_);
    const bool rgb = IsRgbType(vi_.pixel_type);
    int at = 0;  // bytes from the left, or picture rows from the top
    for (const PClip& clip : clips_) {
      const VideoInfo& part = clip->GetVideoInfo();
      const PVideoFrame in = clip->GetFrame(n, env);
      for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
        if (plane != PLANAR_Y && !IsPlanarType(vi_.pixel_type)) break;
        const int shift = plane == PLANAR_Y ? 0 : 1;
        const int rows = in->GetHeight(plane), bytes = in->GetRowSize(plane);
        BYTE* dst = out->GetWritePtr(plane);
        const int pitch = out->GetPitch(plane);
        if (horizontal_) {
          dst += at >> shift;
        } else {
          // RGB memory is bottom-up: a clip lower in the picture sits lower in memory.
          const int first_row = rgb ? vi_.height - at - part.height : at >> shift;
          dst += static_cast<long>(first_row) * pitch;
        }
        const BYTE* src = in->GetReadPtr(plane);
        for (int y = 0; y < rows; ++y)
          std::memcpy(dst + static_cast<long>(y) * pitch, src + static_cast<long>(y) * in->GetPitch(plane),
                      static_cast<size_t>(bytes));
      }
      at += horizontal_ ? part.BytesFromPixels(part.width) : part.height;
    }
    return out;
  }
  bool GetParity(int n) override { return clips_[0]->GetParity(n); }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  std::vector<PClip> clips_;
  bool horizontal_;
  VideoInfo vi_;
};

Value Stack(Environment& env, std::vector<Value>& args, bool horizontal) {
  const std::string name = horizontal ? "StackHorizontal" : "StackVertical";
  std::vector<PClip> clips;
  for (const Value& v : args[0].array) clips.push_back(v.clip);
  if (clips.size() == 1) return Value::Clip(clips[0]);
  VideoInfo vi = clips[0]->GetVideoInfo();
  long long total = 0;
  for (const PClip& c : clips) {
    const VideoInfo& part = c->GetVideoInfo();
    if (part.pixel_type != vi.pixel_type) env.Fail(name + ": image formats don't match");
    if (horizontal && part.height != vi.height) env.Fail(name + ": image heights don't match");
    if (!horizontal && part.width != vi.width) env.Fail(name + ": image widths don't match");
    total += horizontal ? part.width : part.height;
    vi.num_frames = std::max(vi.num_frames, part.num_frames);
  }
  if (total > INT_MAX / 4) env.Fail(name + ": the stacked picture is too large");
  (horizontal ? vi.width : vi.height) = static_cast<int>(total);
  CheckClipFormat(env, name, vi);
  return Value::Clip(PClip(new StackClip(std::move(clips), horizontal, vi)));
}

}  // namespace

Value TrimFunction(Environment& env, std::vector<Value>& args) {
  const PClip& clip = args[0].clip;
  const int frames = clip->GetVideoInfo().num_frames;
  const int first = args[1].integer;
  const int last_given = args[2].integer;
  if (first < 0) env.Fail("Trim: the first frame must be 0 or more (it is " + std::to_string(first) + ")");
  if (first > frames - 1)
    env.Fail("Trim: the first frame " + std::to_string(first) + " is beyond the clip's last frame " +
             std::to_string(frames - 1));
  // 0 means to the end, a negative last frame is a frame count; past the end is the end.
  long long last = last_given == 0 ? frames - 1 : last_given < 0 ? static_cast<long long>(first) - last_given - 1 : last_given;
  last = std::min<long long>(last, frames - 1);
  if (last < first)
    env.Fail("Trim: the last frame " + std::to_string(last) + " is before the first frame " + std::to_string(first));
  return Value::Clip(PClip(new TrimClip(clip, first, static_cast<int>(last) - first + 1)));
}

Value StackHorizontalFunction(Environment& env, std::vector<Value>& args) { return Stack(env, args, true); }
Value StackVerticalFunction(Environment& env, std::vector<Value>& args) { return Stack(env, args, false); }

}  // namespace tintara
