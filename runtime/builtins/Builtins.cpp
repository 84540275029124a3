#include "runtime/builtins/Builtins.h"

#include "runtime/CacheClip.h"
#include "runtime/builtins/ColorConvert.h"
#include "runtime/builtins/Editing.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/Geometry.h"
#include "runtime/builtins/Sources.h"

namespace tintara {

namespace {

// The conversions take AviSynth+'s optional arguments; only their defaults are available here
// (Rec.601, progressive, MPEG-2 chroma placement, bicubic chroma), so anything else is refused
// rather than quietly ignored. `names` are the signature's names after the clip.
Environment::Builtin Conversion(int pixel_type, const std::string& function, std::vector<std::string> names) {
  return [pixel_type, function, names](Environment& env, std::vector<Value>& args) {
    for (size_t i = 0; i < names.size(); ++i) {
      const Value& v = args[i + 1];
      if (!v.Defined()) continue;
      const std::string& name = names[i];
      const bool fine = (name == "interlaced" && !v.boolean) ||
                        (name == "matrix" && SameNameIgnoringCase(v.string, "Rec601")) ||
                        ((name == "ChromaInPlacement" || name == "ChromaOutPlacement") &&
                         (SameNameIgnoringCase(v.string, "MPEG2") || SameNameIgnoringCase(v.string, "left"))) ||
                        (name == "chromaresample" && SameNameIgnoringCase(v.string, "bicubic"));
      if (!fine)
        env.Fail(function +
                 ": tintara converts only with the defaults (matrix \"Rec601\", interlaced=false, chroma "
                 "placement \"MPEG2\", chromaresample \"bicubic\"); leave out " +
                 name);
    }
    // ConvertToRGB leaves either RGB as it is.
    const VideoInfo& vi = args[0].clip->GetVideoInfo();
    const int to = function == "ConvertToRGB" && vi.IsRGB() ? vi.pixel_type : pixel_type;
    return Value::Clip(ConvertClip(env, args[0].clip, to, function));
  };
}

}  // namespace

void RegisterBuiltins(Environment& env) {
  env.AddBuiltin("ColorBars", "[width]i[height]i[pixel_type]s[staticframes]b", ColorBarsFunction);
  env.AddBuiltin("BlankClip",
                 "c*[length]i[width]i[height]i[pixel_type]s[fps]f[fps_denominator]i[audio_rate]i[stereo]b"
                 "[sixteen_bit]b[color]i[color_yuv]i[clip]c",
                 BlankClipFunction);
  env.AddBuiltin("RawSource", "s[width]i[height]i[pixel_type]s[fps]f[frames]i", RawSourceFunction);
  env.AddBuiltin("ImageSource", "s[start]i[end]i[pixel_type]s[fps]f", ImageSourceFunction);

  const std::string to_rgb = "c[matrix]s[interlaced]b[ChromaInPlacement]s[chromaresample]s[param1]f[param2]f[param3]f";
  const std::vector<std::string> rgb_names = {"matrix", "interlaced", "ChromaInPlacement", "chromaresample", "param1",
                                              "param2", "param3"};
  const std::string to_yuy2 = "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s[param1]f[param2]f[param3]f";
  const std::vector<std::string> yuy2_names = {"interlaced", "matrix", "ChromaInPlacement", "chromaresample", "param1",
                                               "param2",     "param3"};
  const std::string to_420 =
      "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s[ChromaOutPlacement]s[param1]f[param2]f[param3]f";
  const std::vector<std::string> names_420 = {
      "interlaced", "matrix", "ChromaInPlacement", "chromaresample", "ChromaOutPlacement", "param1",
      "param2",     "param3"};
  env.AddBuiltin("ConvertToRGB", to_rgb, Conversion(VideoInfo::CS_BGR32, "ConvertToRGB", rgb_names));
  env.AddBuiltin("ConvertToRGB24", to_rgb, Conversion(VideoInfo::CS_BGR24, "ConvertToRGB24", rgb_names));
  env.AddBuiltin("ConvertToRGB32", to_rgb, Conversion(VideoInfo::CS_BGR32, "ConvertToRGB32", rgb_names));
  env.AddBuiltin("ConvertToYUY2", to_yuy2, Conversion(VideoInfo::CS_YUY2, "ConvertToYUY2", yuy2_names));
  env.AddBuiltin("ConvertToYV12", to_420, Conversion(VideoInfo::CS_YV12, "ConvertToYV12", names_420));
  env.AddBuiltin("ConvertToI420", to_420, Conversion(VideoInfo::CS_I420, "ConvertToI420", names_420));

  env.AddBuiltin("Trim", "cii[pad]b[cache]b", TrimFunction);
  env.AddBuiltin("Trim", "ci[length]i[pad]b[cache]b", TrimLengthFunction);
  env.AddBuiltin("Trim", "ci[end]i[pad]b[cache]b", TrimEndFunction);
  env.AddBuiltin("Reverse", "c", ReverseFunction);
  env.AddBuiltin("Loop", "c[times]i[start]i[end]i", LoopFunction);
  env.AddBuiltin("SelectEvery", "cii*", SelectEveryFunction);
  env.AddBuiltin("AssumeFPS", "ci[sync_audio]b", AssumeFpsIntFunction);
  env.AddBuiltin("AssumeFPS", "cii[sync_audio]b", AssumeFpsIntFunction);
  env.AddBuiltin("AssumeFPS", "cf[sync_audio]b", AssumeFpsFloatFunction);
  env.AddBuiltin("AssumeFPS", "cs[sync_audio]b", AssumeFpsPresetFunction);
  env.AddBuiltin("AssumeFPS", "cc[sync_audio]b", AssumeFpsClipFunction);
  env.AddBuiltin("UnalignedSplice", "cc+", SpliceFunction);
  env.AddBuiltin("AlignedSplice", "cc+", SpliceFunction);

  env.AddBuiltin("Crop", "ciiii[align]b", CropFunction);
  env.AddBuiltin("CropBottom", "ci", CropBottomFunction);
  env.AddBuiltin("AddBorders", "ciiii[color]i[color_yuv]i[resample]s[param1]f[param2]f[param3]f[r]i",
                 AddBordersFunction);
  env.AddBuiltin("FlipVertical", "c", FlipVerticalFunction);
  env.AddBuiltin("FlipHorizontal", "c", FlipHorizontalFunction);
  env.AddBuiltin("StackHorizontal", "cc+", StackHorizontalFunction);
  env.AddBuiltin("StackVertical", "cc+", StackVerticalFunction);

  env.AddBuiltin("Width", "c",
                 [](Environment&, std::vector<Value>& args) { return Value::Int(args[0].clip->GetVideoInfo().width); });
  env.AddBuiltin("Height", "c", [](Environment&, std::vector<Value>& args) {
    return Value::Int(args[0].clip->GetVideoInfo().height);
  });
  env.AddBuiltin("FrameCount", "c", [](Environment& env, std::vector<Value>& args) {
    if (LengthUnknown(args[0].clip)) env.Fail(std::string("FrameCount: ") + kLengthUnknownMessage);
    return Value::Int(args[0].clip->GetVideoInfo().num_frames);
  });
  env.AddBuiltin("LoadPlugin", "s", [](Environment& env, std::vector<Value>& args) {
    return Value::String(env.LoadPlugin(args[0].string));
  });
}

}  // namespace tintara
