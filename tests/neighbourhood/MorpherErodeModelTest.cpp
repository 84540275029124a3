// Morpher's erosion-based operations against a model of the erosion pass and the window
// finishing, on masks holding marks, background, 128 and stray values, in windows wide enough
// for the vector loops and their leftover columns: every byte of every plane must agree.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/RandomClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

struct Rect {
  int lx, ty, rx, by;  // inclusive
};

// One erosion pass of `value` over the rectangle, reading samples from `in`, writing `out`
// (sample channel only). Picture rows serve as well as memory rows: the pass is symmetric.
void ErodeModel(const PictureModel& in, PictureModel& out, const Rect& r, int value) {
  const int other = value == 255 ? 0 : 255;
  for (int y = r.ty; y <= r.by; ++y)
    for (int x = r.lx; x <= r.rx; ++x) {
      if (y == r.ty || y == r.by || x == r.lx || x == r.rx) {
        out.Set(x, y, 0, 128);
        continue;
      }
      bool touched = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if ((dx || dy) && in.Get(x + dx, y + dy, 0) == other) touched = true;
      out.Set(x, y, 0, in.Get(x, y, 0) == value && !touched ? value : other);
    }
}

// Grey-out of [lx, rx) x [ty, by).
void GreyOutModel(PictureModel& m, const Rect& r) {
  for (int y = r.ty; y < r.by; ++y)
    for (int x = r.lx; x < r.rx; ++x) {
      if (IsRGB(m.Format())) {
        m.Set(x, y, 1, m.Get(x, y, 0));
        m.Set(x, y, 2, m.Get(x, y, 0));
      } else if (m.Format() == PixelFormat::YUY2) {
        m.Set(x, y, x % 2 == 0 ? 1 : 2, 128);  // the pixel's own chroma byte
      }
    }
  if (IsPlanar(m.Format()))
    for (int cy = r.ty / 2; cy < r.by / 2; ++cy)
      for (int cx = r.lx / 2; cx < r.rx / 2; ++cx) {
        m.Set(2 * cx, 2 * cy, 1, 128);
        m.Set(2 * cx, 2 * cy, 2, 128);
      }
}

PictureModel Expected(const Picture& src, const std::string& type, bool white, const Rect& r) {
  const int mark = white ? 255 : 0, back = 255 - mark;
  const PictureModel in(src);
  PictureModel out(src);
  if (type == "erode" || type == "dilate") {
    ErodeModel(in, out, r, type == "erode" ? mark : back);
    GreyOutModel(out, r);
    // Row by and column rx of the rectangle show the source pixel again (its sample and, for
    // YUY2, its own chroma byte, which the grey-out did not reach).
    for (int y = r.ty; y <= r.by; ++y)
      for (int x = r.lx; x <= r.rx; ++x)
        if (y == r.by || x == r.rx)
          for (int c = 0; c < (IsRGB(in.Format()) ? in.Channels() : 1); ++c) out.Set(x, y, c, in.Get(x, y, c));
    return out;
  }
  PictureModel scratch(src);
  const bool close = type == "close";
  ErodeModel(in, scratch, r, close ? mark : back);
  ErodeModel(scratch, out, r, close ? back : mark);
  GreyOutModel(out, r);
  return out;
}

class MorpherErodeModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MorpherErodeModel, ErosionPassesAndFinishingAgreeWithTheModel) {
  TestHost host;
  std::mt19937 rng(31 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int W = 158, H = 12;
  PClip mask = host.MakeClip(GetParam().pixel_type, W, H, 1, [&](int, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int k = pick(0, 19);
        const int v = k < 9 ? 255 : k < 17 ? 0 : k < 19 ? 128 : pick(0, 255);
        p.SetPixel(x, y, v, pick(0, 255), pick(0, 255));
      }
  });
  const Picture src = host.FrameOf(mask, 0);
  const char* const types[] = {"erode", "dilate", "close", "open"};
  for (int round = 0; round < 16; ++round) {
    const std::string type = types[round % 4];
    const bool white = round % 8 < 4;
    Rect r{pick(0, W - 3), pick(0, H - 3), 0, 0};
    r.rx = pick(r.lx + 2, W - 1), r.by = pick(r.ty + 2, H - 1);
    if (round % 5 == 0) r.lx = 0, r.rx = W - 1;
    PClip out = host.Apply("Morpher", {Arg(mask), Named("type", type.c_str()), Named("white", white), Named("lx", r.lx),
                                       Named("ty", r.ty), Named("rx", r.rx), Named("by", r.by)});
    ASSERT_TRUE(Expected(src, type, white, r).Matches(host.FrameOf(out, 0)))
        << type << (white ? " white" : " black") << " window " << r.lx << "," << r.ty << ".." << r.rx << "," << r.by;
  }
}

// Frames from a few pixels wide to past the widest vectors with leftover columns (rows of exactly
// one and two 64-sample runs inside the edge columns, and runs that overlap), odd and even
// heights; windows covering the frame, touching each edge, the narrowest allowed, and random.
TEST_P(MorpherErodeModel, EveryFrameSizeAndWindowPlacementAgreesWithTheModel) {
  TestHost host;
  std::mt19937 rng(77 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* const types[] = {"erode", "dilate", "close", "open"};
  const int sizes[][2] = {{4, 3},  {6, 5},  {17, 7},  {34, 4},  {47, 9},  {64, 6},
                          {66, 5}, {70, 5}, {130, 4}, {131, 3}, {160, 8}, {199, 5}};
  for (const auto& size : sizes) {
    int W = size[0], H = size[1];
    FitToFormat(GetParam().pixel_type, &W, &H);
    PClip mask = RandomClip(host, GetParam().pixel_type, W, H, rng, [&] {
      const int k = pick(0, 19);
      return k < 11 ? 255 : k < 18 ? 0 : k < 19 ? 128 : pick(0, 255);
    });
    const Picture src = host.FrameOf(mask, 0);
    for (int round = 0; round < 12; ++round) {
      const std::string type = types[round % 4];
      const bool white = round % 8 < 4;
      Rect r{0, 0, W - 1, H - 1};
      if (round / 4 == 1) {
        r = Rect{pick(0, W - 3), pick(0, H - 3), 0, 0};
        r.rx = pick(r.lx + 2, W - 1), r.by = pick(r.ty + 2, H - 1);
      } else if (round / 4 == 2) {
        r.lx = pick(0, W - 3), r.rx = r.lx + 2;  // three columns, every row
      }
      PClip out = host.Apply("Morpher", {Arg(mask), Named("type", type.c_str()), Named("white", white),
                                         Named("lx", r.lx), Named("ty", r.ty), Named("rx", r.rx), Named("by", r.by)});
      ASSERT_TRUE(Expected(src, type, white, r).Matches(host.FrameOf(out, 0)))
          << W << "x" << H << " " << type << (white ? " white" : " black") << " window " << r.lx << "," << r.ty << ".."
          << r.rx << "," << r.by;
    }
  }
}

// Every window width from the narrowest to past two vectors of words, and wider ones in steps,
// so every leftover column count of the row loops is met; the window starts at the frame's left
// edge, at an odd column and further in, and ends at the right edge or short of it; RGB32's
// fourth bytes and YUY2's chroma are random and must come through where they are kept.
TEST_P(MorpherErodeModel, EveryWindowWidthAgreesWithTheModel) {
  TestHost host;
  VideoInfo vi{};
  vi.pixel_type = GetParam().pixel_type;
  const PixelFormat format = FormatOf(vi);
  std::mt19937 rng(5 + GetParam().pixel_type);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int W = 214, H = IsPlanar(format) ? 6 : 5;
  PClip mask = RandomClip(host, GetParam().pixel_type, W, H, rng, [&] {
    const int k = pick(0, 19);
    return k < 12 ? 255 : k < 18 ? 0 : k < 19 ? 128 : pick(0, 255);
  });
  const Picture src = host.FrameOf(mask, 0);
  std::vector<int> widths;
  for (int w = 3; w <= 72; ++w) widths.push_back(w);
  for (int w = 125; w <= 205; w += 4) widths.push_back(w);
  const char* const types[] = {"erode", "dilate", "close", "open"};
  int round = 0;
  for (int width : widths)
    for (int place = 0; place < 3; ++place, ++round) {
      const int lx = place == 0 ? 0 : place == 1 ? 1 : W - width;
      const int ty = round % 2, by = H - 1 - (round / 2) % 2;
      const Rect r{lx, ty, lx + width - 1, by};
      const std::string type = types[round % 4];
      const bool white = (round / 4) % 2 == 0;
      PClip out = host.Apply("Morpher", {Arg(mask), Named("type", type.c_str()), Named("white", white),
                                         Named("lx", r.lx), Named("ty", r.ty), Named("rx", r.rx), Named("by", r.by)});
      ASSERT_TRUE(Expected(src, type, white, r).Matches(host.FrameOf(out, 0)))
          << type << (white ? " white" : " black") << " window " << r.lx << "," << r.ty << ".." << r.rx << "," << r.by;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MorpherErodeModel, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
