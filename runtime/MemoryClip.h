// A clip whose frames are held in memory: the frames of a test, a blank clip, a decoded image.
#pragma once

#include <vector>

#include "host/avisynth.h"

namespace tintara {

class MemoryClip : public IClip {
 public:
  // `frames` may hold fewer frames than vi.num_frames: frame n is then frames[n % size].
  MemoryClip(const VideoInfo& vi, std::vector<PVideoFrame> frames) : vi_(vi), frames_(std::move(frames)) {}

  PVideoFrame GetFrame(int n, IScriptEnvironment*) override {
    if (n < 0) n = 0;
    if (n >= vi_.num_frames) n = vi_.num_frames - 1;
    return frames_[static_cast<size_t>(n) % frames_.size()];
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_;
  std::vector<PVideoFrame> frames_;
};

// A VideoInfo for a video-only clip at 25 frames per second.
inline VideoInfo VideoInfoOf(int pixel_type, int width, int height, int frames) {
  VideoInfo vi{};
  vi.width = width;
  vi.height = height;
  vi.fps_numerator = 25;
  vi.fps_denominator = 1;
  vi.num_frames = frames;
  vi.pixel_type = pixel_type;
  return vi;
}

}  // namespace tintara
