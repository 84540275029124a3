// Morpher "salt" and "pepper" against a per-pixel model, on masks strewn with lone dots and
// holes (and stray values that make the same weighted sum by other means), frames from a few
// pixels wide to past the vector widths with leftover columns, windows covering the frame,
// touching its edges and random: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/PictureModel.h"
#include "tests/support/RandomClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Window {
  int lx, ty, rx, by;  // inclusive
};

// Salt clears a pixel whose sample plus twice its east neighbour, four times its north-east and
// so on round the ring (north, north-west, west, south-west, south, south-east) sums to 255;
// pepper fills one whose sum is 130050 (a 0 ringed by 255).
PictureModel Expected(const Picture& src, bool salt, const Window& w) {
  const PictureModel in(src);
  PictureModel out(src);
  const PixelFormat f = in.Format();
  for (int y = w.ty + 1; y <= w.by - 2; ++y)
    for (int x = w.lx + 1; x <= w.rx - 2; ++x) {
      auto at = [&](int dx, int dy) { return in.Get(x + dx, y + dy, 0); };
      const int code = at(0, 0) + 2 * at(1, 0) + 4 * at(1, -1) + 8 * at(0, -1) + 16 * at(-1, -1) + 32 * at(-1, 0) +
                       64 * at(-1, 1) + 128 * at(0, 1) + 256 * at(1, 1);
      int v = at(0, 0);
      if (salt && code == 255) v = 0;
      if (!salt && code == 130050) v = 255;
      for (int c = 0; c < (IsRGB(f) ? 3 : 1); ++c) out.Set(x, y, c, v);
    }
  for (int x = w.lx; x < w.rx; ++x) out.Set(x, w.ty, 0, 128), out.Set(x, w.by - 1, 0, 128);
  for (int y = w.ty; y < w.by; ++y) out.Set(w.lx, y, 0, 128), out.Set(w.rx - 1, y, 0, 128);
  if (f == PixelFormat::YUY2)
    for (int y = w.ty; y < w.by; ++y)
      for (int x = w.lx; x < w.rx; ++x) out.Set(x, y, x % 2 == 0 ? 1 : 2, 128);
  if (IsPlanar(f))
    for (int cy = w.ty / 2; cy < w.by / 2; ++cy)
      for (int cx = w.lx / 2; cx < w.rx / 2; ++cx) out.Set(2 * cx, 2 * cy, 1, 128), out.Set(2 * cx, 2 * cy, 2, 128);
  return out;
}

class MorpherDotsModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MorpherDotsModel, SaltAndPepperAgreeWithTheModelOnEveryFrameSize) {
  TestHost host;
  std::mt19937 rng(23 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int sizes[][2] = {{4, 3}, {9, 6}, {20, 7}, {38, 5}, {65, 8}, {70, 4}, {135, 7}, {170, 6}, {199, 9}};
  for (const auto& size : sizes) {
    int W = size[0], H = size[1];
    FitToFormat(GetParam().pixel_type, &W, &H);
    for (bool salt : {true, false}) {
      // Mostly the ground the operation cleans, with the lone values it looks for; a few samples
      // of 1 and 127 make 255 out of several neighbours.
      const int ground = salt ? 0 : 255, dot = 255 - ground;
      PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng, [&] {
        const int k = pick(0, 39);
        return k < 33 ? ground : k < 37 ? dot : k < 38 ? 1 : k < 39 ? 127 : pick(0, 255);
      });
      const Picture in = host.FrameOf(src, 0);
      for (int round = 0; round < 4; ++round) {
        Window w{0, 0, W - 1, H - 1};
        if (round > 0) {
          w = Window{pick(0, W - 3), pick(0, H - 3), 0, 0};
          w.rx = pick(w.lx + 2, W - 1), w.by = pick(w.ty + 2, H - 1);
        }
        PClip out = host.Apply("Morpher", {Arg(src), Named("type", salt ? "salt" : "pepper"), Named("lx", w.lx),
                                           Named("ty", w.ty), Named("rx", w.rx), Named("by", w.by)});
        ASSERT_TRUE(Expected(in, salt, w).Matches(host.FrameOf(out, 0)))
            << W << "x" << H << (salt ? " salt" : " pepper") << " window " << w.lx << "," << w.ty << ".." << w.rx << ","
            << w.by;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MorpherDotsModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
