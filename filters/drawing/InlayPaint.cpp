#include "filters/drawing/InlayPaint.h"

namespace tintara {

namespace {
int Clamp(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }
}  // namespace

InlayColour InlayColourOf(int color) {
  InlayColour c;
  c.cR = (color >> 16) & 0xFF;
  c.cG = (color >> 8) & 0xFF;
  c.cB = color & 0xFF;
  // Double precision, summed in the order written; each result truncated toward zero.
  const double r = c.cR, g = c.cG, b = c.cB;
  c.cY = static_cast<int>(0.114 * b + 0.587 * g + 0.299 * r);
  c.cU = static_cast<int>(0.5 * b - (0.332 * g + 0.169 * r) + 128);
  c.cV = static_cast<int>(0.5 * r - 0.419 * g - 0.0813 * b + 128);
  return c;
}

int InlayAdjust(int v, bool shift, int st) {
  if (st == 0) return v;
  // 64 bits: a stretch has no upper limit, so st * v can pass the int range.
  const int64_t changed = shift ? int64_t{v} + st : v + int64_t{st} * v / 100;
  return Clamp(changed);
}

InlayPaint InlayPaintOf(const InlayColour& colour, bool shift, int st) {
  InlayPaint k;
  k.cY = static_cast<BYTE>(colour.cY);
  k.cU = static_cast<BYTE>(colour.cU);
  k.cV = static_cast<BYTE>(colour.cV);
  k.cR = static_cast<BYTE>(colour.cR);
  k.cG = static_cast<BYTE>(colour.cG);
  k.cB = static_cast<BYTE>(colour.cB);

  // The RGB offsets of the colour's chroma.
  const double du = colour.cU - 128, dv = colour.cV - 128;
  const int kG = static_cast<int>(-0.3455 * du - 0.7169 * dv);
  const int kU = static_cast<int>(1.779 * du);
  const int kV = static_cast<int>(1.4075 * dv);

  for (int v = 0; v < 256; ++v) {
    const int n = InlayAdjust(v, shift, st);
    k.adjusted[v] = static_cast<BYTE>(n);
    k.tinted[0][v] = static_cast<BYTE>(Clamp(n + kV));
    k.tinted[1][v] = static_cast<BYTE>(Clamp(n + kG));
    k.tinted[2][v] = static_cast<BYTE>(Clamp(n + kU));
  }
  return k;
}

}  // namespace tintara
