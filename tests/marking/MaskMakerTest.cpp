// MaskMaker through its registered signature, in every format.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

using Brightness = std::function<int(int x, int y)>;

// A grey picture: RGB bytes all equal, YUV chroma neutral, so only thresholds decide.
PClip GreyClip(TestHost& host, int pixel_type, int w, int h, int frames, const Brightness& f) {
  return host.MakeClip(pixel_type, w, h, frames, [&](int, Picture& p) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int v = f(x, y);
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, v, v, v);
        else
          p.Set(x, y, 0, v);
      }
  });
}

// The byte the first channel is read from and the marks are written to.
int FirstChannel(const Picture& p) { return IsRGB(p.Format()) ? 1 : 0; }

class MaskMakerFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  int type() const { return GetParam().pixel_type; }
  bool rgb() const { return IsRGB(FormatOf(VideoInfoOf(type(), 2, 2, 1))); }
  bool yuy2() const { return type() == VideoInfo::CS_YUY2; }
};

TEST_P(MaskMakerFormats, DefaultsMarkFirstChannelRangeAndDrawGreyEdge) {
  TestHost host;
  const int W = 16, H = 12;
  PClip src = GreyClip(host, type(), W, H, 1, [&](int x, int y) { return (x + y * W) * 2 % 64; });
  PClip mask = host.Apply("MaskMaker", {Arg(src)});
  Picture out = host.FrameOf(mask, 0);
  Picture in = host.FrameOf(src, 0);
  const int right = yuy2() ? W - 2 : W - 1;  // W-1 rounded down to even
  for (int y = 1; y < H - 1; ++y)
    for (int x = 1; x < right; ++x) {
      const int s = in.Get(x, y, FirstChannel(in));
      const int expected = s >= 20 && s <= 40 ? 255 : 0;
      ASSERT_EQ(out.Get(x, y, 0), expected) << "x=" << x << " y=" << y;
      if (rgb()) {
        ASSERT_EQ(out.Get(x, y, 1), expected);
        ASSERT_EQ(out.Get(x, y, 2), expected);
      } else {
        ASSERT_EQ(out.Get(x, y, 1), 128);
        ASSERT_EQ(out.Get(x, y, 2), 128);
      }
    }
  for (int y = 0; y < H; ++y) {
    EXPECT_EQ(out.Get(0, y, 0), 128);
    EXPECT_EQ(out.Get(right, y, 0), 128);
  }
  for (int x = 0; x <= right; ++x) {
    EXPECT_EQ(out.Get(x, 0, 0), 128);
    EXPECT_EQ(out.Get(x, H - 1, 0), 128);
  }
  if (yuy2()) {
    EXPECT_EQ(out.Get(W - 1, 5, 0), in.Get(W - 1, 5, 0));  // right of the window: the source
  }
  if (type() == VideoInfo::CS_BGR32) {
    EXPECT_EQ(out.Get(3, 3, 3), out.Get(3, 3, 0));  // the fourth byte too
  }
}

// Picture rows are memory rows bottom-up in RGB: the window's top row is the top as seen.
TEST_P(MaskMakerFormats, WindowRowsArePictureRows) {
  TestHost host;
  const int W = 16, H = 12;
  PClip src = GreyClip(host, type(), W, H, 1, [](int, int) { return 30; });
  PClip mask = host.Apply("MaskMaker", {Arg(src), Named("lx", 2), Named("ty", 2), Named("rx", 10), Named("by", 8)});
  Picture out = host.FrameOf(mask, 0);
  EXPECT_EQ(out.Get(5, 2, 0), 128);  // top edge
  EXPECT_EQ(out.Get(5, 3, 0), 255);  // inside
  EXPECT_EQ(out.Get(5, 8, 0), 128);  // bottom edge
  EXPECT_EQ(out.Get(5, 1, 0), 30);   // above: the source
  EXPECT_EQ(out.Get(5, 9, 0), 30);   // below: the source
  EXPECT_EQ(out.Get(1, 5, 0), 30);
  EXPECT_EQ(out.Get(11, 5, 0), 30);
  if (!rgb()) {
    EXPECT_EQ(out.Get(5, 5, 1), 128);
  } else {
    EXPECT_EQ(out.Get(5, 2, 1), 255);  // an RGB edge pixel keeps the mark in its other bytes
  }
}

TEST_P(MaskMakerFormats, BandsMarkEveryOtherBandOfTheThreshold) {
  TestHost host;
  const int W = 64, H = 10;
  PClip src = GreyClip(host, type(), W, H, 1, [](int x, int y) { return (x * 4 + y) % 256; });
  PClip mask =
      host.Apply("MaskMaker", {Arg(src), Named("type", "a1"), Named("gyt", 50), Named("rt", 0), Named("bt", 0)});
  Picture out = host.FrameOf(mask, 0);
  Picture in = host.FrameOf(src, 0);
  for (int y = 1; y < H - 1; ++y)
    for (int x = 1; x < W - 2; ++x) {
      const int s = in.Get(x, y, FirstChannel(in));
      const bool even_band = (s < 50) || (s >= 100 && s < 150) || (s >= 200 && s < 250);
      ASSERT_EQ(out.Get(x, y, 0), even_band ? 255 : 0) << "sample " << s;
    }
}

TEST_P(MaskMakerFormats, ColouredPixelsGetCol) {
  TestHost host;
  const int W = 16, H = 12;
  PClip src = host.MakeClip(type(), W, H, 1, [&](int, Picture& p) {
    p.Fill(30, 128, 128);
    if (rgb()) {
      p.SetPixel(4, 4, 30, 31, 30);  // one byte differs: coloured
      p.SetPixel(6, 6, 30, 30, 30);  // grey
    } else {
      p.SetPixel(4, 4, 30, 100, 140);  // both chroma differ from 128: coloured
      p.SetPixel(6, 6, 30, 100, 128);  // one differs: not coloured
      if (yuy2()) p.Set(7, 6, 0, 30);
    }
  });
  Picture out = host.FrameOf(host.Apply("MaskMaker", {Arg(src), Named("col", 77)}), 0);
  EXPECT_EQ(out.Get(4, 4, 0), 77);
  EXPECT_EQ(out.Get(6, 6, 0), 255);
  Picture plain = host.FrameOf(host.Apply("MaskMaker", {Arg(src), Named("xcol", false), Named("col", 300)}), 0);
  EXPECT_EQ(plain.Get(4, 4, 0), 255);  // thresholds decide: the first channel is in 20..40
}

TEST_P(MaskMakerFormats, WhiteFalseSwapsMarksButNotColOrEdge) {
  TestHost host;
  const int W = 16, H = 12;
  PClip src = GreyClip(host, type(), W, H, 1, [](int x, int) { return x < 8 ? 30 : 90; });
  Picture out = host.FrameOf(host.Apply("MaskMaker", {Arg(src), Named("white", false)}), 0);
  EXPECT_EQ(out.Get(3, 5, 0), 0);
  EXPECT_EQ(out.Get(9, 5, 0), 255);
  EXPECT_EQ(out.Get(0, 5, 0), 128);
}

TEST_P(MaskMakerFormats, VotesCountPerType) {
  TestHost host;
  const int W = 16, H = 12;
  // Channel samples: first 30 (in 20..40), second 150 (in 140..160), third 10 (not in 140..160).
  PClip src = host.MakeClip(type(), W, H, 1, [&](int, Picture& p) {
    if (rgb())
      p.Fill(150, 30, 10);  // blue is the second channel, red the third
    else
      p.Fill(30, 150, 10);
  });
  auto mark = [&](const char* t, bool xcol) {
    PClip m = host.Apply("MaskMaker", {Arg(src), Named("type", t), Named("rt", 140), Named("ert", 160),
                                       Named("bt", 140), Named("ebt", 160), Named("xcol", xcol)});
    return host.FrameOf(m, 0).Get(5, 5, 0);
  };
  EXPECT_EQ(mark("c1", false), 255);
  EXPECT_EQ(mark("c2", false), 255);
  EXPECT_EQ(mark("c3", false), 0);
  EXPECT_EQ(mark("c2", true), 128);  // coloured source: col
}

// rt/ert act on the second channel (RGB blue, byte 0; YUV U) and bt/ebt on the third (RGB red,
// byte 2; YUV V). The two ranges are set apart so that exchanging the channels changes the vote.
TEST_P(MaskMakerFormats, SecondAndThirdThresholdsActOnTheirOwnChannel) {
  TestHost host;
  const int W = 16, H = 12;
  // First channel 30 (in 20..40), second 150, third 200.
  PClip src = host.MakeClip(type(), W, H, 1, [&](int, Picture& p) {
    if (rgb())
      p.Fill(150, 30, 200);
    else
      p.Fill(30, 150, 200);
  });
  auto c2 = [&](const char* lower, const char* upper, int lo, int hi) {
    PClip m = host.Apply("MaskMaker",
                         {Arg(src), Named("type", "c2"), Named("xcol", false), Named(lower, lo), Named(upper, hi)});
    return host.FrameOf(m, 0).Get(5, 5, 0);
  };
  EXPECT_EQ(c2("rt", "ert", 140, 160), 255);  // second channel 150 votes with the first
  EXPECT_EQ(c2("rt", "ert", 190, 210), 0);    // 200 is the third channel's sample, not the second's
  EXPECT_EQ(c2("bt", "ebt", 190, 210), 255);
  EXPECT_EQ(c2("bt", "ebt", 140, 160), 0);
}

// Frames 10..20 of 30; frame 20 is 10/11 of the way, truncated toward zero, moving left.
TEST_P(MaskMakerFormats, WindowMovesWithTruncationTowardZero) {
  TestHost host;
  const int W = 40, H = 20;
  PClip src = GreyClip(host, type(), W, H, 30, [](int, int) { return 30; });
  PClip mask = host.Apply("MaskMaker", {Arg(src), Named("sf", 10), Named("ef", 20), Named("lx", 20), Named("rx", 30),
                                        Named("elx", 10), Named("erx", 39), Named("ty", 2), Named("by", 12)});
  auto left_edge = [&](int n) {
    Picture p = host.FrameOf(mask, n);
    for (int x = 0; x < W; ++x)
      if (p.Get(x, 5, 0) == 128) return x;
    return -1;
  };
  EXPECT_EQ(left_edge(9), -1);  // outside the range: the source
  EXPECT_EQ(left_edge(10), 20);
  EXPECT_EQ(left_edge(11), 20);                // 20 + (-10*1)/11 = 20 - 0
  EXPECT_EQ(left_edge(12), yuy2() ? 18 : 19);  // 20 + (-20)/11 = 19 (YUY2 rounds down to even)
  EXPECT_EQ(left_edge(20), yuy2() ? 10 : 11);  // 20 + (-100)/11 = 11
  Picture last = host.FrameOf(mask, 20);
  const int right = 30 + (9 * 10) / 11;  // 38
  EXPECT_EQ(last.Get(right, 5, 0), 128);
  EXPECT_EQ(last.Get(right + 1, 5, 0), 30);
  EXPECT_EQ(host.FrameOf(mask, 21).Get(5, 5, 0), 30);
}

// Test mode: frames below ef come from frame sf with thresholds moving; outside the window black.
TEST_P(MaskMakerFormats, TestModeSweepsThresholdsOverOneSourceFrame) {
  TestHost host;
  const int W = 24, H = 12;
  PClip src = GreyClip(host, type(), W, H, 20, [](int, int) { return 0; });
  // Give frame 5 a distinct picture: a ramp in the first channel.
  src = host.MakeClip(type(), W, H, 20, [&](int n, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v = n == 5 ? x * 10 : 200;
        if (rgb())
          p.SetPixel(x, y, v, v, v);
        else
          p.Set(x, y, 0, v);
      }
  });
  PClip mask = host.Apply("MaskMaker", {Arg(src), Named("test", true), Named("sf", 5), Named("ef", 10), Named("gyt", 0),
                                        Named("et", 40), Named("ft", 100), Named("fet", 140), Named("lx", 2),
                                        Named("rx", 20), Named("ty", 1), Named("by", 10)});
  // Frame 4: lower 0 + 100*4/10 = 40, upper 40 + 100*4/10 = 80: samples 40..80 = columns 4..8.
  Picture f4 = host.FrameOf(mask, 4);
  for (int x = 3; x <= 18; ++x) EXPECT_EQ(f4.Get(x, 5, 0), (x >= 4 && x <= 8) ? 255 : 0) << x;
  // Frame 7: 70..110: columns 7..11.
  Picture f7 = host.FrameOf(mask, 7);
  for (int x = 3; x <= 18; ++x) EXPECT_EQ(f7.Get(x, 5, 0), (x >= 7 && x <= 11) ? 255 : 0) << x;
  // Outside the window: black.
  EXPECT_EQ(f7.Get(0, 5, 0), 0);
  EXPECT_EQ(f7.Get(5, 0, 0), 0);
  EXPECT_EQ(f7.Get(W - 1, H - 1, 0), 0);
  EXPECT_EQ(f7.Get(5, 11, rgb() ? 2 : 1), rgb() ? 0 : 128);
  // From ef on, the source's own frames.
  EXPECT_EQ(host.FrameOf(mask, 10).Get(5, 5, 0), 200);
}

TEST_P(MaskMakerFormats, EveryOutputByteIsWritten) {
  auto render = [&](uint8_t poison, bool test) {
    TestHost host(poison);
    PClip src = GreyClip(host, type(), 22, 14, 4, [](int x, int y) { return x * 9 + y; });
    PClip mask = host.Apply("MaskMaker", {Arg(src), Named("lx", 3), Named("rx", 15), Named("ty", 3), Named("by", 9),
                                          Named("test", test), Named("ef", test ? 3 : 2)});
    Picture p = host.FrameOf(mask, 1);
    std::string bytes;
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 22; ++x)
        for (int c = 0; c < (type() == VideoInfo::CS_BGR32 ? 4 : 3); ++c) bytes += static_cast<char>(p.Get(x, y, c));
    return bytes;
  };
  EXPECT_EQ(render(0x11, false), render(0xEE, false));
  EXPECT_EQ(render(0x11, true), render(0xEE, true));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MaskMakerFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MaskMaker, YUY2OddLeftStartsOnePixelFurtherLeft) {
  TestHost host;
  PClip src = GreyClip(host, VideoInfo::CS_YUY2, 16, 12, 1, [](int, int) { return 30; });
  Picture out = host.FrameOf(host.Apply("MaskMaker", {Arg(src), Named("lx", 3), Named("rx", 11)}), 0);
  EXPECT_EQ(out.Get(2, 5, 0), 128);
  EXPECT_EQ(out.Get(10, 5, 0), 128);
  EXPECT_EQ(out.Get(11, 5, 0), 30);   // right of the window's last pair member
  EXPECT_EQ(out.Get(11, 5, 1), 128);  // but its pair's chroma is neutral
  EXPECT_EQ(out.Get(1, 5, 0), 30);
}

TEST(MaskMaker, PlanarChromaOfOddWindowEdgesIsNeutral) {
  TestHost host;
  for (int type : {VideoInfo::CS_YV12, VideoInfo::CS_I420}) {
    PClip src = host.MakeClip(type, 16, 12, 1, [](int, Picture& p) { p.Fill(30, 90, 170); });
    Picture out = host.FrameOf(host.Apply("MaskMaker", {Arg(src), Named("lx", 3), Named("rx", 9), Named("ty", 3),
                                                        Named("by", 9), Named("xcol", false)}),
                               0);
    EXPECT_EQ(out.Get(2, 2, 1), 128);  // chroma (1, 1) covers luma row 3 and column 3
    EXPECT_EQ(out.Get(2, 2, 0), 30);   // its luma row 2 is outside: the source
    EXPECT_EQ(out.Get(9, 9, 2), 128);
    EXPECT_EQ(out.Get(10, 10, 2), 170);  // chroma (5, 5) lies past the window
    EXPECT_EQ(out.Get(0, 0, 1), 90);     // chroma outside the window: the source
    EXPECT_EQ(out.Get(12, 5, 2), 170);
  }
}

// ---- Checks: order, messages and both sides of each boundary ---------------------------------

class MaskMakerChecks : public ::testing::Test {
 protected:
  MaskMakerChecks() : src(host.MakeClip(VideoInfo::CS_YV12, 40, 30, 10)) {}
  std::string Error(std::vector<Argument> more) {
    more.insert(more.begin(), Arg(src));
    return host.ErrorOf("MaskMaker", more);
  }
  TestHost host;
  PClip src;
};

TEST_F(MaskMakerChecks, FrameRanges) {
  const std::string test_msg =
      "MaskMaker: startf must be +ve and endf atleast 2 and startf+endf less than frame count of 10 ";
  EXPECT_EQ(Error({Named("test", true), Named("sf", -1), Named("ef", 5)}), test_msg);
  EXPECT_EQ(Error({Named("test", true), Named("sf", 0), Named("ef", 1)}), test_msg);
  EXPECT_EQ(Error({Named("test", true), Named("sf", 0), Named("ef", 2)}), "");
  EXPECT_EQ(Error({Named("test", true), Named("sf", 4), Named("ef", 6)}), "");
  EXPECT_EQ(Error({Named("test", true), Named("sf", 5), Named("ef", 6)}), test_msg);
  const std::string range_msg =
      "MaskMaker: startf and endf must be +ve, endf more than startf and within this clip having 10 frames ";
  EXPECT_EQ(Error({Named("sf", -1)}), range_msg);
  EXPECT_EQ(Error({Named("sf", 5), Named("ef", 4)}), range_msg);
  EXPECT_EQ(Error({Named("sf", 5), Named("ef", 5)}), "");
  EXPECT_EQ(Error({Named("ef", 9)}), "");
  EXPECT_EQ(Error({Named("ef", 10)}), range_msg);
  // The range check comes before the threshold check.
  EXPECT_EQ(Error({Named("ef", 10), Named("gyt", 300)}), range_msg);
}

// Found by the argument fuzzer: sums and differences of arbitrary ints must not overflow.
TEST_F(MaskMakerChecks, ExtremeIntsAreRefusedWithoutOverflow) {
  EXPECT_EQ(Error({Named("test", true), Named("sf", INT32_MAX), Named("ef", INT32_MAX)}),
            "MaskMaker: startf must be +ve and endf atleast 2 and startf+endf less than frame count of 10 ");
  EXPECT_EQ(Error({Named("elx", 3), Named("erx", INT32_MIN)}), "MaskMaker: end coordinates pushes window out of frame");
  EXPECT_EQ(Error({Named("ety", 3), Named("eby", INT32_MIN)}), "MaskMaker: end coordinates pushes window out of frame");
  EXPECT_EQ(Error({Named("lx", INT32_MAX)}), "MaskMaker:window left x lx must be 0 and 36");
}

TEST_F(MaskMakerChecks, Thresholds) {
  const std::string msg = "MaskMaker:Thresholds must be positive numbers 0 to 255 only";
  for (const char* name : {"gyt", "rt", "bt", "et", "ert", "ebt", "ft", "fr", "fb", "fet", "fert", "febt"}) {
    EXPECT_EQ(Error({Named(name, 256)}), msg) << name;
    EXPECT_EQ(Error({Named(name, -1)}), msg) << name;
  }
  EXPECT_EQ(Error({Named("gyt", 0), Named("et", 255)}), "");
  EXPECT_EQ(Error({Named("gyt", 256), Named("lx", -1)}), msg);  // before the window checks
}

TEST_F(MaskMakerChecks, StartWindow) {
  EXPECT_EQ(Error({Named("lx", -1)}), "MaskMaker:window left x lx must be 0 and 36");
  EXPECT_EQ(Error({Named("lx", 38)}), "MaskMaker:window left x lx must be 0 and 36");
  EXPECT_EQ(Error({Named("ty", -1)}), "MaskMaker:window top y ty must be 0 and 26");
  EXPECT_EQ(Error({Named("ty", 28)}), "MaskMaker:window top y ty must be 0 and 26");
  EXPECT_EQ(Error({Named("lx", 37)}), "MaskMaker:window right x rx must be 41 and 36");  // passes lx, not rx
  EXPECT_EQ(Error({Named("lx", 5), Named("rx", 8)}), "MaskMaker:window right x rx must be 9 and 36");
  EXPECT_EQ(Error({Named("rx", 40)}), "MaskMaker:window right x rx must be 4 and 36");
  EXPECT_EQ(Error({Named("ty", 5), Named("by", 8)}), "MaskMaker:window bottom y by must be 9 and 26");
  EXPECT_EQ(Error({Named("by", 30)}), "MaskMaker:window bottom y by must be 4 and 26");
  // rx = lx + 4 is accepted for the start window when the end window is wider.
  EXPECT_EQ(Error({Named("lx", 5), Named("rx", 9), Named("erx", 10)}), "");
}

TEST_F(MaskMakerChecks, FormatColAndEndWindow) {
  // A clip whose pixel type contains every bit of YV12 (YV24) is not YV12.
  VideoInfo vi = VideoInfoOf(VideoInfo::CS_YV12, 40, 30, 10);
  PClip yv12 = src;
  vi.pixel_type = static_cast<int>(0xA000030Bu);
  struct OtherFormat : MemoryClip {
    using MemoryClip::MemoryClip;
  };
  PClip yv24 = new OtherFormat(vi, {yv12->GetFrame(0, &host.Env())});
  EXPECT_EQ(host.ErrorOf("MaskMaker", {Arg(yv24)}), "MaskMaker: This color format is not yet supported");
  EXPECT_EQ(host.ErrorOf("MaskMaker", {Arg(yv24), Named("lx", -1)}), "MaskMaker:window left x lx must be 0 and 36");

  const std::string col_msg = "MaskMaker:col the value to mark already colored parts must be between 0 and 255 only";
  EXPECT_EQ(Error({Named("col", 256)}), col_msg);
  EXPECT_EQ(Error({Named("col", -1)}), col_msg);
  EXPECT_EQ(Error({Named("col", 255)}), "");
  EXPECT_EQ(Error({Named("col", 256), Named("xcol", false)}), "");

  const std::string end_msg = "MaskMaker: end coordinates pushes window out of frame";
  EXPECT_EQ(Error({Named("lx", 5), Named("rx", 9)}), end_msg);  // end = start: erx = elx + 4
  EXPECT_EQ(Error({Named("elx", 10), Named("erx", 14)}), end_msg);
  EXPECT_EQ(Error({Named("elx", 10), Named("erx", 15)}), "");
  EXPECT_EQ(Error({Named("ety", 10), Named("eby", 14)}), end_msg);
  EXPECT_EQ(Error({Named("ety", 10), Named("eby", 15)}), "");
  EXPECT_EQ(Error({Named("elx", -1)}), end_msg);
  EXPECT_EQ(Error({Named("ety", -1)}), end_msg);
  EXPECT_EQ(Error({Named("erx", 40)}), end_msg);
  EXPECT_EQ(Error({Named("eby", 30)}), end_msg);
  EXPECT_EQ(Error({Named("eby", 30), Named("col", 300)}), col_msg);  // col before the end window
}

TEST_F(MaskMakerChecks, TypeAndIntervals) {
  const std::string type_msg = "MaskMaker:type valid options are a1, c1, c2, c3 only";
  EXPECT_EQ(Error({Named("type", "C1")}), type_msg);
  EXPECT_EQ(Error({Named("type", "a2")}), type_msg);
  EXPECT_EQ(Error({Named("type", "")}), type_msg);
  EXPECT_EQ(Error({Named("type", "a1"), Named("gyt", 0), Named("rt", 0), Named("bt", 0)}),
            "MaskMaker:All threshold are zero. Nothing to be done?");
  EXPECT_EQ(Error({Named("type", "a1"), Named("gyt", 0), Named("rt", 0), Named("bt", 1)}), "");
  const std::string inverted = "MaskMaker: threshold intervals are less than zero.Invalid values";
  std::vector<Argument> all = {Named("gyt", 50), Named("et", 40),   Named("rt", 50), Named("ert", 40),
                               Named("bt", 50),  Named("ebt", 40),  Named("ft", 50), Named("fet", 40),
                               Named("fr", 50),  Named("fert", 40), Named("fb", 50), Named("febt", 40)};
  EXPECT_EQ(Error(all), inverted);
  all.back() = Named("febt", 50);  // one interval no longer inverted
  EXPECT_EQ(Error(all), "");
  all.back() = Named("febt", 40);
  all.push_back(Named("type", "a1"));
  EXPECT_EQ(Error(all), "");  // bands do not have intervals
}

}  // namespace
}  // namespace tintara::testing
