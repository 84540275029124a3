// GaussBlur through its registered signature, in every format.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/MemoryClip.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

// The bytes the blur treats alike: every byte of an RGB pixel (the fourth of RGB32 included),
// the luma of a YUV pixel.
int BlurredBytes(PixelFormat f) { return IsRGB(f) ? BytesPerPixel(f) : 1; }

PClip LumaClip(TestHost& host, int pixel_type, int w, int h, const std::function<int(int, int)>& value) {
  return host.MakeClip(pixel_type, w, h, 1, [&](int, Picture& p) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < BlurredBytes(p.Format()); ++c) p.Set(x, y, c, value(x, y));
  });
}

::testing::AssertionResult LumaIs(const Picture& p, int x, int y, int expected) {
  for (int c = 0; c < BlurredBytes(p.Format()); ++c)
    if (p.Get(x, y, c) != expected)
      return ::testing::AssertionFailure()
             << "(" << x << "," << y << ") byte " << c << " is " << p.Get(x, y, c) << ", expected " << expected;
  return ::testing::AssertionSuccess();
}

int Noise(int x, int y) { return (x * 37 + y * 91 + x * y * 13) % 256; }

class GaussBlurFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GaussBlurFormats, UniformWhiteLosesOneLevelPerPassAndKeepsChroma) {
  TestHost host;
  const int W = 10, H = 8;
  PClip src = LumaClip(host, GetParam().pixel_type, W, H, [](int, int) { return 255; });
  std::vector<Argument> args = {Arg(src)};
  if (IsRGB(FormatOf(src->GetVideoInfo())))
    args = {Arg(src), Named("u", true), Named("v", true)};  // no chroma: no effect
  Picture out = host.FrameOf(host.Apply("GaussBlur", args), 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      // 255 * 1023 >> 10 = 254 along rows, 254 * 1023 >> 10 = 253 down columns; edge columns are
      // only blurred down, edge rows not at all.
      const int expected = y == 0 || y == H - 1 ? 255 : x == 0 || x == W - 1 ? 254 : 253;
      ASSERT_TRUE(LumaIs(out, x, y, expected));
      if (!IsRGB(out.Format())) {
        ASSERT_EQ(out.Get(x, y, 1), 128);
        ASSERT_EQ(out.Get(x, y, 2), 128);
      }
    }
}

// Columns are uniform, so the column pass only scales by the weight sum (1022 or 1023): a row
// result T comes out as T - 1. Each probe's weighted sum is worked out from the weights; one
// lands exactly on a multiple of 1024 and one just below, so any weight one off changes a result.
TEST_P(GaussBlurFormats, WeightsFollowSizeAndSd) {
  struct Probe {
    int size;
    double sd;
    std::vector<int> row;
    int x, expected;
  };
  const std::vector<Probe> probes = {
      // 315, 393, 315: 393*186 + 315*2 = 73728 = 72*1024; 393*253 + 315*302 = 194559 = 190*1024 - 1.
      {3, 1.5, {0, 0, 0, 1, 186, 1, 0, 0, 0, 0, 0, 151, 253, 151, 0, 0}, 4, 71},
      {3, 1.5, {0, 0, 0, 1, 186, 1, 0, 0, 0, 0, 0, 151, 253, 151, 0, 0}, 12, 188},
      // 55, 250, 412, 250, 55: 412*166 + 250*88 + 55*88 = 95232 = 93*1024;
      // 412*179 + 250*184 + 55*150 = 127998 = 125*1024 - 2.
      {5, 1.0, {0, 44, 44, 166, 44, 44, 0, 0, 0, 75, 92, 179, 92, 75, 0, 0}, 3, 92},
      {5, 1.0, {0, 44, 44, 166, 44, 44, 0, 0, 0, 75, 92, 179, 92, 75, 0, 0}, 11, 123},
      // 109, 805, 109: 805*160 + 109*96 = 139264 = 136*1024; 805*41 + 109*26 = 35839 = 35*1024 - 1.
      {3, 0.5, {0, 0, 0, 48, 160, 48, 0, 0, 0, 0, 0, 13, 41, 13, 0, 0}, 4, 135},
      {3, 0.5, {0, 0, 0, 48, 160, 48, 0, 0, 0, 0, 0, 13, 41, 13, 0, 0}, 12, 33},
  };
  TestHost host;
  for (const Probe& p : probes) {
    PClip src = LumaClip(host, GetParam().pixel_type, 16, 8, [&](int x, int) { return p.row[x]; });
    Picture out = host.FrameOf(host.Apply("GaussBlur", {Arg(src), Named("size", p.size), Named("sd", p.sd)}), 0);
    for (int y = 2; y < 6; ++y) EXPECT_TRUE(LumaIs(out, p.x, y, p.expected)) << "size " << p.size << " sd " << p.sd;
  }
}

TEST_P(GaussBlurFormats, WideKernelKeepsEdgeRowsAndBlursEdgeColumnsOnlyDown) {
  TestHost host;
  const int W = 24, H = 16, pt = GetParam().pixel_type;
  PClip src = LumaClip(host, pt, W, H, Noise);
  Picture blurred = host.FrameOf(host.Apply("GaussBlur", {Arg(src), Named("size", 11)}), 0);
  Picture noisy = host.FrameOf(src, 0);
  for (int y : {0, 4, H - 5, H - 1})
    for (int x = 0; x < W; ++x) ASSERT_TRUE(LumaIs(blurred, x, y, noisy.Get(x, y)));

  // Bright columns next to the five edge columns on each side: rows never reach into those.
  PClip bars = LumaClip(host, pt, W, H, [&](int x, int) { return x == 5 || x == W - 6 ? 255 : 0; });
  Picture out = host.FrameOf(host.Apply("GaussBlur", {Arg(bars), Named("size", 11)}), 0);
  for (int y = 0; y < H; ++y)
    for (int x : {0, 1, 2, 3, 4, W - 5, W - 4, W - 3, W - 2, W - 1}) ASSERT_TRUE(LumaIs(out, x, y, 0));
  EXPECT_GT(out.Get(5, H / 2), 0);
}

TEST_P(GaussBlurFormats, ZeroOrUndefinedSdKeepsThePicture) {
  TestHost host;
  for (double sd : {0.0, std::nan("")}) {
    Picture out = host.FrameOf(host.Apply("GaussBlur", {Arg(LumaClip(host, GetParam().pixel_type, 12, 10, Noise)),
                                                        Named("size", 5), Named("sd", sd)}),
                               0);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) ASSERT_TRUE(LumaIs(out, x, y, Noise(x, y)));
  }
}

// The scratch frame is poisoned by the host: no output may depend on it.
TEST_P(GaussBlurFormats, OutputIsTheSameUnderAnyPoison) {
  std::vector<int> bytes[2];
  for (int i = 0; i < 2; ++i) {
    TestHost host(i == 0 ? 0x00 : 0xFF);
    PClip src = host.MakeClip(GetParam().pixel_type, 14, 12, 1, [](int, Picture& p) {
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x) p.SetPixel(x, y, Noise(x, y), Noise(y, x), Noise(x + 3, y));
    });
    Picture out = host.FrameOf(
        host.Apply("GaussBlur", {Arg(src), Named("size", 7), Named("sd", 2.0), Named("u", true), Named("v", true)}), 0);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 14; ++x)
        for (int c = 0; c < (IsRGB(out.Format()) ? BytesPerPixel(out.Format()) : 3); ++c)
          bytes[i].push_back(out.Get(x, y, c));
  }
  EXPECT_EQ(bytes[0], bytes[1]);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, GaussBlurFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// YUY2 U and V are planes of one sample per pixel pair; YV12 and I420 have their own planes.
// Each is blurred only when asked for, and the other stays as it was.
TEST(GaussBlurChroma, BlursOnlyTheRequestedComponent) {
  TestHost host;
  const int W = 12, H = 8;
  for (const FormatCase& f : AllFormats()) {
    if (IsRGB(FormatOf(VideoInfoOf(f.pixel_type, W, H, 1)))) continue;
    for (const char* which : {"u", "v"}) {
      const int blurred = which[0] == 'u' ? 1 : 2, kept = 3 - blurred;
      PClip src = host.MakeClip(f.pixel_type, W, H, 1, [&](int, Picture& p) { p.Fill(0, 255, 255); });
      Picture out = host.FrameOf(host.Apply("GaussBlur", {Arg(src), Named(which, true)}), 0);
      const int cw = W / 2, ch = f.pixel_type == VideoInfo::CS_YUY2 ? H : H / 2;  // chroma samples
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
          const int px = 2 * x, py = f.pixel_type == VideoInfo::CS_YUY2 ? y : 2 * y;
          const int expected = y == 0 || y == ch - 1 ? 255 : x == 0 || x == cw - 1 ? 254 : 253;
          ASSERT_EQ(out.Get(px, py, blurred), expected) << f.name << " " << which << " " << x << "," << y;
          ASSERT_EQ(out.Get(px, py, kept), 255);
          ASSERT_EQ(out.Get(px, py, 0), 0);
        }
    }
  }
}

TEST(GaussBlurChecks, MessagesBoundariesAndOrder) {
  TestHost host;
  PClip clip = host.MakeClip(VideoInfo::CS_YV12, 16, 12, 1);
  const std::string kFormat = "GaussBlur: This color format is not yet supported";
  const std::string kSize = "GaussBlur:size of grid must be odd and between 3 and 11";
  const std::string kSd = "GaussBlur:standard deviation sd can not be negative";
  PClip other = PClip(new MemoryClip(VideoInfoOf(VideoInfo::CS_BGR | VideoInfo::CS_INTERLEAVED | 64, 16, 12, 1), {}));
  EXPECT_EQ(host.ErrorOf("GaussBlur", {Arg(other), Named("size", 4), Named("sd", -1.0)}), kFormat);
  for (int size : {1, 2, 4, 10, 12, 13}) EXPECT_EQ(host.ErrorOf("GaussBlur", {Arg(clip), Named("size", size)}), kSize);
  EXPECT_EQ(host.ErrorOf("GaussBlur", {Arg(clip), Named("size", 4), Named("sd", -1.0)}), kSize);
  EXPECT_EQ(host.ErrorOf("GaussBlur", {Arg(clip), Named("sd", -0.001)}), kSd);
  EXPECT_EQ(host.ErrorOf("GaussBlur", {Arg(clip), Named("sd", -1)}), kSd);  // an int is taken as a float
  for (int size : {3, 11}) EXPECT_EQ(host.ErrorOf("GaussBlur", {Arg(clip), Named("size", size), Named("sd", 0.0)}), "");
}

}  // namespace
}  // namespace tintara::testing
