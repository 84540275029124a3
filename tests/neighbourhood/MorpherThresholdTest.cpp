// Morpher's relief operations on hand-drawn 8x8 pictures (whole-frame window: rows and columns
// 1..5 are judged, 0 and 6 outlined, 7 keep the source), in every format.
#include <array>

#include "tests/neighbourhood/MorpherFixture.h"

namespace tintara::testing {
namespace {

// The expected frame: the judged rows 1..5 (columns 1..5, given joined), the outline, and the
// source's column 7 and row 7.
Rows Framed(const Rows& src, const std::string& inner_rows_1_to_5_joined) {
  Rows r(8);
  for (int y = 0; y < 8; ++y) {
    if (y == 0 || y == 6)
      r[y] = "+++++++" + src[y].substr(7);
    else if (y == 7)
      r[y] = src[7];
    else
      r[y] = "+" + inner_rows_1_to_5_joined.substr((y - 1) * 5, 5) + "+" + src[y].substr(7);
  }
  return r;
}
std::string Each(const std::string& row) { return row + row + row + row + row; }

const Rows kFlat(8, "mmmmmmmm");
const Rows kDarkColumn(8, "bbbdbbbb");
const Rows kBrightColumn(8, "dddbdddd");
Rows WithRow3(const char* ground, const char* line) {
  Rows r(8, ground);
  r[3] = line;
  return r;
}
const Rows kDarkRow = WithRow3("bbbbbbbb", "dddddddd");
const Rows kBrightRow = WithRow3("dddddddd", "bbbbbbbb");

TEST_P(MorpherFormats, FlatAreaIsNeitherValleyNorRidge) {
  for (const char* t : {"vale", "ridge", "rorv", "drain"})
    EXPECT_EQ(Run(kFlat, {Named("type", t)}), Framed(kFlat, Each("....."))) << t;
  EXPECT_EQ(Run(kFlat, {Named("type", "ford")}), Framed(kFlat, Each("#####")));
  EXPECT_EQ(Run(kFlat, {Named("type", "ford"), Named("lt", 101)}), Framed(kFlat, Each(".....")));
  EXPECT_EQ(Run(kFlat, {Named("type", "ford"), Named("ut", 99)}), Framed(kFlat, Each(".....")));
  // flood: P <= lt; drain: P >= ut; the equal value counts.
  EXPECT_EQ(Run(kFlat, {Named("type", "flood"), Named("lt", 100)}), Framed(kFlat, Each("#####")));
  EXPECT_EQ(Run(kFlat, {Named("type", "flood"), Named("lt", 99)}), Framed(kFlat, Each(".....")));
  EXPECT_EQ(Run(kFlat, {Named("type", "drain"), Named("ut", 100)}), Framed(kFlat, Each("#####")));
  EXPECT_EQ(Run(kFlat, {Named("type", "drain"), Named("ut", 101)}), Framed(kFlat, Each(".....")));
  EXPECT_EQ(Run(kFlat, {Named("type", "flood"), Named("lt", 255)}), Framed(kFlat, Each("#####")));
  EXPECT_EQ(Run(kFlat, {Named("type", "drain"), Named("ut", 0)}), Framed(kFlat, Each("#####")));
  // A lower threshold above the upper one is accepted for "ford" and selects nothing.
  EXPECT_EQ(Run(kFlat, {Named("type", "ford"), Named("lt", 200), Named("ut", 50)}), Framed(kFlat, Each(".....")));
}

TEST_P(MorpherFormats, VerticalLinesAreValleysOrRidgesByTheirSide) {
  const std::string line = Each("..#.."), ground = Each("##.##"), none = Each(".....");
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "vale")}), Framed(kDarkColumn, line));
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "vale"), Named("lt", 40), Named("ut", 40)}), Framed(kDarkColumn, line));
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "vale"), Named("lt", 41)}), Framed(kDarkColumn, none));
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "vale"), Named("ut", 39)}), Framed(kDarkColumn, none));
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "ridge")}), Framed(kDarkColumn, none));
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "rorv")}), Framed(kDarkColumn, line));
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "flood")}), Framed(kDarkColumn, line));  // lt 0: the valley alone
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "ford")}), Framed(kDarkColumn, ground));
  EXPECT_EQ(Run(kBrightColumn, {Named("type", "ridge")}), Framed(kBrightColumn, line));
  EXPECT_EQ(Run(kBrightColumn, {Named("type", "drain")}), Framed(kBrightColumn, line));  // ut 255: the ridge alone
  EXPECT_EQ(Run(kBrightColumn, {Named("type", "vale")}), Framed(kBrightColumn, none));
  EXPECT_EQ(Run(kBrightColumn, {Named("type", "rorv")}), Framed(kBrightColumn, line));
  EXPECT_EQ(Run(kBrightColumn, {Named("type", "ford")}), Framed(kBrightColumn, ground));
  // white=false: the marks are 0 on 255.
  EXPECT_EQ(Run(kDarkColumn, {Named("type", "vale"), Named("white", false)}), Framed(kDarkColumn, Each("##.##")));
}

// Across a horizontal line W and E lie on the line: a dark one is a ridge (N and S above P) and a
// bright one a valley.
TEST_P(MorpherFormats, HorizontalLinesAreMarkedTheOtherWayRound) {
  const std::string row3 = "..........#####..........", none = Each(".....");
  EXPECT_EQ(Run(kDarkRow, {Named("type", "ridge")}), Framed(kDarkRow, row3));
  EXPECT_EQ(Run(kDarkRow, {Named("type", "vale")}), Framed(kDarkRow, none));
  EXPECT_EQ(Run(kDarkRow, {Named("type", "ridge"), Named("lt", 41)}), Framed(kDarkRow, none));
  EXPECT_EQ(Run(kBrightRow, {Named("type", "vale")}), Framed(kBrightRow, row3));
  EXPECT_EQ(Run(kBrightRow, {Named("type", "ridge")}), Framed(kBrightRow, none));
}

// Each clause alone, at (3,3) with neighbours N, S, W, E (everything else 0).
TEST_P(MorpherFormats, EachReliefClauseCountsAloneAndComparesStrictly) {
  struct Case {
    int P, N, S, W, E;
    bool valley, ridge;
  };
  const Case cases[] = {
      {40, 30, 30, 200, 200, true, false},     // lower than W and E
      {100, 50, 150, 60, 160, true, false},    // N < W and S < E
      {100, 50, 150, 160, 60, true, false},    // N < E and S < W
      {100, 50, 50, 40, 200, true, false},     // N and S below P
      {100, 150, 50, 140, 40, false, true},    // N > W and S > E
      {100, 150, 50, 40, 140, false, true},    // N > E and S > W
      {100, 150, 150, 160, 0, false, true},    // N and S above P
      {100, 100, 100, 50, 100, false, false},  // equal values decide nothing
      {100, 100, 100, 100, 150, false, false},
  };
  for (const Case& c : cases)
    for (const char* t : {"vale", "ridge"}) {
      PClip src = host.MakeClip(Type(), 8, 8, 1, [&](int, Picture& p) {
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x) PaintSample(p, x, y, 0);
        const std::array<int, 3> px[] = {{3, 3, c.P}, {3, 2, c.N}, {3, 4, c.S}, {2, 3, c.W}, {4, 3, c.E}};
        for (const auto& q : px) PaintSample(p, q[0], q[1], q[2]);
      });
      const bool marked = std::string(t) == "vale" ? c.valley : c.ridge;
      EXPECT_EQ(host.FrameOf(host.Apply("Morpher", {Arg(src), Named("type", t)}), 0).Get(3, 3, 0), marked ? 255 : 0)
          << t << " P=" << c.P << " N=" << c.N << " S=" << c.S << " W=" << c.W << " E=" << c.E;
    }
}

}  // namespace
}  // namespace tintara::testing
