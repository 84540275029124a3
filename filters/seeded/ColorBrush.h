// ColorBrush: colours every mask region of value 1 that a straight stroke crosses with the
// stroke's chroma, keeping (and optionally shifting or stretching) each pixel's brightness;
// strokes drift with the frame number and can be drawn in a line colour.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/seeded/Painting.h"
#include "filters/seeded/SeededFilter.h"
#include "filters/seeded/Seeds.h"
#include "host/avisynth.h"

namespace tintara {

class ColorBrush : public SeededFilter<ColorBrush> {
 public:
  ColorBrush(const PClip& child, const PClip& mask, int sf, int ef, const std::vector<int>& values, bool shift,
             int st, int movex, int movey, bool lshow, int lcol);

 private:
  friend class SeededFilter<ColorBrush>;
  template <PixelFormat F>
  void ColourFrame(int n, FrameWork& work) const;

  const std::vector<Stroke> strokes;
  const int strokeCount;
  // Kept with the other arguments; the frames use `brightness`, worked out from them.
  [[maybe_unused]] const bool shift;
  [[maybe_unused]] const int st;
  const int movex, movey;
  const bool lshow;
  const int lcol;

  const Brightness brightness;
};

AVSValue CreateColorBrush(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
