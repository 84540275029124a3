#include "filters/seeded/ColorLine.h"

#include <cstdint>

#include "filters/common/ArgTable.h"
#include "filters/common/Painting.h"
#include "filters/seeded/SpanFill.h"

namespace tintara {

namespace {

using A = ColorLineArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Clip(&A::mask),
    Int(nullptr, &A::sf),
    Int(nullptr, &A::ef),
    Ints(&A::values),
    Bool("pshow", &A::pshow, false),
    Int("pcolor", &A::pcolor, 0),
    Int("movex", &A::movex, 0),
    Int("movey", &A::movey, 0),
};

constexpr BYTE kBlack = 0, kWhite = 255, kFilled = 128;

}  // namespace

ColorLine::ColorLine(const ColorLineArgs& args, IScriptEnvironment* env)
    : SeededFilter(args),
      sets(SeedsOf(args.values)),
      setCount(static_cast<int>(sets.size())),
      dot(MarkerColourOf(args.pcolor)) {
  const VideoInfo& mvi = arg.mask->GetVideoInfo();
  CheckSeededClips("ColorLine", vi, mvi, env);
  if (vi.num_frames < arg.sf || vi.num_frames < arg.ef)
    env->ThrowError("ColorLine:the clip has fewer frames than start or end frame");
  if (mvi.num_frames < arg.sf || mvi.num_frames < arg.ef)
    env->ThrowError("ColorLine:The Right Clip has fewer frames than the end frame number given");
}

template <PixelFormat F>
void ColorLine::ColourFrame(int n, FrameWork& work) const {
  ForEachSeed<F>(sets, arg, n, work, dot, [&](int x, int r, int colour) {
    const BYTE v = work.samples.At(x, r);
    if (v != kBlack && v != kWhite) return;
    // Solid painting writes exactly what a marker dot writes, run by run.
    const MarkerColour solid = MarkerColourOf(colour);
    SpanFill<Neighbours::Eight>(work.samples, x, r, v, kFilled, &work.stack,
                                [&](int a, int b, int pr) { MarkerRun<F>(work.out, a, b, pr, solid); });
  });
}

const char* ColorLineSignature() { return SignatureText<kArgs>(); }

AVSValue CreateColorLine(AVSValue args, void*, IScriptEnvironment* env) {
  const ColorLineArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  if (a.sf > a.ef || a.sf < 0 || a.ef < 0)
    env->ThrowError("ColorLine:frame numbers must be +ve and end number not less than start number");
  if (a.values.size() % 3 != 0)
    env->ThrowError("ColorLine: A value may be missing or may be extra in the  parameter sets");
  for (const Seed& s : SeedsOf(a.values)) {
    if (s.x < 0 || s.y < 0 || s.x >= W || s.y >= H)
      env->ThrowError(
          "ColorLine: one or more  coordinates of x and or y are outside frame width of %d frame height of %d", W, H);
    // 64 bits: a drift near the int limits must be refused, not wrap into the frame.
    const int64_t mx = static_cast<int64_t>(s.x) + a.movex, my = static_cast<int64_t>(s.y) + a.movey;
    if (mx < 0 || my < 0 || mx >= W || my >= H)
      env->ThrowError(
          "ColorLine: movex or movey pushes one or more  coordinates of x and or y to outside frame width of %d frame "
          "height of %d",
          W, H);
  }

  return Created(new ColorLine(a, env), args);
}

}  // namespace tintara
