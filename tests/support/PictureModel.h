// The expected content of a frame in picture coordinates: a copy of a picture that takes writes
// with Picture's channel addressing (YUY2 chroma shared by a pixel pair, planar chroma by a 2x2
// block), compared with a filter's frame channel by channel.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "tests/support/TestHost.h"

namespace tintara::testing {

class PictureModel {
 public:
  explicit PictureModel(const Picture& p) : format_(p.Format()), w_(p.Width()), h_(p.Height()), values_(w_ * h_ * 4) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        for (int c = 0; c < Channels(); ++c) Set(x, y, c, p.Get(x, y, c));
  }
  int Channels() const { return format_ == PixelFormat::RGB32 ? 4 : 3; }
  PixelFormat Format() const { return format_; }
  int Width() const { return w_; }
  int Height() const { return h_; }
  int Get(int x, int y, int c) const { return values_[Index(x, y, c)]; }
  void Set(int x, int y, int c, int v) { values_[Index(x, y, c)] = v; }

  // Every channel of every pixel equal; names the first differences.
  ::testing::AssertionResult Matches(const Picture& out) const {
    std::ostringstream diffs;
    int count = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        for (int c = 0; c < Channels(); ++c)
          if (out.Get(x, y, c) != Get(x, y, c) && count++ < 8)
            diffs << " (" << x << "," << y << ") c" << c << " " << out.Get(x, y, c) << " not " << Get(x, y, c) << ";";
    if (count == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << count << " values differ:" << diffs.str();
  }

 private:
  size_t Index(int x, int y, int c) const {
    if (c > 0 && !IsRGB(format_)) {
      x &= ~1;
      if (IsPlanar(format_)) y &= ~1;
    }
    return (static_cast<size_t>(y) * w_ + x) * 4 + c;
  }

  PixelFormat format_;
  int w_, h_;
  std::vector<int> values_;
};

// Two frames equal in every channel (the same output under two poisons).
inline ::testing::AssertionResult SamePictures(const Picture& a, const Picture& b) {
  return PictureModel(a).Matches(b);
}

}  // namespace tintara::testing
