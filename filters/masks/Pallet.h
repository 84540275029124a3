// Pallet: draws a chart of colour boxes over every frame: in each box a left-to-right ramp of
// green (RGB) or luma (YUV) whose start advances from frame to frame, the other channels set by
// the box's column and row in the grid.
#pragma once

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

class Pallet : public GenericVideoFilter {
 public:
  Pallet(const PClip& child, int sgy, int egy, int fgy, int hbox, int vbox, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  const int sgy, egy, fgy;
  const int hbox, vbox;
  static constexpr int margin = 2;  // undrawn strip around each box
  int box_width = 0, box_height = 0;

  PixelFormat format;
};

AVSValue CreatePallet(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
