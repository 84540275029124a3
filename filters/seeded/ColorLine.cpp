#include "filters/seeded/ColorLine.h"

#include <cstdint>

#include "filters/common/ArgTable.h"
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

ColorLine::ColorLine(const ColorLineArgs& args)
    : SeededFilter(args, RoutineFor<false>(args)), sets(SeedsOf(args.values)), dot(MarkerColourOf(args.pcolor)) {}

template <PixelFormat F, bool>
void ColorLine::ColourFrame(int n, FrameWork& work) const {
  ForEachSeed<F>(sets, arg, n, work, dot, [&](int x, int r, int colour) {
    const BYTE v = work.samples.At(x, r);
    if (v != kBlack && v != kWhite) return;
    // Solid painting writes exactly what a marker dot writes, run by run.
    const MarkerColour solid = MarkerColourOf(colour);
    SpanFill<Neighbours::Eight>(work.samples, x, r, v, kFilled, &work.stack,
                                [&](int x0, int x1, int r) { MarkRun<F>(solid, RowOf<F>(work.out, r), x0, x1); });
  });
}

const char* ColorLineSignature() { return SignatureText<kArgs>(); }

AVSValue CreateColorLine(AVSValue args, void*, IScriptEnvironment* env) {
  const ColorLineArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  CheckFrameOrder("ColorLine", a.sf, a.ef, env);
  CheckWholeSets("ColorLine", a.values, 3, env);
  CheckSeeds("ColorLine", a.values, W, H, env, [&](const Seed& s) {
    // 64 bits: a drift near the int limits must be refused, not wrap into the frame.
    const int64_t mx = static_cast<int64_t>(s.x) + a.movex, my = static_cast<int64_t>(s.y) + a.movey;
    if (mx < 0 || my < 0 || mx >= W || my >= H)
      env->ThrowError(
          "ColorLine: movex or movey pushes one or more  coordinates of x and or y to outside frame width of %d frame "
          "height of %d",
          W, H);
  });
  const VideoInfo& mvi = a.mask->GetVideoInfo();
  CheckSeededClips("ColorLine", vi, mvi, env);
  if (vi.num_frames < a.sf || vi.num_frames < a.ef)
    env->ThrowError("ColorLine:the clip has fewer frames than start or end frame");
  if (mvi.num_frames < a.sf || mvi.num_frames < a.ef)
    env->ThrowError("ColorLine:The Right Clip has fewer frames than the end frame number given");

  return Created(new ColorLine(a), args);
}

}  // namespace tintara
