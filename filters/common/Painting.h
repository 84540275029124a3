// Painting pixels in place, for the seeded filters, Inlay and CrossFill: a tint gives a pixel a
// fill colour's chroma and keeps its brightness, optionally shifted or stretched, clamped in the
// filter's order (Tint.h); a mark writes a colour into a pixel as it stands.
//
// The run functions are plain loops meant to be inlined into a routine picked per CPU level
// (ForLevel); rows are memory rows (RGB is bottom-up) and runs are columns [x0, x1).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "filters/common/Format.h"
#include "filters/common/Tint.h"

namespace tintara {

// The bytes of one row of a frame: the luma (or packed) row, and for planar frames the chroma
// rows it shares with its neighbour.
struct PixelRow {
  BYTE* y = nullptr;
  BYTE* u = nullptr;
  BYTE* v = nullptr;
};
template <PixelFormat F>
PixelRow RowOf(const FramePlanes<BYTE>& out, int memory_row) {
  PixelRow row{out.y.Row(memory_row)};
  if constexpr (IsPlanar(F)) {
    row.u = out.u.Row(memory_row / 2);
    row.v = out.v.Row(memory_row / 2);
  }
  return row;
}

// A tint worked out for every brightness byte, for the loops that visit pixels one at a time:
// the RGB channel bytes (clamped in `order`), the YUV luma byte, and the chroma.
struct TintTable {
  BYTE rgb[3][256];
  BYTE luma[256];
  BYTE U, V;

  TintTable(const FillColour& c, const Brightness& b, ClampOrder order)
      : U(static_cast<BYTE>(c.U)), V(static_cast<BYTE>(c.V)) {
    const int k[3] = {c.kV, c.kG, c.kU};
    for (int n = 0; n < 256; ++n) {
      const int level = order == ClampOrder::Once ? b.Level(n) : b.Stored(n);
      for (int i = 0; i < 3; ++i) rgb[i][n] = static_cast<BYTE>(Clamp(level + k[i]));
      luma[n] = b.Stored(n);
    }
  }
};

// Tints pixel x of `row`. The brightness comes from the first byte alone; the second and third
// are not read.
template <PixelFormat F>
void TintPixel(const TintTable& t, const PixelRow& row, int x) {
  if constexpr (IsRGB(F)) {
    BYTE* p = row.y + x * BytesPerPixel(F);
    const BYTE n = p[0];
    p[0] = t.rgb[0][n];
    p[1] = t.rgb[1][n];
    p[2] = t.rgb[2][n];
  } else if constexpr (F == PixelFormat::YUY2) {
    row.y[2 * x] = t.luma[row.y[2 * x]];
    row.y[Yuy2UByte(x)] = t.U;
    row.y[Yuy2VByte(x)] = t.V;
  } else {
    row.y[x] = t.luma[row.y[x]];
    row.u[x / 2] = t.U;
    row.v[x / 2] = t.V;
  }
}

// TintPixel for every pixel [x0, x1) of `row`, as loops over the run. YUV luma is left as it is
// when the brightness does not change (`adjusts` false).
template <PixelFormat F, ClampOrder Order, bool Offset>
void TintRun(const FillColour& c, const TintLevels<Order, Offset> t, bool adjusts, const PixelRow& row, int x0,
             int x1) {
  using Levels = TintLevels<Order, Offset>;
  const int16_t kV = static_cast<int16_t>(c.kV), kG = static_cast<int16_t>(c.kG), kU = static_cast<int16_t>(c.kU);
  if constexpr (F == PixelFormat::RGB32 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    // Whole pixels as 32-bit words, so the loop runs in 32-bit lanes without byte shuffles;
    // the fourth byte is kept.
    BYTE* __restrict p = row.y + x0 * 4;
    for (int i = 0; i < x1 - x0; ++i) {
      uint32_t v;
      std::memcpy(&v, p + 4 * i, 4);
      const int n = t.template Level<int>(static_cast<BYTE>(v & 0xFF));
      const uint32_t b0 = Levels::template Channel<int>(n, c.kV), b1 = Levels::template Channel<int>(n, c.kG),
                     b2 = Levels::template Channel<int>(n, c.kU);
      v = (v & 0xFF000000u) | b0 | b1 << 8 | b2 << 16;
      std::memcpy(p + 4 * i, &v, 4);
    }
  } else if constexpr (IsRGB(F)) {
    constexpr int bpp = BytesPerPixel(F);
    BYTE* __restrict p = row.y + x0 * bpp;
    for (int i = 0; i < x1 - x0; ++i) {
      const int16_t n = t.Level(p[i * bpp]);
      p[i * bpp] = Levels::Channel(n, kV);
      p[i * bpp + 1] = Levels::Channel(n, kG);
      p[i * bpp + 2] = Levels::Channel(n, kU);
    }
  } else if constexpr (F == PixelFormat::YUY2 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    // Whole pairs as 32-bit words Y U Y V, so the loops run in 32-bit lanes; a pixel alone at
    // either end of the run has its Y byte and its pair's U and V written one by one.
    BYTE* __restrict y = row.y;
    const BYTE U = static_cast<BYTE>(c.U), V = static_cast<BYTE>(c.V);
    const auto lone = [&](int x) {
      if (adjusts) y[2 * x] = t.Luma(y[2 * x]);
      y[Yuy2UByte(x)] = U;
      y[Yuy2VByte(x)] = V;
    };
    int x = x0;
    if (x & 1) lone(x++);
    const int pairs = (x1 - x) / 2;
    BYTE* __restrict p = y + 2 * x;
    const uint32_t chroma = static_cast<uint32_t>(U) << 8 | static_cast<uint32_t>(V) << 24;
    if (!adjusts) {
      for (int i = 0; i < pairs; ++i) {
        uint32_t w;
        std::memcpy(&w, p + 4 * i, 4);
        w = (w & 0x00FF00FFu) | chroma;
        std::memcpy(p + 4 * i, &w, 4);
      }
    } else {
      for (int i = 0; i < pairs; ++i) {
        uint32_t w;
        std::memcpy(&w, p + 4 * i, 4);
        const uint32_t a = t.template Luma<int>(static_cast<BYTE>(w)), b = t.template Luma<int>(static_cast<BYTE>(w >> 16));
        w = a | b << 16 | chroma;
        std::memcpy(p + 4 * i, &w, 4);
      }
    }
    x += 2 * pairs;
    if (x < x1) lone(x);
  } else if constexpr (F == PixelFormat::YUY2) {
    if (adjusts)
      for (int x = x0; x < x1; ++x) row.y[2 * x] = t.Luma(row.y[2 * x]);
    for (int pair = x0 & ~1; pair < x1; pair += 2) {
      row.y[2 * pair + 1] = static_cast<BYTE>(c.U);
      row.y[2 * pair + 3] = static_cast<BYTE>(c.V);
    }
  } else {
    if (adjusts) {
      BYTE* __restrict y = row.y;
      for (int x = x0; x < x1; ++x) y[x] = t.Luma(y[x]);
    }
    const size_t count = static_cast<size_t>((x1 - 1) / 2 - x0 / 2 + 1);
    std::memset(row.u + x0 / 2, c.U, count);
    std::memset(row.v + x0 / 2, c.V, count);
  }
}

// Writes a colour into pixel x of `row`: RGB bytes in memory order R, G, B (the fourth byte of
// RGB32 stays: red goes into the byte the host's layout calls blue), YUV the pixel's Y and the
// chroma it shares.
template <PixelFormat F>
void MarkPixel(const MarkerColour& m, const PixelRow& row, int x) {
  if constexpr (IsRGB(F)) {
    BYTE* p = row.y + x * BytesPerPixel(F);
    p[0] = m.R;
    p[1] = m.G;
    p[2] = m.B;
  } else if constexpr (F == PixelFormat::YUY2) {
    row.y[2 * x] = m.Y;
    row.y[Yuy2UByte(x)] = m.U;
    row.y[Yuy2VByte(x)] = m.V;
  } else {
    row.y[x] = m.Y;
    row.u[x / 2] = m.U;
    row.v[x / 2] = m.V;
  }
}

// MarkPixel for every pixel [x0, x1) of `row`, as loops over the run. The arguments come by
// value, so the loops need not reload them after every store.
template <PixelFormat F>
void MarkRun(const MarkerColour m, const PixelRow row, const int x0, const int x1) {
  const int count = x1 - x0;
  if constexpr (F == PixelFormat::RGB32 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    // Whole pixels as words: the fourth byte kept, the first three replaced.
    const uint32_t colour = m.R | static_cast<uint32_t>(m.G) << 8 | static_cast<uint32_t>(m.B) << 16;
    BYTE* __restrict p = row.y + x0 * 4;
    for (int i = 0; i < count; ++i) {
      uint32_t v;
      std::memcpy(&v, p + 4 * i, 4);
      v = (v & 0xFF000000u) | colour;
      std::memcpy(p + 4 * i, &v, 4);
    }
  } else if constexpr (IsRGB(F)) {
    constexpr int bpp = BytesPerPixel(F);
    BYTE* __restrict p = row.y + x0 * bpp;
    for (int i = 0; i < count; ++i) {
      p[i * bpp] = m.R;
      p[i * bpp + 1] = m.G;
      p[i * bpp + 2] = m.B;
    }
  } else if constexpr (F == PixelFormat::YUY2) {
    // Whole pairs as one repeated word Y U Y V; a pixel alone at either end of the run is
    // marked on its own, keeping the other Y byte of its pair.
    int x = x0;
    if (x & 1) MarkPixel<F>(m, row, x++);
    const BYTE pair[4] = {m.Y, m.U, m.Y, m.V};
    const int pairs = (x1 - x) / 2;
    for (int i = 0; i < pairs; ++i) std::memcpy(row.y + 2 * x + 4 * i, pair, 4);
    x += 2 * pairs;
    if (x < x1) MarkPixel<F>(m, row, x);
  } else {
    std::memset(row.y + x0, m.Y, static_cast<size_t>(count));
    const size_t chroma = static_cast<size_t>((x1 - 1) / 2 - x0 / 2 + 1);
    std::memset(row.u + x0 / 2, m.U, chroma);
    std::memset(row.v + x0 / 2, m.V, chroma);
  }
}

// Tints single pixels of one output frame with one colour and brightness rule, for the loops
// that visit pixels one at a time (CrossFill's runs cut off a YUV pair). YV12 and I420 share
// the planar instantiation: their planes are found through the frame's own offsets.
template <PixelFormat F, ClampOrder Order = ClampOrder::Once>
class Painter {
 public:
  static_assert(F != PixelFormat::Other && F != PixelFormat::I420, "instantiate YV12 for both planar formats");

  Painter(const FramePlanes<BYTE>& out, const FillColour& colour, const Brightness& brightness)
      : out_(out), t_(colour, brightness, Order) {}

  // Tints pixel x of memory row r.
  void Paint(int x, int r) const { TintPixel<F>(t_, RowOf<F>(out_, r), x); }

 private:
  FramePlanes<BYTE> out_;
  TintTable t_;
};

}  // namespace tintara
