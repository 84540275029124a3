// MaskMaker through its registered signature, in every format.
#include <gtest/gtest.h>

#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

class MaskMakerFormats : public ::testing::TestWithParam<FormatCase> {};

// Grey source with luma ramps: defaults mark 20..40 in the first channel inside the full window.
TEST_P(MaskMakerFormats, DefaultsMarkFirstChannelRangeAndDrawGreyEdge) {
  TestHost host;
  const int W = 16, H = 12;
  PClip src = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v = (x + y * W) * 2 % 64;
        if (IsRGB(p.Format())) p.SetPixel(x, y, v, v, v);
        else p.Set(x, y, 0, v);
      }
  });
  PClip mask = host.Apply("MaskMaker", {Arg(src)});
  Picture out = host.FrameOf(mask, 0);
  Picture in = host.FrameOf(src, 0);
  const int right = out.Format() == PixelFormat::YUY2 ? W - 2 : W - 1;
  for (int y = 1; y < H - 1; ++y)
    for (int x = 1; x < right; ++x) {
      const int s = in.Get(x, y, IsRGB(in.Format()) ? 1 : 0);
      const int expected = s >= 20 && s <= 40 ? 255 : 0;
      ASSERT_EQ(out.Get(x, y, 0), expected) << "x=" << x << " y=" << y;
      if (!IsRGB(out.Format())) {
        ASSERT_EQ(out.Get(x, y, 1), 128);
      }
    }
  EXPECT_EQ(out.Get(0, 5, 0), 128);
  EXPECT_EQ(out.Get(right, 5, 0), 128);
  EXPECT_EQ(out.Get(5, 0, 0), 128);
  EXPECT_EQ(out.Get(5, H - 1, 0), 128);
}

// Extreme ints in the range and end-window checks are refused, not overflowed.
TEST(MaskMakerChecks, ExtremeIntsAreRefused) {
  TestHost host;
  PClip src = host.MakeClip(VideoInfo::CS_YV12, 16, 12, 10);
  EXPECT_EQ(host.ErrorOf("MaskMaker", {Arg(src), Named("test", true), Named("sf", 2147483647), Named("ef", 2)}),
            "MaskMaker: startf must be +ve and endf atleast 2 and startf+endf less than frame count of 10 ");
  EXPECT_EQ(host.ErrorOf("MaskMaker", {Arg(src), Named("erx", -2147483647 - 1)}),
            "MaskMaker: end coordinates pushes window out of frame");
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MaskMakerFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
