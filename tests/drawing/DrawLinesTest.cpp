// DrawLines through its registered signature, in every format: where lines, segments and
// curves land, how each format's pixels are written, the motion of the points, and the checks.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"
#include "tests/support/UnknownFormat.h"

namespace tintara::testing {
namespace {

constexpr int W = 40, H = 30;
constexpr int kLval = 40;

using Pixels = std::vector<std::pair<int, int>>;

// Which rule a single YUY2 pixel follows: lines grey both chroma bytes of the pair, curves keep them.
enum class Kind { Line, Curve };

void WritePixel(PictureModel& m, int x, int y, bool block, Kind kind) {
  if (IsRGB(m.Format())) {
    for (int c = 0; c < m.Channels(); ++c) m.Set(x, y, c, kLval);
    return;
  }
  m.Set(x, y, 0, kLval);
  if (m.Format() == PixelFormat::YUY2) {
    if (block) {
      m.Set(x, y, x % 2 == 0 ? 1 : 2, 128);  // the byte after its Y byte
    } else if (kind == Kind::Line) {
      m.Set(x, y, 1, 128);
      m.Set(x, y, 2, 128);
    }
  } else {
    m.Set(x, y, 1, 128);
    m.Set(x, y, 2, 128);
  }
}

void Plot(PictureModel& m, int x, int y, bool brush, Kind kind) {
  if (brush && x > 0 && x < m.Width() - 1 && y > 0 && y < m.Height() - 1) {
    for (int r = y - 1; r <= y + 1; ++r)
      for (int c = x - 1; c <= x + 1; ++c) WritePixel(m, c, r, true, kind);
  } else {
    WritePixel(m, x, y, false, kind);
  }
}

// The curve through (0,0), (10,20), (20,0) is y = x(20 - x)/5; per column the truncated value
// and the rows filled between it and the previous column's value.
const Pixels kArch = {{0, 0},   {1, 1},   {1, 2},   {1, 3},   {2, 4},   {2, 5},   {2, 6},   {2, 7},   {3, 8},
                      {3, 9},   {3, 10},  {4, 11},  {4, 12},  {5, 13},  {5, 14},  {5, 15},  {6, 16},  {7, 17},
                      {7, 18},  {8, 19},  {9, 19},  {10, 20}, {11, 19}, {12, 19}, {13, 18}, {14, 17}, {14, 16},
                      {15, 15}, {16, 14}, {16, 13}, {16, 12}, {17, 11}, {17, 10}, {18, 9},  {18, 8},  {18, 7},
                      {19, 6},  {19, 5},  {19, 4},  {19, 3}};

class DrawLinesFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  // Luma and chroma vary and no chroma is 128, so every write shows.
  PClip Source(int frames = 1) {
    return host.MakeClip(GetParam().pixel_type, W, H, frames, [](int, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) p.SetPixel(x, y, 50 + (x + 2 * y) % 100, 60 + x % 5, 190 + y % 4);
    });
  }

  static std::vector<Argument> Args(const PClip& src, int sf, int ef, const std::vector<int>& values,
                                    const std::vector<Argument>& named = {}) {
    std::vector<Argument> args = {Arg(src), Arg(sf), Arg(ef)};
    for (int v : values) args.push_back(Arg(v));
    args.push_back(Named("lval", kLval));
    args.insert(args.end(), named.begin(), named.end());
    return args;
  }

  // Frame n of the drawing against the source with `pixels` plotted.
  void ExpectDrawn(const PClip& src, const PClip& drawn, int n, const Pixels& pixels, bool brush, Kind kind) {
    PictureModel expected(host.FrameOf(src, n));
    for (const auto& [x, y] : pixels) Plot(expected, x, y, brush, kind);
    EXPECT_TRUE(expected.Matches(host.FrameOf(drawn, n))) << "frame " << n;
  }

  TestHost host;
};

TEST_P(DrawLinesFormats, JoinDrawsTruncatedLineBetweenBothEnds) {
  PClip src = Source();
  PClip out = host.Apply("DrawLines", Args(src, 0, 0, {10, 10, 20, 15}));
  // y = 10 + (5x - 50)/10 for x = 10..20.
  ExpectDrawn(src, out, 0,
              {{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 12}, {15, 12}, {16, 13}, {17, 13}, {18, 14}, {19, 14}, {20, 15}},
              false, Kind::Line);
}

TEST_P(DrawLinesFormats, JoinRunsThroughEveryPointAndDiffOnlyWithinPairs) {
  PClip src = Source();
  PClip joined = host.Apply("DrawLines", Args(src, 0, 0, {2, 2, 6, 2, 6, 6}));
  ExpectDrawn(src, joined, 0, {{2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {6, 3}, {6, 4}, {6, 5}, {6, 6}}, false, Kind::Line);

  PClip pairs = host.Apply("DrawLines", Args(src, 0, 0, {2, 2, 6, 2, 10, 20, 10, 25}, {Named("line", "diff")}));
  ExpectDrawn(src, pairs, 0,
              {{2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {10, 20}, {10, 21}, {10, 22}, {10, 23}, {10, 24}, {10, 25}}, false,
              Kind::Line);
}

TEST_P(DrawLinesFormats, CurveFollowsQuadraticFillsGapsAndStopsBeforeLastPoint) {
  PClip src = Source();
  PClip out = host.Apply("DrawLines", Args(src, 0, 0, {0, 0, 10, 20, 20, 0}, {Named("line", "curve")}));
  ExpectDrawn(src, out, 0, kArch, false, Kind::Curve);
}

TEST_P(DrawLinesFormats, CurveWithBrushDrawsBlocksThatGreyTheirOwnChroma) {
  PClip src = Source();
  PClip out = host.Apply("DrawLines",
                         Args(src, 0, 0, {0, 0, 10, 20, 20, 0}, {Named("line", "curve"), Named("brush", true)}));
  ExpectDrawn(src, out, 0, kArch, true, Kind::Curve);
}

TEST_P(DrawLinesFormats, CurveWithoutMonotonicXRunsAlongY) {
  PClip src = Source();
  PClip out = host.Apply("DrawLines", Args(src, 0, 0, {0, 0, 10, 10, 5, 20}, {Named("line", "curve")}));
  // x = (35y - 1.5y^2)/20 truncated; row 2 also fills column 2 between 1 and 3.
  ExpectDrawn(src, out, 0,
              {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {5, 4}, {6, 5}, {7, 6}, {8, 7}, {9, 8}, {9, 9}, {10, 10}, {10, 11},
               {10, 12}, {10, 13}, {9, 14}, {9, 15}, {8, 16}, {8, 17}, {7, 18}, {6, 19}},
              false, Kind::Curve);
}

TEST_P(DrawLinesFormats, BrushBlocksInsideSinglePixelsWithinOneOfTheEdge) {
  PClip src = Source();
  PClip out = host.Apply("DrawLines", Args(src, 0, 0, {0, 5, 6, 5, 6, 0, 6, 4, 39, 10, 39, 12, 20, 29, 22, 29, 0, 15,
                                                        0, 20, 10, 0, 12, 0},
                                           {Named("line", "diff"), Named("brush", true)}));
  Pixels pixels;
  for (int x = 0; x <= 6; ++x) pixels.push_back({x, 5});
  for (int y = 0; y <= 4; ++y) pixels.push_back({6, y});
  for (int y = 15; y <= 20; ++y) pixels.push_back({0, y});
  for (int x = 10; x <= 12; ++x) pixels.push_back({x, 0});
  for (int y = 10; y <= 12; ++y) pixels.push_back({39, y});
  for (int x = 20; x <= 22; ++x) pixels.push_back({x, 29});
  ExpectDrawn(src, out, 0, pixels, true, Kind::Line);
}

TEST_P(DrawLinesFormats, DriftMovesEveryPointAndTruncatesTowardZero) {
  PClip src = Source(7);
  // lx = 20 alone: rx follows lx, so the set drifts right by 20 over the range without shear.
  PClip right = host.Apply("DrawLines", Args(src, 1, 5, {2, 3, 8, 3}, {Named("lx", 20)}));
  ExpectDrawn(src, right, 0, {}, false, Kind::Line);
  ExpectDrawn(src, right, 1, {{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}, {8, 3}}, false, Kind::Line);
  ExpectDrawn(src, right, 3, {{12, 3}, {13, 3}, {14, 3}, {15, 3}, {16, 3}, {17, 3}, {18, 3}}, false, Kind::Line);
  ExpectDrawn(src, right, 5, {{22, 3}, {23, 3}, {24, 3}, {25, 3}, {26, 3}, {27, 3}, {28, 3}}, false, Kind::Line);
  ExpectDrawn(src, right, 6, {}, false, Kind::Line);

  // One frame into three of a drift of -7: -7/3 is -2, not -3.
  PClip left = host.Apply("DrawLines", Args(src, 0, 3, {10, 4, 14, 4}, {Named("lx", -7)}));
  ExpectDrawn(src, left, 1, {{8, 4}, {9, 4}, {10, 4}, {11, 4}, {12, 4}}, false, Kind::Line);
}

TEST_P(DrawLinesFormats, ShearFormsItsProductsInOrderAndSegmentsTruncateTowardZero) {
  PClip src = Source(2);
  // lx = 6, rx = 0: drift 3 and shear 3 - (y*3*2)/40: (5,0) -> (11,0), (5,20) -> (8,20).
  PClip across = host.Apply("DrawLines", Args(src, 0, 1, {5, 0, 5, 20}, {Named("lx", 6), Named("rx", 0)}));
  Pixels steep;
  for (int y = 0; y <= 20; ++y) steep.push_back({y <= 6 ? 11 : y <= 13 ? 10 : y <= 19 ? 9 : 8, y});
  ExpectDrawn(src, across, 1, steep, false, Kind::Line);

  // ty = 6, by = 0 on the height 30: (0,5) -> (0,11), (20,5) -> (20,7).
  PClip down = host.Apply("DrawLines", Args(src, 0, 1, {0, 5, 20, 5}, {Named("ty", 6), Named("by", 0)}));
  Pixels shallow;
  for (int x = 0; x <= 20; ++x) shallow.push_back({x, 11 - x / 5});
  ExpectDrawn(src, down, 1, shallow, false, Kind::Line);
}

TEST_P(DrawLinesFormats, CurveRunThatLosesMonotonicityUnderMotionDrawsNothing) {
  PClip src = Source(3);
  // x rises 10, 12, 14; the shear (20 - y at the end) turns it into 28, 12, 30, and y (2, 20, 4)
  // was never monotonic.
  PClip out = host.Apply("DrawLines", Args(src, 0, 2, {10, 2, 12, 20, 14, 4}, {Named("line", "curve"),
                                                                               Named("lx", 20), Named("rx", -20)}));
  PictureModel unchanged1(host.FrameOf(src, 1)), unchanged2(host.FrameOf(src, 2));
  EXPECT_TRUE(unchanged1.Matches(host.FrameOf(out, 1)));
  EXPECT_TRUE(unchanged2.Matches(host.FrameOf(out, 2)));
  EXPECT_EQ(host.FrameOf(out, 0).Get(10, 2, 0), kLval);  // frame 0 is unmoved: drawn from its first point
}

TEST_P(DrawLinesFormats, EndsThatMeetPlotOnePixel) {
  PClip src = Source(2);
  PClip still = host.Apply("DrawLines", Args(src, 0, 0, {5, 5, 5, 5}));
  ExpectDrawn(src, still, 0, {{5, 5}}, false, Kind::Line);

  // X = x + y - 40 and Y = x + y - 30 at the end: (30,20) and (25,25) both reach (10,20).
  PClip meeting = host.Apply("DrawLines", Args(src, 0, 1, {30, 20, 25, 25},
                                                  {Named("lx", -40), Named("rx", 0), Named("ty", -30), Named("by", 0)}));
  ExpectDrawn(src, meeting, 1, {{10, 20}}, false, Kind::Line);
}

TEST_P(DrawLinesFormats, OneFrameRangeDoesNotMove) {
  PClip src = Source(3);
  PClip out = host.Apply("DrawLines", Args(src, 1, 1, {2, 3, 5, 3}, {Named("lx", 20), Named("ty", 9)}));
  ExpectDrawn(src, out, 0, {}, false, Kind::Line);
  ExpectDrawn(src, out, 1, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}, false, Kind::Line);
  ExpectDrawn(src, out, 2, {}, false, Kind::Line);
}

TEST_P(DrawLinesFormats, ExtremeMotionStaysExactAndInsideTheFrame) {
  PClip src = Source(2);
  // hx = 2^31 - 1, no drift: (0,0) flies to x = 2^31 - 1 while (5,20) stays; the part of the
  // segment inside the frame runs just under row 20.
  PClip far = host.Apply("DrawLines", Args(src, 0, 1, {0, 0, 5, 20}, {Named("lx", INT_MAX), Named("rx", INT_MIN)}));
  Pixels pixels = {{5, 20}};
  for (int x = 6; x < W; ++x) pixels.push_back({x, 19});
  ExpectDrawn(src, far, 1, pixels, false, Kind::Line);

  // Everything the largest parameters can do, with the brush, on every kind of line.
  for (const char* line : {"join", "diff", "curve"}) {
    for (auto [a, b] : {std::pair{INT_MAX, INT_MIN}, std::pair{INT_MIN, INT_MAX}, std::pair{INT_MAX, INT_MAX}}) {
      PClip wild = host.Apply("DrawLines", Args(src, 0, 1, {0, 0, 20, 15, 30, 29, 39, 20},
                                                {Named("line", line), Named("brush", true), Named("lx", a),
                                                 Named("rx", b), Named("ty", b), Named("by", a)}));
      host.FrameOf(wild, 1);
    }
  }
}

TEST_P(DrawLinesFormats, CurvePushedOutOfTheFrameIsClampedToItsEdgeRow) {
  PClip src = Source(2);
  Pixels top, bottom;
  for (int x = 5; x < 15; ++x) {
    top.push_back({x, 0});
    bottom.push_back({x, H - 1});
  }
  PClip up = host.Apply("DrawLines", Args(src, 0, 1, {5, 5, 10, 10, 15, 5}, {Named("line", "curve"), Named("ty", -1000)}));
  ExpectDrawn(src, up, 1, top, false, Kind::Curve);
  PClip down = host.Apply("DrawLines", Args(src, 0, 1, {5, 5, 10, 10, 15, 5}, {Named("line", "curve"), Named("ty", 1000)}));
  ExpectDrawn(src, down, 1, bottom, false, Kind::Curve);
}

TEST_P(DrawLinesFormats, OutputDoesNotDependOnFramePoison) {
  TestHost other(0x3C);
  auto draw = [](TestHost& h, const char* line) {
    PClip src = h.MakeClip(GetParam().pixel_type, W, H, 2, [](int, Picture& p) { p.Fill(70, 80, 90); });
    PClip out = h.Apply("DrawLines", {Arg(src), Arg(0), Arg(1), Arg(0), Arg(0), Arg(10), Arg(20), Arg(20), Arg(0),
                                      Arg(39), Arg(29), Named("line", line), Named("brush", true), Named("lx", 3)});
    return h.FrameOf(out, 1);
  };
  EXPECT_TRUE(SamePictures(draw(host, "join"), draw(other, "join")));
  EXPECT_TRUE(SamePictures(draw(host, "curve"), draw(other, "curve")));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DrawLinesFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Checks --------------------------------------------------------------------------------

class DrawLinesChecks : public ::testing::Test {
 protected:
  std::string Error(const PClip& clip, int sf, int ef, const std::vector<int>& values,
                    const std::vector<Argument>& named = {}) {
    std::vector<Argument> args = {Arg(clip), Arg(sf), Arg(ef)};
    for (int v : values) args.push_back(Arg(v));
    args.insert(args.end(), named.begin(), named.end());
    return host.ErrorOf("DrawLines", args);
  }

  TestHost host;
};

const char* const kCurveCount =
    "DrawLines:For line option  curve x y coordinate pairs,and for atleast 3 points must be specified";
const char* const kJoinCount =
    "DrawLines:For line option join, x y coordinate pairs for all and atleast 2 points must be specified";
const char* const kDiffCount =
    "DrawLines:For  line option diff, x y coordinate pairs for even number of pairs  and atleast 2 points must be "
    "specified";
const char* const kNegative = "DrawLines:One or more values in the sets is invalid being negative";
const char* const kOutside =
    "DrawLines: one or more  coordinates of x and or y are outside frame width of 40 frame height of 30";
const char* const kLvalRange = "DrawLines:Invalid line color value. Can be 0 to 255 only";

TEST_F(DrawLinesChecks, FormatAndFrameRange) {
  PClip clip = host.MakeClip(VideoInfo::CS_BGR32, W, H, 5);
  PClip odd = UnknownFormatClip(W, H, 5);
  EXPECT_EQ(Error(odd, 3, 1, {1, 1, 2, 2}), "DrawLines: This color format is not supported here");
  EXPECT_EQ(Error(clip, 3, 2, {1, 1, 2, 2}), "DrawLines:invalid frame numbers");
  EXPECT_EQ(Error(clip, -1, 2, {1, 1, 2, 2}), "DrawLines:invalid frame numbers");
  EXPECT_EQ(Error(clip, 0, 6, {1, 1, 2, 2}), "DrawLines:invalid frame numbers");
  EXPECT_EQ(Error(clip, 0, 5, {1, 1, 2, 2}), "");  // the frame count itself passes
  EXPECT_EQ(Error(clip, 2, 2, {1, 1, 2, 2}), "");
}

TEST_F(DrawLinesChecks, PointCountsPerLineOption) {
  PClip clip = host.MakeClip(VideoInfo::CS_YUY2, W, H, 1);
  const auto curve = Named("line", "curve"), diff = Named("line", "diff");
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2}, {curve}), kCurveCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3}, {curve}), kCurveCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3, 3, 4}, {curve}), kCurveCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3, 3}, {curve}), "");
  EXPECT_EQ(Error(clip, 0, 0, {1, 1}), kJoinCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3}), kJoinCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3, 3}), "");
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3, 3}, {diff}), kDiffCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1}, {diff}), kDiffCount);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2, 3, 3, 4, 4}, {diff}), "");
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2}, {Named("line", "Join")}),
            "DrawLines: line can have only join, diff and curve as options");
}

TEST_F(DrawLinesChecks, CurveRunsMustBeMonotonicInXOrY) {
  PClip clip = host.MakeClip(VideoInfo::CS_YV12, W, H, 1);
  const auto curve = Named("line", "curve");
  // Points 1, 2, 3: x 10, 20, 15 and y 10, 20, 5.
  EXPECT_EQ(Error(clip, 0, 0, {0, 0, 10, 10, 20, 20, 15, 5}, {curve}),
            "DrawLines: the 1, 2 and 3 points do not have either increasing or decreasing x or y coordinates");
  EXPECT_EQ(Error(clip, 0, 0, {5, 0, 5, 10, 0, 20}, {curve}), "");  // y alone rising is enough
  EXPECT_EQ(Error(clip, 0, 0, {5, 0, 5, 10, 6, 10}, {curve}),
            "DrawLines: the 0, 1 and 2 points do not have either increasing or decreasing x or y coordinates");
}

TEST_F(DrawLinesChecks, ValuesMustLieInsideTheFrameAndLvalInAByte) {
  PClip clip = host.MakeClip(VideoInfo::CS_BGR24, W, H, 1);
  EXPECT_EQ(Error(clip, 0, 0, {1, -1, 2, 2}), kNegative);
  EXPECT_EQ(Error(clip, 0, 0, {-1, 1, 40, 2}), kNegative);  // negative before outside
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 40, 2}), kOutside);
  EXPECT_EQ(Error(clip, 0, 0, {1, 30, 2, 2}), kOutside);
  EXPECT_EQ(Error(clip, 0, 0, {39, 29, 0, 0}), "");
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2}, {Named("lval", -1)}), kLvalRange);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2}, {Named("lval", 256)}), kLvalRange);
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 40, 2}, {Named("lval", 256)}), kOutside);  // outside before lval
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2}, {Named("lval", 0)}), "");
  EXPECT_EQ(Error(clip, 0, 0, {1, 1, 2, 2}, {Named("lval", 255)}), "");
}

TEST_F(DrawLinesChecks, AtMostSixtyPoints) {
  PClip clip = host.MakeClip(VideoInfo::CS_I420, W, H, 1);
  std::vector<int> values;
  for (int k = 0; k < 60; ++k) values.insert(values.end(), {k % W, k % H});
  EXPECT_EQ(Error(clip, 0, 0, values), "");
  values.insert(values.end(), {1, 1});
  EXPECT_EQ(Error(clip, 0, 0, values), "DrawLines: at most 120 coordinate values (60 points) can be given");
  values.back() = 30;  // an earlier check still speaks first
  EXPECT_EQ(Error(clip, 0, 0, values), kOutside);
}

TEST_F(DrawLinesChecks, CheckOrderFormatFramesLineValues) {
  PClip clip = host.MakeClip(VideoInfo::CS_BGR32, W, H, 2);
  EXPECT_EQ(Error(clip, 1, 0, {-1}, {Named("line", "zig")}), "DrawLines:invalid frame numbers");
  EXPECT_EQ(Error(clip, 0, 1, {-1, 50}, {Named("line", "zig")}),
            "DrawLines: line can have only join, diff and curve as options");
  EXPECT_EQ(Error(clip, 0, 1, {-1, 50}), kJoinCount);
}

}  // namespace
}  // namespace tintara::testing
