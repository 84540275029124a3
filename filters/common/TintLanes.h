// Tinting runs of RGB24 and YUY2 bytes in byte lanes, for CrossFill and Inlay when the
// brightness rule is an offset (a shift, or st = 0). The filters differ only in how a pixel is
// selected (their masks) and in the clamp order; the arithmetic lives here once.
//
// Working on bytes rather than on 3-byte pixels or 4-byte pairs lets the loops run in byte
// lanes without shuffles. Sums are clamped with saturating adds and subtracts (AddClamped).
#pragma once

#include <algorithm>

#include "filters/common/Blocks.h"
#include "filters/common/ByteLanes.h"
#include "filters/common/Tint.h"

namespace tintara {

// RGB24: byte k of a block belongs to channel k % 3 of its pixel, whose first byte (the mask
// samples and the brightness) is k - k % 3. A byte reads the three candidates k, k - 1 and
// k - 2 and keeps the one its channel names.
struct Rgb24Lanes {
  static constexpr int kBytes = 3 * kBlock;
  BYTE channel[kBytes], up[kBytes], down[kBytes];
  BYTE st_up = 0, st_down = 0;  // the brightness offset, clamped on its own (BrightnessFirst)

  Rgb24Lanes(ClampOrder order, int st, int kV, int kG, int kU) {
    const bool first = order == ClampOrder::BrightnessFirst;
    if (first) {
      st_up = static_cast<BYTE>(std::clamp(st, 0, 255));
      st_down = static_cast<BYTE>(std::clamp(-st, 0, 255));
    }
    const int k[3] = {kV, kG, kU};
    for (int i = 0; i < kBytes; ++i) {
      const int d = (first ? 0 : st) + k[i % 3];
      channel[i] = static_cast<BYTE>(i % 3);
      up[i] = static_cast<BYTE>(std::clamp(d, 0, 255));
      down[i] = static_cast<BYTE>(std::clamp(-d, 0, 255));
    }
  }
};

// `count` bytes (whole pixels, at most a block's) from byte 0 of a pixel: each byte of a pixel
// that select(a, b) picks, given the pixel's samples of masks a and b, becomes its tinted value,
// the others keep the source's. a[-2], a[-1] (and the same before b and in) must lie in the
// frame, though no byte keeps them. The masks come as plain pointers and `select` by value
// holding no pointers, so the compiler sees nothing the stores could change and vectorises.
template <ClampOrder Order, typename Select>
inline void TintRgb24Bytes(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict in,
                           BYTE* __restrict out, int count, const Rgb24Lanes& t, const Select select) {
  const BYTE st_up = t.st_up, st_down = t.st_down;
  for (int k = 0; k < count; ++k) {
    // The candidates are loaded here, from the restrict pointers themselves: through a helper
    // the compiler loses sight of them and no longer vectorises every copy of the loop.
    const BYTE c = t.channel[k];
    const BYTE a0 = a[k], a1 = a[k - 1], a2 = a[k - 2];
    const BYTE b0 = b[k], b1 = b[k - 1], b2 = b[k - 2];
    const BYTE s0 = in[k], s1 = in[k - 1], s2 = in[k - 2];
    const BYTE av = c == 0 ? a0 : c == 1 ? a1 : a2;
    const BYTE bv = c == 0 ? b0 : c == 1 ? b1 : b2;
    BYTE first = c == 0 ? s0 : c == 1 ? s1 : s2;
    if constexpr (Order == ClampOrder::BrightnessFirst) first = AddClamped(first, st_up, st_down);
    out[k] = Pick(select(av, bv), AddClamped(first, t.up[k], t.down[k]), s0);
  }
}

// YUY2, on the bytes of whole pairs (Y0 U Y1 V). A first pass writes each Y byte's selection
// into a row `sel` (0xFF or 0; 0 at the chroma bytes); the second gives a Y byte its own
// selection and a chroma byte the OR of its pair's two (U at byte k: k - 1 and k + 1; V: k - 3
// and k - 1), and paints Y as clamp(Y + st) and chroma as U or V.
struct Yuy2Lanes {
  static constexpr int kBytes = 4 * kBlock;
  BYTE luma[kBytes], u_lane[kBytes], v_lane[kBytes], colour[kBytes];
  BYTE up, down;

  Yuy2Lanes(int st, int U, int V)
      : up(static_cast<BYTE>(std::clamp(st, 0, 255))), down(static_cast<BYTE>(std::clamp(-st, 0, 255))) {
    for (int i = 0; i < kBytes; ++i) {
      luma[i] = i % 2 == 0 ? 0xFF : 0;
      u_lane[i] = i % 4 == 1 ? 0xFF : 0;
      v_lane[i] = i % 4 == 3 ? 0xFF : 0;
      colour[i] = static_cast<BYTE>(i % 4 == 1 ? U : i % 4 == 3 ? V : 0);
    }
  }
};

// sel[k] for `count` bytes: 0xFF at a Y byte whose samples of masks a and b select(a, b) picks,
// else 0.
template <typename Select>
inline void SelectYuy2Bytes(const BYTE* __restrict a, const BYTE* __restrict b, BYTE* __restrict sel, int count,
                            const Yuy2Lanes& t, const Select select) {
  for (int k = 0; k < count; ++k) sel[k] = static_cast<BYTE>(-static_cast<int>(select(a[k], b[k])) & t.luma[k]);
}

// `sel` is read from sel[-3] to sel[count]: the caller keeps zeros around a row's selections.
inline void TintYuy2Bytes(const BYTE* __restrict sel, const BYTE* __restrict in, BYTE* __restrict out, int count,
                          const Yuy2Lanes& t) {
  const BYTE up = t.up, down = t.down;
  for (int k = 0; k < count; ++k) {
    const BYTE on = static_cast<BYTE>(sel[k] | sel[k - 1] | (sel[k + 1] & t.u_lane[k]) | (sel[k - 3] & t.v_lane[k]));
    const BYTE v = in[k];
    const BYTE painted = static_cast<BYTE>((AddClamped(v, up, down) & t.luma[k]) | t.colour[k]);
    out[k] = static_cast<BYTE>((painted & on) | (v & ~on));
  }
}

}  // namespace tintara
