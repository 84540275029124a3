// Morpher's per-frame work, shared by its source files: the frame's window and thresholds, the
// routines' type, the two finishing steps (grey-out and outline) and the frame made by the
// operations on the window's inside.
#pragma once

#include <cstring>
#include <initializer_list>
#include <vector>

#include "filters/common/Format.h"
#include "filters/common/Geometry.h"
#include "filters/common/SampleRows.h"
#include "filters/neighbourhood/Morpher.h"

namespace tintara::morpher {

// What one output frame is made with: the window and thresholds at this frame. Routines copy
// what their loops use, as byte stores into a frame could be taken to change a job they reach
// through a reference.
struct FrameJob {
  // The script's window at this frame, at least three pixels wide and high and inside the frame.
  PictureRect window;
  int lt = 0, ut = 255;
  // The kept and the other value: mark and background, exchanged for dilate and open (which
  // erode and close the background).
  BYTE mark = 255, back = 0;

  // What the operations write: the window less its last column and row, which the mask
  // operations read as neighbours and leave as the source's.
  PictureRect Drawn() const { return {window.x0, window.x1 - 1, window.y0, window.y1 - 1}; }
};

// Makes one frame: `out` starts as a new frame, except for thinning, which works in the source
// frame itself (made writable, and passed as both).
using Routine = void (*)(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job);

// The routine for the format and operation, in the copy for this process's CPU level.
Routine MaskRoutine(PixelFormat format, Morpher::Operation operation);    // erode .. pepper
Routine ReliefRoutine(PixelFormat format, Morpher::Operation operation);  // vale .. ford

// Picture row y of the plane holding the samples (RGB rows are stored bottom-up).
template <PixelFormat F, typename Byte>
Byte* PictureRow(const PlaneOf<Byte>& p, int y) {
  return p.Row(MemoryRow(F, p.height, y));
}

// Grey-out of r: RGB copies the sample into green and red (the fourth byte of RGB32 stays), YUY2
// sets each pixel's own chroma byte to 128 (so an odd edge greys half a pair), planar sets U and
// V to 128 at chroma positions x0/2 .. x1/2-1, y0/2 .. y1/2-1.
template <int Step>
inline void GreyRgbRow(BYTE* __restrict p, int count) {
  for (int i = 0; i < count; ++i) p[i * Step + 1] = p[i * Step + 2] = p[i * Step];
}

inline void NeutralYuy2Row(BYTE* __restrict p, int count) {
  for (int i = 0; i < count; ++i) p[2 * i] = 128;
}

template <PixelFormat F>
void GreyOut(const FramePlanes<BYTE>& o, const PictureRect& r) {
  constexpr int step = BytesPerPixel(F);
  if constexpr (IsPlanar(F)) {
    const size_t count = static_cast<size_t>(r.x1 / 2 - r.x0 / 2);
    for (int cy = r.y0 / 2; cy < r.y1 / 2; ++cy) {
      std::memset(o.u.Row(cy) + r.x0 / 2, 128, count);
      std::memset(o.v.Row(cy) + r.x0 / 2, 128, count);
    }
  } else {
    ForMemoryRows<F>(o.y.height, r, [&](int m, int) {
      BYTE* p = o.y.Row(m) + r.x0 * step;
      if constexpr (IsRGB(F)) {
        GreyRgbRow<step>(p, r.x1 - r.x0);
      } else {
        NeutralYuy2Row(p + 1, r.x1 - r.x0);
      }
    });
  }
}

// The outline of r: sample 128 on its first and last rows and columns.
template <PixelFormat F>
void Outline(const Plane& p, const PictureRect& r) {
  constexpr int step = BytesPerPixel(F);
  for (int y : {r.y0, r.y1 - 1}) {
    BYTE* s = PictureRow<F>(p, y) + r.x0 * step;
    for (int x = r.x0; x < r.x1; ++x, s += step) *s = 128;
  }
  ForMemoryRows<F>(p.height, r, [&](int m, int) {
    p.Row(m)[r.x0 * step] = 128;
    p.Row(m)[(r.x1 - 1) * step] = 128;
  });
}

// The operations on the inside of the drawn rectangle (dot removal and relief): `out` becomes
// `src` with rows y0+1 .. y1-2, columns x0+1 .. x1-2 of the rectangle remade row by row, then its
// outline, and on YUV neutral chroma. make(up, mid, down, result, count) judges a row from the
// samples of the rectangle's columns in the three picture rows around it (gathered once each,
// into a ring of three; column x at x - x0); put(result, dst, count) writes it into the frame.
template <PixelFormat F, typename Make, typename Put>
void RemakeInside(const PVideoFrame& out, const PVideoFrame& src, const FrameJob& job, const Make& make,
                  const Put& put) {
  constexpr int step = BytesPerPixel(F);
  CopyFrame(out, src, F);
  const PictureRect r = job.Drawn();
  const ConstPlane sp = ReadPlane(src);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const int width = r.x1 - r.x0, count = width - 2;
  if (width >= 3 && r.y1 - r.y0 >= 3) {
    const size_t row_bytes = static_cast<size_t>(width);
    std::vector<BYTE> rows(row_bytes * 3), result(static_cast<size_t>(count));
    auto ring = [&](int y) { return rows.data() + (y % 3) * row_bytes; };
    for (int y = r.y0; y < r.y1; ++y) {
      GatherSamples<step>(PictureRow<F>(sp, y) + r.x0 * step, ring(y), width);
      if (y < r.y0 + 2) continue;
      make(ring(y - 2), ring(y - 1), ring(y), result.data(), count);
      put(result.data(), PictureRow<F>(o.y, y - 1) + (r.x0 + 1) * step, count);
    }
  }
  Outline<F>(o.y, r);
  if constexpr (!IsRGB(F)) GreyOut<F>(o, r);
}

}  // namespace tintara::morpher
