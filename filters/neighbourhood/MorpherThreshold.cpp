// The operations that mark the brightness relief: each pixel of the window's inside is judged by
// its sample against the thresholds and against its four direct neighbours.
#include <cstdint>
#include <cstring>

#include "filters/common/ForFormat.h"
#include "filters/common/SampleRows.h"
#include "filters/common/Vectorised.h"
#include "filters/neighbourhood/MorpherWork.h"

namespace tintara::morpher {

namespace {

using Operation = Morpher::Operation;

// Valley: lower than both horizontal neighbours, a diagonal fall across the pixel, or a pixel
// both of whose vertical neighbours are lower. Ridge: the same with every comparison reversed.
// Written with bitwise operators on 16-bit samples so a row of pixels is judged in vectors.
inline bool Valley(int16_t P, int16_t N, int16_t S, int16_t W, int16_t E) {
  return ((P < W) & (P < E)) | ((N < W) & (S < E)) | ((N < E) & (S < W)) | ((N < P) & (S < P));
}
inline bool Ridge(int16_t P, int16_t N, int16_t S, int16_t W, int16_t E) {
  return ((P > W) & (P > E)) | ((N > W) & (S > E)) | ((N > E) & (S > W)) | ((N > P) & (S > P));
}

// The thresholds held to -1 .. 256 compare with samples of 0 .. 255 as the whole values do.
inline int16_t ThresholdForSamples(int t) { return static_cast<int16_t>(t < -1 ? -1 : t > 256 ? 256 : t); }

template <Operation Op>
bool Marks(int16_t P, int16_t N, int16_t S, int16_t W, int16_t E, int16_t lt, int16_t ut) {
  const bool in_range = (lt <= P) & (P <= ut);
  const bool V = Valley(P, N, S, W, E), R = Ridge(P, N, S, W, E);  // the one not used is dropped
  if constexpr (Op == Operation::Vale) return in_range & V;
  if constexpr (Op == Operation::Ridge) return in_range & R;
  if constexpr (Op == Operation::Rorv) return in_range & (V | R);
  if constexpr (Op == Operation::Flood) return (P <= lt) | V;
  if constexpr (Op == Operation::Drain) return (P >= ut) | R;
  if constexpr (Op == Operation::Ford) return in_range & !V & !R;
  return false;
}

// One row of marks for samples 1..count of `mid` (gathered rows, the drawn rectangle's columns).
template <Operation Op>
inline void MarkRow(const BYTE* __restrict up, const BYTE* __restrict mid, const BYTE* __restrict down,
                    BYTE* __restrict out, int count, int16_t lt, int16_t ut, BYTE mark, BYTE back) {
  for (int i = 0; i < count; ++i)
    out[i] = Marks<Op>(mid[i + 1], up[i + 1], down[i + 1], mid[i], mid[i + 2], lt, ut) ? mark : back;
}

// A row of marks into the frame: every byte of an RGB pixel, the sample of a YUV one.
template <PixelFormat F>
inline void PutMarks(const BYTE* __restrict marks, BYTE* __restrict dst, int count) {
  if constexpr (F == PixelFormat::RGB32) {
    for (int i = 0; i < count; ++i) {
      const uint32_t pixel = marks[i] * 0x01010101u;
      std::memcpy(dst + 4 * i, &pixel, 4);
    }
  } else if constexpr (F == PixelFormat::RGB24) {
    PutGreyRgb<3>(marks, dst, count);
  } else {
    ScatterSamples<BytesPerPixel(F)>(marks, dst, count);
  }
}

// The inside of the drawn rectangle gets the mark or background value (every byte of an RGB
// pixel, the sample of a YUV one).
template <PixelFormat F, Operation Op>
void Relief(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  const int16_t lt = ThresholdForSamples(job.lt), ut = ThresholdForSamples(job.ut);
  RemakeInside<F>(
      out, src, job,
      [&](const BYTE* up, const BYTE* mid, const BYTE* down, BYTE* marks, int count) {
        MarkRow<Op>(up, mid, down, marks, count, lt, ut, job.mark, job.back);
      },
      PutMarks<F>);
}

template <Operation Op>
Routine ReliefFor(PixelFormat format) {
  return ChooseForFormat(format, [](auto f) { return ForLevel<&Relief<decltype(f)::value, Op>>(); });
}

}  // namespace

Routine ReliefRoutine(PixelFormat format, Operation operation) {
  switch (operation) {
    case Operation::Vale: return ReliefFor<Operation::Vale>(format);
    case Operation::Ridge: return ReliefFor<Operation::Ridge>(format);
    case Operation::Rorv: return ReliefFor<Operation::Rorv>(format);
    case Operation::Flood: return ReliefFor<Operation::Flood>(format);
    case Operation::Drain: return ReliefFor<Operation::Drain>(format);
    default: return ReliefFor<Operation::Ford>(format);
  }
}

}  // namespace tintara::morpher
