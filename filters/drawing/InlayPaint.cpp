#include "filters/drawing/InlayPaint.h"

namespace tintara {

InlayColour InlayColourOf(int color) {
  const ScriptRgb rgb = ComponentsOf(color);
  const FillColour fill = FillColourOf(color);
  InlayColour c;
  c.cR = rgb.R;
  c.cG = rgb.G;
  c.cB = rgb.B;
  // Y sums its terms blue first (the seeded marker colour starts with green, which can differ
  // in the last bit); double precision, truncated toward zero.
  c.cY = static_cast<int>(0.114 * rgb.B + 0.587 * rgb.G + 0.299 * rgb.R);
  c.cU = fill.U;
  c.cV = fill.V;
  return c;
}

InlayPaint InlayPaintOf(int color, bool shift, int st) {
  const InlayColour colour = InlayColourOf(color);
  InlayPaint k;
  k.cY = static_cast<BYTE>(colour.cY);
  k.cU = static_cast<BYTE>(colour.cU);
  k.cV = static_cast<BYTE>(colour.cV);
  k.cR = static_cast<BYTE>(colour.cR);
  k.cG = static_cast<BYTE>(colour.cG);
  k.cB = static_cast<BYTE>(colour.cB);

  const FillColour offsets = FillColourOf(color);
  const Brightness brightness(shift, st);
  k.offset = brightness.IsOffset();
  k.st = st;
  k.kV = offsets.kV, k.kG = offsets.kG, k.kU = offsets.kU;
  for (int v = 0; v < 256; ++v) {
    const int n = brightness.Stored(v);  // clamped first, unlike the seeded Paint
    k.adjusted[v] = static_cast<BYTE>(n);
    k.tinted[0][v] = static_cast<BYTE>(Clamp(n + offsets.kV));
    k.tinted[1][v] = static_cast<BYTE>(Clamp(n + offsets.kG));
    k.tinted[2][v] = static_cast<BYTE>(Clamp(n + offsets.kU));
  }
  return k;
}

}  // namespace tintara
