// The painting of the seeded colouring filters: `Paint` gives a pixel a fill colour's chroma
// while keeping its brightness, optionally shifted or stretched (filters/common/Tint.h);
// `MarkerDot` writes a colour into a pixel as it stands.
//
// Usage: derive a FillColour and a Brightness once, pick the format once with ForFormat, then
// call Painter<F>::Paint(x, row) in the pixel loop. Rows are memory rows (RGB is bottom-up).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "filters/common/ForFormat.h"
#include "filters/common/Format.h"
#include "filters/common/Tint.h"
#include "filters/common/Vectorised.h"

namespace tintara {

// Paints pixels of one output frame with one fill colour and brightness rule. YV12 and I420
// share the planar instantiation: their planes are found through the frame's own offsets.
template <PixelFormat F>
class Painter {
 public:
  static_assert(F != PixelFormat::Other && F != PixelFormat::I420, "instantiate YV12 for both planar formats");

  Painter(const FramePlanes<BYTE>& out, const FillColour& colour, const Brightness& brightness)
      : out_(out), c_(colour), b_(brightness) {}

  // The brightness comes from the first byte alone; the second and third are not read.
  void Paint(int x, int r) const {
    if constexpr (IsRGB(F)) {
      BYTE* p = out_.y.Row(r) + x * BytesPerPixel(F);
      const int N = b_.Level(p[0]);
      p[0] = static_cast<BYTE>(Clamp(N + c_.kV));
      p[1] = static_cast<BYTE>(Clamp(N + c_.kG));
      p[2] = static_cast<BYTE>(Clamp(N + c_.kU));
    } else if constexpr (F == PixelFormat::YUY2) {
      BYTE* row = out_.y.Row(r);
      if (b_.Adjusts()) row[2 * x] = b_.Stored(row[2 * x]);
      row[Yuy2UByte(x)] = static_cast<BYTE>(c_.U);
      row[Yuy2VByte(x)] = static_cast<BYTE>(c_.V);
    } else {
      if (b_.Adjusts()) {
        BYTE* luma = out_.y.Row(r) + x;
        *luma = b_.Stored(*luma);
      }
      out_.u.Row(r / 2)[x / 2] = static_cast<BYTE>(c_.U);
      out_.v.Row(r / 2)[x / 2] = static_cast<BYTE>(c_.V);
    }
  }

  // Paint for every pixel x0..x1 (inclusive) of memory row r, as loops over the run.
  void PaintRun(int x0, int x1, int r) const {
    Vectorised([&] {
      if (b_.IsOffset())
        PaintRunWith<true>(x0, x1, r);
      else
        PaintRunWith<false>(x0, x1, r);
    });
  }

 private:
  // Offset: the brightness is the byte plus the filter's offset (within +-1024, so 16-bit sums
  // hold), else the table.
  template <bool Offset>
  void PaintRunWith(int x0, int x1, int r) const {
    const int16_t off = static_cast<int16_t>(b_.Offset());
    auto level = [&](BYTE n) { return Offset ? static_cast<int16_t>(n + off) : static_cast<int16_t>(b_.Level(n)); };
    auto luma = [&](BYTE n) {
      return Offset ? static_cast<BYTE>(std::clamp<int16_t>(static_cast<int16_t>(n + off), 0, 255)) : b_.Stored(n);
    };
    if constexpr (F == PixelFormat::RGB32 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
      // Whole pixels as 32-bit words, so the loop runs in 32-bit lanes without byte shuffles;
      // the fourth byte is kept.
      BYTE* __restrict p = out_.y.Row(r) + x0 * 4;
      const int count = x1 - x0 + 1, kV = c_.kV, kG = c_.kG, kU = c_.kU, shift = off;
      for (int i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, p + 4 * i, 4);
        const BYTE n = static_cast<BYTE>(v & 0xFF);
        const int N = Offset ? n + shift : b_.Level(n);
        const uint32_t b0 = static_cast<uint32_t>(std::clamp(N + kV, 0, 255));
        const uint32_t b1 = static_cast<uint32_t>(std::clamp(N + kG, 0, 255));
        const uint32_t b2 = static_cast<uint32_t>(std::clamp(N + kU, 0, 255));
        v = (v & 0xFF000000u) | b0 | b1 << 8 | b2 << 16;
        std::memcpy(p + 4 * i, &v, 4);
      }
    } else if constexpr (IsRGB(F)) {
      constexpr int bpp = BytesPerPixel(F);
      const int16_t kV = static_cast<int16_t>(c_.kV), kG = static_cast<int16_t>(c_.kG),
                    kU = static_cast<int16_t>(c_.kU);
      BYTE* __restrict p = out_.y.Row(r) + x0 * bpp;
      for (int i = 0; i <= x1 - x0; ++i) {
        const int16_t N = level(p[i * bpp]);
        p[i * bpp] = static_cast<BYTE>(std::clamp<int16_t>(static_cast<int16_t>(N + kV), 0, 255));
        p[i * bpp + 1] = static_cast<BYTE>(std::clamp<int16_t>(static_cast<int16_t>(N + kG), 0, 255));
        p[i * bpp + 2] = static_cast<BYTE>(std::clamp<int16_t>(static_cast<int16_t>(N + kU), 0, 255));
      }
    } else if constexpr (F == PixelFormat::YUY2 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
      // Whole pairs as 32-bit words Y U Y V, so the loops run in 32-bit lanes; a pixel alone at
      // either end of the run has its Y byte and its pair's U and V written one by one.
      BYTE* __restrict row = out_.y.Row(r);
      const BYTE U = static_cast<BYTE>(c_.U), V = static_cast<BYTE>(c_.V);
      const bool adjusts = b_.Adjusts();
      const auto lone = [&](int x) {
        if (adjusts) row[2 * x] = luma(row[2 * x]);
        row[Yuy2UByte(x)] = U;
        row[Yuy2VByte(x)] = V;
      };
      int x = x0;
      if (x & 1) lone(x++);
      const int pairs = (x1 - x + 1) / 2;
      BYTE* __restrict p = row + 2 * x;
      const uint32_t chroma = static_cast<uint32_t>(U) << 8 | static_cast<uint32_t>(V) << 24;
      const int shift = off;
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
          const BYTE y0 = static_cast<BYTE>(w), y1 = static_cast<BYTE>(w >> 16);
          const uint32_t a = Offset ? static_cast<uint32_t>(std::clamp(y0 + shift, 0, 255)) : b_.Stored(y0);
          const uint32_t b = Offset ? static_cast<uint32_t>(std::clamp(y1 + shift, 0, 255)) : b_.Stored(y1);
          w = a | b << 16 | chroma;
          std::memcpy(p + 4 * i, &w, 4);
        }
      }
      x += 2 * pairs;
      if (x == x1) lone(x);
    } else if constexpr (F == PixelFormat::YUY2) {
      BYTE* __restrict row = out_.y.Row(r);
      if (b_.Adjusts())
        for (int x = x0; x <= x1; ++x) row[2 * x] = luma(row[2 * x]);
      const BYTE U = static_cast<BYTE>(c_.U), V = static_cast<BYTE>(c_.V);
      for (int pair = x0 & ~1; pair <= x1; pair += 2) {
        row[2 * pair + 1] = U;
        row[2 * pair + 3] = V;
      }
    } else {
      if (b_.Adjusts()) {
        BYTE* __restrict y = out_.y.Row(r);
        for (int x = x0; x <= x1; ++x) y[x] = luma(y[x]);
      }
      const size_t count = static_cast<size_t>(x1 / 2 - x0 / 2 + 1);
      std::memset(out_.u.Row(r / 2) + x0 / 2, c_.U, count);
      std::memset(out_.v.Row(r / 2) + x0 / 2, c_.V, count);
    }
  }

  FramePlanes<BYTE> out_;
  FillColour c_;
  Brightness b_;
};

// Writes a colour into one pixel: RGB bytes in memory order R, G, B (the fourth byte of RGB32
// stays), YUV the pixel's Y and the chroma it shares.
template <PixelFormat F>
void MarkerDot(const FramePlanes<BYTE>& out, int x, int r, const MarkerColour& m) {
  if constexpr (IsRGB(F)) {
    BYTE* p = out.y.Row(r) + x * BytesPerPixel(F);
    p[0] = m.R;
    p[1] = m.G;
    p[2] = m.B;
  } else if constexpr (F == PixelFormat::YUY2) {
    BYTE* row = out.y.Row(r);
    row[2 * x] = m.Y;
    row[Yuy2UByte(x)] = m.U;
    row[Yuy2VByte(x)] = m.V;
  } else {
    out.y.Row(r)[x] = m.Y;
    out.u.Row(r / 2)[x / 2] = m.U;
    out.v.Row(r / 2)[x / 2] = m.V;
  }
}

// MarkerDot for every pixel x0..x1 (inclusive) of memory row r, as loops over the run. The
// arguments come by value, so the loops need not reload them after every store.
template <PixelFormat F>
void MarkerRunKernel(const FramePlanes<BYTE> out, const int x0, const int x1, const int r, const MarkerColour m) {
  const int count = x1 - x0 + 1;
  if constexpr (F == PixelFormat::RGB32 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    // Whole pixels as words: the fourth byte kept, the first three replaced.
    const uint32_t colour = m.R | static_cast<uint32_t>(m.G) << 8 | static_cast<uint32_t>(m.B) << 16;
    BYTE* __restrict p = out.y.Row(r) + x0 * 4;
    for (int i = 0; i < count; ++i) {
      uint32_t v;
      std::memcpy(&v, p + 4 * i, 4);
      v = (v & 0xFF000000u) | colour;
      std::memcpy(p + 4 * i, &v, 4);
    }
  } else if constexpr (IsRGB(F)) {
    constexpr int bpp = BytesPerPixel(F);
    BYTE* __restrict p = out.y.Row(r) + x0 * bpp;
    for (int i = 0; i < count; ++i) {
      p[i * bpp] = m.R;
      p[i * bpp + 1] = m.G;
      p[i * bpp + 2] = m.B;
    }
  } else if constexpr (F == PixelFormat::YUY2) {
    // Whole pairs as one repeated word Y U Y V; a pixel alone at either end of the run writes
    // its Y byte and its pair's U and V.
    BYTE* __restrict row = out.y.Row(r);
    int x = x0;
    if (x & 1) {
      row[2 * x] = m.Y;
      row[Yuy2UByte(x)] = m.U;
      row[Yuy2VByte(x)] = m.V;
      ++x;
    }
    const BYTE pair[4] = {m.Y, m.U, m.Y, m.V};
    const int pairs = (x1 - x + 1) / 2;
    for (int i = 0; i < pairs; ++i) std::memcpy(row + 2 * x + 4 * i, pair, 4);
    x += 2 * pairs;
    if (x == x1) {
      row[2 * x] = m.Y;
      row[Yuy2UByte(x)] = m.U;
      row[Yuy2VByte(x)] = m.V;
    }
  } else {
    std::memset(out.y.Row(r) + x0, m.Y, static_cast<size_t>(count));
    const size_t chroma = static_cast<size_t>(x1 / 2 - x0 / 2 + 1);
    std::memset(out.u.Row(r / 2) + x0 / 2, m.U, chroma);
    std::memset(out.v.Row(r / 2) + x0 / 2, m.V, chroma);
  }
}

template <PixelFormat F>
void MarkerRun(const FramePlanes<BYTE>& out, int x0, int x1, int r, const MarkerColour& m) {
  Vectorised([&] { MarkerRunKernel<F>(out, x0, x1, r, m); });
}

}  // namespace tintara
