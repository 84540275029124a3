// MaskMaker against a per-pixel model of its rules, on frames wide enough for the vector loops
// (with their leftover pixels), windows with odd and even edges, and random parameters: every
// byte of every plane must agree, inside the window, on its edge and around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Params {
  std::string type;
  int t[3], u[3];    // lower (or band width) and upper thresholds of the three channels
  int ft[3], fu[3];  // their final values in test mode
  bool white, xcol, test;
  int col;
  int lx, ty, rx, by, elx, ety, erx, eby;
};

// The value a pixel gets from its three channel samples, written as the rules read.
int Decide(const Params& p, const int t[3], const int u[3], const int s[3], bool coloured) {
  const int mark = p.white ? 255 : 0, back = p.white ? 0 : 255;
  if (p.xcol && coloured) return p.col;
  if (p.type == "a1") {
    for (int c = 0; c < 3; ++c)
      if (t[c] != 0 && (s[c] / t[c]) % 2 == 0) return mark;
    return back;
  }
  int votes = 0;
  for (int c = 0; c < 3; ++c) votes += u[c] != 0 && t[c] <= s[c] && s[c] <= u[c];
  return votes >= p.type[1] - '0' ? mark : back;
}

int Between(int a, int b, int i, int d) { return a + (b - a) * i / d; }

// Channels as Picture::Get numbers them: RGB bytes, YUV Y, U, V.
int Channels(const Picture& p) { return p.Format() == PixelFormat::RGB32 ? 4 : 3; }

void ExpectModel(const Picture& in, const Picture& out, const Params& p, int i, int d) {
  const PixelFormat f = in.Format();
  const int W = in.Width(), H = in.Height();
  int t[3], u[3];
  for (int c = 0; c < 3; ++c) {
    t[c] = p.test ? Between(p.t[c], p.ft[c], i, d) : p.t[c];
    u[c] = p.test ? Between(p.u[c], p.fu[c], i, d) : p.u[c];
  }
  int L = Between(p.lx, p.elx, i, d), T = Between(p.ty, p.ety, i, d);
  int R = Between(p.rx, p.erx, i, d), B = Between(p.by, p.eby, i, d);
  if (f == PixelFormat::YUY2) L &= ~1, R &= ~1;

  const int n = Channels(in);
  std::vector<int> e(static_cast<size_t>(W * H * n));
  auto at = [&](int x, int y, int c) -> int& { return e[static_cast<size_t>((y * W + x) * n + c)]; };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < n; ++c) at(x, y, c) = p.test ? (IsRGB(f) || c == 0 ? 0 : 128) : in.Get(x, y, c);
  for (int y = T; y <= B; ++y)
    for (int x = L; x <= R; ++x) {
      int s[3];
      bool coloured;
      if (IsRGB(f)) {
        s[0] = in.Get(x, y, 1), s[1] = in.Get(x, y, 0), s[2] = in.Get(x, y, 2);
        coloured = !(s[0] == s[1] && s[1] == s[2]);
      } else {
        s[0] = in.Get(x, y, 0), s[1] = in.Get(x, y, 1), s[2] = in.Get(x, y, 2);
        coloured = s[1] != 128 && s[2] != 128;
      }
      const int v = Decide(p, t, u, s, coloured);
      for (int c = 0; c < (IsRGB(f) ? n : 1); ++c) at(x, y, c) = v;
    }
  if (!IsRGB(f)) {  // neutral chroma over the window (YUY2: whole pairs L..R; planar: its blocks)
    for (int y = T; y <= B; ++y)
      for (int x = L; x <= (f == PixelFormat::YUY2 ? R + 1 : R); ++x)
        for (int c = 1; c < 3; ++c) at(x, y, c) = 128;
    if (IsPlanar(f))  // the chroma also covers the other pixels of each touched 2x2 block
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
          if (y / 2 >= T / 2 && y / 2 <= B / 2 && x / 2 >= L / 2 && x / 2 <= R / 2)
            for (int c = 1; c < 3; ++c) at(x, y, c) = 128;
  }
  for (int y = T; y <= B; ++y) at(L, y, 0) = at(R, y, 0) = 128;
  for (int x = L; x <= R; ++x) at(x, T, 0) = at(x, B, 0) = 128;

  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < n; ++c)
        ASSERT_EQ(out.Get(x, y, c), at(x, y, c))
            << "x=" << x << " y=" << y << " c=" << c << " type=" << p.type << " window " << L << "," << T << ".." << R
            << "," << B << (p.test ? " test" : "");
}

class MaskMakerModel : public ::testing::TestWithParam<FormatCase> {};

// Random grey and coloured pixels; a third of them grey so thresholds decide, the rest with
// chroma (or colour bytes) that sometimes equal 128 (or each other) on one side only.
PClip RandomClip(TestHost& host, int type, int W, int H, int frames, std::mt19937& rng) {
  return host.MakeClip(type, W, H, frames, [&](int, Picture& p) {
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 5);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v = byte(rng), k = kind(rng);
        const int a = k < 2 ? v : k == 2 ? 128 : byte(rng), b = k < 2 ? v : k == 3 ? 128 : byte(rng);
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, a, v, k == 4 ? v : b);
        else
          p.SetPixel(x, y, v, k < 2 ? 128 : a, k < 2 ? 128 : b);
      }
  });
}

// `rounds` random parameter sets on a W x H clip.
void CheckRounds(int pixel_type, int W, int H, int rounds, unsigned seed) {
  TestHost host;
  std::mt19937 rng(seed + pixel_type);
  const int N = 4;
  PClip src = RandomClip(host, pixel_type, W, H, N, rng);
  Picture in1 = host.FrameOf(src, 1);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* const types[] = {"c1", "c2", "c3", "a1"};
  for (int round = 0; round < rounds; ++round) {
    Params p;
    p.type = types[round % 4];
    for (int c = 0; c < 3; ++c) {
      p.t[c] = pick(0, 255), p.u[c] = pick(0, 3) == 0 ? 0 : pick(0, 255);
      p.ft[c] = pick(0, 255), p.fu[c] = pick(0, 255);
      if (p.type == "a1") p.t[c] = pick(0, 2) == 0 ? 0 : pick(1, 90);
    }
    if (p.type == "a1" && p.t[0] == 0 && p.t[1] == 0 && p.t[2] == 0) p.t[0] = 7;
    p.fu[0] = std::max(p.fu[0], p.ft[0]);  // not every interval inverted: that is refused
    p.white = pick(0, 1), p.xcol = pick(0, 1), p.test = round % 3 == 2, p.col = pick(0, 255);
    p.lx = pick(0, W - 5), p.rx = pick(p.lx + 4, W - 1), p.ty = pick(0, H - 5), p.by = pick(p.ty + 4, H - 1);
    p.elx = pick(0, W - 6), p.erx = pick(p.elx + 5, W - 1), p.ety = pick(0, H - 6), p.eby = pick(p.ety + 5, H - 1);
    if (round % 4 == 1) p.lx = p.elx = 0, p.rx = p.erx = W - 1;  // the whole width: no copy beside it

    std::vector<Argument> args = {Arg(src),
                                  Named("type", p.type.c_str()),
                                  Named("white", p.white),
                                  Named("xcol", p.xcol),
                                  Named("col", p.col),
                                  Named("test", p.test)};
    const char *lower[] = {"gyt", "rt", "bt"}, *upper[] = {"et", "ert", "ebt"};
    const char *flower[] = {"ft", "fr", "fb"}, *fupper[] = {"fet", "fert", "febt"};
    for (int c = 0; c < 3; ++c) {
      args.push_back(Named(lower[c], p.t[c]));
      args.push_back(Named(upper[c], p.u[c]));
      args.push_back(Named(flower[c], p.ft[c]));
      args.push_back(Named(fupper[c], p.fu[c]));
    }
    for (auto [name, v] : {std::pair<const char*, int>{"lx", p.lx},
                           {"ty", p.ty},
                           {"rx", p.rx},
                           {"by", p.by},
                           {"elx", p.elx},
                           {"ety", p.ety},
                           {"erx", p.erx},
                           {"eby", p.eby}})
      args.push_back(Named(name, v));
    if (p.test) {
      args.push_back(Named("sf", 1));
      args.push_back(Named("ef", 3));
    } else {
      args.push_back(Named("sf", 0));
      args.push_back(Named("ef", 2));
    }
    PClip mask = host.Apply("MaskMaker", args);
    // Test mode: frame 2 is made from frame 1, two thirds of the way. Otherwise frame 1 is
    // half of the way through frames 0..2.
    if (p.test)
      ExpectModel(in1, host.FrameOf(mask, 2), p, 2, 3);
    else
      ExpectModel(in1, host.FrameOf(mask, 1), p, 1, 3);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST_P(MaskMakerModel, EveryByteAgreesWithThePerPixelRules) { CheckRounds(GetParam().pixel_type, 150, 10, 24, 1234); }

// Rows longer than the packed loops' chunks (768 bytes: 384 YUY2 pixels), so windows start and
// end in different chunks and the last chunk is a short one.
TEST_P(MaskMakerModel, WideRowsAgreeAcrossChunks) {
  CheckRounds(GetParam().pixel_type, 852, 8, 8, 99);
  if (HasFatalFailure()) return;
  CheckRounds(GetParam().pixel_type, 1538, 6, 4, 7);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MaskMakerModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
