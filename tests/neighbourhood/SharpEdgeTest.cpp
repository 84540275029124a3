// SharpEdge through its registered signature, in every format.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

using Luma = std::function<int(int n, int x, int y)>;

// A grey picture: RGB colour bytes all equal, YUV luma with chroma 128 (nothing counts as coloured).
PClip GreyClip(TestHost& host, int pixel_type, int w, int h, int frames, const Luma& luma) {
  return host.MakeClip(pixel_type, w, h, frames, [&](int n, Picture& p) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int v = luma(n, x, y);
        if (IsRGB(p.Format()))
          p.SetPixel(x, y, v, v, v);
        else
          p.Set(x, y, 0, v);
      }
  });
}

// Column profile with a crest: 3 * |P(x+1) - P(x-1)| is 120, 240, 120 at columns 4, 5, 6 ("ep").
int Crest(int, int x, int) { return x <= 4 ? 0 : x == 5 ? 40 : 80; }

int Noise(int x, int y) { return (x * 37 + y * 91 + x * y * 13) % 256; }

// A window pixel of the result is grey: RGB bytes all equal to byte 0 (the fourth too), YUY2 the
// pixel's own chroma byte 128, planar its U and V 128.
bool Grey(const Picture& p, int x, int y) {
  if (IsRGB(p.Format())) {
    for (int c = 1; c < BytesPerPixel(p.Format()); ++c)
      if (p.Get(x, y, c) != p.Get(x, y, 0)) return false;
    return true;
  }
  if (p.Format() == PixelFormat::YUY2) return p.Get(x, y, x % 2 == 0 ? 1 : 2) == 128;
  return p.Get(x, y, 1) == 128 && p.Get(x, y, 2) == 128;
}

// Black as test mode shows the outside of the window.
bool Black(const Picture& p, int x, int y) {
  if (IsRGB(p.Format())) {
    for (int c = 0; c < BytesPerPixel(p.Format()); ++c)
      if (p.Get(x, y, c) != 0) return false;
    return true;
  }
  return p.Get(x, y, 0) == 0 && p.Get(x, y, 1) == 128 && p.Get(x, y, 2) == 128;
}

class SharpEdgeFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  int pt() const { return GetParam().pixel_type; }
  PixelFormat format() const { return FormatOf(VideoInfoOf(pt(), 16, 16, 1)); }
};

TEST_P(SharpEdgeFormats, UniformPictureShowsBackgroundOutlineAndSourceOutside) {
  TestHost host;
  const int W = 16, H = 12, lx = 2, ty = 1, rx = 12, by = 8;
  PClip src = host.MakeClip(pt(), W, H, 1, [&](int, Picture& p) {
    if (IsRGB(p.Format()))
      p.Fill(100, 100, 100);
    else
      p.Fill(100, 128, 60);  // U 128: not coloured
  });
  Picture in = host.FrameOf(src, 0);
  for (bool white : {true, false})
    for (bool gradient : {false, true}) {
      Picture out =
          host.FrameOf(host.Apply("SharpEdge", {Arg(src), Named("lx", lx), Named("ty", ty), Named("rx", rx),
                                                Named("by", by), Named("white", white), Named("gradient", gradient)}),
                       0);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          if (x >= lx && x <= rx && y >= ty && y <= by) {
            const bool edge = x == lx || x == rx || y == ty || y == by;
            ASSERT_EQ(out.Get(x, y), gradient ? 0 : edge ? 128 : white ? 0 : 255) << x << "," << y;
            ASSERT_TRUE(Grey(out, x, y)) << x << "," << y;
            continue;
          }
          std::vector<int> channels = {0};
          if (IsRGB(out.Format()))
            channels = {0, 1, 2, BytesPerPixel(out.Format()) - 1};
          else if (out.Format() == PixelFormat::YUY2)
            channels.push_back(x % 2 == 0 ? 1 : 2);
          else if (x / 2 < lx / 2 || x / 2 > rx / 2 || y / 2 < ty / 2 || y / 2 > by / 2)
            channels = {0, 1, 2};
          for (int c : channels) ASSERT_EQ(out.Get(x, y, c), in.Get(x, y, c)) << x << "," << y << " c" << c;
        }
    }
}

TEST_P(SharpEdgeFormats, MagnitudesWrapAndE2FollowsMemoryRowOrder) {
  TestHost host;
  // A vertical step between columns 7 and 8: es 4 * 255 = 1020 -> 252, ep 765 -> 253, e2 255.
  PClip step = GreyClip(host, pt(), 16, 12, 1, [](int, int x, int) { return x >= 8 ? 255 : 0; });
  for (auto [type, value] : std::vector<std::pair<const char*, int>>{{"es", 252}, {"ep", 253}, {"e2", 255}}) {
    Picture g = host.FrameOf(host.Apply("SharpEdge", {Arg(step), Named("type", type), Named("gradient", true)}), 0);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) {
        const bool computed = x > 0 && x < 15 && y > 0 && y < 11;
        ASSERT_EQ(g.Get(x, y), computed && (x == 7 || x == 8) ? value : 0) << type << " " << x << "," << y;
      }
  }
  // 255 where x + y >= 15; d = x + y - 15. es: |gx| = |gy| = 255 at d = -2, 1 (360 -> 104) and 765 at
  // d = -1, 0 (1081 -> 57) whichever row is above. e2 below is gx 0, gy 255 at d = -2..1; with the
  // row above as next row (RGB) gx is -510 at d = -1, 0 (sqrt(510^2 + 255^2) = 570 -> 58).
  PClip diagonal = GreyClip(host, pt(), 16, 16, 1, [](int, int x, int y) { return x + y >= 15 ? 255 : 0; });
  Picture es = host.FrameOf(host.Apply("SharpEdge", {Arg(diagonal), Named("type", "es"), Named("gradient", true)}), 0);
  Picture e2 = host.FrameOf(host.Apply("SharpEdge", {Arg(diagonal), Named("type", "e2"), Named("gradient", true)}), 0);
  for (int y = 1; y < 15; ++y)
    for (int x = 1; x < 15; ++x) {
      const int d = x + y - 15;
      const bool near = d >= -2 && d <= 1, middle = d == -1 || d == 0;
      ASSERT_EQ(es.Get(x, y), !near ? 0 : middle ? 57 : 104) << x << "," << y;
      ASSERT_EQ(e2.Get(x, y), !near ? 0 : middle && IsRGB(format()) ? 58 : 255) << x << "," << y;
    }
}

// Interior positions (inside the outline) holding the mark value 255.
std::vector<std::pair<int, int>> Marks(const Picture& m) {
  std::vector<std::pair<int, int>> marks;
  for (int y = 1; y < m.Height() - 1; ++y)
    for (int x = 1; x < m.Width() - 1; ++x)
      if (m.Get(x, y) == 255) marks.emplace_back(x, y);
  return marks;
}

TEST_P(SharpEdgeFormats, MarksCrestsBetweenThresholds) {
  TestHost host;
  const int W = 12, H = 12;  // crests are looked for in columns 1..9 and rows 1..9
  auto marks = [&](const Luma& luma, std::vector<Argument> args) {
    args.insert(args.begin(), Arg(GreyClip(host, pt(), W, H, 1, luma)));
    return Marks(host.FrameOf(host.Apply("SharpEdge", args), 0));
  };
  std::vector<std::pair<int, int>> column, rows;
  for (int y = 1; y <= 9; ++y) column.emplace_back(5, y);
  EXPECT_EQ(marks(Crest, {Named("ut", 255)}), column);
  EXPECT_EQ(marks(Crest, {Named("lt", 240), Named("ut", 240)}), column);
  EXPECT_TRUE(marks(Crest, {Named("lt", 241), Named("ut", 255)}).empty());
  EXPECT_TRUE(marks(Crest, {Named("ut", 239)}).empty());  // the flanks at 120 are no crests

  // Thin lines in rows 2 and 9: G is 240 above and below them and 0 on them, a dip marked when lt is 0.
  for (int y : {2, 9})
    for (int x = 1; x <= 9; ++x) rows.emplace_back(x, y);
  const Luma lines = [](int, int, int y) { return y == 2 || y == 9 ? 80 : 0; };
  EXPECT_EQ(marks(lines, {Named("lt", 0)}), rows);
  EXPECT_TRUE(marks(lines, {}).empty());

  // P = f(x) + g(y) gives |gx| = 60, 39, 0 in columns 4..6 and |gy| = 0, 30, 81 in rows 4..6. At (5, 5)
  // v = 49 lies between W = 67 and E = 30, the row pair holds 39 and 89: only the diagonal rules
  // (89 > 67 and 39 > 30) mark it. Mirrored left to right it is marked by the other diagonal.
  const int f[12] = {0, 0, 0, 0, 0, 20, 13, 20, 20, 20, 20, 20}, g[12] = {0, 0, 0, 0, 0, 0, 10, 27, 27, 27, 27, 27};
  const auto diagonal = marks([&](int, int x, int y) { return f[x] + g[y]; }, {});
  const auto mirrored = marks([&](int, int x, int y) { return f[x > 10 ? 0 : 10 - x] + g[y]; }, {});
  auto has = [](const std::vector<std::pair<int, int>>& m, int x, int y) {
    return std::count(m.begin(), m.end(), std::pair{x, y}) == 1;
  };
  EXPECT_TRUE(has(diagonal, 5, 5));
  EXPECT_FALSE(has(diagonal, 6, 5));
  EXPECT_TRUE(has(mirrored, 5, 5));
  EXPECT_FALSE(has(mirrored, 4, 5));
  // Where a thin vertical line (20) crosses a thin horizontal one (10), v = 0 with W = E = 60 and the
  // row pair at 30: a dip, marked when lt is 0 although no other rule holds.
  EXPECT_TRUE(
      has(marks([](int, int x, int y) { return (x == 5 ? 20 : 0) + (y == 5 ? 10 : 0); }, {Named("lt", 0)}), 5, 5));
}

TEST_P(SharpEdgeFormats, ColouredPixelsArePaintedAndLeftOut) {
  TestHost host;
  const int W = 12, H = 12;
  const PixelFormat fmt = format();
  // The crest pixel (5, 4) carries colour, keeping its sample 40; YUV pixels sharing its chroma too.
  PClip src = host.MakeClip(pt(), W, H, 1, [&](int, Picture& p) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        IsRGB(fmt) ? p.SetPixel(x, y, Crest(0, x, y), Crest(0, x, y), Crest(0, x, y)) : p.Set(x, y, 0, Crest(0, x, y));
    if (IsRGB(fmt))
      p.SetPixel(5, 4, 40, 41, 40);
    else
      p.SetPixel(5, 4, 40, 60, 200);
  });
  auto painted = [&](int x, int y) {
    if (IsRGB(fmt)) return x == 5 && y == 4;
    if (fmt == PixelFormat::YUY2) return y == 4 && x / 2 == 2;
    return x / 2 == 2 && y / 2 == 2;
  };
  struct Case {
    std::vector<Argument> args;
    bool xcol;
    int paint;
    bool marks;
    int backval;
  };
  const std::vector<Case> cases = {
      {{}, true, 128, true, 0},
      {{Named("col", 300)}, true, 44, true, 0},
      {{Named("col", -200)}, true, 56, true, 0},
      {{Named("col", 256)}, true, 0, true, 0},  // paints the background value, still left out
      {{Named("xcol", false)}, false, 0, true, 0},
      {{Named("col", 0)}, true, 0, false, 0},  // col = backval: every sample equals col, none is marked
      {{Named("col", 255), Named("white", false)}, true, 255, false, 255},
  };
  for (const Case& c : cases) {
    // lt 0: a painted pixel (gradient 0) between the crest's 240s would be a dip, were it not left out.
    std::vector<Argument> args = {Arg(src), Named("lt", 0), Named("ut", 255)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Picture m = host.FrameOf(host.Apply("SharpEdge", args), 0);
    for (int y = 1; y < H - 1; ++y)
      for (int x = 1; x < W - 1; ++x) {
        int expected = c.backval;
        if (c.xcol && painted(x, y)) expected = c.paint;
        // Painted pixels have gradient 0, so their unpainted neighbours on the crest's flanks peak.
        else if (c.marks && y <= H - 3 && x <= W - 3 && (x == 5 || ((x == 4 || x == 6) && c.xcol && painted(5, y))))
          expected = 255;
        ASSERT_EQ(m.Get(x, y), expected) << "case " << (&c - cases.data()) << " at " << x << "," << y;
      }
  }
}

TEST_P(SharpEdgeFormats, TestModeSweepsThresholdsOverFrameSf) {
  TestHost host;
  PClip src = GreyClip(host, pt(), 16, 12, 16, [](int n, int x, int y) { return n == 5 ? Crest(n, x, y) : 10 * n; });
  std::vector<Argument> args = {Arg(src),         Named("test", true), Named("sf", 5),  Named("ef", 10),
                                Named("lx", 2),   Named("ty", 1),      Named("rx", 12), Named("by", 9),
                                Named("ut", 255), Named("fut", 224),   Named("flt", 5)};
  PClip m = host.Apply("SharpEdge", args);
  args.push_back(Named("gradient", true));
  PClip g = host.Apply("SharpEdge", args);
  for (int n = 0; n < 10; ++n) {
    Picture out = host.FrameOf(m, n);
    // ut = 255 + (-31 * n) / 10, truncated toward zero: 240 at n = 5 (-15.5), 237 at n = 6.
    for (int y = 2; y <= 7; ++y) ASSERT_EQ(out.Get(5, y), n <= 5 ? 255 : 0) << "frame " << n << " row " << y;
    EXPECT_EQ(out.Get(2, 5), 128);
    EXPECT_TRUE(Grey(out, 5, 3) && Grey(out, 2, 5));
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {1, 5}, {13, 5}, {15, 11}, {7, 10}, {7, 0}})
      EXPECT_TRUE(Black(out, x, y)) << x << "," << y;
  }
  Picture gradient = host.FrameOf(g, 3);
  EXPECT_EQ(gradient.Get(5, 3), 240);
  EXPECT_EQ(gradient.Get(4, 3), 120);
  EXPECT_TRUE(Grey(gradient, 5, 3) && Black(gradient, 1, 3));
  for (int n : {10, 15}) EXPECT_EQ(host.FrameOf(m, n).Get(5, 5), 10 * n);
}

TEST_P(SharpEdgeFormats, WindowReachesTheEndWindowAtEf) {
  TestHost host;
  PClip src = GreyClip(host, pt(), 16, 12, 8, [](int, int, int) { return 100; });
  PClip m = host.Apply("SharpEdge", {Arg(src), Named("sf", 2), Named("ef", 5), Named("elx", 6)});
  for (int n = 0; n < 8; ++n) {
    Picture out = host.FrameOf(m, n);
    if (n < 2 || n > 5) {
      EXPECT_TRUE(out.Get(0, 5) == 100 && out.Get(6, 5) == 100) << n;
      continue;
    }
    const int lx = 6 * (n - 2) / 3;  // 0, 2, 4, 6
    EXPECT_EQ(out.Get(lx, 5), 128) << n;
    EXPECT_EQ(out.Get(lx + 1, 5), 0) << n;
    if (lx > 0) {
      EXPECT_EQ(out.Get(lx - 1, 5), 100) << n;
    }
  }
  Picture one = host.FrameOf(host.Apply("SharpEdge", {Arg(src), Named("sf", 3), Named("ef", 3), Named("elx", 6)}), 3);
  EXPECT_EQ(one.Get(0, 5), 128);  // a one-frame range keeps the start window
}

TEST_P(SharpEdgeFormats, OutputIsTheSameUnderAnyPoison) {
  const std::vector<std::vector<Argument>> variants = {{},
                                                       {Named("col", 300)},
                                                       {Named("col", 256)},
                                                       {Named("lt", 0), Named("ut", 255), Named("type", "es")},
                                                       {Named("gradient", true)},
                                                       {Named("type", "e2"), Named("gradient", true)},
                                                       {Named("test", true), Named("ef", 2), Named("lt", 0)}};
  std::vector<int> bytes[2];
  for (int i = 0; i < 2; ++i) {
    TestHost host(i == 0 ? 0x00 : 0xFF);
    PClip src = host.MakeClip(pt(), 14, 12, 3, [](int, Picture& p) {
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x) {
          const int v = Noise(x, y);
          const bool colour = (x * 7 + y * 3) % 5 == 0;
          if (IsRGB(p.Format()))
            p.SetPixel(x, y, v, colour ? v ^ 1 : v, v);
          else
            p.SetPixel(x, y, v, colour ? 90 : 128, colour ? 170 : 128);
        }
    });
    for (std::vector<Argument> args : variants) {
      args.insert(args.begin(), {Arg(src), Named("lx", 1), Named("ty", 2), Named("rx", 11), Named("by", 10)});
      Picture out = host.FrameOf(host.Apply("SharpEdge", args), 1);
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x)
          for (int c = 0; c < (IsRGB(out.Format()) ? BytesPerPixel(out.Format()) : 3); ++c)
            bytes[i].push_back(out.Get(x, y, c));
    }
  }
  EXPECT_EQ(bytes[0], bytes[1]);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SharpEdgeFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SharpEdgeChecks, MessagesBoundariesAndOrder) {
  TestHost host;
  PClip clip = host.MakeClip(VideoInfo::CS_YV12, 16, 12, 10);
  auto error = [&](std::vector<Argument> args) {
    args.insert(args.begin(), Arg(clip));
    return host.ErrorOf("SharpEdge", args);
  };
  const std::string kTestRange =
      "SharpEdge: startf must be +ve and endf atleast 2 and startf+endf less than frame count of 10 ";
  const std::string kRange =
      "SharpEdge: startf and endf must be +ve, endf more than startf and within this clip having 10 frames ";
  const std::string kLt = "SharpEdge:Thresholds lt and ut must be between 0 and 255 and ut more than lt";
  const std::string kFlt = "SharpEdge:Thresholds flt and fut must be between 0 and 255 and fut more than flt";
  const std::string kLx = "SharpEdge:window left x lx must be between 0 and 12";
  const std::string kTy = "SharpEdge:window top y ty must be between  0 and 8";
  const std::string kRx = "SharpEdge:window right x rx must be between  4 and 15";
  const std::string kBy = "SharpEdge:window bottom y by must be between 4 and 11";
  const std::string kEnd = "SharpEdge:elx, erx, ety and eby are invalid.Window must be atleast 4 pixel wide and high";
  const std::string kType = "SharpEdge:type valid options for this color format are  e2   ep, es, only";
  const Argument test = Named("test", true);
  const std::vector<std::pair<std::vector<Argument>, std::string>> checks = {
      {{test, Named("sf", -1)}, kTestRange},
      {{test, Named("ef", 1)}, kTestRange},
      {{test, Named("sf", 3), Named("ef", 8)}, kTestRange},
      {{test, Named("sf", INT_MAX), Named("ef", 2)}, kTestRange},
      {{test, Named("sf", 2), Named("ef", 8)}, ""},
      {{test, Named("ef", 2)}, ""},
      {{Named("sf", -1)}, kRange},
      {{Named("sf", 4), Named("ef", 3)}, kRange},
      {{Named("ef", 10)}, kRange},
      {{Named("sf", 4), Named("ef", 4)}, ""},
      {{Named("ef", 9)}, ""},
      {{Named("lt", -1)}, kLt},
      {{Named("lt", 10), Named("ut", 9)}, kLt},
      {{Named("ut", 256)}, kLt},
      {{Named("lt", 9), Named("ut", 9)}, ""},
      {{Named("flt", -1)}, kFlt},
      {{Named("flt", 10), Named("fut", 9)}, kFlt},
      {{Named("fut", 256)}, kFlt},
      {{Named("flt", 255), Named("fut", 255)}, ""},
      {{Named("lx", -1)}, kLx},
      {{Named("lx", 14)}, kLx},
      {{Named("lx", 13)}, "SharpEdge:window right x rx must be between  17 and 15"},  // passes its own check
      {{Named("ty", -1)}, kTy},
      {{Named("ty", 10)}, kTy},
      {{Named("lx", 3), Named("rx", 6)}, "SharpEdge:window right x rx must be between  7 and 15"},
      {{Named("rx", 16)}, kRx},
      {{Named("lx", 3), Named("rx", 7)}, ""},
      {{Named("ty", 2), Named("by", 5)}, "SharpEdge:window bottom y by must be between 6 and 11"},
      {{Named("by", 12)}, kBy},
      {{Named("ty", 2), Named("by", 6)}, ""},
      {{Named("elx", -1)}, kEnd},
      {{Named("elx", 5), Named("erx", 7)}, kEnd},
      {{Named("erx", 16)}, kEnd},
      {{Named("ety", -1)}, kEnd},
      {{Named("ety", 5), Named("eby", 7)}, kEnd},
      {{Named("eby", 12)}, kEnd},
      {{Named("erx", INT_MIN)}, kEnd},
      {{Named("elx", 5), Named("erx", 8), Named("ety", 5), Named("eby", 8)}, ""},
      {{Named("type", "Ep")}, kType},
      {{Named("type", "e2")}, ""},
      {{Named("type", "es")}, ""},
      // The first failing check reports.
      {{Named("sf", -1), Named("lt", -1)}, kRange},
      {{Named("lt", -1), Named("flt", -1)}, kLt},
      {{Named("flt", -1), Named("lx", -1)}, kFlt},
      {{Named("lx", -1), Named("ty", -1)}, kLx},
      {{Named("ty", -1), Named("rx", 16)}, kTy},
      {{Named("rx", 16), Named("by", 12)}, kRx},
      {{Named("by", 12), Named("eby", 13)}, kBy},
      {{Named("eby", 12), Named("type", "x")}, kEnd},
  };
  for (size_t i = 0; i < checks.size(); ++i) EXPECT_EQ(error(checks[i].first), checks[i].second) << "check #" << i;
  PClip other = PClip(new MemoryClip(VideoInfoOf(VideoInfo::CS_BGR | VideoInfo::CS_INTERLEAVED | 64, 16, 12, 10), {}));
  EXPECT_EQ(host.ErrorOf("SharpEdge", {Arg(other), Named("sf", -1), Named("type", "x")}),
            "SharpEdge:RGB24, RGB32, YUY2 and YV12 formats only supported");
}

}  // namespace
}  // namespace tintara::testing
