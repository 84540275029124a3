// A clip in a pixel format none of the filters accepts (a 4:2:2 planar layout), for the format
// checks. It has no frames: the checks refuse it before any frame is asked for.
#pragma once

#include "runtime/MemoryClip.h"

namespace tintara::testing {

inline PClip UnknownFormatClip(int width, int height, int frames) {
  const int yv16 = VideoInfo::CS_PLANAR | VideoInfo::CS_YUV | 512;
  return PClip(new MemoryClip(VideoInfoOf(yv16, width, height, frames), {}));
}

}  // namespace tintara::testing
