// ColorBrush through its registered signature, in every format.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "tests/seeded/SeededScenes.h"

namespace tintara::testing {
namespace {

std::vector<Argument> BrushArgs(const PClip& picture, const PClip& mask, int sf, int ef, std::vector<int> strokes,
                                std::vector<Argument> named = {}) {
  std::vector<Argument> args = {Arg(picture), Arg(mask), Arg(sf), Arg(ef)};
  for (int v : strokes) args.push_back(Arg(v));
  for (auto& a : named) args.push_back(a);
  return args;
}

using Pixels = std::set<std::pair<int, int>>;

// The pixels carrying the white line colour (RGB 255, 255, 255; YUV luma 255; the picture's
// own luma stays below 220).
Pixels WhitePixels(const Picture& p) {
  Pixels found;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (p.Get(x, y, 0) == 255 && (!IsRGB(p.Format()) || (p.Get(x, y, 1) == 255 && p.Get(x, y, 2) == 255)))
        found.insert({x, y});
  return found;
}

class ColorBrushFormats : public SeededFormats {
 protected:
  // The pixels a stroke visits on frame n, shown by its line over an all-zero mask.
  Pixels Walk(std::vector<int> stroke, int w = 24, int h = 16) {
    PClip mask = MaskClip(host, Type(), w, h, [](int, int) { return 0; });
    PClip pic = PictureClip(host, Type(), w, h);
    PClip out =
        host.Apply("ColorBrush", BrushArgs(pic, mask, 0, 0, stroke, {Named("lshow", true), Named("lcol", 0xFFFFFF)}));
    return WhitePixels(host.FrameOf(out, 0));
  }
  TestHost host;
};

Pixels Row(int y, int from, int to) {
  Pixels p;
  for (int x = from; x <= to; ++x) p.insert({x, y});
  return p;
}

TEST_P(ColorBrushFormats, HorizontalAndVerticalStrokesVisitBothEnds) {
  EXPECT_EQ(Walk({10, 5, 20, 5, 0xFF0000}), Row(5, 10, 20));
  EXPECT_EQ(Walk({20, 0, 10, 0, 0xFF0000}), Row(0, 10, 20));  // top picture row, leftward
  Pixels column;
  for (int y = 5; y <= 15; ++y) column.insert({10, y});
  EXPECT_EQ(Walk({10, 5, 10, 15, 0xFF0000}), column);
  EXPECT_EQ(Walk({10, 15, 10, 5, 0xFF0000}), column);
}

TEST_P(ColorBrushFormats, SteepStrokesTruncateTowardZeroInBothDirections) {
  // Down: x = (y * 4) / 10. Up from (4, 10): x = 4 + ((y - 10) * -4) / -10, which truncates the
  // other way, so the two directions differ at rows 3, 5 and 8.
  const int down[] = {0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 4};
  const int up[] = {0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4};
  Pixels expectDown, expectUp;
  for (int y = 0; y <= 10; ++y) {
    expectDown.insert({down[y], y});
    expectUp.insert({up[y], y});
  }
  EXPECT_EQ(Walk({0, 0, 4, 10, 0xFF}), expectDown);
  EXPECT_EQ(Walk({4, 10, 0, 0, 0xFF}), expectUp);
}

TEST_P(ColorBrushFormats, ShallowStrokesTruncateTowardZeroInBothDirections) {
  // Right: y = 5 + ((x - 10) * 3) / 10. Left from (20, 8): y = 8 + ((x - 20) * -3) / -10.
  const int right[] = {5, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8};
  const int left[] = {5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 8};
  Pixels expectRight, expectLeft;
  for (int x = 10; x <= 20; ++x) {
    expectRight.insert({x, right[x - 10]});
    expectLeft.insert({x, left[x - 10]});
  }
  EXPECT_EQ(Walk({10, 5, 20, 8, 0xFF}), expectRight);
  EXPECT_EQ(Walk({20, 8, 10, 5, 0xFF}), expectLeft);
  // Exactly diagonal counts as shallow: one pixel per column.
  Pixels diagonal;
  for (int i = 0; i <= 6; ++i) diagonal.insert({3 + i, 9 - i});
  EXPECT_EQ(Walk({3, 9, 9, 3, 0xFF}), diagonal);
}

TEST_P(ColorBrushFormats, OnePixelStrokeDoesNothingButMarksTheMask) {
  EXPECT_EQ(Walk({7, 7, 7, 7, 0xFF}), Pixels());
  // Its start pixel is still set to 1 in the mask copy, so a later stroke through it fills there.
  PClip mask = MaskClip(host, Type(), 16, 10, [](int, int) { return 0; });
  PClip pic = PictureClip(host, Type(), 16, 10);
  PClip out =
      host.Apply("ColorBrush", BrushArgs(pic, mask, 0, 0, {7, 7, 7, 7, kRed.colour, 0, 7, 12, 7, kBlue.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  EXPECT_TRUE(Painted(o, in, 0, 7, kBlue));  // the second stroke's forced start
  EXPECT_TRUE(Painted(o, in, 7, 7, kBlue));  // the one-pixel stroke's mark
  if (IsRGB(o.Format())) {
    EXPECT_TRUE(Untouched(o, in, 4, 7));
    EXPECT_TRUE(Untouched(o, in, 12, 7));
  } else {
    EXPECT_EQ(o.Get(12, 7, 1), in.Get(12, 7, 1));
  }
}

TEST_P(ColorBrushFormats, FillsEveryOneRegionItCrossesOnce) {
  const int W = 20, H = 10;
  // Regions of 1: A columns 4-7 (all rows), B columns 12-15 rows 2-5, C from column 16 and row 6
  // (touching B only at a corner), D column 0 (never crossed, not next to a start pixel).
  auto inA = [](int x, int) { return x >= 4 && x < 8; };
  auto inB = [](int x, int y) { return x >= 12 && x < 16 && y >= 2 && y < 6; };
  PClip mask = MaskClip(host, Type(), W, H,
                        [&](int x, int y) { return inA(x, y) || inB(x, y) || (x >= 16 && y >= 6) || x == 0 ? 1 : 0; });
  PClip pic = PictureClip(host, Type(), W, H);
  // Blue crosses A and B along row 4; red then crosses both again along row 3, starting in B.
  PClip out =
      host.Apply("ColorBrush", BrushArgs(pic, mask, 0, 0, {2, 4, 14, 4, kBlue.colour, 14, 3, 6, 3, kRed.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  const PixelFormat f = o.Format();
  // YUV pixels sharing their chroma with red's start pixel (14, 3).
  auto sharesRedChroma = [&](int x, int y) {
    return (f == PixelFormat::YUY2 && x / 2 == 7 && y == 3) || (IsPlanar(f) && x / 2 == 7 && y / 2 == 1);
  };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      if ((x == 14 && y == 3) || sharesRedChroma(x, y)) {
        EXPECT_TRUE(PaintedInTurn(o, in, x, y, {&kBlue, &kRed}));  // only the start pixel repaints
      } else if (inA(x, y) || inB(x, y) || (x == 2 && y == 4)) {
        EXPECT_TRUE(Painted(o, in, x, y, kBlue));
      } else if (IsRGB(f)) {
        EXPECT_TRUE(Untouched(o, in, x, y));
      }
    }
  EXPECT_TRUE(Untouched(o, in, 17, 8));
  EXPECT_TRUE(Untouched(o, in, 0, 4));
}

TEST_P(ColorBrushFormats, StartOnZeroFloodsOnesTouchingIt) {
  PClip mask = MaskClip(host, Type(), 12, 8, [](int x, int y) { return x >= 4 && x < 8 && y < 4 ? 1 : 0; });
  PClip pic = PictureClip(host, Type(), 12, 8);
  PClip out = host.Apply("ColorBrush", BrushArgs(pic, mask, 0, 0, {3, 2, 3, 7, kRed.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) EXPECT_TRUE(Painted(o, in, x, y, kRed));
  EXPECT_TRUE(Painted(o, in, 3, 2, kRed));
  if (IsRGB(o.Format())) {
    EXPECT_TRUE(Untouched(o, in, 3, 3));
    EXPECT_TRUE(Untouched(o, in, 3, 7));
  }
  EXPECT_TRUE(Untouched(o, in, 9, 6));
}

TEST_P(ColorBrushFormats, DriftCountsFromFrameZeroAndSkipsStrokesLeavingTheFrame) {
  const int W = 24, H = 6;
  PClip mask = MaskClip(
      host, Type(), W, H, [](int, int) { return 0; }, 21);
  PClip pic = PictureClip(host, Type(), W, H, 21);
  auto run = [&](std::vector<int> stroke, int movex, int movey) {
    return host.Apply("ColorBrush", BrushArgs(pic, mask, 10, 20, stroke,
                                              {Named("movex", movex), Named("movey", movey), Named("lshow", true),
                                               Named("lcol", 0xFFFFFF)}));
  };
  // Drift n * 5 / 10: 5, 7 and 10 at frames 10, 15 and 20 (already 5 at the first frame).
  PClip right = run({0, 1, 2, 1, 0xFF}, 5, 0);
  EXPECT_EQ(WhitePixels(host.FrameOf(right, 10)), Row(1, 5, 7));
  EXPECT_EQ(WhitePixels(host.FrameOf(right, 15)), Row(1, 7, 9));
  EXPECT_EQ(WhitePixels(host.FrameOf(right, 20)), Row(1, 10, 12));
  EXPECT_TRUE(SameFrames(host.FrameOf(right, 9), host.FrameOf(pic, 9)));
  // Negative drift truncates toward zero: -7.5 is -7.
  PClip left = run({20, 2, 22, 2, 0xFF}, -5, 0);
  EXPECT_EQ(WhitePixels(host.FrameOf(left, 15)), Row(2, 13, 15));
  // Vertical: 17 * 3 / 10 = 5 rows down at frame 17; the stroke leaves the frame at frame 20.
  PClip down = run({3, 0, 5, 0, 0xFF}, 0, 3);
  EXPECT_EQ(WhitePixels(host.FrameOf(down, 17)), Row(5, 3, 5));
  EXPECT_EQ(WhitePixels(host.FrameOf(down, 20)), Pixels());
  // At frame 12 the far end reaches 18 + 6 = W while the near end is inside: skipped whole.
  PClip edge = run({14, 3, 18, 3, 0xFF}, 5, 0);
  EXPECT_EQ(WhitePixels(host.FrameOf(edge, 10)), Row(3, 19, 23));
  EXPECT_EQ(WhitePixels(host.FrameOf(edge, 12)), Pixels());
  EXPECT_TRUE(SameFrames(host.FrameOf(edge, 12), host.FrameOf(pic, 12)));
}

TEST_P(ColorBrushFormats, OutputDoesNotDependOnPoison) {
  auto run = [&](uint8_t poison) {
    TestHost h(poison);
    PClip mask = MaskClip(h, Type(), 12, 8, [](int x, int y) { return (x * y) % 4 == 1 ? 0 : 1; });
    PClip pic = PictureClip(h, Type(), 12, 8);
    PClip out = h.Apply("ColorBrush", BrushArgs(pic, mask, 0, 0, {0, 0, 11, 7, kRed.colour, 11, 0, 0, 5, kBlue.colour},
                                                {Named("lshow", true), Named("st", 9)}));
    Picture p = h.FrameOf(out, 0);
    std::vector<int> bytes;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x)
        for (int c = 0; c < (p.Format() == PixelFormat::RGB32 ? 4 : 3); ++c) bytes.push_back(p.Get(x, y, c));
    return bytes;
  };
  EXPECT_EQ(run(0x00), run(0xFF));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ColorBrushFormats, ::testing::ValuesIn(AllFormats()), FormatName);

TEST(ColorBrushBrightness, HugeStretchIsAcceptedAndClamped) {
  TestHost host;
  PClip mask = host.MakeClip(VideoInfo::CS_YUY2, 4, 2, 1, [](int, Picture& p) { p.Fill(1, 128, 128); });
  PClip pic = host.MakeClip(VideoInfo::CS_YUY2, 4, 2, 1, [](int, Picture& p) { p.Set(1, 0, 0, 0); });
  PClip out = host.Apply("ColorBrush",
                         BrushArgs(pic, mask, 0, 0, {0, 0, 3, 0, 0}, {Named("shift", false), Named("st", INT_MAX)}));
  Picture o = host.FrameOf(out, 0);
  EXPECT_EQ(o.Get(0, 0, 0), 255);
  EXPECT_EQ(o.Get(1, 0, 0), 0);  // 0 stretched stays 0
  EXPECT_EQ(o.Get(3, 1, 0), 255);
}

// ---- Checks, in order --------------------------------------------------------------------------

class ColorBrushChecks : public ::testing::Test {
 protected:
  // 20x30 RGB24 clips of 5 frames: taller than wide, for the movey boundary.
  PClip Clip(int type = VideoInfo::CS_BGR24, int w = 20, int h = 30, int frames = 5) {
    return host.MakeClip(type, w, h, frames);
  }
  std::string Error(int sf, int ef, std::vector<int> strokes, std::vector<Argument> named = {}, PClip mask = PClip(),
                    PClip pic = PClip()) {
    if (!mask) mask = Clip();
    if (!pic) pic = Clip();
    return host.ErrorOf("ColorBrush", BrushArgs(pic, mask, sf, ef, strokes, named));
  }
  TestHost host;
};

TEST_F(ColorBrushChecks, MessagesAndBoundariesInOrder) {
  const std::vector<int> ok = {0, 0, 19, 29, 0};
  const std::string frames =
      "ColorBrush:invalid frame numbers being either -ve or non existant or start being higher than end frame";
  EXPECT_EQ(Error(-1, 2, ok), frames);
  EXPECT_EQ(Error(3, 2, ok), frames);
  EXPECT_EQ(Error(0, 5, ok), frames);
  EXPECT_EQ(Error(4, 4, ok), "");
  EXPECT_EQ(Error(0, 5, {1}, {}, Clip(VideoInfo::CS_YUY2)), frames);
  EXPECT_EQ(Error(0, 4, {1}, {}, Clip(VideoInfo::CS_BGR32)), "ColorBrush:Clips have differing pixel_types");
  PClip odd = new InfoClip(kUnsupportedType, 20, 30, 5);
  EXPECT_EQ(Error(0, 4, {1}, {}, odd, odd), "ColorBrush: This color format is not supported here");
  // YV24 holds every bit of YV12 but is not YV12.
  PClip yv24 = new InfoClip(static_cast<int>(0xA000030Bu), 20, 30, 5);
  EXPECT_EQ(Error(0, 4, {1}, {}, yv24, yv24), "ColorBrush: This color format is not supported here");
  EXPECT_EQ(Error(0, 4, {1}, {}, Clip(VideoInfo::CS_BGR24, 20, 31)),
            "ColorBrush: The heights/widths of clips are unequal");
  EXPECT_EQ(Error(0, 4, {1}, {}, Clip(VideoInfo::CS_BGR24, 21, 30)),
            "ColorBrush: The heights/widths of clips are unequal");
  const std::string mask = "ColorBrush:The Right Clip has fewer frames than the end frame number given";
  EXPECT_EQ(Error(0, 3, {1}, {}, Clip(VideoInfo::CS_BGR24, 20, 30, 3)), mask);
  EXPECT_EQ(Error(0, 3, ok, {}, Clip(VideoInfo::CS_BGR24, 20, 30, 4)), "");  // ef + 1 frames
  const std::string count = "ColorBrush: A value may be missing or may be extra in the  parameter sets";
  EXPECT_EQ(Error(0, 4, {1, 2, 3, 4}), count);
  EXPECT_EQ(Error(0, 4, {0, 0, 1, 1, 0, 5}), count);
  const std::string negative = "ColorBrush:One or more coordinates in the sets is invalid being negative";
  const std::string out = "ColorBrush:One or more coordinates in the sets is invalid being out of frame";
  EXPECT_EQ(Error(0, 4, {0, 0, 0, -1, 0}), negative);
  EXPECT_EQ(Error(0, 4, {-1, 0, 99, 0, 0}), negative);  // negative is tested first in a stroke
  EXPECT_EQ(Error(0, 4, {20, 0, 0, 0, 0}), out);
  EXPECT_EQ(Error(0, 4, {0, 0, 0, 30, 0}), out);
  EXPECT_EQ(Error(0, 4, {0, 30, 0, 0, 0, -5, 0, 0, 0, 0}), out);  // strokes in order
  EXPECT_EQ(Error(0, 4, {0, 0, 0, 0, -7}), "");                   // the colour is not tested
  const std::string shift = "ColorBrush: shift value being either less than -255 or more than 255 is not valid";
  const std::string stretch = "ColorBrush: stretch value being less than -100 percent not valid";
  EXPECT_EQ(Error(0, 4, ok, {Named("st", 256)}), shift);
  EXPECT_EQ(Error(0, 4, ok, {Named("st", -255)}), "");
  EXPECT_EQ(Error(0, 4, ok, {Named("shift", false), Named("st", 256)}), "");
  EXPECT_EQ(Error(0, 4, ok, {Named("shift", false), Named("st", -101)}), stretch);
  const std::string move = "ColorBrush: movex must be between plus and minus 20 and movey between plus and minus 30";
  EXPECT_EQ(Error(0, 4, ok, {Named("movex", 20)}), move);
  EXPECT_EQ(Error(0, 4, ok, {Named("movex", -21)}), move);
  EXPECT_EQ(Error(0, 4, ok, {Named("movey", 30)}), move);
  EXPECT_EQ(Error(0, 4, ok, {Named("movey", -31)}), move);
  EXPECT_EQ(Error(0, 4, ok, {Named("movex", -20), Named("movey", 29)}), "");
  EXPECT_EQ(Error(0, 4, ok, {Named("movey", 30), Named("st", 300)}), shift);  // brightness is checked first
}

}  // namespace
}  // namespace tintara::testing
