// A clip whose frames are all one picture, painted when a frame is first asked for: a script
// that only declares the clip, or asks for its information, spends no memory on it (a wide
// blank clip is hundreds of MB). BlankClip and ColorBars.
#pragma once

#include <functional>
#include <mutex>

#include "host/avisynth.h"

namespace tintara {

class StillClip : public IClip {
 public:
  using Painter = std::function<void(const PVideoFrame& frame, const VideoInfo& vi)>;
  StillClip(const VideoInfo& vi, Painter paint) : vi_(vi), paint_(std::move(paint)) {}

  PVideoFrame GetFrame(int, IScriptEnvironment* env) override {
    // A failure (out of memory) leaves the flag unset, so a later request tries again.
    std::call_once(made_, [&] {
      PVideoFrame frame = env->NewVideoFrame(vi_);
      paint_(frame, vi_);
      frame_ = frame;
    });
    return frame_;
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  const VideoInfo vi_;
  const Painter paint_;
  std::once_flag made_;
  PVideoFrame frame_;
};

}  // namespace tintara
