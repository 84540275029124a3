// The built-in functions that pick and renumber frames, as the environment calls them
// (arguments bound in signature order; the signatures are AviSynth+'s).
#pragma once

#include <vector>

#include "runtime/Environment.h"

namespace tintara {

// "cii[pad]b[cache]b", "ci[length]i[pad]b[cache]b", "ci[end]i[pad]b[cache]b"
Value TrimFunction(Environment& env, std::vector<Value>& args);
Value TrimLengthFunction(Environment& env, std::vector<Value>& args);
Value TrimEndFunction(Environment& env, std::vector<Value>& args);
// "c"
Value ReverseFunction(Environment& env, std::vector<Value>& args);
// "c[times]i[start]i[end]i"
Value LoopFunction(Environment& env, std::vector<Value>& args);
// "cii*": step, then the offsets
Value SelectEveryFunction(Environment& env, std::vector<Value>& args);
// "ci[sync_audio]b" and "cii[sync_audio]b", "cf[sync_audio]b", "cs[sync_audio]b", "cc[sync_audio]b"
Value AssumeFpsIntFunction(Environment& env, std::vector<Value>& args);
Value AssumeFpsFloatFunction(Environment& env, std::vector<Value>& args);
Value AssumeFpsPresetFunction(Environment& env, std::vector<Value>& args);
Value AssumeFpsClipFunction(Environment& env, std::vector<Value>& args);
// "cc+": the frames of each clip in turn. Without audio, aligned and unaligned are the same.
Value SpliceFunction(Environment& env, std::vector<Value>& args);

// The rate p/q (the smallest q) that AssumeFPS picks for a float rate; false when it has none
// that fits 32 bits.
bool FloatFrameRate(double fps, unsigned* numerator, unsigned* denominator);

}  // namespace tintara
