// BlankClip: a clip of one colour, every frame the same picture.
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "runtime/MemoryClip.h"
#include "runtime/builtins/ColorConvert.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/Sources.h"

namespace tintara {

namespace {

enum { kTemplate, kLength, kWidth, kHeight, kPixelType, kFps, kColor, kColorYuv };

void Fill(const PVideoFrame& f, const VideoInfo& vi, uint32_t color, bool yuv_given, uint32_t color_yuv) {
  const BYTE r = (color >> 16) & 255, g = (color >> 8) & 255, b = color & 255, fourth = (color >> 24) & 255;
  Yuv yuv = RgbToYuv(r, g, b);
  if (yuv_given) yuv = {static_cast<int>((color_yuv >> 16) & 255), static_cast<int>((color_yuv >> 8) & 255),
                        static_cast<int>(color_yuv & 255)};
  BYTE* row = f->GetWritePtr();
  const int pitch = f->GetPitch();
  for (int y = 0; y < vi.height; ++y, row += pitch) {
    BYTE* p = row;
    switch (vi.pixel_type) {
      case VideoInfo::CS_BGR24:
        for (int x = 0; x < vi.width; ++x, p += 3) p[0] = b, p[1] = g, p[2] = r;
        break;
      case VideoInfo::CS_BGR32:
        for (int x = 0; x < vi.width; ++x, p += 4) p[0] = b, p[1] = g, p[2] = r, p[3] = fourth;
        break;
      case VideoInfo::CS_YUY2:
        for (int x = 0; x < vi.width; x += 2, p += 4)
          p[0] = p[2] = static_cast<BYTE>(yuv.y), p[1] = static_cast<BYTE>(yuv.u), p[3] = static_cast<BYTE>(yuv.v);
        break;
      default:
        std::memset(p, yuv.y, static_cast<size_t>(vi.width));
        break;
    }
  }
  if (IsPlanarType(vi.pixel_type)) {
    for (int plane : {PLANAR_U, PLANAR_V}) {
      BYTE* c = f->GetWritePtr(plane);
      for (int y = 0; y < vi.height / 2; ++y, c += f->GetPitch(plane))
        std::memset(c, plane == PLANAR_U ? yuv.u : yuv.v, static_cast<size_t>(vi.width / 2));
    }
  }
}

// The picture is made when a frame is first asked for, so a script that only declares a clip,
// or asks for its information, spends no memory on it (a wide blank clip is hundreds of MB).
class BlankClip : public IClip {
 public:
  BlankClip(const VideoInfo& vi, uint32_t color, bool yuv_given, uint32_t color_yuv)
      : vi_(vi), color_(color), yuv_given_(yuv_given), color_yuv_(color_yuv) {}

  PVideoFrame GetFrame(int, IScriptEnvironment* env) override {
    // A failure (out of memory) leaves the flag unset, so a later request tries again.
    std::call_once(made_, [&] {
      PVideoFrame frame = env->NewVideoFrame(vi_);
      Fill(frame, vi_, color_, yuv_given_, color_yuv_);
      frame_ = frame;
    });
    return frame_;
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  const VideoInfo vi_;
  const uint32_t color_;
  const bool yuv_given_;
  const uint32_t color_yuv_;
  std::once_flag made_;
  PVideoFrame frame_;
};

}  // namespace

Value BlankClipFunction(Environment& env, std::vector<Value>& args) {
  const std::string name = "BlankClip";
  const std::vector<Value>& clips = args[kTemplate].array;
  if (clips.size() > 1) env.Fail(name + ": give at most one clip to take the format from");
  VideoInfo vi = VideoInfoOf(VideoInfo::CS_BGR32, 640, 480, 240);
  vi.fps_numerator = 24;
  if (!clips.empty()) {
    const VideoInfo& model = clips[0].clip->GetVideoInfo();
    vi = VideoInfoOf(model.pixel_type, model.width, model.height, model.num_frames);
    vi.fps_numerator = model.fps_numerator;
    vi.fps_denominator = model.fps_denominator;
  }
  if (args[kLength].Defined()) vi.num_frames = args[kLength].integer;
  if (args[kWidth].Defined()) vi.width = args[kWidth].integer;
  if (args[kHeight].Defined()) vi.height = args[kHeight].integer;
  vi.pixel_type = PixelTypeArgument(env, name, args[kPixelType], vi.pixel_type);
  if (args[kFps].Defined()) SetFrameRate(env, name, args[kFps].AsFloat(), &vi);
  if (vi.num_frames < 1) env.Fail(name + ": length must be at least 1");
  if (args[kColor].Defined() && args[kColorYuv].Defined()) env.Fail(name + ": give color or color_yuv, not both");
  CheckClipFormat(env, name, vi);

  return Value::Clip(PClip(new BlankClip(vi, static_cast<uint32_t>(args[kColor].integer), args[kColorYuv].Defined(),
                                          static_cast<uint32_t>(args[kColorYuv].integer))));
}

}  // namespace tintara
