// The colour BlankClip and AddBorders paint with: `color` ($AARRGGBB) or `color_yuv` ($YYUUVV),
// checked and turned into the bytes of one pixel of the clip's format.
#pragma once

#include <string>

#include "runtime/Environment.h"

namespace tintara {

struct Yuv {
  int y, u, v;
};

// AviSynth+'s integer Rec.601 rule for a single colour (limited range, rounded in 16-bit fixed
// point). It is not the rule of the conversions, and its results differ from theirs slightly.
Yuv ColourToYuv(int r, int g, int b);

// The bytes of one pixel: RGB24 B,G,R; RGB32 B,G,R,A (the alpha from `color`); YUY2 a whole
// pair Y,U,Y,V; YV12 and I420 Y,U,V. The alpha byte never reaches YUV. Fails with
// "<function>: ..." when color_yuv is given with a non-zero color or for an RGB clip.
struct FillColour {
  BYTE bytes[4];
};
FillColour FillColourOf(Environment& env, const std::string& function, int pixel_type, const Value& color,
                        const Value& color_yuv);

// Paints `pixels` pixels of one row (YUY2: an even count) or of one plane with the colour.
void PaintRow(BYTE* row, int pixels, int pixel_type, int plane_index, const FillColour& colour);

}  // namespace tintara
