// The sample a mask or line test reads from a pixel: the first byte of an RGB pixel in memory,
// the Y byte of a YUY2 pixel, the luma sample of a planar frame. All three sit at column times
// the bytes per pixel of the row (the luma plane's row for planar frames).
#pragma once

#include "filters/common/Format.h"

namespace tintara {

template <PixelFormat F>
inline int SampleAt(const BYTE* row, int column) {
  return row[column * BytesPerPixel(F)];
}

}  // namespace tintara
