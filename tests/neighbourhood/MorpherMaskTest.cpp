// Morpher's mask operations on hand-drawn 8x8 masks (the default window is the whole frame), in
// every format: results worked out on paper from the erosion, thinning and dot rules.
#include <array>

#include "tests/neighbourhood/MorpherFixture.h"

namespace tintara::testing {
namespace {

const Rows kBlock = {"........", "........", "..###...", "..###...", "..###...", "........", "........", "........"};

TEST_P(MorpherFormats, ErodeKeepsOnlyFullySurroundedPixelsAndGreyTopLeftEdge) {
  const Rows expected = {"+++++++.", "+.......", "+.......", "+..#....",
                         "+.......", "+.......", "+.......", "........"};
  EXPECT_EQ(Run(kBlock, {Named("type", "erode")}), expected);
  // white=false erodes the black regions of the inverted picture; 128 stays.
  EXPECT_EQ(Run(Inverted(kBlock), {Named("type", "erode"), Named("white", false)}), Inverted(expected));
}

TEST_P(MorpherFormats, DilateGrowsTheMaskInAllEightDirections) {
  const Rows expected = {"+++++++.", "+#####..", "+#####..", "+#####..",
                         "+#####..", "+#####..", "+.......", "........"};
  EXPECT_EQ(Run(kBlock, {Named("type", "dilate")}), expected);
  EXPECT_EQ(Run(Inverted(kBlock), {Named("type", "dilate"), Named("white", false)}), Inverted(expected));
}

// A sample that is not exactly the mark value erodes to background; as a neighbour it erodes
// nothing.
TEST_P(MorpherFormats, ErodeTreatsOtherValuesAsNeitherMarkNorBackground) {
  const Rows mask = {"########", "########", "########", "###+####", "########", "#####m##", "########", "########"};
  const Rows expected = {"+++++++#", "+#######", "+#######", "+##.####",
                         "+#######", "+####.##", "+#######", "########"};
  EXPECT_EQ(Run(mask, {Named("type", "erode")}), expected);
}

// "close" erodes then dilates: a speck goes, a 3x3 block comes back whole.
TEST_P(MorpherFormats, CloseRemovesSpeckAndRestoresBlock) {
  const Rows mask = {"........", "........", "..###...", "..###...", "..###...", "......#.", "........", "........"};
  const Rows expected = {"++++++++", "+......+", "+.###..+", "+.###..+",
                         "+.###..+", "+......+", "+......+", "++++++++"};
  EXPECT_EQ(Run(mask, {Named("type", "close")}), expected);
}

// "open" dilates then erodes: the hole fills; the 128 edge of the first pass erodes nothing, so
// the ring keeps the pixels it grew towards the top and left.
TEST_P(MorpherFormats, OpenFillsHoleAndEdgeDoesNotErode) {
  const Rows mask = {"........", "........", "..###...", "..#.#...", "..###...", "........", "........", "........"};
  const Rows expected = {"++++++++", "+####..+", "+####..+", "+####..+",
                         "+####..+", "+......+", "+......+", "++++++++"};
  EXPECT_EQ(Run(mask, {Named("type", "open")}), expected);
  EXPECT_EQ(Run(Inverted(mask), {Named("type", "open"), Named("white", false)}), Inverted(expected));
}

// Thinning scans picture rows top to bottom and sees its own changes, so blocks collapse onto
// their bottom row wherever they stand (RGB must scan its stored rows bottom-up); lines, end
// points and lone dots stay.
TEST_P(MorpherFormats, ThinKeepsDotsLinesAndTheBottomRowOfBlocks) {
  const std::string outline = "+++++++.", inside = "+.....+.", last = "........";
  auto framed = [&](int row, const std::string& middle) {
    Rows r = {outline, inside, inside, inside, inside, inside, outline, last};
    r[row] = middle;
    return r;
  };
  auto mask = [&](int row, const std::string& middle) {
    Rows r(8, last);
    r[row] = middle;
    return r;
  };
  EXPECT_EQ(Run(mask(3, "...#...."), {Named("type", "thin")}), framed(3, "+..#..+."));
  Rows square2 = mask(2, "..##....");
  square2[3] = "..##....";
  EXPECT_EQ(Run(square2, {Named("type", "thin")}), framed(3, "+.##..+."));
  Rows mirrored = mask(4, "..##....");
  mirrored[5] = "..##....";
  EXPECT_EQ(Run(mirrored, {Named("type", "thin")}), framed(5, "+.##..+."));
  EXPECT_EQ(Run(kBlock, {Named("type", "thin")}), framed(4, "+.###.+."));
  EXPECT_EQ(Run(mask(3, "..####.."), {Named("type", "thin")}), framed(3, "+.####+."));
  Rows vertical(8, "........");
  for (int y = 2; y <= 5; ++y) vertical[y] = "...#....";
  Rows thinned = framed(2, "+..#..+.");
  for (int y = 3; y <= 5; ++y) thinned[y] = "+..#..+.";
  EXPECT_EQ(Run(vertical, {Named("type", "thin")}), thinned);
}

// A staircase whose pixels each keep all four direct neighbours until the pixel after them in
// scan order goes: pass 1 removes (9,5) and (8,6), then one pixel per pass: (8,5), (7,5), (7,4),
// (6,4), (6,3) in passes 2..6. A seventh pass would remove (5,3) too.
TEST_P(MorpherFormats, ThinRunsExactlySixPasses) {
  const Rows mask = {"............", "....#..#....", ".....##.#...", "...#####.#..", ".....####...", "....#.####..",
                     ".....#.##...", "......#.....", "............", "............", "............", "............"};
  const Rows expected = {"+++++++++++.", "+...#..#..+.", "+....##.#.+.", "+..###.#.#+.",
                         "+....#..#.+.", "+...#.#...+.", "+....#.#..+.", "+.....#...+.",
                         "+.........+.", "+.........+.", "+++++++++++.", "............"};
  EXPECT_EQ(Run(mask, {Named("type", "thin")}), expected);
}

// One pixel's thinning decision: P = (3,3) with the window from (2,2), so its neighbours N, NW,
// NE, W and SW lie on the window's edge and never change; everything else is 128, neither mark
// nor background. Each row: the 3x3 neighbourhood (top, middle, bottom) and whether P stays.
TEST_P(MorpherFormats, ThinDecidesByEdgeContactNeighbourCountAndConnectivity) {
  struct Case {
    const char* top;
    const char* middle;
    const char* bottom;
    bool stays;
  };
  const Case cases[] = {
      {"#.+", "+#+", "+.#", true},   // NW-over-N and SE-over-S: two joins
      {"++#", ".#.", "#++", true},   // NE-by-E and SW-by-W
      {"+#.", ".#.", ".#+", true},   // N and S each with both sides clear
      {"..+", "###", "+..", true},   // E and W each with both sides clear
      {".#+", "##+", "+.#", false},  // W does not join while N is marked: one join
      {"#.+", "##+", "+++", false},  // W does not join while NW is marked
      {"+#.", ".##", "#.+", false},  // N does not join while E is marked
      {"+##", "+#.", "+++", false},  // N does not join while NE is marked
      {"#.+", "+##", "++.", false},  // E does not join while S is not background
      {"++#", "+#.", ".#+", false},  // S does not join while W is not background
      {"++#", ".#+", "#++", false},  // NE does not join while E is not background
      {"#.+", "+#+", "++#", false},  // SE does not join while S is not background
      {"#+#", "+#+", "+++", true},   // no direct neighbour is background
      {".+#", "+#+", "++#", true},   // only a diagonal neighbour is background
      {"+.+", "+##", "+++", true},   // a single marked neighbour
  };
  for (const Case& c : cases) {
    Rows mask(10, std::string(10, '+'));
    mask[2].replace(2, 3, c.top);
    mask[3].replace(2, 3, c.middle);
    mask[4].replace(2, 3, c.bottom);
    EXPECT_EQ(Run(mask, {Named("type", "thin"), Named("lx", 2), Named("ty", 2)})[3][3], c.stays ? '#' : '.')
        << c.top << " " << c.middle << " " << c.bottom;
  }
}

// Dots in rows 1..5 and columns 1..5 go; (6,2) and (0,4) lie under the outline; (7,7) is past
// the window's inside and keeps the source. "salt" ignores `white`.
TEST_P(MorpherFormats, SaltRemovesLoneDotsInsideTheOutline) {
  const Rows mask = {"........", ".#......", "......#.", "........", "#.......", ".....#..", "........", ".......#"};
  const Rows expected = {"+++++++.", "+.....+.", "+.....+.", "+.....+.",
                         "+.....+.", "+.....+.", "+++++++.", ".......#"};
  EXPECT_EQ(Run(mask, {Named("type", "salt")}), expected);
  EXPECT_EQ(Run(mask, {Named("type", "salt"), Named("white", false)}), expected);
  EXPECT_EQ(Run(kBlock, {Named("type", "salt")})[3], "+.###.+.");          // no lone dot: unchanged
  EXPECT_EQ(Run(Inverted(mask), {Named("type", "salt")})[5], "+####.+#");  // holes stay
}

TEST_P(MorpherFormats, PepperFillsLoneHolesOnly) {
  const Rows hole = {"########", "########", "########", "###.####", "########", "########", "########", "########"};
  const Rows filled = {"+++++++#", "+#####+#", "+#####+#", "+#####+#", "+#####+#", "+#####+#", "+++++++#", "########"};
  EXPECT_EQ(Run(hole, {Named("type", "pepper"), Named("white", false)}), filled);
  EXPECT_EQ(Run(Inverted(hole), {Named("type", "pepper")})[3], "+..#..+.");  // a dot stays
}

// The dot codes weigh N by 8, S by 128, E by 2 and W by 32, so only the true orientation
// reaches the codes 255 and 130050 in these non-binary cases.
TEST_P(MorpherFormats, DotCodesFollowPictureOrientation) {
  auto centre = [&](const char* type, int fill, std::vector<std::array<int, 3>> pixels) {
    PClip src = host.MakeClip(Type(), 8, 8, 1, [&](int, Picture& p) {
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) PaintSample(p, x, y, fill);
      for (const auto& px : pixels) PaintSample(p, px[0], px[1], px[2]);
    });
    return host.FrameOf(host.Apply("Morpher", {Arg(src), Named("type", type)}), 0).Get(3, 3, 0);
  };
  EXPECT_EQ(centre("salt", 0, {{3, 3, 7}, {3, 2, 31}}), 0);           // 7 + 8*31 = 255
  EXPECT_EQ(centre("salt", 0, {{3, 3, 7}, {3, 4, 31}}), 7);           // 7 + 128*31
  EXPECT_EQ(centre("salt", 0, {{3, 3, 1}, {4, 3, 127}}), 0);          // 1 + 2*127 = 255
  EXPECT_EQ(centre("salt", 0, {{3, 3, 1}, {2, 3, 127}}), 1);          // 1 + 32*127
  EXPECT_EQ(centre("pepper", 255, {{3, 3, 128}, {3, 4, 254}}), 255);  // 128 + 255*382 + 128*254 = 130050
  EXPECT_EQ(centre("pepper", 255, {{3, 3, 128}, {3, 2, 254}}), 128);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MorpherFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
