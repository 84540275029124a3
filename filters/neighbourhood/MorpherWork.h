// Morpher's per-frame work, shared by its source files: the frame's window and thresholds, the
// per-format kernels' row access, and the two finishing steps (grey-out and outline).
#pragma once

#include <cstring>
#include <initializer_list>
#include <vector>

#include "filters/common/ForFormat.h"
#include "filters/common/Format.h"
#include "filters/common/Motion.h"
#include "filters/common/SampleRows.h"
#include "filters/common/Vectorised.h"
#include "filters/neighbourhood/Morpher.h"

namespace tintara::morpher {

// What one output frame is made with: the window and thresholds at this frame.
struct FrameJob {
  PixelFormat format = PixelFormat::YV12;
  Window w;  // inclusive; at least three pixels wide and high, inside the frame
  int lt = 0, ut = 255;
  BYTE markval = 255, backval = 0;
};

// Picture row y of the plane holding the samples (RGB rows are stored bottom-up).
template <PixelFormat F, typename Byte>
Byte* PictureRow(const PlaneOf<Byte>& p, int y) {
  return p.Row(MemoryRow(F, p.height, y));
}

// Grey-out of [x0, x1) x [y0, y1): RGB copies the sample into green and red (the fourth byte of
// RGB32 stays), YUY2 sets each pixel's own chroma byte to 128 (so an odd edge greys half a pair),
// planar sets U and V to 128 at chroma positions x0/2 .. x1/2-1, y0/2 .. y1/2-1.
template <int Step>
inline void GreyRgbRow(BYTE* __restrict p, int count) {
  for (int i = 0; i < count; ++i) p[i * Step + 1] = p[i * Step + 2] = p[i * Step];
}

inline void NeutralYuy2Row(BYTE* __restrict p, int count) {
  for (int i = 0; i < count; ++i) p[2 * i] = 128;
}

template <PixelFormat F>
void GreyOut(const FramePlanes<BYTE>& o, int x0, int x1, int y0, int y1) {
  constexpr int step = BytesPerPixel(F);
  if constexpr (IsRGB(F)) {
    Vectorised([&] {
      for (int y = y0; y < y1; ++y) GreyRgbRow<step>(PictureRow<F>(o.y, y) + x0 * step, x1 - x0);
    });
  } else if constexpr (F == PixelFormat::YUY2) {
    Vectorised([&] {
      for (int y = y0; y < y1; ++y) NeutralYuy2Row(o.y.Row(y) + x0 * 2 + 1, x1 - x0);
    });
  } else {
    const size_t count = static_cast<size_t>(x1 / 2 - x0 / 2);
    for (int cy = y0 / 2; cy < y1 / 2; ++cy) {
      std::memset(o.u.Row(cy) + x0 / 2, 128, count);
      std::memset(o.v.Row(cy) + x0 / 2, 128, count);
    }
  }
}

// The outline of [lx, rx) x [ty, by): sample 128 on rows ty and by-1 and columns lx and rx-1.
template <PixelFormat F>
void Outline(const Plane& p, const Window& w) {
  constexpr int step = BytesPerPixel(F);
  for (int y : {w.ty, w.by - 1}) {
    BYTE* s = PictureRow<F>(p, y) + w.lx * step;
    for (int x = w.lx; x < w.rx; ++x, s += step) *s = 128;
  }
  for (int y = w.ty; y < w.by; ++y) {
    BYTE* row = PictureRow<F>(p, y);
    row[w.lx * step] = 128;
    row[(w.rx - 1) * step] = 128;
  }
}

// Calls row(y, up, mid, down) for picture rows y = ty+1 .. by-2 with the samples of columns
// lx .. rx-1 of rows y-1, y and y+1 gathered into contiguous rows (column x at x - lx): each
// row is gathered once, into a ring of three.
template <PixelFormat F, typename RowFn>
void ForInnerRows(const ConstPlane& sp, const Window& w, const RowFn& row) {
  constexpr int step = BytesPerPixel(F);
  const int width = w.rx - w.lx;
  if (width < 3 || w.by - w.ty < 3) return;
  const size_t row_bytes = static_cast<size_t>(width);
  std::vector<BYTE> rows(row_bytes * 3);
  auto ring = [&](int y) { return rows.data() + (y % 3) * row_bytes; };
  Vectorised([&] {
    for (int y = w.ty; y <= w.by - 1; ++y) {
      GatherSamples<step>(PictureRow<F>(sp, y) + w.lx * step, ring(y), width);
      if (y >= w.ty + 2) row(y - 1, ring(y - 2), ring(y - 1), ring(y));
    }
  });
}

// The operations. Those given `out` write a new frame that starts as a copy of `src`; those
// given `frame` change it in place (it must be writable).
void ErodeOrDilate(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, int value);
void CloseOrOpen(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, int first, int second);
void Thin(const PVideoFrame& frame, const FrameJob& job);
void IsolatedDots(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, bool salt);
void Relief(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, Morpher::Operation operation);

}  // namespace tintara::morpher
