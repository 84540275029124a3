// EMarker against a per-pixel model of its rules, on random pictures wide enough for the vector
// loops and their leftover columns, with windows touching the frame's sides and not, every
// operator and random thresholds: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Params {
  std::string type;
  int gyt, rt, bt, lt, ft, fr, fb, fl;
  bool white, xcol, test;
  int col;
  int lx, ty, rx, by, elx, ety, erx, eby;
};

int Between(int a, int b, int i, int d) { return a + (b - a) * i / d; }

// A channel's sample and its eight neighbours; u* from the previous memory row, d* the next.
struct Taps {
  int p, l, r, u, d, ul, ur, dl, dr;
};

// The taps of channel c (RGB byte c, YUV 0 Y, 1 U, 2 V) at picture (x, y), side neighbours h
// grid columns away. Memory rows run bottom-up in RGB: the next memory row is the picture row
// above. YUY2 chroma steps by pairs, planar chroma by chroma samples.
Taps TapsAt(const Picture& in, int c, int x, int y, int h) {
  const PixelFormat f = in.Format();
  const int down = IsRGB(f) ? -1 : 1;
  auto at = [&](int dx, int dy) {
    if (c > 0 && IsPlanar(f)) return in.Get(2 * (x / 2 + dx), 2 * (y / 2 + dy * down), c);
    const int step = c > 0 && f == PixelFormat::YUY2 ? 2 : h;
    return in.Get(x + dx * step, y + dy * down, c);
  };
  return {at(0, 0), at(-1, 0), at(1, 0), at(0, -1), at(0, 1), at(-1, -1), at(1, -1), at(-1, 1), at(1, 1)};
}

int Laplace(const Taps& n) { return 4 * n.p - 2 * (n.l + n.r + n.u + n.d) + (n.ul + n.ur + n.dl + n.dr); }
int Gradient(const std::string& type, const Taps& n) {
  int gx, gy;
  if (type[1] == 'p') {
    gx = (n.r + n.ur + n.dr) - (n.l + n.ul + n.dl);
    gy = (n.d + n.dl + n.dr) - (n.u + n.ul + n.ur);
  } else {
    gx = 2 * (n.r - n.l) + (n.ur + n.dr) - (n.ul + n.dl);
    gy = 2 * (n.d - n.u) + (n.dl + n.dr) - (n.ul + n.ur);
  }
  return gx * gx + gy * gy;
}

bool Hits(const std::string& type, const Taps& n, int t, int s, int lt) {
  if (type == "e1") {
    const int v = (8 * n.p - (n.l + n.r + n.u + n.d + n.ul + n.ur + n.dl + n.dr)) / 8;
    return v > t || v < -t;
  }
  if (type == "e2") {
    const int a = n.d - n.u - n.r + n.l, b = n.dr - n.ur - n.ul + n.dl;
    return a * a + b * b > t * t;
  }
  if (type == "el") return Laplace(n) > s || Laplace(n) < -s;
  if (type == "ep" || type == "es") return Gradient(type, n) > t * t;
  return Gradient(type, n) > t * t && (Laplace(n) > lt || Laplace(n) < -lt);  // "epl", "esl"
}

// The expected frame for step i of d.
PictureModel Expected(const Picture& in, const Params& p, int i, int d) {
  const PixelFormat f = in.Format();
  const int W = in.Width(), H = in.Height();
  auto now = [&](int a, int b) { return p.test ? Between(a, b, i, d) : a; };
  const int gyt = now(p.gyt, p.ft), rt = now(p.rt, p.fr), bt = now(p.bt, p.fb), lt = now(p.lt, p.fl);
  const int t[3] = {IsRGB(f) ? rt : gyt, IsRGB(f) ? gyt : rt, bt};  // in the order of testing
  const int L = Between(p.lx, p.elx, i, d), T = Between(p.ty, p.ety, i, d);
  const int R = Between(p.rx, p.erx, i, d), B = Between(p.by, p.eby, i, d);
  const bool far = IsRGB(f) && (p.type == "e1" || p.type == "e2");
  const bool y_only = p.type == "epl" || p.type == "esl";
  const int mark = p.white ? 255 : 0, back = p.white ? 0 : 255;

  PictureModel e(in);
  const int channels = e.Channels();
  if (p.test)  // black outside the window (and everywhere before the window is written)
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        for (int c = 0; c < channels; ++c) e.Set(x, y, c, IsRGB(f) || c == 0 ? 0 : 128);

  auto tested = [&](int c, int x, int y) {
    if (c == 0) return true;
    if (y_only) return false;
    if (IsRGB(f)) return !far || (x >= 2 && x <= W - 3);
    if (f == PixelFormat::YUY2) return x >= 2 && x <= W - 3 && (p.type == "e1" || x % 2 == 0);
    return x >= 2 && x < W - 2 && y >= 2 && y < H - 2;
  };
  for (int y = T + 1; y < B; ++y)
    for (int x = L + 1; x < R; ++x) {
      const bool coloured = IsRGB(f) ? !(in.Get(x, y, 0) == in.Get(x, y, 1) && in.Get(x, y, 1) == in.Get(x, y, 2))
                                     : in.Get(x, y, 1) != 128 && in.Get(x, y, 2) != 128;
      int v = back;
      if (p.xcol && coloured) {
        v = p.col & 0xFF;
      } else {
        for (int c = 0; c < 3; ++c) {
          if (t[c] == 0 || !tested(c, x, y)) continue;
          const int s = f == PixelFormat::YUY2 ? t[c] : lt;
          if (Hits(p.type, TapsAt(in, c, x, y, far && c > 0 ? 2 : 1), t[c], s, lt)) {
            v = mark;
            break;
          }
        }
      }
      for (int c = 0; c < (IsRGB(f) ? channels : 1); ++c) e.Set(x, y, c, v);
    }
  if (!IsRGB(f))  // the chroma the window touches: whole YUY2 pairs, whole planar 2x2 blocks
    for (int y = T; y <= B; ++y)
      for (int x = L; x <= R; ++x) e.Set(x, y, 1, 128), e.Set(x, y, 2, 128);
  for (int y = T; y <= B; ++y)
    for (int x = L; x <= R; ++x)
      if (x == L || x == R || y == T || y == B)
        for (int c = 0; c < (IsRGB(f) ? channels : 1); ++c) e.Set(x, y, c, 128);
  return e;
}

// Smooth grey with noise and steps, so that every threshold leaves some pixels on each side; a
// share of the pixels coloured, some with one chroma sample (or one RGB byte) off grey only.
PClip RandomClip(TestHost& host, int type, int W, int H, std::mt19937& rng) {
  return host.MakeClip(type, W, H, 4, [&](int, Picture& p) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v =
            std::clamp(60 + 3 * x % 90 + (x > W / 2 ? 70 : 0) + (y % 5 == 0 ? 40 : 0) + pick(-12, 12), 0, 255);
        const int k = pick(0, 7);
        if (IsRGB(p.Format())) {
          auto byte = [](int b) { return std::clamp(b, 0, 255); };
          p.SetPixel(x, y, k == 6 ? pick(0, 255) : v, byte(v + (k == 7 ? pick(-5, 5) : 0)),
                     k >= 5 ? byte(v + pick(1, 9)) : v);
        } else {
          const int u = k < 3 ? 128 : 128 + pick(-20, 20), w = k < 2 || k == 4 ? 128 : 128 + pick(-20, 20);
          p.SetPixel(x, y, v, u, w);
        }
      }
  });
}

class EMarkerModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(EMarkerModel, EveryByteAgreesWithThePerPixelRules) {
  TestHost host;
  std::mt19937 rng(77 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const bool yuy2 = GetParam().pixel_type == VideoInfo::CS_YUY2;
  const bool planar = GetParam().pixel_type == VideoInfo::CS_YV12 || GetParam().pixel_type == VideoInfo::CS_I420;
  std::vector<std::string> types = {"e1", "e2", "el", "ep", "es"};
  if (yuy2) types.insert(types.end(), {"epl", "esl"});
  // Widths reaching the 64-byte vector loops with every leftover, and small ones.
  const int widths[] = {6, 10, 22, 34, 66, 70, 130, 158, 194, 200};
  int round = 0;
  for (int W : widths) {
    const int H = planar ? 10 + 2 * (W % 3) : 9 + W % 4;
    PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng);
    for (int rep = 0; rep < 4; ++rep, ++round) {
      Params p;
      p.type = types[round % types.size()];
      const int top = p.type == "e1" ? 16 : p.type == "el" ? 90 : 60;
      auto threshold = [&] { return pick(0, 3) == 0 ? 0 : pick(1, top); };
      p.gyt = pick(0, 5) == 0 ? 0 : pick(1, top), p.rt = threshold(), p.bt = threshold(), p.lt = pick(0, 90);
      p.ft = threshold(), p.fr = threshold(), p.fb = threshold(), p.fl = pick(0, 90);
      p.white = pick(0, 1), p.xcol = pick(0, 2) != 0, p.test = rep == 3, p.col = pick(-300, 600);
      p.lx = pick(0, W - 5), p.rx = pick(p.lx + 4, W - 1), p.ty = pick(0, H - 5), p.by = pick(p.ty + 4, H - 1);
      p.elx = pick(0, W - 5), p.erx = pick(p.elx + 4, W - 1), p.ety = pick(0, H - 5), p.eby = pick(p.ety + 4, H - 1);
      if (rep == 0) p.lx = p.elx = 0, p.rx = p.erx = W - 1, p.ty = p.ety = 0, p.by = p.eby = H - 1;
      std::vector<Argument> args = {Arg(src),
                                    Named("type", p.type.c_str()),
                                    Named("white", p.white),
                                    Named("xcol", p.xcol),
                                    Named("col", p.col),
                                    Named("test", p.test)};
      for (auto [name, v] : {std::pair<const char*, int>{"gyt", p.gyt},
                             {"rt", p.rt},
                             {"bt", p.bt},
                             {"lt", p.lt},
                             {"ft", p.ft},
                             {"fr", p.fr},
                             {"fb", p.fb},
                             {"fl", p.fl},
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
      // 0..2, frame 1 one third of the way and frame 2 two thirds.
      args.push_back(Named("sf", p.test ? 1 : 0));
      args.push_back(Named("ef", p.test ? 3 : 2));
      PClip marked = host.Apply("EMarker", args);
      for (int n : {1, 2}) {
        if (p.test && n == 1) continue;
        const Picture in = host.FrameOf(src, p.test ? 1 : n);
        ASSERT_TRUE(Expected(in, p, n, 3).Matches(host.FrameOf(marked, n)))
            << "W=" << W << " H=" << H << " type=" << p.type << " frame " << n << (p.test ? " test" : "")
            << " xcol=" << p.xcol << " window " << p.lx << "," << p.ty << ".." << p.rx << "," << p.by << " -> " << p.elx
            << "," << p.ety << ".." << p.erx << "," << p.eby;
      }
    }
  }
}

// The squared measures near their largest thresholds: steps in the picture give gradients past
// 255 on one side, and thresholds up to 255 put t * t near the top of 16 bits.
TEST_P(EMarkerModel, SquaredMeasuresAgreeAtTheLargestThresholds) {
  TestHost host;
  std::mt19937 rng(191 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const bool yuy2 = GetParam().pixel_type == VideoInfo::CS_YUY2;
  const bool planar = GetParam().pixel_type == VideoInfo::CS_YV12 || GetParam().pixel_type == VideoInfo::CS_I420;
  std::vector<std::string> types = {"e2", "ep", "es"};
  if (yuy2) types.insert(types.end(), {"epl", "esl"});
  int round = 0;
  for (int W : {70, 134, 200}) {
    const int H = planar ? 12 : 11;
    PClip src = RandomClip(host, GetParam().pixel_type, W, H, rng);
    for (int rep = 0; rep < 6; ++rep, ++round) {
      Params p{};
      p.type = types[round % types.size()];
      auto threshold = [&] { return pick(0, 2) == 0 ? 255 : pick(60, 255); };
      p.gyt = threshold(), p.rt = threshold(), p.bt = threshold(), p.lt = pick(0, 90);
      p.ft = threshold(), p.fr = threshold(), p.fb = threshold(), p.fl = pick(0, 90);
      p.white = rep % 2 == 0, p.xcol = rep % 3 == 0, p.col = 7;
      p.lx = p.elx = 0, p.rx = p.erx = W - 1, p.ty = p.ety = 0, p.by = p.eby = H - 1;
      std::vector<Argument> args = {Arg(src), Named("type", p.type.c_str()), Named("white", p.white),
                                    Named("xcol", p.xcol), Named("col", p.col)};
      for (auto [name, v] : {std::pair<const char*, int>{"gyt", p.gyt},
                             {"rt", p.rt},
                             {"bt", p.bt},
                             {"lt", p.lt},
                             {"ft", p.ft},
                             {"fr", p.fr},
                             {"fb", p.fb},
                             {"fl", p.fl},
                             {"sf", 0},
                             {"ef", 2}})
        args.push_back(Named(name, v));
      PClip marked = host.Apply("EMarker", args);
      for (int n : {1, 2})
        ASSERT_TRUE(Expected(host.FrameOf(src, n), p, n, 3).Matches(host.FrameOf(marked, n)))
            << "W=" << W << " type=" << p.type << " frame " << n << " thresholds " << p.gyt << " " << p.rt << " "
            << p.bt << " -> " << p.ft << " " << p.fr << " " << p.fb;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, EMarkerModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
