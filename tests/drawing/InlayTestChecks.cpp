// Inlay's argument checks: each message exactly, each limit at its boundary, and the order in
// which the checks run.
#include <gtest/gtest.h>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

const char kFrames[] = "Inlay: Frame number must be positive and end frame not less than start frame";
const char kFirstClip[] = "Inlay: the first clip  has only 5 frames";
const char kStyle[] = "Inlay:left, right, hint, above, below, vint mask and nomask are only valid options for style";
const char kStartNegative[] = "Inlay: window coordinates x, y and dimensions w h must not be negative";
const char kEndNegative[] = "Inlay: window end coordinates ex ey and dimensions ew eh must not be negative";
const char kWidth[] = "Inlay:Window width w is too large. and beyond frame";
const char kHeight[] = "Inlay:Window height h is too large. and beyond frame";
const char kEndWidth[] = "Inlay:Window end width ew is too large. and beyond frame";
const char kEndHeight[] = "Inlay:Window end height eh is too large. and beyond frame";
const char kFormat[] = "Inlay: This color format is not supported here";
const char kMaskFrames[] = "Inlay:the mask clip has fewer frames than endframe number";
const char kMaskDiffers[] = "Inlay: The mask clip differs in colorspace or dimensions";
const char kLinedFrames[] = "Inlay:the lined clip has fewer frames than endframe number";
const char kLinedDiffers[] = "Inlay: The  clip with lines differs in colorspace or dimensions";
const char kShift[] = "Inlay: shift value must be between -255 and 255";
const char kStretch[] = "Inlay: shift stretch st value must be more than -100";

// A 40 x 20 YV12 clip of 5 frames, with mask and lined clips alike.
class InlayChecks : public ::testing::Test {
 protected:
  static constexpr int kType = VideoInfo::CS_YV12;
  TestHost host;
  PClip main = host.MakeClip(kType, 40, 20, 5);
  PClip mask = host.MakeClip(kType, 40, 20, 5);
  PClip lined = host.MakeClip(kType, 40, 20, 5);

  std::string Error(std::vector<Argument> named) {
    std::vector<Argument> args = {Arg(main), Arg(mask), Arg(lined)};
    args.insert(args.end(), named.begin(), named.end());
    return host.ErrorOf("Inlay", args);
  }
};

TEST_F(InlayChecks, FrameRange) {
  EXPECT_EQ(Error({Named("sf", -1)}), kFrames);
  EXPECT_EQ(Error({Named("sf", 3), Named("ef", 2)}), kFrames);
  EXPECT_EQ(Error({Named("sf", 5)}), kFrames);  // past the default end frame 4
  EXPECT_EQ(Error({Named("ef", 5)}), kFirstClip);
  EXPECT_EQ(Error({Named("sf", 5), Named("ef", 5)}), kFirstClip);
  EXPECT_EQ(Error({Named("sf", 4), Named("ef", 4)}), "");
  EXPECT_EQ(Error({Named("sf", 0), Named("ef", 0)}), "");
}

TEST_F(InlayChecks, StyleNamesAreExact) {
  for (const char* type : {"mask", "nomask", "hint", "left", "right", "vint", "above", "below"})
    EXPECT_EQ(Error({Named("type", type)}), "") << type;
  for (const char* type : {"Mask", "HINT", "hint ", "", "aANDb"})
    EXPECT_EQ(Error({Named("type", type)}), kStyle) << type;
}

TEST_F(InlayChecks, NegativeCoordinates) {
  for (const char* name : {"x", "y", "w", "h"}) {
    EXPECT_EQ(Error({Named(name, -1)}), kStartNegative) << name;
    EXPECT_EQ(Error({Named(name, 0)}), "") << name;
  }
  for (const char* name : {"ex", "ey", "ew", "eh"}) {
    EXPECT_EQ(Error({Named(name, -1)}), kEndNegative) << name;
    EXPECT_EQ(Error({Named(name, 0)}), "") << name;
  }
}

// Rectangle: w <= width - x, h <= height - y.
TEST_F(InlayChecks, RectangleSizeLimits) {
  EXPECT_EQ(Error({Named("x", 10), Named("w", 30)}), "");
  EXPECT_EQ(Error({Named("x", 10), Named("w", 31)}), kWidth);
  EXPECT_EQ(Error({Named("y", 5), Named("h", 15)}), "");
  EXPECT_EQ(Error({Named("y", 5), Named("h", 16)}), kHeight);
  // The end size in force is ew, or w when ew is absent; measured from ex (default x).
  EXPECT_EQ(Error({Named("ex", 30), Named("ew", 10)}), "");
  EXPECT_EQ(Error({Named("ex", 30), Named("ew", 11)}), kEndWidth);
  EXPECT_EQ(Error({Named("x", 0), Named("w", 11), Named("ex", 30)}), kEndWidth);
  EXPECT_EQ(Error({Named("x", 0), Named("w", 20), Named("ex", 30), Named("ew", 10)}), "");
  EXPECT_EQ(Error({Named("x", 0), Named("ex", 30)}), "");  // neither given: no end check
  EXPECT_EQ(Error({Named("ey", 15), Named("eh", 5)}), "");
  EXPECT_EQ(Error({Named("ey", 15), Named("eh", 6)}), kEndHeight);
  EXPECT_EQ(Error({Named("h", 6), Named("ey", 15)}), kEndHeight);
  EXPECT_EQ(Error({Named("x", 41)}), "");  // nothing checks x alone: the window is empty
}

// The ellipse ("mask" or "nomask" with ellipse true) must fit between its centre and the nearer
// edge: on 40 x 20, x = 15 allows w up to 20 - 5, x = 30 up to 20 - 10, y = 4 allows h up to 4.
TEST_F(InlayChecks, EllipseSizeLimits) {
  auto ellipse = [&](std::vector<Argument> a) {
    a.push_back(Named("type", "nomask"));
    a.push_back(Named("ellipse", true));
    return Error(a);
  };
  EXPECT_EQ(ellipse({Named("x", 15), Named("w", 15)}), "");
  EXPECT_EQ(ellipse({Named("x", 15), Named("w", 16)}), kWidth);
  EXPECT_EQ(ellipse({Named("x", 30), Named("w", 10)}), "");
  EXPECT_EQ(ellipse({Named("x", 30), Named("w", 11)}), kWidth);
  EXPECT_EQ(ellipse({Named("y", 4), Named("h", 4)}), "");
  EXPECT_EQ(ellipse({Named("y", 4), Named("h", 5)}), kHeight);
  EXPECT_EQ(ellipse({Named("w", 20), Named("ex", 35)}), kEndWidth);
  EXPECT_EQ(ellipse({Named("w", 5), Named("ex", 35)}), "");
  EXPECT_EQ(ellipse({Named("eh", 10)}), "");  // the default centre row 10 leaves 10
  EXPECT_EQ(ellipse({Named("eh", 11)}), kEndHeight);
  // A line style ignores the ellipse flag: the rectangle limits apply.
  EXPECT_EQ(Error({Named("type", "hint"), Named("ellipse", true), Named("x", 15), Named("w", 25)}), "");
}

// 720 wide: w = 100 from x = 0 moving to ex = 700 leaves 20 at the end.
TEST_F(InlayChecks, EndWidthInForceIsStartWidth) {
  PClip wide = host.MakeClip(kType, 720, 20, 5);
  PClip wide_mask = host.MakeClip(kType, 720, 20, 5);
  PClip wide_lined = host.MakeClip(kType, 720, 20, 5);
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(wide), Arg(wide_mask), Arg(wide_lined), Named("x", 0), Named("w", 100),
                                   Named("ex", 700)}),
            kEndWidth);
}

TEST_F(InlayChecks, BrightnessLimits) {
  EXPECT_EQ(Error({Named("st", 255)}), "");
  EXPECT_EQ(Error({Named("st", -255)}), "");
  EXPECT_EQ(Error({Named("st", 256)}), kShift);
  EXPECT_EQ(Error({Named("st", -256)}), kShift);
  EXPECT_EQ(Error({Named("shift", true), Named("st", 300)}), kShift);
  EXPECT_EQ(Error({Named("shift", false), Named("st", -100)}), "");
  EXPECT_EQ(Error({Named("shift", false), Named("st", -101)}), kStretch);
  EXPECT_EQ(Error({Named("shift", false), Named("st", 1000)}), "");
}

TEST_F(InlayChecks, ClipFramesAndShapes) {
  // The mask and lined clips need ef frames (frame ef itself is clamped by the host).
  PClip four = host.MakeClip(kType, 40, 20, 4);
  PClip three = host.MakeClip(kType, 40, 20, 3);
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(four), Arg(lined)}), "");
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(three), Arg(lined)}), kMaskFrames);
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(mask), Arg(four)}), "");
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(mask), Arg(three)}), kLinedFrames);
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(three), Arg(lined), Named("ef", 3)}), "");

  for (PClip other : {host.MakeClip(VideoInfo::CS_I420, 40, 20, 5), host.MakeClip(kType, 42, 20, 5),
                      host.MakeClip(kType, 40, 22, 5)}) {
    EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(other), Arg(lined)}), kMaskDiffers);
    EXPECT_EQ(host.ErrorOf("Inlay", {Arg(main), Arg(mask), Arg(other)}), kLinedDiffers);
  }
}

// A clip of a layout the filter does not know (an RGB-flagged type other than RGB24/RGB32).
PClip UnknownFormatClip(int frames) {
  return PClip(new MemoryClip(VideoInfoOf(VideoInfo::CS_BGR | VideoInfo::CS_INTERLEAVED | 64, 40, 20, frames), {}));
}

TEST_F(InlayChecks, UnknownFormatIsRefused) {
  PClip odd = UnknownFormatClip(5);
  EXPECT_EQ(host.ErrorOf("Inlay", {Arg(odd), Arg(odd), Arg(odd)}), kFormat);
}

// With every check failing at once, fixing them one by one reveals them in order.
TEST_F(InlayChecks, ChecksRunInOrder) {
  PClip odd = UnknownFormatClip(5);
  PClip rgb_three = host.MakeClip(VideoInfo::CS_BGR24, 40, 20, 3);
  PClip rgb_four = host.MakeClip(VideoInfo::CS_BGR24, 40, 20, 4);
  PClip yv12_four = host.MakeClip(kType, 40, 20, 4);

  PClip first = odd, second = rgb_three, third = rgb_three;
  std::vector<std::pair<const char*, Argument>> faults = {
      {"sf", Named("sf", -1)}, {"ef", Named("ef", 5)},   {"type", Named("type", "Hint")}, {"x", Named("x", -1)},
      {"ex", Named("ex", -1)}, {"w", Named("w", 41)},    {"h", Named("h", 21)},           {"ew", Named("ew", 41)},
      {"eh", Named("eh", 21)}, {"st", Named("st", 300)},
  };
  auto call = [&]() {
    std::vector<Argument> args = {Arg(first), Arg(second), Arg(third)};
    for (auto& f : faults) args.push_back(f.second);
    return host.ErrorOf("Inlay", args);
  };
  auto fix = [&](const char* name, Argument good) {
    for (auto& f : faults)
      if (std::string(f.first) == name) f.second = good;
  };

  EXPECT_EQ(call(), kFrames);
  fix("sf", Named("sf", 0));
  EXPECT_EQ(call(), kFirstClip);
  fix("ef", Named("ef", 4));
  EXPECT_EQ(call(), kStyle);
  fix("type", Named("type", "hint"));
  EXPECT_EQ(call(), kStartNegative);
  fix("x", Named("x", 0));
  EXPECT_EQ(call(), kEndNegative);
  fix("ex", Named("ex", 0));
  EXPECT_EQ(call(), kWidth);
  fix("w", Named("w", 40));
  EXPECT_EQ(call(), kHeight);
  fix("h", Named("h", 20));
  EXPECT_EQ(call(), kEndWidth);
  fix("ew", Named("ew", 40));
  EXPECT_EQ(call(), kEndHeight);
  fix("eh", Named("eh", 20));
  EXPECT_EQ(call(), kFormat);
  first = main;
  EXPECT_EQ(call(), kMaskFrames);
  second = rgb_four;
  EXPECT_EQ(call(), kMaskDiffers);
  second = yv12_four;
  EXPECT_EQ(call(), kLinedFrames);
  third = rgb_four;
  EXPECT_EQ(call(), kLinedDiffers);
  third = yv12_four;
  EXPECT_EQ(call(), kShift);
  fix("st", Named("st", 255));
  EXPECT_EQ(call(), "");
}

}  // namespace
}  // namespace tintara::testing
