// Row machinery of the edge filters (EMarker, SharpEdge): channel rows split out of packed
// pixels and kept for the three memory rows a 3x3 operator reads, the gradients both filters
// use, flags of pixels that carry colour, and the writing of one value per pixel. The loops run
// over contiguous arrays without branches so that the compiler vectorises them (inside the
// callers' CPU-level copies); flags are bytes 0 or 0xFF, so selects are masks. Column ranges
// a..b are half-open: a..b-1.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/ByteLanes.h"
#include "filters/common/Format.h"
#include "filters/common/Geometry.h"

namespace tintara {

// Channel rows of three consecutive memory rows, each split once from its packed row as the
// rows advance (in either direction): slot m % 3 holds memory row m.
class ChannelRing {
 public:
  ChannelRing(int channels, int length)
      : channels_(channels), length_(length), store_(static_cast<size_t>(3 * channels) * length) {}

  // Channel c of memory row m (m >= 0).
  BYTE* At(int m, int c) { return &store_[(static_cast<size_t>(m % 3) * channels_ + c) * length_]; }

  // Whether memory row m must be split into its slot now; from here on the slot counts as m.
  bool Take(int m) {
    int& held = held_[m % 3];
    if (held == m) return false;
    held = m;
    return true;
  }

 private:
  int channels_, length_;
  int held_[3] = {-1, -1, -1};
  std::vector<BYTE> store_;
};

// Bytes 0, 1, 2 of the kStep-byte pixels a..b of a packed row, into c0, c1, c2 at a..b.
template <int kStep>
inline void SplitPixels(const BYTE* __restrict row, int a, int b, BYTE* __restrict c0, BYTE* __restrict c1,
                        BYTE* __restrict c2) {
  for (int x = a; x < b; ++x) {
    c0[x] = row[kStep * x];
    c1[x] = row[kStep * x + 1];
    c2[x] = row[kStep * x + 2];
  }
}

// Byte 0 of the kStep-byte pixels a..b of a packed row (the sample of an RGB or YUY2 pixel).
template <int kStep>
inline void SplitSamples(const BYTE* __restrict row, int a, int b, BYTE* __restrict out) {
  for (int x = a; x < b; ++x) out[x] = row[kStep * x];
}

// YUY2 pairs pa..pb: the Y of both pixels into y at 2p and 2p + 1, U and V into u, v at p.
inline void SplitPairs(const BYTE* __restrict row, int pa, int pb, BYTE* __restrict y, BYTE* __restrict u,
                       BYTE* __restrict v) {
  for (int p = pa; p < pb; ++p) {
    y[2 * p] = row[4 * p];
    u[p] = row[4 * p + 1];
    y[2 * p + 1] = row[4 * p + 2];
    v[p] = row[4 * p + 3];
  }
}

// RGB pixels a..b whose bytes 0, 1, 2 are not all equal.
inline void RgbColouredRow(const BYTE* __restrict c0, const BYTE* __restrict c1, const BYTE* __restrict c2, int a,
                           int b, BYTE* __restrict out) {
  for (int x = a; x < b; ++x) out[x] = ((c0[x] == c1[x]) & (c1[x] == c2[x])) ? 0 : 0xFF;
}

// Chroma samples a..b whose U and V both differ from 128.
inline void ChromaColouredRow(const BYTE* __restrict u, const BYTE* __restrict v, int a, int b, BYTE* __restrict out) {
  for (int x = a; x < b; ++x) out[x] = ((u[x] != 128) & (v[x] != 128)) ? 0xFF : 0;
}

// YUY2 pairs pa..pb of a packed row whose U and V both differ from 128.
inline void Yuy2ColouredPairs(const BYTE* __restrict row, int pa, int pb, BYTE* __restrict out) {
  for (int p = pa; p < pb; ++p) out[p] = ((row[4 * p + 1] != 128) & (row[4 * p + 3] != 128)) ? 0xFF : 0;
}

// Pixel columns a..b from chroma columns: out[x] = in[x / 2], masked by `odd` at odd x; with
// kOr the flags are added to those in `out`.
template <bool kOr>
inline void ExpandPairs(const BYTE* __restrict in, int a, int b, BYTE odd, BYTE* __restrict out) {
  auto put = [&](int x, BYTE v) { out[x] = kOr ? static_cast<BYTE>(out[x] | v) : v; };
  if (a >= b) return;
  if (a & 1) {
    put(a, static_cast<BYTE>(in[a / 2] & odd));
    ++a;
  }
  if ((b & 1) && b > a) {  // the last column is even: it starts a pair
    put(b - 1, in[(b - 1) / 2]);
    --b;
  }
  for (int p = a / 2; p < b / 2; ++p) {
    const BYTE v = in[p];
    put(2 * p, v);
    put(2 * p + 1, static_cast<BYTE>(v & odd));
  }
}

// flags[a..b] |= more[a..b].
inline void OrFlags(const BYTE* __restrict more, int a, int b, BYTE* __restrict flags) {
  for (int x = a; x < b; ++x) flags[x] |= more[x];
}

// The Prewitt and the Sobel gradients gx, gy on a 3x3 neighbourhood: u* the previous memory
// row, l/r the columns either side, d* the next memory row; each within +-1020, in 16 bits.
struct Gradient {
  int16_t gx, gy;
};
inline Gradient PrewittGradient(int ul, int u, int ur, int l, int r, int dl, int d, int dr) {
  return {static_cast<int16_t>((r + ur + dr) - (l + ul + dl)), static_cast<int16_t>((d + dl + dr) - (u + ul + ur))};
}
inline Gradient SobelGradient(int ul, int u, int ur, int l, int r, int dl, int d, int dr) {
  return {static_cast<int16_t>(2 * (r - l) + (ur + dr) - (ul + dl)),
          static_cast<int16_t>(2 * (d - u) + (dl + dr) - (ul + ur))};
}

// gx² + gy² of the Prewitt and the Sobel operator. Either row order gives the same value. At
// most 2 * 1020², far inside 32 bits.
inline int PrewittSquares(int ul, int u, int ur, int l, int r, int dl, int d, int dr) {
  const Gradient g = PrewittGradient(ul, u, ur, l, r, dl, d, dr);
  return g.gx * g.gx + g.gy * g.gy;
}
inline int SobelSquares(int ul, int u, int ur, int l, int r, int dl, int d, int dr) {
  const Gradient g = SobelGradient(ul, u, ur, l, r, dl, d, dr);
  return g.gx * g.gx + g.gy * g.gy;
}

// 0xFF when a² + b² > t2 = t * t, for 0 <= t <= 255 and |a|, |b| <= 1020, in 16-bit lanes: a side
// beyond t decides it alone; otherwise both squares are at most t2 <= 65025 and a² > t2 - b²
// is the same test without overflow. Sides beyond 255 are clamped first (they hit anyway), so
// their squares fit too.
inline BYTE SquaresExceed(int16_t a, int16_t b, uint16_t t, uint16_t t2) {
  const uint16_t aa = static_cast<uint16_t>(a < 0 ? -a : a), ab = static_cast<uint16_t>(b < 0 ? -b : b);
  const uint16_t ca = aa < 255 ? aa : 255, cb = ab < 255 ? ab : 255;
  const uint16_t sa = static_cast<uint16_t>(ca * ca), sb = static_cast<uint16_t>(cb * cb);
  return ((aa > t) | (ab > t) | (sa > static_cast<uint16_t>(t2 - sb))) ? 0xFF : 0;
}

// The integer part of the square root of 0 <= s <= 2 * 1020² (every sum of squares the 3x3
// operators give), exactly: a float estimate from the exponent (within 3.5%), one Newton step,
// which lands above the root by less than two, and a correction by up to two down or one up. The
// division is a vector instruction, where a library square root call would stop the vectoriser.
inline int FloorSqrt(int s) {
  const float f = static_cast<float>(s);
  int32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  bits = 0x1fbd1df5 + (bits >> 1);
  float y;
  std::memcpy(&y, &bits, sizeof y);
  y = 0.5f * (y + f / y);
  int r = static_cast<int>(y);
  r -= r * r > s;
  r -= r * r > s;
  r += (r + 1) * (r + 1) <= s;
  return r;
}

// v[a..b] into pixels a..b of an output row: every byte of an RGB pixel, the Y byte of a YUY2
// pixel with 128 in its chroma byte, the sample of a planar row.
template <PixelFormat F>
inline void WritePixels(const BYTE* __restrict v, int a, int b, BYTE* __restrict out) {
  if constexpr (F == PixelFormat::RGB32) {
    for (int x = a; x < b; ++x) {
      const uint32_t word = v[x] * 0x01010101u;
      std::memcpy(out + 4 * x, &word, 4);
    }
  } else if constexpr (F == PixelFormat::RGB24) {
    for (int x = a; x < b; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v[x];
  } else if constexpr (F == PixelFormat::YUY2) {
    for (int x = a; x < b; ++x) {
      out[2 * x] = v[x];
      out[2 * x + 1] = 128;
    }
  } else {
    if (a < b) std::memcpy(out + a, v + a, static_cast<size_t>(b - a));
  }
}

// YUY2: the chroma byte (2x + 1) of columns c0..c1 in the window's first and last rows, and in
// the rows between of the columns from c0 to the window's first and from its last to c1; with
// the window's inner pixels written by WritePixels this sets every chroma byte of columns c0..c1
// over the window's rows to 128.
inline void NeutralYuy2Border(const Plane& p, const PictureRect& w, int c0, int c1) {
  for (int y = w.y0; y < w.y1; ++y) {
    BYTE* row = p.Row(y);
    const bool whole = y == w.y0 || y == w.y1 - 1;
    const int left_end = whole ? c1 : w.x0 + 1;
    for (int x = c0; x < left_end; ++x) row[2 * x + 1] = 128;
    if (!whole)
      for (int x = w.x1 - 1; x < c1; ++x) row[2 * x + 1] = 128;
  }
}

}  // namespace tintara
