// Filling a plane around a rectangle its filter writes itself, so no byte is written twice:
// the rest copied from the source, or set to a fill pattern.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Geometry.h"

namespace tintara {

// The bytes of one plane a filter writes itself: memory rows r0..r1-1, bytes b0..b1-1 of each.
// An empty rectangle (r0 >= r1) leaves the whole plane to the fill.
struct ByteRect {
  int r0 = 0, r1 = 0, b0 = 0, b1 = 0;
};

// The bytes a window's pixels cover in a frame of `height` rows: `main` in the first plane (RGB
// rows bottom-up), `chroma` the planar chroma samples under it; both empty for an empty window.
struct WindowBytes {
  ByteRect main, chroma;
};
WindowBytes WindowBytesOf(PixelFormat f, int height, const PictureRect& r);

// Copies `src` into `dst` (same geometry) everywhere outside `inside`.
void CopyAround(const Plane& dst, const ConstPlane& src, const ByteRect& inside);

// Writes `even` into the even bytes and `odd` into the odd bytes of every row of `dst` outside
// `inside` (whose b0 must be even, so the pattern keeps its phase).
void FillAround(const Plane& dst, BYTE even, BYTE odd, const ByteRect& inside);

}  // namespace tintara
