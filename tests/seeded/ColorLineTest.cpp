// ColorLine through its registered signature, in every format.
#include <gtest/gtest.h>

#include "tests/seeded/SeededScenes.h"

namespace tintara::testing {
namespace {

std::vector<Argument> LineArgs(const PClip& picture, const PClip& mask, int sf, int ef, std::vector<int> seeds,
                               std::vector<Argument> named = {}) {
  std::vector<Argument> args = {Arg(picture), Arg(mask), Arg(sf), Arg(ef)};
  for (int v : seeds) args.push_back(Arg(v));
  for (auto& a : named) args.push_back(a);
  return args;
}

// Red written solid: RGB bytes 255, 0, 0 in memory order; YUV 76, 84, 255.
::testing::AssertionResult SolidRed(const Picture& o, int x, int y) { return Solid(o, x, y, 255, 0, 0, 76, 84, 255); }
::testing::AssertionResult SolidBlue(const Picture& o, int x, int y) { return Solid(o, x, y, 0, 0, 255, 29, 255, 107); }

class ColorLineFormats : public SeededFormats {
 protected:
  TestHost host;
};

TEST_P(ColorLineFormats, FillsTheEightConnectedAreaThroughDiagonalGaps) {
  // Black squares joined only at a corner (x 0-3, y 0-3 and x 4-7, y 4-7), on white; a black
  // square at x 8-11, y 0-1 touches neither. Even edges keep YUV chroma inside each square.
  auto first = [](int x, int y) { return (x < 4 && y < 4) || (x >= 4 && x < 8 && y >= 4); };
  auto apart = [](int x, int y) { return x >= 8 && y < 2; };
  PClip mask = MaskClip(host, Type(), 12, 8, [&](int x, int y) { return first(x, y) || apart(x, y) ? 0 : 255; });
  PClip pic = PictureClip(host, Type(), 12, 8);
  PClip out = host.Apply("ColorLine", LineArgs(pic, mask, 0, 0, {1, 2, kRed.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) {
      if (first(x, y))
        ASSERT_TRUE(SolidRed(o, x, y));
      else
        ASSERT_TRUE(Untouched(o, in, x, y));
    }
}

TEST_P(ColorLineFormats, WhiteAreaToAllFourEdgesAndFirstSeedWins) {
  // White everywhere but a black bar in rows 2-3; the white area wraps the bar on both sides.
  PClip mask = MaskClip(host, Type(), 10, 8, [](int x, int y) { return y >= 2 && y < 4 && x >= 2 && x < 8 ? 0 : 255; });
  PClip pic = PictureClip(host, Type(), 10, 8);
  PClip out = host.Apply("ColorLine", LineArgs(pic, mask, 0, 0, {9, 7, kBlue.colour, 0, 0, kRed.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      if (y >= 2 && y < 4 && x >= 2 && x < 8)
        ASSERT_TRUE(Untouched(o, in, x, y));
      else
        ASSERT_TRUE(SolidBlue(o, x, y));
    }
}

TEST_P(ColorLineFormats, GreySeedOnlyDrawsItsDot) {
  PClip mask = MaskClip(host, Type(), 8, 6, [](int x, int) { return x < 4 ? 100 : 0; });
  PClip pic = PictureClip(host, Type(), 8, 6);
  PClip out = host.Apply("ColorLine", LineArgs(pic, mask, 0, 0, {1, 5, kRed.colour, 5, 0, kRed.colour},
                                               {Named("pshow", true), Named("pcolor", 0x0000FF)}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  EXPECT_TRUE(SolidBlue(o, 1, 5));
  EXPECT_TRUE(SolidBlue(o, 5, 0));  // the dot goes over the fill
  EXPECT_TRUE(SolidRed(o, 7, 5));
  EXPECT_TRUE(Untouched(o, in, 3, 2));
  EXPECT_EQ(o.Get(0, 5, 0), in.Get(0, 5, 0));
}

TEST_P(ColorLineFormats, WhiteSeedAtTopPictureRow) {
  PClip mask = MaskClip(host, Type(), 6, 6, [](int, int y) { return y < 2 ? 255 : 0; });
  PClip pic = PictureClip(host, Type(), 6, 6);
  PClip out = host.Apply("ColorLine", LineArgs(pic, mask, 0, 0, {4, 0, 0xFFFFFF}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  for (int x = 0; x < 6; ++x) {
    // White: Y 255 but U = V = 127 (127.745 and 127.92 truncated), not neutral 128.
    EXPECT_TRUE(Solid(o, x, 0, 255, 255, 255, 255, 127, 127));
    EXPECT_TRUE(Solid(o, x, 1, 255, 255, 255, 255, 127, 127));
    EXPECT_TRUE(Untouched(o, in, x, 2));
    EXPECT_TRUE(Untouched(o, in, x, 5));
  }
}

TEST_P(ColorLineFormats, SeedsDriftWithTruncation) {
  // One column per area: black and white alternate, so each seed fills one column only.
  PClip mask = MaskClip(
      host, Type(), 16, 4, [](int x, int) { return x % 2 ? 255 : 0; }, 4);
  PClip pic = PictureClip(host, Type(), 16, 4, 4);
  PClip right = host.Apply("ColorLine", LineArgs(pic, mask, 0, 3, {2, 1, kRed.colour}, {Named("movex", 10)}));
  PClip left = host.Apply("ColorLine", LineArgs(pic, mask, 0, 3, {12, 1, kRed.colour}, {Named("movex", -10)}));
  const int expectRight[] = {2, 5, 8, 12}, expectLeft[] = {12, 9, 6, 2};
  for (int n = 0; n < 4; ++n) {
    Picture r = host.FrameOf(right, n), l = host.FrameOf(left, n);
    // Luma (or the RGB first byte) of the filled column is the red's; nothing else has it.
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(r.Get(x, 3, 0) == (IsRGB(r.Format()) ? 255 : 76) && r.Get(x, 3, 1) != 60 && r.Get(x, 3, 1) != 90,
                x == expectRight[n])
          << "frame " << n << " x " << x;
      EXPECT_EQ(l.Get(x, 0, 0) == (IsRGB(l.Format()) ? 255 : 76) && l.Get(x, 0, 1) != 60 && l.Get(x, 0, 1) != 90,
                x == expectLeft[n])
          << "frame " << n << " x " << x;
    }
  }
}

TEST_P(ColorLineFormats, WholeFullHdFrameIsFilled) {
  const int W = 1920, H = 1080;
  PClip mask = host.MakeClip(Type(), W, H, 1, [](int, Picture& p) { p.Fill(0, 0, 0); });
  PClip pic = host.MakeClip(Type(), W, H, 1);
  PClip out = host.Apply("ColorLine", LineArgs(pic, mask, 0, 0, {W - 1, H - 1, kRed.colour}));
  Picture o = host.FrameOf(out, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) ASSERT_TRUE(SolidRed(o, x, y));
}

TEST_P(ColorLineFormats, OutputDoesNotDependOnPoison) {
  auto run = [&](uint8_t poison) {
    TestHost h(poison);
    PClip mask = MaskClip(h, Type(), 10, 6, [](int x, int y) { return (x + 2 * y) % 5 == 0 ? 255 : 0; });
    PClip pic = PictureClip(h, Type(), 10, 6);
    PClip out = h.Apply("ColorLine",
                        LineArgs(pic, mask, 0, 0, {0, 0, kRed.colour, 9, 5, kBlue.colour}, {Named("pshow", true)}));
    Picture p = h.FrameOf(out, 0);
    std::vector<int> bytes;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 10; ++x)
        for (int c = 0; c < (p.Format() == PixelFormat::RGB32 ? 4 : 3); ++c) bytes.push_back(p.Get(x, y, c));
    return bytes;
  };
  EXPECT_EQ(run(0x00), run(0xFF));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ColorLineFormats, ::testing::ValuesIn(AllFormats()), FormatName);

// ---- Checks, in order --------------------------------------------------------------------------

class ColorLineChecks : public ::testing::Test {
 protected:
  PClip Clip(int type = VideoInfo::CS_YUY2, int w = 20, int h = 10, int frames = 5) {
    return host.MakeClip(type, w, h, frames);
  }
  std::string Error(int sf, int ef, std::vector<int> seeds, std::vector<Argument> named = {}, PClip mask = PClip(),
                    PClip pic = PClip()) {
    if (!mask) mask = Clip();
    if (!pic) pic = Clip();
    return host.ErrorOf("ColorLine", LineArgs(pic, mask, sf, ef, seeds, named));
  }
  TestHost host;
};

TEST_F(ColorLineChecks, MessagesAndBoundariesInOrder) {
  const std::string frames = "ColorLine:frame numbers must be +ve and end number not less than start number";
  EXPECT_EQ(Error(2, 1, {0, 0, 0}), frames);
  EXPECT_EQ(Error(-1, 1, {0, 0, 0}), frames);
  const std::string count = "ColorLine: A value may be missing or may be extra in the  parameter sets";
  EXPECT_EQ(Error(0, 1, {0, 0}), count);
  const std::string outside =
      "ColorLine: one or more  coordinates of x and or y are outside frame width of 20 frame height of 10";
  const std::string pushed =
      "ColorLine: movex or movey pushes one or more  coordinates of x and or y to outside "
      "frame width of 20 frame height of 10";
  EXPECT_EQ(Error(0, 1, {20, 0, 0}), outside);
  EXPECT_EQ(Error(0, 1, {0, -1, 0}), outside);
  EXPECT_EQ(Error(0, 1, {15, 0, 0}, {Named("movex", 5)}), pushed);
  EXPECT_EQ(Error(0, 1, {15, 0, 0}, {Named("movex", 4)}), "");
  EXPECT_EQ(Error(0, 1, {5, 0, 0}, {Named("movex", -6)}), pushed);
  EXPECT_EQ(Error(0, 1, {5, 9, 0}, {Named("movey", 1)}), pushed);
  EXPECT_EQ(Error(0, 1, {5, 9, 0}, {Named("movey", -9)}), "");
  EXPECT_EQ(Error(0, 1, {5, 2, 0}, {Named("movex", 2147483647)}), pushed);  // must not wrap into the frame
  // Each seed is tested whole before the next: the first seed's drift fails before the second's place.
  EXPECT_EQ(Error(0, 1, {15, 0, 0, 25, 0, 0}, {Named("movex", 5)}), pushed);
  // The clip checks come after the seeds, in the constructor.
  EXPECT_EQ(Error(0, 1, {25, 0, 0}, {}, Clip(VideoInfo::CS_YV12)), outside);
  EXPECT_EQ(Error(0, 1, {0, 0, 0}, {}, Clip(VideoInfo::CS_YV12)), "ColorLine:Clips have differing pixel_types");
  PClip odd = new InfoClip(kUnsupportedType, 20, 10, 5);
  EXPECT_EQ(Error(0, 1, {0, 0, 0}, {}, odd, odd), "ColorLine: This color format is not supported here");
  // YV24 holds every bit of YV12 but is not YV12.
  PClip yv24 = new InfoClip(static_cast<int>(0xA000030Bu), 20, 10, 5);
  EXPECT_EQ(Error(0, 1, {0, 0, 0}, {}, yv24, yv24), "ColorLine: This color format is not supported here");
  EXPECT_EQ(Error(0, 1, {0, 0, 0}, {}, Clip(VideoInfo::CS_YUY2, 22)),
            "ColorLine: The heights/widths of clips are unequal");
  const std::string clip = "ColorLine:the clip has fewer frames than start or end frame";
  const std::string right = "ColorLine:The Right Clip has fewer frames than the end frame number given";
  EXPECT_EQ(Error(0, 6, {0, 0, 0}), clip);
  EXPECT_EQ(Error(0, 5, {0, 0, 0}, {}, Clip(), Clip(VideoInfo::CS_YUY2, 20, 10, 6)), "");  // exactly ef frames
  EXPECT_EQ(Error(0, 5, {0, 0, 0}, {}, Clip(VideoInfo::CS_YUY2, 20, 10, 4), Clip(VideoInfo::CS_YUY2, 20, 10, 6)),
            right);
  EXPECT_EQ(Error(0, 5, {0, 0, 0}, {}, Clip(VideoInfo::CS_YUY2, 20, 10, 5), Clip(VideoInfo::CS_YUY2, 20, 10, 4)), clip);
}

}  // namespace
}  // namespace tintara::testing
