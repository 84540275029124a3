// Inlay's "mask" and "nomask" styles: rectangles and ellipses, the window's motion and the
// pixel arithmetic of tinting and painting, in every format.
#include <gtest/gtest.h>

#include "tests/support/PaintedPixels.h"

namespace tintara::testing {
namespace {

using namespace painted;

// kRed painted as itself: RGB puts red into the first byte; YUV Y 76, U 84, V 255.
constexpr Change kSolidRed{255, 0, 0, kRedY};

class InlayShapes : public ::testing::TestWithParam<FormatCase> {
 protected:
  int Type() const { return GetParam().pixel_type; }

  // Runs Inlay with kRed on `frames` frames of a scene and returns the pixels of frame n that
  // show `change`.
  PosSet Run(int width, int height, const PosSet& unselected, std::vector<Argument> extra, const Change& change,
             int frames = 1, int n = 0) {
    TestHost host;
    PClip main = MainClip(host, Type(), width, height, frames);
    PClip mask = SelectingMask(host, Type(), width, height, unselected, true, frames);
    PClip lined = LinedClip(host, Type(), width, height, {}, frames);
    std::vector<Argument> args = {Arg(main), Arg(mask), Arg(lined), Named("color", kRed)};
    args.insert(args.end(), extra.begin(), extra.end());
    PClip out = host.Apply("Inlay", args);
    if (!out) return {};
    return ChangedPixels(host.FrameOf(out, n), change);
  }
};

TEST_P(InlayShapes, RectangleMaskAndNomask) {
  const PosSet unselected = {{3, 2}, {0, 0}, {7, 4}};
  const std::vector<Argument> window = {Named("x", 2), Named("y", 1), Named("w", 5), Named("h", 4)};
  std::vector<Argument> mask = window;
  mask.push_back(Named("type", "mask"));
  mask.push_back(Named("st", 20));
  EXPECT_EQ(Run(10, 8, unselected, mask, kTint20), Minus(Block(2, 6, 1, 4), unselected));
  std::vector<Argument> nomask = window;
  nomask.push_back(Named("type", "nomask"));
  EXPECT_EQ(Run(10, 8, unselected, nomask, kSolidRed), Block(2, 6, 1, 4));
  // Without window arguments the whole frame.
  EXPECT_EQ(Run(10, 8, unselected, {Named("type", "mask"), Named("st", 20)}, kTint20),
            Minus(Block(0, 9, 0, 7), unselected));
}

// Ellipses painted by "nomask", worked from (j*j)/(W*W) + (i*i)/(H*H) <= 1 with column offsets j
// and row offsets i both in -W..W-1.
struct EllipseCase {
  const char* name;
  int width, height;
  std::vector<Argument> window;
  PosSet expected;
};

const std::vector<EllipseCase>& EllipseCases() {
  static const std::vector<EllipseCase> cases = {
      // W 3, H 2 around (4, 3): i = 0 all j (1..6); i = +-1 |j| <= 2 (4/9 + 1/4 fits, 9/9 does
      // not); i = +-2 only j = 0; i = -3 nothing.
      {"axes3x2",
       10,
       8,
       {Named("x", 4), Named("y", 3), Named("w", 3), Named("h", 2)},
       Union({Row(1, 4, 4), Row(2, 2, 6), Row(3, 1, 6), Row(4, 2, 6), Row(5, 4, 4)})},
      // H 0: the centre row from X - W to X + W - 1; w defaults to the distance to the nearer
      // edge (3 for x = 3 on a 20-wide frame).
      {"flat", 20, 6, {Named("x", 3), Named("y", 2), Named("h", 0)}, Row(2, 0, 5)},
      // W 2 < H 5 around (5, 6): rows cut to 4..7; i = -2: j*j/4 <= 21/25, |j| <= 1; i = 0: -2..1.
      {"tallCut",
       12,
       14,
       {Named("x", 5), Named("y", 6), Named("w", 2), Named("h", 5)},
       Union({Row(4, 4, 6), Row(5, 4, 6), Row(6, 3, 6), Row(7, 4, 6)})},
      // Defaults on 8 x 14: centre (4, 7), W 4, H 7, rows cut to 3..10; i != 0: |j| <= 3
      // (j*j/16 <= 1 - i*i/49 allows 9 but not 16); i = 0: -4..3.
      {"defaultTall", 8, 14, {}, Union({Block(1, 7, 3, 10), Row(7, 0, 0)})},
      // Centre row 6 of 8 with H 2 reaches row 8, below the frame: it is not touched (in planar
      // frames that row would be the chroma planes). i = -2: j = 0; +-1: |j| <= 4; 0: -5..4.
      {"bottomEdge",
       12,
       8,
       {Named("x", 6), Named("y", 6), Named("w", 5), Named("h", 2)},
       Union({Row(4, 6, 6), Row(5, 2, 10), Row(6, 1, 10), Row(7, 2, 10)})},
  };
  return cases;
}

TEST_P(InlayShapes, EllipseCoverage) {
  for (const EllipseCase& c : EllipseCases()) {
    std::vector<Argument> args = c.window;
    args.push_back(Named("type", "nomask"));
    args.push_back(Named("ellipse", true));
    const PosSet got = Run(c.width, c.height, {}, args, kSolidRed);
    EXPECT_EQ(got, c.expected) << c.name << ": " << Describe(got);
  }
  // "mask" covers the same pixels, less the unselected ones.
  std::vector<Argument> args = EllipseCases()[0].window;
  args.push_back(Named("type", "mask"));
  args.push_back(Named("ellipse", true));
  args.push_back(Named("st", 20));
  EXPECT_EQ(Run(10, 8, {{2, 2}}, args, kTint20), Minus(EllipseCases()[0].expected, {{2, 2}}));
}

// x moves 0 -> 100 and 100 -> 0 over frames 0..3: (100 * d) / 3 truncated toward zero gives
// 0, 33, 66, 100 and 100, 67, 34, 0 (not 66 and 33 going left). h grows 1 -> 2: 1, 1, 1, 2.
TEST_P(InlayShapes, WindowMovesWithTruncation) {
  const int edges[2][4] = {{0, 33, 66, 100}, {100, 67, 34, 0}};
  for (const int way : {0, 1}) {
    for (int n = 0; n < 4; ++n) {
      const int X = edges[way][n];
      const PosSet got = Run(120, 4, {},
                             {Named("type", "nomask"), Named("x", edges[way][0]), Named("ex", edges[way][3]),
                              Named("w", 4), Named("h", 1), Named("eh", 2)},
                             kSolidRed, 4, n);
      EXPECT_EQ(got, Block(X, X + 3, 0, n == 3 ? 1 : 0)) << "frame " << n << ": " << Describe(got);
    }
  }
}

// Frames outside sf..ef come back as they were; sf = ef has the start window. The end width
// defaults to the start width when that is given, else to the room left at the end position.
TEST_P(InlayShapes, FrameRangeAndEndWindowDefaults) {
  const std::vector<Argument> one_frame = {Named("type", "nomask"), Named("sf", 2), Named("ef", 2), Named("x", 0),
                                           Named("ex", 8),          Named("w", 2),  Named("h", 1)};
  for (int n : {0, 1, 3}) EXPECT_TRUE(Run(16, 4, {}, one_frame, kSolidRed, 4, n).empty()) << "frame " << n;
  EXPECT_EQ(Run(16, 4, {}, one_frame, kSolidRed, 4, 2), Block(0, 1, 0, 0));

  EXPECT_EQ(Run(40, 2, {}, {Named("type", "nomask"), Named("ex", 30)}, kSolidRed, 2, 1), Block(30, 39, 0, 1));
  EXPECT_EQ(Run(40, 2, {}, {Named("type", "nomask"), Named("ex", 24), Named("w", 6), Named("h", 1)}, kSolidRed, 2, 1),
            Block(24, 29, 0, 0));
}

// Tint arithmetic per brightness: columns hold 0, 100, 101, 250 (RGB: in the first byte, the
// other two bytes 60 and 30). Worked for kRed (kV 178, kG -75, kU -78).
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
    {"stretch50", false, 50, {0, 150, 151, 255}},      // 101 + 5050/100 = 151
    {"stretchMinus30", false, -30, {0, 70, 71, 175}},  // -3030/100 truncates to -30
    {"stretchMinus100", false, -100, {0, 0, 0, 0}},
    {"stretchHuge", false, 2000000000, {0, 255, 255, 255}},
};

int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

TEST_P(InlayShapes, TintKeepsAdjustedBrightness) {
  const int brightness[4] = {0, 100, 101, 250};
  for (const TintCase& t : kTintCases) {
    TestHost host;
    PClip main = host.MakeClip(Type(), 4, 2, 1, [&](int, Picture& p) {
      const bool rgb = IsRGB(p.Format());
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
          p.SetPixel(x, y, brightness[x], rgb ? 60 : kStartU, rgb ? 30 : kStartV);
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, kFourth);
        }
    });
    PClip mask = SelectingMask(host, Type(), 4, 2, {});
    PClip out = host.Apply("Inlay", {Arg(main), Arg(mask), Arg(mask), Named("type", "mask"), Named("color", kRed),
                                     Named("shift", t.shift), Named("st", t.st)});
    Picture f = host.FrameOf(out, 0);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) {
        const int n = t.adjusted[x];
        if (IsRGB(f.Format())) {
          EXPECT_EQ(f.Get(x, y, 0), Clamp(n + 178)) << t.name << " x=" << x;
          EXPECT_EQ(f.Get(x, y, 1), Clamp(n - 75)) << t.name << " x=" << x;
          EXPECT_EQ(f.Get(x, y, 2), Clamp(n - 78)) << t.name << " x=" << x;
          if (f.Format() == PixelFormat::RGB32) {
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
  const PosSet only = {{3, 3}};
  EXPECT_EQ(Run(8, 6, Minus(Block(0, 7, 0, 5), only), {Named("type", "mask"), Named("st", 20)}, kTint20), only);
}

// The colour's YUV in double precision in the written order: the default 0x7F7F00 gives Y 112
// (74.549 + 37.973), U 64 (128 - 42.164 - 21.463), V 138 (63.5 - 53.213 + 128); 0x021A0A gives
// Y 16 (1.14 + 15.262 + 0.598 falls just short of 17 in doubles), U 124, V 117; the top byte
// of 0xFFFF0000 is ignored.
TEST_P(InlayShapes, SolidColourComponents) {
  struct Case {
    int color;
    Change change;
  };
  const Case cases[] = {
      {0x7F7F00, {127, 127, 0, 112, 64, 138}},
      {0x021A0A, {2, 26, 10, 16, 124, 117}},
      {static_cast<int>(0xFFFF0000u), {255, 0, 0, 76, 84, 255}},
  };
  for (const Case& c : cases) {
    TestHost host;
    PClip main = MainClip(host, Type(), 6, 4);
    PClip mask = SelectingMask(host, Type(), 6, 4, {});
    std::vector<Argument> args = {Arg(main),     Arg(mask),    Arg(mask), Named("type", "nomask"),
                                  Named("x", 2), Named("w", 2)};
    if (c.color != 0x7F7F00) args.push_back(Named("color", c.color));  // else by default
    PClip out = host.Apply("Inlay", args);
    EXPECT_EQ(ChangedPixels(host.FrameOf(out, 0), c.change), Block(2, 3, 0, 3)) << std::hex << c.color;
  }
}

// Every output byte is defined by the source or the filter: two poison values give the same.
TEST_P(InlayShapes, OutputIndependentOfPoison) {
  std::vector<std::vector<int>> results;
  for (const uint8_t poison : {uint8_t{0x00}, uint8_t{0xFF}}) {
    TestHost host(poison);
    PClip main = MainClip(host, Type(), 16, 8);
    PClip mask = SelectingMask(host, Type(), 16, 8, {{2, 2}});
    PClip lined = LinedClip(host, Type(), 16, 8, {{1, 2}, {9, 2}, {4, 1}, {4, 6}});
    std::vector<int> bytes;
    for (const char* type : {"mask", "nomask", "hint", "left", "right", "vint", "above", "below"}) {
      PClip out = host.Apply(
          "Inlay", {Arg(main), Arg(mask), Arg(lined), Named("type", type), Named("st", 30), Named("ellipse", true)});
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
