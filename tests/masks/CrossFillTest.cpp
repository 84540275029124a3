// CrossFill through its registered signature, in every format: the logical types on small
// hand-drawn masks, the excluded right and bottom limits, the window's motion, the painting
// arithmetic, RGB32's cleared first byte, and every check.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

using Pos = std::pair<int, int>;
using PosSet = std::set<Pos>;

// Main picture: RGB (100, 60, 30) with 77 in RGB32's fourth byte; YUV brightness 100, U 90, V 170.
PClip MainClip(TestHost& host, int type, int width, int height, int frames = 1) {
  return host.MakeClip(type, width, height, frames, [](int, Picture& p) {
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        p.SetPixel(x, y, 100, IsRGB(p.Format()) ? 60 : 90, IsRGB(p.Format()) ? 30 : 170);
        if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, 77);
      }
  });
}

// A mask whose sample at (x, y) is sample(x, y). The other RGB bytes hold 255 - sample and YUV
// chroma holds 255, so reading any byte but the sample changes the outcome.
template <typename Sample>
PClip MaskClip(TestHost& host, int type, int width, int height, Sample sample, int frames = 1) {
  return host.MakeClip(type, width, height, frames, [&](int, Picture& p) {
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        const int s = sample(x, y);
        if (IsRGB(p.Format())) p.SetPixel(x, y, s, 255 - s, 255 - s);
        else p.SetPixel(x, y, s, 255, 255);
      }
  });
}

// Painting kReds (0xFF0000: U 84, V 255, RGB offsets kV 178, kG -75, kU -78) with shift true,
// st 20 turns brightness 100 into 120: RGB (255, 45, 42), YUV Y 120.
constexpr int kRed = 0xFF0000;

// The painted pixels of `out`; every other pixel must be untouched, except that RGB32 window
// pixels (columns x0..x1-1, rows y0..y1-1) have their first byte cleared.
struct Expect {
  int b0 = 255, b1 = 45, b2 = 42, luma = 120;
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // the window, for RGB32
};

PosSet Painted(const Picture& out, const Expect& e) {
  PosSet painted;
  const PixelFormat f = out.Format();
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      const bool window = x >= e.x0 && x < e.x1 && y >= e.y0 && y < e.y1;
      if (IsRGB(f)) {
        const int first = f == PixelFormat::RGB32 && window ? 0 : -1;
        const int b0 = out.Get(x, y, 0), b1 = out.Get(x, y, 1), b2 = out.Get(x, y, 2);
        if (b1 == e.b1 && b2 == e.b2 && b0 == (first == 0 ? 0 : e.b0)) {
          painted.insert({x, y});
        } else {
          EXPECT_TRUE(b0 == (first == 0 ? 0 : 100) && b1 == 60 && b2 == 30)
              << "(" << x << "," << y << ") " << b0 << " " << b1 << " " << b2;
        }
        if (f == PixelFormat::RGB32) {
          EXPECT_EQ(out.Get(x, y, 3), 77);
        }
      } else {
        const int luma = out.Get(x, y, 0);
        if (luma == e.luma) {
          painted.insert({x, y});
        } else {
          EXPECT_EQ(luma, 100) << "(" << x << "," << y << ")";
        }
      }
    }
  if (!IsRGB(f)) {
    const int rows = f == PixelFormat::YUY2 ? 1 : 2;
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) {
        bool shared = false;
        for (int dy = 0; dy < rows; ++dy)
          for (int dx = 0; dx < 2; ++dx) shared |= painted.count({(x & ~1) + dx, y - y % rows + dy}) > 0;
        EXPECT_EQ(out.Get(x, y, 1), shared ? 84 : 90) << "U (" << x << "," << y << ")";
        EXPECT_EQ(out.Get(x, y, 2), shared ? 255 : 170) << "V (" << x << "," << y << ")";
      }
  }
  return painted;
}

PosSet Columns(std::initializer_list<int> xs, int y0, int y1) {
  PosSet s;
  for (int x : xs)
    for (int y = y0; y <= y1; ++y) s.insert({x, y});
  return s;
}

class CrossFillFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  int Type() const { return GetParam().pixel_type; }
  bool Rgb() const { return IsRGB(FormatOf(VideoInfoOf(Type(), 2, 2, 1))); }
};

// An 8 x 4 frame whose columns pair the mask samples (m marked, k background):
//   0 (k, k)  1 (m, k)  2 (k, m)  3 (m, m)  4 (m, 128)  5 (128, m)  6 (128, 128)  7 (m, m)
// and whose row 3 is (m, m) everywhere. The default window ends before column 7 and row 3.
TEST_P(CrossFillFormats, LogicalTypesOnBothPolarities) {
  for (const bool white : {true, false}) {
    const int m = white ? 255 : 0, k = 255 - m;
    auto a = [&](int x, int y) {
      const int col[8] = {k, m, k, m, m, 128, 128, m};
      return y == 3 ? m : col[x];
    };
    auto b = [&](int x, int y) {
      const int col[8] = {k, k, m, m, 128, m, 128, m};
      return y == 3 ? m : col[x];
    };
    struct Case {
      const char* type;
      PosSet expected;
    };
    const std::vector<Case> cases = {
        {"aANDb", Columns({3}, 0, 2)},
        {"aORb", Columns({1, 2, 3, 4, 5}, 0, 2)},
        // RGB wants the other mask at background exactly; YUV accepts any other value.
        {"aNOTb", Rgb() ? Columns({1, 2}, 0, 2) : Columns({1, 2, 4, 5}, 0, 2)},
        {"aandb", {}},
        {"AORB", {}},
        {"xor", {}},
    };
    for (const Case& c : cases) {
      TestHost host;
      PClip main = MainClip(host, Type(), 8, 4);
      PClip maskA = MaskClip(host, Type(), 8, 4, a);
      PClip maskB = MaskClip(host, Type(), 8, 4, b);
      PClip out = host.Apply("CrossFill", {Arg(main), Arg(maskA), Arg(maskB), Named("type", c.type),
                                           Named("white", white), Named("color", kRed), Named("st", 20)});
      Expect e;
      e.x1 = 7;
      e.y1 = 3;
      EXPECT_EQ(Painted(host.FrameOf(out, 0), e), c.expected) << c.type << " white=" << white;
    }
  }
}

TEST_P(CrossFillFormats, DefaultTypeIsAnd) {
  TestHost host;
  PClip main = MainClip(host, Type(), 6, 4);
  PClip maskA = MaskClip(host, Type(), 6, 4, [](int x, int) { return x >= 2 ? 255 : 0; });
  PClip maskB = MaskClip(host, Type(), 6, 4, [](int x, int) { return x <= 3 ? 255 : 0; });
  PClip out = host.Apply("CrossFill", {Arg(main), Arg(maskA), Arg(maskB), Named("color", kRed), Named("st", 20)});
  Expect e;
  e.x1 = 5;
  e.y1 = 3;
  EXPECT_EQ(Painted(host.FrameOf(out, 0), e), Columns({2, 3}, 0, 2));
}

// rx = lx + 2 is the narrowest window: two columns; rx = W and by = H reach the last column
// and row.
TEST_P(CrossFillFormats, WindowLimitsAreExcluded) {
  TestHost host;
  auto all = [](int, int) { return 255; };
  PClip main = MainClip(host, Type(), 8, 6);
  PClip mask = MaskClip(host, Type(), 8, 6, all);
  PClip narrow = host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("lx", 2), Named("rx", 4),
                                          Named("ty", 1), Named("by", 3), Named("color", kRed), Named("st", 20)});
  Expect e{255, 45, 42, 120, 2, 4, 1, 3};
  EXPECT_EQ(Painted(host.FrameOf(narrow, 0), e), Columns({2, 3}, 1, 2));
  PClip full = host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("lx", 6), Named("rx", 8),
                                        Named("ty", 4), Named("by", 6), Named("color", kRed), Named("st", 20)});
  Expect f{255, 45, 42, 120, 6, 8, 4, 6};
  EXPECT_EQ(Painted(host.FrameOf(full, 0), f), Columns({6, 7}, 4, 5));
}

// (0, 0, 10, 10) at frame 0 to (10, 0, 20, 10) at frame 4: left edges (10 * t) / 4 = 0, 2, 5, 7,
// 10. Moving back the other way, 10 - 2.5t truncated toward zero: 10, 8, 5, 3, 0.
TEST_P(CrossFillFormats, WindowMovesWithTruncation) {
  for (const bool rightwards : {true, false}) {
    TestHost host;
    auto all = [](int, int) { return 255; };
    PClip main = MainClip(host, Type(), 24, 12, 5);
    PClip mask = MaskClip(host, Type(), 24, 12, all, 5);
    const int from = rightwards ? 0 : 10, to = rightwards ? 10 : 0;
    PClip out = host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("lx", from), Named("rx", from + 10),
                                         Named("ty", 0), Named("by", 10), Named("elx", to), Named("erx", to + 10),
                                         Named("color", kRed), Named("st", 20)});
    const int edges[2][5] = {{0, 2, 5, 7, 10}, {10, 8, 5, 3, 0}};
    for (int n = 0; n < 5; ++n) {
      const int L = edges[rightwards ? 0 : 1][n];
      Expect e{255, 45, 42, 120, L, L + 10, 0, 10};
      PosSet expected;
      for (int x = L; x < L + 10; ++x)
        for (int y = 0; y < 10; ++y) expected.insert({x, y});
      EXPECT_EQ(Painted(host.FrameOf(out, n), e), expected) << "frame " << n;
    }
  }
}

// Frames outside sf..ef come back untouched (RGB32's first byte too); sf = ef has the start
// window.
TEST_P(CrossFillFormats, FrameRangeAndOneFrameRange) {
  TestHost host;
  auto all = [](int, int) { return 255; };
  PClip main = MainClip(host, Type(), 16, 6, 4);
  PClip mask = MaskClip(host, Type(), 16, 6, all, 4);
  PClip out = host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("sf", 2), Named("ef", 2),
                                       Named("lx", 0), Named("rx", 2), Named("elx", 10), Named("erx", 12),
                                       Named("color", kRed), Named("st", 20)});
  for (int n : {0, 1, 3}) EXPECT_TRUE(Painted(host.FrameOf(out, n), Expect{}).empty()) << "frame " << n;
  Expect e{255, 45, 42, 120, 0, 2, 0, 5};
  EXPECT_EQ(Painted(host.FrameOf(out, 2), e), Columns({0, 1}, 0, 4));
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
    {"shift200", true, 200, 300},   // RGB 255, 225, 222 (not 180, 177)
    {"stretchMinus100", false, -100, 0},
    {"stretchHuge", false, 2000000000, 2000000100},
    {"shiftMin", true, -2147483647 - 1, -2147483548LL},
    {"shiftMax", true, 2147483647, 2147483747LL},
};

int Clamp(long long v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

TEST_P(CrossFillFormats, PaintAddsOffsetsToUnclampedBrightness) {
  for (const PaintCase& c : kPaintCases) {
    TestHost host;
    auto all = [](int, int) { return 255; };
    PClip main = MainClip(host, Type(), 4, 4);
    PClip mask = MaskClip(host, Type(), 4, 4, all);
    PClip out = host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("rx", 4), Named("by", 4),
                                         Named("color", kRed), Named("shift", c.shift), Named("st", c.st)});
    Picture f = host.FrameOf(out, 0);
    if (Rgb()) {
      const bool rgb32 = f.Format() == PixelFormat::RGB32;
      EXPECT_EQ(f.Get(1, 1, 0), rgb32 ? 0 : Clamp(c.level + 178LL)) << c.name;
      EXPECT_EQ(f.Get(1, 1, 1), Clamp(c.level - 75LL)) << c.name;
      EXPECT_EQ(f.Get(1, 1, 2), Clamp(c.level - 78LL)) << c.name;
    } else {
      EXPECT_EQ(f.Get(1, 1, 0), c.st == 0 ? 100 : Clamp(c.level)) << c.name;
      EXPECT_EQ(f.Get(1, 1, 1), 84) << c.name;
      EXPECT_EQ(f.Get(1, 1, 2), 255) << c.name;
    }
  }
}

// Colour 0 keeps RGB grey at the pixel's own level and YUV chroma neutral; the default colour
// 0x7F7F00 has U 64, V 138 (128 - 42.164 - 21.463 and 63.5 - 53.213 + 128).
TEST_P(CrossFillFormats, ColourChroma) {
  TestHost host;
  auto all = [](int, int) { return 255; };
  PClip main = MainClip(host, Type(), 4, 4);
  PClip mask = MaskClip(host, Type(), 4, 4, all);
  Picture black = host.FrameOf(host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask), Named("color", 0)}), 0);
  Picture deflt = host.FrameOf(host.Apply("CrossFill", {Arg(main), Arg(mask), Arg(mask)}), 0);
  if (Rgb()) {
    const int first = black.Format() == PixelFormat::RGB32 ? 0 : 100;
    EXPECT_EQ(black.Get(1, 1, 0), first);
    EXPECT_EQ(black.Get(1, 1, 1), 100);
    EXPECT_EQ(black.Get(1, 1, 2), 100);
    // 0x7F7F00: dv 10, du -64: kV 14, kG trunc(22.112 - 7.169) = 14, kU trunc(-113.856) = -113.
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
      Picture f = host.FrameOf(host.Apply("CrossFill", {Arg(main), Arg(maskA), Arg(maskB), Named("type", type),
                                                        Named("st", -40)}),
                               0);
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
