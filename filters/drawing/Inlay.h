// Inlay: colours part of a picture inside a window that moves across a frame range. "mask"
// tints the pixels a mask clip selects, "nomask" paints the colour itself, and six styles tint
// the selected pixels of runs bounded by the lines drawn in a third clip, along rows or columns.
#pragma once

#include "filters/common/Format.h"
#include "filters/drawing/InlayPaint.h"
#include "filters/drawing/InlayStyles.h"
#include "host/avisynth.h"

namespace tintara {

class Inlay : public GenericVideoFilter {
 public:
  Inlay(const PClip& child, const PClip& maskClip, const PClip& linedClip, int sf, int ef, const char* type,
        int color, int lval, bool mwhite, int x, int y, int w, int h, bool shift, int st, bool ellipse, int ex,
        int ey, int ew, int eh);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const PClip maskClip;
  const PClip linedClip;
  const int sf, ef;
  const char* const type;
  const int color;
  const int lval;
  const bool mwhite;
  const int x, y, w, h;
  const bool shift;
  const int st;
  const bool ellipse;
  const int ex, ey, ew, eh;
  int cR, cB, cG;
  int cY, cU, cV;

  PixelFormat format;
  InlayStyle style;
  InlayPaint paint;
};

AVSValue CreateInlay(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
