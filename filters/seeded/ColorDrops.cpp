#include "filters/seeded/ColorDrops.h"

#include "filters/common/ArgTable.h"
#include "filters/seeded/SpanFill.h"

namespace tintara {

namespace {

using A = ColorDropsArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Clip(&A::mask),
    Int(nullptr, &A::sf),
    Int(nullptr, &A::ef),
    Ints(&A::values),
    Int("movex", &A::movex, 0),
    Int("movey", &A::movey, 0),
    Bool("shift", &A::shift, true),
    Int("st", &A::st, 0),
    Bool("pshow", &A::pshow, false),
    Int("pcolor", &A::pcolor, 0),
    Bool("wshed", &A::wshed, false),
};

// A fill marks its region 128; a seed on 128 may refill with `wshed`, marking 129.
constexpr BYTE kFilled = 128, kRefilled = 129;

}  // namespace

ColorDrops::ColorDrops(const ColorDropsArgs& args)
    : SeededFilter(args, TintRoutineFor(args)),
      sets(SeedsOf(args.values)),
      dot(MarkerColourOf(args.pcolor)),
      brightness(args.shift, args.st) {}

template <PixelFormat F, bool Offset>
void ColorDrops::ColourFrame(int n, FrameWork& work) const {
  const TintLevels<ClampOrder::Once, Offset> levels(brightness);
  const bool adjusts = brightness.Adjusts();
  ForEachSeed<F>(sets, arg, n, work, dot, [&](int x, int r, int colour) {
    const FillColour fill = FillColourOf(colour);
    const auto paint = [&](int x0, int x1, int r) { TintRun<F>(fill, levels, adjusts, RowOf<F>(work.out, r), x0, x1); };
    const BYTE m = work.samples.At(x, r);
    if (m != kFilled)
      SpanFill(work.samples, x, r, m, kFilled, &work.stack, paint);
    else if (arg.wshed)
      SpanFill(work.samples, x, r, kFilled, kRefilled, &work.stack, paint);
  });
}

const char* ColorDropsSignature() { return SignatureText<kArgs>(); }

AVSValue CreateColorDrops(AVSValue args, void*, IScriptEnvironment* env) {
  const ColorDropsArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const VideoInfo& mvi = a.mask->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  CheckFrameOrder("ColorDrops", a.sf, a.ef, env);
  if (a.ef >= vi.num_frames) env->ThrowError("ColorDrops:The clip is shorter than the end frame number");
  CheckSeededClips("ColorDrops", vi, mvi, env);
  if (mvi.num_frames < a.ef)
    env->ThrowError("ColorDrops:The Mask Clip has fewer frames than the end frame number given");
  CheckWholeSets("ColorDrops", a.values, 3, env);
  CheckSeeds("ColorDrops", a.values, W, H, env, [](const Seed&) {});
  if (MovesOutOfRange(a.movex, a.movey, W, H))
    env->ThrowError(
        "ColorDrops:movex must be between plus and minus %d while movey must be between  plus and minus %d ", W, H);
  CheckShiftOrStretch("ColorDrops", GivenArg(kArgs, args, &A::shift) && !a.shift, a.st, env);

  return Created(new ColorDrops(a), args);
}

}  // namespace tintara
