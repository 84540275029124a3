// The built-in editing functions, as the environment calls them.
#pragma once

#include <vector>

#include "runtime/Environment.h"

namespace tintara {

// "cii": Trim(first, last); last 0 is the clip's end, a negative last is a frame count.
Value TrimFunction(Environment& env, std::vector<Value>& args);
// "c+": clips of one pixel type side by side (same height) or one above another (same width).
Value StackHorizontalFunction(Environment& env, std::vector<Value>& args);
Value StackVerticalFunction(Environment& env, std::vector<Value>& args);

}  // namespace tintara
