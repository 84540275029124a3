// Tinting rows of RGB24 and YUY2 bytes in byte lanes, for CrossFill and Inlay when the
// brightness rule is an offset (a shift, or st = 0). A filter turns its masks into a row of
// selections (SelectBytes), then the kernels tint the selected pixels from the source row into
// the output row; the clamp order is the only other thing the filters differ in.
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

// A row's selections in the row's own byte layout: sel[k] = 0xFF where select(a[k], b[k]) picks
// the samples of masks a and b, else 0, for `count` bytes. Only the bytes at a pixel's mask
// sample (its first byte, YUY2's Y bytes) count; the kernels below ignore the others. The masks
// come as plain pointers and `select` by value holding no pointers, so the compiler sees nothing
// the stores could change and vectorises.
template <typename Select>
inline void SelectBytes(const BYTE* __restrict a, const BYTE* __restrict b, BYTE* __restrict sel, int count,
                        const Select select) {
  for (int k = 0; k < count; ++k) sel[k] = static_cast<BYTE>(-static_cast<int>(select(a[k], b[k])));
}

// `count` bytes (whole pixels, at most a block's) from byte 0 of a pixel: each byte of a pixel
// whose selection is 0xFF becomes its tinted value, the others keep the source's. sel[-2],
// sel[-1], in[-2] and in[-1] must be readable, though no byte keeps them.
template <ClampOrder Order>
inline void TintRgb24Bytes(const BYTE* __restrict sel, const BYTE* __restrict in, BYTE* __restrict out, int count,
                           const Rgb24Lanes& t) {
  const BYTE st_up = t.st_up, st_down = t.st_down;
  for (int k = 0; k < count; ++k) {
    // The candidates are loaded here, from the restrict pointers themselves: through a helper
    // the compiler loses sight of them and no longer vectorises every copy of the loop.
    const BYTE c = t.channel[k];
    const BYTE e0 = sel[k], e1 = sel[k - 1], e2 = sel[k - 2];
    const BYTE s0 = in[k], s1 = in[k - 1], s2 = in[k - 2];
    const BYTE on = c == 0 ? e0 : c == 1 ? e1 : e2;
    BYTE first = c == 0 ? s0 : c == 1 ? s1 : s2;
    if constexpr (Order == ClampOrder::BrightnessFirst) first = AddClamped(first, st_up, st_down);
    out[k] = Select(on, AddClamped(first, t.up[k], t.down[k]), s0);
  }
}

// YUY2, on the bytes of whole pairs (Y0 U Y1 V): a Y byte takes its own selection and a chroma
// byte the OR of its pair's two (U at byte k: k - 1 and k + 1; V: k - 3 and k - 1); Y is painted
// as clamp(Y + st), chroma as U or V.
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

// The selections of a YUY2 row's Y bytes, its chroma bytes 0, as TintYuy2Bytes takes them: a
// block of `count` bytes (at most kBytes) from the first byte of a pair. Clearing the chroma
// bytes here, once, keeps the tint loop short.
template <typename Select>
inline void SelectYuy2Bytes(const BYTE* __restrict a, const BYTE* __restrict b, BYTE* __restrict sel, int count,
                            const Yuy2Lanes& t, const Select select) {
  for (int k = 0; k < count; ++k) sel[k] = static_cast<BYTE>(-static_cast<int>(select(a[k], b[k])) & t.luma[k]);
}

// `sel` (from SelectYuy2Bytes) is read from sel[-3] to sel[count]: the caller keeps zero bytes
// around a row's selections.
inline void TintYuy2Bytes(const BYTE* __restrict sel, const BYTE* __restrict in, BYTE* __restrict out, int count,
                          const Yuy2Lanes& t) {
  const BYTE up = t.up, down = t.down;
  for (int k = 0; k < count; ++k) {
    const BYTE on = static_cast<BYTE>(sel[k] | sel[k - 1] | (sel[k + 1] & t.u_lane[k]) | (sel[k - 3] & t.v_lane[k]));
    const BYTE v = in[k];
    const BYTE painted = static_cast<BYTE>((AddClamped(v, up, down) & t.luma[k]) | t.colour[k]);
    out[k] = Select(on, painted, v);
  }
}

}  // namespace tintara
