// SharpEdge against a per-pixel model of its rules, on random pictures wide enough for the
// vector loops and their leftover columns, with windows touching the frame's sides and not,
// every operator, both results (G and M) and random thresholds: every byte of every plane must
// agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Params {
  std::string type;
  int lt, ut, flt, fut;
  bool white, xcol, test, gradient;
  int col;
  int lx, ty, rx, by, elx, ety, erx, eby;
};

int Between(int a, int b, int i, int d) { return d == 0 ? a : a + (b - a) * i / d; }

bool Coloured(const Picture& in, int x, int y) {
  if (IsRGB(in.Format())) return in.Get(x, y, 0) != in.Get(x, y, 1) || in.Get(x, y, 0) != in.Get(x, y, 2);
  return in.Get(x, y, 1) != 128 && in.Get(x, y, 2) != 128;
}

// The magnitude at an inner pixel: R+ is the next memory row (the picture row above in RGB).
int Magnitude(const Picture& in, const std::string& type, int x, int y) {
  const int plus = IsRGB(in.Format()) ? -1 : 1;
  auto s = [&](int dx, int row) { return in.Get(x + dx, y + row * plus, 0); };
  int gx, gy;
  if (type == "e2") {
    gx = (s(-1, 0) - s(1, 0)) + (s(0, 1) - s(0, -1));
    gy = (s(-1, 1) + s(1, 1)) - (s(-1, -1) + s(1, -1));
  } else if (type == "ep") {
    gx = (s(1, 1) + s(1, 0) + s(1, -1)) - (s(-1, 1) + s(-1, 0) + s(-1, -1));
    gy = (s(-1, 1) + s(0, 1) + s(1, 1)) - (s(-1, -1) + s(0, -1) + s(1, -1));
  } else {
    gx = 2 * (s(1, 0) - s(-1, 0)) + (s(1, 1) + s(1, -1)) - (s(-1, 1) + s(-1, -1));
    gy = 2 * (s(0, 1) - s(0, -1)) + (s(-1, 1) + s(1, 1)) - (s(-1, -1) + s(1, -1));
  }
  return static_cast<int>(std::sqrt(static_cast<double>(gx * gx + gy * gy))) & 0xFF;
}

// The expected frame for step i of d.
PictureModel Expected(const Picture& in, const Params& p, int i, int d) {
  const PixelFormat f = in.Format();
  const int W = in.Width(), H = in.Height();
  const int lt = p.test ? Between(p.lt, p.flt, i, d) : p.lt, ut = p.test ? Between(p.ut, p.fut, i, d) : p.ut;
  const int L = Between(p.lx, p.elx, i, d), T = Between(p.ty, p.ety, i, d);
  const int R = Between(p.rx, p.erx, i, d), B = Between(p.by, p.eby, i, d);
  const int mark = p.white ? 255 : 0, back = 255 - mark;

  std::vector<int> g(static_cast<size_t>(W * H), 0);  // G; 0 on the window's edge and coloured pixels
  auto G = [&](int x, int y) -> int& { return g[static_cast<size_t>(y * W + x)]; };
  for (int y = T + 1; y < B; ++y)
    for (int x = L + 1; x < R; ++x) G(x, y) = p.xcol && Coloured(in, x, y) ? 0 : Magnitude(in, p.type, x, y);

  PictureModel e(in);
  const int channels = e.Channels();
  if (p.test)
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        for (int c = 0; c < channels; ++c) e.Set(x, y, c, IsRGB(f) || c == 0 ? 0 : 128);
  for (int y = T; y <= B; ++y)
    for (int x = L; x <= R; ++x) {
      int v = G(x, y);
      if (!p.gradient) {
        if (x == L || x == R || y == T || y == B) {
          v = 128;
        } else if (p.xcol && Coloured(in, x, y)) {
          v = p.col & 0xFF;
        } else {
          const int w = G(x - 1, y), east = G(x + 1, y), a = G(x, y - 1), b = G(x, y + 1), s = G(x, y);
          const bool crest = (s > w && s > east) || (a > w && b > east) || (a > east && b > w) || (a > s && b > s);
          const bool marked = x <= R - 2 && y <= B - 2 && p.col != back && lt <= s && s <= ut && crest;
          v = marked ? mark : back;
        }
      }
      // Grey: every RGB byte; YUY2 the pixel's own chroma byte 128.
      if (IsRGB(f)) {
        for (int c = 0; c < channels; ++c) e.Set(x, y, c, v);
      } else {
        e.Set(x, y, 0, v);
        if (f == PixelFormat::YUY2)
          e.Set(x, y, 1 + x % 2, 128);
        else
          e.Set(x, y, 1, 128), e.Set(x, y, 2, 128);
      }
    }
  return e;
}

// Grey bands and ramps with noise (magnitudes from 0 to past 255, so some wrap), a share of the
// pixels coloured, some with one chroma sample (or one RGB byte) off grey only.
PClip RandomClip(TestHost& host, int type, int W, int H, std::mt19937& rng) {
  return host.MakeClip(type, W, H, 4, [&](int, Picture& p) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto byte = [](int b) { return std::clamp(b, 0, 255); };
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v = byte((x / 7) % 2 * 150 + 4 * y + 2 * x % 60 + pick(-6, 6) + (pick(0, 9) == 0 ? 90 : 0));
        const int k = pick(0, 9);
        if (IsRGB(p.Format())) {
          p.SetPixel(x, y, v, k == 8 ? byte(v + pick(1, 3)) : v, k == 9 ? byte(v - pick(1, 3)) : v);
        } else {
          const int u = k < 5 ? 128 : byte(128 + pick(-20, 20)), w = k < 4 || k == 6 ? 128 : byte(128 + pick(-20, 20));
          p.SetPixel(x, y, v, u, w);
        }
      }
  });
}

class SharpEdgeModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SharpEdgeModel, EveryByteAgreesWithThePerPixelRules) {
  TestHost host;
  std::mt19937 rng(91 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const bool planar = GetParam().pixel_type == VideoInfo::CS_YV12 || GetParam().pixel_type == VideoInfo::CS_I420;
  const char* const types[] = {"e2", "ep", "es"};
  const int widths[] = {6, 10, 22, 34, 66, 70, 130, 158, 194, 200};
  int round = 0;
  for (int W : widths) {
    const int H = planar ? 10 + 2 * (W % 3) : 9 + W % 4;
    PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng);
    for (int rep = 0; rep < 6; ++rep, ++round) {
      Params p;
      p.type = types[round % 3];
      p.lt = pick(0, 120), p.ut = pick(p.lt, 255), p.flt = pick(0, 200), p.fut = pick(p.flt, 255);
      if (rep == 2) p.ut = p.lt;
      p.white = pick(0, 1), p.xcol = pick(0, 2) != 0, p.test = rep >= 4, p.gradient = rep % 2 == 1;
      const int cols[] = {0, 255, 128, 300, -1, pick(0, 255)};
      p.col = cols[pick(0, 5)];
      p.lx = pick(0, W - 5), p.rx = pick(p.lx + 4, W - 1), p.ty = pick(0, H - 5), p.by = pick(p.ty + 4, H - 1);
      p.elx = pick(0, W - 4), p.erx = pick(p.elx + 3, W - 1), p.ety = pick(0, H - 4), p.eby = pick(p.ety + 3, H - 1);
      if (rep < 2) p.lx = p.elx = 0, p.rx = p.erx = W - 1, p.ty = p.ety = 0, p.by = p.eby = H - 1;
      std::vector<Argument> args = {Arg(src),
                                    Named("type", p.type.c_str()),
                                    Named("white", p.white),
                                    Named("xcol", p.xcol),
                                    Named("col", p.col),
                                    Named("test", p.test),
                                    Named("gradient", p.gradient)};
      for (auto [name, v] : {std::pair<const char*, int>{"lt", p.lt},
                             {"ut", p.ut},
                             {"flt", p.flt},
                             {"fut", p.fut},
                             {"lx", p.lx},
                             {"ty", p.ty},
                             {"rx", p.rx},
                             {"by", p.by},
                             {"elx", p.elx},
                             {"ety", p.ety},
                             {"erx", p.erx},
                             {"eby", p.eby}})
        args.push_back(Named(name, v));
      // Test mode: frames 0..2 from frame 1, frame 2 two thirds of the way. Otherwise frames
      // 0..3, frame 1 a third of the way and frame 3 the end values.
      args.push_back(Named("sf", p.test ? 1 : 0));
      args.push_back(Named("ef", 3));
      PClip edges = host.Apply("SharpEdge", args);
      for (int n : {1, 2, 3}) {
        if (p.test && n != 2) continue;
        const Picture in = host.FrameOf(src, p.test ? 1 : n);
        ASSERT_TRUE(Expected(in, p, n, 3).Matches(host.FrameOf(edges, n)))
            << "W=" << W << " H=" << H << " type=" << p.type << " frame " << n << (p.test ? " test" : "")
            << (p.gradient ? " gradient" : "") << " xcol=" << p.xcol << " col=" << p.col << " lt..ut " << p.lt << ".."
            << p.ut << " window " << p.lx << "," << p.ty << ".." << p.rx << "," << p.by << " -> " << p.elx << ","
            << p.ety << ".." << p.erx << "," << p.eby;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SharpEdgeModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
