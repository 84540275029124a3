// What Inlay writes into one pixel, per format: `TintPixel` gives a pixel the colour's chroma and
// keeps its (adjusted) brightness, `SolidPixel` paints the colour itself. The per-pixel work is
// table look-ups; the tables are built once per filter.
//
// The chroma, the RGB offsets and the brightness rule are those of the seeded colouring; unlike
// its `Paint`, an RGB tint clamps the adjusted brightness before adding the offsets.
#pragma once

#include <cstdint>

#include "filters/common/Format.h"
#include "filters/common/Painting.h"

namespace tintara {

// A script colour 0xRRGGBB in components and in YUV (bits 24-31 ignored).
struct InlayColour {
  int cR = 0, cG = 0, cB = 0;
  int cY = 0, cU = 0, cV = 0;
};
InlayColour InlayColourOf(int color);

// The bytes a tint or a solid paint writes, derived from the colour and the adjustment.
struct InlayPaint {
  BYTE cY = 0, cU = 0, cV = 0, cR = 0, cG = 0, cB = 0;
  BYTE adjusted[256] = {};  // adjust(v) clamped to 0..255; the identity when st = 0
  // RGB: the three bytes of a tinted pixel whose first byte is v: clamp(adjust(v) + kV),
  // clamp(adjust(v) + kG), clamp(adjust(v) + kU).
  BYTE tinted[3][256] = {};
  // The same as arithmetic when the adjustment is an offset (a shift, or st = 0): adjusted(v) =
  // clamp(v + st), tinted = clamp(adjusted + kV, kG, kU). The span loops then vectorise.
  bool offset = false;
  int st = 0;
  int kV = 0, kG = 0, kU = 0;
};
InlayPaint InlayPaintOf(int color, bool shift, int st);

// The bytes of one picture row of the output frame: the luma (or packed) row, and for planar
// frames the chroma rows that row shares with its neighbour.
struct RowBytes {
  BYTE* y = nullptr;
  BYTE* u = nullptr;
  BYTE* v = nullptr;
};

template <PixelFormat F>
inline void TintPixel(const InlayPaint& k, const RowBytes& row, int c) {
  if constexpr (IsRGB(F)) {
    BYTE* p = row.y + c * BytesPerPixel(F);
    const BYTE brightness = p[0];  // brightness comes from the first byte alone
    p[0] = k.tinted[0][brightness];
    p[1] = k.tinted[1][brightness];
    p[2] = k.tinted[2][brightness];
  } else if constexpr (F == PixelFormat::YUY2) {
    // With st = 0 the table is the identity, so the Y byte keeps its value.
    row.y[2 * c] = k.adjusted[row.y[2 * c]];
    row.y[Yuy2UByte(c)] = k.cU;
    row.y[Yuy2VByte(c)] = k.cV;
  } else {
    row.y[c] = k.adjusted[row.y[c]];
    row.u[c / 2] = k.cU;
    row.v[c / 2] = k.cV;
  }
}

template <PixelFormat F>
inline void SolidPixel(const InlayPaint& k, const RowBytes& row, int c) {
  if constexpr (IsRGB(F)) {
    // Red goes into the first byte, the one the host's layout calls blue.
    BYTE* p = row.y + c * BytesPerPixel(F);
    p[0] = k.cR;
    p[1] = k.cG;
    p[2] = k.cB;
  } else if constexpr (F == PixelFormat::YUY2) {
    row.y[2 * c] = k.cY;
    row.y[Yuy2UByte(c)] = k.cU;
    row.y[Yuy2VByte(c)] = k.cV;
  } else {
    row.y[c] = k.cY;
    row.u[c / 2] = k.cU;
    row.v[c / 2] = k.cV;
  }
}

// The window of one frame: columns X..X+W-1 and rows Y..Y+H-1 of a rectangle, or the centre
// (X, Y) and half-axes W, H of an ellipse.
struct InlayWindow {
  int X = 0, Y = 0, W = 0, H = 0;
};

// Everything one frame's style works on.
struct InlayCanvas {
  FramePlanes<BYTE> out;
  // The source frame, when `out` is a new frame the style builds in one pass ("mask" and
  // "nomask"); the other styles change `out`, a writable copy, in place.
  FramePlanes<const BYTE> in;
  ConstPlane mask, lined;
  int width = 0, height = 0;
  InlayWindow window;
  int maskValue = 255;
  int lval = 128;
  const InlayPaint* paint = nullptr;

  template <PixelFormat F>
  RowBytes RowAt(int r) const {
    RowBytes row;
    row.y = out.y.Row(MemoryRow(F, height, r));
    if constexpr (IsPlanar(F)) {
      row.u = out.u.Row(r / 2);
      row.v = out.v.Row(r / 2);
    }
    return row;
  }
};

}  // namespace tintara
