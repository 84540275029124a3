// DrawLines through its registered signature, in every format: where lines and curves land, how
// each format's pixels are written, the motion of the points, and the checks in order.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/UnknownFormat.h"

namespace tintara::testing {
namespace {

constexpr int W = 40, H = 30, kLval = 40;
using Pixels = std::vector<std::pair<int, int>>;

// A single YUY2 pixel of a line greys both chroma bytes of its pair; one of a curve keeps them;
// a brush block greys each pixel's own chroma byte (U for even x, V for odd x).
enum class Kind { Line, Curve };

void Plot(PictureModel& m, int x, int y, bool brush, Kind kind) {
  const bool block = brush && x > 0 && x < m.Width() - 1 && y > 0 && y < m.Height() - 1;
  for (int r = block ? y - 1 : y; r <= (block ? y + 1 : y); ++r)
    for (int c = block ? x - 1 : x; c <= (block ? x + 1 : x); ++c) {
      for (int ch = 0; ch < (IsRGB(m.Format()) ? m.Channels() : 1); ++ch) m.Set(c, r, ch, kLval);
      if (IsPlanar(m.Format()) || (m.Format() == PixelFormat::YUY2 && !block && kind == Kind::Line)) {
        m.Set(c, r, 1, 128);
        m.Set(c, r, 2, 128);
      } else if (m.Format() == PixelFormat::YUY2 && block) {
        m.Set(c, r, c % 2 == 0 ? 1 : 2, 128);
      }
    }
}

Pixels Across(int x0, int x1, int y) {  // a horizontal run
  Pixels p;
  for (int x = x0; x <= x1; ++x) p.push_back({x, y});
  return p;
}

// The curve through (0,0), (10,20), (20,0) is y = x(20 - x)/5: per column its truncated value and
// the rows filled between it and the previous column's value.
const Pixels kArch = {{0, 0},   {1, 1},   {1, 2},   {1, 3},   {2, 4},   {2, 5},   {2, 6},   {2, 7},
                      {3, 8},   {3, 9},   {3, 10},  {4, 11},  {4, 12},  {5, 13},  {5, 14},  {5, 15},
                      {6, 16},  {7, 17},  {7, 18},  {8, 19},  {9, 19},  {10, 20}, {11, 19}, {12, 19},
                      {13, 18}, {14, 17}, {14, 16}, {15, 15}, {16, 14}, {16, 13}, {16, 12}, {17, 11},
                      {17, 10}, {18, 9},  {18, 8},  {18, 7},  {19, 6},  {19, 5},  {19, 4},  {19, 3}};

// The y-curve through (0,0), (10,10), (5,20): x = (35y - 1.5y^2)/20 truncated per row; row 2
// also fills column 2.
const Pixels kBow = {{0, 0},   {1, 1},  {2, 2},  {3, 2},  {4, 3},   {5, 4},   {6, 5},
                     {7, 6},   {8, 7},  {9, 8},  {9, 9},  {10, 10}, {10, 11}, {10, 12},
                     {10, 13}, {9, 14}, {9, 15}, {8, 16}, {8, 17},  {7, 18},  {6, 19}};

class DrawLinesFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    // Varied luma, chroma never 128: every write shows.
    src = host.MakeClip(GetParam().pixel_type, W, H, 7, [](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) p.SetPixel(x, y, 50 + (x + 2 * y) % 100, 60 + x % 5, 190 + y % 4);
    });
  }
  PClip Draw(int sf, int ef, const std::vector<int>& values, std::vector<Argument> named = {}) {
    std::vector<Argument> args = {Arg(src), Arg(sf), Arg(ef)};
    for (int v : values) args.push_back(Arg(v));
    named.push_back(Named("lval", kLval));
    args.insert(args.end(), named.begin(), named.end());
    return host.Apply("DrawLines", args);
  }
  // Frame n is the source with `pixels` plotted.
  void Expect(const PClip& out, int n, const Pixels& pixels, bool brush = false, Kind kind = Kind::Line) {
    ASSERT_TRUE(out);
    PictureModel expected(host.FrameOf(src, n));
    for (const auto& [x, y] : pixels) Plot(expected, x, y, brush, kind);
    EXPECT_TRUE(expected.Matches(host.FrameOf(out, n))) << "frame " << n;
  }

  TestHost host;
  PClip src;
};

TEST_P(DrawLinesFormats, JoinAndDiffSegments) {
  // y = 10 + (5x - 50)/10 over x = 10..20.
  Expect(
      Draw(0, 0, {10, 10, 20, 15}), 0,
      {{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 12}, {15, 12}, {16, 13}, {17, 13}, {18, 14}, {19, 14}, {20, 15}});
  Pixels pairs = Across(2, 6, 2);  // nothing between points 1 and 2
  for (int y = 20; y <= 25; ++y) pairs.push_back({10, y});
  Expect(Draw(0, 0, {2, 2, 6, 2, 10, 20, 10, 25}, {Named("line", "diff")}), 0, pairs);
  // Walked backwards: the quotient counts from the first point, so truncation toward zero lands on
  // other pixels than for the same segment drawn forward: y = 15 + (5x - 100)/10 over x = 20 down
  // to 10, x = 15 + (5y - 100)/15 over y = 20 down to 5.
  Expect(
      Draw(0, 0, {20, 15, 10, 10}), 0,
      {{20, 15}, {19, 15}, {18, 14}, {17, 14}, {16, 13}, {15, 13}, {14, 12}, {13, 12}, {12, 11}, {11, 11}, {10, 10}});
  Expect(Draw(0, 0, {15, 20, 10, 5}), 0,
         {{15, 20},
          {15, 19},
          {15, 18},
          {14, 17},
          {14, 16},
          {14, 15},
          {13, 14},
          {13, 13},
          {13, 12},
          {12, 11},
          {12, 10},
          {12, 9},
          {11, 8},
          {11, 7},
          {11, 6},
          {10, 5}});
}

TEST_P(DrawLinesFormats, CurvesAlongXAndAlongY) {
  const auto curve = Named("line", "curve");
  Expect(Draw(0, 0, {0, 0, 10, 20, 20, 0}, {curve}), 0, kArch, false, Kind::Curve);
  Expect(Draw(0, 0, {0, 0, 10, 20, 20, 0}, {curve, Named("brush", true)}), 0, kArch, true, Kind::Curve);
  // Exactly, x = 3 gives y = 3; in double, 7/3 rounds up, L12 comes out a hair under 14/3 and the
  // quotient just under 3, so the column ends on row 2 (after filling row 1 from row 0).
  Expect(Draw(0, 0, {0, 1, 1, 0, 4, 7}, {curve}), 0, {{0, 1}, {1, 0}, {2, 0}, {3, 1}, {3, 2}}, false, Kind::Curve);
  // x not monotonic, y rising.
  Expect(Draw(0, 0, {0, 0, 10, 10, 5, 20}, {curve}), 0, kBow, false, Kind::Curve);
  // The same two curves walked downward: mirrored, they are the same quadratics, so they draw the
  // mirrored pixels, from the first point down to, not including, the last.
  Pixels arch_down, rows_up;
  for (const auto& [x, y] : kArch) arch_down.push_back({20 - x, y});
  Expect(Draw(0, 0, {20, 0, 10, 20, 0, 0}, {curve}), 0, arch_down, false, Kind::Curve);
  for (const auto& [x, y] : kBow) rows_up.push_back({x, 20 - y});
  Expect(Draw(0, 0, {0, 20, 10, 10, 5, 0}, {curve}), 0, rows_up, false, Kind::Curve);
}

TEST_P(DrawLinesFormats, BrushBlocksInsideSinglePixelsOnTheOutermostRowsAndColumns) {
  Pixels pixels = Across(0, 6, 5);
  for (int y = 0; y <= 4; ++y) pixels.push_back({6, y});
  for (int y = 10; y <= 12; ++y) pixels.push_back({39, y});
  for (int y = 15; y <= 20; ++y) pixels.push_back({0, y});
  for (const auto& p : Across(20, 22, 29)) pixels.push_back(p);
  for (const auto& p : Across(10, 12, 0)) pixels.push_back(p);
  Expect(Draw(0, 0, {0, 5, 6, 5, 6, 0, 6, 4, 39, 10, 39, 12, 20, 29, 22, 29, 0, 15, 0, 20, 10, 0, 12, 0},
              {Named("line", "diff"), Named("brush", true)}),
         0, pixels, true);
}

TEST_P(DrawLinesFormats, PointsDriftAndShearWithTruncationTowardZero) {
  // lx = 20 alone: rx follows, so everything drifts 20 right by ef, without shear.
  PClip right = Draw(1, 5, {2, 3, 8, 3}, {Named("lx", 20)});
  for (auto [n, dx] : {std::pair{1, 0}, {3, 10}, {5, 20}}) Expect(right, n, Across(2 + dx, 8 + dx, 3));
  Expect(right, 0, {});
  Expect(right, 6, {});
  // lx 6, rx 0: drift 3, shear 3 - (y*3*2)/40: (5,0) -> (11,0), (5,20) -> (8,20); x steps back
  // by truncated 3y/20.
  Pixels steep;
  for (int y = 0; y <= 20; ++y) steep.push_back({11 - (3 * y) / 20, y});
  Expect(Draw(0, 1, {5, 0, 5, 20}, {Named("lx", 6), Named("rx", 0)}), 1, steep);
  // ty 6, by 0 on height 30: (0,5) -> (0,11), (20,5) -> (20,7).
  Pixels shallow;
  for (int x = 0; x <= 20; ++x) shallow.push_back({x, 11 - x / 5});
  Expect(Draw(0, 1, {0, 5, 20, 5}, {Named("ty", 6), Named("by", 0)}), 1, shallow);
  // A one-frame range does not move.
  Expect(Draw(1, 1, {2, 3, 5, 3}, {Named("lx", 20), Named("ty", 9)}), 1, Across(2, 5, 3));
}

TEST_P(DrawLinesFormats, MotionEdgeCases) {
  const auto curve = Named("line", "curve");
  // Monotonic in x before the motion, in neither after it (28, 12, 30 and y 2, 20, 4).
  PClip lost = Draw(0, 2, {10, 2, 12, 20, 14, 4}, {curve, Named("lx", 20), Named("rx", -20)});
  Expect(lost, 1, {});
  Expect(lost, 2, {});
  EXPECT_EQ(host.FrameOf(lost, 0).Get(10, 2, 0), kLval);
  // Ends on one position: that pixel. At the end X = x + y - 40, Y = x + y - 30.
  Expect(Draw(0, 0, {5, 5, 5, 5}), 0, {{5, 5}});
  Expect(Draw(0, 1, {30, 20, 25, 25}, {Named("lx", -40), Named("rx", 0), Named("ty", -30), Named("by", 0)}), 1,
         {{10, 20}});
  // hx = 2^31 - 1: (0,0) flies to x = 2^31 - 1, (5,20) stays; inside the frame the segment runs
  // just under row 20.
  Pixels far = Across(6, W - 1, 19);
  far.push_back({5, 20});
  Expect(Draw(0, 1, {0, 0, 5, 20}, {Named("lx", INT_MAX), Named("rx", INT_MIN)}), 1, far);
  // A curve pushed out of the frame is held to the edge row; its gap fill stays inside.
  Expect(Draw(0, 1, {5, 5, 10, 10, 15, 5}, {curve, Named("ty", -1000)}), 1, Across(5, 14, 0), false, Kind::Curve);
  Expect(Draw(0, 1, {5, 5, 10, 10, 15, 5}, {curve, Named("ty", 1000)}), 1, Across(5, 14, H - 1), false, Kind::Curve);
  // The largest parameters, with the brush, on every kind of line (the sanitizers watch).
  for (const char* line : {"join", "diff", "curve"})
    for (auto [a, b] : {std::pair{INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, {INT_MAX, INT_MAX}})
      host.FrameOf(Draw(0, 1, {0, 0, 20, 15, 30, 29, 39, 20},
                        {Named("line", line), Named("brush", true), Named("lx", a), Named("rx", b), Named("ty", b),
                         Named("by", a)}),
                   1);
}

TEST_P(DrawLinesFormats, OutputDoesNotDependOnFramePoison) {
  TestHost other(0x3C);
  auto draw = [](TestHost& h, const char* line) {
    PClip in = h.MakeClip(GetParam().pixel_type, W, H, 2, [](int, Picture& p) { p.Fill(70, 80, 90); });
    return h.FrameOf(h.Apply("DrawLines", {Arg(in), Arg(0), Arg(1), Arg(0), Arg(0), Arg(10), Arg(20), Arg(20), Arg(0),
                                           Named("line", line), Named("brush", true), Named("lx", 3)}),
                     1);
  };
  for (const char* line : {"join", "curve"}) EXPECT_TRUE(SamePictures(draw(host, line), draw(other, line)));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DrawLinesFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrawLinesChecks, MessagesBoundariesAndOrder) {
  const std::string frames = "DrawLines:invalid frame numbers",
                    runs =
                        " points do not have either increasing or "
                        "decreasing x or y coordinates",
                    curve =
                        "DrawLines:For line option  curve x y coordinate pairs,and for atleast 3 points must be "
                        "specified",
                    outside =
                        "DrawLines: one or more  coordinates of x and or y are outside frame width of 40 frame "
                        "height of 30",
                    lval = "DrawLines:Invalid line color value. Can be 0 to 255 only";
  TestHost host;
  const PClip clip = host.MakeClip(VideoInfo::CS_YUY2, W, H, 5), odd = UnknownFormatClip(W, H, 5);
  std::vector<int> sixty;
  for (int k = 0; k < 60; ++k) sixty.insert(sixty.end(), {k % W, k % H});
  std::vector<int> more = sixty;
  more.insert(more.end(), {1, 1});
  const auto line = [](const char* s) { return Named("line", s); };
  struct Case {
    PClip clip;
    int sf, ef;
    std::vector<int> values;
    std::vector<Argument> named;
    std::string message;
  };
  const std::vector<Case> cases = {
      {odd, 3, 1, {1, 1, 2, 2}, {}, "DrawLines: This color format is not supported here"},
      {clip, 1, 0, {-1}, {line("zig")}, frames},
      {clip, -1, 2, {1, 1, 2, 2}, {}, frames},
      {clip, 0, 6, {1, 1, 2, 2}, {}, frames},
      {clip, 0, 5, {1, 1, 2, 2}, {}, ""},  // the frame count itself passes
      {clip, 0, 0, {1, 1, 2, 2}, {line("curve")}, curve},
      {clip, 0, 0, {1, 1, 2, 2, 3, 3, 4}, {line("curve")}, curve},
      {clip, 0, 0, {0, 0, 10, 10, 20, 20, 15, 5}, {line("curve")}, "DrawLines: the 1, 2 and 3" + runs},
      {clip, 0, 0, {5, 0, 5, 10, 6, 10}, {line("curve")}, "DrawLines: the 0, 1 and 2" + runs},
      {clip, 0, 0, {5, 0, 5, 10, 0, 20}, {line("curve")}, ""},  // y alone rising is enough
      {clip,
       0,
       0,
       {-1, 50, 2, 2, 3},
       {},
       "DrawLines:For line option join, x y coordinate pairs for all and atleast 2 points must be specified"},
      {clip,
       0,
       0,
       {1, 1, 2, 2, 3, 3},
       {line("diff")},
       "DrawLines:For  line option diff, x y coordinate pairs for even number of pairs  and atleast 2 points must be "
       "specified"},
      {clip, 0, 0, {-1, 50}, {line("Join")}, "DrawLines: line can have only join, diff and curve as options"},
      {clip, 0, 0, {-1, 1, 40, 2}, {}, "DrawLines:One or more values in the sets is invalid being negative"},
      {clip, 0, 0, {1, 1, 40, 2}, {Named("lval", 256)}, outside},
      {clip, 0, 0, {1, 30, 2, 2}, {}, outside},
      {clip, 0, 0, {39, 29, 0, 0}, {Named("lval", 255)}, ""},
      {clip, 0, 0, {1, 1, 2, 2}, {Named("lval", -1)}, lval},
      {clip, 0, 0, {1, 1, 2, 2}, {Named("lval", 256)}, lval},
      {clip, 0, 0, sixty, {}, ""},
      {clip, 0, 0, more, {}, "DrawLines: at most 120 coordinate values (60 points) can be given"},
  };
  for (const Case& c : cases) {
    std::vector<Argument> args = {Arg(c.clip), Arg(c.sf), Arg(c.ef)};
    for (int v : c.values) args.push_back(Arg(v));
    args.insert(args.end(), c.named.begin(), c.named.end());
    EXPECT_EQ(host.ErrorOf("DrawLines", args), c.message) << c.values.size() << " values";
  }
}

}  // namespace
}  // namespace tintara::testing
