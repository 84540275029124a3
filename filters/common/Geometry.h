// The picture rectangle a filter works in, and the memory rows it covers. Picture rows count
// from the top; RGB frames store them bottom-up, so their memory rows run the other way.
#pragma once

#include <algorithm>

#include "filters/common/Format.h"

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

// The memory rows of picture rows y0..y1-1, lowest first: walking first..first+count-1 reads a
// frame forwards in memory whatever the format.
struct MemoryRows {
  int first = 0, count = 0;
};
inline MemoryRows MemoryRowsOf(PixelFormat f, int height, const PictureRect& r) {
  return {std::min(MemoryRow(f, height, r.y0), MemoryRow(f, height, r.y1 - 1)), r.y1 - r.y0};
}

}  // namespace tintara
