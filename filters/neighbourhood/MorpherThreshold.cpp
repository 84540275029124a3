// The operations that mark the brightness relief: each pixel of the window's inside is judged by
// its sample against the thresholds and against its four direct neighbours.
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/SampleRows.h"
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

// One row of marks for samples 1..count of `mid` (gathered rows, the window's columns lx..rx-1).
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

// Rows ty+1 .. by-2 and columns lx+1 .. rx-2 get the mark or background value (every byte of an
// RGB pixel, the sample of a YUV one); then the outline, and on YUV neutral chroma.
template <PixelFormat F, Operation Op>
void ReliefIn(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  constexpr int step = BytesPerPixel(F);
  const Window& w = job.w;
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const int count = w.rx - w.lx - 2;
  std::vector<BYTE> marks(static_cast<size_t>(count > 0 ? count : 1));
  const int16_t lt = ThresholdForSamples(job.lt), ut = ThresholdForSamples(job.ut);
  ForInnerRows<F>(ReadPlane(src), w, [&](int y, const BYTE* up, const BYTE* mid, const BYTE* down) {
    MarkRow<Op>(up, mid, down, marks.data(), count, lt, ut, job.markval, job.backval);
    PutMarks<F>(marks.data(), PictureRow<F>(o.y, y) + (w.lx + 1) * step, count);
  });
  Outline<F>(o.y, w);
  if constexpr (!IsRGB(F)) GreyOut<F>(o, w.lx, w.rx, w.ty, w.by);
}

template <Operation Op>
void ReliefFor(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  ForFormat(job.format, [&](auto f) { ReliefIn<f.value, Op>(out, src, job); });
}

}  // namespace

void Relief(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, Operation operation) {
  CopyFrame(out, src, job.format);
  switch (operation) {
    case Operation::Vale: ReliefFor<Operation::Vale>(out, src, job); break;
    case Operation::Ridge: ReliefFor<Operation::Ridge>(out, src, job); break;
    case Operation::Rorv: ReliefFor<Operation::Rorv>(out, src, job); break;
    case Operation::Flood: ReliefFor<Operation::Flood>(out, src, job); break;
    case Operation::Drain: ReliefFor<Operation::Drain>(out, src, job); break;
    default: ReliefFor<Operation::Ford>(out, src, job); break;
  }
}

}  // namespace tintara::morpher
