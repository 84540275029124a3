// ColorDrops against a model of its fills: a breadth-first flood of each seed's 4-connected
// region in a copy of the mask, every pixel painted by the painting rules, on ragged masks wide
// enough for the fill's word-at-a-time scans (and their leftover columns), with shifts,
// stretches, refills and marker dots: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "tests/seeded/SampleGrid.h"
#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Drop {
  int x, y, colour;
};

int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

// One pixel painted with `colour`, its brightness adjusted by shift/st.
void PaintModel(PictureModel& m, int x, int y, int colour, bool shift, int st) {
  const int R = (colour >> 16) & 255, G = (colour >> 8) & 255, B = colour & 255;
  const int U = static_cast<int>(0.5 * B - (0.332 * G + 0.169 * R) + 128);
  const int V = static_cast<int>(0.5 * R - 0.419 * G - 0.0813 * B + 128);
  auto adjust = [&](int n) -> int64_t {
    if (st == 0) return n;
    return shift ? int64_t{n} + st : n + int64_t{st} * n / 100;
  };
  if (IsRGB(m.Format())) {
    const int64_t N = adjust(m.Get(x, y, 0));
    m.Set(x, y, 0, Clamp255(N + static_cast<int>(1.4075 * (V - 128))));
    m.Set(x, y, 1, Clamp255(N + static_cast<int>(-0.3455 * (U - 128) - 0.7169 * (V - 128))));
    m.Set(x, y, 2, Clamp255(N + static_cast<int>(1.779 * (U - 128))));
    return;
  }
  if (st != 0) m.Set(x, y, 0, Clamp255(adjust(m.Get(x, y, 0))));
  m.Set(x, y, 1, U);
  m.Set(x, y, 2, V);
}

// The frame ColorDrops should give: seeds in order, each flooding its region of equal samples
// (marked 128 in the mask copy), or with wshed a region already marked 128 (marked 129).
PictureModel Expected(const Picture& picture, const Picture& mask, const std::vector<Drop>& drops, bool shift, int st,
                      bool wshed, bool pshow, int pcolor) {
  PictureModel out(picture);
  const int W = picture.Width(), H = picture.Height();
  SampleGrid samples(mask);
  auto at = [&](int x, int y) -> int& { return samples.At(x, y); };
  for (const Drop& d : drops) {
    const int m = at(d.x, d.y);
    if (m != 128 || wshed) {
      const int k = m == 128 ? 129 : 128;
      std::deque<std::pair<int, int>> queue{{d.x, d.y}};
      at(d.x, d.y) = k;
      while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        PaintModel(out, x, y, d.colour, shift, st);
        for (auto [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
          if (nx < 0 || ny < 0 || nx >= W || ny >= H || at(nx, ny) != m) continue;
          at(nx, ny) = k;
          queue.push_back({nx, ny});
        }
      }
    }
    if (pshow) {  // the marker dot: raw components for RGB, Y, U, V for YUV
      const int R = (pcolor >> 16) & 255, G = (pcolor >> 8) & 255, B = pcolor & 255;
      if (IsRGB(out.Format())) {
        out.Set(d.x, d.y, 0, R), out.Set(d.x, d.y, 1, G), out.Set(d.x, d.y, 2, B);
      } else {
        out.Set(d.x, d.y, 0, static_cast<int>(0.587 * G + 0.299 * R + 0.114 * B));
        out.Set(d.x, d.y, 1, static_cast<int>(0.5 * B - (0.332 * G + 0.169 * R) + 128));
        out.Set(d.x, d.y, 2, static_cast<int>(0.5 * R - 0.419 * G - 0.0813 * B + 128));
      }
    }
  }
  return out;
}

class ColorDropsModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ColorDropsModel, RegionsAndPaintAgreeWithABreadthFirstFlood) {
  TestHost host;
  std::mt19937 rng(7 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int W = 166, H = 14;
  PClip picture = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) p.SetPixel(x, y, pick(0, 255), pick(0, 255), pick(0, 255));
  });
  for (int round = 0; round < 12; ++round) {
    // Long runs of 0 broken by walls of 1, islands of 128 and stray values, so regions are
    // ragged, run across word boundaries and end in the last columns.
    std::vector<int> cells(static_cast<size_t>(W * H));
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int k = pick(0, 99);
        cells[static_cast<size_t>(y * W + x)] = k < 80 ? 0 : k < 92 ? 1 : k < 97 ? 128 : pick(0, 255);
      }
    PClip mask = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          const int v = cells[static_cast<size_t>(y * W + x)];
          p.SetPixel(x, y, v, 255 - v, 77);
        }
    });
    std::vector<Drop> drops;
    std::vector<Argument> args = {Arg(picture), Arg(mask), Arg(0), Arg(0)};
    for (int i = 0; i < 4; ++i) {
      drops.push_back({pick(0, W - 1), pick(0, H - 1), pick(0, 0xFFFFFF)});
      for (int v : {drops.back().x, drops.back().y, drops.back().colour}) args.push_back(Arg(v));
    }
    const bool shift = round % 3 != 2, wshed = pick(0, 1), pshow = round % 4 == 3;
    const int st = shift ? pick(-255, 255) : pick(-100, 400), pcolor = pick(0, 0xFFFFFF);
    if (round % 5 == 0)
      args.push_back(Named("st", 0));
    else
      args.push_back(Named("st", st));
    args.push_back(Named("shift", shift));
    args.push_back(Named("wshed", wshed));
    args.push_back(Named("pshow", pshow));
    args.push_back(Named("pcolor", pcolor));
    PClip filtered = host.Apply("ColorDrops", args);
    const PictureModel expected = Expected(host.FrameOf(picture, 0), host.FrameOf(mask, 0), drops, shift,
                                           round % 5 == 0 ? 0 : st, wshed, pshow, pcolor);
    ASSERT_TRUE(expected.Matches(host.FrameOf(filtered, 0))) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ColorDropsModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
