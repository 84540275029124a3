// Where a ColorDrops seed at a point of a mask frame would fill: the same span fill the filter
// runs, on a private copy of the frame's mask samples.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/serve/ShownFrame.h"

namespace tintara::serve {

struct SeedRegion {
  int sample = 0;         // the mask sample under the point
  bool fills = true;      // false on 128, which a seed fills only with wshed=true
  bool on_line = false;   // the point is on a thin line of the mask (an outline)
  long long size = 0;     // pixels filled
  double share = 0;       // of the frame's pixels
  std::vector<int> runs;  // picture row, first and last column of each run filled
};

// The region a seed at (x, y) (top row 0, inside the frame) fills in `frame`.
SeedRegion PreviewSeed(const ShownFrame& frame, int x, int y);

}  // namespace tintara::serve
