// Morpher "thin" against a per-pixel model of its six in-place passes (each pixel seeing what
// the pass has already changed above and left of it), on masks of blobs, lines and noise with
// stray values, frames from a few pixels wide to past the vector widths, windows covering the
// frame, touching its edges and random: every byte of every plane must agree.
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

PictureModel Expected(const Picture& src, bool white, const Window& w) {
  PictureModel m(src);
  const PixelFormat f = m.Format();
  const int mark = white ? 255 : 0, back = 255 - mark;
  for (int pass = 0; pass < 6; ++pass)
    for (int y = w.ty + 1; y < w.by; ++y)
      for (int x = w.lx + 1; x < w.rx; ++x) {
        if (m.Get(x, y, 0) != mark) continue;
        auto is = [&](int dx, int dy, int v) { return m.Get(x + dx, y + dy, 0) == v; };
        // Neighbours clockwise from north.
        const int dx[8] = {0, 1, 1, 1, 0, -1, -1, -1}, dy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
        bool M[8], B[8];
        int marks = 0;
        for (int k = 0; k < 8; ++k) M[k] = is(dx[k], dy[k], mark), B[k] = is(dx[k], dy[k], back), marks += M[k];
        if (!(B[0] || B[2] || B[4] || B[6]) || marks < 2) continue;
        // A join: a diagonal mark with the next side neighbour background, or a side mark with
        // the next two (diagonal, side) background.
        int joins = 0;
        for (int k = 0; k < 8; k += 2) {
          joins += M[k] && B[k + 1] && B[(k + 2) % 8];
          joins += M[k + 1] && B[(k + 2) % 8];
        }
        if (joins < 2) m.Set(x, y, 0, back);
      }
  for (int y = w.ty; y < w.by; ++y)
    for (int x = w.lx; x < w.rx; ++x) {
      if (IsRGB(f)) m.Set(x, y, 1, m.Get(x, y, 0)), m.Set(x, y, 2, m.Get(x, y, 0));
      if (f == PixelFormat::YUY2) m.Set(x, y, x % 2 == 0 ? 1 : 2, 128);
    }
  if (IsPlanar(f))
    for (int cy = w.ty / 2; cy < w.by / 2; ++cy)
      for (int cx = w.lx / 2; cx < w.rx / 2; ++cx) m.Set(2 * cx, 2 * cy, 1, 128), m.Set(2 * cx, 2 * cy, 2, 128);
  for (int x = w.lx; x < w.rx; ++x) m.Set(x, w.ty, 0, 128), m.Set(x, w.by - 1, 0, 128);
  for (int y = w.ty; y < w.by; ++y) m.Set(w.lx, y, 0, 128), m.Set(w.rx - 1, y, 0, 128);
  return m;
}

class MorpherThinModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MorpherThinModel, SixPassesAgreeWithTheModelOnEveryFrameSize) {
  TestHost host;
  VideoInfo vi{};
  vi.pixel_type = GetParam().pixel_type;
  const PixelFormat format = FormatOf(vi);
  std::mt19937 rng(29 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int sizes[][2] = {{4, 3}, {8, 7}, {19, 9}, {36, 12}, {66, 11}, {71, 8}, {129, 10}, {168, 13}, {198, 9}};
  for (const auto& size : sizes) {
    int W = size[0], H = size[1];
    FitToFormat(GetParam().pixel_type, &W, &H);
    for (bool white : {true, false}) {
      const int mark = white ? 255 : 0, back = 255 - mark;
      // Rectangles of mark on background, a diagonal line, flipped pixels and a few strays.
      PClip src = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
        std::vector<int> v(static_cast<size_t>(W * H), back);
        for (int b = 0; b < W / 6 + 2; ++b) {
          const int x0 = pick(0, W - 1), y0 = pick(0, H - 1), x1 = pick(x0, W - 1), y1 = pick(y0, H - 1);
          for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) v[y * W + x] = mark;
        }
        for (int i = 0; i < std::min(W, H); ++i) v[i * W + i] = mark;
        for (int& s : v) {
          const int k = pick(0, 39);
          if (k < 3)
            s = 255 - s;
          else if (k == 3)
            s = pick(0, 2) == 0 ? 128 : pick(0, 255);
        }
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) {
            p.SetPixel(x, y, v[y * W + x], pick(0, 255), pick(0, 255));
            if (format == PixelFormat::RGB32) p.Set(x, y, 3, pick(0, 255));
          }
      });
      const Picture in = host.FrameOf(src, 0);
      for (int round = 0; round < 3; ++round) {
        Window w{0, 0, W - 1, H - 1};
        if (round > 0) {
          w = Window{pick(0, W - 3), pick(0, H - 3), 0, 0};
          w.rx = pick(w.lx + 2, W - 1), w.by = pick(w.ty + 2, H - 1);
        }
        PClip out = host.Apply("Morpher", {Arg(src), Named("type", "thin"), Named("white", white), Named("lx", w.lx),
                                           Named("ty", w.ty), Named("rx", w.rx), Named("by", w.by)});
        ASSERT_TRUE(Expected(in, white, w).Matches(host.FrameOf(out, 0)))
            << W << "x" << H << (white ? " white" : " black") << " window " << w.lx << "," << w.ty << ".." << w.rx
            << "," << w.by;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MorpherThinModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
