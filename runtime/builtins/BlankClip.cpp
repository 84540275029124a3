// BlankClip: a clip of one colour, every frame the same picture.
#include <cmath>
#include <numeric>

#include "runtime/MemoryClip.h"
#include "runtime/builtins/FillColour.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/FrameRows.h"
#include "runtime/builtins/Sources.h"
#include "runtime/builtins/StillClip.h"

namespace tintara {

namespace {

enum {
  kTemplate,
  kLength,
  kWidth,
  kHeight,
  kPixelType,
  kFps,
  kFpsDenominator,
  kAudioRate,
  kStereo,
  kSixteenBit,
  kColor,
  kColorYuv,
  kClip
};

// A float rate without a denominator: fps and a denominator of 1 are doubled together while
// both stay below 2^24, then the numerator is rounded, which keeps about 24 bits of the value
// (29.97 is 31425823/1048576).
void FloatRate(double fps, unsigned long long* num, unsigned long long* den) {
  double d = 1;
  while (fps < 16777216.0 && d < 16777216.0) fps *= 2, d *= 2;
  *num = static_cast<unsigned long long>(fps + 0.5);
  *den = static_cast<unsigned long long>(d);
}

}  // namespace

Value BlankClipFunction(Environment& env, std::vector<Value>& args) {
  const std::string name = "BlankClip";
  std::vector<PClip> templates;
  for (const Value& v : args[kTemplate].array) templates.push_back(v.clip);
  if (args[kClip].Defined()) templates.push_back(args[kClip].clip);
  if (templates.size() > 1) env.Fail("BlankClip: Only 1 Template clip allowed.");
  VideoInfo vi = VideoInfoOf(VideoInfo::CS_BGR32, 640, 480, 240);
  vi.fps_numerator = 24;
  if (!templates.empty()) {
    const VideoInfo& model = templates[0]->GetVideoInfo();
    vi = VideoInfoOf(model.pixel_type, model.width, model.height, model.num_frames);
    vi.fps_numerator = model.fps_numerator;
    vi.fps_denominator = model.fps_denominator;
  }
  if (args[kLength].Defined()) vi.num_frames = args[kLength].integer;
  if (args[kWidth].Defined()) vi.width = args[kWidth].integer;
  if (args[kHeight].Defined()) vi.height = args[kHeight].integer;
  if (args[kPixelType].Defined()) {
    vi.pixel_type = PixelTypeNamed(args[kPixelType].string);
    if (vi.pixel_type == 0)
      FailUnknownPixelType(
          env, name, args[kPixelType].string,
          "BlankClip: pixel_type must be \"RGB32\", \"RGB24\", \"YV12\", \"YV24\", \"YV16\", \"Y8\", \n"
          "\"YUV420P?\",\"YUV422P?\",\"YUV444P?\",\"Y?\",\n\"RGB48\",\"RGB64\",\"RGBP\",\"RGBP?\",\n"
          "\"YV411\" or \"YUY2\"");
  }
  if (args[kFps].Defined()) {
    const double fps = args[kFps].AsFloat();
    if (!(fps > 0 && fps < 4294967295.0)) env.Fail("BlankClip: fps must be greater than 0");
    unsigned long long num, den;
    if (args[kFpsDenominator].Defined()) {
      num = static_cast<unsigned long long>(fps + 0.5);
      den = static_cast<unsigned long long>(std::max(1, args[kFpsDenominator].integer));
    } else {
      FloatRate(fps, &num, &den);
    }
    const unsigned long long g = std::gcd(num, den);
    vi.fps_numerator = static_cast<unsigned>(num / g);
    vi.fps_denominator = static_cast<unsigned>(den / g);
  }
  if (vi.num_frames < 0) env.Fail("BlankClip: length cannot be negative");
  // The messages of AviSynth+'s frame allocator, which refuses these sizes.
  if (vi.IsPlanar() && (vi.width & 1))
    env.Fail("Filter Error: Attempted to request a planar frame that wasn't mod2 in width!");
  if (vi.IsPlanar() && (vi.height & 1))
    env.Fail("Filter Error: Attempted to request a planar frame that wasn't mod2 in height!");
  if (vi.IsYUY2() && (vi.width & 1))
    env.Fail("Filter Error: Attempted to request an YUY2 frame that wasn't mod2 in width.");
  const FillColour colour = FillColourOf(env, name, vi.pixel_type, args[kColor], args[kColorYuv]);
  CheckClipFormat(env, name, vi);
  return Value::Clip(PClip(new StillClip(vi, [colour](const PVideoFrame& frame, const VideoInfo& vi) {
    for (int p = 0; p < PlaneCount(vi); ++p) {
      const PlaneRows<BYTE> rows = WriteRows(frame, vi, p);
      for (int y = 0; y < rows.rows; ++y)
        PaintRow(rows.Row(y), p == 0 ? vi.width : vi.width / 2, vi.pixel_type, p, colour);
    }
  })));
}

}  // namespace tintara
