#include "filters/common/Surround.h"

#include <algorithm>
#include <cstring>

namespace tintara {

namespace {

// Calls part(row, first_byte, end_byte) for every run of bytes outside `inside`.
template <typename Part>
void ForEachOutside(int height, int row_size, const ByteRect& inside, const Part& part) {
  const bool empty = inside.r0 >= inside.r1 || inside.b0 >= inside.b1;
  const int r0 = empty ? height : std::max(0, inside.r0), r1 = empty ? height : std::min(height, inside.r1);
  const int b0 = std::max(0, inside.b0), b1 = std::min(row_size, inside.b1);
  for (int r = 0; r < r0; ++r) part(r, 0, row_size);
  for (int r = r0; r < r1; ++r) {
    if (b0 > 0) part(r, 0, b0);
    if (b1 < row_size) part(r, b1, row_size);
  }
  for (int r = r1; r < height; ++r) part(r, 0, row_size);
}

}  // namespace

WindowBytes WindowBytesOf(PixelFormat f, int height, const PictureRect& r) {
  if (r.Empty()) return {};
  const int bpp = BytesPerPixel(f);
  const MemoryRows rows = MemoryRowsOf(f, height, r);
  return {{rows.first, rows.first + rows.count, r.x0 * bpp, r.x1 * bpp},
          {r.y0 / 2, (r.y1 - 1) / 2 + 1, r.x0 / 2, (r.x1 - 1) / 2 + 1}};
}

void CopyAround(const Plane& dst, const ConstPlane& src, const ByteRect& inside) {
  ForEachOutside(dst.height, dst.row_size, inside, [&](int r, int b0, int b1) {
    std::memcpy(dst.Row(r) + b0, src.Row(r) + b0, static_cast<size_t>(b1 - b0));
  });
}

void FillAround(const Plane& dst, BYTE even, BYTE odd, const ByteRect& inside) {
  ForEachOutside(dst.height, dst.row_size, inside, [&](int r, int b0, int b1) {
    BYTE* row = dst.Row(r);
    if (even == odd) {
      std::memset(row + b0, even, static_cast<size_t>(b1 - b0));
      return;
    }
    for (int b = b0; b < b1; ++b) row[b] = (b & 1) ? odd : even;
  });
}

}  // namespace tintara
