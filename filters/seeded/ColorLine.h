// ColorLine: fills the 8-connected black (0) or white (255) mask area under each seed with the
// seed's solid colour, brightness included; seeds drift across the frame range.
#pragma once

#include <vector>

#include "filters/common/Format.h"
#include "filters/seeded/SeededFilter.h"
#include "filters/seeded/Seeds.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order; `values` are the seeds' three numbers each.
struct ColorLineArgs {
  PClip clip, mask;
  int sf = 0, ef = 0;
  std::vector<int> values;
  bool pshow = false;
  int pcolor = 0, movex = 0, movey = 0;
};

class ColorLine : public SeededFilter<ColorLine, ColorLineArgs> {
 public:
  explicit ColorLine(const ColorLineArgs& args);

 private:
  friend class SeededFilter<ColorLine, ColorLineArgs>;
  template <PixelFormat F, bool>
  void ColourFrame(int n, FrameWork& work) const;

  const std::vector<Seed> sets;
  const MarkerColour dot;  // of pcolor
};

const char* ColorLineSignature();
AVSValue CreateColorLine(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
