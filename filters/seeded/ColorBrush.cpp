#include "filters/seeded/ColorBrush.h"

#include <cstdint>
#include <cstdlib>

#include "filters/common/Args.h"
#include "filters/seeded/SpanFill.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kMask, kStart, kEnd, kStrokes, kShift, kSt, kMovex, kMovey, kLshow, kLcol };

// Strokes fill regions of mask value 1 and mark them 128.
constexpr BYTE kPaintable = 1, kFilled = 128;

// Calls visit(c, r) for each pixel of the segment from (c1, r1) to (c2, r2), both ends
// included, stepping along the longer axis; a segment of one pixel visits nothing.
template <typename Visit>
void WalkSegment(int c1, int r1, int c2, int r2, const Visit& visit) {
  const int ddx = c2 - c1, ddr = r2 - r1;
  const int sx = c2 < c1 ? -1 : 1, sr = r2 < r1 ? -1 : 1;
  if (std::abs(ddx) < std::abs(ddr)) {
    for (int r = r1;; r += sr) {
      visit(c1 + static_cast<int>(static_cast<int64_t>(r - r1) * ddx / ddr), r);
      if (r == r2) break;
    }
  } else if (ddx != 0) {
    for (int c = c1;; c += sx) {
      visit(c, r1 + static_cast<int>(static_cast<int64_t>(c - c1) * ddr / ddx));
      if (c == c2) break;
    }
  }
}

}  // namespace

ColorBrush::ColorBrush(const PClip& child, const PClip& mask_, int sf_, int ef_, const std::vector<int>& values,
                       bool shift_, int st_, int movex_, int movey_, bool lshow_, int lcol_)
    : SeededFilter(child, mask_, sf_, ef_), strokes(StrokesOf(values)),
      strokeCount(static_cast<int>(strokes.size())), shift(shift_), st(st_), movex(movex_), movey(movey_),
      lshow(lshow_), lcol(lcol_), brightness(shift_, st_) {}

template <PixelFormat F>
void ColorBrush::ColourFrame(int n, FrameWork& work) const {
  const int W = work.W, H = work.H;
  const FramePlanes<BYTE>& out = work.out;
  MaskCopy& samples = work.samples;
  const MarkerColour line = MarkerColourOf(lcol);
  // The drift counts from frame 0, not from sf: a stroke is already displaced at sf > 0.
  const int64_t dx = Drift(n, movex, ef - sf), dy = Drift(n, movey, ef - sf);
  auto inside = [&](int64_t x, int64_t y) { return x >= 0 && x < W && y >= 0 && y < H; };
  for (const Stroke& s : strokes) {
    if (!inside(s.x1 + dx, s.y1 + dy) || !inside(s.x2 + dx, s.y2 + dy)) continue;
    const int x1 = static_cast<int>(s.x1 + dx), y1 = static_cast<int>(s.y1 + dy);
    const int x2 = static_cast<int>(s.x2 + dx), y2 = static_cast<int>(s.y2 + dy);
    const Painter<F> painter(out, FillColourOf(s.colour), brightness);
    const auto paint = [&painter](int a, int b, int pr) { painter.PaintRun(a, b, pr); };
    const int r1 = MemoryRow(F, H, y1), r2 = MemoryRow(F, H, y2);
    // The stroke's first pixel always starts a fill, whatever the mask held there.
    samples.At(x1, r1) = kPaintable;
    // Interpolating on memory rows visits the same picture pixels for bottom-up RGB.
    WalkSegment(x1, r1, x2, r2, [&](int c, int r) {
      if (samples.At(c, r) == kPaintable) SpanFill(samples, c, r, kPaintable, kFilled, &work.stack, paint);
      if (lshow) MarkerDot<F>(out, c, r, line);
    });
  }
}

AVSValue CreateColorBrush(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  PClip mask = args[kMask].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const VideoInfo& mvi = mask->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  const int sf = args[kStart].AsInt(), ef = args[kEnd].AsInt();
  std::vector<int> values;
  IntGroup(args[kStrokes], &values);
  const bool shift = BoolArg(args, kShift, true);
  const int st = IntArg(args, kSt, 0);
  const int movex = IntArg(args, kMovex, 0), movey = IntArg(args, kMovey, 0);
  const bool lshow = BoolArg(args, kLshow, false);
  const int lcol = IntArg(args, kLcol, 0);

  if (sf < 0 || sf > ef || ef > N - 1)
    env->ThrowError("ColorBrush:invalid frame numbers being either -ve or non existant or start being higher than end frame");
  if (mvi.pixel_type != vi.pixel_type) env->ThrowError("ColorBrush:Clips have differing pixel_types");
  if (!IsOneOfTheFiveFormats(vi.pixel_type)) env->ThrowError("ColorBrush: This color format is not supported here");
  if (mvi.width != W || mvi.height != H) env->ThrowError("ColorBrush: The heights/widths of clips are unequal");
  if (mvi.num_frames <= ef)
    env->ThrowError("ColorBrush:The Right Clip has fewer frames than the end frame number given");
  if (values.size() % 5 != 0)
    env->ThrowError("ColorBrush: A value may be missing or may be extra in the  parameter sets");
  for (const Stroke& s : StrokesOf(values)) {
    if (s.x1 < 0 || s.y1 < 0 || s.x2 < 0 || s.y2 < 0)
      env->ThrowError("ColorBrush:One or more coordinates in the sets is invalid being negative");
    if (s.x1 >= W || s.y1 >= H || s.x2 >= W || s.y2 >= H)
      env->ThrowError("ColorBrush:One or more coordinates in the sets is invalid being out of frame");
  }
  if (Given(args, kShift) && !shift) {
    if (st < -100) env->ThrowError("ColorBrush: stretch value being less than -100 percent not valid");
  } else if (st < -255 || st > 255) {
    env->ThrowError("ColorBrush: shift value being either less than -255 or more than 255 is not valid");
  }
  if (movex < -W || movex >= W || movey < -H || movey >= H)
    env->ThrowError("ColorBrush: movex must be between plus and minus %d and movey between plus and minus %d", W, H);

  auto* filter = new ColorBrush(clip, mask, sf, ef, values, shift, st, movex, movey, lshow, lcol);
  return Created(filter, args);
}

}  // namespace tintara
