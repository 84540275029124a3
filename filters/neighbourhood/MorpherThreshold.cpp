// The operations that mark the brightness relief: each pixel of the window's inside is judged by
// its sample against the thresholds and against its four direct neighbours.
#include "filters/neighbourhood/MorpherWork.h"

namespace tintara::morpher {

namespace {

using Operation = Morpher::Operation;

// Valley: lower than both horizontal neighbours, a diagonal fall across the pixel, or a pixel
// both of whose vertical neighbours are lower. Ridge: the same with every comparison reversed.
inline bool Valley(int P, int N, int S, int W, int E) {
  return (P < W && P < E) || (N < W && S < E) || (N < E && S < W) || (N < P && S < P);
}
inline bool Ridge(int P, int N, int S, int W, int E) {
  return (P > W && P > E) || (N > W && S > E) || (N > E && S > W) || (N > P && S > P);
}

template <Operation Op>
bool Marks(int P, int N, int S, int W, int E, int lt, int ut) {
  const bool in_range = lt <= P && P <= ut;
  if constexpr (Op == Operation::Vale) return in_range && Valley(P, N, S, W, E);
  if constexpr (Op == Operation::Ridge) return in_range && Ridge(P, N, S, W, E);
  if constexpr (Op == Operation::Rorv) return in_range && (Valley(P, N, S, W, E) || Ridge(P, N, S, W, E));
  if constexpr (Op == Operation::Flood) return P <= lt || Valley(P, N, S, W, E);
  if constexpr (Op == Operation::Drain) return P >= ut || Ridge(P, N, S, W, E);
  if constexpr (Op == Operation::Ford) return in_range && !Valley(P, N, S, W, E) && !Ridge(P, N, S, W, E);
  return false;
}

// Rows ty+1 .. by-2 and columns lx+1 .. rx-2 get the mark or background value (every byte of an
// RGB pixel, the sample of a YUV one); then the outline, and on YUV neutral chroma.
template <PixelFormat F, Operation Op>
void ReliefIn(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job) {
  constexpr int step = BytesPerPixel(F);
  const Window& w = job.w;
  const ConstPlane sp = ReadPlane(src);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  for (int y = w.ty + 1; y <= w.by - 2; ++y) {
    const BYTE* n = PictureRow<F>(sp, y - 1) + (w.lx + 1) * step;
    const BYTE* p = PictureRow<F>(sp, y) + (w.lx + 1) * step;
    const BYTE* s = PictureRow<F>(sp, y + 1) + (w.lx + 1) * step;
    BYTE* d = PictureRow<F>(o.y, y) + (w.lx + 1) * step;
    for (int x = w.lx + 1; x <= w.rx - 2; ++x, n += step, p += step, s += step, d += step) {
      const BYTE v = Marks<Op>(p[0], n[0], s[0], p[-step], p[step], job.lt, job.ut) ? job.markval : job.backval;
      if constexpr (IsRGB(F)) {
        for (int b = 0; b < step; ++b) d[b] = v;
      } else {
        d[0] = v;
      }
    }
  }
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
