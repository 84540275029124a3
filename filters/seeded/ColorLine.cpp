#include "filters/seeded/ColorLine.h"

#include <cstdint>

#include "filters/common/Args.h"
#include "filters/seeded/Painting.h"
#include "filters/seeded/SpanFill.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kMask, kStart, kEnd, kSeeds, kPshow, kPcolor, kMovex, kMovey };

constexpr BYTE kBlack = 0, kWhite = 255, kFilled = 128;

}  // namespace

ColorLine::ColorLine(const PClip& child, const PClip& mask_, int sf_, int ef_, const std::vector<int>& values,
                     bool pshow_, int pcolor_, int movex_, int movey_, IScriptEnvironment* env)
    : SeededFilter(child, mask_, sf_, ef_), sets(SeedsOf(values)),
      setCount(static_cast<int>(sets.size())), pshow(pshow_), pcolor(pcolor_), movex(movex_), movey(movey_) {
  const VideoInfo& mvi = mask->GetVideoInfo();
  if (mvi.pixel_type != vi.pixel_type) env->ThrowError("ColorLine:Clips have differing pixel_types");
  if (!IsOneOfTheFiveFormats(vi.pixel_type)) env->ThrowError("ColorLine: This color format is not supported here");
  if (mvi.width != vi.width || mvi.height != vi.height)
    env->ThrowError("ColorLine: The heights/widths of clips are unequal");
  if (vi.num_frames < sf || vi.num_frames < ef)
    env->ThrowError("ColorLine:the clip has fewer frames than start or end frame");
  if (mvi.num_frames < sf || mvi.num_frames < ef)
    env->ThrowError("ColorLine:The Right Clip has fewer frames than the end frame number given");
  const MarkerColour dot = MarkerColourOf(pcolor);
  pR = dot.R, pG = dot.G, pB = dot.B, pY = dot.Y, pU = dot.U, pV = dot.V;
}

template <PixelFormat F>
void ColorLine::ColourFrame(int n, FrameWork& work) const {
  const int dx = static_cast<int>(Drift(n - sf, movex, ef - sf));
  const int dy = static_cast<int>(Drift(n - sf, movey, ef - sf));
  ForEachSeed<F>(sets, dx, dy, work, pshow, {pR, pG, pB, pY, pU, pV}, [&](int x, int r, int colour) {
    const BYTE v = work.samples.At(x, r);
    if (v != kBlack && v != kWhite) return;
    // Solid painting writes exactly what a marker dot writes, run by run.
    const MarkerColour solid = MarkerColourOf(colour);
    SpanFill<Neighbours::Eight>(work.samples, x, r, v, kFilled, &work.stack,
                                [&](int a, int b, int pr) { MarkerRun<F>(work.out, a, b, pr, solid); });
  });
}

AVSValue CreateColorLine(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  PClip mask = args[kMask].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  const int sf = args[kStart].AsInt(), ef = args[kEnd].AsInt();
  std::vector<int> values;
  IntGroup(args[kSeeds], &values);
  const bool pshow = BoolArg(args, kPshow, false);
  const int pcolor = IntArg(args, kPcolor, 0);
  const int movex = IntArg(args, kMovex, 0), movey = IntArg(args, kMovey, 0);

  if (sf > ef || sf < 0 || ef < 0)
    env->ThrowError("ColorLine:frame numbers must be +ve and end number not less than start number");
  if (values.size() % 3 != 0)
    env->ThrowError("ColorLine: A value may be missing or may be extra in the  parameter sets");
  for (const Seed& s : SeedsOf(values)) {
    if (s.x < 0 || s.y < 0 || s.x >= W || s.y >= H)
      env->ThrowError("ColorLine: one or more  coordinates of x and or y are outside frame width of %d frame height of %d",
                      W, H);
    // 64 bits: a drift near the int limits must be refused, not wrap into the frame.
    const int64_t mx = static_cast<int64_t>(s.x) + movex, my = static_cast<int64_t>(s.y) + movey;
    if (mx < 0 || my < 0 || mx >= W || my >= H)
      env->ThrowError("ColorLine: movex or movey pushes one or more  coordinates of x and or y to outside frame width of %d frame height of %d",
                      W, H);
  }

  auto* filter = new ColorLine(clip, mask, sf, ef, values, pshow, pcolor, movex, movey, env);
  return Created(filter, args);
}

}  // namespace tintara
