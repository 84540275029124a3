// Conversions between the five pixel types with BT.601 coefficients in limited range (Y 16..235,
// U and V 16..240). Chroma that is shared by several pixels is computed from their mean RGB
// (or their mean chroma between YUV layouts); chroma is spread to the pixels it covers when
// going the other way.
#pragma once

#include <string>

#include "runtime/Environment.h"

namespace tintara {

struct Yuv {
  int y, u, v;
};
struct Rgb {
  int r, g, b;
};

// One pixel, rounded to nearest, results within 0..255.
Yuv RgbToYuv(int r, int g, int b);
Rgb YuvToRgb(int y, int u, int v);

// `clip` with `pixel_type` (the clip itself when it has it already); fails with
// "<function>: ..." when the clip's size does not allow the format.
PClip ConvertClip(Environment& env, const PClip& clip, int pixel_type, const std::string& function);

// One frame of format `from` converted into a new frame of `pixel_type`.
PVideoFrame ConvertFrame(IScriptEnvironment* env, const PVideoFrame& src, const VideoInfo& from, int pixel_type);

}  // namespace tintara
