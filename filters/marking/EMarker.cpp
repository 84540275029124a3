#include "filters/marking/EMarker.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "filters/common/Args.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"

namespace tintara {

// One channel's limits at the current frame: its threshold t (0: the channel is not tested),
// t squared for the squared measures, and the bound s of the Laplacian value.
struct EMarkerLimit {
  int t = 0, t2 = 0, s = 0;
};

// What the kernels need to decide a pixel: the limits in the order the channels are tested, and
// the values written.
struct EMarkerRule {
  EMarkerLimit k[3];
  bool xcol = false;
  BYTE col = 0, mark = 0, back = 0;
};

namespace {

// Argument positions in the signature.
enum {
  kClip, kSf, kEf, kType, kGyt, kRt, kBt, kLt, kWhite, kTest, kFt, kFr, kFb, kFl,
  kLx, kTy, kRx, kBy, kXcol, kCol, kElx, kEty, kErx, kEby
};

// A channel's sample and its eight neighbours: left and right h bytes away in the same row,
// up and down in the previous and next memory rows.
struct Taps {
  int p, l, r, u, d, ul, ur, dl, dr;
};

inline Taps TapsAt(const BYTE* prev, const BYTE* cur, const BYTE* next, int at, int h) {
  return {cur[at],  cur[at - h],  cur[at + h],  prev[at], next[at],
          prev[at - h], prev[at + h], next[at - h], next[at + h]};
}

// The operators. kFarRgb: in RGB, bytes 1 and 2 take their side neighbours two pixels away.
// kOddChroma: YUY2 chroma is tested at odd columns too (at even columns only otherwise).
// The largest squared measure (Sobel, 2 * 1020^2) stays far below 2^31.

// "e1": the sample less the mean of its eight neighbours.
struct CentreLessMean {
  static constexpr bool kFarRgb = true, kOddChroma = true;
  static bool Hit(const Taps& n, const EMarkerLimit& k) {
    const int v = (8 * n.p - (n.l + n.r + n.u + n.d + n.ul + n.ur + n.dl + n.dr)) / 8;
    return v > k.t || v < -k.t;
  }
};

// "e2": cross differences along the row and column, and along the diagonals.
struct CrossDifference {
  static constexpr bool kFarRgb = true, kOddChroma = false;
  static bool Hit(const Taps& n, const EMarkerLimit& k) {
    const int a = n.d - n.u - n.r + n.l, b = n.dr - n.ur - n.ul + n.dl;
    return a * a + b * b > k.t2;
  }
};

// "el".
struct Laplacian {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static bool Hit(const Taps& n, const EMarkerLimit& k) {
    const int v = 4 * n.p - 2 * (n.l + n.r + n.u + n.d) + (n.ul + n.ur + n.dl + n.dr);
    return v > k.s || v < -k.s;
  }
};

// "ep".
struct Prewitt {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static bool Hit(const Taps& n, const EMarkerLimit& k) {
    const int gx = (n.r + n.ur + n.dr) - (n.l + n.ul + n.dl);
    const int gy = (n.d + n.dl + n.dr) - (n.u + n.ul + n.ur);
    return gx * gx + gy * gy > k.t2;
  }
};

// "es".
struct Sobel {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static bool Hit(const Taps& n, const EMarkerLimit& k) {
    const int gx = 2 * (n.r - n.l) + (n.ur + n.dr) - (n.ul + n.dl);
    const int gy = 2 * (n.d - n.u) + (n.dl + n.dr) - (n.ul + n.ur);
    return gx * gx + gy * gy > k.t2;
  }
};

// "epl", "esl": the gradient and the Laplacian must both exceed their limits.
template <class Gradient>
struct GradientAndLaplacian {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static bool Hit(const Taps& n, const EMarkerLimit& k) { return Gradient::Hit(n, k) && Laplacian::Hit(n, k); }
};

// Splits the columns a..b into runs and calls span(x0, x1, far) for each: far is true on the
// columns lo..hi, where the channels that look further than one column stay inside the frame.
// Those channels are not tested elsewhere, so the pixel loops need no bounds tests.
template <class Span>
void ForEachRun(int a, int b, int lo, int hi, const Span& span) {
  int x = a;
  const int near_end = std::min(b, lo - 1);
  if (x <= near_end) {
    span(x, near_end, false);
    x = near_end + 1;
  }
  const int far_end = std::min(b, hi);
  if (x <= far_end) {
    span(x, far_end, true);
    x = far_end + 1;
  }
  if (x <= b) span(x, b, false);
}

// RGB: channels bytes 0, 1, 2; every byte of the pixel gets the value.
template <PixelFormat F, class Op>
void MarkRgb(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const Window& w, const EMarkerRule& r) {
  constexpr int kBpp = BytesPerPixel(F);
  const int width = s.y.row_size / kBpp, height = s.y.height;
  constexpr int near_h = kBpp, far_h = Op::kFarRgb ? 2 * kBpp : kBpp;
  const int lo = Op::kFarRgb ? 2 : 1, hi = Op::kFarRgb ? width - 3 : width - 2;
  for (int y = w.ty + 1; y < w.by; ++y) {
    const int m = MemoryRow(F, height, y);
    const BYTE* prev = s.y.Row(m - 1);
    const BYTE* cur = s.y.Row(m);
    const BYTE* next = s.y.Row(m + 1);
    BYTE* out = o.y.Row(m);
    ForEachRun(w.lx + 1, w.rx - 1, lo, hi, [&](int x0, int x1, bool far) {
      const bool on0 = r.k[0].t != 0, on1 = far && r.k[1].t != 0, on2 = far && r.k[2].t != 0;
      for (int x = x0; x <= x1; ++x) {
        const int at = x * kBpp;
        BYTE v;
        if (r.xcol && RgbColoured(cur + at)) {
          v = r.col;
        } else {
          const bool hit = (on0 && Op::Hit(TapsAt(prev, cur, next, at, near_h), r.k[0])) ||
                           (on1 && Op::Hit(TapsAt(prev, cur, next, at + 1, far_h), r.k[1])) ||
                           (on2 && Op::Hit(TapsAt(prev, cur, next, at + 2, far_h), r.k[2]));
          v = hit ? r.mark : r.back;
        }
        for (int b = 0; b < kBpp; ++b) out[at + b] = v;
      }
    });
  }
}

// YUY2: channels Y, U and V of the pixel's pair; chroma neighbours are the neighbouring pairs,
// so the first and the last pair of a row are not tested for chroma. The value goes to Y.
template <class Op>
void MarkYuy2(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const Window& w, const EMarkerRule& r) {
  const int width = s.y.row_size / 2;
  for (int y = w.ty + 1; y < w.by; ++y) {
    const BYTE* prev = s.y.Row(y - 1);
    const BYTE* cur = s.y.Row(y);
    const BYTE* next = s.y.Row(y + 1);
    BYTE* out = o.y.Row(y);
    ForEachRun(w.lx + 1, w.rx - 1, 2, width - 3, [&](int x0, int x1, bool far) {
      const bool on0 = r.k[0].t != 0, on1 = far && r.k[1].t != 0, on2 = far && r.k[2].t != 0;
      for (int x = x0; x <= x1; ++x) {
        const int pair = (x & ~1) * 2;
        BYTE v;
        if (r.xcol && ChromaColoured(cur[pair + 1], cur[pair + 3])) {
          v = r.col;
        } else {
          const bool chroma = Op::kOddChroma || (x & 1) == 0;
          const bool hit = (on0 && Op::Hit(TapsAt(prev, cur, next, 2 * x, 2), r.k[0])) ||
                           (chroma && on1 && Op::Hit(TapsAt(prev, cur, next, pair + 1, 4), r.k[1])) ||
                           (chroma && on2 && Op::Hit(TapsAt(prev, cur, next, pair + 3, 4), r.k[2]));
          v = hit ? r.mark : r.back;
        }
        out[2 * x] = v;
      }
    });
  }
}

// YV12/I420: channels the Y, U and V planes, chroma on its own grid around (x/2, y/2) and tested
// only two pixels in from every side of the frame. The value goes to Y.
template <class Op>
void MarkPlanar(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const Window& w, const EMarkerRule& r) {
  const int width = s.y.row_size, height = s.y.height;
  // The chroma plane's own size bounds its neighbours too (equal to the above for even sizes).
  const int chroma_hi = std::min(width - 3, 2 * s.u.row_size - 3);
  for (int y = w.ty + 1; y < w.by; ++y) {
    const int c = y / 2;
    const bool chroma_row = y >= 2 && y < height - 2 && c + 1 < s.u.height;
    const BYTE* yp = s.y.Row(y - 1);
    const BYTE* yc = s.y.Row(y);
    const BYTE* yn = s.y.Row(y + 1);
    const BYTE* uc = s.u.Row(c);
    const BYTE* vc = s.v.Row(c);
    const BYTE* up = chroma_row ? s.u.Row(c - 1) : uc;
    const BYTE* un = chroma_row ? s.u.Row(c + 1) : uc;
    const BYTE* vp = chroma_row ? s.v.Row(c - 1) : vc;
    const BYTE* vn = chroma_row ? s.v.Row(c + 1) : vc;
    BYTE* out = o.y.Row(y);
    ForEachRun(w.lx + 1, w.rx - 1, 2, chroma_hi, [&](int x0, int x1, bool far) {
      const bool chroma = far && chroma_row;
      const bool on0 = r.k[0].t != 0, on1 = chroma && r.k[1].t != 0, on2 = chroma && r.k[2].t != 0;
      for (int x = x0; x <= x1; ++x) {
        const int cx = x / 2;
        BYTE v;
        if (r.xcol && ChromaColoured(uc[cx], vc[cx])) {
          v = r.col;
        } else {
          const bool hit = (on0 && Op::Hit(TapsAt(yp, yc, yn, x, 1), r.k[0])) ||
                           (on1 && Op::Hit(TapsAt(up, uc, un, cx, 1), r.k[1])) ||
                           (on2 && Op::Hit(TapsAt(vp, vc, vn, cx, 1), r.k[2]));
          v = hit ? r.mark : r.back;
        }
        out[x] = v;
      }
    });
  }
}

template <class Op>
EdgeRoutine RoutineFor(PixelFormat format) {
  switch (format) {
    case PixelFormat::RGB24: return &MarkRgb<PixelFormat::RGB24, Op>;
    case PixelFormat::RGB32: return &MarkRgb<PixelFormat::RGB32, Op>;
    case PixelFormat::YUY2: return &MarkYuy2<Op>;
    default: return &MarkPlanar<Op>;
  }
}

EdgeRoutine PickRoutine(PixelFormat format, EdgeOperator op) {
  switch (op) {
    case EdgeOperator::E1: return RoutineFor<CentreLessMean>(format);
    case EdgeOperator::E2: return RoutineFor<CrossDifference>(format);
    case EdgeOperator::EL: return RoutineFor<Laplacian>(format);
    case EdgeOperator::EP: return RoutineFor<Prewitt>(format);
    case EdgeOperator::ES: return RoutineFor<Sobel>(format);
    case EdgeOperator::EPL: return RoutineFor<GradientAndLaplacian<Prewitt>>(format);
    default: return RoutineFor<GradientAndLaplacian<Sobel>>(format);
  }
}

}  // namespace

EMarker::EMarker(const PClip& child, int sf_, int ef_, const char* type_, int gyt_, int rt_, int bt_, int lt_,
                 bool white_, bool test_, int ft_, int fr_, int fb_, int fl_, int lx_, int ty_, int rx_, int by_,
                 bool xcol_, int col_, int elx_, int ety_, int erx_, int eby_, IScriptEnvironment* env)
    : GenericVideoFilter(child), sf(sf_), ef(ef_), type(type_), gyt(gyt_), rt(rt_), bt(bt_), lt(lt_), white(white_),
      test(test_), ft(ft_), fr(fr_), fb(fb_), fl(fl_), lx(lx_), ty(ty_), rx(rx_), by(by_), xcol(xcol_), col(col_),
      elx(elx_), ety(ety_), erx(erx_), eby(eby_), markval(MarkValues(white_).markval),
      backval(MarkValues(white_).backval), format(FormatOf(vi)) {
  const std::string t = type;
  const bool basic = t == "e1" || t == "e2" || t == "el" || t == "ep" || t == "es";
  if (format != PixelFormat::YUY2 && !basic)
    env->ThrowError("EMarker:type valid options for this color format are  e1, e2  el, ep, es, only");
  if (!basic && t != "epl" && t != "esl")
    env->ThrowError("EMarker:type valid options are  e1, e2  el, ep,epl, es, esl  only");
  op = t == "e1"    ? EdgeOperator::E1
       : t == "e2"  ? EdgeOperator::E2
       : t == "el"  ? EdgeOperator::EL
       : t == "ep"  ? EdgeOperator::EP
       : t == "es"  ? EdgeOperator::ES
       : t == "epl" ? EdgeOperator::EPL
                    : EdgeOperator::ESL;
  routine = PickRoutine(format, op);
}

PVideoFrame EMarker::GetFrame(int n, IScriptEnvironment* env) {
  const FrameStep step = StepFor(n, sf, ef, test);
  if (!step.active) return child->GetFrame(n, env);
  PVideoFrame src = child->GetFrame(step.source, env);

  const int g = ThresholdAt(gyt, ft, step, test), r = ThresholdAt(rt, fr, step, test);
  const int b = ThresholdAt(bt, fb, step, test), l = ThresholdAt(lt, fl, step, test);
  const int order[3] = {IsRGB(format) ? r : g, IsRGB(format) ? g : r, b};  // channels in test order
  EMarkerRule rule;
  for (int c = 0; c < 3; ++c) {
    const int t = order[c];
    // "el" on YUY2 bounds each channel's value by its own threshold; elsewhere by lt.
    const int s = op == EdgeOperator::EL && format == PixelFormat::YUY2 ? t : l;
    rule.k[c] = {t, t * t, s};
  }
  if (op == EdgeOperator::EPL || op == EdgeOperator::ESL) rule.k[1] = rule.k[2] = {};  // Y only
  rule.xcol = xcol;
  rule.col = static_cast<BYTE>(col);  // its low eight bits
  rule.mark = static_cast<BYTE>(markval);
  rule.back = static_cast<BYTE>(backval);

  Window w = WindowAt({lx, ty, rx, by}, {elx, ety, erx, eby}, step);
  PVideoFrame out = env->NewVideoFrame(vi);
  PrepareMarkOutput(out, src, format, test);
  if (!ClipWindow(&w, vi.width, vi.height)) return out;
  routine(ReadPlanes(src, format), WritePlanes(out, format), w, rule);
  NeutralWindowChroma(out, format, w);
  DrawWindowEdge(out, format, w, true);
  return out;
}

AVSValue CreateEMarker(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  const int sf = IntArg(args, kSf, 0);
  const int ef = IntArg(args, kEf, N - 1);
  const char* type = StringArg(args, kType, "e1");
  const int gyt = IntArg(args, kGyt, 5), rt = IntArg(args, kRt, 0), bt = IntArg(args, kBt, 0);
  const int lt = IntArg(args, kLt, 4);
  const bool white = BoolArg(args, kWhite, true);
  const bool test = BoolArg(args, kTest, false);
  const int ft = IntArg(args, kFt, 200), fr = IntArg(args, kFr, 0), fb = IntArg(args, kFb, 0);
  const int fl = IntArg(args, kFl, lt);
  const int lx = IntArg(args, kLx, 0), ty = IntArg(args, kTy, 0);
  const int rx = IntArg(args, kRx, W - 1), by = IntArg(args, kBy, H - 1);
  const bool xcol = BoolArg(args, kXcol, true);
  const int col = IntArg(args, kCol, 128);
  const int elx = IntArg(args, kElx, lx), ety = IntArg(args, kEty, ty);
  const int erx = IntArg(args, kErx, rx), eby = IntArg(args, kEby, by);

  // Sums and differences of arguments are taken in 64 bits: any int may be given.
  if (test) {
    if (sf < 0 || ef < 2 || int64_t{sf} + ef > N)
      env->ThrowError("EMarker: startf must be +ve and endf atleast 2 and startf+endf less than frame count of %d ", N);
  } else if (sf < 0 || ef < sf || ef >= N) {
    env->ThrowError("EMarker: startf and endf must be +ve, endf more than startf and within this clip having %d frames ", N);
  }
  for (int i : {kGyt, kRt, kBt, kLt, kFt, kFr, kFb, kFl}) {
    const int v = IntArg(args, i, 0);
    if (v < 0 || v > 255) env->ThrowError("EMarker:Thresholds must be positive numbers 0 to 255 only");
  }
  if (lx < 0 || lx > W - 3) env->ThrowError("EMarker:window left x lx must be between 0 and %d", W - 4);
  if (ty < 0 || ty > H - 3) env->ThrowError("EMarker:window top y ty must be between  0 and %d", H - 4);
  if (rx < lx + 4 || rx > W - 1) env->ThrowError("EMarker:window right x rx must be between  %d and %d", lx + 4, W - 1);
  if (by < ty + 4 || by > H - 1) env->ThrowError("EMarker:window bottom y by must be between %d and %d", ty + 4, H - 1);
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("EMarker: This color format is not yet supported");
  if (elx < 0 || elx >= int64_t{erx} - 3 || erx >= W)
    env->ThrowError("EMarker: end left x elx and right x erx coordinates invalid");
  if (ety < 0 || ety >= int64_t{eby} - 3 || eby >= H)
    env->ThrowError("EMarker: end top y ety and bottom y eby coordinates invalid");

  auto* filter = new EMarker(clip, sf, ef, type, gyt, rt, bt, lt, white, test, ft, fr, fb, fl, lx, ty, rx, by, xcol,
                             col, elx, ety, erx, eby, env);
  return Created(filter, args);
}

}  // namespace tintara
