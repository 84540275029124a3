// ColorLine against a model of its fills: each seed on a 0 or 255 sample floods the 8-connected
// area of that value pixel by pixel in a copy of the mask (marked 128, so later seeds stop at it)
// and writes the seed's colour as it stands into every pixel of it. Masks with many small
// regions, corner-only contacts, long runs across word boundaries and areas reaching all four
// edges, in every format and at widths on both sides of the word-at-a-time scans: every byte of
// every plane must agree, on every frame of a drifting range.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/seeded/SampleGrid.h"
#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct LineSeed {
  int x, y, colour;
};

// The colour written as it stands: R, G, B into bytes 0, 1, 2 for RGB; Y, U, V for YUV.
void SolidModel(PictureModel& m, int x, int y, int colour) {
  const int R = (colour >> 16) & 255, G = (colour >> 8) & 255, B = colour & 255;
  if (IsRGB(m.Format())) {
    m.Set(x, y, 0, R), m.Set(x, y, 1, G), m.Set(x, y, 2, B);
    return;
  }
  m.Set(x, y, 0, static_cast<int>(0.587 * G + 0.299 * R + 0.114 * B));
  m.Set(x, y, 1, static_cast<int>(0.5 * B - (0.332 * G + 0.169 * R) + 128));
  m.Set(x, y, 2, static_cast<int>(0.5 * R - 0.419 * G - 0.0813 * B + 128));
}

// The frame ColorLine should give for seeds already moved to this frame's positions.
PictureModel Expected(const Picture& picture, const Picture& mask, const std::vector<LineSeed>& seeds, bool pshow,
                      int pcolor) {
  PictureModel out(picture);
  const int W = picture.Width(), H = picture.Height();
  SampleGrid samples(mask);
  auto at = [&](int x, int y) -> int& { return samples.At(x, y); };
  for (const LineSeed& s : seeds) {
    const int v = at(s.x, s.y);
    if (v == 0 || v == 255) {
      std::vector<std::pair<int, int>> pending{{s.x, s.y}};
      at(s.x, s.y) = 128;
      while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        SolidModel(out, x, y, s.colour);
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= W || ny >= H || at(nx, ny) != v) continue;
            at(nx, ny) = 128;
            pending.push_back({nx, ny});
          }
      }
    }
    if (pshow) SolidModel(out, s.x, s.y, pcolor);
  }
  return out;
}

// Mask styles: 0 speckle of black and white (regions meet at corners everywhere), 1 long black
// runs broken by white walls and grey islands, 2 a checkerboard (each colour one area, joined
// only through corners) with grey blots, 3 diagonal stripes of black and white one or two
// pixels wide (joined only through corners along each stripe).
int MaskSample(int style, int x, int y, std::mt19937& rng) {
  const int k = std::uniform_int_distribution<int>(0, 99)(rng);
  switch (style) {
    case 0: return k < 46 ? 0 : k < 92 ? 255 : k < 96 ? 128 : k;
    case 1: return k < 82 ? 0 : k < 93 ? 255 : k < 97 ? 128 : 7;
    case 2: return k < 3 ? 100 : (x + y) % 2 == 0 ? 0 : 255;
    default: return k < 2 ? 128 : ((x + y) / 2) % 2 == 0 ? 0 : 255;
  }
}

struct Shape {
  int w, h;
};

class ColorLineModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ColorLineModel, AreasAndPaintAgreeWithAPixelByPixelFlood) {
  TestHost host;
  const int type = GetParam().pixel_type;
  const bool planar = type == VideoInfo::CS_YV12 || type == VideoInfo::CS_I420;
  std::mt19937 rng(11 + type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // YUV frames need even widths and planar ones even heights; RGB also gets odd widths.
  const bool rgb = type == VideoInfo::CS_BGR24 || type == VideoInfo::CS_BGR32;
  std::vector<Shape> shapes;
  for (const Shape& s : std::vector<Shape>{{1, 1}, {3, 5}, {37, 9}, {69, 11}, {131, 7}, {167, 13}, {200, 5}})
    shapes.push_back({rgb ? s.w : (s.w + 1) & ~1, planar ? (s.h + 1) & ~1 : s.h});
  int round = 0;
  for (const Shape& shape : shapes) {
    for (int style = 0; style < 4; ++style, ++round) {
      const int W = shape.w, H = shape.h, frames = 4, sf = 1, ef = 3;
      PClip picture = host.MakeClip(type, W, H, frames, [&](int, Picture& p) {
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) p.SetPixel(x, y, pick(0, 255), pick(0, 255), pick(0, 255));
      });
      // Another mask on every frame; the bytes beside the sample differ from it, so reading the
      // wrong byte of an RGB pixel shows.
      PClip mask = host.MakeClip(type, W, H, frames, [&](int, Picture& p) {
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) {
            const int v = MaskSample(style, x, y, rng);
            p.SetPixel(x, y, v, 255 - v, 77);
          }
      });
      // Seeds anywhere (on edges too) whose full drift stays inside the frame.
      const int movex = pick(-W / 2, W / 2), movey = pick(-H / 2, H / 2);
      std::vector<LineSeed> seeds;
      std::vector<Argument> args = {Arg(picture), Arg(mask), Arg(sf), Arg(ef)};
      const int count = pick(1, 6);
      for (int i = 0; i < count; ++i) {
        const int x = movex >= 0 ? pick(0, W - 1 - movex) : pick(-movex, W - 1);
        const int y = movey >= 0 ? pick(0, H - 1 - movey) : pick(-movey, H - 1);
        seeds.push_back({x, y, pick(0, 0xFFFFFF)});
        for (int v : {seeds.back().x, seeds.back().y, seeds.back().colour}) args.push_back(Arg(v));
      }
      const bool pshow = round % 3 == 1;
      const int pcolor = pick(0, 0xFFFFFF);
      args.push_back(Named("pshow", pshow));
      args.push_back(Named("pcolor", pcolor));
      args.push_back(Named("movex", movex));
      args.push_back(Named("movey", movey));
      ASSERT_EQ(host.ErrorOf("ColorLine", args), "") << W << "x" << H << " " << movex << "," << movey;
      PClip filtered = host.Apply("ColorLine", args);
      for (int n = 0; n < frames; ++n) {
        const Picture in = host.FrameOf(picture, n);
        if (n < sf) {
          ASSERT_TRUE(PictureModel(in).Matches(host.FrameOf(filtered, n))) << "frame " << n;
          continue;
        }
        std::vector<LineSeed> moved = seeds;
        for (LineSeed& s : moved) {
          s.x += (n - sf) * movex / (ef - sf);
          s.y += (n - sf) * movey / (ef - sf);
        }
        const PictureModel expected = Expected(in, host.FrameOf(mask, n), moved, pshow, pcolor);
        ASSERT_TRUE(expected.Matches(host.FrameOf(filtered, n)))
            << W << "x" << H << " style " << style << " frame " << n;
      }
    }
  }
}

// One area covering the frame, seeded at each corner and the middle: every pixel painted, in
// frames wide enough for several blocks of the scans on both sides of the seed.
TEST_P(ColorLineModel, WholeFrameAreaFromAnyPoint) {
  TestHost host;
  const int type = GetParam().pixel_type;
  const int W = 198, H = 10;
  for (const auto& [sx, sy] : {std::pair{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}, {W / 2 + 3, H / 2}}) {
    for (int value : {0, 255}) {
      PClip picture = host.MakeClip(type, W, H, 1, [&](int, Picture& p) {
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) p.SetPixel(x, y, (x * 7 + y) % 256, x % 256, y * 9);
      });
      PClip mask = host.MakeClip(type, W, H, 1, [&](int, Picture& p) {
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) p.SetPixel(x, y, value, 255 - value, 77);
      });
      PClip filtered =
          host.Apply("ColorLine", {Arg(picture), Arg(mask), Arg(0), Arg(0), Arg(sx), Arg(sy), Arg(0x12AB34)});
      PictureModel expected(host.FrameOf(picture, 0));
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) SolidModel(expected, x, y, 0x12AB34);
      ASSERT_TRUE(expected.Matches(host.FrameOf(filtered, 0))) << sx << "," << sy << " on " << value;
    }
  }
}

// The picture clip as its own mask: the fills see the samples as they were, not the colours
// earlier seeds painted (white and black paint 255 and 0 into the sample byte, which a fill
// reading the painted frame would take for a seedable area).
TEST_P(ColorLineModel, PictureAsItsOwnMaskKeepsTheSamplesItStartedWith) {
  TestHost host;
  const int type = GetParam().pixel_type;
  std::mt19937 rng(5 + type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int W = 140, H = 12;
  PClip picture = host.MakeClip(type, W, H, 1, [&](int, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v = pick(0, 9) < 5 ? 0 : 255;
        p.SetPixel(x, y, v, 255 - v, 77);
      }
  });
  std::vector<LineSeed> seeds;
  std::vector<Argument> args = {Arg(picture), Arg(picture), Arg(0), Arg(0)};
  for (int i = 0; i < 12; ++i) {
    seeds.push_back({pick(0, W - 1), pick(0, H - 1), i % 2 ? 0xFFFFFF : 0x000000});
    for (int v : {seeds.back().x, seeds.back().y, seeds.back().colour}) args.push_back(Arg(v));
  }
  const Picture in = host.FrameOf(picture, 0);
  PClip filtered = host.Apply("ColorLine", args);
  ASSERT_TRUE(Expected(in, in, seeds, false, 0).Matches(host.FrameOf(filtered, 0)));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ColorLineModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
