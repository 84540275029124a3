// ColorBrush: colours every mask region of value 1 that a straight stroke crosses with the
// stroke's chroma, keeping (and optionally shifting or stretching) each pixel's brightness;
// strokes drift with the frame number and can be drawn in a line colour.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/seeded/SeededFilter.h"
#include "filters/seeded/Seeds.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order; `values` are the strokes' five numbers each.
struct ColorBrushArgs {
  PClip clip, mask;
  int sf = 0, ef = 0;
  std::vector<int> values;
  bool shift = true;
  int st = 0, movex = 0, movey = 0;
  bool lshow = false;
  int lcol = 0;
};

class ColorBrush : public SeededFilter<ColorBrush, ColorBrushArgs> {
 public:
  explicit ColorBrush(const ColorBrushArgs& args);

 private:
  friend class SeededFilter<ColorBrush, ColorBrushArgs>;
  template <PixelFormat F, bool Offset>
  void ColourFrame(int n, FrameWork& work) const;

  const std::vector<Stroke> strokes;
  const Brightness brightness;  // of shift and st
  const MarkerColour line;      // of lcol
};

const char* ColorBrushSignature();
AVSValue CreateColorBrush(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
