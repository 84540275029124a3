// Shift: adds `st` to the brightness of the pixels inside a fixed rectangle, circle or ellipse
// that a reference clip selects, over a range of frames.
#pragma once

#include "filters/drawing/RegionFilter.h"

namespace tintara {

AVSValue CreateShift(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
