#include "filters/neighbourhood/SharpEdge.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "filters/common/Args.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum {
  kClip, kSf, kEf, kType, kLt, kUt, kWhite, kTest, kFlt, kFut, kLx, kTy, kRx, kBy, kXcol, kCol, kElx, kEty, kErx,
  kEby, kGradient
};

using Operator = SharpEdge::Operator;
using Job = SharpEdge::Job;

// The magnitude at one pixel, low 8 bits kept (large magnitudes wrap rather than clip). The
// pointers address the pixel's column in its own memory row and in the next and previous memory
// rows; the e2 operator is not symmetric in them, so it depends on the row order of the format.
// Squares and sums stay below 2 * 1020^2, far inside 32 bits.
template <Operator Op, int step>
inline BYTE Magnitude(const BYTE* next, const BYTE* own, const BYTE* prev) {
  const int nl = next[-step], nc = next[0], nr = next[step];
  const int ol = own[-step], orr = own[step];
  const int pl = prev[-step], pc = prev[0], pr = prev[step];
  int gx, gy;
  if constexpr (Op == Operator::E2) {
    gx = (ol - orr) + (nc - pc);
    gy = (nl + nr) - (pl + pr);
  } else if constexpr (Op == Operator::Prewitt) {
    gx = (nr + orr + pr) - (nl + ol + pl);
    gy = (nl + nc + nr) - (pl + pc + pr);
  } else {
    gx = 2 * (orr - ol) + (nr + pr) - (nl + pl);
    gy = 2 * (nc - pc) + (nl + nr) - (pl + pr);
  }
  const int squares = gx * gx + gy * gy;
  return static_cast<BYTE>(static_cast<int>(std::sqrt(static_cast<double>(squares))) & 0xFF);
}

// Whether the pixels of one picture row carry colour: RGB bytes not all equal, YUV both chroma
// samples away from 128.
template <PixelFormat F>
class ColouredRow {
 public:
  ColouredRow(const FramePlanes<const BYTE>& s, int y, int memory_row) : row_(s.y.Row(memory_row)) {
    if constexpr (F == PixelFormat::YV12) {
      u_ = s.u.Row(y / 2);
      v_ = s.v.Row(y / 2);
    }
  }
  bool At(int x) const {
    if constexpr (IsRGB(F)) {
      return RgbColoured(row_ + x * BytesPerPixel(F));
    } else if constexpr (F == PixelFormat::YUY2) {
      const BYTE* pair = row_ + (x & ~1) * 2;
      return ChromaColoured(pair[1], pair[3]);
    } else {
      return ChromaColoured(u_[x / 2], v_[x / 2]);
    }
  }

 private:
  const BYTE* row_;
  const BYTE* u_ = nullptr;
  const BYTE* v_ = nullptr;
};

// G over the whole window: magnitudes inside, 0 on the window's edge rows and columns and on
// excluded coloured pixels, so that every G sample the marking reads is defined.
template <PixelFormat F, Operator Op>
void GradientImage(const Job& job) {
  constexpr int step = BytesPerPixel(F);
  const Window& w = job.w;
  const int height = job.src.y.height;
  for (int y = w.ty; y <= w.by; ++y) {
    const int row = MemoryRow(F, height, y);
    BYTE* const g_row = job.g.Row(row);
    g_row[w.lx * step] = 0;
    g_row[w.rx * step] = 0;
    const bool edge_row = y == w.ty || y == w.by;
    const int first = (w.lx + 1) * step;
    BYTE* g = g_row + first;
    if (edge_row) {
      for (int x = w.lx + 1; x < w.rx; ++x, g += step) *g = 0;
      continue;
    }
    const BYTE* own = job.src.y.Row(row) + first;
    const BYTE* next = job.src.y.Row(row + 1) + first;
    const BYTE* prev = job.src.y.Row(row - 1) + first;
    const ColouredRow<F> coloured(job.src, y, row);
    for (int x = w.lx + 1; x < w.rx; ++x, g += step, own += step, next += step, prev += step)
      *g = job.xcol && coloured.At(x) ? 0 : Magnitude<Op, step>(next, own, prev);
  }
}

// A crest: higher than both horizontal neighbours, or the rows above and below rising across
// the pixel (in either diagonal), or a dip between the rows above and below.
inline bool Crest(int v, int w, int e, int a, int b) {
  return (v > w && v > e) || (a > w && b > e) || (a > e && b > w) || (a > v && b > v);
}

// M inside the window's edge: the painted byte on excluded coloured pixels, `markval` on the
// crests in lt..ut, `backval` elsewhere. Crests are looked for one row and one column short of
// the far edges. When `col` equals `backval` every unmarked sample already equals `col`, and
// such samples are never marked: then nothing is.
template <PixelFormat F>
void MarkImage(const Job& job) {
  constexpr int step = BytesPerPixel(F);
  const Window& w = job.w;
  const int height = job.src.y.height;
  const bool marking = job.col != job.backval;
  for (int y = w.ty + 1; y < w.by; ++y) {
    const int row = MemoryRow(F, height, y);
    const int first = (w.lx + 1) * step;
    const BYTE* g = job.g.Row(row) + first;
    const BYTE* next = job.g.Row(row + 1) + first;
    const BYTE* prev = job.g.Row(row - 1) + first;
    BYTE* m = job.m.Row(row) + first;
    const ColouredRow<F> coloured(job.src, y, row);
    const int last_crest = marking && y <= w.by - 2 ? w.rx - 2 : w.lx;
    for (int x = w.lx + 1; x < w.rx; ++x, g += step, next += step, prev += step, m += step) {
      BYTE out = job.backval;
      if (job.xcol && coloured.At(x)) {
        out = job.paint;
      } else if (x <= last_crest) {
        const int v = g[0];
        if (v >= job.lt && v <= job.ut && Crest(v, g[-step], g[step], next[0], prev[0])) out = job.markval;
      }
      *m = out;
    }
  }
}

template <PixelFormat F>
SharpEdge::Routine GradientFor(Operator op) {
  switch (op) {
    case Operator::E2: return GradientImage<F, Operator::E2>;
    case Operator::Prewitt: return GradientImage<F, Operator::Prewitt>;
    default: return GradientImage<F, Operator::Sobel>;
  }
}

// RGB bytes 1, 2 (and the fourth) of every window pixel copy byte 0.
template <PixelFormat F>
void GreyRgbWindow(const Plane& p, const Window& w) {
  constexpr int step = BytesPerPixel(F);
  for (int y = w.ty; y <= w.by; ++y) {
    BYTE* px = p.Row(MemoryRow(F, p.height, y)) + w.lx * step;
    for (int x = w.lx; x <= w.rx; ++x, px += step)
      for (int c = 1; c < step; ++c) px[c] = px[0];
  }
}

// The window of the result as a grey-scale picture: RGB pixels grey, YUY2 the chroma byte of
// every window pixel and planar the window's chroma 128.
void GreyWindow(const PVideoFrame& out, PixelFormat format, const Window& w) {
  const Plane p = WritePlane(out);
  if (format == PixelFormat::RGB24) {
    GreyRgbWindow<PixelFormat::RGB24>(p, w);
  } else if (format == PixelFormat::RGB32) {
    GreyRgbWindow<PixelFormat::RGB32>(p, w);
  } else if (format == PixelFormat::YUY2) {
    for (int y = w.ty; y <= w.by; ++y) {
      BYTE* row = p.Row(y);
      for (int x = w.lx; x <= w.rx; ++x) row[2 * x + 1] = 128;
    }
  } else {
    NeutralWindowChroma(out, format, w);
  }
}

}  // namespace

SharpEdge::SharpEdge(const PClip& child, int sf_, int ef_, const char* type_, int lt_, int ut_, bool white_,
                     bool test_, int flt_, int fut_, int lx_, int ty_, int rx_, int by_, bool xcol_, int col_,
                     int elx_, int ety_, int erx_, int eby_, bool gradient_, IScriptEnvironment* env)
    : GenericVideoFilter(child), sf(sf_), ef(ef_), type(type_), lt(lt_), ut(ut_), white(white_), test(test_),
      flt(flt_), fut(fut_), lx(lx_), ty(ty_), rx(rx_), by(by_), xcol(xcol_), col(col_), elx(elx_), ety(ety_),
      erx(erx_), eby(eby_), gradient(gradient_), markval(MarkValues(white).markval),
      backval(MarkValues(white).backval), format(FormatOf(vi)) {
  Operator op = Operator::Prewitt;
  if (std::strcmp(type, "e2") == 0) op = Operator::E2;
  else if (std::strcmp(type, "ep") == 0) op = Operator::Prewitt;
  else if (std::strcmp(type, "es") == 0) op = Operator::Sobel;
  else env->ThrowError("SharpEdge:type valid options for this color format are  e2   ep, es, only");

  switch (format) {
    case PixelFormat::RGB24:
      gradient_image = GradientFor<PixelFormat::RGB24>(op);
      mark_image = MarkImage<PixelFormat::RGB24>;
      break;
    case PixelFormat::RGB32:
      gradient_image = GradientFor<PixelFormat::RGB32>(op);
      mark_image = MarkImage<PixelFormat::RGB32>;
      break;
    case PixelFormat::YUY2:
      gradient_image = GradientFor<PixelFormat::YUY2>(op);
      mark_image = MarkImage<PixelFormat::YUY2>;
      break;
    default:  // YV12 and I420 differ only in the order of their chroma planes
      gradient_image = GradientFor<PixelFormat::YV12>(op);
      mark_image = MarkImage<PixelFormat::YV12>;
      break;
  }
}

PVideoFrame SharpEdge::GetFrame(int n, IScriptEnvironment* env) {
  FrameStep step = StepFor(n, sf, ef, test);
  if (!step.active) return child->GetFrame(n, env);
  // Outside test mode the range runs the whole way: frame ef has the end window. A one-frame
  // range (divisor 0) keeps the start values.
  if (!test) step.d = ef - sf;
  PVideoFrame src = child->GetFrame(step.source, env);

  Window w = WindowAt({lx, ty, rx, by}, {elx, ety, erx, eby}, step);

  PVideoFrame g = env->NewVideoFrame(vi);
  PVideoFrame m = gradient ? PVideoFrame() : env->NewVideoFrame(vi);
  const PVideoFrame& out = gradient ? g : m;
  PrepareMarkOutput(out, src, format, test);
  if (!ClipWindow(&w, vi.width, vi.height)) return out;

  Job job;
  job.src = ReadPlanes(src, format);
  job.g = WritePlane(g);
  if (!gradient) job.m = WritePlane(m);
  job.w = w;
  job.lt = ThresholdAt(lt, flt, step, test);
  job.ut = ThresholdAt(ut, fut, step, test);
  job.xcol = xcol;
  job.col = col;
  job.paint = static_cast<BYTE>(col);  // the low 8 bits, for any int
  job.markval = static_cast<BYTE>(markval);
  job.backval = static_cast<BYTE>(backval);

  gradient_image(job);
  if (!gradient) {
    mark_image(job);
    DrawWindowEdge(out, format, w, false);
  }
  GreyWindow(out, format, w);
  return out;
}

AVSValue CreateSharpEdge(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int W = vi.width, H = vi.height, NF = vi.num_frames;

  const int sf = IntArg(args, kSf, 0);
  const int ef = IntArg(args, kEf, NF - 1);
  const char* type = StringArg(args, kType, "ep");
  const int lt = IntArg(args, kLt, 5), ut = IntArg(args, kUt, 200);
  const bool white = BoolArg(args, kWhite, true);
  const bool test = BoolArg(args, kTest, false);
  const int flt = IntArg(args, kFlt, 100), fut = IntArg(args, kFut, 200);
  const int lx = IntArg(args, kLx, 0), ty = IntArg(args, kTy, 0);
  const int rx = IntArg(args, kRx, W - 1), by = IntArg(args, kBy, H - 1);
  const bool xcol = BoolArg(args, kXcol, true);
  const int col = IntArg(args, kCol, 128);
  const int elx = IntArg(args, kElx, lx), ety = IntArg(args, kEty, ty);
  const int erx = IntArg(args, kErx, rx), eby = IntArg(args, kEby, by);
  const bool gradient = BoolArg(args, kGradient, false);

  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("SharpEdge:RGB24, RGB32, YUY2 and YV12 formats only supported");
  // Sums and differences in 64 bits: any int a script passes must compare without overflow.
  using Wide = int64_t;
  if (test) {
    if (sf < 0 || ef < 2 || Wide{sf} + ef > NF)
      env->ThrowError("SharpEdge: startf must be +ve and endf atleast 2 and startf+endf less than frame count of %d ", NF);
  } else if (sf < 0 || ef < sf || ef >= NF) {
    env->ThrowError("SharpEdge: startf and endf must be +ve, endf more than startf and within this clip having %d frames ", NF);
  }
  if (lt < 0 || ut < lt || ut > 255)
    env->ThrowError("SharpEdge:Thresholds lt and ut must be between 0 and 255 and ut more than lt");
  if (flt < 0 || fut < flt || fut > 255)
    env->ThrowError("SharpEdge:Thresholds flt and fut must be between 0 and 255 and fut more than flt");
  if (lx < 0 || lx > W - 3) env->ThrowError("SharpEdge:window left x lx must be between 0 and %d", W - 4);
  if (ty < 0 || ty > H - 3) env->ThrowError("SharpEdge:window top y ty must be between  0 and %d", H - 4);
  if (rx < lx + 4 || rx > W - 1) env->ThrowError("SharpEdge:window right x rx must be between  %d and %d", lx + 4, W - 1);
  if (by < ty + 4 || by > H - 1) env->ThrowError("SharpEdge:window bottom y by must be between %d and %d", ty + 4, H - 1);
  if (elx < 0 || elx > Wide{erx} - 3 || erx > W - 1 || ety < 0 || ety > Wide{eby} - 3 || eby > H - 1)
    env->ThrowError("SharpEdge:elx, erx, ety and eby are invalid.Window must be atleast 4 pixel wide and high");

  auto* filter = new SharpEdge(clip, sf, ef, type, lt, ut, white, test, flt, fut, lx, ty, rx, by, xcol, col, elx, ety,
                               erx, eby, gradient, env);
  return Created(filter, args);
}

}  // namespace tintara
