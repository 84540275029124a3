// Inlay's "mask" and "nomask" styles against a per-pixel model of the tint and the solid paint,
// in rectangles wide enough for the vector loops, cutting chroma pairs at either end, with
// shifts and stretches: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

class InlayModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(InlayModel, RectangleStylesAgreeWithThePerPixelRules) {
  TestHost host;
  std::mt19937 rng(23 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int W = 154, H = 10;
  auto random_clip = [&](bool mask) {
    return host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          const int k = pick(0, 9);
          p.SetPixel(x, y, !mask ? pick(0, 255) : k < 5 ? 255 : k < 9 ? 0 : pick(0, 255), pick(0, 255), pick(0, 255));
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, pick(0, 255));
        }
    });
  };
  PClip picture = random_clip(false), mask = random_clip(true);
  const Picture in = host.FrameOf(picture, 0), selected = host.FrameOf(mask, 0);
  const bool rgb = IsRGB(in.Format());
  for (int round = 0; round < 16; ++round) {
    const bool solid = round % 4 == 3, mwhite = round % 2 == 0, shift = round % 3 != 1;
    const int st = shift ? pick(-255, 255) : pick(-100, 300), colour = pick(0, 0xFFFFFF);
    const int x = pick(0, W - 2), y = pick(0, H - 2), w = pick(1, W - x), h = pick(1, H - y);
    PClip out = host.Apply("Inlay", {Arg(picture), Arg(mask), Arg(mask), Named("type", solid ? "nomask" : "mask"),
                                     Named("color", colour), Named("mwhite", mwhite), Named("shift", shift),
                                     Named("st", st), Named("x", x), Named("y", y), Named("w", w), Named("h", h)});
    // The colour's values, worked out by the painting rules.
    const int R = (colour >> 16) & 255, G = (colour >> 8) & 255, B = colour & 255;
    const int U = static_cast<int>(0.5 * B - (0.332 * G + 0.169 * R) + 128);
    const int V = static_cast<int>(0.5 * R - 0.419 * G - 0.0813 * B + 128);
    const int Y = static_cast<int>(0.114 * B + 0.587 * G + 0.299 * R);
    const int kV = static_cast<int>(1.4075 * (V - 128));
    const int kG = static_cast<int>(-0.3455 * (U - 128) - 0.7169 * (V - 128));
    const int kU = static_cast<int>(1.779 * (U - 128));
    auto adjusted = [&](int n) {
      if (st == 0) return n;
      return Clamp255(shift ? int64_t{n} + st : n + int64_t{st} * n / 100);
    };
    PictureModel expected(in);
    for (int py = y; py < y + h; ++py)
      for (int px = x; px < x + w; ++px) {
        if (!solid && selected.Get(px, py, 0) != (mwhite ? 255 : 0)) continue;
        if (rgb && solid) {
          expected.Set(px, py, 0, R), expected.Set(px, py, 1, G), expected.Set(px, py, 2, B);
        } else if (rgb) {
          const int n = adjusted(in.Get(px, py, 0));
          expected.Set(px, py, 0, Clamp255(n + kV));
          expected.Set(px, py, 1, Clamp255(n + kG));
          expected.Set(px, py, 2, Clamp255(n + kU));
        } else {
          expected.Set(px, py, 0, solid ? Y : adjusted(in.Get(px, py, 0)));
          expected.Set(px, py, 1, U);
          expected.Set(px, py, 2, V);
        }
      }
    ASSERT_TRUE(expected.Matches(host.FrameOf(out, 0)))
        << (solid ? "nomask" : "mask") << " st=" << st << (shift ? " shift" : " stretch") << " rect " << x << ","
        << y << " " << w << "x" << h;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, InlayModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
