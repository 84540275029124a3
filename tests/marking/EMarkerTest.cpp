// EMarker through its registered signature, in every format. Expected marks are worked out by
// hand from the operators on a grey 16x12 picture with a dot, a step or a ramp in its main
// channel (RGB all three bytes alike, YUV luma).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

constexpr int W = 16, H = 12;
constexpr int kDotX = 7, kDotY = 5, kStepX = 8;

using Shape = std::function<int(int x, int y)>;
const Shape kDot = [](int x, int y) { return x == kDotX && y == kDotY ? 228 : 128; };
const Shape kStep = [](int x, int) { return x < kStepX ? 128 : 228; };
const Shape kRamp = [](int x, int) { return 20 + 10 * x; };

PClip GreyClip(TestHost& host, int pixel_type, const Shape& f, int frames = 1) {
  return host.MakeClip(pixel_type, W, H, frames, [&](int, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, f(x, y), f(x, y), f(x, y));
        else
          p.Set(x, y, 0, f(x, y));
      }
  });
}

// Whole-frame window: the frame's outer pixels carry the edge grey (every RGB byte), interior
// pixels 255 where `marked` else 0, and YUV chroma is 128 throughout.
void ExpectMarks(const Picture& out, const std::function<bool(int, int)>& marked, const std::string& what) {
  const bool rgb = IsRGB(out.Format());
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool edge = x == 0 || y == 0 || x == W - 1 || y == H - 1;
      const int want = edge ? 128 : marked(x, y) ? 255 : 0;
      const int channels = out.Format() == PixelFormat::RGB32 ? 4 : 3;
      for (int c = 0; c < channels; ++c)
        ASSERT_EQ(out.Get(x, y, c), rgb || c == 0 ? want : 128) << what << " x=" << x << " y=" << y << " c=" << c;
    }
}

// Marked-pixel patterns: the dot's own pixel, its side/up/down neighbours, its diagonal ones
// (h columns away), the columns beside the step, or every column whose taps lie in the frame.
enum { kCentre = 1, kCross = 2, kCorner = 4, kNine = 7, kBesideStep = 8, kEverywhere = 16 };

bool InPattern(int pattern, int x, int y, int h) {
  const int dx = x - kDotX, dy = y - kDotY;
  if ((dx == 0 || std::abs(dx) == h) && std::abs(dy) <= 1) {
    const int kind = dx == 0 && dy == 0 ? kCentre : dx == 0 || dy == 0 ? kCross : kCorner;
    if (pattern & kind) return true;
  }
  if ((pattern & kBesideStep) && x >= kStepX - h && x < kStepX + h) return true;
  return (pattern & kEverywhere) && x >= h && x <= W - 1 - h;
}

class EMarkerFormats : public ::testing::TestWithParam<FormatCase> {};

struct MainCase {
  const char* type;
  int threshold;  // gyt, and lt too
  const Shape* shape;
  int pattern;
};

// Dot of +100: "e1" gives 100 at the dot and -100/8 = -12 (truncated) beside it; "e2" 100^2
// beside it; "el" 400 / -200 / +100 at the dot / side / diagonal; "ep" 100^2 at the sides and
// 2 * 100^2 at the diagonals; "es" 4 * 100^2 and 2 * 100^2. Step of 100: "e1" -300/8 = -37 and
// +37 beside it; "e2" 100^2; "el" 0; "ep" 300^2; "es" 400^2. Ramp of 10 a column: "e1" and "el"
// 0; "e2" (2h * 10)^2; "ep" 60^2; "es" 80^2.
TEST_P(EMarkerFormats, OperatorsOnDotStepAndRamp) {
  const MainCase cases[] = {
      {"e1", 12, &kDot, kCentre},
      {"e1", 11, &kDot, kNine},
      {"e2", 99, &kDot, kCross | kCorner},
      {"e2", 100, &kDot, 0},
      {"el", 100, &kDot, kCentre | kCross},
      {"el", 99, &kDot, kNine},
      {"ep", 100, &kDot, kCorner},
      {"ep", 141, &kDot, kCorner},
      {"ep", 142, &kDot, 0},
      {"es", 141, &kDot, kCross | kCorner},
      {"es", 142, &kDot, kCross},
      {"es", 199, &kDot, kCross},
      {"es", 200, &kDot, 0},
      {"e1", 37, &kStep, 0},
      {"e1", 36, &kStep, kBesideStep},
      {"e2", 99, &kStep, kBesideStep},
      {"e2", 100, &kStep, 0},
      {"el", 1, &kStep, 0},
      {"ep", 255, &kStep, kBesideStep},
      {"es", 255, &kStep, kBesideStep},
      {"e1", 1, &kRamp, 0},
      {"e2", 19, &kRamp, kEverywhere},
      {"e2", 40, &kRamp, 0},
      {"el", 1, &kRamp, 0},
      {"ep", 59, &kRamp, kEverywhere},
      {"ep", 60, &kRamp, 0},
      {"es", 79, &kRamp, kEverywhere},
      {"es", 80, &kRamp, 0},
  };
  for (const MainCase& c : cases) {
    TestHost host;
    PClip src = GreyClip(host, GetParam().pixel_type, *c.shape);
    PClip edges =
        host.Apply("EMarker", {Arg(src), Named("type", c.type), Named("gyt", c.threshold), Named("lt", c.threshold)});
    // RGB green takes its side neighbours two pixels away in "e1" and "e2".
    const std::string t = c.type;
    const int h = IsRGB(FormatOf(src->GetVideoInfo())) && (t == "e1" || t == "e2") ? 2 : 1;
    ExpectMarks(
        host.FrameOf(edges, 0), [&](int x, int y) { return InPattern(c.pattern, x, y, h); },
        t + " threshold " + std::to_string(c.threshold));
  }
}

// Previous and next rows are memory rows, bottom-up in RGB. Only "e2" can tell: on 5x + 5y
// its measure is 20^2 in YUV but 30^2 + 20^2 (green, h = 2) in RGB; on 5x - 5y it is
// 20^2 + 20^2 in YUV and 10^2 + 20^2 in RGB. The bound is 25^2.
TEST_P(EMarkerFormats, CrossDifferenceFollowsMemoryRows) {
  TestHost host;
  const bool rgb = IsRGB(FormatOf(VideoInfoOf(GetParam().pixel_type, W, H, 1)));
  const Shape down_right = [](int x, int y) { return 20 + 5 * x + 5 * y; };
  const Shape up_right = [](int x, int y) { return 80 + 5 * x - 5 * y; };
  for (const Shape* shape : {&down_right, &up_right}) {
    PClip edges = host.Apply(
        "EMarker", {Arg(GreyClip(host, GetParam().pixel_type, *shape)), Named("type", "e2"), Named("gyt", 25)});
    const bool marks = rgb == (shape == &down_right);
    ExpectMarks(
        host.FrameOf(edges, 0), [&](int x, int) { return marks && x >= (rgb ? 2 : 1) && x <= W - (rgb ? 3 : 2); },
        shape == &down_right ? "5x + 5y" : "5x - 5y");
  }
}

// "el" bounds each channel by lt, except on YUY2 where each channel's own threshold serves.
TEST_P(EMarkerFormats, LaplacianBoundIsLtExceptOnYuy2) {
  TestHost host;
  const bool yuy2 = GetParam().pixel_type == VideoInfo::CS_YUY2;
  PClip src = GreyClip(host, GetParam().pixel_type, kDot);
  for (int gyt : {99, 100}) {
    const int lt = 199 - gyt, bound = yuy2 ? gyt : lt;
    PClip edges = host.Apply("EMarker", {Arg(src), Named("type", "el"), Named("gyt", gyt), Named("lt", lt)});
    const int pattern = bound == 99 ? kNine : kCentre | kCross;
    ExpectMarks(
        host.FrameOf(edges, 0), [&](int x, int y) { return InPattern(pattern, x, y, 1); },
        "el gyt " + std::to_string(gyt));
  }
}

// A pixel that already carries colour gets the low eight bits of col, unless xcol is off;
// white=false swaps mark and background but not col or the edge grey.
TEST_P(EMarkerFormats, ColouredPixelsTakeCol) {
  TestHost host;
  PClip src = host.MakeClip(GetParam().pixel_type, W, H, 1, [](int, Picture& p) {
    if (IsRGB(p.Format()))
      p.SetPixel(5, 5, 50, 128, 200);  // green flat: no edge either way
    else
      p.SetPixel(5, 5, 128, 50, 200);
  });
  // The colour's extent: one RGB pixel, a YUY2 pair, a 2x2 planar block.
  const PixelFormat f = FormatOf(src->GetVideoInfo());
  auto coloured = [&](int x, int y) {
    return IsRGB(f) ? x == 5 && y == 5 : f == PixelFormat::YUY2 ? x / 2 == 2 && y == 5 : x / 2 == 2 && y / 2 == 2;
  };
  Picture out = host.FrameOf(host.Apply("EMarker", {Arg(src), Named("col", 300), Named("white", false)}), 0);
  for (int y = 1; y < H - 1; ++y)
    for (int x = 1; x < W - 1; ++x) ASSERT_EQ(out.Get(x, y, 0), coloured(x, y) ? 44 : 255) << x << "," << y;
  EXPECT_EQ(out.Get(0, 5, 0), 128);
  Picture plain = host.FrameOf(host.Apply("EMarker", {Arg(src), Named("xcol", false)}), 0);
  EXPECT_EQ(plain.Get(5, 5, 0), 0);
}

// Every output byte is the filter's: two hosts poisoning new frames differently give the same
// bytes, for the default full-frame window, a small odd window, test mode and "epl" without gyt.
TEST_P(EMarkerFormats, EveryOutputByteIsDefined) {
  auto bytes = [&](uint8_t poison, const std::vector<Argument>& extra, int n) {
    TestHost host(poison);
    PClip src = GreyClip(host, GetParam().pixel_type, kDot, 4);
    std::vector<Argument> args = {Arg(src)};
    args.insert(args.end(), extra.begin(), extra.end());
    Picture p = host.FrameOf(host.Apply("EMarker", args), n);
    std::vector<int> all;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        for (int c = 0; c < (p.Format() == PixelFormat::RGB32 ? 4 : 3); ++c) all.push_back(p.Get(x, y, c));
    return all;
  };
  const bool yuy2 = GetParam().pixel_type == VideoInfo::CS_YUY2;
  const std::vector<std::vector<Argument>> configs = {
      {},
      {Named("type", "e2"), Named("rt", 3), Named("bt", 3), Named("lx", 3), Named("ty", 1), Named("rx", 9),
       Named("by", 8)},
      {Named("test", true), Named("ef", 3), Named("lx", 1), Named("elx", 5), Named("rx", 13)},
      {Named("type", yuy2 ? "epl" : "el"), Named("gyt", 0)},
  };
  for (size_t i = 0; i < configs.size(); ++i)
    EXPECT_EQ(bytes(0x00, configs[i], 0), bytes(0xFF, configs[i], 0)) << "config " << i;
}

// Test mode: frames below ef are made from frame sf with gyt swept toward ft (110 -> 10 over 3
// frames: 110, 110 - 100/3 = 77, 110 - 200/3 = 44), outside the window black, later frames the
// source's own. The dot of 77 needs a threshold below 77.
TEST_P(EMarkerFormats, TestModeSweepsThresholdsOverOneSourceFrame) {
  TestHost host;
  PClip src = host.MakeClip(GetParam().pixel_type, W, H, 6, [](int n, Picture& p) {
    const int v = n == 2 ? 205 : 128 + n;
    if (IsRGB(p.Format()))
      p.SetPixel(kDotX, kDotY, v, v, v);
    else
      p.Set(kDotX, kDotY, 0, v);
  });
  PClip edges = host.Apply(
      "EMarker", {Arg(src), Named("test", true), Named("sf", 2), Named("ef", 3), Named("gyt", 110), Named("ft", 10),
                  Named("lx", 2), Named("ty", 2), Named("rx", 12), Named("by", 9), Named("elx", 5)});
  const bool rgb = IsRGB(FormatOf(src->GetVideoInfo()));
  for (int n = 0; n < 3; ++n) {
    Picture out = host.FrameOf(edges, n);
    const int left = 2 + n;  // 2 + (5 - 2) * n / 3
    EXPECT_EQ(out.Get(kDotX, kDotY, 0), n == 2 ? 255 : 0) << "frame " << n;
    EXPECT_EQ(out.Get(kDotX + 1, kDotY, 0), 0);
    EXPECT_EQ(out.Get(left, 4, 0), 128) << "frame " << n;
    EXPECT_EQ(out.Get(left - 1, 4, 0), 0);
    EXPECT_EQ(out.Get(13, 4, 0), 0);
    EXPECT_EQ(out.Get(7, 10, rgb ? 2 : 1), rgb ? 0 : 128);
  }
  Picture later = host.FrameOf(edges, 3);
  EXPECT_EQ(later.Get(kDotX, kDotY, 0), 131);
  EXPECT_EQ(later.Get(0, 0, 0), 128);
}

// Test mode off: frames outside sf..ef are the source's; inside, the window moves and the
// source shows outside it (frame 5 of 2..5: left edge 0 + 4 * 3 / 4 = 3).
TEST_P(EMarkerFormats, FrameRangeAndMovingWindowKeepSourceOutside) {
  TestHost host;
  PClip src = host.MakeClip(GetParam().pixel_type, W, H, 8, [](int n, Picture& p) {
    if (IsRGB(p.Format()))
      p.Fill(100 + n, 100 + n, 100 + n);
    else
      p.Fill(100 + n, 60, 200);  // coloured everywhere
  });
  PClip edges = host.Apply("EMarker", {Arg(src), Named("sf", 2), Named("ef", 5), Named("elx", 4), Named("col", 7)});
  for (int n : {0, 1, 6, 7})
    EXPECT_EQ(host.FrameOf(edges, n).Frame()->GetReadPtr(), host.FrameOf(src, n).Frame()->GetReadPtr()) << n;
  Picture out = host.FrameOf(edges, 5);
  const bool rgb = IsRGB(out.Format());
  EXPECT_EQ(out.Get(2, 6, 0), 105);
  EXPECT_EQ(out.Get(1, 6, 1), rgb ? 105 : 60);
  EXPECT_EQ(out.Get(3, 6, 0), 128);
  EXPECT_EQ(out.Get(4, 6, 0), rgb ? 0 : 7);  // flat grey RGB is background; coloured YUV takes col
  EXPECT_EQ(out.Get(4, 6, 1), rgb ? 0 : 128);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, EMarkerFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// Sets one channel's sample of the picture's (x, y) to 228 on a grey picture.
PClip ChannelDots(TestHost& host, int pixel_type, int channel, const std::vector<std::pair<int, int>>& dots) {
  return host.MakeClip(pixel_type, W, H, 1, [&](int, Picture& p) {
    for (auto [x, y] : dots) p.Set(x, y, channel, 228);
  });
}

// RGB blue looks one pixel to each side in "e1", green and red two; with the window at the
// frame's sides, the far bytes are not tested in columns 1 and W - 2 (the ramp above).
TEST(EMarkerRgb, BytesOneAndTwoLookTwoPixelsAway) {
  for (int pixel_type : {VideoInfo::CS_BGR24, VideoInfo::CS_BGR32}) {
    for (int channel : {0, 1, 2}) {
      TestHost host;
      PClip src = ChannelDots(host, pixel_type, channel, {{kDotX, kDotY}});
      PClip edges =
          host.Apply("EMarker", {Arg(src), Named("rt", channel == 0 ? 11 : 0), Named("gyt", channel == 1 ? 11 : 0),
                                 Named("bt", channel == 2 ? 11 : 0), Named("xcol", false)});
      const int h = channel == 0 ? 1 : 2;
      ExpectMarks(
          host.FrameOf(edges, 0), [&](int x, int y) { return InPattern(kNine, x, y, h); },
          std::string("byte ") + std::to_string(channel));
    }
  }
}

// YUY2 chroma compares neighbouring pairs; "e1" tests every column, the others even columns
// only; the first pair (x = 1) and the pair at x >= W - 2 are not tested.
TEST(EMarkerYuy2, ChromaUsesNeighbouringPairsInsideTheRow) {
  struct Case {
    int channel, x;
    const char* type;
    int t;
    std::function<bool(int, int)> marked;
  };
  const Case cases[] = {
      {1, 6, "e1", 11, [](int x, int y) { return x >= 4 && x <= 9 && std::abs(y - 5) <= 1; }},
      {2, 6, "e1", 12, [](int x, int y) { return x / 2 == 3 && y == 5; }},
      {1, 6, "e2", 99,
       [](int x, int y) { return x % 2 == 0 && std::abs(x - 6) <= 2 && std::abs(y - 5) <= 1 && !(x == 6 && y == 5); }},
      {1, 2, "e1", 11, [](int x, int y) { return x >= 2 && x <= 5 && std::abs(y - 5) <= 1; }},
      {2, 12, "e1", 11, [](int x, int y) { return x >= 10 && x <= 13 && std::abs(y - 5) <= 1; }},
  };
  for (const Case& c : cases) {
    TestHost host;
    PClip src = ChannelDots(host, VideoInfo::CS_YUY2, c.channel, {{c.x, 5}});
    PClip edges = host.Apply(
        "EMarker", {Arg(src), Named("type", c.type), Named("gyt", 0), Named(c.channel == 1 ? "rt" : "bt", c.t)});
    ExpectMarks(host.FrameOf(edges, 0), c.marked, std::string(c.type) + " pair at " + std::to_string(c.x));
  }
}

// "epl" and "esl" test Y only, and both measures must exceed their bounds (dot of +100: "ep"
// 2 * 100^2 and "el" +100 at the diagonals; "es" 4 * 100^2 and "el" -200 at the sides).
// Without gyt nothing is tested: background. A U dot beside them stays unmarked.
TEST(EMarkerYuy2, GradientAndLaplacianMustBothExceed) {
  struct Case {
    const char* type;
    int gyt, lt, pattern;
  } cases[] = {
      {"epl", 100, 99, kCorner}, {"epl", 100, 100, 0}, {"epl", 142, 0, 0}, {"esl", 150, 199, kCross},
      {"esl", 150, 200, 0},      {"esl", 200, 0, 0},   {"epl", 0, 0, 0},
  };
  for (const Case& c : cases) {
    TestHost host;
    PClip src = host.MakeClip(VideoInfo::CS_YUY2, W, H, 1, [](int, Picture& p) {
      p.Set(kDotX, kDotY, 0, 228);
      p.Set(12, 8, 1, 228);
    });
    PClip edges = host.Apply("EMarker",
                             {Arg(src), Named("type", c.type), Named("gyt", c.gyt), Named("lt", c.lt), Named("rt", 1)});
    ExpectMarks(
        host.FrameOf(edges, 0), [&](int x, int y) { return InPattern(c.pattern, x, y, 1); },
        std::string(c.type) + " " + std::to_string(c.gyt) + "/" + std::to_string(c.lt));
  }
}

// Planar chroma works on its own grid and is tested only for 2 <= x < W - 2, 2 <= y < H - 2:
// U dots at chroma (1, 1) and (6, 4) mark pixels 2..5 x 2..5 and 10..13 x 6..9.
TEST(EMarkerPlanar, ChromaStaysTwoPixelsInside) {
  for (int pixel_type : {VideoInfo::CS_YV12, VideoInfo::CS_I420}) {
    TestHost host;
    PClip src = ChannelDots(host, pixel_type, 1, {{2, 2}, {12, 8}});
    PClip edges = host.Apply("EMarker", {Arg(src), Named("gyt", 0), Named("rt", 11)});
    ExpectMarks(
        host.FrameOf(edges, 0),
        [](int x, int y) { return (x >= 2 && x <= 5 && y >= 2 && y <= 5) || (x >= 10 && x <= 13 && y >= 6 && y <= 9); },
        "planar chroma");
  }
}

// The checks run in order: each case fails its own check and a later one too.
TEST(EMarkerChecks, MessagesAndBoundariesInOrder) {
  TestHost host;
  PClip rgb = host.MakeClip(VideoInfo::CS_BGR24, W, H, 10);
  PClip yuy2 = host.MakeClip(VideoInfo::CS_YUY2, W, H, 10);
  PClip yv12 = host.MakeClip(VideoInfo::CS_YV12, W, H, 10);
  VideoInfo other = VideoInfoOf(VideoInfo::CS_YUV | VideoInfo::CS_PLANAR | (1 << 10), W, H, 10);
  PClip unsupported(new MemoryClip(other, {}));
  const std::string range_test =
      "EMarker: startf must be +ve and endf atleast 2 and startf+endf less than frame count of 10 ";
  const std::string range =
      "EMarker: startf and endf must be +ve, endf more than startf and within this clip having 10 frames ";
  const std::string thresholds = "EMarker:Thresholds must be positive numbers 0 to 255 only";
  const std::string end_x = "EMarker: end left x elx and right x erx coordinates invalid";
  const std::string end_y = "EMarker: end top y ety and bottom y eby coordinates invalid";
  const std::string format_type = "EMarker:type valid options for this color format are  e1, e2  el, ep, es, only";
  const std::string any_type = "EMarker:type valid options are  e1, e2  el, ep,epl, es, esl  only";
  struct Case {
    PClip clip;
    std::vector<Argument> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {rgb, {Named("test", true), Named("ef", 1), Named("gyt", 300)}, range_test},
      {rgb, {Named("test", true), Named("sf", 5), Named("ef", 6)}, range_test},
      {rgb, {Named("test", true), Named("sf", -1), Named("ef", 2)}, range_test},
      {rgb, {Named("test", true), Named("sf", 4), Named("ef", 6)}, ""},
      {rgb, {Named("test", true), Named("sf", 2147483647), Named("ef", 2)}, range_test},
      {rgb, {Named("ef", 10), Named("gyt", 300)}, range},
      {rgb, {Named("sf", 3), Named("ef", 2)}, range},
      {rgb, {Named("sf", -1)}, range},
      {rgb, {Named("sf", 9), Named("ef", 9)}, ""},
      {rgb, {Named("fl", 256), Named("lx", -1)}, thresholds},
      {rgb, {Named("lt", -1)}, thresholds},
      {rgb,
       {Named("gyt", 255), Named("rt", 255), Named("bt", 255), Named("lt", 255), Named("ft", 255), Named("fr", 255),
        Named("fb", 255), Named("fl", 255)},
       ""},
      {rgb, {Named("lx", 14), Named("ty", -1)}, "EMarker:window left x lx must be between 0 and 12"},
      {rgb, {Named("lx", 13)}, "EMarker:window right x rx must be between  17 and 15"},
      {rgb, {Named("ty", 10), Named("rx", 3)}, "EMarker:window top y ty must be between  0 and 8"},
      {rgb, {Named("lx", 3), Named("rx", 6), Named("by", 3)}, "EMarker:window right x rx must be between  7 and 15"},
      {rgb, {Named("rx", 16)}, "EMarker:window right x rx must be between  4 and 15"},
      {rgb, {Named("lx", 3), Named("rx", 7), Named("elx", 0)}, ""},
      {rgb, {Named("ty", 2), Named("by", 5), Named("elx", -1)}, "EMarker:window bottom y by must be between 6 and 11"},
      {rgb, {Named("by", 12)}, "EMarker:window bottom y by must be between 4 and 11"},
      {unsupported, {Named("lx", -1)}, "EMarker:window left x lx must be between 0 and 12"},
      {unsupported, {Named("elx", -1)}, "EMarker: This color format is not yet supported"},
      {rgb, {Named("elx", 3), Named("erx", 6), Named("ety", -1)}, end_x},
      {rgb, {Named("elx", 3), Named("erx", -2147483647)}, end_x},
      {rgb, {Named("erx", 16)}, end_x},
      {rgb, {Named("elx", 3), Named("erx", 7), Named("ety", 2), Named("eby", 6)}, ""},
      {rgb, {Named("ety", 2), Named("eby", 5), Named("type", "xx")}, end_y},
      {rgb, {Named("eby", 12)}, end_y},
      {rgb, {Named("type", "epl")}, format_type},
      {yv12, {Named("type", "esl")}, format_type},
      {rgb, {Named("type", "E1")}, format_type},
      {yuy2, {Named("type", "xx")}, any_type},
      {yuy2, {Named("type", "esl")}, ""},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::vector<Argument> args = {Arg(cases[i].clip)};
    args.insert(args.end(), cases[i].args.begin(), cases[i].args.end());
    EXPECT_EQ(host.ErrorOf("EMarker", args), cases[i].message) << "case " << i;
  }
}

}  // namespace
}  // namespace tintara::testing
