// Pallet through its registered signature, in every format: the chart's boxes, ramps and
// channels frame by frame, what it leaves alone, and its checks in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/TestHost.h"
#include "tests/support/UnknownFormat.h"

namespace tintara::testing {
namespace {

constexpr int W = 640, H = 480;

// The chart drawn over `src` with ramp start `base` (worked out per frame by the caller):
// boxes with a 2-pixel margin, the ramp counted from 2 columns before the box's first drawn one.
PictureModel Chart(const Picture& src, int base, int span, int hbox, int vbox) {
  PictureModel m(src);
  const PixelFormat f = m.Format();
  const int bw = f == PixelFormat::YUY2 ? (W / hbox) & ~1 : W / hbox, bh = H / vbox;
  for (int v = 0; v < vbox; ++v)
    for (int h = 0; h < hbox; ++h)
      for (int y = v * bh + 2; y < (v + 1) * bh - 2; ++y)
        for (int x = h * bw + 2; x < (h + 1) * bw - 2; ++x) {
          const int g = static_cast<BYTE>(base + ((x - h * bw + 2) * span) / (bw - 4));
          const int column = (h * 256) / hbox, row = (v * 256) / vbox;
          if (IsRGB(f)) {
            m.Set(x, y, 0, column);
            m.Set(x, y, 1, g);
            m.Set(x, y, 2, row);
          } else {
            m.Set(x, y, 0, g);
            m.Set(x, y, 1, f == PixelFormat::YUY2 ? column : row);
            m.Set(x, y, 2, f == PixelFormat::YUY2 ? row : column);
          }
        }
  return m;
}

class PalletFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  PixelFormat Format() const { return FormatOf(VideoInfoOf(GetParam().pixel_type, W, H, 1)); }
  // Every byte varies (the fourth RGB32 byte too), so anything written where it should not be shows.
  PClip Source(int frames) {
    return host.MakeClip(GetParam().pixel_type, W, H, frames, [](int n, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          p.SetPixel(x, y, (x * 3 + y + n) % 256, (x + y * 5) % 256, (x * y) % 256);
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, (x + y) % 256);
        }
    });
  }
  // The ramp channel (green or luma) and the box column and row channels at a picture position.
  int Ramp(const Picture& p, int x, int y) const { return p.Get(x, y, IsRGB(Format()) ? 1 : 0); }
  int ColumnChannel(const Picture& p, int x, int y) const {
    return p.Get(x, y, IsRGB(Format()) ? 0 : Format() == PixelFormat::YUY2 ? 1 : 2);
  }
  int RowChannel(const Picture& p, int x, int y) const {
    return p.Get(x, y, IsRGB(Format()) ? 2 : Format() == PixelFormat::YUY2 ? 2 : 1);
  }

  TestHost host;
};

TEST_P(PalletFormats, DefaultChartOfFrameZero) {
  PClip src = Source(1);
  PClip out = host.Apply("Pallet", {Arg(src)});
  Picture f = host.FrameOf(out, 0);
  EXPECT_TRUE(Chart(host.FrameOf(src, 0), 128, 20, 25, 25).Matches(f));

  // 25 x 19 boxes (24 wide in YUY2, whose pairs need an even width). The ramp: 128 + (4*20)/21
  // at a box's first drawn column, 128 + (24*20)/21 at its last; in YUY2 128 + 4 .. 128 + 23.
  const bool yuy2 = Format() == PixelFormat::YUY2;
  const int bw = yuy2 ? 24 : 25;
  EXPECT_EQ(Ramp(f, 2, 2), yuy2 ? 132 : 131);
  EXPECT_EQ(Ramp(f, bw - 3, 2), yuy2 ? 151 : 150);
  EXPECT_EQ(Ramp(f, 3 * bw + 2, 200), yuy2 ? 132 : 131);
  const int columns[] = {0, 10, 20, 30, 40, 51};
  for (int h = 0; h < 6; ++h) {
    EXPECT_EQ(ColumnChannel(f, h * bw + 4, 2), columns[h]) << "box column " << h;
    EXPECT_EQ(RowChannel(f, 4, h * 19 + 4), columns[h]) << "box row " << h;
  }
}

TEST_P(PalletFormats, RampStartAdvancesEachFrameAndRestartsBeforeOverflowing) {
  PClip src = Source(13);
  PClip out = host.Apply("Pallet", {Arg(src)});
  // Frame 1: 128 + 20. Frame 6: 248, and 248 + 20 > 255 restarts at 0. Frame 12: 368 keeps 112.
  const int bases[][2] = {{1, 148}, {6, 0}, {12, 112}};
  for (const auto& [n, base] : bases) {
    Picture f = host.FrameOf(out, n);
    EXPECT_TRUE(Chart(host.FrameOf(src, n), base, 20, 25, 25).Matches(f)) << "frame " << n;
    EXPECT_EQ(Ramp(f, 2, 2), base + (Format() == PixelFormat::YUY2 ? 4 : 3)) << "frame " << n;
  }
}

TEST_P(PalletFormats, DownwardRampTruncatesTowardZeroAndWrapsToAByte) {
  PClip src = Source(4);
  PClip out = host.Apply("Pallet", {Arg(src), Named("sgy", 10), Named("egy", 0), Named("fgy", 0), Named("hbox", 16),
                                    Named("vbox", 20)});
  for (int n : {0, 3}) EXPECT_TRUE(Chart(host.FrameOf(src, n), 10, -10, 16, 20).Matches(host.FrameOf(out, n)));
  // 40-pixel boxes (even, so YUY2 too): 10 + (4*-10)/36 = 10 - 1 = 9 (not 8) at the first drawn
  // column, 10 + (39*-10)/36 = 10 - 10 = 0 at the last.
  Picture f = host.FrameOf(out, 0);
  EXPECT_EQ(Ramp(f, 2, 2), 9);
  EXPECT_EQ(Ramp(f, 37, 2), 0);
}

TEST_P(PalletFormats, RampBelowZeroKeepsItsLowByte) {
  PClip src = Source(1);
  PClip out = host.Apply("Pallet", {Arg(src), Named("sgy", 3), Named("egy", 0), Named("fgy", 0), Named("hbox", 64)});
  EXPECT_TRUE(Chart(host.FrameOf(src, 0), 3, -3, 64, 25).Matches(host.FrameOf(out, 0)));
  // 10-pixel boxes, 6 inside: 3 + ((x + 2) * -3) / 6 for the drawn columns x = 2..7.
  Picture f = host.FrameOf(out, 0);
  const int ramp[] = {1, 1, 0, 0, 255, 255};
  for (int x = 2; x <= 7; ++x) EXPECT_EQ(Ramp(f, x, 2), ramp[x - 2]) << "column " << x;
}

TEST_P(PalletFormats, OutputDoesNotDependOnFramePoison) {
  TestHost other(0x11);
  auto run = [&](TestHost& h) {
    PClip src = h.MakeClip(GetParam().pixel_type, 200, 120, 1, [](int, Picture& p) { p.Fill(1, 2, 3); });
    return h.FrameOf(h.Apply("Pallet", {Arg(src), Named("hbox", 7), Named("vbox", 5)}), 0);
  };
  EXPECT_TRUE(SamePictures(run(host), run(other)));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, PalletFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Checks ----------------------------------------------------------------------------------

class PalletChecks : public ::testing::Test {
 protected:
  std::string Error(const PClip& clip, const std::vector<Argument>& named) {
    std::vector<Argument> args = {Arg(clip)};
    args.insert(args.end(), named.begin(), named.end());
    return host.ErrorOf("Pallet", args);
  }
  TestHost host;
};

const char* const kStart = "starting green or y val can be between 0 and 255 only";
const char* const kEnd = " ending green or y val can be between 0 and 128 only";
const char* const kInterval = " frame interval for  green or y val can be between 0 and 128 only";
const char* const kBoxes = "starting green or y val can be between 0 and 64 only";

TEST_F(PalletChecks, RampValues) {
  PClip clip = host.MakeClip(VideoInfo::CS_BGR24, W, H, 1);
  EXPECT_EQ(Error(clip, {Named("sgy", -1)}), kStart);
  EXPECT_EQ(Error(clip, {Named("sgy", 256)}), kStart);
  EXPECT_EQ(Error(clip, {Named("sgy", 236)}), kEnd);  // egy defaults to 256
  EXPECT_EQ(Error(clip, {Named("sgy", 235)}), "");
  EXPECT_EQ(Error(clip, {Named("sgy", 255), Named("egy", 255)}), "");
  EXPECT_EQ(Error(clip, {Named("sgy", 0), Named("egy", 0)}), "");
  EXPECT_EQ(Error(clip, {Named("egy", -1)}), kEnd);
  EXPECT_EQ(Error(clip, {Named("egy", 256)}), kEnd);
  EXPECT_EQ(Error(clip, {Named("egy", 100)}), kInterval);  // fgy defaults to -28
  EXPECT_EQ(Error(clip, {Named("egy", 100), Named("fgy", 0)}), "");
  EXPECT_EQ(Error(clip, {Named("fgy", 129)}), kInterval);
  EXPECT_EQ(Error(clip, {Named("fgy", 128)}), "");
  EXPECT_EQ(Error(clip, {Named("sgy", 0), Named("egy", 129)}), kInterval);
  EXPECT_EQ(Error(clip, {Named("sgy", 1000), Named("egy", -1), Named("fgy", -1)}), kStart);
  EXPECT_EQ(Error(clip, {Named("egy", -1), Named("fgy", -1)}), kEnd);
}

TEST_F(PalletChecks, BoxCounts) {
  PClip clip = host.MakeClip(VideoInfo::CS_YUY2, W, H, 1);
  EXPECT_EQ(Error(clip, {Named("hbox", -1)}), kBoxes);
  EXPECT_EQ(Error(clip, {Named("hbox", 65)}), kBoxes);
  EXPECT_EQ(Error(clip, {Named("vbox", -1)}), kBoxes);
  EXPECT_EQ(Error(clip, {Named("vbox", 65)}), kBoxes);
  EXPECT_EQ(Error(clip, {Named("fgy", 200), Named("hbox", 65)}), kInterval);
  EXPECT_EQ(Error(clip, {Named("hbox", 0)}), "Pallet: hbox and vbox must be at least 1");
  EXPECT_EQ(Error(clip, {Named("vbox", 0)}), "Pallet: hbox and vbox must be at least 1");
  EXPECT_EQ(Error(UnknownFormatClip(W, H, 1), {Named("hbox", 0)}), "Pallet: This color format is not supported here");
  // 640 / 64 = 10: 10 - 2 = 8 passes; 638 / 64 = 9 does not.
  EXPECT_EQ(Error(clip, {Named("hbox", 64)}), "");
  EXPECT_EQ(Error(host.MakeClip(VideoInfo::CS_YUY2, 638, H, 1), {Named("hbox", 64)}), "Pallet:Too many h boxes");
  EXPECT_EQ(Error(host.MakeClip(VideoInfo::CS_YUY2, 638, H, 1), {Named("hbox", 64), Named("vbox", 64)}),
            "Pallet:Too many h boxes");
  // 480 / 48 = 10 passes, 480 / 49 = 9 does not.
  EXPECT_EQ(Error(clip, {Named("vbox", 48)}), "");
  EXPECT_EQ(Error(clip, {Named("vbox", 49)}), "Pallet:too many vboxes");
}

TEST_F(PalletChecks, RampSpanAgainstBoxWidth) {
  const char* const kSpan =
      "Pallet: for this range of green or y values in a pallet box, number of hboxes are too many ";
  // 200 / 20 = 10: 8 columns against span / 4.
  PClip clip = host.MakeClip(VideoInfo::CS_I420, 200, 120, 1);
  EXPECT_EQ(Error(clip, {Named("sgy", 0), Named("egy", 36), Named("fgy", 0), Named("hbox", 20), Named("vbox", 12)}),
            kSpan);
  EXPECT_EQ(Error(clip, {Named("sgy", 0), Named("egy", 35), Named("fgy", 0), Named("hbox", 20), Named("vbox", 12)}),
            "");
  EXPECT_EQ(Error(clip, {Named("sgy", 0), Named("egy", 36), Named("fgy", 0), Named("hbox", 20), Named("vbox", 13)}),
            kSpan);  // before the rows' check
  EXPECT_EQ(Error(clip, {Named("sgy", 0), Named("egy", 35), Named("fgy", 0), Named("hbox", 20), Named("vbox", 13)}),
            "Pallet:too many vboxes");
}

}  // namespace
}  // namespace tintara::testing
