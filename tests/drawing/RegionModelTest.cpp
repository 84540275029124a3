// Shift and Stretch against a per-pixel model of their change, in rectangles wide enough for the
// vector loops (with leftover columns), with references holding the selected value, the other
// and stray values, and amounts across their ranges: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

class RegionModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RegionModel, SelectedPixelsOfTheRectangleChangeByTheRule) {
  TestHost host;
  std::mt19937 rng(17 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 24; ++round) {
    // Widths reaching the vector loops with leftover pixels and short ones; odd heights where
    // the format allows them.
    const int type = GetParam().pixel_type;
    const bool planar = type == VideoInfo::CS_YV12 || type == VideoInfo::CS_I420;
    // Rounds from 16 on are long rows (several vector blocks and leftovers at any alignment).
    int W = round >= 16 ? pick(490, 1100) : round % 3 ? pick(130, 200) : pick(8, 70), H = pick(5, 13);
    if (round >= 16) H = pick(3, 5);
    if (type != VideoInfo::CS_BGR24 && type != VideoInfo::CS_BGR32) W &= ~1;
    if (planar) H = (H + 1) & ~1;
    PClip picture = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          p.SetPixel(x, y, pick(0, 255), pick(0, 255), pick(0, 255));
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, pick(0, 255));
        }
    });
    PClip reference = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          const int k = pick(0, 9);
          p.SetPixel(x, y, k < 5 ? 255 : k < 9 ? 0 : pick(0, 255), pick(0, 255), pick(0, 255));
        }
    });
    const Picture in = host.FrameOf(picture, 0), ref = host.FrameOf(reference, 0);
    const bool stretch = round % 2 == 1, white = round % 4 < 2;
    // The ends of each range among random amounts.
    const int st = round % 8 == 1   ? 200
                   : round % 8 == 3 ? -100
                   : round % 8 == 2 ? -255
                   : round % 8 == 4 ? 255
                   : stretch        ? pick(-100, 200)
                                    : pick(-255, 255);
    const int x = pick(0, W - 3), y = pick(0, H - 3);
    const int w = round % 5 == 0 ? W - 1 - x : pick(2, W - 1 - x), h = pick(2, H - 1 - y);
    PClip out = host.Apply(stretch ? "Stretch" : "Shift",
                           {Arg(picture), Arg(reference), Named("shape", "rect"), Named("x", x), Named("y", y),
                            Named("w", w), Named("h", h), Named("st", st), Named("white", white)});
    PictureModel expected(in);
    const int bytes = IsRGB(in.Format()) ? expected.Channels() : 1;
    for (int py = y; py < y + h; ++py)
      for (int px = x; px < x + w; ++px) {
        if (ref.Get(px, py, 0) != (white ? 255 : 0)) continue;
        for (int c = 0; c < bytes; ++c) {
          const int v = in.Get(px, py, c);
          expected.Set(px, py, c, std::clamp(stretch ? v + (v * st) / 100 : v + st, 0, 255));
        }
      }
    ASSERT_TRUE(expected.Matches(host.FrameOf(out, 0)))
        << (stretch ? "Stretch" : "Shift") << " st=" << st << " rect " << x << "," << y << " " << w << "x" << h;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RegionModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
