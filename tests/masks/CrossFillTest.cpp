// CrossFill through its registered signature, in every format: the logical types on small
// hand-drawn masks, the excluded right and bottom limits, the window's motion, the painting
// arithmetic, RGB32's cleared first byte, and every check.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/PaintedPixels.h"

namespace tintara::testing {
namespace {

using namespace painted;

// The window of a call, whose RGB32 first bytes end up 0.
Cleared Window(int x0, int x1, int y0, int y1) { return {x0, x1, y0, y1}; }

PosSet Columns(std::initializer_list<int> xs, int y0, int y1) {
  PosSet s;
  for (int x : xs) s.merge(Column(x, y0, y1));
  return s;
}

class CrossFillFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  int Type() const { return GetParam().pixel_type; }
  bool Rgb() const { return IsRGB(FormatOfType(Type())); }

  // Runs CrossFill with kRed and st 20 (so painted pixels show kTint20) over a main clip of
  // `frames` frames and the two masks; returns the painted pixels of frame n.
  PosSet Run(int width, int height, const std::function<int(int, int)>& a, const std::function<int(int, int)>& b,
             std::vector<Argument> extra, const Cleared& window, int frames = 1, int n = 0) {
    TestHost host;
    PClip main = MainClip(host, Type(), width, height, frames);
    PClip maskA = MaskClip(host, Type(), width, height, a, 255, frames);
    PClip maskB = MaskClip(host, Type(), width, height, b, 255, frames);
    std::vector<Argument> args = {Arg(main), Arg(maskA), Arg(maskB), Named("color", kRed), Named("st", 20)};
    args.insert(args.end(), extra.begin(), extra.end());
    PClip out = host.Apply("CrossFill", args);
    if (!out) return {};
    return ChangedPixels(host.FrameOf(out, n), kTint20, window);
  }
};

int AllMarked(int, int) { return 255; }

// An 8 x 4 frame whose columns pair the mask samples (m marked, k background):
//   0 (k, k)  1 (m, k)  2 (k, m)  3 (m, m)  4 (m, 128)  5 (128, m)  6 (128, 128)  7 (m, m)
// and whose row 3 is (m, m) everywhere. The default window ends before column 7 and row 3.
TEST_P(CrossFillFormats, LogicalTypesOnBothPolarities) {
  for (const bool white : {true, false}) {
    const int m = white ? 255 : 0, k = 255 - m;
    const int colA[8] = {k, m, k, m, m, 128, 128, m}, colB[8] = {k, k, m, m, 128, m, 128, m};
    auto a = [&](int x, int y) { return y == 3 ? m : colA[x]; };
    auto b = [&](int x, int y) { return y == 3 ? m : colB[x]; };
    const std::pair<const char*, PosSet> cases[] = {
        {"aANDb", Columns({3}, 0, 2)},
        {"aORb", Columns({1, 2, 3, 4, 5}, 0, 2)},
        // RGB wants the other mask at background exactly; YUV accepts any other value.
        {"aNOTb", Rgb() ? Columns({1, 2}, 0, 2) : Columns({1, 2, 4, 5}, 0, 2)},
        {"aandb", {}},
        {"AORB", {}},
        {"xor", {}},
    };
    for (const auto& c : cases)
      EXPECT_EQ(Run(8, 4, a, b, {Named("type", c.first), Named("white", white)}, Window(0, 7, 0, 3)), c.second)
          << c.first << " white=" << white;
  }
  // The default type is "aANDb".
  EXPECT_EQ(Run(
                6, 4, [](int x, int) { return x >= 2 ? 255 : 0; }, [](int x, int) { return x <= 3 ? 255 : 0; }, {},
                Window(0, 5, 0, 3)),
            Columns({2, 3}, 0, 2));
}

// rx = lx + 2 is the narrowest window: two columns; rx = W and by = H reach the last column
// and row.
TEST_P(CrossFillFormats, WindowLimitsAreExcluded) {
  EXPECT_EQ(Run(8, 6, AllMarked, AllMarked, {Named("lx", 2), Named("rx", 4), Named("ty", 1), Named("by", 3)},
                Window(2, 4, 1, 3)),
            Columns({2, 3}, 1, 2));
  EXPECT_EQ(Run(8, 6, AllMarked, AllMarked, {Named("lx", 6), Named("rx", 8), Named("ty", 4), Named("by", 6)},
                Window(6, 8, 4, 6)),
            Columns({6, 7}, 4, 5));
}

// (0, 0, 10, 10) at frame 0 to (10, 0, 20, 10) at frame 4: left edges (10 * t) / 4 = 0, 2, 5, 7,
// 10. Moving back the other way, 10 - 2.5t truncated toward zero: 10, 8, 5, 3, 0.
TEST_P(CrossFillFormats, WindowMovesWithTruncation) {
  const int edges[2][5] = {{0, 2, 5, 7, 10}, {10, 8, 5, 3, 0}};
  for (const int way : {0, 1}) {
    const int from = edges[way][0], to = edges[way][4];
    for (int n = 0; n < 5; ++n) {
      const int L = edges[way][n];
      EXPECT_EQ(
          Run(24, 12, AllMarked, AllMarked,
              {Named("lx", from), Named("rx", from + 10), Named("by", 10), Named("elx", to), Named("erx", to + 10)},
              Window(L, L + 10, 0, 10), 5, n),
          Block(L, L + 9, 0, 9))
          << "frame " << n;
    }
  }
}

// Frames outside sf..ef come back untouched (RGB32's first byte too); sf = ef has the start
// window.
TEST_P(CrossFillFormats, FrameRangeAndOneFrameRange) {
  const std::vector<Argument> range = {Named("sf", 2), Named("ef", 2),   Named("lx", 0),
                                       Named("rx", 2), Named("elx", 10), Named("erx", 12)};
  for (int n : {0, 1, 3}) EXPECT_TRUE(Run(16, 6, AllMarked, AllMarked, range, {}, 4, n).empty()) << "frame " << n;
  EXPECT_EQ(Run(16, 6, AllMarked, AllMarked, range, Window(0, 2, 0, 5), 4, 2), Columns({0, 1}, 0, 4));
}

// The brightness is adjusted without clamping before the offsets are added; only the stored
// bytes are clamped. Brightness 100 with kRed's offsets (178, -75, -78):
struct PaintCase {
  const char* name;
  bool shift;
  int st;
  long long level;  // adjust(100), unclamped
};
const PaintCase kPaintCases[] = {
    {"none", true, 0, 100},
    {"shift200", true, 200, 300},  // RGB 255, 225, 222 (a clamp first would give 180, 177)
    {"stretchMinus100", false, -100, 0},
    {"stretchHuge", false, 2000000000, 2000000100LL},
    {"shiftMin", true, -2147483647 - 1, -2147483548LL},
    {"shiftMax", true, 2147483647, 2147483747LL},
};

int Clamp(long long v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

TEST_P(CrossFillFormats, PaintAddsOffsetsToUnclampedBrightness) {
  for (const PaintCase& c : kPaintCases) {
    TestHost host;
    PClip main = MainClip(host, Type(), 4, 4);
    PClip mask = MaskClip(host, Type(), 4, 4, AllMarked);
    Picture f =
        host.FrameOf(host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("rx", 4), Named("by", 4),
                                              Named("color", kRed), Named("shift", c.shift), Named("st", c.st)}),
                     0);
    if (Rgb()) {
      EXPECT_EQ(f.Get(1, 1, 0), f.Format() == PixelFormat::RGB32 ? 0 : Clamp(c.level + 178)) << c.name;
      EXPECT_EQ(f.Get(1, 1, 1), Clamp(c.level - 75)) << c.name;
      EXPECT_EQ(f.Get(1, 1, 2), Clamp(c.level - 78)) << c.name;
    } else {
      EXPECT_EQ(f.Get(1, 1, 0), Clamp(c.level)) << c.name;
      EXPECT_EQ(f.Get(1, 1, 1), kRedU) << c.name;
      EXPECT_EQ(f.Get(1, 1, 2), kRedV) << c.name;
    }
  }
}

// Colour 0 keeps RGB grey at the pixel's own level and YUV chroma neutral; the default colour
// 0x7F7F00 has U 64, V 138 (128 - 42.164 - 21.463 and 63.5 - 53.213 + 128), so in RGB
// du -64, dv 10: kG trunc(22.112 - 7.169) = 14, kU trunc(-113.856) = -113.
TEST_P(CrossFillFormats, ColourChroma) {
  TestHost host;
  PClip main = MainClip(host, Type(), 4, 4);
  PClip mask = MaskClip(host, Type(), 4, 4, AllMarked);
  Picture black = host.FrameOf(host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("color", 0)}), 0);
  Picture deflt = host.FrameOf(host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask)}), 0);
  if (Rgb()) {
    EXPECT_EQ(black.Get(1, 1, 0), black.Format() == PixelFormat::RGB32 ? 0 : 100);
    EXPECT_EQ(black.Get(1, 1, 1), 100);
    EXPECT_EQ(black.Get(1, 1, 2), 100);
    EXPECT_EQ(deflt.Get(1, 1, 1), 114);
    EXPECT_EQ(deflt.Get(1, 1, 2), 0);
  } else {
    EXPECT_EQ(black.Get(1, 1, 1), 128);
    EXPECT_EQ(black.Get(1, 1, 2), 128);
    EXPECT_EQ(deflt.Get(1, 1, 1), 64);
    EXPECT_EQ(deflt.Get(1, 1, 2), 138);
  }
}

// Every output byte comes from the source or the filter: two poison values give the same frame.
TEST_P(CrossFillFormats, OutputIndependentOfPoison) {
  std::vector<std::vector<int>> results;
  for (const uint8_t poison : {uint8_t{0x00}, uint8_t{0xFF}}) {
    TestHost host(poison);
    PClip main = MainClip(host, Type(), 12, 6);
    PClip maskA = MaskClip(host, Type(), 12, 6, [](int x, int y) { return (x + y) % 3 ? 255 : 0; });
    PClip maskB = MaskClip(host, Type(), 12, 6, [](int x, int) { return x % 2 ? 255 : 128; });
    std::vector<int> bytes;
    for (const char* type : {"aANDb", "aORb", "aNOTb"}) {
      Picture f = host.FrameOf(
          host.Apply("CrossFill", {Arg(main), Arg(maskA), Arg(maskB), Named("type", type), Named("st", -40)}), 0);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
          for (int c = 0; c < (f.Format() == PixelFormat::RGB32 ? 4 : 3); ++c) bytes.push_back(f.Get(x, y, c));
    }
    results.push_back(bytes);
  }
  EXPECT_EQ(results[0], results[1]);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, CrossFillFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Checks -----------------------------------------------------------------------------------

const char kFrames[] = "CrossFill: Frame number must be positive and end frame not less than start frame";
const char kFormat[] = "CrossFill: This color format is not supported here";
const char kMainFrames[] = "CrossFill:the main clip has fewer frames than end frame number";
const char kFirstFrames[] = "CrossFill:the first mask clip has fewer frames than endframe number";
const char kFirstDiffers[] = "CrossFill: The main and first mask clips differ in colorspace or dimensions";
const char kSecondFrames[] = "CrossFill:the second mask clip has fewer frames than endframe number";
const char kSecondDiffers[] = "CrossFill: The main and second mask clips differ in colorspace or dimensions";
const char kStart[] = "CrossFill:Invalid starting coordinates or The window extends beyond frame ";
const char kEnd[] = "CrossFill:Invalid ending coordinates or The window extends beyond frame ";

// A 20 x 10 YUY2 main clip of 5 frames with like masks.
class CrossFillChecks : public ::testing::Test {
 protected:
  static constexpr int kType = VideoInfo::CS_YUY2;
  TestHost host;
  PClip main = host.MakeClip(kType, 20, 10, 5);
  PClip maskA = host.MakeClip(kType, 20, 10, 5);
  PClip maskB = host.MakeClip(kType, 20, 10, 5);

  std::string Error(std::vector<Argument> named) {
    std::vector<Argument> args = {Arg(main), Arg(maskA), Arg(maskB)};
    args.insert(args.end(), named.begin(), named.end());
    return host.ErrorOf("CrossFill", args);
  }
};

TEST_F(CrossFillChecks, FrameRange) {
  EXPECT_EQ(Error({Named("sf", -1)}), kFrames);
  EXPECT_EQ(Error({Named("sf", 3), Named("ef", 2)}), kFrames);
  EXPECT_EQ(Error({Named("sf", 5)}), kFrames);  // past the default end frame 4
  EXPECT_EQ(Error({Named("ef", 5)}), kMainFrames);
  EXPECT_EQ(Error({Named("sf", 4), Named("ef", 4)}), "");
}

TEST_F(CrossFillChecks, MaskClips) {
  PClip four = host.MakeClip(kType, 20, 10, 4);  // exactly ef frames
  PClip three = host.MakeClip(kType, 20, 10, 3);
  EXPECT_EQ(host.ErrorOf("CrossFill", {Arg(main), Arg(four), Arg(four)}), "");
  EXPECT_EQ(host.ErrorOf("CrossFill", {Arg(main), Arg(three), Arg(maskB)}), kFirstFrames);
  EXPECT_EQ(host.ErrorOf("CrossFill", {Arg(main), Arg(maskA), Arg(three)}), kSecondFrames);
  for (PClip other : {host.MakeClip(VideoInfo::CS_YV12, 20, 10, 5), host.MakeClip(kType, 22, 10, 5),
                      host.MakeClip(kType, 20, 12, 5)}) {
    EXPECT_EQ(host.ErrorOf("CrossFill", {Arg(main), Arg(other), Arg(maskB)}), kFirstDiffers);
    EXPECT_EQ(host.ErrorOf("CrossFill", {Arg(main), Arg(maskA), Arg(other)}), kSecondDiffers);
  }
}

// On 20 x 10: lx and ty inside 0..W and 0..H, rx >= lx + 2, by >= ty + 2, rx <= W, by <= H.
TEST_F(CrossFillChecks, WindowLimits) {
  EXPECT_EQ(Error({Named("lx", 0), Named("rx", 20), Named("ty", 0), Named("by", 10)}), "");
  EXPECT_EQ(Error({Named("lx", 18), Named("rx", 20)}), "");
  EXPECT_EQ(Error({Named("lx", 18), Named("rx", 19)}), kStart);
  EXPECT_EQ(Error({Named("lx", 17)}), "");  // default rx 19
  EXPECT_EQ(Error({Named("lx", 18)}), kStart);
  EXPECT_EQ(Error({Named("lx", -1)}), kStart);
  EXPECT_EQ(Error({Named("rx", 21)}), kStart);
  EXPECT_EQ(Error({Named("ty", -1)}), kStart);
  EXPECT_EQ(Error({Named("ty", 8), Named("by", 10)}), "");
  EXPECT_EQ(Error({Named("ty", 8), Named("by", 9)}), kStart);
  EXPECT_EQ(Error({Named("by", 11)}), kStart);
  // The end window defaults to the start window and has the same limits.
  EXPECT_EQ(Error({Named("elx", 17)}), "");
  EXPECT_EQ(Error({Named("elx", 18)}), kEnd);
  EXPECT_EQ(Error({Named("elx", -1)}), kEnd);
  EXPECT_EQ(Error({Named("erx", 21)}), kEnd);
  EXPECT_EQ(Error({Named("ety", -1)}), kEnd);
  EXPECT_EQ(Error({Named("ety", 8)}), kEnd);
  EXPECT_EQ(Error({Named("eby", 11)}), kEnd);
  EXPECT_EQ(Error({Named("lx", 18), Named("elx", 18)}), kStart);
  // Neither st nor type is checked.
  EXPECT_EQ(Error({Named("st", 100000), Named("type", "anything")}), "");
  EXPECT_EQ(Error({Named("st", -100000), Named("shift", false)}), "");
}

TEST_F(CrossFillChecks, ChecksRunInOrder) {
  PClip odd(new MemoryClip(VideoInfoOf(VideoInfo::CS_YUV | VideoInfo::CS_INTERLEAVED | 4 | 64, 20, 10, 5), {}));
  PClip three = host.MakeClip(VideoInfo::CS_BGR32, 20, 10, 3);
  PClip four_rgb = host.MakeClip(VideoInfo::CS_BGR32, 20, 10, 4);
  PClip four = host.MakeClip(kType, 20, 10, 4);
  PClip first = odd, a = three, b = three;
  int sf = -1, ef = 5, lx = -1, elx = -1;
  auto call = [&]() {
    return host.ErrorOf("CrossFill", {Arg(first), Arg(a), Arg(b), Named("sf", sf), Named("ef", ef), Named("lx", lx),
                                      Named("elx", elx)});
  };
  EXPECT_EQ(call(), kFrames);
  sf = 0;
  EXPECT_EQ(call(), kFormat);
  first = main;
  EXPECT_EQ(call(), kMainFrames);
  ef = 4;
  EXPECT_EQ(call(), kFirstFrames);
  a = four_rgb;
  EXPECT_EQ(call(), kFirstDiffers);
  a = four;
  EXPECT_EQ(call(), kSecondFrames);
  b = four_rgb;
  EXPECT_EQ(call(), kSecondDiffers);
  b = four;
  EXPECT_EQ(call(), kStart);
  lx = 0;
  EXPECT_EQ(call(), kEnd);
  elx = 0;
  EXPECT_EQ(call(), "");
}

TEST(CrossFillRegistration, RegisteredBeforeInlayWithExactSignatures) {
  Environment env;
  env.LoadPlugin(TINTARA_MODULE_PATH);
  const auto rows = env.Registered();
  auto at = [&](const char* name) {
    return std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.first == name; });
  };
  ASSERT_NE(at("CrossFill"), rows.end());
  ASSERT_NE(at("Inlay"), rows.end());
  EXPECT_TRUE(at("MaskMaker") < at("CrossFill"));
  EXPECT_TRUE(at("CrossFill") + 1 == at("Inlay"));
  EXPECT_EQ(at("CrossFill")->second,
            "ccc[sf]i[ef]i[type]s[lx]i[ty]i[rx]i[by]i[color]i[white]b[shift]b[st]i[elx]i[ety]i[erx]i[eby]i");
  EXPECT_EQ(at("Inlay")->second,
            "ccc[sf]i[ef]i[type]s[color]i[lval]i[mwhite]b[x]i[y]i[w]i[h]i[shift]b[st]i[ellipse]b[ex]i[ey]i[ew]i[eh]i");
}

}  // namespace
}  // namespace tintara::testing
