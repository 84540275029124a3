// The frame range and the moving window shared by the filters with a test mode (MaskMaker,
// EMarker, SharpEdge): their checks in one place, each message starting with the filter's name.
#pragma once

#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

struct SweepRange {
  int sf = 0, ef = 0;
  bool test = false;
};

// Test mode: frames 0..ef-1 are made from source frame sf; otherwise sf..ef are worked on.
void CheckSweepRange(const char* name, const SweepRange& r, int frames, IScriptEnvironment* env);

// How a filter words its start window messages: MaskMaker says "must be 0 and W-4" and shows
// W-4 (H-4) as the largest right (bottom) edge; the others say "must be between" and show W-1.
enum class WindowWording { Plain, Between };

// The start window lx..rx, ty..by must lie in the frame, at least five pixels wide and high.
void CheckStartWindow(const char* name, const Window& w, int width, int height, WindowWording wording,
                      IScriptEnvironment* env);

}  // namespace tintara
