// The edge filters' shared arithmetic against the plain computation it stands for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "filters/common/EdgeRows.h"

namespace tintara::testing {
namespace {

// The 16-bit test of a² + b² > t² against the sum in full: for every threshold, every a within
// 300 of 0 with the b on both sides of the circle's edge, and the largest sides.
TEST(EMarkerSquares, SixteenBitTestAgreesWithTheSumOfSquares) {
  const int wide[] = {0, 1, 254, 255, 256, 257, 300, 510, 511, 1019, 1020};
  for (int t = 0; t <= 255; ++t) {
    auto check = [&](int a, int b) {
      const bool want = a * a + b * b > t * t;
      const BYTE got = SquaresExceed(static_cast<int16_t>(a), static_cast<int16_t>(b), static_cast<uint16_t>(t),
                                     static_cast<uint16_t>(t * t));
      ASSERT_EQ(got, want ? 0xFF : 0) << "a " << a << " b " << b << " t " << t;
    };
    for (int a = -300; a <= 300; ++a) {
      const int rest = t * t - a * a;
      const int edge = rest > 0 ? static_cast<int>(std::sqrt(static_cast<double>(rest))) : 0;
      for (int b : {edge - 1, edge, edge + 1, edge + 2})
        for (int sign : {1, -1}) {
          check(a, sign * b);
          check(sign * b, a);
        }
    }
    for (int a : wide)
      for (int b : wide)
        for (int sa : {1, -1})
          for (int sb : {1, -1}) check(sa * a, sb * b);
  }
}

// The vectorisable square root agrees with the library's over every sum of squares the
// operators can give (up to 2 * 1020²), and a little past it.
TEST(FloorSqrt, AgreesWithTheLibraryOverEverySumOfSquares) {
  for (int s = 0; s <= 2 * 1020 * 1020 + 5000; ++s)
    ASSERT_EQ(FloorSqrt(s), static_cast<int>(std::sqrt(static_cast<double>(s)))) << s;
}

}  // namespace
}  // namespace tintara::testing
