#include "runtime/builtins/Builtins.h"

#include "runtime/CacheClip.h"
#include "runtime/builtins/ColorConvert.h"
#include "runtime/builtins/Editing.h"
#include "runtime/builtins/Sources.h"

namespace tintara {

namespace {

Environment::Builtin Conversion(int pixel_type, const std::string& name) {
  return [pixel_type, name](Environment& env, std::vector<Value>& args) {
    return Value::Clip(ConvertClip(env, args[0].clip, pixel_type, name));
  };
}

}  // namespace

void RegisterBuiltins(Environment& env) {
  env.AddBuiltin("BlankClip", "c*[length]i[width]i[height]i[pixel_type]s[fps]f[color]i[color_yuv]i", BlankClipFunction);
  env.AddBuiltin("RawSource", "s[width]i[height]i[pixel_type]s[fps]f[frames]i", RawSourceFunction);
  env.AddBuiltin("ImageSource", "s[start]i[end]i[pixel_type]s[fps]f", ImageSourceFunction);

  env.AddBuiltin("ConvertToRGB24", "c", Conversion(VideoInfo::CS_BGR24, "ConvertToRGB24"));
  env.AddBuiltin("ConvertToRGB32", "c", Conversion(VideoInfo::CS_BGR32, "ConvertToRGB32"));
  env.AddBuiltin("ConvertToRGB", "c", Conversion(VideoInfo::CS_BGR32, "ConvertToRGB"));
  env.AddBuiltin("ConvertToYUY2", "c", Conversion(VideoInfo::CS_YUY2, "ConvertToYUY2"));
  env.AddBuiltin("ConvertToYV12", "c", Conversion(VideoInfo::CS_YV12, "ConvertToYV12"));
  env.AddBuiltin("ConvertToI420", "c", Conversion(VideoInfo::CS_I420, "ConvertToI420"));

  env.AddBuiltin("Trim", "cii", TrimFunction);
  env.AddBuiltin("StackHorizontal", "c+", StackHorizontalFunction);
  env.AddBuiltin("StackVertical", "c+", StackVerticalFunction);

  env.AddBuiltin("Width", "c", [](Environment&, std::vector<Value>& args) {
    return Value::Int(args[0].clip->GetVideoInfo().width);
  });
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
