// Rows of samples that lie `Step` bytes apart in a frame (an RGB channel, YUY2 luma or one
// chroma of its pairs) copied into and out of contiguous row buffers, so the neighbourhood
// kernels run on plain byte rows whatever the layout. Written as loops the compiler vectorises
// (strided loads and stores become shuffles once per row, not once per neighbour).
#pragma once

#include <cstdint>
#include <cstring>

#include "host/avisynth.h"

namespace tintara {

// dst[i] = src[i * Step] for i < count.
template <int Step>
inline void GatherSamples(const BYTE* __restrict src, BYTE* __restrict dst, int count) {
  if constexpr (Step == 1) {
    if (count > 0) std::memcpy(dst, src, static_cast<size_t>(count));
  } else {
    for (int i = 0; i < count; ++i) dst[i] = src[i * Step];
  }
}

// dst[i * Step] = src[i] for i < count; the bytes between stay.
template <int Step>
inline void ScatterSamples(const BYTE* __restrict src, BYTE* __restrict dst, int count) {
  if constexpr (Step == 1) {
    if (count > 0) std::memcpy(dst, src, static_cast<size_t>(count));
  } else {
    for (int i = 0; i < count; ++i) dst[i * Step] = src[i];
  }
}

// A grey RGB row: bytes 0, 1 and 2 of each pixel take src[i]; the fourth byte of RGB32 stays.
// RGB32 goes through whole little-endian pixels (x86-64), which the compiler vectorises where
// three byte stores out of four it does not.
template <int Step>
inline void PutGreyRgb(const BYTE* __restrict src, BYTE* __restrict dst, int count) {
  static_assert(Step == 3 || Step == 4, "RGB pixels are 3 or 4 bytes");
  if constexpr (Step == 3) {
    for (int i = 0; i < count; ++i) dst[3 * i] = dst[3 * i + 1] = dst[3 * i + 2] = src[i];
  } else {
    for (int i = 0; i < count; ++i) {
      uint32_t pixel;
      std::memcpy(&pixel, dst + 4 * i, 4);
      pixel = (pixel & 0xFF000000u) | (src[i] * 0x010101u);
      std::memcpy(dst + 4 * i, &pixel, 4);
    }
  }
}

// The same into a row not yet written: the fourth byte of RGB32 comes from `pixels`.
template <int Step>
inline void PutGreyRgbFrom(const BYTE* __restrict src, const BYTE* __restrict pixels, BYTE* __restrict dst, int count) {
  static_assert(Step == 3 || Step == 4, "RGB pixels are 3 or 4 bytes");
  if constexpr (Step == 3) {
    PutGreyRgb<3>(src, dst, count);
  } else {
    for (int i = 0; i < count; ++i) {
      uint32_t pixel;
      std::memcpy(&pixel, pixels + 4 * i, 4);
      pixel = (pixel & 0xFF000000u) | (src[i] * 0x010101u);
      std::memcpy(dst + 4 * i, &pixel, 4);
    }
  }
}

// A YUY2 row whose luma takes src[i] and whose chroma bytes (each pixel's own) become 128.
inline void PutNeutralYuy2(const BYTE* __restrict src, BYTE* __restrict dst, int count) {
  for (int i = 0; i < count; ++i) {
    dst[2 * i] = src[i];
    dst[2 * i + 1] = 128;
  }
}

}  // namespace tintara
