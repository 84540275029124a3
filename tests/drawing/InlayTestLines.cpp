// Inlay's line-bounded styles on hand-drawn line and mask frames, in every format. The expected
// pixels are worked out from the run rules of each format: YUY2 runs exclude the first line
// and "right"/"below" look from the window's last column/row; YV12 and I420 include the first
// line of "hint"/"vint", look from one before the last, and carry runs; RGB rows read like
// YV12's except that "hint" excludes the first line, and RGB columns read like YUY2's.
#include <gtest/gtest.h>

#include "tests/support/PaintedPixels.h"

namespace tintara::testing {
namespace {

using namespace painted;

class InlayLines : public ::testing::TestWithParam<FormatCase> {
 protected:
  PixelFormat Format() const { return FormatOfType(GetParam().pixel_type); }
  bool Planar() const { return IsPlanar(Format()); }
  bool Yuy2() const { return Format() == PixelFormat::YUY2; }

  // Runs `type` over the scene with the window arguments given and returns the tinted pixels.
  PosSet Tinted(const char* type, int width, int height, const PosSet& lines, const PosSet& unselected,
                std::vector<Argument> window = {}) {
    TestHost host;
    PClip main = MainClip(host, GetParam().pixel_type, width, height);
    PClip mask = SelectingMask(host, GetParam().pixel_type, width, height, unselected);
    PClip lined = LinedClip(host, GetParam().pixel_type, width, height, lines);
    std::vector<Argument> args = {Arg(main),      Arg(mask), Arg(lined), Named("type", type), Named("color", kRed),
                                  Named("st", 20)};
    args.insert(args.end(), window.begin(), window.end());
    PClip out = host.Apply("Inlay", args);
    if (!out) return {};
    return ChangedPixels(host.FrameOf(out, 0), kTint20);
  }
};

// Row 2 has line pixels at columns 10 and 20 inside the window X = 0, W = 40; rows 0, 1 have
// none, nor do rows 3..5 (where only the carry of "left" can reach).
TEST_P(InlayLines, RowWithLinesAt10And20) {
  const PosSet lines = {{10, 2}, {20, 2}};
  const PosSet unselected = {{5, 2}, {15, 2}, {30, 2}, {5, 4}};
  const std::vector<Argument> window = {Named("x", 0), Named("w", 40)};

  const PosSet hint = Tinted("hint", 48, 6, lines, unselected, window);
  EXPECT_EQ(hint, Minus(Row(2, Planar() ? 10 : 11, 19), unselected)) << Describe(hint);

  const PosSet left = Tinted("left", 48, 6, lines, unselected, window);
  const PosSet carried = Yuy2() ? PosSet{} : Block(0, 9, 3, 5);
  EXPECT_EQ(left, Minus(Union({Row(2, 0, 9), carried}), unselected)) << Describe(left);

  // The run ends before the window's last column, 39.
  const PosSet right = Tinted("right", 48, 6, lines, unselected, window);
  EXPECT_EQ(right, Minus(Row(2, 21, 38), unselected)) << Describe(right);
}

// YUY2 looks for "right"'s line from the window's last column, so a line there leaves an empty
// run; the other formats start one column before it and find the previous line.
TEST_P(InlayLines, RightWithLineInLastWindowColumn) {
  const PosSet lines = {{25, 1}, {39, 1}, {39, 3}};
  const PosSet right = Tinted("right", 48, 6, lines, {}, {Named("x", 0), Named("w", 40)});
  EXPECT_EQ(right, Yuy2() ? PosSet{} : Row(1, 26, 38)) << Describe(right);
}

// "left" carries the most recent line end to later rows without a line (not YUY2), from the
// window's left column, top to bottom in the picture whatever the memory order.
TEST_P(InlayLines, LeftCarriesMostRecentLineEndDownThePicture) {
  PosSet lines = {{12, 6}};
  for (int y = 0; y <= 4; ++y) lines.insert({30, y});
  const PosSet left = Tinted("left", 48, 8, lines, {}, {Named("x", 4), Named("w", 40)});
  PosSet expected = Union({Block(4, 29, 0, 4), Row(6, 4, 11)});
  if (!Yuy2()) expected = Union({expected, Row(5, 4, 29), Row(7, 4, 11)});
  EXPECT_EQ(left, expected) << Describe(left);
}

// Lines outside the window's rows or columns are not seen; runs stay inside the window.
TEST_P(InlayLines, LinesOutsideWindowAreNotSeen) {
  const PosSet lines = {{6, 0}, {12, 0}, {2, 2}, {8, 2}, {14, 2}, {22, 2}, {8, 3}};
  const std::vector<Argument> window = {Named("x", 4), Named("y", 1), Named("w", 16), Named("h", 3)};
  const PosSet hint = Tinted("hint", 24, 6, lines, {}, window);
  EXPECT_EQ(hint, Row(2, Planar() ? 8 : 9, 13)) << Describe(hint);
  // Row 3's only line is at 8, row 2's last in the window at 14: "right" runs up to column 18.
  const PosSet right = Tinted("right", 24, 6, lines, {}, window);
  EXPECT_EQ(right, Union({Row(2, 15, 18), Row(3, 9, 18)})) << Describe(right);
}

// Columns of an 8 x 64 frame: 1 has a line at row 5, 2 at rows 10 and 50, 3 at row 12, 4 none,
// 5 at row 60, 6 at rows 40 and 63 (the last row), 7 none.
const PosSet kColumnLines = {{1, 5}, {2, 10}, {2, 50}, {3, 12}, {5, 60}, {6, 40}, {6, 63}};
const PosSet kColumnUnselected = {{2, 30}, {3, 12}, {3, 20}};

TEST_P(InlayLines, VintBetweenTwoLinesAndPlanarCarry) {
  const PosSet vint = Tinted("vint", 8, 64, kColumnLines, kColumnUnselected);
  PosSet expected;
  if (Planar()) {
    // Column 3 starts at its own line, 4 where 3 started, 5 at 60 (past the carried end 50:
    // empty), 7 where 6 started; all end where the latest column with two lines ended.
    expected = Union({Column(2, 10, 49), Column(3, 12, 49), Column(4, 12, 49), Column(6, 40, 62), Column(7, 40, 62)});
  } else {
    expected = Union({Column(2, 11, 49), Column(6, 41, 62)});
  }
  EXPECT_EQ(vint, Minus(expected, kColumnUnselected)) << Describe(vint);
}

TEST_P(InlayLines, AboveRunsFromWindowTopToFirstLine) {
  const PosSet above = Tinted("above", 8, 64, kColumnLines, kColumnUnselected);
  const PosSet expected =
      Union({Column(1, 0, 4), Column(2, 0, 9), Column(3, 0, 11), Column(5, 0, 59), Column(6, 0, 39)});
  EXPECT_EQ(above, Minus(expected, kColumnUnselected)) << Describe(above);
}

// "below" never reaches the last window row (63); YUY2 and RGB look for the line from row 63,
// so column 6's line there empties its run, while planar frames start at row 62 and find 40.
TEST_P(InlayLines, BelowRunsFromLastLineToBeforeLastRow) {
  const PosSet below = Tinted("below", 8, 64, kColumnLines, kColumnUnselected);
  PosSet expected = Union({Column(1, 6, 62), Column(2, 51, 62), Column(3, 13, 62), Column(5, 61, 62)});
  if (Planar()) expected = Union({expected, Column(6, 41, 62)});
  EXPECT_EQ(below, Minus(expected, kColumnUnselected)) << Describe(below);
}

// Window rows 3..10 and columns 2..5 of an 8 x 16 frame: lines above the window (column 3,
// row 1) or below it (column 4, row 12) are not seen.
TEST_P(InlayLines, ColumnRunsStayInWindow) {
  const PosSet lines = {{3, 1}, {3, 6}, {4, 12}};
  const std::vector<Argument> window = {Named("x", 2), Named("y", 3), Named("w", 4), Named("h", 8)};
  EXPECT_EQ(Tinted("above", 8, 16, lines, {}, window), Column(3, 3, 5));
  EXPECT_EQ(Tinted("below", 8, 16, lines, {}, window), Column(3, 7, 9));
}

// With `ellipse` true but a line style the window keeps the rectangle's defaults (the whole
// frame from the top-left), not the ellipse's centred ones.
TEST_P(InlayLines, EllipseFlagLeavesLineStylesRectangular) {
  const PosSet hint = Tinted("hint", 16, 4, {{1, 1}, {5, 1}}, {}, {Named("ellipse", true)});
  EXPECT_EQ(hint, Row(1, Planar() ? 1 : 2, 4)) << Describe(hint);
}

// mwhite false: mask samples 0 select, 255 do not.
TEST_P(InlayLines, BlackMaskSelectsWithMwhiteFalse) {
  TestHost host;
  const int type = GetParam().pixel_type;
  PClip main = MainClip(host, type, 16, 4);
  PClip mask = SelectingMask(host, type, 16, 4, {{3, 1}}, false);
  PClip lined = LinedClip(host, type, 16, 4, {{0, 1}, {6, 1}});
  PClip out = host.Apply(
      "Inlay", {Arg(main), Arg(mask), Arg(lined), Named("mwhite", false), Named("color", kRed), Named("st", 20)});
  const PosSet hint = ChangedPixels(host.FrameOf(out, 0), kTint20);
  EXPECT_EQ(hint, Minus(Row(1, Planar() ? 0 : 1, 5), {{3, 1}})) << Describe(hint);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, InlayLines, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
