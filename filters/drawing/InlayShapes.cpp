// "mask" and "nomask": every pixel of a rectangle or an ellipse, tinted where the mask selects
// it or painted whatever the mask holds.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "filters/common/Sample.h"
#include "filters/drawing/InlayStyles.h"

namespace tintara {

int EllipseReach(int i, int W, int H) {
  // A flat ellipse is its centre row: there the row term is 0/0, which does not compare
  // greater than 1, and in every other row it is infinite.
  if (H == 0) return i == 0 ? W : -1;
  const double row_part = static_cast<double>(i) * i / (static_cast<double>(H) * H);
  const double ww = static_cast<double>(W) * W;
  auto inside = [&](int j) { return !(static_cast<double>(j) * j / ww + row_part > 1); };
  if (!inside(0)) return -1;
  // Start at the real solution, then let the exact test settle the last column either way.
  int reach = row_part >= 1 ? 0 : static_cast<int>(W * std::sqrt(1 - row_part));
  reach = std::clamp(reach, 0, W);
  while (reach < W && inside(reach + 1)) ++reach;
  while (reach > 0 && !inside(reach)) --reach;
  return reach;
}

namespace {

// Calls span(r, c0, c1) for every picture row r of the shape that lies in the frame, with the
// shape's columns in that row cut to the frame as c0..c1-1.
template <typename Span>
void ForEachSpan(const InlayWindow& w, bool ellipse, int width, int height, Span&& span) {
  const int64_t X = w.X, Y = w.Y, W = w.W, H = w.H;
  if (!ellipse) {
    if (W <= 0 || H <= 0) return;
    const int c0 = static_cast<int>(std::max<int64_t>(X, 0));
    const int c1 = static_cast<int>(std::min<int64_t>(X + W, width));
    const int r0 = static_cast<int>(std::max<int64_t>(Y, 0));
    const int r1 = static_cast<int>(std::min<int64_t>(Y + H, height));
    if (c0 >= c1) return;
    for (int r = r0; r < r1; ++r) span(r, c0, c1);
    return;
  }
  if (W <= 0 || H < 0) return;
  // Row offsets run over -W..W-1 like the column offsets (so an ellipse taller than wide is
  // cut off), limited to the frame's rows.
  const int i0 = static_cast<int>(std::max(-W, -Y));
  const int i1 = static_cast<int>(std::min(W - 1, height - 1 - Y));
  for (int i = i0; i <= i1; ++i) {
    const int reach = EllipseReach(i, w.W, w.H);
    if (reach < 0) continue;
    const int c0 = static_cast<int>(std::max<int64_t>(X - reach, 0));
    const int c1 = static_cast<int>(std::min<int64_t>(X + std::min<int64_t>(reach, W - 1) + 1, width));
    if (c0 < c1) span(static_cast<int>(Y + i), c0, c1);
  }
}

template <PixelFormat F, bool Solid>
void PaintShape(const InlayCanvas& k, bool ellipse) {
  const InlayPaint& paint = *k.paint;
  ForEachSpan(k.window, ellipse, k.width, k.height, [&](int r, int c0, int c1) {
    const RowBytes row = k.RowAt<F>(r);
    if constexpr (Solid) {
      for (int c = c0; c < c1; ++c) SolidPixel<F>(paint, row, c);
    } else {
      const BYTE* mask = k.mask.Row(MemoryRow(F, k.height, r));
      for (int c = c0; c < c1; ++c)
        if (SampleAt<F>(mask, c) == k.maskValue) TintPixel<F>(paint, row, c);
    }
  });
}

}  // namespace

void RunShapeStyle(PixelFormat format, const InlayCanvas& canvas, InlayStyle style, bool ellipse) {
  ForFormat(format, [&](auto tag) {
    constexpr PixelFormat F = decltype(tag)::value;
    if (style == InlayStyle::NoMask) PaintShape<F, true>(canvas, ellipse);
    else PaintShape<F, false>(canvas, ellipse);
  });
}

}  // namespace tintara
