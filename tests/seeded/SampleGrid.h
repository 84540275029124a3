// The mask samples of a frame (channel 0 in picture coordinates) as a grid the fill models read
// and mark, like the filters' private copy of the mask.
#pragma once

#include <vector>

#include "tests/support/TestHost.h"

namespace tintara::testing {

class SampleGrid {
 public:
  explicit SampleGrid(const Picture& mask) : w_(mask.Width()), samples_(static_cast<size_t>(w_) * mask.Height()) {
    for (int y = 0; y < mask.Height(); ++y)
      for (int x = 0; x < w_; ++x) At(x, y) = mask.Get(x, y, 0);
  }
  int& At(int x, int y) { return samples_[static_cast<size_t>(y) * w_ + x]; }

 private:
  int w_;
  std::vector<int> samples_;
};

}  // namespace tintara::testing
