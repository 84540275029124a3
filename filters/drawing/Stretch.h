// Stretch: scales the brightness of the pixels inside a fixed rectangle, circle or ellipse that
// a reference clip selects by `st` percent, over a range of frames.
#pragma once

#include "filters/drawing/RegionFilter.h"

namespace tintara {

AVSValue CreateStretch(AVSValue args, void* user_data, IScriptEnvironment* env);

}  // namespace tintara
