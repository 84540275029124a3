// Tinting, shared by the seeded filters, CrossFill and Inlay: a script colour 0xRRGGBB becomes a
// chroma pair and, for RGB clips, three offsets added to a pixel's brightness; the brightness
// itself may be shifted or stretched first (`shift`, `st`). Where the sums are clamped is the
// one thing the filters differ in (ClampOrder).
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/avisynth.h"

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
          static_cast<BYTE>(Y),   static_cast<BYTE>(f.U), static_cast<BYTE>(f.V)};
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

// Where an RGB tint clamps. The seeded filters and CrossFill add the channel's offset to the
// adjusted brightness and clamp the sum once; Inlay clamps the adjusted brightness to 0..255
// first and the sum with the offset again.
enum class ClampOrder { Once, BrightnessFirst };

// The arithmetic of a tint for the pixel loops: the level a brightness byte gives (the value the
// channel offsets are added to), the luma byte a YUV pixel keeps, and a channel's byte. Offset:
// the brightness rule is the byte plus `st` (a shift within +-1024, or st = 0), worked out so the
// loops vectorise; else the brightness table is looked up. 16-bit values: every sum fits, and
// the compiler keeps 16-bit lanes rather than 32-bit ones.
template <ClampOrder Order, bool Offset>
struct TintLevels {
  const Brightness* table;
  int16_t st;  // Offset only

  explicit TintLevels(const Brightness& b) : table(&b), st(static_cast<int16_t>(Offset ? b.Offset() : 0)) {}

  template <typename Lane = int16_t>
  Lane Level(BYTE n) const {
    if constexpr (Offset) {
      const Lane sum = static_cast<Lane>(n + st);
      return Order == ClampOrder::Once ? sum : std::clamp<Lane>(sum, 0, 255);
    } else {
      return static_cast<Lane>(Order == ClampOrder::Once ? table->Level(n) : table->Stored(n));
    }
  }
  // Lane: the width the sum is worked in; loops over 32-bit pixel words keep 32-bit lanes.
  template <typename Lane = int16_t>
  BYTE Luma(BYTE n) const {
    return Offset ? static_cast<BYTE>(std::clamp<Lane>(static_cast<Lane>(n + st), 0, 255)) : table->Stored(n);
  }
  template <typename Lane = int16_t>
  static BYTE Channel(Lane level, Lane k) {
    return static_cast<BYTE>(std::clamp<Lane>(static_cast<Lane>(level + k), 0, 255));
  }
};

}  // namespace tintara
