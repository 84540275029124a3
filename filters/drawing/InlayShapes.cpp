// "mask" and "nomask": every pixel of a rectangle or an ellipse, tinted where the mask selects
// it or painted whatever the mask holds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "filters/common/Blocks.h"
#include "filters/common/ByteLanes.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Painting.h"
#include "filters/common/Sample.h"
#include "filters/common/TintLanes.h"
#include "filters/common/Vectorised.h"
#include "filters/drawing/InlayStyles.h"

namespace tintara {

namespace {

// The columns an ellipse with half-axes W > 0, H >= 0 covers in the row i rows from its centre:
// the offsets j with (j*j)/(W*W) + (i*i)/(H*H) <= 1 form -reach..reach; -1 when none do.
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


// Calls span(r, c0, c1) for every picture row r of the canvas's shape that lies in the frame,
// with the shape's columns in that row cut to the frame as c0..c1-1.
template <typename Span>
void ForEachSpan(const InlayCanvas& k, Span&& span) {
  if (!k.is_ellipse) {
    const PictureRect r = ClippedTo(k.rect, k.width, k.height);
    if (r.Empty()) return;
    for (int y = r.y0; y < r.y1; ++y) span(y, r.x0, r.x1);
    return;
  }
  const int64_t X = k.ellipse.cx, Y = k.ellipse.cy, W = k.ellipse.ax, H = k.ellipse.ay;
  if (W <= 0 || H < 0) return;
  // Row offsets run over -W..W-1 like the column offsets (so an ellipse taller than wide is
  // cut off), limited to the frame's rows.
  const int i0 = static_cast<int>(std::max(-W, -Y));
  const int i1 = static_cast<int>(std::min(W - 1, k.height - 1 - Y));
  for (int i = i0; i <= i1; ++i) {
    const int reach = EllipseReach(i, k.ellipse.ax, k.ellipse.ay);
    if (reach < 0) continue;
    const int c0 = static_cast<int>(std::max<int64_t>(X - reach, 0));
    const int c1 = static_cast<int>(std::min<int64_t>(X + std::min<int64_t>(reach, W - 1) + 1, k.width));
    if (c0 < c1) span(static_cast<int>(Y + i), c0, c1);
  }
}

// TintSpan does per run of columns c0..c1-1 what TintPixel does per pixel where the mask selects
// it, reading the source row `in` and writing the new frame's row, on local values and pointers
// that cannot alias, without branches, so it vectorises. Planar chroma is changed in place, its
// rows having been copied first. YUV runs that cut a chroma pair at either end copy those bytes
// and leave the single pixels to TintPixel.

// Copies the source bytes a single pixel's paint reads or partly keeps: its YUY2 pair, its luma.
template <PixelFormat F>
inline void CopySingle(const PixelRow& row, const BYTE* in, int c) {
  if constexpr (F == PixelFormat::YUY2)
    std::memcpy(row.y + 4 * (c / 2), in + 4 * (c / 2), 4);
  else
    row.y[c] = in[c];
}

// What the span loops share for one frame: the lane tables, and YUY2's selection row with four
// bytes on either side of a row's selections.
struct TintRows {
  Rgb24Lanes rgb24;
  Yuy2Lanes yuy2;
  std::vector<BYTE> yuy2_sel, rgb24_sel;
  TintRows(const InlayPaint& k, int width)
      : rgb24(ClampOrder::BrightnessFirst, k.brightness.Offset(), k.fill.kV, k.fill.kG, k.fill.kU),
        yuy2(k.brightness.Offset(), k.fill.U, k.fill.V),
        yuy2_sel(static_cast<size_t>(2 * width + 12)),
        rgb24_sel(static_cast<size_t>(3 * width + 2)) {}
};

template <PixelFormat F, bool Offset>
void TintSpan(const InlayPaint& paint, const PixelRow& row, const BYTE* in, const BYTE* mask, BYTE value, int c0,
              int c1, TintRows* rows) {
  using Levels = TintLevels<ClampOrder::BrightnessFirst, Offset>;
  const Levels t(paint.brightness);
  const int16_t kV = static_cast<int16_t>(paint.fill.kV), kG = static_cast<int16_t>(paint.fill.kG),
                kU = static_cast<int16_t>(paint.fill.kU);
  const auto selects = [value](BYTE x, BYTE) { return x == value; };  // one mask, passed as both
  if constexpr (F == PixelFormat::RGB32) {
    BYTE* __restrict p = row.y + c0 * 4;
    const BYTE* __restrict s = in + c0 * 4;
    const BYTE* __restrict m = mask + c0 * 4;
    for (int i = 0; i < c1 - c0; ++i) {
      const uint32_t px = LoadPixel(s + 4 * i);
      const uint32_t sel = -static_cast<uint32_t>((LoadPixel(m + 4 * i) & 0xFFu) == value);
      const int16_t n = t.Level(static_cast<BYTE>(px));  // brightness comes from the first byte alone
      const uint32_t tinted = Levels::Channel(n, kV) | uint32_t{Levels::Channel(n, kG)} << 8 |
                              uint32_t{Levels::Channel(n, kU)} << 16 | (px & 0xFF000000u);
      StorePixel(p + 4 * i, px ^ ((tinted ^ px) & sel));
    }
  } else if constexpr (IsRGB(F)) {
    // RGB24. With an offset: the run's first pixel as a pixel (the bytes before it may lie
    // outside the frame), then whole blocks of the bytes from its second pixel on.
    BYTE* __restrict p = row.y + c0 * 3;
    const BYTE* __restrict s = in + c0 * 3;
    const BYTE* __restrict m = mask + c0 * 3;
    const int pixels = Offset ? 1 : c1 - c0;
    for (int i = 0; i < pixels; ++i) {
      const bool sel = m[i * 3] == value;
      const BYTE v = s[i * 3];
      const int16_t n = t.Level(v);
      p[i * 3] = Pick(sel, Levels::Channel(n, kV), v);
      p[i * 3 + 1] = Pick(sel, Levels::Channel(n, kG), s[i * 3 + 1]);
      p[i * 3 + 2] = Pick(sel, Levels::Channel(n, kU), s[i * 3 + 2]);
    }
    const int count = c1 - c0 - 1;
    if (Offset && count > 0) {
      // The run's selections first, whole, then the tint: selections read back a block at a
      // time right after being stored, two and one bytes behind, stall on store forwarding.
      BYTE* const sel = rows->rgb24_sel.data() + 2;
      SelectBytes(m + 1, m + 1, sel - 2, 3 * count + 2, selects);
      auto bytes = [&](int at, int n) {
        TintRgb24Bytes<ClampOrder::BrightnessFirst>(sel + at, s + 3 + at, p + 3 + at, n, rows->rgb24);
      };
      ForBlocks<kBlock>(
          count, [&](int i) { bytes(3 * i, 3 * kBlock); }, [&] { bytes(0, 3 * count); });
    }
  } else {
    auto single = [&](int c) {
      CopySingle<F>(row, in, c);
      if (SampleAt<F>(mask, c) == value) TintPixel<F>(paint.table, row, c);
    };
    int c = c0;
    if (c & 1) single(c++);
    const int pairs = (c1 - c) / 2;
    const BYTE u = static_cast<BYTE>(paint.fill.U), v = static_cast<BYTE>(paint.fill.V);
    if constexpr (F == PixelFormat::YUY2 && Offset) {
      BYTE* const p = row.y + 2 * c;
      const BYTE* const s = in + 2 * c;
      const BYTE* const m = mask + 2 * c;
      BYTE* const sel = rows->yuy2_sel.data() + 4;
      const Yuy2Lanes& t4 = rows->yuy2;
      auto select = [&](int at, int n) { SelectYuy2Bytes(m + at, m + at, sel + at, n, t4, selects); };
      ForBlocks<kBlock>(
          pairs, [&](int i) { select(4 * i, 4 * kBlock); }, [&] { select(0, 4 * pairs); });
      ForBlocks<kBlock>(
          pairs, [&](int i) { TintYuy2Bytes(sel + 4 * i, s + 4 * i, p + 4 * i, 4 * kBlock, t4); },
          [&] { TintYuy2Bytes(sel, s, p, 4 * pairs, t4); });
    } else if constexpr (F == PixelFormat::YUY2) {
      BYTE* __restrict p = row.y + 2 * c;
      const BYTE* __restrict s = in + 2 * c;
      const BYTE* __restrict m = mask + 2 * c;
      for (int i = 0; i < pairs; ++i) {
        const bool s0 = m[4 * i] == value, s1 = m[4 * i + 2] == value;
        const BYTE y0 = s[4 * i], y1 = s[4 * i + 2];
        p[4 * i] = Pick(s0, t.Luma(y0), y0);
        p[4 * i + 2] = Pick(s1, t.Luma(y1), y1);
        p[4 * i + 1] = Pick(s0 | s1, u, s[4 * i + 1]);
        p[4 * i + 3] = Pick(s0 | s1, v, s[4 * i + 3]);
      }
    } else if constexpr (Offset) {
      // Planar with an offset: the luma run in byte lanes, then the chroma from pairs of mask
      // samples, in whole blocks (the luma pass would otherwise deinterleave pixel pairs).
      const BYTE st_up = rows->rgb24.st_up, st_down = rows->rgb24.st_down;
      BYTE* const y = row.y + c;
      const BYTE* const s = in + c;
      const BYTE* const m = mask + c;
      auto luma = [&](int x0, int n) {
        BYTE* __restrict py = y + x0;
        const BYTE* __restrict ps = s + x0;
        const BYTE* __restrict pm = m + x0;
        for (int x = 0; x < n; ++x) py[x] = Pick(pm[x] == value, AddClamped(ps[x], st_up, st_down), ps[x]);
      };
      auto chroma = [&](int i0, int n) {
        BYTE* __restrict pu = row.u + c / 2 + i0;
        BYTE* __restrict pv = row.v + c / 2 + i0;
        const BYTE* __restrict pm = m + 2 * i0;
        for (int i = 0; i < n; ++i) {
          const bool sel = (pm[2 * i] == value) | (pm[2 * i + 1] == value);
          pu[i] = Pick(sel, u, pu[i]);
          pv[i] = Pick(sel, v, pv[i]);
        }
      };
      ForBlocks<2 * kBlock>(
          2 * pairs, [&](int x) { luma(x, 2 * kBlock); }, [&] { luma(0, 2 * pairs); });
      ForBlocks<kBlock>(
          pairs, [&](int i) { chroma(i, kBlock); }, [&] { chroma(0, pairs); });
    } else {
      BYTE* __restrict y = row.y + c;
      const BYTE* __restrict s = in + c;
      BYTE* __restrict pu = row.u + c / 2;
      BYTE* __restrict pv = row.v + c / 2;
      const BYTE* __restrict m = mask + c;
      for (int i = 0; i < pairs; ++i) {
        const bool s0 = m[2 * i] == value, s1 = m[2 * i + 1] == value;
        const BYTE y0 = s[2 * i], y1 = s[2 * i + 1];
        y[2 * i] = Pick(s0, t.Luma(y0), y0);
        y[2 * i + 1] = Pick(s1, t.Luma(y1), y1);
        pu[i] = Pick(s0 | s1, u, pu[i]);
        pv[i] = Pick(s0 | s1, v, pv[i]);
      }
    }
    c += 2 * pairs;
    if (c < c1) single(c);
  }
}

// The whole new frame in one pass, row by row: bytes outside the shape's run copied from the
// source, the run painted from it (tinted from the source, or marked in place). Planar chroma rows are copied whole at their first luma row and then painted in place
// by both of their luma rows.
template <PixelFormat F, bool Solid, bool Offset>
void PaintShape(const InlayCanvas& k) {
  const InlayPaint& paint = *k.paint;
  const BYTE value = k.maskValue;
  // The run of each picture row (c0 >= c1: none); a shape has at most one per row.
  std::vector<std::pair<int, int>> runs(static_cast<size_t>(k.height), {0, 0});
  ForEachSpan(k, [&](int r, int c0, int c1) { runs[static_cast<size_t>(r)] = {c0, c1}; });
  constexpr int bpp = BytesPerPixel(F);
  const size_t row_size = static_cast<size_t>(k.out.y.row_size);
  TintRows tint_rows(paint, k.width);
  // Memory rows in ascending order, so the reads stream forward through memory; planar chroma
  // rows are still reached at their even luma row first.
  ForMemoryRows<F>(k.height, PictureRect{0, k.width, 0, k.height}, [&](int m, int r) {
    const BYTE* in = k.in.y.Row(m);
    BYTE* out = k.out.y.Row(m);
    if constexpr (IsPlanar(F)) {
      if ((r & 1) == 0) {
        std::memcpy(k.out.u.Row(r / 2), k.in.u.Row(r / 2), static_cast<size_t>(k.out.u.row_size));
        std::memcpy(k.out.v.Row(r / 2), k.in.v.Row(r / 2), static_cast<size_t>(k.out.v.row_size));
      }
    }
    const auto [c0, c1] = runs[static_cast<size_t>(r)];
    if (c0 >= c1) {
      std::memcpy(out, in, row_size);
      return;
    }
    // The bytes the run writes, the others copied: the tint writes YUY2 in whole pairs.
    size_t b0 = static_cast<size_t>(c0) * bpp, b1 = static_cast<size_t>(c1) * bpp;
    if constexpr (F == PixelFormat::YUY2 && !Solid)
      b0 = 4 * static_cast<size_t>(c0 / 2), b1 = 4 * static_cast<size_t>((c1 - 1) / 2) + 4;
    std::memcpy(out, in, b0);
    std::memcpy(out + b1, in + b1, row_size - b1);
    const PixelRow row = RowOf<F>(k.out, m);
    if constexpr (Solid && F == PixelFormat::RGB32) {
      // Marking keeps each pixel's fourth byte, here the source's.
      const MarkerColour& s = paint.solid;
      const uint32_t colour = s.R | uint32_t{s.G} << 8 | uint32_t{s.B} << 16;
      BYTE* __restrict p = out + 4 * c0;
      const BYTE* __restrict from = in + 4 * c0;
      for (int i = 0; i < c1 - c0; ++i) StorePixel(p + 4 * i, (LoadPixel(from + 4 * i) & 0xFF000000u) | colour);
    } else if constexpr (Solid) {
      MarkRun<F>(paint.solid, row, c0, c1);
    } else {
      TintSpan<F, Offset>(paint, row, in, k.mask.Row(m), value, c0, c1, &tint_rows);
    }
  });
}

}  // namespace

InlayRoutine ShapeRoutineFor(PixelFormat format, InlayStyle style, bool offset) {
  return ChooseForFormat(format, [&](auto f) -> InlayRoutine {
    constexpr PixelFormat F = decltype(f)::value;
    if (style == InlayStyle::NoMask) return ForLevel<&PaintShape<F, true, false>>();
    return offset ? ForLevel<&PaintShape<F, false, true>>() : ForLevel<&PaintShape<F, false, false>>();
  });
}

}  // namespace tintara
