// ColorBars: SMPTE colour bars as AviSynth+ draws them. Three bands (seven bars, seven bars,
// eight parts), cut on whole columns and rows of the format's coarsest grid: YUY2 on pixel
// pairs, YV12 on chroma samples; so the bars of a 4:2:0 clip are not where the RGB bars are.
#include <vector>

#include "runtime/MemoryClip.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/FrameRows.h"
#include "runtime/builtins/Sources.h"
#include "runtime/builtins/StillClip.h"

namespace tintara {

namespace {

struct Bar {
  BYTE r, g, b, y, u, v;  // the YUV values are AviSynth+'s table, not a conversion of the RGB
};

constexpr Bar kTop[7] = {{0xB4, 0xB4, 0xB4, 0xB4, 0x80, 0x80}, {0xB4, 0xB4, 0x10, 0xA2, 0x2C, 0x8E},
                         {0x10, 0xB4, 0xB4, 0x83, 0x9C, 0x2C}, {0x10, 0xB4, 0x10, 0x70, 0x48, 0x3A},
                         {0xB4, 0x10, 0xB4, 0x54, 0xB8, 0xC6}, {0xB4, 0x10, 0x10, 0x41, 0x64, 0xD4},
                         {0x10, 0x10, 0xB4, 0x23, 0xD4, 0x72}};
constexpr Bar kBlack = {0x10, 0x10, 0x10, 0x10, 0x80, 0x80};
constexpr Bar kMiddle[7] = {kTop[6], kBlack, kTop[4], kBlack, kTop[2], kBlack, kTop[0]};
constexpr Bar kBottom[8] = {{0x10, 0x46, 0x6A, 0x10, 0x9E, 0x5F}, {0xEB, 0xEB, 0xEB, 0xEB, 0x80, 0x80},
                            {0x48, 0x10, 0x76, 0x10, 0xAE, 0x95}, kBlack,
                            {0x07, 0x07, 0x07, 0x07, 0x80, 0x80}, kBlack,
                            {0x19, 0x19, 0x19, 0x19, 0x80, 0x80}, kBlack};

// The bar of each of `columns` columns in each band.
struct Bands {
  std::vector<const Bar*> top, middle, bottom;
};

Bands BandsFor(int columns) {
  const long long w = columns;
  Bands bands;
  for (int x = 0, i = 0; x < columns; ++x) {
    while (x >= (w * (i + 1) + 3) / 7) ++i;
    bands.top.push_back(&kTop[i]);
    bands.middle.push_back(&kMiddle[i]);
  }
  // Bottom part ends: four parts of 5/28, three of 1/21 (the PLUGE), the rest black.
  std::vector<long long> ends;
  for (int i = 0; i < 4; ++i) ends.push_back((5 * w * (i + 1) + 14) / 28);
  for (int j = 4; j < 7; ++j) ends.push_back((w * (j + 12) + 10) / 21);
  ends.push_back(w);
  for (int x = 0, i = 0; x < columns; ++x) {
    while (x >= ends[i]) ++i;
    bands.bottom.push_back(&kBottom[i]);
  }
  return bands;
}

// The band of row r of `rows`: top for the first two thirds, middle to three quarters.
const std::vector<const Bar*>& BandOf(const Bands& bands, int r, int rows) {
  const long long r3 = 3LL * r, r4 = 4LL * r;
  if (r3 < 2LL * rows) return bands.top;
  if (r4 < 3LL * rows) return bands.middle;
  return bands.bottom;
}

void Paint(const PVideoFrame& frame, const VideoInfo& vi) {
  if (vi.IsRGB()) {
    const Bands bands = BandsFor(vi.width);
    const int bytes = vi.IsRGB32() ? 4 : 3;
    const PlaneRows<BYTE> rows = WriteRows(frame, vi);
    for (int y = 0; y < vi.height; ++y) {
      BYTE* p = rows.Row(y);
      for (const Bar* bar : BandOf(bands, y, vi.height)) {
        p[0] = bar->b, p[1] = bar->g, p[2] = bar->r;
        if (bytes == 4) p[3] = 0;
        p += bytes;
      }
    }
  } else if (vi.IsYUY2()) {
    const Bands bands = BandsFor(vi.width / 2);
    const PlaneRows<BYTE> rows = WriteRows(frame, vi);
    for (int y = 0; y < vi.height; ++y) {
      BYTE* p = rows.Row(y);
      for (const Bar* bar : BandOf(bands, y, vi.height)) p[0] = p[2] = bar->y, p[1] = bar->u, p[3] = bar->v, p += 4;
    }
  } else {
    const Bands bands = BandsFor(vi.width / 2);
    const PlaneRows<BYTE> luma = WriteRows(frame, vi, 0), u = WriteRows(frame, vi, 1), v = WriteRows(frame, vi, 2);
    for (int c = 0; c < vi.height / 2; ++c) {
      const std::vector<const Bar*>& band = BandOf(bands, c, vi.height / 2);
      for (size_t x = 0; x < band.size(); ++x) {
        luma.Row(2 * c)[2 * x] = luma.Row(2 * c)[2 * x + 1] = band[x]->y;
        luma.Row(2 * c + 1)[2 * x] = luma.Row(2 * c + 1)[2 * x + 1] = band[x]->y;
        u.Row(c)[x] = band[x]->u;
        v.Row(c)[x] = band[x]->v;
      }
    }
  }
}

}  // namespace

Value ColorBarsFunction(Environment& env, std::vector<Value>& args) {
  const int width = args[0].Defined() ? args[0].integer : 640;
  const int height = args[1].Defined() ? args[1].integer : 480;
  // AviSynth+ has no name for I420, so ColorBars refuses it.
  const int pixel_type = args[2].Defined() ? PixelTypeNamed(args[2].string) : VideoInfo::CS_BGR32;
  if (pixel_type == 0 || pixel_type == VideoInfo::CS_I420)
    FailUnknownPixelType(env, "ColorBars", args[2].string, "ColorBars: this pixel_type not supported");
  if (pixel_type == VideoInfo::CS_YUY2 && (width & 1)) env.Fail("ColorBars: YUY2 width must be even!");
  if (pixel_type == VideoInfo::CS_YV12 && ((width | height) & 1))
    env.Fail("ColorBars: for 4:2:0 both height and width must be even!");
  // One hour at NTSC rate; every frame is the same picture, staticframes or not.
  VideoInfo vi = VideoInfoOf(pixel_type, width, height, 107892);
  vi.fps_numerator = 30000;
  vi.fps_denominator = 1001;
  CheckClipFormat(env, "ColorBars", vi);
  return Value::Clip(PClip(new StillClip(vi, Paint)));
}

}  // namespace tintara
