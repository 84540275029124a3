// The built-in sources, as the environment calls them (arguments bound in signature order).
#pragma once

#include <vector>

#include "runtime/Environment.h"

namespace tintara {

// "c*[length]i[width]i[height]i[pixel_type]s[fps]f[fps_denominator]i[audio_rate]i[stereo]b[sixteen_bit]b
//  [color]i[color_yuv]i[clip]c"
Value BlankClipFunction(Environment& env, std::vector<Value>& args);
// "[width]i[height]i[pixel_type]s[staticframes]b"
Value ColorBarsFunction(Environment& env, std::vector<Value>& args);
// "s[width]i[height]i[pixel_type]s[fps]f"
Value RawSourceFunction(Environment& env, std::vector<Value>& args);
// "s[start]i[end]i[pixel_type]s[fps]f"
Value ImageSourceFunction(Environment& env, std::vector<Value>& args);

}  // namespace tintara
