#include "filters/masks/CrossFill.h"

#include <algorithm>
#include <cstring>

#include "filters/common/Args.h"
#include "filters/common/Marking.h"
#include "filters/common/Motion.h"
#include "filters/common/Sample.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum {
  kClip, kMaskA, kMaskB, kSf, kEf, kType, kLx, kTy, kRx, kBy, kColor, kWhite, kShift, kSt, kElx, kEty, kErx, kEby
};

using Logic = CrossFill::Logic;

// The logical type, compared exactly; any other text paints nothing.
Logic LogicOf(const char* type) {
  if (std::strcmp(type, "aANDb") == 0) return Logic::And;
  if (std::strcmp(type, "aORb") == 0) return Logic::Or;
  if (std::strcmp(type, "aNOTb") == 0) return Logic::Not;
  return Logic::Nothing;
}

// Whether mask samples a and b select a pixel. RGB's "aNOTb" wants one mask marked and the
// other exactly background; YUV's wants one marked and the other anything else. The two agree
// on masks holding only 0 and 255.
template <PixelFormat F, Logic L>
inline bool Selects(int a, int b, int mark, int back) {
  if constexpr (L == Logic::And) return a == mark && b == mark;
  if constexpr (L == Logic::Or) return a == mark || b == mark;
  if constexpr (IsRGB(F)) return (a == mark && b == back) || (a == back && b == mark);
  return (a == mark) != (b == mark);
}

// A window of columns x0..x1-1 and picture rows y0..y1-1.
struct Span {
  int x0, x1, y0, y1;
};

template <PixelFormat F, Logic L>
void PaintSelected(const Painter<F>& painter, const ConstPlane& a, const ConstPlane& b, const Span& s, int height,
                   const MarkValues& marks) {
  for (int y = s.y0; y < s.y1; ++y) {
    const int r = MemoryRow(F, height, y);
    const BYTE* rowA = a.Row(r);
    const BYTE* rowB = b.Row(r);
    for (int x = s.x0; x < s.x1; ++x)
      if (Selects<F, L>(SampleAt<F>(rowA, x), SampleAt<F>(rowB, x), marks.markval, marks.backval))
        painter.Paint(x, r);
  }
}

// RGB32 clips leave CrossFill with the first byte of every window pixel cleared, whatever was
// painted.
void ClearFirstBytes(const Plane& out, const Span& s, int height) {
  for (int y = s.y0; y < s.y1; ++y) {
    BYTE* row = out.Row(MemoryRow(PixelFormat::RGB32, height, y));
    for (int x = s.x0; x < s.x1; ++x) row[4 * x] = 0;
  }
}

// The checks of a start or end window: left and top inside the frame, right and bottom limits
// at least two past them and not past the frame.
bool BadWindow(int lx, int ty, int rx, int by, int W, int H) {
  return lx < 0 || lx > W || ty < 0 || ty > H || rx < static_cast<int64_t>(lx) + 2 ||
         by < static_cast<int64_t>(ty) + 2 || rx > W || by > H;
}

}  // namespace

CrossFill::CrossFill(const PClip& child, const PClip& maskA_, const PClip& maskB_, int sf_, int ef_,
                     const char* type_, int lx_, int ty_, int rx_, int by_, int color_, bool white_, bool shift_,
                     int st_, int elx_, int ety_, int erx_, int eby_)
    : GenericVideoFilter(child), maskA(maskA_), maskB(maskB_), sf(sf_), ef(ef_), type(type_), lx(lx_), ty(ty_),
      rx(rx_), by(by_), color(color_), white(white_), shift(shift_), st(st_), elx(elx_), ety(ety_), erx(erx_),
      eby(eby_), fill(FillColourOf(color_)), format(FormatOf(vi)), logic(LogicOf(type_)),
      brightness(shift_, st_) {}

PVideoFrame CrossFill::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame frame = child->GetFrame(n, env);
  if (n < sf || n > ef) return frame;
  env->MakeWritable(&frame);
  PVideoFrame a = maskA->GetFrame(n, env);
  PVideoFrame b = maskB->GetFrame(n, env);

  // Right and bottom limits are excluded. The window lies in the frame by the checks; it is cut
  // to it all the same, outside the pixel loops.
  const int t = n - sf, T = ef - sf;
  Span s{Lerp(lx, elx, t, T), Lerp(rx, erx, t, T), Lerp(ty, ety, t, T), Lerp(by, eby, t, T)};
  s.x0 = std::max(s.x0, 0);
  s.y0 = std::max(s.y0, 0);
  s.x1 = std::min(s.x1, vi.width);
  s.y1 = std::min(s.y1, vi.height);
  if (s.x0 >= s.x1 || s.y0 >= s.y1) return frame;

  const FramePlanes<BYTE> out = WritePlanes(frame, format);
  const ConstPlane planeA = ReadPlane(a), planeB = ReadPlane(b);
  const MarkValues marks(white);
  ForFormat(format, [&](auto tag) {
    constexpr PixelFormat F = decltype(tag)::value;
    const Painter<F> painter(out, fill, brightness);
    switch (logic) {
      case Logic::And: PaintSelected<F, Logic::And>(painter, planeA, planeB, s, vi.height, marks); break;
      case Logic::Or: PaintSelected<F, Logic::Or>(painter, planeA, planeB, s, vi.height, marks); break;
      case Logic::Not: PaintSelected<F, Logic::Not>(painter, planeA, planeB, s, vi.height, marks); break;
      case Logic::Nothing: break;
    }
  });
  if (format == PixelFormat::RGB32) ClearFirstBytes(out.y, s, vi.height);
  return frame;
}

AVSValue CreateCrossFill(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  PClip maskA = args[kMaskA].AsClip();
  PClip maskB = args[kMaskB].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  const int sf = IntArg(args, kSf, 0);
  const int ef = IntArg(args, kEf, N - 1);
  const char* type = StringArg(args, kType, "aANDb");
  const int lx = IntArg(args, kLx, 0), ty = IntArg(args, kTy, 0);
  const int rx = IntArg(args, kRx, W - 1), by = IntArg(args, kBy, H - 1);
  const int color = IntArg(args, kColor, 0x7F7F00);
  const bool white = BoolArg(args, kWhite, true);
  const bool shift = BoolArg(args, kShift, true);
  const int st = IntArg(args, kSt, 0);
  const int elx = IntArg(args, kElx, lx), ety = IntArg(args, kEty, ty);
  const int erx = IntArg(args, kErx, rx), eby = IntArg(args, kEby, by);

  if (sf < 0 || ef < sf)
    env->ThrowError("CrossFill: Frame number must be positive and end frame not less than start frame");
  // Only the five layouts the pixel routines know; a type that merely contains their bits
  // would be addressed with the wrong layout.
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("CrossFill: This color format is not supported here");
  if (ef >= N) env->ThrowError("CrossFill:the main clip has fewer frames than end frame number");
  const VideoInfo& va = maskA->GetVideoInfo();
  if (va.num_frames < ef) env->ThrowError("CrossFill:the first mask clip has fewer frames than endframe number");
  if (va.pixel_type != vi.pixel_type || va.width != W || va.height != H)
    env->ThrowError("CrossFill: The main and first mask clips differ in colorspace or dimensions");
  const VideoInfo& vb = maskB->GetVideoInfo();
  if (vb.num_frames < ef) env->ThrowError("CrossFill:the second mask clip has fewer frames than endframe number");
  if (vb.pixel_type != vi.pixel_type || vb.width != W || vb.height != H)
    env->ThrowError("CrossFill: The main and second mask clips differ in colorspace or dimensions");
  if (BadWindow(lx, ty, rx, by, W, H))
    env->ThrowError("CrossFill:Invalid starting coordinates or The window extends beyond frame ");
  if (BadWindow(elx, ety, erx, eby, W, H))
    env->ThrowError("CrossFill:Invalid ending coordinates or The window extends beyond frame ");

  auto* filter = new CrossFill(clip, maskA, maskB, sf, ef, type, lx, ty, rx, by, color, white, shift, st, elx, ety,
                               erx, eby);
  return Created(filter, args);
}

}  // namespace tintara
