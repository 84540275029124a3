// What the built-in functions share about clips: the five pixel types by name, the checks a
// new clip's format and size must pass, and frame rates given as a float.
#pragma once

#include <string>

#include "runtime/Environment.h"

namespace tintara {

// The pixel type named "RGB24", "RGB32", "YUY2", "YV12" or "I420" (any case); 0 otherwise.
int PixelTypeNamed(const std::string& name);
// Fails for a pixel_type name that is none of the five: with `message` (the function's own
// AviSynth+ message) for names AviSynth+ does not know either, and with a message that says
// tintara lacks the format for names of AviSynth+'s other formats (YV24, Y8, RGB48, ...).
[[noreturn]] void FailUnknownPixelType(Environment& env, const std::string& function, const std::string& name,
                                       const std::string& message);
// The name of one of the five pixel types, or "unknown".
const char* PixelTypeName(int pixel_type);
// Reads a pixel_type argument, failing with "<function>: unknown pixel_type ..." when it is
// none of the five; `fallback` when the argument is absent.
int PixelTypeArgument(Environment& env, const std::string& function, const Value& arg, int fallback);

// YV12 and I420 hold the same samples and count as one format wherever clips must match.
inline bool SameFormat(int a, int b) {
  return a == b ||
         ((a == VideoInfo::CS_YV12 || a == VideoInfo::CS_I420) && (b == VideoInfo::CS_YV12 || b == VideoInfo::CS_I420));
}
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

inline bool IsRgbType(int t) { return t == VideoInfo::CS_BGR24 || t == VideoInfo::CS_BGR32; }
inline bool IsPlanarType(int t) { return t == VideoInfo::CS_YV12 || t == VideoInfo::CS_I420; }

// Fails with "<function>: ..." when frames of this format and size cannot be made (odd
// sizes for subsampled formats, sizes too large for the frame layout).
void CheckClipFormat(Environment& env, const std::string& function, const VideoInfo& vi);

// Sets the clip's frame rate from frames per second; fails unless 0.001 <= fps <= 1000000.
void SetFrameRate(Environment& env, const std::string& function, double fps, VideoInfo* vi);

// "64x48 RGB24", for messages.
std::string Describe(const VideoInfo& vi);

}  // namespace tintara
