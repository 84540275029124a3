// Conversions between the five pixel types, byte for byte as AviSynth+ 3.7.5 makes them with
// its default arguments: Rec.601, limited-range YUV, full-range RGB, 4:2:0 chroma at MPEG-2
// positions resized bicubically, and the fixed-point rounding of its x86-64 routines.
#pragma once

#include <string>

#include "runtime/Environment.h"

namespace tintara {

// `clip` with `pixel_type`: the clip itself when it has it already (ConvertToYV12 keeps an
// I420 clip as it is), else a converting clip. Fails with AviSynth+'s messages for sizes the
// conversion refuses.
PClip ConvertClip(Environment& env, const PClip& clip, int pixel_type, const std::string& function);

// One frame of format `from` converted into a new frame of `pixel_type`; the same routine as
// ConvertClip's.
PVideoFrame ConvertFrame(IScriptEnvironment* env, const PVideoFrame& src, const VideoInfo& from, int pixel_type);

}  // namespace tintara
