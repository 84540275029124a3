// ColorLine: fills the 8-connected black (0) or white (255) mask area under each seed with the
// seed's solid colour, brightness included; seeds drift across the frame range.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/seeded/SeededFilter.h"
#include "filters/seeded/Seeds.h"
#include "host/avisynth.h"

namespace tintara {

class ColorLine : public SeededFilter<ColorLine> {
 public:
  // Checks the clips (pixel types, sizes, frame counts) and throws on the first mismatch.
  ColorLine(const PClip& child, const PClip& mask, int sf, int ef, const std::vector<int>& values, bool pshow,
            int pcolor, int movex, int movey, IScriptEnvironment* env);

 private:
  friend class SeededFilter<ColorLine>;
  template <PixelFormat F>
  void ColourFrame(int n, FrameWork& work) const;

  const std::vector<Seed> sets;
  const int setCount;
  const bool pshow;
  const int pcolor;
  const int movex, movey;
  BYTE pR, pG, pB, pY, pU, pV;

};

AVSValue CreateColorLine(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
