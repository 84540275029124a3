// Pallet: draws a chart of colour boxes over every frame: in each box a left-to-right ramp of
// green (RGB) or luma (YUV) whose start advances from frame to frame, the other channels set by
// the box's column and row in the grid.
#pragma once

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

// The arguments, in signature order.
struct PalletArgs {
  PClip clip;
  int sgy = 0, egy = 0, fgy = 0;
  int hbox = 0, vbox = 0;
};

// The chart of one frame: box geometry and the ramp.
struct PalletChart;

class Pallet : public GenericVideoFilter {
 public:
  Pallet(const PalletArgs& args, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const PalletArgs arg;
  static constexpr int margin = 2;    // undrawn strip around each box
  int box_width = 0, box_height = 0;  // as drawn: YUY2 boxes start at a pixel pair

  // Frame n's chart: the boxes and the ramp, whose start advances by fgy per frame.
  PalletChart ChartAt(int n) const;
  // Draws the chart over a source frame into a new one, for the clip's format.
  void (*draw)(const PVideoFrame& out, const PVideoFrame& src, const PalletChart& chart);
};

const char* PalletSignature();
AVSValue CreatePallet(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
