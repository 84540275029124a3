#include "filters/drawing/Inlay.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "filters/common/ArgTable.h"
#include "filters/common/Motion.h"

namespace tintara {

namespace {

using A = InlayArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Clip(&A::maskClip),
    Clip(&A::linedClip),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("type", &A::type, "hint"),
    Int("color", &A::color, 0x7F7F00),
    Int("lval", &A::lval, 128),
    Bool("mwhite", &A::mwhite, true),
    Int("x", &A::x, kSetByFilter),
    Int("y", &A::y, kSetByFilter),
    Int("w", &A::w, kSetByFilter),
    Int("h", &A::h, kSetByFilter),
    Bool("shift", &A::shift, true),
    Int("st", &A::st, 0),
    Bool("ellipse", &A::ellipse, false),
    Int("ex", &A::ex, kSetByFilter),
    Int("ey", &A::ey, kSetByFilter),
    Int("ew", &A::ew, kSetByFilter),
    Int("eh", &A::eh, kSetByFilter),
};

struct StyleName {
  const char* name;
  InlayStyle style;
};
const StyleName kStyles[] = {
    {"mask", InlayStyle::Mask},   {"nomask", InlayStyle::NoMask}, {"hint", InlayStyle::Hint},
    {"left", InlayStyle::Left},   {"right", InlayStyle::Right},   {"vint", InlayStyle::Vint},
    {"above", InlayStyle::Above}, {"below", InlayStyle::Below},
};

// The style named exactly (case-sensitive) by `type`; false when there is none.
bool StyleOf(const char* type, InlayStyle* style) {
  for (const StyleName& s : kStyles)
    if (std::strcmp(type, s.name) == 0) {
      *style = s.style;
      return true;
    }
  return false;
}

// The colour written as it stands, for "nomask": as the marker colour, but Y sums its terms blue
// first (starting with green, as markers do, can differ in the last bit).
MarkerColour SolidColourOf(int color) {
  MarkerColour m = MarkerColourOf(color);
  m.Y = static_cast<BYTE>(0.114 * m.B + 0.587 * m.G + 0.299 * m.R);
  return m;
}

// An RGB tint clamps the adjusted brightness before adding the colour's offsets.
InlayPaint PaintOf(const InlayArgs& a) {
  const FillColour fill = FillColourOf(a.color);
  const Brightness brightness(a.shift, a.st);
  return {fill, brightness, TintTable(fill, brightness, ClampOrder::BrightnessFirst), SolidColourOf(a.color)};
}

InlayStyle KnownStyleOf(const char* type) {
  InlayStyle style = InlayStyle::Hint;
  StyleOf(type, &style);
  return style;
}

bool IsShape(InlayStyle style) { return style == InlayStyle::Mask || style == InlayStyle::NoMask; }

}  // namespace

Inlay::Inlay(const InlayArgs& args)
    : GenericVideoFilter(args.clip),
      arg(args),
      format(FormatOf(vi)),
      style(KnownStyleOf(args.type)),
      paint(PaintOf(args)),
      routine(IsShape(style) ? ShapeRoutineFor(format, style, paint.brightness.IsOffset())
                             : LineRoutineFor(format, style)) {}

PVideoFrame Inlay::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame frame = child->GetFrame(n, env);
  if (n < arg.sf || n > arg.ef) return frame;
  // The shape styles build a new frame from the source in one pass; the line styles change a
  // writable copy.
  const bool shape = IsShape(style);
  PVideoFrame src = frame;
  if (shape)
    frame = env->NewVideoFrame(vi);
  else
    env->MakeWritable(&frame);
  PVideoFrame mask = arg.maskClip->GetFrame(n, env);
  PVideoFrame lined = arg.linedClip->GetFrame(n, env);

  // The window's corner (or centre) and size (or half-axes) each move on their own; a
  // one-frame range (ef = sf) has the start window.
  const int d = n - arg.sf, D = arg.ef - arg.sf;
  const int X = Lerp(arg.x, arg.ex, d, D), Y = Lerp(arg.y, arg.ey, d, D);
  const int W = Lerp(arg.w, arg.ew, d, D), H = Lerp(arg.h, arg.eh, d, D);
  const bool ellipse = shape && arg.ellipse;
  routine({WritePlanes(frame, format), ReadPlanes(src, format), ReadPlane(mask), ReadPlane(lined), vi.width,
           vi.height, PictureRect{X, X + W, Y, Y + H}, ellipse, Ellipse{X, Y, W, H},
           static_cast<BYTE>(arg.mwhite ? 255 : 0), arg.lval, &paint});
  return frame;
}

const char* InlaySignature() { return SignatureText<kArgs>(); }

AVSValue CreateInlay(AVSValue args, void*, IScriptEnvironment* env) {
  InlayArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int nf = vi.num_frames, width = vi.width, height = vi.height;
  auto given = [&](int InlayArgs::*member) { return GivenArg(kArgs, args, member); };

  InlayStyle style = InlayStyle::Hint;
  const bool known_style = StyleOf(a.type, &style);
  const bool is_ellipse = (style == InlayStyle::Mask || style == InlayStyle::NoMask) && known_style && a.ellipse;

  // An ellipse is centred on the frame by default and must fit between its centre and the
  // nearer edge; a rectangle starts at the top-left and must end inside the frame. 64 bits:
  // a negative coordinate is refused below, but the limits are formed before the checks.
  if (!given(&A::x)) a.x = is_ellipse ? width / 2 : 0;
  if (!given(&A::y)) a.y = is_ellipse ? height / 2 : 0;
  if (!given(&A::ex)) a.ex = a.x;
  if (!given(&A::ey)) a.ey = a.y;
  const int64_t hw = width / 2, hh = height / 2;
  auto limit = [&](int64_t start, int64_t half, int64_t size) {
    return is_ellipse ? half - std::llabs(half - start) : size - start;
  };
  const int64_t wMax = limit(a.x, hw, width), hMax = limit(a.y, hh, height);
  const int64_t ewMax = limit(a.ex, hw, width), ehMax = limit(a.ey, hh, height);

  if (a.sf < 0 || a.sf > a.ef)
    env->ThrowError("Inlay: Frame number must be positive and end frame not less than start frame");
  if (a.sf >= nf || a.ef >= nf) env->ThrowError("Inlay: the first clip  has only %d frames", nf);
  if (!known_style)
    env->ThrowError("Inlay:left, right, hint, above, below, vint mask and nomask are only valid options for style");
  auto negative = [&](int InlayArgs::*m) { return given(m) && a.*m < 0; };
  if (negative(&A::x) || negative(&A::y) || negative(&A::w) || negative(&A::h))
    env->ThrowError("Inlay: window coordinates x, y and dimensions w h must not be negative");
  if (negative(&A::ex) || negative(&A::ey) || negative(&A::ew) || negative(&A::eh))
    env->ThrowError("Inlay: window end coordinates ex ey and dimensions ew eh must not be negative");
  if (given(&A::w) && a.w > wMax) env->ThrowError("Inlay:Window width w is too large. and beyond frame");
  if (given(&A::h) && a.h > hMax) env->ThrowError("Inlay:Window height h is too large. and beyond frame");
  // The end size in force: its own value, else the start size when that was given.
  if (!given(&A::ew) && given(&A::w)) a.ew = a.w;
  if (!given(&A::eh) && given(&A::h)) a.eh = a.h;
  if ((given(&A::ew) || given(&A::w)) && a.ew > ewMax)
    env->ThrowError("Inlay:Window end width ew is too large. and beyond frame");
  if ((given(&A::eh) || given(&A::h)) && a.eh > ehMax)
    env->ThrowError("Inlay:Window end height eh is too large. and beyond frame");
  // Only the five layouts the pixel routines know: another type with the RGB bit (a deeper
  // or planar RGB) would be addressed past its rows.
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("Inlay: This color format is not supported here");
  const VideoInfo& mvi = a.maskClip->GetVideoInfo();
  if (mvi.num_frames < a.ef) env->ThrowError("Inlay:the mask clip has fewer frames than endframe number");
  if (mvi.pixel_type != vi.pixel_type || mvi.width != width || mvi.height != height)
    env->ThrowError("Inlay: The mask clip differs in colorspace or dimensions");
  const VideoInfo& lvi = a.linedClip->GetVideoInfo();
  if (lvi.num_frames < a.ef) env->ThrowError("Inlay:the lined clip has fewer frames than endframe number");
  if (lvi.pixel_type != vi.pixel_type || lvi.width != width || lvi.height != height)
    env->ThrowError("Inlay: The  clip with lines differs in colorspace or dimensions");
  if (a.shift && (a.st < -255 || a.st > 255)) env->ThrowError("Inlay: shift value must be between -255 and 255");
  if (!a.shift && a.st < -100) env->ThrowError("Inlay: shift stretch st value must be more than -100");

  // After the checks the coordinates are not negative, so every limit fits an int.
  if (!given(&A::w)) a.w = static_cast<int>(wMax);
  if (!given(&A::h)) a.h = static_cast<int>(hMax);
  if (!given(&A::ew) && !given(&A::w)) a.ew = static_cast<int>(ewMax);
  if (!given(&A::eh) && !given(&A::h)) a.eh = static_cast<int>(ehMax);

  return Created(new Inlay(a), args);
}

}  // namespace tintara
