#include "filters/drawing/Inlay.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "filters/common/Args.h"
#include "filters/common/Motion.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum {
  kClip, kMaskClip, kLinedClip, kSf, kEf, kType, kColor, kLval, kMwhite, kX, kY, kW, kH, kShift, kSt, kEllipse,
  kEx, kEy, kEw, kEh
};

struct StyleName {
  const char* name;
  InlayStyle style;
};
const StyleName kStyles[] = {
    {"mask", InlayStyle::Mask}, {"nomask", InlayStyle::NoMask}, {"hint", InlayStyle::Hint},
    {"left", InlayStyle::Left}, {"right", InlayStyle::Right},   {"vint", InlayStyle::Vint},
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

bool GivenInt(const AVSValue& args, int i) { return args[i].IsInt(); }

}  // namespace

Inlay::Inlay(const PClip& child, const PClip& maskClip_, const PClip& linedClip_, int sf_, int ef_, const char* type_,
             int color_, int lval_, bool mwhite_, int x_, int y_, int w_, int h_, bool shift_, int st_, bool ellipse_,
             int ex_, int ey_, int ew_, int eh_)
    : GenericVideoFilter(child), maskClip(maskClip_), linedClip(linedClip_), sf(sf_), ef(ef_), type(type_),
      color(color_), lval(lval_), mwhite(mwhite_), x(x_), y(y_), w(w_), h(h_), shift(shift_), st(st_),
      ellipse(ellipse_), ex(ex_), ey(ey_), ew(ew_), eh(eh_), format(FormatOf(vi)), style(InlayStyle::Hint) {
  const InlayColour c = InlayColourOf(color);
  cR = c.cR;
  cG = c.cG;
  cB = c.cB;
  cY = c.cY;
  cU = c.cU;
  cV = c.cV;
  paint = InlayPaintOf(color, shift, st);
  StyleOf(type, &style);
}

PVideoFrame Inlay::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame frame = child->GetFrame(n, env);
  if (n < sf || n > ef) return frame;
  // The shape styles build a new frame from the source in one pass; the line styles change a
  // writable copy.
  const bool shape = style == InlayStyle::Mask || style == InlayStyle::NoMask;
  PVideoFrame src = frame;
  if (shape) frame = env->NewVideoFrame(vi);
  else env->MakeWritable(&frame);
  PVideoFrame mask = maskClip->GetFrame(n, env);
  PVideoFrame lined = linedClip->GetFrame(n, env);

  // A one-frame range (ef = sf) has the start window.
  const int d = n - sf, D = ef - sf;
  InlayCanvas canvas;
  canvas.window = {Lerp(x, ex, d, D), Lerp(y, ey, d, D), Lerp(w, ew, d, D), Lerp(h, eh, d, D)};
  canvas.out = WritePlanes(frame, format);
  canvas.in = ReadPlanes(src, format);
  canvas.mask = ReadPlane(mask);
  canvas.lined = ReadPlane(lined);
  canvas.width = vi.width;
  canvas.height = vi.height;
  canvas.maskValue = mwhite ? 255 : 0;
  canvas.lval = lval;
  canvas.paint = &paint;

  if (shape) RunShapeStyle(format, canvas, style, ellipse);
  else RunLineStyle(format, canvas, style);
  return frame;
}

AVSValue CreateInlay(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  PClip maskClip = args[kMaskClip].AsClip();
  PClip linedClip = args[kLinedClip].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int nf = vi.num_frames, width = vi.width, height = vi.height;

  const int sf = IntArg(args, kSf, 0);
  const int ef = IntArg(args, kEf, nf - 1);
  const char* type = StringArg(args, kType, "hint");
  const int color = IntArg(args, kColor, 0x7F7F00);
  const int lval = IntArg(args, kLval, 128);
  const bool mwhite = BoolArg(args, kMwhite, true);
  const bool shift = BoolArg(args, kShift, true);
  const int st = IntArg(args, kSt, 0);
  InlayStyle style = InlayStyle::Hint;
  const bool known_style = StyleOf(type, &style);
  const bool ellipse = BoolArg(args, kEllipse, false);
  const bool is_ellipse = (style == InlayStyle::Mask || style == InlayStyle::NoMask) && known_style && ellipse;

  // An ellipse is centred on the frame by default and must fit between its centre and the
  // nearer edge; a rectangle starts at the top-left and must end inside the frame. 64 bits:
  // a negative coordinate is refused below, but the limits are formed before the checks.
  const int x = IntArg(args, kX, is_ellipse ? width / 2 : 0);
  const int y = IntArg(args, kY, is_ellipse ? height / 2 : 0);
  const int ex = IntArg(args, kEx, x), ey = IntArg(args, kEy, y);
  const int64_t hw = width / 2, hh = height / 2;
  auto limit = [&](int64_t start, int64_t half, int64_t size) {
    return is_ellipse ? half - std::llabs(half - start) : size - start;
  };
  const int64_t wMax = limit(x, hw, width), hMax = limit(y, hh, height);
  const int64_t ewMax = limit(ex, hw, width), ehMax = limit(ey, hh, height);

  if (sf < 0 || sf > ef)
    env->ThrowError("Inlay: Frame number must be positive and end frame not less than start frame");
  if (sf >= nf || ef >= nf) env->ThrowError("Inlay: the first clip  has only %d frames", nf);
  if (!known_style)
    env->ThrowError("Inlay:left, right, hint, above, below, vint mask and nomask are only valid options for style");
  auto negative = [&](int i) { return GivenInt(args, i) && args[i].AsInt() < 0; };
  if (negative(kX) || negative(kY) || negative(kW) || negative(kH))
    env->ThrowError("Inlay: window coordinates x, y and dimensions w h must not be negative");
  if (negative(kEx) || negative(kEy) || negative(kEw) || negative(kEh))
    env->ThrowError("Inlay: window end coordinates ex ey and dimensions ew eh must not be negative");
  if (GivenInt(args, kW) && args[kW].AsInt() > wMax) env->ThrowError("Inlay:Window width w is too large. and beyond frame");
  if (GivenInt(args, kH) && args[kH].AsInt() > hMax) env->ThrowError("Inlay:Window height h is too large. and beyond frame");
  // The end size in force: its own value, else the start size when that was given.
  const int end_w_in_force = GivenInt(args, kEw) ? kEw : GivenInt(args, kW) ? kW : -1;
  const int end_h_in_force = GivenInt(args, kEh) ? kEh : GivenInt(args, kH) ? kH : -1;
  if (end_w_in_force >= 0 && args[end_w_in_force].AsInt() > ewMax)
    env->ThrowError("Inlay:Window end width ew is too large. and beyond frame");
  if (end_h_in_force >= 0 && args[end_h_in_force].AsInt() > ehMax)
    env->ThrowError("Inlay:Window end height eh is too large. and beyond frame");
  // Only the five layouts the pixel routines know: another type with the RGB bit (a deeper
  // or planar RGB) would be addressed past its rows.
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("Inlay: This color format is not supported here");
  const VideoInfo& mvi = maskClip->GetVideoInfo();
  if (mvi.num_frames < ef) env->ThrowError("Inlay:the mask clip has fewer frames than endframe number");
  if (mvi.pixel_type != vi.pixel_type || mvi.width != width || mvi.height != height)
    env->ThrowError("Inlay: The mask clip differs in colorspace or dimensions");
  const VideoInfo& lvi = linedClip->GetVideoInfo();
  if (lvi.num_frames < ef) env->ThrowError("Inlay:the lined clip has fewer frames than endframe number");
  if (lvi.pixel_type != vi.pixel_type || lvi.width != width || lvi.height != height)
    env->ThrowError("Inlay: The  clip with lines differs in colorspace or dimensions");
  if (shift && (st < -255 || st > 255)) env->ThrowError("Inlay: shift value must be between -255 and 255");
  if (!shift && st < -100) env->ThrowError("Inlay: shift stretch st value must be more than -100");

  // After the checks the coordinates are not negative, so every limit fits an int.
  const int w = IntArg(args, kW, static_cast<int>(wMax));
  const int h = IntArg(args, kH, static_cast<int>(hMax));
  const int ew = IntArg(args, kEw, IntArg(args, kW, static_cast<int>(ewMax)));
  const int eh = IntArg(args, kEh, IntArg(args, kH, static_cast<int>(ehMax)));

  auto* filter = new Inlay(clip, maskClip, linedClip, sf, ef, type, color, lval, mwhite, x, y, w, h, shift, st,
                           ellipse, ex, ey, ew, eh);
  return Created(filter, args);
}

}  // namespace tintara
