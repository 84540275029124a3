// Every clip asks the clip before it for its frame, so making a frame of a chain of N clips
// nests N calls on one thread's stack. The guard turns a chain too long for the stack into a
// clear error instead of a crash: each call through the runtime's clip wrapper checks how much
// of its thread's stack is left.
#pragma once

#include <cstddef>

#include "host/avisynth.h"

namespace tintara {

// Stack kept free below the point of the check (a quarter of smaller stacks): enough for one filter's GetFrame, a new
// frame and the unwinding of an error, sanitizer builds included.
constexpr size_t kStackMargin = 512 * 1024;

// Throws the host's error (through `env`) when less than kStackMargin of the calling thread's
// stack is left.
void CheckStackLeft(IScriptEnvironment* env);

}  // namespace tintara
