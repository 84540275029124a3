// CrossFill against a per-pixel model of its selection and painting, on frames wide enough for
// the vector loops (with leftover pixels), windows cutting chroma pairs on either side, masks
// holding marks, background and other values, and shifts, stretches and extreme amounts: every
// byte of every plane must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Case {
  std::string type;
  bool white, shift;
  int st, color;
  int lx, ty, rx, by, elx, ety, erx, eby;
};

int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

int64_t AdjustOf(int n, const Case& c) {
  if (c.st == 0) return n;
  if (c.shift) return static_cast<int64_t>(n) + c.st;
  return n + static_cast<int64_t>(c.st) * n / 100;
}

bool SelectsOf(const Case& c, bool rgb, int a, int b) {
  const int mark = c.white ? 255 : 0, back = c.white ? 0 : 255;
  if (c.type == "aANDb") return a == mark && b == mark;
  if (c.type == "aORb") return a == mark || b == mark;
  if (c.type != "aNOTb") return false;
  if (rgb) return (a == mark && b == back) || (a == back && b == mark);
  return (a == mark) != (b == mark);
}

// The frame the filter should return for frame n of a range sf..ef.
void ExpectModel(const Picture& in, const Picture& ma, const Picture& mb, const Picture& out, const Case& c, int t,
                 int T) {
  const PixelFormat f = in.Format();
  const bool rgb = IsRGB(f);
  const int W = in.Width(), H = in.Height(), n = f == PixelFormat::RGB32 ? 4 : 3;
  auto lerp = [&](int a, int b) { return T == 0 ? a : static_cast<int>(a + static_cast<int64_t>(b - a) * t / T); };
  const int x0 = std::max(0, lerp(c.lx, c.elx)), x1 = std::min(W, lerp(c.rx, c.erx));
  const int y0 = std::max(0, lerp(c.ty, c.ety)), y1 = std::min(H, lerp(c.by, c.eby));

  // Colour values worked out as the painting rules give them.
  const int R = (c.color >> 16) & 255, G = (c.color >> 8) & 255, B = c.color & 255;
  const int U = static_cast<int>(0.5 * B - (0.332 * G + 0.169 * R) + 128);
  const int V = static_cast<int>(0.5 * R - 0.419 * G - 0.0813 * B + 128);
  const int kV = static_cast<int>(1.4075 * (V - 128));
  const int kG = static_cast<int>(-0.3455 * (U - 128) - 0.7169 * (V - 128));
  const int kU = static_cast<int>(1.779 * (U - 128));

  std::vector<int> e(static_cast<size_t>(W * H * n));
  auto at = [&](int x, int y, int ch) -> int& { return e[static_cast<size_t>((y * W + x) * n + ch)]; };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int ch = 0; ch < n; ++ch) at(x, y, ch) = in.Get(x, y, ch);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      if (!SelectsOf(c, rgb, ma.Get(x, y, 0), mb.Get(x, y, 0))) continue;
      if (rgb) {
        const int64_t N = AdjustOf(at(x, y, 0), c);
        at(x, y, 0) = Clamp255(N + kV), at(x, y, 1) = Clamp255(N + kG), at(x, y, 2) = Clamp255(N + kU);
        continue;
      }
      if (c.st != 0) at(x, y, 0) = Clamp255(AdjustOf(at(x, y, 0), c));
      // Chroma is shared: by the pair in YUY2, by the 2x2 block in planar frames.
      for (int yy = 0; yy < H; ++yy)
        for (int xx = 0; xx < W; ++xx) {
          const bool shared = f == PixelFormat::YUY2 ? yy == y && xx / 2 == x / 2 : yy / 2 == y / 2 && xx / 2 == x / 2;
          if (shared) at(xx, yy, 1) = U, at(xx, yy, 2) = V;
        }
    }
  if (f == PixelFormat::RGB32)
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) at(x, y, 0) = 0;

  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int ch = 0; ch < n; ++ch)
        ASSERT_EQ(out.Get(x, y, ch), at(x, y, ch))
            << "x=" << x << " y=" << y << " ch=" << ch << " type=" << c.type << " st=" << c.st
            << (c.shift ? " shift" : " stretch") << " window " << x0 << "," << y0 << ".." << x1 << "," << y1;
}

class CrossFillModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(CrossFillModel, EveryByteAgreesWithThePerPixelRules) {
  TestHost host;
  std::mt19937 rng(99 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int type = GetParam().pixel_type;
  for (int size = 0; size < 3; ++size) {
    // Widths reaching the vector loops with leftover pixels, and short ones; odd sizes where the
    // format allows them.
    int W = size == 0 ? 142 : size == 1 ? pick(130, 200) : pick(8, 70), H = size == 0 ? 8 : pick(5, 11);
    if (type != VideoInfo::CS_BGR24 && type != VideoInfo::CS_BGR32) W &= ~1;
    if (type == VideoInfo::CS_YV12 || type == VideoInfo::CS_I420) H = (H + 1) & ~1;
    const int N = 5;
    auto random_clip = [&](bool mask) {
      return host.MakeClip(GetParam().pixel_type, W, H, N, [&](int, Picture& p) {
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) {
            const int k = pick(0, 9);
            // Pictures take the extremes often, where the painted sums clamp.
            const int v = !mask   ? (k == 0   ? 0
                                     : k == 1 ? 255
                                              : pick(0, 255))
                          : k < 4 ? 255
                          : k < 8 ? 0
                          : k < 9 ? 128
                                  : pick(0, 255);
            p.SetPixel(x, y, v, pick(0, 255), pick(0, 255));
          }
      });
    };
    PClip picture = random_clip(false), a = random_clip(true), b = random_clip(true);
    const char* const types[] = {"aANDb", "aORb", "aNOTb", "aandb"};
    const int amounts[] = {0, 10, -40, 255, -100, 300, 5000, -70000, 2000000000};
    for (int round = 0; round < 24; ++round) {
      Case c;
      c.type = types[round % 4];
      c.white = pick(0, 1), c.shift = pick(0, 1), c.st = amounts[round % 9], c.color = pick(0, 0xFFFFFF);
      c.lx = pick(0, W - 2), c.rx = pick(c.lx + 2, W), c.ty = pick(0, H - 2), c.by = pick(c.ty + 2, H);
      c.elx = pick(0, W - 2), c.erx = pick(c.elx + 2, W), c.ety = pick(0, H - 2), c.eby = pick(c.ety + 2, H);
      if (round % 5 == 0) c.lx = c.elx = 0, c.rx = c.erx = W;  // the whole width
      PClip filtered = host.Apply(
          "CrossFill", {Arg(picture), Arg(a), Arg(b), Named("sf", 1), Named("ef", 4), Named("type", c.type.c_str()),
                        Named("white", c.white), Named("shift", c.shift), Named("st", c.st), Named("color", c.color),
                        Named("lx", c.lx), Named("ty", c.ty), Named("rx", c.rx), Named("by", c.by), Named("elx", c.elx),
                        Named("ety", c.ety), Named("erx", c.erx), Named("eby", c.eby)});
      const int n = 2;  // a third of the way from frame 1 to frame 4
      ExpectModel(host.FrameOf(picture, n), host.FrameOf(a, n), host.FrameOf(b, n), host.FrameOf(filtered, n), c, n - 1,
                  3);
      if (HasFatalFailure()) return;
    }
  }
}

// Every combination of a window starting on an even or odd column and row and ending on an even
// or odd limit, at the frame's edges and one pixel in: the pixels that share a chroma pair or
// block with the window from outside it, and the partial vector blocks at both ends of a row.
TEST_P(CrossFillModel, WindowEdgesOnEitherSideOfAChromaPairOrBlock) {
  TestHost host;
  std::mt19937 rng(7 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int W = 196, H = 8, N = 3;
  auto random_clip = [&](bool mask) {
    return host.MakeClip(GetParam().pixel_type, W, H, N, [&](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          // Masks mostly unmarked, so a stray chroma write next to a lone selected pixel shows.
          const int k = pick(0, 9);
          const int v = !mask ? pick(0, 255) : k < 2 ? 255 : k < 8 ? 0 : pick(0, 255);
          p.SetPixel(x, y, v, pick(0, 255), pick(0, 255));
        }
    });
  };
  PClip picture = random_clip(false), a = random_clip(true), b = random_clip(true);
  int round = 0;
  for (const int lx : {0, 1, 2, 3})
    for (const int rx : {W - 3, W - 2, W - 1, W})
      for (const int ty : {0, 1})
        for (const int by : {H - 1, H}) {
          Case c;
          c.type = round % 3 == 0 ? "aANDb" : round % 3 == 1 ? "aORb" : "aNOTb";
          c.white = round % 2 == 0, c.shift = round % 4 < 2, c.st = round % 5 == 0 ? 0 : round % 5 == 1 ? 37 : -20;
          c.color = pick(0, 0xFFFFFF);
          c.lx = c.elx = lx, c.rx = c.erx = rx, c.ty = c.ety = ty, c.by = c.eby = by;
          ++round;
          PClip filtered = host.Apply(
              "CrossFill", {Arg(picture), Arg(a), Arg(b), Named("type", c.type.c_str()), Named("white", c.white),
                            Named("shift", c.shift), Named("st", c.st), Named("color", c.color), Named("lx", lx),
                            Named("ty", ty), Named("rx", rx), Named("by", by)});
          ExpectModel(host.FrameOf(picture, 1), host.FrameOf(a, 1), host.FrameOf(b, 1), host.FrameOf(filtered, 1), c, 1,
                      2);
          if (HasFatalFailure()) return;
        }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, CrossFillModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
