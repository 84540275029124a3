// A clip that only renumbers frame requests and hands them on to its children, without
// clamping them to its own range: SelectEvery, AssumeFPS, the splices and Trim(cache=false),
// as in AviSynth+. The environment puts no cache in front of such a clip, so a request outside
// its range reaches the child, which clamps it to the child's own range. They make no pixels,
// so a cache would save nothing.
#pragma once

#include "host/avisynth.h"

namespace tintara {

class RenumberingClip : public IClip {
 public:
  explicit RenumberingClip(const VideoInfo& vi) : vi_(vi) {}
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 protected:
  VideoInfo vi_;
};

}  // namespace tintara
