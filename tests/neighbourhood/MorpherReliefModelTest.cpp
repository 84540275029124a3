// Morpher's relief operations against a per-pixel model of their rules, on noisy and blocky
// pictures from a few pixels wide to past the vector widths with leftover columns, windows
// covering the frame, touching its edges and random, thresholds inside, at and outside the
// samples' range: every byte of every plane must agree.
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

bool Valley(int P, int N, int S, int W, int E) {
  return (P < W && P < E) || (N < W && S < E) || (N < E && S < W) || (N < P && S < P);
}
bool Ridge(int P, int N, int S, int W, int E) {
  return (P > W && P > E) || (N > W && S > E) || (N > E && S > W) || (N > P && S > P);
}

bool Rule(const std::string& type, int P, int N, int S, int W, int E, int lt, int ut) {
  const bool in_range = lt <= P && P <= ut;
  const bool V = Valley(P, N, S, W, E), R = Ridge(P, N, S, W, E);
  if (type == "vale") return in_range && V;
  if (type == "ridge") return in_range && R;
  if (type == "rorv") return in_range && (V || R);
  if (type == "flood") return P <= lt || V;
  if (type == "drain") return P >= ut || R;
  return in_range && !V && !R;  // ford
}

PictureModel Expected(const Picture& src, const std::string& type, bool white, const Window& w, int lt, int ut) {
  const PictureModel in(src);
  PictureModel out(src);
  const PixelFormat f = in.Format();
  const int mark = white ? 255 : 0, back = 255 - mark;
  for (int y = w.ty + 1; y <= w.by - 2; ++y)
    for (int x = w.lx + 1; x <= w.rx - 2; ++x) {
      auto at = [&](int dx, int dy) { return in.Get(x + dx, y + dy, 0); };
      const int v = Rule(type, at(0, 0), at(0, -1), at(0, 1), at(-1, 0), at(1, 0), lt, ut) ? mark : back;
      const int bytes = IsRGB(f) ? in.Channels() : 1;
      for (int c = 0; c < bytes; ++c) out.Set(x, y, c, v);
    }
  for (int x = w.lx; x < w.rx; ++x) out.Set(x, w.ty, 0, 128), out.Set(x, w.by - 1, 0, 128);
  for (int y = w.ty; y < w.by; ++y) out.Set(w.lx, y, 0, 128), out.Set(w.rx - 1, y, 0, 128);
  if (f == PixelFormat::YUY2)
    for (int y = w.ty; y < w.by; ++y)
      for (int x = w.lx; x < w.rx; ++x) out.Set(x, y, x % 2 == 0 ? 1 : 2, 128);  // the pixel's own chroma byte
  if (IsPlanar(f))
    for (int cy = w.ty / 2; cy < w.by / 2; ++cy)
      for (int cx = w.lx / 2; cx < w.rx / 2; ++cx) out.Set(2 * cx, 2 * cy, 1, 128), out.Set(2 * cx, 2 * cy, 2, 128);
  return out;
}

class MorpherReliefModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MorpherReliefModel, EveryOperationAgreesWithTheModelOnEveryFrameSize) {
  TestHost host;
  std::mt19937 rng(13 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* const types[] = {"vale", "ridge", "rorv", "flood", "drain", "ford"};
  const int sizes[][2] = {{4, 3}, {7, 6}, {18, 5}, {35, 9}, {66, 4}, {69, 7}, {130, 5}, {163, 8}, {200, 6}};
  for (const auto& size : sizes) {
    int W = size[0], H = size[1];
    FitToFormat(GetParam().pixel_type, &W, &H);
    // Blocks of few levels make equal neighbours (the strict comparisons' edge); noise the rest.
    const bool blocky = W % 3 == 0;
    PClip src =
        RandomClip(host, GetParam().pixel_type, W, H, rng, [&] { return blocky ? 60 * pick(0, 4) : pick(0, 255); });
    const Picture in = host.FrameOf(src, 0);
    for (int round = 0; round < 12; ++round) {
      const std::string type = types[round % 6];
      const bool white = round % 4 < 2;
      Window w{0, 0, W - 1, H - 1};
      if (round >= 6) {
        w = Window{pick(0, W - 3), pick(0, H - 3), 0, 0};
        w.rx = pick(w.lx + 2, W - 1), w.by = pick(w.ty + 2, H - 1);
      }
      int lt = pick(0, 255), ut = pick(lt, 255);
      if (round % 5 == 0) lt = 0, ut = 255;
      if (round % 5 == 1) lt = ut = 120;
      if (type == "ford" && round >= 6) lt = 200, ut = 50;  // accepted for ford, marks nothing in range
      PClip out = host.Apply(
          "Morpher", {Arg(src), Named("type", type.c_str()), Named("white", white), Named("lx", w.lx),
                      Named("ty", w.ty), Named("rx", w.rx), Named("by", w.by), Named("lt", lt), Named("ut", ut)});
      ASSERT_TRUE(Expected(in, type, white, w, lt, ut).Matches(host.FrameOf(out, 0)))
          << W << "x" << H << " " << type << (white ? " white" : " black") << " window " << w.lx << "," << w.ty << ".."
          << w.rx << "," << w.by << " lt " << lt << " ut " << ut;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MorpherReliefModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
