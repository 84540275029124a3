// The operations on the mask itself: erosion and dilation, their two combinations, thinning,
// and the removal of isolated dots and holes.
#include <cstring>

#include "filters/common/Vectorised.h"
#include "filters/neighbourhood/MorpherWork.h"

namespace tintara {

namespace {

// One row of the inside of the rectangle: a pixel keeps `value` only when it holds it and none
// of its eight neighbours holds `other`. Written without branches on pointers that cannot alias
// (the passes never work in place), so the compiler vectorises it.
template <int Step>
inline void ErodeRow(const BYTE* __restrict up, const BYTE* __restrict mid, const BYTE* __restrict down,
                     BYTE* __restrict out, int count, BYTE value, BYTE other) {
  for (int i = 0; i < count; ++i) {
    const int a = i * Step, b = a + Step, c = b + Step;  // columns i-1, i, i+1 of the row
    const bool touched = (up[a] == other) | (up[b] == other) | (up[c] == other) | (mid[a] == other) |
                         (mid[c] == other) | (down[a] == other) | (down[b] == other) | (down[c] == other);
    out[b] = ((mid[b] != value) | touched) ? other : value;
  }
}

template <int Step>
void ErodeRectangle(const BYTE* src, BYTE* dst, int src_pitch, int dst_pitch, int width, int height, BYTE value) {
  const BYTE other = value == 255 ? 0 : 255;
  for (int j = 0; j < height; ++j) {
    BYTE* row = dst + static_cast<long>(j) * dst_pitch;
    row[0] = 128;
    row[(width - 1) * Step] = 128;
  }
  BYTE* first = dst;
  BYTE* last = dst + static_cast<long>(height - 1) * dst_pitch;
  for (int i = 0; i < width; ++i, first += Step, last += Step) *first = *last = 128;

  Vectorised([&] {
    for (int j = 1; j < height - 1; ++j) {
      const BYTE* up = src + static_cast<long>(j - 1) * src_pitch;
      ErodeRow<Step>(up, up + src_pitch, up + 2 * static_cast<long>(src_pitch),
                     dst + static_cast<long>(j) * dst_pitch, width - 2, value, other);
    }
  });
}

}  // namespace

void Morpher::ErodePass(const BYTE* src, BYTE* dst, int src_pitch, int dst_pitch, int width, int height, int step,
                        int value) {
  const BYTE v = static_cast<BYTE>(value);
  switch (step) {
    case 4: ErodeRectangle<4>(src, dst, src_pitch, dst_pitch, width, height, v); break;
    case 3: ErodeRectangle<3>(src, dst, src_pitch, dst_pitch, width, height, v); break;
    case 2: ErodeRectangle<2>(src, dst, src_pitch, dst_pitch, width, height, v); break;
    default: ErodeRectangle<1>(src, dst, src_pitch, dst_pitch, width, height, v); break;
  }
}

namespace morpher {

namespace {

// The rectangle of the erosion passes: the window with its edges included, addressed from its
// first byte in memory (for RGB that is picture row by, the pass treating rows alike).
template <PixelFormat F, typename Byte>
Byte* RectangleStart(const PlaneOf<Byte>& p, const Window& w) {
  const int first_row = IsRGB(F) ? MemoryRow(F, p.height, w.by) : w.ty;
  return p.Row(first_row) + w.lx * BytesPerPixel(F);
}

template <PixelFormat F>
void ErodeOrDilateIn(const PVideoFrame& out, const PVideoFrame& src, const Window& w, int value) {
  constexpr int step = BytesPerPixel(F);
  const ConstPlane s = ReadPlane(src);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  Morpher::ErodePass(RectangleStart<F>(s, w), RectangleStart<F>(o.y, w), s.pitch, o.y.pitch, w.rx - w.lx + 1,
                     w.by - w.ty + 1, step, value);
  GreyOut<F>(o, w.lx, w.rx, w.ty, w.by);
  // Row by and column rx of the rectangle show the source again (chroma there was not touched).
  std::memcpy(PictureRow<F>(o.y, w.by) + w.lx * step, PictureRow<F>(s, w.by) + w.lx * step,
              static_cast<size_t>((w.rx - w.lx + 1) * step));
  for (int y = w.ty; y < w.by; ++y)
    std::memcpy(PictureRow<F>(o.y, y) + w.rx * step, PictureRow<F>(s, y) + w.rx * step, step);
}

template <PixelFormat F>
void CloseOrOpenIn(const PVideoFrame& frame, const PVideoFrame& scratch, const Window& w, int first, int second) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<BYTE> f = WritePlanes(frame, F);
  const Plane t = WritePlane(scratch);
  const int width = w.rx - w.lx + 1, height = w.by - w.ty + 1;
  BYTE* in_frame = RectangleStart<F>(f.y, w);
  BYTE* in_scratch = RectangleStart<F>(t, w);
  Morpher::ErodePass(in_frame, in_scratch, f.y.pitch, t.pitch, width, height, step, first);
  Morpher::ErodePass(in_scratch, in_frame, t.pitch, f.y.pitch, width, height, step, second);
  GreyOut<F>(f, w.lx, w.rx, w.ty, w.by);
}

// Six passes in place, each seeing the changes it has already made: a mark pixel on the mask's
// edge turns to background unless it is an end point or joins two parts of the mask.
template <PixelFormat F>
void ThinIn(const PVideoFrame& frame, const Window& w, BYTE mark, BYTE back) {
  constexpr int step = BytesPerPixel(F);
  const FramePlanes<BYTE> f = WritePlanes(frame, F);
  for (int pass = 0; pass < 6; ++pass) {
    for (int y = w.ty + 1; y < w.by; ++y) {
      const BYTE* n = PictureRow<F>(f.y, y - 1) + (w.lx + 1) * step;
      BYTE* p = PictureRow<F>(f.y, y) + (w.lx + 1) * step;
      const BYTE* s = PictureRow<F>(f.y, y + 1) + (w.lx + 1) * step;
      for (int x = w.lx + 1; x < w.rx; ++x, n += step, p += step, s += step) {
        if (*p != mark) continue;
        const bool N = n[0] == mark, NE = n[step] == mark, E = p[step] == mark, SE = s[step] == mark;
        const bool S = s[0] == mark, SW = s[-step] == mark, W = p[-step] == mark, NW = n[-step] == mark;
        const bool bN = n[0] == back, bNE = n[step] == back, bE = p[step] == back, bSE = s[step] == back;
        const bool bS = s[0] == back, bSW = s[-step] == back, bW = p[-step] == back, bNW = n[-step] == back;
        if (!(bN || bS || bW || bE)) continue;
        if (N + NE + E + SE + S + SW + W + NW < 2) continue;
        const int joins = (NW && bN) + (N && bNE && bE) + (NE && bE) + (E && bSE && bS) + (SE && bS) +
                          (S && bSW && bW) + (SW && bW) + (W && bNW && bN);
        if (joins < 2) *p = back;
      }
    }
  }
  GreyOut<F>(f, w.lx, w.rx, w.ty, w.by);
  Outline<F>(f.y, w);
}

// A pixel's code weighs its raw sample and its neighbours' by powers of two: 255 is a 255 dot
// on 0, 130050 a 0 hole in 255.
template <PixelFormat F>
void IsolatedDotsIn(const PVideoFrame& out, const PVideoFrame& src, const Window& w, bool salt) {
  constexpr int step = BytesPerPixel(F);
  const ConstPlane sp = ReadPlane(src);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  for (int y = w.ty + 1; y <= w.by - 2; ++y) {
    const BYTE* n = PictureRow<F>(sp, y - 1) + (w.lx + 1) * step;
    const BYTE* p = PictureRow<F>(sp, y) + (w.lx + 1) * step;
    const BYTE* s = PictureRow<F>(sp, y + 1) + (w.lx + 1) * step;
    BYTE* d = PictureRow<F>(o.y, y) + (w.lx + 1) * step;
    for (int x = w.lx + 1; x <= w.rx - 2; ++x, n += step, p += step, s += step, d += step) {
      const int code = p[0] + 2 * p[step] + 4 * n[step] + 8 * n[0] + 16 * n[-step] + 32 * p[-step] +
                       64 * s[-step] + 128 * s[0] + 256 * s[step];
      BYTE v = p[0];
      if (salt && code == 255) v = 0;
      if (!salt && code == 130050) v = 255;
      if constexpr (IsRGB(F)) {
        d[0] = d[1] = d[2] = v;
      } else {
        d[0] = v;
      }
    }
  }
  Outline<F>(o.y, w);
  if constexpr (!IsRGB(F)) GreyOut<F>(o, w.lx, w.rx, w.ty, w.by);
}

}  // namespace

void ErodeOrDilate(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, int value) {
  CopyFrame(out, src, job.format);
  ForFormat(job.format, [&](auto f) { ErodeOrDilateIn<f.value>(out, src, job.w, value); });
}

void CloseOrOpen(const PVideoFrame& frame, const PVideoFrame& scratch, const FrameJob& job, int first, int second) {
  ForFormat(job.format, [&](auto f) { CloseOrOpenIn<f.value>(frame, scratch, job.w, first, second); });
}

void Thin(const PVideoFrame& frame, const FrameJob& job) {
  ForFormat(job.format, [&](auto f) { ThinIn<f.value>(frame, job.w, job.markval, job.backval); });
}

void IsolatedDots(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, bool salt) {
  CopyFrame(out, src, job.format);
  ForFormat(job.format, [&](auto f) { IsolatedDotsIn<f.value>(out, src, job.w, salt); });
}

}  // namespace morpher

}  // namespace tintara
