// Inlay's "mask" and "nomask" styles against a per-pixel model of the tint and the solid paint,
// in rectangles and ellipses on frames wide enough for the vector loops and narrow ones, cutting
// chroma pairs at either end, with shifts and stretches: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

class InlayModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(InlayModel, ShapeStylesAgreeWithThePerPixelRules) {
  TestHost host;
  std::mt19937 rng(23 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int type = GetParam().pixel_type;
  for (int round = 0; round < 60; ++round) {
    // Widths reaching the vector loops with leftover pixels, and short ones; odd sizes where the
    // format allows them. Every fourth round is wide enough for runs of several whole blocks.
    int W = round % 4 == 2 ? pick(260, 600) : round % 3 ? pick(130, 200) : pick(8, 70), H = pick(5, 13);
    if (type != VideoInfo::CS_BGR24 && type != VideoInfo::CS_BGR32) W &= ~1;
    if (type == VideoInfo::CS_YV12 || type == VideoInfo::CS_I420) H = (H + 1) & ~1;
    auto random_clip = [&](bool mask) {
      return host.MakeClip(type, W, H, 1, [&](int, Picture& p) {
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) {
            const int k = pick(0, 9);
            // Pictures take the extremes often, where the tinted sums clamp.
            const int v = !mask ? (k == 0 ? 0 : k == 1 ? 255 : pick(0, 255)) : k < 5 ? 255 : k < 9 ? 0 : pick(0, 255);
            p.SetPixel(x, y, v, pick(0, 255), pick(0, 255));
            if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, pick(0, 255));
          }
      });
    };
    PClip picture = random_clip(false), mask = random_clip(true);
    const Picture in = host.FrameOf(picture, 0), selected = host.FrameOf(mask, 0);
    const bool rgb = IsRGB(in.Format());
    const bool solid = round % 4 == 3, mwhite = round % 2 == 0, shift = round % 3 != 1, ellipse = round % 5 >= 3;
    const int st = shift ? pick(-255, 255) : pick(-100, 300), colour = pick(0, 0xFFFFFF);
    // A rectangle from its corner; an ellipse from its centre, its half-axes no larger than the
    // distance to the nearer edge.
    int x, y, w, h;
    if (ellipse) {
      x = pick(1, W - 2), y = pick(0, H - 1);
      const int wmax = W / 2 - std::abs(W / 2 - x), hmax = H / 2 - std::abs(H / 2 - y);
      if (wmax < 1) continue;
      w = pick(1, wmax), h = pick(0, std::max(0, hmax));
    } else {
      x = pick(0, W - 2), y = pick(0, H - 2), w = pick(1, W - x), h = pick(1, H - y);
      // Now and then the whole width down to the bottom row (RGB's first memory row).
      if (round % 6 == 0) x = 0, w = W, h = H - y;
    }
    PClip out =
        host.Apply("Inlay", {Arg(picture), Arg(mask), Arg(mask), Named("type", solid ? "nomask" : "mask"),
                             Named("color", colour), Named("mwhite", mwhite), Named("shift", shift), Named("st", st),
                             Named("x", x), Named("y", y), Named("w", w), Named("h", h), Named("ellipse", ellipse)});
    // An ellipse's row and column offsets both run over -w..w-1; a pixel belongs when
    // j*j/(w*w) + i*i/(h*h) is not greater than 1 (with h = 0 the centre row's term is 0/0).
    auto inside = [&](int px, int py) {
      if (!ellipse) return px >= x && px < x + w && py >= y && py < y + h;
      const int i = py - y, j = px - x;
      if (i < -w || i > w - 1 || j < -w || j > w - 1) return false;
      return !(static_cast<double>(j) * j / (static_cast<double>(w) * w) +
                   static_cast<double>(i) * i / (static_cast<double>(h) * h) >
               1);
    };
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
    for (int py = 0; py < H; ++py)
      for (int px = 0; px < W; ++px) {
        if (!inside(px, py)) continue;
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
        << (solid ? "nomask" : "mask") << " st=" << st << (shift ? " shift" : " stretch")
        << (ellipse ? " ellipse " : " rect ") << W << "x" << H << " at " << x << "," << y << " " << w << "x" << h;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, InlayModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
