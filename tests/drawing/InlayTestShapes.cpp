// Inlay's "mask" and "nomask" styles: rectangles and ellipses, the window's motion and the
// pixel arithmetic of tinting and painting, in every format.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/drawing/InlayTestSupport.h"

namespace tintara::testing {
namespace {

// kRed painted as itself: RGB puts red into the first byte; YUV Y 76, U 84, V 255.
constexpr Change kSolidRed{255, 0, 0, kRedY};

class InlayShapes : public ::testing::TestWithParam<FormatCase> {
 protected:
  int Type() const { return GetParam().pixel_type; }
  PixelFormat Format() const { return FormatOf(VideoInfoOf(Type(), 2, 2, 1)); }

  // Runs Inlay on a one-frame scene and returns the pixels that show `change`.
  PosSet Run(const char* type, int width, int height, const PosSet& unselected, std::vector<Argument> extra,
             const Change& change) {
    TestHost host;
    PClip main = MainClip(host, Type(), width, height);
    PClip mask = MaskClip(host, Type(), width, height, unselected);
    PClip lined = LinedClip(host, Type(), width, height, {});
    std::vector<Argument> args = {Arg(main), Arg(mask), Arg(lined), Named("type", type), Named("color", kRed)};
    args.insert(args.end(), extra.begin(), extra.end());
    PClip out = host.Apply("Inlay", args);
    if (!out) return {};
    return ChangedPixels(host.FrameOf(out, 0), change);
  }
};

TEST_P(InlayShapes, MaskTintsSelectedPixelsOfRectangle) {
  const PosSet unselected = {{3, 2}, {0, 0}, {7, 4}};
  const PosSet got = Run("mask", 10, 8, unselected,
                         {Named("x", 2), Named("y", 1), Named("w", 5), Named("h", 4), Named("st", 20)}, kTint20);
  EXPECT_EQ(got, Minus(Block(2, 6, 1, 4), unselected)) << Describe(got);
}

TEST_P(InlayShapes, MaskWithoutWindowCoversWholeFrame) {
  const PosSet unselected = {{0, 0}, {9, 7}, {4, 3}};
  const PosSet got = Run("mask", 10, 8, unselected, {Named("st", 20)}, kTint20);
  EXPECT_EQ(got, Minus(Block(0, 9, 0, 7), unselected)) << Describe(got);
}

TEST_P(InlayShapes, NomaskPaintsColourWhateverTheMask) {
  const PosSet got = Run("nomask", 10, 8, {{3, 2}}, {Named("x", 2), Named("y", 1), Named("w", 5), Named("h", 4)},
                         kSolidRed);
  EXPECT_EQ(got, Block(2, 6, 1, 4)) << Describe(got);
}

// Half-axes 3 and 2 around (4, 3): (j*j)/9 + (i*i)/4 <= 1 with j in -3..2 gives row offset 0
// columns 1..6, offsets +-1 |j| <= 2 (4/9 + 1/4 fits, 9/9 + 1/4 does not), offsets +-2 j = 0.
TEST_P(InlayShapes, EllipseCoversPointsInsideItsAxes) {
  const PosSet expected = Union({Row(1, 4, 4), Row(2, 2, 6), Row(3, 1, 6), Row(4, 2, 6), Row(5, 4, 4)});
  const std::vector<Argument> window = {Named("ellipse", true), Named("x", 4), Named("y", 3), Named("w", 3),
                                        Named("h", 2)};
  EXPECT_EQ(Run("nomask", 10, 8, {{2, 2}}, window, kSolidRed), expected);
  std::vector<Argument> tinted = window;
  tinted.push_back(Named("st", 20));
  EXPECT_EQ(Run("mask", 10, 8, {{2, 2}}, tinted, kTint20), Minus(expected, {{2, 2}}));
}

// H = 0: only the centre row, from X - W to X + W - 1. With x = 3 on a 20-wide frame and w left
// to its default, the half-width is the distance to the nearer edge, 3.
TEST_P(InlayShapes, FlatEllipseIsItsCentreRow) {
  const PosSet got = Run("nomask", 20, 6, {}, {Named("ellipse", true), Named("x", 3), Named("y", 2), Named("h", 0)},
                         kSolidRed);
  EXPECT_EQ(got, Row(2, 0, 5)) << Describe(got);
}

// H = 5 > W = 2 around (5, 6): rows only from 6 - 2 to 6 + 1. Row offset -2: j*j/4 <= 1 - 4/25,
// |j| <= 1; offset -1 and +1: |j| <= 1; offset 0: j in -2..1.
TEST_P(InlayShapes, TallEllipseIsCutToWidthRows) {
  const PosSet got = Run("nomask", 12, 14, {},
                         {Named("ellipse", true), Named("x", 5), Named("y", 6), Named("w", 2), Named("h", 5)},
                         kSolidRed);
  EXPECT_EQ(got, Union({Row(4, 4, 6), Row(5, 4, 6), Row(6, 3, 6), Row(7, 4, 6)})) << Describe(got);
}

// Defaults on an 8 x 14 frame: centre (4, 7), half-axes 4 and 7, rows cut to 3..10. Offsets
// -4..-1 and 1..3: i*i/49 <= 16/49 leaves j*j <= 16 * 33/49 > 10, so |j| <= 3; offset 0: -4..3.
TEST_P(InlayShapes, DefaultEllipseIsCentredAndCut) {
  const PosSet got = Run("nomask", 8, 14, {}, {Named("ellipse", true)}, kSolidRed);
  EXPECT_EQ(got, Union({Block(1, 7, 3, 10), Row(7, 0, 0)})) << Describe(got);
}

// A wide ellipse whose bottom row would be the frame's height: centre row 6 of 8 with h = 2
// reaches row 8, which is not touched (the planar chroma after the luma plane stays intact).
// Offsets: -2 j = 0; +-1 j*j/25 <= 3/4, |j| <= 4; 0 j in -5..4.
TEST_P(InlayShapes, EllipseStopsAtFrameBottom) {
  const PosSet got = Run("nomask", 12, 8, {},
                         {Named("ellipse", true), Named("x", 6), Named("y", 6), Named("w", 5), Named("h", 2)},
                         kSolidRed);
  EXPECT_EQ(got, Union({Row(4, 6, 6), Row(5, 2, 10), Row(6, 1, 10), Row(7, 2, 10)})) << Describe(got);
}

// x moves 0 -> 100 and 100 -> 0 over frames 0..3: (100 * d) / 3 truncated toward zero gives
// 0, 33, 66, 100 and 100, 67, 34, 0 (not 66 and 33 going left). h grows 1 -> 2: 1, 1, 1, 2.
TEST_P(InlayShapes, WindowMovesWithTruncation) {
  for (const bool rightwards : {true, false}) {
    TestHost host;
    PClip main = MainClip(host, Type(), 120, 4, 4);
    PClip mask = MaskClip(host, Type(), 120, 4, {}, true, 4);
    PClip lined = LinedClip(host, Type(), 120, 4, {}, 4);
    PClip out = host.Apply("Inlay", {Arg(main), Arg(mask), Arg(lined), Named("type", "nomask"), Named("color", kRed),
                                     Named("x", rightwards ? 0 : 100), Named("ex", rightwards ? 100 : 0),
                                     Named("w", 4), Named("y", 0), Named("h", 1), Named("eh", 2)});
    const int left_edges[2][4] = {{0, 33, 66, 100}, {100, 67, 34, 0}};
    for (int n = 0; n < 4; ++n) {
      const int X = left_edges[rightwards ? 0 : 1][n];
      const PosSet got = ChangedPixels(host.FrameOf(out, n), kSolidRed);
      EXPECT_EQ(got, Block(X, X + 3, 0, n == 3 ? 1 : 0)) << "frame " << n << ": " << Describe(got);
    }
  }
}

// Frames outside sf..ef come back as they were; sf = ef has the start window.
TEST_P(InlayShapes, FrameRangeAndOneFrameRange) {
  TestHost host;
  PClip main = MainClip(host, Type(), 16, 4, 5);
  PClip mask = MaskClip(host, Type(), 16, 4, {}, true, 5);
  PClip lined = LinedClip(host, Type(), 16, 4, {}, 5);
  PClip out = host.Apply("Inlay", {Arg(main), Arg(mask), Arg(lined), Named("type", "nomask"), Named("color", kRed),
                                   Named("sf", 2), Named("ef", 2), Named("x", 0), Named("ex", 8), Named("w", 2),
                                   Named("h", 1)});
  for (int n : {0, 1, 3, 4}) EXPECT_TRUE(ChangedPixels(host.FrameOf(out, n), kSolidRed).empty()) << "frame " << n;
  EXPECT_EQ(ChangedPixels(host.FrameOf(out, 2), kSolidRed), Block(0, 1, 0, 0));
}

// The end width defaults to the start width when that is given, else to the room left at the
// end position (here 40 - 30 = 10).
TEST_P(InlayShapes, EndWindowSizeDefaults) {
  TestHost host;
  PClip main = MainClip(host, Type(), 40, 2, 2);
  PClip mask = MaskClip(host, Type(), 40, 2, {}, true, 2);
  PClip lined = LinedClip(host, Type(), 40, 2, {}, 2);
  auto end_frame = [&](std::vector<Argument> window) {
    std::vector<Argument> args = {Arg(main), Arg(mask), Arg(lined), Named("type", "nomask"), Named("color", kRed)};
    args.insert(args.end(), window.begin(), window.end());
    return ChangedPixels(host.FrameOf(host.Apply("Inlay", args), 1), kSolidRed);
  };
  EXPECT_EQ(end_frame({Named("ex", 30)}), Block(30, 39, 0, 1));
  EXPECT_EQ(end_frame({Named("ex", 24), Named("w", 6), Named("h", 1)}), Block(24, 29, 0, 0));
}

// Tint arithmetic per brightness: columns hold brightness 0, 100, 101, 250 (RGB: in the first
// byte, the other two bytes 60 and 30). Worked for kRed (kV 178, kG -75, kU -78).
struct TintCase {
  const char* name;
  bool shift;
  int st;
  int adjusted[4];  // adjust of 0, 100, 101, 250, clamped to 0..255
};
const TintCase kTintCases[] = {
    {"none", true, 0, {0, 100, 101, 250}},
    {"shift20", true, 20, {20, 120, 121, 255}},
    {"shift200", true, 200, {200, 255, 255, 255}},  // clamped before the offsets are added
    {"shiftMinus255", true, -255, {0, 0, 0, 0}},
    {"stretch50", false, 50, {0, 150, 151, 255}},    // 101 + 5050/100 = 151
    {"stretchMinus30", false, -30, {0, 70, 71, 175}},  // -3030/100 truncates to -30
    {"stretchMinus100", false, -100, {0, 0, 0, 0}},
    {"stretchHuge", false, 2000000000, {0, 255, 255, 255}},
};
const int kColumnBrightness[4] = {0, 100, 101, 250};

int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

TEST_P(InlayShapes, TintKeepsAdjustedBrightness) {
  for (const TintCase& t : kTintCases) {
    TestHost host;
    PClip main = host.MakeClip(Type(), 4, 2, 1, [](int, Picture& p) {
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
          if (IsRGB(p.Format())) {
            p.SetPixel(x, y, kColumnBrightness[x], 60, 30);
            if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, kFourth);
          } else {
            p.SetPixel(x, y, kColumnBrightness[x], kStartU, kStartV);
          }
        }
    });
    PClip mask = MaskClip(host, Type(), 4, 2, {});
    PClip lined = LinedClip(host, Type(), 4, 2, {});
    PClip out = host.Apply("Inlay", {Arg(main), Arg(mask), Arg(lined), Named("type", "mask"), Named("color", kRed),
                                     Named("shift", t.shift), Named("st", t.st)});
    Picture f = host.FrameOf(out, 0);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) {
        const int n = t.adjusted[x];
        if (IsRGB(Format())) {
          EXPECT_EQ(f.Get(x, y, 0), Clamp(n + 178)) << t.name << " x=" << x;
          EXPECT_EQ(f.Get(x, y, 1), Clamp(n - 75)) << t.name << " x=" << x;
          EXPECT_EQ(f.Get(x, y, 2), Clamp(n - 78)) << t.name << " x=" << x;
          if (Format() == PixelFormat::RGB32) {
            EXPECT_EQ(f.Get(x, y, 3), kFourth);
          }
        } else {
          EXPECT_EQ(f.Get(x, y, 0), n) << t.name << " x=" << x;
          EXPECT_EQ(f.Get(x, y, 1), kRedU);
          EXPECT_EQ(f.Get(x, y, 2), kRedV);
        }
      }
  }
}

// One tinted pixel colours its YUY2 pair or its planar 2x2 block (ChangedPixels checks the
// shared chroma of every pixel).
TEST_P(InlayShapes, TintOfOnePixelSharesChroma) {
  PosSet unselected = Block(0, 7, 0, 5);
  unselected.erase({3, 3});
  const PosSet only = {{3, 3}};
  EXPECT_EQ(Run("mask", 8, 6, unselected, {Named("st", 20)}, kTint20), only);
}

// The colour's YUV in double precision in the written order: the default 0x7F7F00 gives Y 112
// (74.549 + 37.973), U 64 (128 - 42.164 - 21.463), V 138 (63.5 - 53.213 + 128); 0x021A0A gives
// Y 16 (1.14 + 15.262 + 0.598 falls just short of 17 in doubles), U 124, V 117; the top byte
// of 0xFFFF0000 is ignored.
TEST_P(InlayShapes, SolidColourComponents) {
  struct Case {
    bool given;
    int color;
    Change change;
  };
  const Case cases[] = {
      {false, 0, {127, 127, 0, 112, 64, 138}},
      {true, 0x021A0A, {2, 26, 10, 16, 124, 117}},
      {true, static_cast<int>(0xFFFF0000u), {255, 0, 0, 76, 84, 255}},
  };
  for (const Case& c : cases) {
    TestHost host;
    PClip main = MainClip(host, Type(), 6, 4);
    PClip mask = MaskClip(host, Type(), 6, 4, {});
    PClip lined = LinedClip(host, Type(), 6, 4, {});
    std::vector<Argument> args = {Arg(main), Arg(mask), Arg(lined), Named("type", "nomask"), Named("x", 2),
                                  Named("w", 2)};
    if (c.given) args.push_back(Named("color", c.color));
    PClip out = host.Apply("Inlay", args);
    EXPECT_EQ(ChangedPixels(host.FrameOf(out, 0), c.change), Block(2, 3, 0, 3)) << std::hex << c.color;
  }
}

// Every output byte is defined by the source or the filter: two poison values give the same.
TEST_P(InlayShapes, OutputIndependentOfPoison) {
  std::vector<std::vector<BYTE>> results;
  for (const uint8_t poison : {uint8_t{0x00}, uint8_t{0xFF}}) {
    TestHost host(poison);
    PClip main = MainClip(host, Type(), 16, 8);
    PClip mask = MaskClip(host, Type(), 16, 8, {{2, 2}});
    PClip lined = LinedClip(host, Type(), 16, 8, {{1, 2}, {9, 2}, {4, 1}, {4, 6}});
    std::vector<BYTE> bytes;
    for (const char* type : {"mask", "nomask", "hint", "left", "right", "vint", "above", "below"}) {
      PClip out = host.Apply("Inlay", {Arg(main), Arg(mask), Arg(lined), Named("type", type), Named("st", 30),
                                       Named("ellipse", true)});
      Picture f = host.FrameOf(out, 0);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
          for (int c = 0; c < (f.Format() == PixelFormat::RGB32 ? 4 : 3); ++c) bytes.push_back(f.Get(x, y, c));
    }
    results.push_back(bytes);
  }
  EXPECT_EQ(results[0], results[1]);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, InlayShapes, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
