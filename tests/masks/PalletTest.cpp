// Pallet through its registered signature, in every format: the chart's boxes, ramps and
// channels frame by frame, what it leaves alone, and its checks in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PictureModel.h"
#include "tests/support/UnknownFormat.h"

namespace tintara::testing {
namespace {

constexpr int W = 640, H = 480;

// The chart over `src` with ramp start `base` (worked out per frame by the caller): boxes with a
// 2-pixel margin, each ramp counted from 2 columns before the box's first drawn one.
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
          m.Set(x, y, 0, IsRGB(f) ? column : g);
          m.Set(x, y, 1, IsRGB(f) ? g : f == PixelFormat::YUY2 ? column : row);
          m.Set(x, y, 2, IsRGB(f) || f == PixelFormat::YUY2 ? row : column);
        }
  return m;
}

class PalletFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    // Every byte varies (the fourth RGB32 byte too), so anything written out of place shows.
    src = host.MakeClip(GetParam().pixel_type, W, H, 13, [](int n, Picture& p) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          p.SetPixel(x, y, (x * 3 + y + n) % 256, (x + y * 5) % 256, (x * y) % 256);
          if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, (x + y) % 256);
        }
    });
  }
  static int Ramp(const Picture& p, int x, int y) { return p.Get(x, y, IsRGB(p.Format()) ? 1 : 0); }
  bool Yuy2() const { return GetParam().pixel_type == VideoInfo::CS_YUY2; }

  TestHost host;
  PClip src;
};

TEST_P(PalletFormats, DefaultChartFrameByFrame) {
  PClip out = host.Apply("Pallet", {Arg(src)});
  // Frame 0 starts at 128, frame 1 at 148; frame 6 at 248, and 248 + 20 > 255 restarts at 0;
  // frame 12 at 368, of which 112 is kept.
  for (auto [n, base] : {std::pair{0, 128}, {1, 148}, {6, 0}, {12, 112}})
    EXPECT_TRUE(Chart(host.FrameOf(src, n), base, 20, 25, 25).Matches(host.FrameOf(out, n))) << "frame " << n;

  // 25 x 19 boxes (24 wide in YUY2, whose pairs need an even width); ramps from 128 + (4*20)/21
  // to 128 + (24*20)/21, in YUY2 from 128 + 4 to 128 + 23.
  Picture f = host.FrameOf(out, 0);
  const int bw = Yuy2() ? 24 : 25;
  EXPECT_EQ(Ramp(f, 2, 2), Yuy2() ? 132 : 131);
  EXPECT_EQ(Ramp(f, bw - 3, 2), Yuy2() ? 151 : 150);
  EXPECT_EQ(Ramp(f, 3 * bw + 2, 200), Yuy2() ? 132 : 131);
  EXPECT_EQ(Ramp(host.FrameOf(out, 1), 2, 2), Yuy2() ? 152 : 151);
  EXPECT_EQ(Ramp(host.FrameOf(out, 6), 2, 2), Yuy2() ? 4 : 3);
  // Box column and row values (h*256)/25: blue and red, U and V of YUY2, V and U of YV12/I420.
  const int column_channel = IsRGB(f.Format()) ? 0
                             : Yuy2()          ? 1
                                               : 2,
            row_channel = IsRGB(f.Format()) ? 2 : 3 - column_channel;
  const int values[] = {0, 10, 20, 30, 40, 51};
  for (int h = 0; h < 6; ++h) {
    EXPECT_EQ(f.Get(h * bw + 4, 2, column_channel), values[h]) << "box column " << h;
    EXPECT_EQ(f.Get(4, h * 19 + 4, row_channel), values[h]) << "box row " << h;
  }
}

TEST_P(PalletFormats, RampStartRestartsOnlyWhenTheRampWouldPass255) {
  // sgy 235 defaults egy to 255 and fgy to 20: in frame 0, 235 + 20 is 255 exactly and the start
  // stays 235; frame 1 would start at 255 and restarts at 0; frame 2 starts at 275, kept as 19.
  PClip top = host.Apply("Pallet", {Arg(src), Named("sgy", 235)});
  for (auto [n, base] : {std::pair{0, 235}, {1, 0}, {2, 19}})
    EXPECT_TRUE(Chart(host.FrameOf(src, n), base, 20, 25, 25).Matches(host.FrameOf(top, n))) << "frame " << n;
  EXPECT_EQ(Ramp(host.FrameOf(top, 0), 2, 2), Yuy2() ? 239 : 238);
}

TEST_P(PalletFormats, DownwardRampsTruncateTowardZeroAndKeepTheLowByte) {
  // 40-pixel boxes (even, so YUY2 too): 10 + (4*-10)/36 = 9 (not 8) first, 10 + (39*-10)/36 = 0 last.
  PClip down = host.Apply(
      "Pallet", {Arg(src), Named("sgy", 10), Named("egy", 0), Named("fgy", 0), Named("hbox", 16), Named("vbox", 20)});
  for (int n : {0, 3}) EXPECT_TRUE(Chart(host.FrameOf(src, n), 10, -10, 16, 20).Matches(host.FrameOf(down, n)));
  EXPECT_EQ(Ramp(host.FrameOf(down, 0), 2, 2), 9);
  EXPECT_EQ(Ramp(host.FrameOf(down, 0), 37, 2), 0);
  // 10-pixel boxes: 3 + ((x + 2) * -3) / 6 for x = 2..7 goes below 0.
  PClip wraps = host.Apply("Pallet", {Arg(src), Named("sgy", 3), Named("egy", 0), Named("fgy", 0), Named("hbox", 64)});
  EXPECT_TRUE(Chart(host.FrameOf(src, 0), 3, -3, 64, 25).Matches(host.FrameOf(wraps, 0)));
  const int ramp[] = {1, 1, 0, 0, 255, 255};
  for (int x = 2; x <= 7; ++x) EXPECT_EQ(Ramp(host.FrameOf(wraps, 0), x, 2), ramp[x - 2]) << "column " << x;
}

TEST_P(PalletFormats, OutputDoesNotDependOnFramePoison) {
  TestHost other(0x11);
  auto run = [&](TestHost& h) {
    PClip in = h.MakeClip(GetParam().pixel_type, 200, 120, 1, [](int, Picture& p) { p.Fill(1, 2, 3); });
    return h.FrameOf(h.Apply("Pallet", {Arg(in), Named("hbox", 7), Named("vbox", 5)}), 0);
  };
  EXPECT_TRUE(SamePictures(run(host), run(other)));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, PalletFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PalletChecks, MessagesBoundariesAndOrder) {
  const std::string start = "starting green or y val can be between 0 and 255 only",
                    end = " ending green or y val can be between 0 and 128 only",
                    interval = " frame interval for  green or y val can be between 0 and 128 only",
                    boxes = "starting green or y val can be between 0 and 64 only",
                    zero = "Pallet: hbox and vbox must be at least 1", wide = "Pallet:Too many h boxes",
                    span =
                        "Pallet: for this range of green or y values in a pallet box, number of hboxes are too many ",
                    tall = "Pallet:too many vboxes";
  TestHost host;
  const PClip clip = host.MakeClip(VideoInfo::CS_YUY2, W, H, 1), narrow = host.MakeClip(VideoInfo::CS_BGR24, 638, H, 1),
              small = host.MakeClip(VideoInfo::CS_I420, 200, 120, 1), odd = UnknownFormatClip(W, H, 1);
  const auto n = [](const char* s, int v) { return Named(s, v); };
  struct Case {
    PClip clip;
    std::vector<Argument> named;
    std::string message;
  };
  const std::vector<Case> cases = {
      {odd, {n("sgy", -1), n("egy", -1)}, start},
      {clip, {n("sgy", 256)}, start},
      {clip, {n("sgy", 236)}, end},  // egy defaults to 256
      {clip, {n("sgy", 235)}, ""},
      {clip, {n("sgy", 255), n("egy", 255)}, ""},
      {odd, {n("egy", -1), n("fgy", -1)}, end},
      {clip, {n("egy", 256)}, end},
      {clip, {n("egy", 100)}, interval},  // fgy defaults to -28
      {clip, {n("egy", 100), n("fgy", 0)}, ""},
      {odd, {n("fgy", 129), n("hbox", 65)}, interval},
      {clip, {n("fgy", 128)}, ""},
      {odd, {n("hbox", -1), n("vbox", 65)}, boxes},
      {clip, {n("hbox", 65)}, boxes},
      {odd, {n("vbox", -1)}, boxes},
      {clip, {n("vbox", 65)}, boxes},
      {odd, {n("hbox", 0)}, "Pallet: This color format is not supported here"},
      {clip, {n("hbox", 0)}, zero},
      {clip, {n("vbox", 0)}, zero},
      {clip, {n("hbox", 64)}, ""},                                                            // 640/64 - 2 = 8
      {narrow, {n("hbox", 64), n("vbox", 64)}, wide},                                         // 638/64 - 2 = 7
      {small, {n("sgy", 0), n("egy", 36), n("fgy", 0), n("hbox", 20), n("vbox", 13)}, span},  // 8 < 36/4
      {small, {n("sgy", 0), n("egy", 35), n("fgy", 0), n("hbox", 20), n("vbox", 12)}, ""},
      {small, {n("sgy", 0), n("egy", 35), n("fgy", 0), n("hbox", 20), n("vbox", 13)}, tall},  // 120/13 - 2 = 7
      {clip, {n("vbox", 48)}, ""},
      {clip, {n("vbox", 49)}, tall},
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    std::vector<Argument> args = {Arg(cases[k].clip)};
    args.insert(args.end(), cases[k].named.begin(), cases[k].named.end());
    EXPECT_EQ(host.ErrorOf("Pallet", args), cases[k].message) << "case " << k;
  }
}

}  // namespace
}  // namespace tintara::testing
