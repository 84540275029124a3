#include "filters/seeded/ColorBrush.h"

#include <cstdint>
#include <cstdlib>

#include "filters/common/ArgTable.h"
#include "filters/seeded/SpanFill.h"

namespace tintara {

namespace {

// The arguments: script name, type, member, default.
using A = ColorBrushArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Clip(&A::mask),
    Int(nullptr, &A::sf),
    Int(nullptr, &A::ef),
    Ints(&A::values),
    Bool("shift", &A::shift, true),
    Int("st", &A::st, 0),
    Int("movex", &A::movex, 0),
    Int("movey", &A::movey, 0),
    Bool("lshow", &A::lshow, false),
    Int("lcol", &A::lcol, 0),
};

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

ColorBrush::ColorBrush(const ColorBrushArgs& args)
    : SeededFilter(args, TintRoutineFor(args)),
      strokes(StrokesOf(args.values)),
      brightness(args.shift, args.st),
      line(MarkerColourOf(args.lcol)) {}

template <PixelFormat F, bool Offset>
void ColorBrush::ColourFrame(int n, FrameWork& work) const {
  const int W = work.W, H = work.H;
  MaskCopy& samples = work.samples;
  const TintLevels<ClampOrder::Once, Offset> levels(brightness);
  const bool adjusts = brightness.Adjusts();
  // The drift counts from frame 0, not from sf: a stroke is already displaced at sf > 0.
  const int64_t dx = Drift(n, arg.movex, arg.ef - arg.sf), dy = Drift(n, arg.movey, arg.ef - arg.sf);
  auto inside = [&](int64_t x, int64_t y) { return x >= 0 && x < W && y >= 0 && y < H; };
  for (const Stroke& s : strokes) {
    if (!inside(s.x1 + dx, s.y1 + dy) || !inside(s.x2 + dx, s.y2 + dy)) continue;
    const int x1 = static_cast<int>(s.x1 + dx), y1 = static_cast<int>(s.y1 + dy);
    const int x2 = static_cast<int>(s.x2 + dx), y2 = static_cast<int>(s.y2 + dy);
    const FillColour fill = FillColourOf(s.colour);
    const auto paint = [&](int x0, int x1, int r) { TintRun<F>(fill, levels, adjusts, RowOf<F>(work.out, r), x0, x1); };
    const int r1 = MemoryRow(F, H, y1), r2 = MemoryRow(F, H, y2);
    // The stroke's first pixel always starts a fill, whatever the mask held there.
    samples.At(x1, r1) = kPaintable;
    // Interpolating on memory rows visits the same picture pixels for bottom-up RGB.
    WalkSegment(x1, r1, x2, r2, [&](int c, int r) {
      if (samples.At(c, r) == kPaintable) SpanFill(samples, c, r, kPaintable, kFilled, &work.stack, paint);
      if (arg.lshow) MarkPixel<F>(line, RowOf<F>(work.out, r), c);
    });
  }
}

const char* ColorBrushSignature() { return SignatureText<kArgs>(); }

AVSValue CreateColorBrush(AVSValue args, void*, IScriptEnvironment* env) {
  const ColorBrushArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const VideoInfo& mvi = a.mask->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  if (a.sf < 0 || a.sf > a.ef || a.ef > N - 1)
    env->ThrowError(
        "ColorBrush:invalid frame numbers being either -ve or non existant or start being higher than end frame");
  CheckSeededClips("ColorBrush", vi, mvi, env);
  if (mvi.num_frames <= a.ef)
    env->ThrowError("ColorBrush:The Right Clip has fewer frames than the end frame number given");
  CheckWholeSets("ColorBrush", a.values, 5, env);
  for (const Stroke& s : StrokesOf(a.values)) {
    if (s.x1 < 0 || s.y1 < 0 || s.x2 < 0 || s.y2 < 0)
      env->ThrowError("ColorBrush:One or more coordinates in the sets is invalid being negative");
    if (s.x1 >= W || s.y1 >= H || s.x2 >= W || s.y2 >= H)
      env->ThrowError("ColorBrush:One or more coordinates in the sets is invalid being out of frame");
  }
  CheckShiftOrStretch("ColorBrush", GivenArg(kArgs, args, &A::shift) && !a.shift, a.st, env);
  if (MovesOutOfRange(a.movex, a.movey, W, H))
    env->ThrowError("ColorBrush: movex must be between plus and minus %d and movey between plus and minus %d", W, H);

  return Created(new ColorBrush(a), args);
}

}  // namespace tintara
