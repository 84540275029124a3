// ColorDrops through its registered signature, in every format.
#include <gtest/gtest.h>

#include <climits>

#include "tests/seeded/SeededScenes.h"

namespace tintara::testing {
namespace {

class ColorDropsFormats : public SeededFormats {};

// Args for ColorDrops(picture, mask, sf, ef, seeds..., named...).
std::vector<Argument> DropArgs(const PClip& picture, const PClip& mask, int sf, int ef, std::vector<int> seeds,
                               std::vector<Argument> named = {}) {
  std::vector<Argument> args = {Arg(picture), Arg(mask), Arg(sf), Arg(ef)};
  for (int v : seeds) args.push_back(Arg(v));
  for (auto& a : named) args.push_back(a);
  return args;
}

TEST_P(ColorDropsFormats, FillsTheFourConnectedRegionUnderTheSeed) {
  TestHost host;
  const int W = 12, H = 10;
  // A block of 255 in columns 2..7, rows 2..5, on 0; a second block of 255 touches it only at a
  // corner and stays unpainted.
  auto inBlock = [](int x, int y) { return x >= 2 && x < 8 && y >= 2 && y < 6; };
  auto inCorner = [](int x, int y) { return x >= 8 && x < 12 && y >= 6 && y < 10; };
  PClip mask = MaskClip(host, Type(), W, H, [&](int x, int y) { return inBlock(x, y) || inCorner(x, y) ? 255 : 0; });
  PClip pic = PictureClip(host, Type(), W, H);
  PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {5, 3, kRed.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      if (inBlock(x, y))
        ASSERT_TRUE(Painted(o, in, x, y, kRed));
      else
        ASSERT_TRUE(Untouched(o, in, x, y));  // even edges: no chroma shared with the block
    }
}

TEST_P(ColorDropsFormats, OnePixelRegionsSetTheirSharedChroma) {
  TestHost host;
  // Single pixels of 255 at odd (5, 1) and even (8, 3): YUY2 pairs 4-5 and 8-9, planar blocks
  // of columns 4-5 rows 0-1 and columns 8-9 rows 2-3 take the chroma; nothing else changes.
  PClip mask =
      MaskClip(host, Type(), 12, 6, [](int x, int y) { return (x == 5 && y == 1) || (x == 8 && y == 3) ? 255 : 0; });
  PClip pic = PictureClip(host, Type(), 12, 6);
  // The red seed's colour has its top byte set, which must not count.
  const int red = static_cast<int>(0xFF000000u | kRed.colour);
  PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {5, 1, red, 8, 3, kBlue.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  const PixelFormat f = o.Format();
  auto sharesWith = [&](int x, int y, int px, int py) {
    if (f == PixelFormat::YUY2) return y == py && x / 2 == px / 2;
    return IsPlanar(f) && x / 2 == px / 2 && y / 2 == py / 2;
  };
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) {
      if ((x == 5 && y == 1) || sharesWith(x, y, 5, 1))
        EXPECT_TRUE(Painted(o, in, x, y, kRed));
      else if ((x == 8 && y == 3) || sharesWith(x, y, 8, 3))
        EXPECT_TRUE(Painted(o, in, x, y, kBlue));
      else
        EXPECT_TRUE(Untouched(o, in, x, y));
    }
}

TEST_P(ColorDropsFormats, SeedAtTopRowFillsTheTopPictureRow) {
  TestHost host;
  const int W = 8, H = 6;
  PClip mask = MaskClip(host, Type(), W, H, [](int, int y) { return y < 2 ? 0 : 255; });
  PClip pic = PictureClip(host, Type(), W, H);
  PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {3, 0, kBlue.colour}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  for (int x = 0; x < W; ++x) {
    EXPECT_TRUE(Painted(o, in, x, 0, kBlue));
    EXPECT_TRUE(Painted(o, in, x, 1, kBlue));
    EXPECT_TRUE(Untouched(o, in, x, 2));
    EXPECT_TRUE(Untouched(o, in, x, H - 1));
  }
}

// Columns 0-3 hold 0, 4-5 hold 128, 6-9 hold 129, 10-11 hold 255: seeds A (red) on 0, B (blue)
// on 128, C (black) on 129.
class ColorDropsMarks : public ColorDropsFormats {
 protected:
  static int Value(int x, int) { return x < 4 ? 0 : x < 6 ? 128 : x < 10 ? 129 : 255; }
  void Run(std::vector<int> seeds, bool wshed) {
    mask_ = MaskClip(host_, Type(), 12, 4, Value);
    pic_ = PictureClip(host_, Type(), 12, 4);
    out_ = host_.Apply("ColorDrops", DropArgs(pic_, mask_, 0, 0, seeds, {Named("wshed", wshed)}));
  }
  // Every pixel of columns [from, to) painted with the colours in turn (none: untouched).
  void ExpectColumns(int from, int to, std::initializer_list<const WorkedColour*> colours) {
    Picture o = host_.FrameOf(out_, 0), in = host_.FrameOf(pic_, 0);
    for (int y = 0; y < 4; ++y)
      for (int x = from; x < to; ++x) {
        if (colours.size())
          ASSERT_TRUE(PaintedInTurn(o, in, x, y, colours));
        else
          ASSERT_TRUE(Untouched(o, in, x, y));
      }
  }
  TestHost host_;
  PClip mask_, pic_, out_;
};

constexpr int kA[] = {1, 1, 0xFF0000}, kB[] = {4, 2, 0x0000FF}, kC[] = {7, 1, 0};

TEST_P(ColorDropsMarks, WithoutWshedFilledAnd128AreasAreKept) {
  Run({kA[0], kA[1], kA[2], kB[0], kB[1], kB[2], kC[0], kC[1], kC[2], 2, 3, 0x0000FF}, false);
  ExpectColumns(0, 4, {&kRed});     // the last seed lands in A's region: the first colour stays
  ExpectColumns(4, 6, {});          // 128 is never filled without wshed
  ExpectColumns(6, 10, {&kBlack});  // 129 is an ordinary value
  ExpectColumns(10, 12, {});
}

TEST_P(ColorDropsMarks, WshedRefillsThe128AreaAroundEarlierFills) {
  Run({kA[0], kA[1], kA[2], kB[0], kB[1], kB[2]}, true);
  ExpectColumns(0, 4, {&kRed, &kBlue});  // repainted: RGB brightness from the red first byte
  ExpectColumns(4, 6, {&kBlue});
  ExpectColumns(6, 12, {});
}

TEST_P(ColorDropsMarks, RefillMarks129SoItJoinsA129Area) {
  // After the refill columns 0-5 hold 129 like columns 6-9: C floods all ten columns.
  Run({kA[0], kA[1], kA[2], kB[0], kB[1], kB[2], kC[0], kC[1], kC[2]}, true);
  ExpectColumns(0, 4, {&kRed, &kBlue, &kBlack});
  ExpectColumns(4, 6, {&kBlue, &kBlack});
  ExpectColumns(6, 10, {&kBlack});
  ExpectColumns(10, 12, {});
}

// One region per column (values 10, 20, ...): the painted column shows where the seed stood.
int PaintedColumn(TestHost& host, const PClip& out, const PClip& pic, int n, int row) {
  Picture o = host.FrameOf(out, n), in = host.FrameOf(pic, n);
  int found = -1;
  for (int x = 0; x < o.Width(); ++x)
    if (!Untouched(o, in, x, row)) {
      EXPECT_EQ(found, -1) << "two columns painted on frame " << n;
      found = x;
    }
  return found;
}

TEST_P(ColorDropsFormats, SeedsDriftWithTruncationAndSkipOutsideTheFrame) {
  TestHost host;
  const int W = 16, H = 4;
  // Wide RGB columns would share nothing; YUV columns share chroma, so compare luma-only there.
  PClip mask = MaskClip(
      host, Type(), W, H, [](int x, int) { return 10 + 10 * x; }, 4);
  PClip pic = host.MakeClip(Type(), W, H, 4);  // flat grey: only the dot changes luma
  PClip right =
      host.Apply("ColorDrops", DropArgs(pic, mask, 0, 3, {2, 1, 0xFF0000},
                                        {Named("movex", 10), Named("pshow", true), Named("pcolor", 0xFFFFFF)}));
  PClip left =
      host.Apply("ColorDrops", DropArgs(pic, mask, 0, 3, {12, 1, 0xFF0000},
                                        {Named("movex", -10), Named("pshow", true), Named("pcolor", 0xFFFFFF)}));
  PClip off = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 3, {8, 1, 0xFF0000},
                                                {Named("movex", 10), Named("pshow", true), Named("pcolor", 0xFFFFFF)}));
  const int expectRight[] = {2, 5, 8, 12}, expectLeft[] = {12, 9, 6, 2}, expectOff[] = {8, 11, 14, -1};
  for (int n = 0; n < 4; ++n) {
    // The white dot sits on row 1 of the seed's column (luma 255; RGB bytes all 255, where the
    // red fill around it has 53 in the second byte).
    auto dotColumn = [&](const PClip& clip) {
      Picture o = host.FrameOf(clip, n);
      int found = -1;
      for (int x = 0; x < W; ++x)
        if (o.Get(x, 1, 0) == 255 && (!IsRGB(o.Format()) || o.Get(x, 1, 1) == 255)) found = x;
      return found;
    };
    EXPECT_EQ(dotColumn(right), expectRight[n]) << "frame " << n;
    EXPECT_EQ(dotColumn(left), expectLeft[n]) << "frame " << n;
    EXPECT_EQ(dotColumn(off), expectOff[n]) << "frame " << n;
    if (IsRGB(host.FrameOf(pic, 0).Format())) {
      EXPECT_EQ(PaintedColumn(host, right, pic, n, 3), expectRight[n]);
      EXPECT_EQ(PaintedColumn(host, off, pic, n, 3), expectOff[n]);
    }
  }
}

TEST_P(ColorDropsFormats, VerticalDriftCountsFromTheStartFrame) {
  TestHost host;
  const int W = 4, H = 12;
  PClip mask = MaskClip(
      host, Type(), W, H, [](int, int y) { return 10 + 10 * y; }, 7);
  PClip pic = host.MakeClip(Type(), W, H, 7);
  PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 2, 5, {1, 3, 0},
                                                {Named("movey", 5), Named("pshow", true), Named("pcolor", 0xFFFFFF)}));
  // Frames 2..5 are 0..3 of the way: 0, 5/3, 10/3, 5 rows, truncated.
  const int expected[] = {3, 4, 6, 8};
  for (int n = 2; n <= 5; ++n) {
    Picture o = host.FrameOf(out, n);
    for (int y = 0; y < H; ++y) EXPECT_EQ(o.Get(1, y, 0) == 255, y == expected[n - 2]) << "frame " << n << " y " << y;
  }
  // Outside the range the source passes through.
  EXPECT_TRUE(SameFrames(host.FrameOf(out, 1), host.FrameOf(pic, 1)));
  EXPECT_TRUE(SameFrames(host.FrameOf(out, 6), host.FrameOf(pic, 6)));
}

TEST_P(ColorDropsFormats, MarkerDotGoesOverTheFill) {
  TestHost host;
  PClip mask = MaskClip(host, Type(), 6, 4, [](int, int) { return 0; });
  PClip pic = PictureClip(host, Type(), 6, 4);
  PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {3, 2, kBlue.colour, 1, 1, kRed.colour},
                                                {Named("pshow", true), Named("pcolor", 0xFF0000)}));
  Picture o = host.FrameOf(out, 0), in = host.FrameOf(pic, 0);
  EXPECT_TRUE(Solid(o, 3, 2, 0xFF, 0, 0, kRed.Y, kRed.U, kRed.V));
  EXPECT_TRUE(Painted(o, in, 5, 0, kBlue));  // the second seed found its region taken
  if (IsRGB(o.Format())) {
    EXPECT_TRUE(Solid(o, 1, 1, 0xFF, 0, 0, 0, 0, 0));
    EXPECT_TRUE(Painted(o, in, 2, 2, kBlue));
  }
}

TEST_P(ColorDropsFormats, StretchAndShiftChangeThePaintedBrightness) {
  TestHost host;
  PClip mask = MaskClip(host, Type(), 4, 2, [](int, int) { return 0; });
  PClip pic = host.MakeClip(Type(), 4, 2, 1, [](int, Picture& p) {
    if (IsRGB(p.Format()))
      p.Fill(250, 3, 3);
    else
      p.Fill(250, 60, 60);
  });
  // Shift 20 on 250: RGB N = 270 before the offsets of blue (-29, -28, 225); YUV luma clamps.
  PClip shifted = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {0, 0, kBlue.colour}, {Named("st", 20)}));
  // Stretch -100: N = 0, so RGB takes clamp(kV), clamp(kG), clamp(kU) of red.
  PClip dark = host.Apply("ColorDrops",
                          DropArgs(pic, mask, 0, 0, {0, 0, kRed.colour}, {Named("shift", false), Named("st", -100)}));
  // Stretch 2000000000: 250 * st overflows an int; the result must still be bright.
  PClip huge =
      host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {0, 0, 0}, {Named("shift", false), Named("st", 2000000000)}));
  Picture s = host.FrameOf(shifted, 0), d = host.FrameOf(dark, 0), h = host.FrameOf(huge, 0);
  for (int x = 0; x < 4; ++x) {
    EXPECT_TRUE(Solid(s, x, 1, 241, 242, 255, 255, kBlue.U, kBlue.V));
    EXPECT_TRUE(Solid(d, x, 0, 178, 0, 0, 0, kRed.U, kRed.V));
    EXPECT_TRUE(Solid(h, x, 1, 255, 255, 255, 255, 128, 128));
  }
}

TEST_P(ColorDropsFormats, WholeFullHdFrameIsFilled) {
  TestHost host;
  const int W = 1920, H = 1080;
  PClip mask = host.MakeClip(Type(), W, H, 1, [](int, Picture& p) { p.Fill(0, 0, 0); });
  PClip pic = host.MakeClip(Type(), W, H, 1, [](int, Picture& p) { p.Fill(100, 100, 100); });
  PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {W / 2, H / 2, kRed.colour}));
  Picture o = host.FrameOf(out, 0);
  const bool rgb = IsRGB(o.Format());
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      if (rgb) {
        ASSERT_EQ(o.Get(x, y, 0), 255) << x << "," << y;  // 100 + 178 clamps
        ASSERT_EQ(o.Get(x, y, 2), 22) << x << "," << y;
      } else {
        ASSERT_EQ(o.Get(x, y, 1), kRed.U) << x << "," << y;
        ASSERT_EQ(o.Get(x, y, 2), kRed.V) << x << "," << y;
      }
    }
}

TEST_P(ColorDropsFormats, OutputDoesNotDependOnPoison) {
  auto run = [&](uint8_t poison) {
    TestHost host(poison);
    PClip mask = MaskClip(host, Type(), 10, 6, [](int x, int y) { return (x + y) % 3 == 0 ? 255 : 0; });
    PClip pic = PictureClip(host, Type(), 10, 6);
    PClip out = host.Apply("ColorDrops", DropArgs(pic, mask, 0, 0, {0, 0, kRed.colour, 4, 3, kBlue.colour},
                                                  {Named("pshow", true), Named("st", -30)}));
    Picture p = host.FrameOf(out, 0);
    std::vector<int> bytes;
    const int channels = p.Format() == PixelFormat::RGB32 ? 4 : 3;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 10; ++x)
        for (int c = 0; c < channels; ++c) bytes.push_back(p.Get(x, y, c));
    return bytes;
  };
  EXPECT_EQ(run(0x00), run(0xFF));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ColorDropsFormats, ::testing::ValuesIn(AllFormats()), FormatName);
INSTANTIATE_TEST_SUITE_P(AllFormats, ColorDropsMarks, ::testing::ValuesIn(AllFormats()), FormatName);

// ---- Checks, in order --------------------------------------------------------------------------

class ColorDropsChecks : public ::testing::Test {
 protected:
  // 20x10 YV12 clips of 5 frames.
  PClip Clip(int type = VideoInfo::CS_YV12, int w = 20, int h = 10, int frames = 5) {
    return host.MakeClip(type, w, h, frames);
  }
  std::string Error(int sf, int ef, std::vector<int> seeds, std::vector<Argument> named = {}, PClip mask = PClip(),
                    PClip pic = PClip()) {
    if (!pic) pic = Clip();
    if (!mask) mask = Clip();
    return host.ErrorOf("ColorDrops", DropArgs(pic, mask, sf, ef, seeds, named));
  }
  TestHost host;
};

TEST_F(ColorDropsChecks, MessagesAndBoundariesInOrder) {
  const std::string frames = "ColorDrops:frame numbers must be +ve and end number not less than start number";
  EXPECT_EQ(Error(3, 2, {0, 0, 0}), frames);
  EXPECT_EQ(Error(-1, 2, {0, 0, 0}), frames);
  EXPECT_EQ(Error(0, 5, {0, 0, 0}), "ColorDrops:The clip is shorter than the end frame number");
  EXPECT_EQ(Error(0, 4, {0, 0, 0}), "");
  // Frame numbers come first even when everything else is wrong too.
  EXPECT_EQ(Error(2, 1, {0, 0}, {}, Clip(VideoInfo::CS_YUY2)), frames);
  EXPECT_EQ(Error(0, 4, {0, 0}, {}, Clip(VideoInfo::CS_I420)), "ColorDrops:Clips have differing pixel_types");
  PClip odd = new InfoClip(kUnsupportedType, 20, 10, 5);
  EXPECT_EQ(Error(0, 4, {0, 0}, {}, odd, odd), "ColorDrops: This color format is not supported here");
  // YV24 holds every bit of YV12 but is not YV12.
  PClip yv24 = new InfoClip(static_cast<int>(0xA000030Bu), 20, 10, 5);
  EXPECT_EQ(Error(0, 4, {0, 0}, {}, yv24, yv24), "ColorDrops: This color format is not supported here");
  EXPECT_EQ(Error(0, 4, {0, 0}, {}, Clip(VideoInfo::CS_YV12, 22)),
            "ColorDrops: The heights/widths of clips are unequal");
  EXPECT_EQ(Error(0, 4, {0, 0}, {}, Clip(VideoInfo::CS_YV12, 20, 12)),
            "ColorDrops: The heights/widths of clips are unequal");
  EXPECT_EQ(Error(0, 4, {0, 0}, {}, Clip(VideoInfo::CS_YV12, 20, 10, 3)),
            "ColorDrops:The Mask Clip has fewer frames than the end frame number given");
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {}, Clip(VideoInfo::CS_YV12, 20, 10, 4)), "");  // exactly ef frames
  EXPECT_EQ(Error(0, 4, {1, 2}), "ColorDrops: A value may be missing or may be extra in the  parameter sets");
  EXPECT_EQ(Error(0, 4, {1, 2, 3, 4}), "ColorDrops: A value may be missing or may be extra in the  parameter sets");
  const std::string outside =
      "ColorDrops: one or more  coordinates of x and or y are outside frame width of 20 frame height of 10";
  EXPECT_EQ(Error(0, 4, {0, 0, 0, 20, 0, 0}), outside);
  EXPECT_EQ(Error(0, 4, {0, 10, 0}), outside);
  EXPECT_EQ(Error(0, 4, {-1, 0, 0}), outside);
  EXPECT_EQ(Error(0, 4, {0, -1, 0}), outside);
  EXPECT_EQ(Error(0, 4, {19, 9, 0}), "");
  const std::string move =
      "ColorDrops:movex must be between plus and minus 20 while movey must be between  plus and minus 10 ";
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("movex", 20)}), move);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("movex", -21)}), move);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("movey", 10)}), move);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("movey", -11)}), move);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("movex", -20), Named("movey", 9)}), "");
  // A seed outside the frame is reported before a bad drift.
  EXPECT_EQ(Error(0, 4, {30, 0, 0}, {Named("movex", 99)}), outside);
  const std::string shift = "ColorDrops: shift value being either less than -255 or more than 255 is not valid";
  const std::string stretch = "ColorDrops: stretch value being less than -100 percent not valid";
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("st", 300)}), shift);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("st", -256)}), shift);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("st", 255)}), "");
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("shift", true), Named("st", 256)}), shift);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("shift", false), Named("st", 300)}), "");
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("shift", false), Named("st", INT_MAX)}), "");
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("shift", false), Named("st", -101)}), stretch);
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("shift", false), Named("st", -100)}), "");
  EXPECT_EQ(Error(0, 4, {0, 0, 0}, {Named("movex", 20), Named("st", 999)}), move);
}

TEST(SeededRegistration, RowsCarryTheirSignatures) {
  TestHost host;
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& row : host.Env().Registered())
    if (row.first.rfind("Color", 0) == 0) rows.push_back(row);
  EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{
                      {"ColorBrush", "cciii+[shift]b[st]i[movex]i[movey]i[lshow]b[lcol]i"},
                      {"ColorDrops", "cciii+[movex]i[movey]i[shift]b[st]i[pshow]b[pcolor]i[wshed]b"},
                      {"ColorLine", "cciii+[pshow]b[pcolor]i[movex]i[movey]i"}}));
  EXPECT_EQ(host.Env().Registered().front().first, "ColorBrush");
}

}  // namespace
}  // namespace tintara::testing
