// CrossFill: inside a window that moves across a frame range, paints the chroma of one colour
// into the pixels where two two-level masks agree by AND, OR or NOT, keeping (and optionally
// shifting or stretching) each pixel's brightness.
#pragma once

#include "filters/common/Format.h"
#include "filters/common/Geometry.h"
#include "filters/common/Tint.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order.
struct CrossFillArgs {
  PClip clip, maskA, maskB;
  int sf = 0, ef = 0;
  const char* type = nullptr;  // read once, as `logic`
  int lx = 0, ty = 0, rx = 0, by = 0;
  int color = 0;  // read once, as `fill`
  bool white = true, shift = true;
  int st = 0;
  int elx = 0, ety = 0, erx = 0, eby = 0;
};

// What the painting of every frame uses, fixed when the filter is built.
struct CrossFillPaint {
  FillColour fill;  // U and V of `color`, and its RGB offsets
  Brightness brightness;
  BYTE mark, back;  // the mask values of `white`
};

// One frame's work: the source, the new frame, the two masks and the window.
struct CrossFillFrame {
  FramePlanes<const BYTE> in;
  FramePlanes<BYTE> out;
  ConstPlane a, b;
  PictureRect window;
  int height;
};

class CrossFill : public GenericVideoFilter {
 public:
  explicit CrossFill(const CrossFillArgs& args);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

  // How the two mask samples decide; "aNOTb" reads differently for RGB and YUV clips.
  enum class Logic { And, Or, Not, Nothing };
  // Paints a frame: one per format, logic and brightness rule (table or offset).
  using Routine = void (*)(const CrossFillFrame& frame, const CrossFillPaint& paint);

 private:
  const CrossFillArgs arg;
  const CrossFillPaint paint;
  PixelFormat format;
  Routine routine;  // null when nothing is changed
};

const char* CrossFillSignature();
AVSValue CreateCrossFill(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
