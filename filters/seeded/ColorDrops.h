// ColorDrops: colours the mask region under each seed point with the seed's chroma, keeping
// (and optionally shifting or stretching) each pixel's brightness; seeds drift across the range.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/seeded/Painting.h"
#include "filters/seeded/SeededFilter.h"
#include "filters/seeded/Seeds.h"
#include "host/avisynth.h"

namespace tintara {

class ColorDrops : public SeededFilter<ColorDrops> {
 public:
  ColorDrops(const PClip& child, const PClip& mask, int sf, int ef, const std::vector<int>& values, int movex,
             int movey, bool shift, int st, bool pshow, int pcolor, bool wshed);

 private:
  friend class SeededFilter<ColorDrops>;
  template <PixelFormat F>
  void ColourFrame(int n, FrameWork& work) const;

  const std::vector<Seed> sets;
  const int setCount;
  const int movex, movey;
  // Kept with the other arguments; the frames use `brightness`, worked out from them.
  [[maybe_unused]] const bool shift;
  [[maybe_unused]] const int st;
  const bool pshow;
  const int pcolor;
  const bool wshed;
  BYTE pR, pG, pB, pY, pU, pV;

  const Brightness brightness;
};

AVSValue CreateColorDrops(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
