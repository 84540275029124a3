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
    : SeededFilter(args),
      sets(SeedsOf(args.values)),
      setCount(static_cast<int>(sets.size())),
      dot(MarkerColourOf(args.pcolor)),
      brightness(args.shift, args.st) {}

template <PixelFormat F>
void ColorDrops::ColourFrame(int n, FrameWork& work) const {
  ForEachSeed<F>(sets, arg, n, work, dot, [&](int x, int r, int colour) {
    const Painter<F> painter(work.out, FillColourOf(colour), brightness);
    const auto paint = [&painter](int a, int b, int pr) { painter.PaintRun(a, b, pr); };
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

  if (a.sf > a.ef || a.sf < 0 || a.ef < 0)
    env->ThrowError("ColorDrops:frame numbers must be +ve and end number not less than start number");
  if (a.ef >= vi.num_frames) env->ThrowError("ColorDrops:The clip is shorter than the end frame number");
  CheckSeededClips("ColorDrops", vi, mvi, env);
  if (mvi.num_frames < a.ef)
    env->ThrowError("ColorDrops:The Mask Clip has fewer frames than the end frame number given");
  if (a.values.size() % 3 != 0)
    env->ThrowError("ColorDrops: A value may be missing or may be extra in the  parameter sets");
  for (const Seed& s : SeedsOf(a.values))
    if (s.x < 0 || s.y < 0 || s.x >= W || s.y >= H)
      env->ThrowError(
          "ColorDrops: one or more  coordinates of x and or y are outside frame width of %d frame height of %d", W, H);
  if (a.movex < -W || a.movex >= W || a.movey < -H || a.movey >= H)
    env->ThrowError(
        "ColorDrops:movex must be between plus and minus %d while movey must be between  plus and minus %d ", W, H);
  CheckShiftOrStretch("ColorDrops", GivenArg(kArgs, args, &A::shift) && !a.shift, a.st, env);

  return Created(new ColorDrops(a), args);
}

}  // namespace tintara
