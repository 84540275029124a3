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
#include "filters/common/Sample.h"
#include "filters/common/TintLanes.h"
#include "filters/common/Vectorised.h"
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

// The span loops below do per run of columns c0..c1-1 what SolidPixel and TintPixel do per pixel,
// reading the source row `in` and writing the new frame's row, on local values and pointers that
// cannot alias, without branches, so they vectorise. Planar chroma is changed in place, its rows
// having been copied first. YUV runs that cut a chroma pair at either end copy those bytes and
// leave the single pixels to the per-pixel functions.

// Copies the source bytes a single pixel's paint reads or partly keeps: its YUY2 pair, its luma.
template <PixelFormat F>
inline void CopySingle(const RowBytes& row, const BYTE* in, int c) {
  if constexpr (F == PixelFormat::YUY2)
    std::memcpy(row.y + 4 * (c / 2), in + 4 * (c / 2), 4);
  else
    row.y[c] = in[c];
}

template <PixelFormat F>
void SolidSpan(const InlayPaint& k, const RowBytes& row, const BYTE* in, int c0, int c1) {
  if constexpr (F == PixelFormat::RGB32) {
    const uint32_t colour = k.cR | uint32_t{k.cG} << 8 | uint32_t{k.cB} << 16;
    BYTE* __restrict p = row.y + c0 * 4;
    const BYTE* __restrict s = in + c0 * 4;
    for (int i = 0; i < c1 - c0; ++i) StorePixel(p + 4 * i, (LoadPixel(s + 4 * i) & 0xFF000000u) | colour);
  } else if constexpr (IsRGB(F)) {
    constexpr int bpp = BytesPerPixel(F);
    const BYTE r = k.cR, g = k.cG, b = k.cB;
    BYTE* __restrict p = row.y + c0 * bpp;
    const BYTE* __restrict s = in + c0 * bpp;
    for (int i = 0; i < c1 - c0; ++i) {
      p[i * bpp] = r, p[i * bpp + 1] = g, p[i * bpp + 2] = b;
      if constexpr (bpp == 4) p[i * bpp + 3] = s[i * bpp + 3];
    }
  } else {
    int c = c0;
    if (c & 1) CopySingle<F>(row, in, c), SolidPixel<F>(k, row, c++);
    const int pairs = (c1 - c) / 2;
    if constexpr (F == PixelFormat::YUY2) {
      const BYTE y = k.cY, u = k.cU, v = k.cV;
      BYTE* __restrict p = row.y + 2 * c;
      for (int i = 0; i < pairs; ++i) p[4 * i] = y, p[4 * i + 1] = u, p[4 * i + 2] = y, p[4 * i + 3] = v;
    } else {
      std::memset(row.y + c, k.cY, static_cast<size_t>(2 * pairs));
      std::memset(row.u + c / 2, k.cU, static_cast<size_t>(pairs));
      std::memset(row.v + c / 2, k.cV, static_cast<size_t>(pairs));
    }
    c += 2 * pairs;
    if (c < c1) CopySingle<F>(row, in, c), SolidPixel<F>(k, row, c);
  }
}

// The tinted bytes of brightness v: by arithmetic for an offset, else from the tables.
template <bool Offset>
struct Tint {
  const InlayPaint& k;
  int16_t st, kV, kG, kU;
  explicit Tint(const InlayPaint& paint)
      : k(paint),
        st(static_cast<int16_t>(paint.st)),
        kV(static_cast<int16_t>(paint.kV)),
        kG(static_cast<int16_t>(paint.kG)),
        kU(static_cast<int16_t>(paint.kU)) {}
  int16_t Adjusted(BYTE v) const {
    return Offset ? std::clamp<int16_t>(static_cast<int16_t>(v + st), 0, 255) : k.adjusted[v];
  }
  BYTE Byte(int16_t n, int16_t offset, int table, BYTE v) const {
    return Offset ? static_cast<BYTE>(std::clamp<int16_t>(static_cast<int16_t>(n + offset), 0, 255))
                  : k.tinted[table][v];
  }
};

// What the span loops share for one frame: the lane tables and YUY2's selection row, which has
// four zero bytes on either side of a row's selections.
struct TintRows {
  Rgb24Lanes rgb24;
  Yuy2Lanes yuy2;
  std::vector<BYTE> yuy2_sel;
  TintRows(const InlayPaint& k, int width)
      : rgb24(ClampOrder::BrightnessFirst, k.st, k.kV, k.kG, k.kU),
        yuy2(k.st, k.cU, k.cV),
        yuy2_sel(static_cast<size_t>(2 * width + 12)) {}
};

template <PixelFormat F, bool Offset>
void TintSpan(const InlayPaint& paint, const RowBytes& row, const BYTE* in, const BYTE* mask, BYTE value, int c0,
              int c1, TintRows* rows) {
  const Tint<Offset> t(paint);
  if constexpr (F == PixelFormat::RGB32) {
    BYTE* __restrict p = row.y + c0 * 4;
    const BYTE* __restrict s = in + c0 * 4;
    const BYTE* __restrict m = mask + c0 * 4;
    for (int i = 0; i < c1 - c0; ++i) {
      const uint32_t px = LoadPixel(s + 4 * i);
      const uint32_t sel = -static_cast<uint32_t>((LoadPixel(m + 4 * i) & 0xFFu) == value);
      const BYTE v = static_cast<BYTE>(px);  // brightness comes from the first byte alone
      const int16_t n = t.Adjusted(v);
      const uint32_t tinted = t.Byte(n, t.kV, 0, v) | uint32_t{t.Byte(n, t.kG, 1, v)} << 8 |
                              uint32_t{t.Byte(n, t.kU, 2, v)} << 16 | (px & 0xFF000000u);
      StorePixel(p + 4 * i, px ^ ((tinted ^ px) & sel));
    }
  } else if constexpr (F == PixelFormat::RGB24 && Offset) {
    // The run's first pixel as a pixel (the bytes before it may lie outside the frame), then
    // whole blocks of the bytes from its second pixel on.
    BYTE* __restrict p = row.y + c0 * 3;
    const BYTE* __restrict s = in + c0 * 3;
    const BYTE* __restrict m = mask + c0 * 3;
    const bool sel = m[0] == value;
    const BYTE v = s[0];
    const int16_t n = t.Adjusted(v);
    p[0] = Pick(sel, t.Byte(n, t.kV, 0, v), v);
    p[1] = Pick(sel, t.Byte(n, t.kG, 1, v), s[1]);
    p[2] = Pick(sel, t.Byte(n, t.kU, 2, v), s[2]);
    const int count = c1 - c0 - 1;
    if (count > 0) {
      // One mask: it is passed as both, and only the first is looked at.
      const auto select = [value](BYTE x, BYTE) { return x == value; };
      auto bytes = [&](int at, int n) {
        const int from = 3 + at;
        TintRgb24Bytes<ClampOrder::BrightnessFirst>(m + from, m + from, s + from, p + from, n, rows->rgb24, select);
      };
      ForBlocks<kBlock>(
          count, [&](int i) { bytes(3 * i, 3 * kBlock); }, [&] { bytes(0, 3 * count); });
    }
  } else if constexpr (IsRGB(F)) {
    constexpr int bpp = BytesPerPixel(F);
    BYTE* __restrict p = row.y + c0 * bpp;
    const BYTE* __restrict s = in + c0 * bpp;
    const BYTE* __restrict m = mask + c0 * bpp;
    for (int i = 0; i < c1 - c0; ++i) {
      const bool sel = m[i * bpp] == value;
      const BYTE v = s[i * bpp];  // brightness comes from the first byte alone
      const int16_t n = t.Adjusted(v);
      const BYTE b0 = t.Byte(n, t.kV, 0, v), b1 = t.Byte(n, t.kG, 1, v), b2 = t.Byte(n, t.kU, 2, v);
      p[i * bpp] = Pick(sel, b0, v);
      p[i * bpp + 1] = Pick(sel, b1, s[i * bpp + 1]);
      p[i * bpp + 2] = Pick(sel, b2, s[i * bpp + 2]);
      if constexpr (bpp == 4) p[i * bpp + 3] = s[i * bpp + 3];
    }
  } else {
    auto single = [&](int c) {
      CopySingle<F>(row, in, c);
      if (SampleAt<F>(mask, c) == value) TintPixel<F>(paint, row, c);
    };
    int c = c0;
    if (c & 1) single(c++);
    const int pairs = (c1 - c) / 2;
    const BYTE u = paint.cU, v = paint.cV;
    if constexpr (F == PixelFormat::YUY2 && Offset) {
      BYTE* const p = row.y + 2 * c;
      const BYTE* const s = in + 2 * c;
      const BYTE* const m = mask + 2 * c;
      BYTE* const sel = rows->yuy2_sel.data() + 4;
      const Yuy2Lanes& t4 = rows->yuy2;
      const auto selects = [value](BYTE x, BYTE) { return x == value; };
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
        const BYTE a0 = static_cast<BYTE>(t.Adjusted(y0)), a1 = static_cast<BYTE>(t.Adjusted(y1));
        p[4 * i] = Pick(s0, a0, y0);
        p[4 * i + 2] = Pick(s1, a1, y1);
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
        const BYTE a0 = static_cast<BYTE>(t.Adjusted(y0)), a1 = static_cast<BYTE>(t.Adjusted(y1));
        y[2 * i] = Pick(s0, a0, y0);
        y[2 * i + 1] = Pick(s1, a1, y1);
        pu[i] = Pick(s0 | s1, u, pu[i]);
        pv[i] = Pick(s0 | s1, v, pv[i]);
      }
    }
    c += 2 * pairs;
    if (c < c1) single(c);
  }
}

// The whole new frame in one pass, row by row: bytes outside the shape's run copied from the
// source, the run painted from it. Planar chroma rows are copied whole at their first luma row
// and then painted in place by both of their luma rows.
template <PixelFormat F, bool Solid>
void PaintShape(const InlayCanvas& k, bool ellipse) {
  const InlayPaint& paint = *k.paint;
  const BYTE value = static_cast<BYTE>(k.maskValue);
  // The run of each picture row (c0 >= c1: none); a shape has at most one per row.
  std::vector<std::pair<int, int>> runs(static_cast<size_t>(k.height), {0, 0});
  ForEachSpan(k.window, ellipse, k.width, k.height, [&](int r, int c0, int c1) {
    runs[static_cast<size_t>(r)] = {c0, c1};
  });
  constexpr int bpp = BytesPerPixel(F);
  const size_t row_size = static_cast<size_t>(k.out.y.row_size);
  TintRows tint_rows(paint, k.width);
  Vectorised([&] {
    // Memory rows in ascending order (RGB's picture rows run bottom-up), so the reads stream
    // forward through memory; planar chroma rows are still reached at their even luma row first.
    for (int m = 0; m < k.height; ++m) {
      const int r = MemoryRow(F, k.height, m);
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
        continue;
      }
      // The bytes the run writes: YUY2 in whole pairs.
      size_t b0 = static_cast<size_t>(c0) * bpp, b1 = static_cast<size_t>(c1) * bpp;
      if constexpr (F == PixelFormat::YUY2)
        b0 = 4 * static_cast<size_t>(c0 / 2), b1 = 4 * static_cast<size_t>((c1 - 1) / 2) + 4;
      std::memcpy(out, in, b0);
      std::memcpy(out + b1, in + b1, row_size - b1);
      const RowBytes row = k.RowAt<F>(r);
      if constexpr (Solid) {
        SolidSpan<F>(paint, row, in, c0, c1);
      } else {
        const BYTE* mask = k.mask.Row(m);
        if (paint.offset)
          TintSpan<F, true>(paint, row, in, mask, value, c0, c1, &tint_rows);
        else
          TintSpan<F, false>(paint, row, in, mask, value, c0, c1, &tint_rows);
      }
    }
  });
}

}  // namespace

void RunShapeStyle(PixelFormat format, const InlayCanvas& canvas, InlayStyle style, bool ellipse) {
  ForFormat(format, [&](auto tag) {
    constexpr PixelFormat F = decltype(tag)::value;
    if (style == InlayStyle::NoMask)
      PaintShape<F, true>(canvas, ellipse);
    else
      PaintShape<F, false>(canvas, ellipse);
  });
}

}  // namespace tintara
