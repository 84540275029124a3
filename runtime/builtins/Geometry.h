// The built-in functions that change the picture's geometry, as the environment calls them
// (AviSynth+'s signatures).
#pragma once

#include <vector>

#include "runtime/Environment.h"

namespace tintara {

// "ciiii[align]b": left, top, width, height (width or height <= 0 counts from the right or bottom)
Value CropFunction(Environment& env, std::vector<Value>& args);
// "ci"
Value CropBottomFunction(Environment& env, std::vector<Value>& args);
// "ciiii[color]i[color_yuv]i[resample]s[param1]f[param2]f[param3]f[r]i"
Value AddBordersFunction(Environment& env, std::vector<Value>& args);
// "c"
Value FlipVerticalFunction(Environment& env, std::vector<Value>& args);
Value FlipHorizontalFunction(Environment& env, std::vector<Value>& args);
// "cc+": clips of one format side by side (same height) or one above another (same width).
Value StackHorizontalFunction(Environment& env, std::vector<Value>& args);
Value StackVerticalFunction(Environment& env, std::vector<Value>& args);

}  // namespace tintara
