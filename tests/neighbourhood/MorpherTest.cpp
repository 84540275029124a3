// Morpher as a whole through its registered signature: argument checks (message, both sides of
// each boundary, order), frame selection in normal and test mode, the movement of window and
// thresholds with truncation toward zero, and no output byte left undefined.
#include <climits>

#include "runtime/MemoryClip.h"
#include "tests/neighbourhood/MorpherFixture.h"

namespace tintara::testing {
namespace {

const char* const kFormat = "Morpher: This color format is not supported here";
const char* const kFrames = "Morpher: Frame number must be positive and end frame not less than start frame";
const char* const kCount = "Morpher:this clip which has only 5 frames";
const char* const kType =
    "Morpher: Valid options are vale, ridge, rorv,flood, drain,ford,close, open, erode, thin, salt, pepper  and dilate "
    "only";
const char* const kNegative = "Morpher: coordinates should not be -ve";
const char* const kSmall = "Morpher: dimensions should not be less than 2";
const char* const kOutside = "Morpher:The dimensions pushes the window outside frame";
const char* const kNarrow = "Morpher:The window has invalid coordinates. It must be atleast 2 pixel wide and high";
const char* const kRange = "Morpher: thresholds must be between 0 and 255 ";
const char* const kTest = "Morpher: Test facility is only for flood, drain, ford, vale, ridge and rorv types only";
const char* const kOrder = "Morpher:lt must be less than ut, flt must be less than fut";

struct Check {
  std::vector<Argument> named;
  const char* message;  // "" when the arguments are accepted
};

// A 16x12 clip of 5 frames: W1 = 15, H1 = 11.
TEST_P(MorpherFormats, ChecksReportTheirMessagesAtBothSidesOfEachBoundaryInOrder) {
  PClip src = MaskClip(host, Type(), Rows(12, std::string(16, '.')), 5);
  auto t = [](const char* v) { return Named("type", v); };
  const Check checks[] = {
      {{Named("sf", -1)}, kFrames},
      {{Named("sf", 0)}, ""},
      {{Named("sf", 3), Named("ef", 2)}, kFrames},
      {{Named("sf", 2), Named("ef", 2)}, ""},
      {{Named("ef", -1)}, kFrames},
      {{Named("ef", 5)}, kCount},
      {{Named("ef", 4)}, ""},
      {{Named("sf", 5), Named("ef", 5)}, kCount},
      {{t("Erode")}, kType},
      {{t("erode ")}, kType},
      {{t("")}, kType},
      {{Named("lx", -1)}, kNegative},
      {{Named("ty", -1)}, kNegative},
      {{Named("elx", -1)}, kNegative},
      {{Named("ety", -1)}, kNegative},
      {{Named("lx", 0), Named("ty", 0), Named("elx", 0), Named("ety", 0)}, ""},
      {{Named("rx", 1)}, kSmall},
      {{Named("rx", 2)}, ""},
      {{Named("by", 1)}, kSmall},
      {{Named("by", 2)}, ""},
      {{Named("erx", 1)}, kSmall},
      {{Named("erx", 2)}, ""},
      {{Named("eby", 1)}, kSmall},
      {{Named("eby", 2)}, ""},
      {{Named("rx", 16)}, kOutside},
      {{Named("rx", 15)}, ""},
      {{Named("by", 12)}, kOutside},
      {{Named("by", 11)}, ""},
      {{Named("erx", 16)}, kOutside},
      {{Named("eby", 12)}, kOutside},
      {{Named("lx", 14)}, kNarrow},
      {{Named("lx", 13)}, ""},
      {{Named("ty", 10)}, kNarrow},
      {{Named("ty", 9)}, ""},
      {{Named("elx", 14)}, kNarrow},
      {{Named("ety", 10)}, kNarrow},
      {{Named("lx", 5), Named("erx", 6)}, kNarrow},
      {{Named("lx", 5), Named("erx", 7)}, ""},  // elx follows lx
      {{Named("lt", -1)}, kRange},
      {{Named("ut", 256)}, kRange},
      {{Named("lt", 0), Named("ut", 255)}, ""},
      {{Named("test", true), t("erode")}, kTest},
      {{Named("test", true), t("dilate")}, kTest},
      {{Named("test", true), t("close")}, kTest},
      {{Named("test", true), t("open")}, kTest},
      {{Named("test", true), t("thin")}, kTest},
      {{Named("test", true), t("salt")}, kTest},
      {{Named("test", true), t("pepper")}, kTest},
      {{Named("test", true)}, kTest},  // default "close"
      {{Named("test", true), t("vale")}, ""},
      {{Named("test", true), t("ridge")}, ""},
      {{Named("test", true), t("rorv")}, ""},
      {{Named("test", true), t("flood")}, ""},
      {{Named("test", true), t("drain")}, ""},
      {{Named("test", true), t("ford")}, ""},
      {{Named("flt", -1)}, kRange},
      {{Named("fut", 256)}, kRange},
      {{Named("flt", 0), Named("fut", 255)}, ""},
      {{Named("lt", 10), Named("ut", 9)}, kOrder},
      {{Named("lt", 10), Named("ut", 10)}, ""},
      {{Named("flt", 10), Named("fut", 9)}, kOrder},
      {{Named("lt", 300)}, kOrder},
      {{Named("ut", -1)}, kOrder},
      {{t("ford"), Named("lt", 10), Named("ut", 9)}, ""},
      {{t("ford"), Named("lt", 300), Named("ut", -5)}, ""},
      // Two failures at once: the earlier check speaks.
      {{Named("sf", -1), Named("ef", 9)}, kFrames},
      {{Named("ef", 5), t("x")}, kCount},
      {{t("x"), Named("lx", -1)}, kType},
      {{Named("lx", -1), Named("rx", 1)}, kNegative},
      {{Named("rx", 1), Named("by", 12)}, kSmall},
      {{Named("lx", 15), Named("rx", 16)}, kOutside},
      {{Named("lx", 14), Named("lt", -1)}, kNarrow},
      {{Named("lt", -1), Named("test", true), t("erode")}, kRange},
      {{Named("test", true), t("erode"), Named("flt", -1)}, kTest},
      {{Named("flt", -1), Named("lt", 10), Named("ut", 5)}, kRange},
  };
  for (const Check& c : checks) {
    std::string args;
    for (const Argument& a : c.named) args += a.name + " ";
    EXPECT_EQ(host.ErrorOf("Morpher", With(src, c.named)), c.message) << args;
  }
  for (const char* type : {"erode", "dilate", "close", "open", "thin", "salt", "pepper", "vale", "ridge", "rorv",
                           "flood", "drain", "ford"})
    EXPECT_EQ(host.ErrorOf("Morpher", {Arg(src), t(type)}), "") << type;
}

// An absent erx or eby counts as the frame's last column or row in the "less than 2" check only.
TEST_P(MorpherFormats, AbsentEndCornerMeetsTheSizeCheckAsTheFrameEdge) {
  PClip narrow = MaskClip(host, Type(), Rows(12, ".."));
  PClip low = MaskClip(host, Type(), Rows(2, std::string(16, '.')));
  EXPECT_EQ(host.ErrorOf("Morpher", {Arg(narrow), Named("rx", 5)}), kSmall);
  EXPECT_EQ(host.ErrorOf("Morpher", {Arg(narrow), Named("rx", 5), Named("erx", 5)}), kOutside);
  EXPECT_EQ(host.ErrorOf("Morpher", {Arg(low), Named("by", 5)}), kSmall);
  EXPECT_EQ(host.ErrorOf("Morpher", {Arg(low), Named("by", 5), Named("eby", 5)}), kOutside);
}

TEST(MorpherChecks, RegisteredAfterMaskMakerWithItsSignature) {
  TestHost host;
  EXPECT_EQ(host.Env().Signatures("Morpher"),
            std::vector<std::string>{
                "c[sf]i[ef]i[type]s[white]b[lx]i[ty]i[rx]i[by]i[elx]i[ety]i[erx]i[eby]i[lt]i[ut]i[test]b[flt]i[fut]i"});
  const auto rows = host.Env().Registered();
  auto at = [&](const char* name) {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].first == name) return static_cast<int>(i);
    return -1;
  };
  EXPECT_LT(at("MaskMaker"), at("Morpher"));
}

TEST(MorpherChecks, OtherPixelTypesAreRefusedFirst) {
  TestHost host;
  const VideoInfo vi = VideoInfoOf(VideoInfo::CS_PLANAR | VideoInfo::CS_YUV | 64, 16, 12, 5);
  PClip other(new MemoryClip(vi, {}));
  EXPECT_EQ(host.ErrorOf("Morpher", {Arg(other), Named("sf", -1), Named("type", "x")}), kFormat);
}

// 16x8 frames with sample x in column x and frame marker 10+n at (15,7), outside the work.
PClip Ramp(TestHost& host, int type, int frames) {
  return host.MakeClip(type, 16, 8, frames, [](int n, Picture& p) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x) PaintSample(p, x, y, x);
    PaintSample(p, 15, 7, 10 + n);
  });
}
// The window's left edge: the outline's 128 in row 3.
int LeftEdge(const Picture& p) {
  for (int x = 0; x < 16; ++x)
    if (p.Get(x, 3, 0) == 128) return x;
  return -1;
}
// The last ramp column "flood" marks (= lt, 0 for none), and the first one "drain" marks (= ut).
int FloodReach(const Picture& p) {
  int last = 0;
  for (int x = 1; x <= 13; ++x)
    if (p.Get(x, 3, 0) == 255) last = x;
  return last;
}
int DrainStart(const Picture& p) {
  int x = 1;
  while (x <= 13 && p.Get(x, 3, 0) != 255) ++x;
  return x;
}

TEST_P(MorpherFormats, WindowAndThresholdsMoveWithTruncationTowardZero) {
  PClip src = Ramp(host, Type(), 4);
  auto frames = [&](std::vector<Argument> named, int (*measure)(const Picture&)) {
    PClip out = host.Apply("Morpher", With(src, std::move(named)));
    std::vector<int> seen;
    for (int n = 0; n < 4; ++n) seen.push_back(measure(host.FrameOf(out, n)));
    return seen;
  };
  using V = std::vector<int>;
  EXPECT_EQ(frames({Named("type", "flood"), Named("rx", 13), Named("elx", 10)}, LeftEdge), (V{0, 3, 6, 10}));
  EXPECT_EQ(frames({Named("type", "flood"), Named("lx", 10), Named("rx", 13), Named("elx", 0)}, LeftEdge),
            (V{10, 7, 4, 0}));
  EXPECT_EQ(frames({Named("type", "flood"), Named("flt", 10)}, FloodReach), (V{0, 3, 6, 10}));
  EXPECT_EQ(frames({Named("type", "flood"), Named("lt", 10), Named("flt", 0)}, FloodReach), (V{10, 7, 4, 0}));
  EXPECT_EQ(frames({Named("type", "drain"), Named("ut", 3), Named("fut", 13)}, DrainStart), (V{3, 6, 9, 13}));
  EXPECT_EQ(frames({Named("type", "drain"), Named("ut", 13), Named("fut", 3)}, DrainStart), (V{13, 10, 7, 3}));
}

TEST_P(MorpherFormats, NormalModeWorksOnFramesSfToEfOnly) {
  PClip src = Ramp(host, Type(), 6);
  PClip out = host.Apply("Morpher", {Arg(src), Named("type", "flood"), Named("sf", 1), Named("ef", 3), Named("flt", 8),
                                     Named("rx", 13), Named("elx", 4)});
  for (int n : {0, 4, 5}) EXPECT_TRUE(SameBytes(host.FrameOf(out, n), host.FrameOf(src, n))) << n;
  for (int n = 1; n <= 3; ++n) {
    const Picture p = host.FrameOf(out, n);
    EXPECT_EQ(p.Get(15, 7, 0), 10 + n);
    EXPECT_EQ(LeftEdge(p), 2 * (n - 1));
    EXPECT_EQ(FloodReach(p), 4 * (n - 1));
  }
  // A one-frame range works with the start window and thresholds.
  PClip one = host.Apply("Morpher", {Arg(src), Named("type", "flood"), Named("sf", 2), Named("ef", 2), Named("lt", 5),
                                     Named("flt", 9), Named("rx", 13), Named("elx", 7)});
  EXPECT_EQ(LeftEdge(host.FrameOf(one, 2)), 0);
  EXPECT_EQ(FloodReach(host.FrameOf(one, 2)), 5);
  EXPECT_TRUE(SameBytes(host.FrameOf(one, 3), host.FrameOf(src, 3)));
}

// Test mode: every frame below ef shows frame sf at fraction n / ef; ef and later pass through.
TEST_P(MorpherFormats, TestModeShowsFrameSfSweptByFrameNumber) {
  PClip src = Ramp(host, Type(), 6);
  PClip out = host.Apply("Morpher", {Arg(src), Named("type", "flood"), Named("test", true), Named("sf", 2),
                                     Named("ef", 4), Named("flt", 8), Named("rx", 13), Named("elx", 4)});
  for (int n = 0; n < 4; ++n) {
    const Picture p = host.FrameOf(out, n);
    EXPECT_EQ(p.Get(15, 7, 0), 12) << n;
    EXPECT_EQ(LeftEdge(p), n) << n;
    EXPECT_EQ(FloodReach(p), 2 * n) << n;
  }
  for (int n : {4, 5}) EXPECT_TRUE(SameBytes(host.FrameOf(out, n), host.FrameOf(src, n))) << n;
  PClip none = host.Apply("Morpher", {Arg(src), Named("type", "vale"), Named("test", true), Named("ef", 0)});
  for (int n = 0; n < 6; ++n) EXPECT_TRUE(SameBytes(host.FrameOf(none, n), host.FrameOf(src, n))) << n;
}

// "ford" takes any thresholds: they may cross each other and run to the ends of int.
TEST_P(MorpherFormats, FordThresholdsCrossAndSpanTheWholeIntRange) {
  PClip halves = host.MakeClip(Type(), 8, 8, 5, [](int, Picture& p) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) PaintSample(p, x, y, y < 4 ? 127 : 128);
  });
  auto marked = [&](const PClip& out, int n) {
    const Picture p = host.FrameOf(out, n);
    int count = 0;
    for (int y = 1; y <= 5; ++y)
      for (int x = 1; x <= 5; ++x) count += p.Get(x, y, 0) == 255;
    return count;
  };
  // lt 255 -> 0 and ut 0 -> 255 over four steps: (255,0) (192,63) (128,127) (64,191) (0,255).
  PClip cross = host.Apply("Morpher", {Arg(halves), Named("type", "ford"), Named("lt", 255), Named("ut", 0),
                                       Named("flt", 0), Named("fut", 255)});
  const int expected[] = {0, 0, 0, 25, 25};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(marked(cross, n), expected[n]) << n;
  PClip wide = host.Apply(
      "Morpher", {Arg(halves), Named("type", "ford"), Named("ef", 2), Named("flt", INT_MAX), Named("fut", INT_MIN)});
  EXPECT_EQ(marked(wide, 0), 25);
  EXPECT_EQ(marked(wide, 1), 0);
  EXPECT_EQ(marked(wide, 2), 0);
}

// New frames start as poison; two different poisons must give the same output.
TEST_P(MorpherFormats, EveryOutputByteIsDefined) {
  TestHost other(0x00);
  auto make = [&](TestHost& h) {
    return h.MakeClip(Type(), 16, 12, 3, [](int n, Picture& p) {
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
          const int v = (x * 7 + y * 13 + n) % 5 == 0 ? 90 : (x * 3 + y * 5) % 7 < 4 ? 255 : 0;
          p.SetPixel(x, y, v, (x * 29 + y) & 255, (y * 31 + x) & 255);
        }
    });
  };
  PClip a = make(host), b = make(other);
  for (const char* type : {"erode", "dilate", "close", "open", "thin", "salt", "pepper", "vale", "ridge", "rorv",
                           "flood", "drain", "ford"}) {
    const std::vector<Argument> args = {Named("type", type), Named("lx", 1),  Named("ty", 2),  Named("rx", 12),
                                        Named("by", 9),      Named("elx", 3), Named("ety", 1), Named("erx", 14),
                                        Named("eby", 10),    Named("ut", 200)};
    PClip oa = host.Apply("Morpher", With(a, args)), ob = other.Apply("Morpher", With(b, args));
    for (int n = 0; n < 3; ++n) EXPECT_TRUE(SameBytes(host.FrameOf(oa, n), other.FrameOf(ob, n))) << type << " " << n;
  }
  // The operations that work in place did so on a private copy: the source is as it was made.
  PClip fresh = make(host);
  for (int n = 0; n < 3; ++n) EXPECT_TRUE(SameBytes(host.FrameOf(a, n), host.FrameOf(fresh, n))) << n;
}

}  // namespace
}  // namespace tintara::testing
