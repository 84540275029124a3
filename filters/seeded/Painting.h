// Script colours and the painting of one pixel, shared by the seeded colouring filters and
// CrossFill: a colour 0xRRGGBB becomes a chroma pair (and, for RGB clips, three offsets added to
// the pixel's brightness); `Paint` gives a pixel that chroma while keeping its brightness,
// optionally shifted or stretched; `MarkerDot` writes a colour into a pixel as it stands.
//
// Usage: derive a FillColour and a Brightness once, pick the format once with ForFormat, then
// call Painter<F>::Paint(x, row) in the pixel loop. Rows are memory rows (RGB is bottom-up).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "filters/common/Format.h"
#include "filters/common/Vectorised.h"

namespace tintara {

// The 8-bit components of a script colour; bits 24 to 31 do not count.
struct ScriptRgb {
  int R, G, B;
};
inline ScriptRgb ComponentsOf(int colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF)};
}

// Chroma of a fill colour, and the offsets RGB painting adds to the brightness (the V-derived
// one goes into the first byte of the pixel, the U-derived one into the third).
struct FillColour {
  int U, V;
  int kV, kG, kU;
};

// Each value is worked out in double precision term by term as the formulas read and truncated
// toward zero (the build disables fused multiply-adds, which would change the last bit).
inline FillColour FillColourOf(int colour) {
  const ScriptRgb c = ComponentsOf(colour);
  const double R = c.R, G = c.G, B = c.B;
  FillColour f;
  f.U = static_cast<int>(0.5 * B - (0.332 * G + 0.169 * R) + 128);
  f.V = static_cast<int>(0.5 * R - 0.419 * G - 0.0813 * B + 128);
  const double du = f.U - 128, dv = f.V - 128;
  f.kV = static_cast<int>(1.4075 * dv);
  f.kG = static_cast<int>(-0.3455 * du - 0.7169 * dv);
  f.kU = static_cast<int>(1.779 * du);
  return f;
}

// A colour written as it stands: raw components for RGB, Y, U and V for YUV.
struct MarkerColour {
  BYTE R, G, B;
  BYTE Y, U, V;
};
inline MarkerColour MarkerColourOf(int colour) {
  const ScriptRgb c = ComponentsOf(colour);
  const FillColour f = FillColourOf(colour);
  const int Y = static_cast<int>(0.587 * c.G + 0.299 * c.R + 0.114 * c.B);
  return {static_cast<BYTE>(c.R), static_cast<BYTE>(c.G), static_cast<BYTE>(c.B),
          static_cast<BYTE>(Y), static_cast<BYTE>(f.U), static_cast<BYTE>(f.V)};
}

inline int Clamp(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

// The brightness adjustment of a filter's `shift` and `st`: N + st when shifting, else
// N + (st * N) / 100 truncated toward zero. Worked in 64 bits, since a stretch percentage has no
// upper limit and st * N would overflow an int.
inline int64_t Adjust(int n, bool shift, int st) {
  if (st == 0) return n;
  if (shift) return static_cast<int64_t>(n) + st;
  return n + static_cast<int64_t>(st) * n / 100;
}

// Adjust tabulated for every brightness byte, so the pixel loops only look values up.
class Brightness {
 public:
  Brightness(bool shift, int st)
      : adjusts_(st != 0), offset_((shift || st == 0) && st >= -1024 && st <= 1024), st_(st) {
    for (int n = 0; n < 256; ++n) {
      const int64_t a = Adjust(n, shift, st);
      // Offsets lie within +-255, so past these limits every clamped sum is 0 or 255 anyway.
      level_[n] = static_cast<int16_t>(a < -1024 ? -1024 : a > 1279 ? 1279 : a);
      stored_[n] = static_cast<BYTE>(Clamp(a));
    }
  }
  // Whether YUV luma changes at all (st != 0); with st = 0 it is left as it is.
  bool Adjusts() const { return adjusts_; }
  // adjust(n), unclamped (as far as any sum with an offset can tell).
  int Level(int n) const { return level_[n]; }
  // clamp(adjust(n)), the byte stored for YUV luma.
  BYTE Stored(int n) const { return stored_[n]; }
  // Whether Level(n) is n + Offset() for every byte (a shift, or no change): the run loops then
  // add instead of looking up, and vectorise.
  bool IsOffset() const { return offset_; }
  int Offset() const { return st_; }

 private:
  bool adjusts_, offset_;
  int st_;
  int16_t level_[256];
  BYTE stored_[256];
};

// YUY2 keeps one U and one V per pair of pixels: bytes 1 and 3 of the pair's four bytes.
inline int Yuy2UByte(int x) { return (x & ~1) * 2 + 1; }
inline int Yuy2VByte(int x) { return (x & ~1) * 2 + 3; }

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
      if (b_.IsOffset()) PaintRunWith<true>(x0, x1, r);
      else PaintRunWith<false>(x0, x1, r);
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
      const int16_t kV = static_cast<int16_t>(c_.kV), kG = static_cast<int16_t>(c_.kG), kU = static_cast<int16_t>(c_.kU);
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

// Calls fn(std::integral_constant<PixelFormat, F>()) for the clip's format, so a routine is
// picked once per frame and the pixel loops are compiled per format. Returns false (calling
// nothing) for a format other than the five.
template <typename Fn>
bool ForFormat(PixelFormat format, Fn&& fn) {
  switch (format) {
    case PixelFormat::RGB24: fn(std::integral_constant<PixelFormat, PixelFormat::RGB24>()); return true;
    case PixelFormat::RGB32: fn(std::integral_constant<PixelFormat, PixelFormat::RGB32>()); return true;
    case PixelFormat::YUY2: fn(std::integral_constant<PixelFormat, PixelFormat::YUY2>()); return true;
    case PixelFormat::YV12:
    case PixelFormat::I420: fn(std::integral_constant<PixelFormat, PixelFormat::YV12>()); return true;
    default: return false;
  }
}

}  // namespace tintara
