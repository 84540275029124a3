// Painting one pixel and the marker dot in each format, on frames of the embedded host.
#include <gtest/gtest.h>

#include "filters/seeded/Painting.h"
#include "tests/support/TestHost.h"

namespace tintara::testing {
namespace {

// A writable 8x6 frame of the given format, grey except where `paint` says.
Picture Canvas(TestHost& host, int pixel_type, const std::function<void(int, Picture&)>& paint = nullptr) {
  PClip clip = host.MakeClip(pixel_type, 8, 6, 1, paint);
  PVideoFrame f = clip->GetFrame(0, &host.Env());
  host.Env().MakeWritable(&f);
  return Picture(f, clip->GetVideoInfo());
}

// Paints picture pixel (x, y) through the format dispatch, as a filter's frame routine would.
void PaintAt(Picture& p, int x, int y, int colour, bool shift, int st) {
  const FramePlanes<BYTE> planes = WritePlanes(p.Frame(), p.Format());
  const Brightness brightness(shift, st);
  ForFormat(p.Format(), [&](auto format) {
    Painter<decltype(format)::value>(planes, FillColourOf(colour), brightness)
        .Paint(x, MemoryRow(p.Format(), p.Height(), y));
  });
}

void DotAt(Picture& p, int x, int y, int colour) {
  const FramePlanes<BYTE> planes = WritePlanes(p.Frame(), p.Format());
  ForFormat(p.Format(), [&](auto format) {
    MarkerDot<decltype(format)::value>(planes, x, MemoryRow(p.Format(), p.Height(), y), MarkerColourOf(colour));
  });
}

class PainterRgb : public ::testing::TestWithParam<int> {};

TEST_P(PainterRgb, BrightnessFromFirstByteAndVOffsetIntoIt) {
  TestHost host;
  Picture p = Canvas(host, GetParam(), [](int, Picture& q) {
    q.SetPixel(2, 1, 100, 7, 250);
    if (q.Format() == PixelFormat::RGB32) q.Set(2, 1, 3, 33);
  });
  PaintAt(p, 2, 1, 0xFF0000, true, 0);  // kV 178, kG -75, kU -78 on N = 100
  EXPECT_EQ(p.Get(2, 1, 0), 255);
  EXPECT_EQ(p.Get(2, 1, 1), 25);
  EXPECT_EQ(p.Get(2, 1, 2), 22);
  if (p.Format() == PixelFormat::RGB32) {
    EXPECT_EQ(p.Get(2, 1, 3), 33);
  }
  EXPECT_EQ(p.Get(3, 1, 0), 128);
  EXPECT_EQ(p.Get(2, 2, 0), 128);
  EXPECT_EQ(p.Get(2, 0, 0), 128);
}

TEST_P(PainterRgb, AdjustedLevelIsClampedOnlyWhenStored) {
  TestHost host;
  Picture p = Canvas(host, GetParam(), [](int, Picture& q) {
    q.SetPixel(0, 0, 250, 0, 0);
    q.SetPixel(7, 5, 90, 255, 255);
  });
  PaintAt(p, 0, 0, 0x0000FF, true, 20);  // N = 270; kV -29, kG -28, kU 225
  EXPECT_EQ(p.Get(0, 0, 0), 241);
  EXPECT_EQ(p.Get(0, 0, 1), 242);
  EXPECT_EQ(p.Get(0, 0, 2), 255);
  PaintAt(p, 7, 5, 0xFF0000, false, -100);  // N = 0 whatever the pixel held
  EXPECT_EQ(p.Get(7, 5, 0), 178);
  EXPECT_EQ(p.Get(7, 5, 1), 0);
  EXPECT_EQ(p.Get(7, 5, 2), 0);
}

TEST_P(PainterRgb, MarkerDotWritesRawComponentsRedFirst) {
  TestHost host;
  Picture p = Canvas(host, GetParam(), [](int, Picture& q) {
    if (q.Format() == PixelFormat::RGB32) q.Set(1, 4, 3, 9);
  });
  DotAt(p, 1, 4, 0x123456);
  EXPECT_EQ(p.Get(1, 4, 0), 0x12);
  EXPECT_EQ(p.Get(1, 4, 1), 0x34);
  EXPECT_EQ(p.Get(1, 4, 2), 0x56);
  if (p.Format() == PixelFormat::RGB32) {
    EXPECT_EQ(p.Get(1, 4, 3), 9);
  }
}

INSTANTIATE_TEST_SUITE_P(Rgb, PainterRgb, ::testing::Values(VideoInfo::CS_BGR24, VideoInfo::CS_BGR32));

TEST(PainterYuy2, PairChromaForEvenAndOddColumns) {
  TestHost host;
  Picture p = Canvas(host, VideoInfo::CS_YUY2, [](int, Picture& q) {
    for (int x = 0; x < 8; ++x) q.Set(x, 2, 0, 10 * x);
  });
  PaintAt(p, 4, 2, 0xFF0000, true, 5);   // even: bytes 9 and 11 of the row
  PaintAt(p, 7, 2, 0x0000FF, true, 0);   // odd: bytes 13 and 15
  EXPECT_EQ(p.Get(4, 2, 1), 84);
  EXPECT_EQ(p.Get(5, 2, 2), 255);
  EXPECT_EQ(p.Get(6, 2, 1), 255);
  EXPECT_EQ(p.Get(6, 2, 2), 107);
  EXPECT_EQ(p.Get(4, 2, 0), 45);  // adjusted
  EXPECT_EQ(p.Get(5, 2, 0), 50);  // only the painted pixel's Y changes
  EXPECT_EQ(p.Get(7, 2, 0), 70);  // st = 0 leaves Y alone
  EXPECT_EQ(p.Get(2, 2, 1), 128);
  EXPECT_EQ(p.Get(4, 1, 1), 128);
  EXPECT_EQ(p.Get(4, 3, 2), 128);
}

TEST(PainterYuy2, MarkerDotSetsLumaAndPairChroma) {
  TestHost host;
  Picture p = Canvas(host, VideoInfo::CS_YUY2);
  DotAt(p, 3, 0, 0xFF0000);
  EXPECT_EQ(p.Get(3, 0, 0), 76);
  EXPECT_EQ(p.Get(2, 0, 0), 128);
  EXPECT_EQ(p.Get(2, 0, 1), 84);
  EXPECT_EQ(p.Get(2, 0, 2), 255);
}

class PainterPlanar : public ::testing::TestWithParam<int> {};

TEST_P(PainterPlanar, OnePixelSetsItsTwoByTwoChroma) {
  TestHost host;
  Picture p = Canvas(host, GetParam(), [](int, Picture& q) { q.Set(3, 5, 0, 200); });
  PaintAt(p, 3, 5, 0xFF0000, false, 50);  // 200 + 100 stores as 255
  EXPECT_EQ(p.Get(3, 5, 0), 255);
  EXPECT_EQ(p.Get(2, 4, 0), 128);
  for (int y = 4; y < 6; ++y)
    for (int x = 2; x < 4; ++x) {
      EXPECT_EQ(p.Get(x, y, 1), 84);
      EXPECT_EQ(p.Get(x, y, 2), 255);
    }
  EXPECT_EQ(p.Get(4, 5, 1), 128);
  EXPECT_EQ(p.Get(3, 3, 2), 128);
  DotAt(p, 0, 0, 0x0000FF);
  EXPECT_EQ(p.Get(0, 0, 0), 29);
  EXPECT_EQ(p.Get(1, 1, 1), 255);
  EXPECT_EQ(p.Get(1, 1, 2), 107);
}

INSTANTIATE_TEST_SUITE_P(Planar, PainterPlanar, ::testing::Values(VideoInfo::CS_YV12, VideoInfo::CS_I420));

}  // namespace
}  // namespace tintara::testing
