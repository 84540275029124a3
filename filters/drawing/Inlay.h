// Inlay: colours part of a picture inside a window that moves across a frame range. "mask"
// tints the pixels a mask clip selects, "nomask" paints the colour itself, and six styles tint
// the selected pixels of runs bounded by the lines drawn in a third clip, along rows or columns.
#pragma once

#include "filters/common/Format.h"
#include "filters/drawing/InlayStyles.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order; x, y, w, h and their end values after the shape defaults.
struct InlayArgs {
  PClip clip, maskClip, linedClip;
  int sf = 0, ef = 0;
  const char* type = nullptr;
  int color = 0, lval = 0;
  bool mwhite = true;
  int x = 0, y = 0, w = 0, h = 0;
  bool shift = true;
  int st = 0;
  bool ellipse = false;
  int ex = 0, ey = 0, ew = 0, eh = 0;
};

class Inlay : public GenericVideoFilter {
 public:
  explicit Inlay(const InlayArgs& args);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const InlayArgs arg;
  const PixelFormat format;
  const InlayStyle style;
  const InlayPaint paint;
  const InlayRoutine routine;
};

const char* InlaySignature();
AVSValue CreateInlay(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
