// CrossFill: inside a window that moves across a frame range, paints the chroma of one colour
// into the pixels where two two-level masks agree by AND, OR or NOT, keeping (and optionally
// shifting or stretching) each pixel's brightness.
#pragma once

#include "filters/common/Format.h"
#include "filters/seeded/Painting.h"
#include "host/avisynth.h"

namespace tintara {

class CrossFill : public GenericVideoFilter {
 public:
  CrossFill(const PClip& child, const PClip& maskA, const PClip& maskB, int sf, int ef, const char* type, int lx,
            int ty, int rx, int by, int color, bool white, bool shift, int st, int elx, int ety, int erx, int eby);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

  // How the two mask samples decide; "aNOTb" reads differently for RGB and YUV clips.
  enum class Logic { And, Or, Not, Nothing };

 private:
  const PClip maskA, maskB;
  const int sf, ef;
  [[maybe_unused]] const char* const type;  // read once, as `logic`
  const int lx, ty, rx, by;
  [[maybe_unused]] const int color;  // read once, as `fill`
  const bool white;
  const bool shift;
  const int st;
  const int elx, ety, erx, eby;
  const FillColour fill;  // U and V of `color`, and its RGB offsets

  PixelFormat format;
  Logic logic;
  Brightness brightness;
};

AVSValue CreateCrossFill(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
