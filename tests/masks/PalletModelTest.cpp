// Pallet against a per-pixel model of its chart, on frames of many sizes (odd widths and heights
// where the format allows them, widths reaching the vector loops and their leftover bytes, box
// grids that leave a remainder), ramps up and down, and frames whose start value wraps or
// restarts: every byte of every plane must agree, the fourth RGB32 byte and every undrawn pixel
// keeping the source's value.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

class PalletModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PalletModel, EveryByteAgreesWithThePerPixelChart) {
  TestHost host;
  std::mt19937 rng(7 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int type = GetParam().pixel_type;
  const bool even_width = type != VideoInfo::CS_BGR24 && type != VideoInfo::CS_BGR32;
  const bool even_height = type == VideoInfo::CS_YV12 || type == VideoInfo::CS_I420;
  for (int round = 0; round < 14; ++round) {
    int W = round % 2 ? pick(130, 200) : pick(20, 70), H = pick(10, 47);
    if (even_width) W &= ~1;
    if (even_height) H &= ~1;
    const int N = 9;
    PClip src = host.MakeClip(type, W, H, N, [&](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          p.SetPixel(x, y, pick(0, 255), pick(0, 255), pick(0, 255));
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, pick(0, 255));
        }
    });
    const int hbox = pick(1, W / 10), vbox = pick(1, H / 10);
    // The YUY2 box width is rounded down to even; the ramp's span must stay within 4 * (bw - 2).
    const int bw = type == VideoInfo::CS_YUY2 ? (W / hbox) & ~1 : W / hbox, bh = H / vbox;
    const int sgy = pick(0, 255), reach = 4 * (bw - 2);
    const int egy = pick(std::max(0, sgy - reach), std::min(255, sgy + reach));
    const int fgy = round % 3 == 0 ? 0 : pick(0, 128);
    PClip out = host.Apply("Pallet", {Arg(src), Named("sgy", sgy), Named("egy", egy), Named("fgy", fgy),
                                      Named("hbox", hbox), Named("vbox", vbox)});
    const int span = egy - sgy;
    for (int n : {0, pick(1, N - 1)}) {
      const Picture in = host.FrameOf(src, n);
      int base = (sgy + fgy * n) % 256;
      if (base + span > 255) base = 0;
      PictureModel expected(in);
      const PixelFormat f = in.Format();
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          const int h = x / bw, v = y / bh;
          const bool drawn = h < hbox && v < vbox && x >= h * bw + 2 && x < (h + 1) * bw - 2 && y >= v * bh + 2 &&
                             y < (v + 1) * bh - 2;
          if (!drawn) continue;
          const int g = (base + ((x - h * bw + 2) * span) / (bw - 4)) & 255;
          const int column = (h * 256) / hbox, row = (v * 256) / vbox;
          if (IsRGB(f)) {
            expected.Set(x, y, 0, column);
            expected.Set(x, y, 1, g);
            expected.Set(x, y, 2, row);
          } else if (f == PixelFormat::YUY2) {
            expected.Set(x, y, 0, g);
            expected.Set(x, y, 1, column);
            expected.Set(x, y, 2, row);
          } else {
            expected.Set(x, y, 0, g);
            expected.Set(x, y, 1, row);
            expected.Set(x, y, 2, column);
          }
        }
      ASSERT_TRUE(expected.Matches(host.FrameOf(out, n)))
          << W << "x" << H << " hbox " << hbox << " vbox " << vbox << " sgy " << sgy << " egy " << egy << " fgy " << fgy
          << " frame " << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, PalletModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
