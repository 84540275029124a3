// The frame range and the moving window shared by the filters with a test mode (MaskMaker,
// EMarker, SharpEdge): their arguments in one struct, and their checks in one place, each filter
// giving its own messages (the order of the checks is the same for all).
#pragma once

#include "filters/common/ArgTable.h"
#include "filters/common/Motion.h"
#include "host/avisynth.h"

namespace tintara {

struct SweepRange {
  int sf = 0, ef = 0;
  bool test = false;
};

// Test mode: frames 0..ef-1 are made from source frame sf; otherwise sf..ef are worked on.
// `test_text` and `range_text` take the clip's frame count (%d).
void CheckSweepRange(const SweepRange& r, int frames, const char* test_text, const char* range_text,
                     IScriptEnvironment* env);

// The messages of the start window's four checks: left and top take the largest start shown
// (width or height less 4), right and bottom the smallest and largest end shown, the largest
// being the width or height less `shown_end_margin`.
struct StartWindowText {
  const char *left, *top, *right, *bottom;
  int shown_end_margin;
};

// The start window lx..rx, ty..by must lie in the frame, at least five pixels wide and high.
void CheckStartWindow(const Window& w, int width, int height, const StartWindowText& text, IScriptEnvironment* env);

}  // namespace tintara
