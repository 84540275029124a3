// The picture rectangle a filter works in, and the memory rows it covers. Picture rows count
// from the top; RGB frames store them bottom-up, so their memory rows run the other way.
#pragma once

#include <algorithm>

#include "filters/common/Format.h"
#include "filters/common/Motion.h"

namespace tintara {

// Columns x0..x1-1 and picture rows y0..y1-1 (half-open).
struct PictureRect {
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

// The rectangle cut to a width x height frame.
inline PictureRect ClippedTo(PictureRect r, int width, int height) {
  r.x0 = std::max(r.x0, 0);
  r.y0 = std::max(r.y0, 0);
  r.x1 = std::min(r.x1, width);
  r.y1 = std::min(r.y1, height);
  return r;
}

// A script window lx..rx, ty..by (inclusive, as scripts give it) moved to step s and cut to a
// width x height frame, as the half-open rectangle the pixel loops work in. Moving the inclusive
// edges and adding one afterwards is exact (the edges move by the same amount either way) and
// cannot overflow, as the right and bottom edges are cut to the frame first.
inline PictureRect WindowRectAt(const Window& start, const Window& end, const FrameStep& s, int width, int height) {
  const Window w = WindowAt(start, end, s);
  return {std::max(w.lx, 0), std::min(w.rx, width - 1) + 1, std::max(w.ty, 0), std::min(w.by, height - 1) + 1};
}

// The memory rows of picture rows y0..y1-1, lowest first: walking first..first+count-1 reads a
// frame forwards in memory whatever the format.
struct MemoryRows {
  int first = 0, count = 0;
};
inline MemoryRows MemoryRowsOf(PixelFormat f, int height, const PictureRect& r) {
  return {std::min(MemoryRow(f, height, r.y0), MemoryRow(f, height, r.y1 - 1)), r.y1 - r.y0};
}

// Calls fn(memory_row, picture_row) for every row of r, in rising memory order whatever the
// format, so a loop streams through the frame.
template <PixelFormat F, typename Fn>
void ForMemoryRows(int height, const PictureRect& r, Fn&& fn) {
  if constexpr (IsRGB(F)) {
    for (int y = r.y1 - 1; y >= r.y0; --y) fn(height - 1 - y, y);
  } else {
    for (int y = r.y0; y < r.y1; ++y) fn(y, y);
  }
}

}  // namespace tintara
