// ColorDrops: colours the mask region under each seed point with the seed's chroma, keeping
// (and optionally shifting or stretching) each pixel's brightness; seeds drift across the range.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/seeded/SeededFilter.h"
#include "filters/seeded/Seeds.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order; `values` are the seeds' three numbers each.
struct ColorDropsArgs {
  PClip clip, mask;
  int sf = 0, ef = 0;
  std::vector<int> values;
  int movex = 0, movey = 0;
  bool shift = true;
  int st = 0;
  bool pshow = false;
  int pcolor = 0;
  bool wshed = false;
};

class ColorDrops : public SeededFilter<ColorDrops, ColorDropsArgs> {
 public:
  explicit ColorDrops(const ColorDropsArgs& args);

 private:
  friend class SeededFilter<ColorDrops, ColorDropsArgs>;
  template <PixelFormat F, bool Offset>
  void ColourFrame(int n, FrameWork& work) const;

  const std::vector<Seed> sets;
  const MarkerColour dot;       // of pcolor
  const Brightness brightness;  // of shift and st
};

const char* ColorDropsSignature();
AVSValue CreateColorDrops(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
