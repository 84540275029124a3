// Thresholds of the marking filters: fixed normally, swept from a start value toward a final
// value over the frames of test mode.
#pragma once

#include "filters/common/Motion.h"

namespace tintara {

// The threshold's value at step s: its start value, or in test mode the start moved the step's
// fraction of the way toward the final value (truncating toward zero).
inline int ThresholdAt(int start, int final_value, const FrameStep& s, bool test) {
  return test ? Lerp(start, final_value, s.i, s.d) : start;
}

}  // namespace tintara
