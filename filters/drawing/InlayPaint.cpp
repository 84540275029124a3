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
  constexpr ClampOrder order = ClampOrder::BrightnessFirst;
  for (int v = 0; v < 256; ++v) {
    k.adjusted[v] = brightness.Stored(v);
    k.tinted[0][v] = TintedByte(brightness, order, v, offsets.kV);
    k.tinted[1][v] = TintedByte(brightness, order, v, offsets.kG);
    k.tinted[2][v] = TintedByte(brightness, order, v, offsets.kU);
  }
  return k;
}

}  // namespace tintara
