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
      : w(width),
        h(height),
        pitch(width + 7),
        bytes(static_cast<size_t>(pitch) * height, 77),
        paints(static_cast<size_t>(width) * height, 0) {
    for (int r = 0; r < h; ++r)
      for (int x = 0; x < w; ++x) At(x, r) = value;
  }
  // Rows of text: '#' is 1, '.' is 0, 'o' is 128.
  explicit Grid(const std::vector<std::string>& rows)
      : Grid(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 0) {
    for (int r = 0; r < h; ++r)
      for (int x = 0; x < w; ++x) At(x, r) = rows[r][x] == '#' ? 1 : rows[r][x] == 'o' ? 128 : 0;
  }
  BYTE& At(int x, int r) { return bytes[static_cast<size_t>(r) * pitch + x]; }

  template <Neighbours N = Neighbours::Four>
  void Fill(int x, int r, BYTE m, BYTE k) {
    const MaskCopy mask(Plane{bytes.data(), pitch, w, h}, w, h);
    WorkStack stack;
    SpanFill<N>(mask, x, r, m, k, &stack, [&](int x0, int x1, int pr) {
      EXPECT_LT(x0, x1);
      for (int px = x0; px < x1; ++px) ++paints[static_cast<size_t>(pr) * w + px];
    });
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
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(paints[static_cast<size_t>(r) * w + x], At(x, r) == k ? 1 : 0) << x << "," << r;
      for (int x = w; x < pitch; ++x) ASSERT_EQ(bytes[static_cast<size_t>(r) * pitch + x], 77);
    }
  }
};

TEST(SpanFill, CombWithTeethHangingDown) {
  // The tooth in column 5 is broken below the bar: its lower part stays unfilled.
  Grid g({"..........", ".#########", ".#.#.#.#.#", ".#.#...#.#", ".#.#.#.#..", "...#.#.##."});
  g.Fill(9, 1, 1, 200);
  EXPECT_EQ(g.Text(200), (std::vector<std::string>{"..........", ".*********", ".*.*.*.*.*", ".*.*...*.*", ".*.*.#.*..",
                                                   "...*.#.**."}));
  g.ExpectPaintedOnceWhereMarked(200);
}

TEST(SpanFill, CombWithTeethSidewaysEntersEveryTooth) {
  // Each tooth is a separate run of the spine's neighbour column, entered from its own row.
  Grid g({"#.....#", "####..#", "#.....#", "#####.#", "#......", "##.####", "#.....#"});
  g.Fill(0, 6, 1, 200);
  EXPECT_EQ(g.Text(200),
            (std::vector<std::string>{"*.....#", "****..#", "*.....#", "*****.#", "*......", "**.####", "*.....#"}));
  g.ExpectPaintedOnceWhereMarked(200);
}

TEST(SpanFill, ScansUpFromTheSeedAndAroundBends) {
  Grid g({"...#", "#..#", "#..#", "####"});
  g.Fill(1, 2, 0, 128);
  EXPECT_EQ(g.Text(128), (std::vector<std::string>{"***#", "#**#", "#**#", "####"}));
  g.ExpectPaintedOnceWhereMarked(128);
}

TEST(SpanFill, DiagonalContactDoesNotJoin) {
  Grid g({"##..", "##..", "..##", "..##"});
  g.Fill(0, 0, 1, 128);
  EXPECT_EQ(g.Text(128), (std::vector<std::string>{"**..", "**..", "..##", "..##"}));
}

TEST(SpanFill, EightConnectedJoinsThroughCornersOnly) {
  // A staircase of runs touching only at corners, down to the right and back to the left, and
  // a run one column past a corner (row 3, columns 7-8) that touches nothing.
  Grid g({"##.........", "..##.......", "....##.....", "..##...##..", ".#.........", "#..........", ".#........."});
  g.Fill<Neighbours::Eight>(1, 0, 1, 200);
  EXPECT_EQ(g.Text(200), (std::vector<std::string>{"**.........", "..**.......", "....**.....", "..**...##..",
                                                   ".*.........", "*..........", ".*........."}));
  g.ExpectPaintedOnceWhereMarked(200);
}

TEST(SpanFill, EightConnectedWholeFrameFromTheLastColumnPaintsEachPixelOnce) {
  // Runs reach back over their parents' ends: every pixel still painted exactly once.
  Grid g(203, 37, 0);
  for (int r = 0; r < g.h; ++r) g.At((r * 7) % g.w, r) = 1;
  g.Fill<Neighbours::Eight>(g.w - 1, 18, 0, 128);
  for (int r = 0; r < g.h; ++r)
    for (int x = 0; x < g.w; ++x) ASSERT_EQ(g.At(x, r), x == (r * 7) % g.w ? 1 : 128) << x << "," << r;
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

}  // namespace
}  // namespace tintara::testing
