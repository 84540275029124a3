// The vertical-span flood fill on masks drawn as text or built in bulk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/seeded/SpanFill.h"

namespace tintara::testing {
namespace {

// A one-byte-per-pixel mask with a pitch wider than its rows, and a count of paints per pixel.
struct Grid {
  int w, h, pitch;
  std::vector<BYTE> bytes;
  std::vector<int> paints;

  Grid(int width, int height, BYTE value)
      : w(width), h(height), pitch(width + 7), bytes(static_cast<size_t>(pitch) * height, 77),
        paints(static_cast<size_t>(width) * height, 0) {
    for (int r = 0; r < h; ++r)
      for (int x = 0; x < w; ++x) At(x, r) = value;
  }
  // Rows of text: '#' is 1, '.' is 0, 'o' is 128.
  explicit Grid(const std::vector<std::string>& rows) : Grid(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 0) {
    for (int r = 0; r < h; ++r)
      for (int x = 0; x < w; ++x) At(x, r) = rows[r][x] == '#' ? 1 : rows[r][x] == 'o' ? 128 : 0;
  }
  BYTE& At(int x, int r) { return bytes[static_cast<size_t>(r) * pitch + x]; }

  void Fill(int x, int r, BYTE m, BYTE k) {
    const MaskCopy<PixelFormat::YV12> mask(Plane{bytes.data(), pitch, w, h}, w, h);
    WorkStack stack;
    SpanFill(mask, x, r, m, k, &stack, [&](int px, int pr) { ++paints[static_cast<size_t>(pr) * w + px]; });
    EXPECT_TRUE(stack.Empty());
  }
  // The grid after a fill as text: the marker value shows as '*'.
  std::vector<std::string> Text(BYTE k) {
    std::vector<std::string> rows;
    for (int r = 0; r < h; ++r) {
      std::string s;
      for (int x = 0; x < w; ++x) {
        const BYTE v = At(x, r);
        s += v == k ? '*' : v == 1 ? '#' : v == 128 ? 'o' : '.';
      }
      rows.push_back(s);
    }
    return rows;
  }
  // Every marked pixel painted exactly once, nothing else painted, padding untouched.
  void ExpectPaintedOnceWhereMarked(BYTE k) {
    for (int r = 0; r < h; ++r) {
      for (int x = 0; x < w; ++x) ASSERT_EQ(paints[static_cast<size_t>(r) * w + x], At(x, r) == k ? 1 : 0) << x << "," << r;
      for (int x = w; x < pitch; ++x) ASSERT_EQ(bytes[static_cast<size_t>(r) * pitch + x], 77);
    }
  }
};

TEST(SpanFill, CombWithTeethHangingDown) {
  // The tooth in column 5 is broken below the bar: its lower part stays unfilled.
  Grid g({"..........",
          ".#########",
          ".#.#.#.#.#",
          ".#.#...#.#",
          ".#.#.#.#..",
          "...#.#.##."});
  g.Fill(9, 1, 1, 200);
  EXPECT_EQ(g.Text(200), (std::vector<std::string>{"..........",
                                                  ".*********",
                                                  ".*.*.*.*.*",
                                                  ".*.*...*.*",
                                                  ".*.*.#.*..",
                                                  "...*.#.**."}));
  g.ExpectPaintedOnceWhereMarked(200);
}

TEST(SpanFill, CombWithTeethSidewaysEntersEveryTooth) {
  // Each tooth is a separate run of the spine's neighbour column, entered from its own row.
  Grid g({"#.....#",
          "####..#",
          "#.....#",
          "#####.#",
          "#......",
          "##.####",
          "#.....#"});
  g.Fill(0, 6, 1, 200);
  EXPECT_EQ(g.Text(200), (std::vector<std::string>{"*.....#",
                                                  "****..#",
                                                  "*.....#",
                                                  "*****.#",
                                                  "*......",
                                                  "**.####",
                                                  "*.....#"}));
  g.ExpectPaintedOnceWhereMarked(200);
}

TEST(SpanFill, ScansUpFromTheSeedAndAroundBends) {
  Grid g({"...#",
          "#..#",
          "#..#",
          "####"});
  g.Fill(1, 2, 0, 128);
  EXPECT_EQ(g.Text(128), (std::vector<std::string>{"***#",
                                                  "#**#",
                                                  "#**#",
                                                  "####"}));
  g.ExpectPaintedOnceWhereMarked(128);
}

TEST(SpanFill, DiagonalContactDoesNotJoin) {
  Grid g({"##..",
          "##..",
          "..##",
          "..##"});
  g.Fill(0, 0, 1, 128);
  EXPECT_EQ(g.Text(128), (std::vector<std::string>{"**..", "**..", "..##", "..##"}));
}

TEST(SpanFill, StopsAtEveryOtherValueAndSeesEarlierMarks) {
  Grid g({"..o..",
          "..o..",
          "ooo.#",
          "....."});
  g.Fill(0, 0, 0, 129);
  EXPECT_EQ(g.Text(129), (std::vector<std::string>{"**o..", "**o..", "ooo.#", "....."}));
  // A second fill of value 0 elsewhere is bounded by the first fill's marks as well.
  g.Fill(4, 3, 0, 130);
  EXPECT_EQ(g.At(3, 0), 130);
  EXPECT_EQ(g.At(0, 3), 130);
  EXPECT_EQ(g.At(0, 0), 129);
  EXPECT_EQ(g.At(4, 2), 1);
}

TEST(SpanFill, RegionAlongAllFourEdges) {
  // A frame-sized ring of 0 around a block of 1: reaches row 0, row H - 1, column 0 and W - 1.
  Grid g(9, 7, 0);
  for (int r = 2; r < 5; ++r)
    for (int x = 2; x < 7; ++x) g.At(x, r) = 1;
  g.Fill(8, 6, 0, 128);
  for (int r = 0; r < 7; ++r)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(g.At(x, r), (r >= 2 && r < 5 && x >= 2 && x < 7) ? 1 : 128) << x << "," << r;
  g.ExpectPaintedOnceWhereMarked(128);
}

TEST(SpanFill, WholeFullHdFrame) {
  Grid g(1920, 1080, 0);
  g.Fill(960, 540, 0, 128);
  for (int r = 0; r < g.h; ++r)
    for (int x = 0; x < g.w; ++x) ASSERT_EQ(g.At(x, r), 128) << x << "," << r;
  g.ExpectPaintedOnceWhereMarked(128);
}

TEST(SpanFill, ManyPendingRunsGrowTheStack) {
  // A spine in column 0 with a tooth on every other row: hundreds of runs queued at once.
  Grid g(1920, 1080, 0);
  for (int r = 0; r < g.h; r += 2)
    for (int x = 0; x < g.w; ++x) g.At(x, r) = 1;
  for (int r = 0; r < g.h; ++r) g.At(0, r) = 1;
  g.Fill(0, 1079, 1, 128);
  for (int r = 0; r < g.h; ++r)
    for (int x = 0; x < g.w; ++x) ASSERT_EQ(g.At(x, r), (x == 0 || r % 2 == 0) ? 128 : 0) << x << "," << r;
  g.ExpectPaintedOnceWhereMarked(128);
}

TEST(SpanFill, SamplesAreTheFirstByteOfWidePixels) {
  // RGB24: only byte 0 of each pixel is the sample; the other two differ and are left alone.
  const int w = 4, h = 3, pitch = 16;
  std::vector<BYTE> bytes(static_cast<size_t>(pitch) * h, 9);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) bytes[static_cast<size_t>(r) * pitch + 3 * x] = x == 2 ? 1 : 0;
  const MaskCopy<PixelFormat::RGB24> mask(Plane{bytes.data(), pitch, 3 * w, h}, w, h);
  WorkStack stack;
  int painted = 0;
  SpanFill(mask, 0, 0, 0, 128, &stack, [&](int x, int) { EXPECT_LT(x, 2); ++painted; });
  EXPECT_EQ(painted, 6);
  for (int r = 0; r < h; ++r)
    for (int i = 0; i < pitch; ++i) {
      const BYTE v = bytes[static_cast<size_t>(r) * pitch + i];
      if (i % 3 != 0 || i >= 3 * w) EXPECT_EQ(v, 9);
      else EXPECT_EQ(v, i / 3 < 2 ? 128 : i / 3 == 2 ? 1 : 0);
    }
}

}  // namespace
}  // namespace tintara::testing
