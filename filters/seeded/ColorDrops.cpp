#include "filters/seeded/ColorDrops.h"

#include "filters/common/Args.h"
#include "filters/seeded/SpanFill.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kMask, kStart, kEnd, kSeeds, kMovex, kMovey, kShift, kSt, kPshow, kPcolor, kWshed };

// A fill marks its region 128; a seed on 128 may refill with `wshed`, marking 129.
constexpr BYTE kFilled = 128, kRefilled = 129;

}  // namespace

ColorDrops::ColorDrops(const PClip& child, const PClip& mask_, int sf_, int ef_, const std::vector<int>& values,
                       int movex_, int movey_, bool shift_, int st_, bool pshow_, int pcolor_, bool wshed_)
    : SeededFilter(child, mask_, sf_, ef_), sets(SeedsOf(values)),
      setCount(static_cast<int>(sets.size())), movex(movex_), movey(movey_), shift(shift_), st(st_),
      pshow(pshow_), pcolor(pcolor_), wshed(wshed_), brightness(shift_, st_) {
  const MarkerColour dot = MarkerColourOf(pcolor);
  pR = dot.R, pG = dot.G, pB = dot.B, pY = dot.Y, pU = dot.U, pV = dot.V;
}

template <PixelFormat F>
void ColorDrops::ColourFrame(int n, FrameWork& work) const {
  const int dx = static_cast<int>(Drift(n - sf, movex, ef - sf));
  const int dy = static_cast<int>(Drift(n - sf, movey, ef - sf));
  ForEachSeed<F>(sets, dx, dy, work, pshow, {pR, pG, pB, pY, pU, pV}, [&](int x, int r, int colour) {
    const Painter<F> painter(work.out, FillColourOf(colour), brightness);
    const auto paint = [&painter](int a, int b, int pr) { painter.PaintRun(a, b, pr); };
    const BYTE m = work.samples.At(x, r);
    if (m != kFilled) SpanFill(work.samples, x, r, m, kFilled, &work.stack, paint);
    else if (wshed) SpanFill(work.samples, x, r, kFilled, kRefilled, &work.stack, paint);
  });
}

AVSValue CreateColorDrops(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  PClip mask = args[kMask].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const VideoInfo& mvi = mask->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  const int sf = args[kStart].AsInt(), ef = args[kEnd].AsInt();
  std::vector<int> values;
  IntGroup(args[kSeeds], &values);
  const int movex = IntArg(args, kMovex, 0), movey = IntArg(args, kMovey, 0);
  const bool shift = BoolArg(args, kShift, true);
  const int st = IntArg(args, kSt, 0);
  const bool pshow = BoolArg(args, kPshow, false);
  const int pcolor = IntArg(args, kPcolor, 0);
  const bool wshed = BoolArg(args, kWshed, false);

  if (sf > ef || sf < 0 || ef < 0)
    env->ThrowError("ColorDrops:frame numbers must be +ve and end number not less than start number");
  if (ef >= N) env->ThrowError("ColorDrops:The clip is shorter than the end frame number");
  if (mvi.pixel_type != vi.pixel_type) env->ThrowError("ColorDrops:Clips have differing pixel_types");
  if (!IsOneOfTheFiveFormats(vi.pixel_type)) env->ThrowError("ColorDrops: This color format is not supported here");
  if (mvi.width != W || mvi.height != H) env->ThrowError("ColorDrops: The heights/widths of clips are unequal");
  if (mvi.num_frames < ef)
    env->ThrowError("ColorDrops:The Mask Clip has fewer frames than the end frame number given");
  if (values.size() % 3 != 0)
    env->ThrowError("ColorDrops: A value may be missing or may be extra in the  parameter sets");
  for (const Seed& s : SeedsOf(values))
    if (s.x < 0 || s.y < 0 || s.x >= W || s.y >= H)
      env->ThrowError("ColorDrops: one or more  coordinates of x and or y are outside frame width of %d frame height of %d",
                      W, H);
  if (movex < -W || movex >= W || movey < -H || movey >= H)
    env->ThrowError("ColorDrops:movex must be between plus and minus %d while movey must be between  plus and minus %d ",
                    W, H);
  if (Given(args, kShift) && !shift) {
    if (st < -100) env->ThrowError("ColorDrops: stretch value being less than -100 percent not valid");
  } else if (st < -255 || st > 255) {
    env->ThrowError("ColorDrops: shift value being either less than -255 or more than 255 is not valid");
  }

  auto* filter = new ColorDrops(clip, mask, sf, ef, values, movex, movey, shift, st, pshow, pcolor, wshed);
  return Created(filter, args);
}

}  // namespace tintara
