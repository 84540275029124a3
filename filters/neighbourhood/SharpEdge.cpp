#include "filters/neighbourhood/SharpEdge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/EdgeRows.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"
#include "filters/common/Vectorised.h"
#include "filters/common/WindowArgs.h"

namespace tintara {

namespace {

using A = SharpEdgeArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("type", &A::type, "ep"),
    Int("lt", &A::lt, 5),
    Int("ut", &A::ut, 200),
    Bool("white", &A::white, true),
    Bool("test", &A::test, false),
    Int("flt", &A::flt, 100),
    Int("fut", &A::fut, 200),
    Int("lx", &A::lx, 0),
    Int("ty", &A::ty, 0),
    Int("rx", &A::rx, FromClip::LastColumn),
    Int("by", &A::by, FromClip::LastRow),
    Bool("xcol", &A::xcol, true),
    Int("col", &A::col, 128),
    Int("elx", &A::elx, Like(&A::lx)),
    Int("ety", &A::ety, Like(&A::ty)),
    Int("erx", &A::erx, Like(&A::rx)),
    Int("eby", &A::eby, Like(&A::by)),
    Bool("gradient", &A::gradient, false),
};

using Operator = SharpEdge::Operator;
using Job = SharpEdge::Job;

// The magnitudes of columns a..b, low 8 bits kept (large magnitudes wrap rather than clip). The
// rows are the samples of the pixels' own memory row and of the next and previous memory rows;
// the e2 operator is not symmetric in them, so it depends on the row order of the format.
template <Operator Op>
void Magnitudes(const BYTE* __restrict next, const BYTE* __restrict own, const BYTE* __restrict prev, int a, int b,
                BYTE* __restrict g) {
  for (int x = a; x <= b; ++x) {
    const int nl = next[x - 1], nc = next[x], nr = next[x + 1];
    const int ol = own[x - 1], orr = own[x + 1];
    const int pl = prev[x - 1], pc = prev[x], pr = prev[x + 1];
    int squares;
    if constexpr (Op == Operator::E2) {
      const int16_t gx = static_cast<int16_t>((ol - orr) + (nc - pc));
      const int16_t gy = static_cast<int16_t>((nl + nr) - (pl + pr));
      squares = gx * gx + gy * gy;
    } else if constexpr (Op == Operator::Prewitt) {
      squares = PrewittSquares(pl, pc, pr, ol, orr, nl, nc, nr);
    } else {
      squares = SobelSquares(pl, pc, pr, ol, orr, nl, nc, nr);
    }
    g[x] = static_cast<BYTE>(FloorSqrt(squares) & 0xFF);
  }
}

// g[a..b] = 0 where flags[a..b] are set.
inline void ClearFlagged(const BYTE* __restrict flags, int a, int b, BYTE* __restrict g) {
  for (int x = a; x <= b; ++x) g[x] = static_cast<BYTE>(g[x] & ~flags[x]);
}

// A crest: higher than both horizontal neighbours, or the rows above and below rising across
// the pixel (in either diagonal), or a dip between the rows above and below.
inline bool Crest(BYTE v, BYTE w, BYTE e, BYTE a, BYTE b) {
  return ((v > w) & (v > e)) | ((a > w) & (b > e)) | ((a > e) & (b > w)) | ((a > v) & (b > v));
}

// M's values of columns a..b of a row: the painted byte on excluded coloured pixels; with kCrest
// `markval` on the crests in lt..ut (g the row of G, next and prev the G rows of the next and
// previous memory rows); `backval` elsewhere.
template <bool kCrest>
void MarkValuesOf(const BYTE* __restrict g, const BYTE* __restrict next, const BYTE* __restrict prev,
                  const BYTE* __restrict coloured, int a, int b, const Job& job, BYTE* __restrict m) {
  const BYTE paint = job.paint, mark = job.markval, back = job.backval;
  const BYTE lt = static_cast<BYTE>(job.lt), ut = static_cast<BYTE>(job.ut);  // both in 0..255
  for (int x = a; x <= b; ++x) {
    BYTE hit = 0;
    if constexpr (kCrest) {
      const BYTE v = g[x];
      hit = ((v >= lt) & (v <= ut) & Crest(v, g[x - 1], g[x + 1], next[x], prev[x])) ? 0xFF : 0;
    }
    m[x] = Select(coloured[x], paint, Select(hit, mark, back));
  }
}

// G and M of one frame, row by row in memory order over the window. A G row holds 0 on the
// window's edge rows and columns and on excluded coloured pixels, so every G sample the marking
// reads is defined. With `gradient` the G rows are the result; otherwise they are kept for the
// three memory rows a row of M reads, and M's inner pixels are written: the painted byte on
// excluded coloured pixels, `markval` on the crests in lt..ut, `backval` elsewhere. Crests are
// looked for one picture row and one column short of the far edges. When `col` equals `backval`
// every unmarked sample already equals `col`, and such samples are never marked: then nothing is.
// Results go to every byte of an RGB pixel, to the Y of a YUY2 pixel with its chroma byte 128.
template <PixelFormat F, Operator Op>
void EdgeImage(const Job& job) {
  constexpr int kStep = BytesPerPixel(F);
  const Window& w = job.w;
  const int height = job.src.y.height, width = job.src.y.row_size / kStep;
  const int m_lo = MemoryRow(F, height, IsRGB(F) ? w.by : w.ty), m_hi = MemoryRow(F, height, IsRGB(F) ? w.ty : w.by);
  const int x0 = w.lx + 1, x1 = w.rx - 1;
  ChannelRing samples(IsPlanar(F) ? 0 : 1, width);
  // Per slot of the memory row: G, the coloured flags (and the chroma ones they come from).
  std::vector<BYTE> g_rows(3 * static_cast<size_t>(width)), coloured_rows(3 * static_cast<size_t>(width));
  std::vector<BYTE> chroma(static_cast<size_t>(width)), value(static_cast<size_t>(width));
  ChannelRing rgb(IsRGB(F) ? 3 : 0, IsRGB(F) ? width : 0);
  int g_held[3] = {-1, -1, -1};

  auto sample_row = [&](int m) -> const BYTE* {
    if constexpr (IsPlanar(F)) {
      return job.src.y.Row(m);
    } else {
      if (samples.Take(m)) {
        if constexpr (F == PixelFormat::YUY2)
          SplitSamples<2>(job.src.y.Row(m), w.lx, w.rx, samples.At(m, 0));
        else
          SplitSamples<kStep>(job.src.y.Row(m), w.lx, w.rx, samples.At(m, 0));
      }
      return samples.At(m, 0);
    }
  };
  // The coloured flags of columns x0..x1 of memory row m.
  auto coloured_of = [&](int m, BYTE* flags) {
    if (!job.xcol) return;
    if constexpr (IsRGB(F)) {
      if (rgb.Take(m)) SplitPixels<kStep>(job.src.y.Row(m), x0, x1, rgb.At(m, 0), rgb.At(m, 1), rgb.At(m, 2));
      RgbColouredRow(rgb.At(m, 0), rgb.At(m, 1), rgb.At(m, 2), x0, x1, flags);
    } else if constexpr (F == PixelFormat::YUY2) {
      Yuy2ColouredPairs(job.src.y.Row(m), x0 / 2, x1 / 2, &chroma[0]);
      ExpandPairs<false>(&chroma[0], x0, x1, 0xFF, flags);
    } else {
      ChromaColouredRow(job.src.u.Row(m / 2), job.src.v.Row(m / 2), x0 / 2, x1 / 2, &chroma[0]);
      ExpandPairs<false>(&chroma[0], x0, x1, 0xFF, flags);
    }
  };
  // G of memory row m into g[lx..rx], the coloured flags of its inner pixels into flags.
  auto g_row = [&](int m, BYTE* g, BYTE* flags) {
    g[w.lx] = g[w.rx] = 0;
    if (m == m_lo || m == m_hi || x0 > x1) {
      std::memset(g + w.lx, 0, static_cast<size_t>(w.rx - w.lx + 1));
      return;
    }
    Magnitudes<Op>(sample_row(m + 1), sample_row(m), sample_row(m - 1), x0, x1, g);
    coloured_of(m, flags);
    if (job.xcol) ClearFlagged(flags, x0, x1, g);
  };

  Vectorised([&] {
    if (job.gradient) {
      for (int m = m_lo; m <= m_hi; ++m) {
        if constexpr (IsPlanar(F)) {  // straight into the frame
          g_row(m, job.out.Row(m), &coloured_rows[0]);
        } else {
          g_row(m, &g_rows[0], &coloured_rows[0]);
          WritePixels<F>(&g_rows[0], w.lx, w.rx, job.out.Row(m));
        }
      }
      return;
    }
    auto held = [&](int m) {
      const int slot = (m - m_lo) % 3;
      BYTE* g = &g_rows[static_cast<size_t>(slot) * width];
      if (g_held[slot] != m) {
        g_held[slot] = m;
        g_row(m, g, &coloured_rows[static_cast<size_t>(slot) * width]);
      }
      return slot;
    };
    const bool marking = job.col != job.backval;
    for (int m = m_lo + 1; m < m_hi; ++m) {
      const BYTE* prev = &g_rows[static_cast<size_t>(held(m - 1)) * width];
      const BYTE* next = &g_rows[static_cast<size_t>(held(m + 1)) * width];
      const int slot = held(m);
      const BYTE* g = &g_rows[static_cast<size_t>(slot) * width];
      const BYTE* coloured = &coloured_rows[static_cast<size_t>(slot) * width];
      const int y = IsRGB(F) ? height - 1 - m : m;
      const int crest_end = marking && y <= w.by - 2 ? w.rx - 2 : w.lx;
      BYTE* const m_row = IsPlanar(F) ? job.out.Row(m) : &value[0];  // planar: straight into the frame
      MarkValuesOf<true>(g, next, prev, coloured, x0, crest_end, job, m_row);
      MarkValuesOf<false>(g, next, prev, coloured, std::max(x0, crest_end + 1), x1, job, m_row);
      if constexpr (!IsPlanar(F)) WritePixels<F>(&value[0], x0, x1, job.out.Row(m));
    }
  });
}

template <PixelFormat F>
SharpEdge::Routine RoutineFor(Operator op) {
  switch (op) {
    case Operator::E2: return EdgeImage<F, Operator::E2>;
    case Operator::Prewitt: return EdgeImage<F, Operator::Prewitt>;
    default: return EdgeImage<F, Operator::Sobel>;
  }
}

}  // namespace

SharpEdge::SharpEdge(const SharpEdgeArgs& args, IScriptEnvironment* env)
    : GenericVideoFilter(args.clip),
      arg(args),
      markval(MarkValues(args.white).markval),
      backval(MarkValues(args.white).backval),
      format(FormatOf(vi)) {
  Operator op = Operator::Prewitt;
  if (std::strcmp(arg.type, "e2") == 0)
    op = Operator::E2;
  else if (std::strcmp(arg.type, "ep") == 0)
    op = Operator::Prewitt;
  else if (std::strcmp(arg.type, "es") == 0)
    op = Operator::Sobel;
  else
    env->ThrowError("SharpEdge:type valid options for this color format are  e2   ep, es, only");

  switch (format) {
    case PixelFormat::RGB24: routine = RoutineFor<PixelFormat::RGB24>(op); break;
    case PixelFormat::RGB32: routine = RoutineFor<PixelFormat::RGB32>(op); break;
    case PixelFormat::YUY2: routine = RoutineFor<PixelFormat::YUY2>(op); break;
    // YV12 and I420 differ only in the order of their chroma planes
    default: routine = RoutineFor<PixelFormat::YV12>(op); break;
  }
}

PVideoFrame SharpEdge::GetFrame(int n, IScriptEnvironment* env) {
  FrameStep step = StepFor(n, arg.sf, arg.ef, arg.test);
  if (!step.active) return child->GetFrame(n, env);
  // Outside test mode the range runs the whole way: frame ef has the end window. A one-frame
  // range (divisor 0) keeps the start values.
  if (!arg.test) step.d = arg.ef - arg.sf;
  PVideoFrame src = child->GetFrame(step.source, env);

  Window w = WindowAt({arg.lx, arg.ty, arg.rx, arg.by}, {arg.elx, arg.ety, arg.erx, arg.eby}, step);

  // The result is G or M; G is otherwise kept a few rows at a time by the routine. Every byte
  // of the window is written below, so only the bytes around it are prepared.
  PVideoFrame out = env->NewVideoFrame(vi);
  if (!ClipWindow(&w, vi.width, vi.height)) {
    PrepareMarkOutput(out, src, format, arg.test);
    return out;
  }
  PrepareMarkSurround(out, src, format, arg.test, w);

  Job job;
  job.src = ReadPlanes(src, format);
  job.out = WritePlane(out);
  job.gradient = arg.gradient;
  job.w = w;
  job.lt = ThresholdAt(arg.lt, arg.flt, step, arg.test);
  job.ut = ThresholdAt(arg.ut, arg.fut, step, arg.test);
  job.xcol = arg.xcol;
  job.col = arg.col;
  job.paint = static_cast<BYTE>(arg.col);  // the low 8 bits, for any int
  job.markval = static_cast<BYTE>(markval);
  job.backval = static_cast<BYTE>(backval);

  routine(job);
  // The window as a grey-scale picture: the routine wrote every byte of the RGB pixels and the
  // chroma byte of the YUY2 pixels it wrote; the edge of M is drawn, and the rest of the
  // window's chroma set to 128.
  if (!arg.gradient) DrawWindowEdge(out, format, w, IsRGB(format));
  if (format == PixelFormat::YUY2) {
    if (!arg.gradient) NeutralYuy2Border(job.out, w, w.lx, w.rx);
  } else if (IsPlanar(format)) {
    NeutralWindowChroma(out, format, w);
  }
  return out;
}

const char* SharpEdgeSignature() { return SignatureText<kArgs>(); }

DefaultKind SharpEdgeIntDefault(const char* arg, int* value, const char** same_as) {
  return IntDefaultIn(kArgs, arg, value, same_as);
}

AVSValue CreateSharpEdge(AVSValue args, void*, IScriptEnvironment* env) {
  const SharpEdgeArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  if (FormatOf(vi) == PixelFormat::Other)
    env->ThrowError("SharpEdge:RGB24, RGB32, YUY2 and YV12 formats only supported");
  CheckSweepRange("SharpEdge", {a.sf, a.ef, a.test}, vi.num_frames, env);
  if (a.lt < 0 || a.ut < a.lt || a.ut > 255)
    env->ThrowError("SharpEdge:Thresholds lt and ut must be between 0 and 255 and ut more than lt");
  if (a.flt < 0 || a.fut < a.flt || a.fut > 255)
    env->ThrowError("SharpEdge:Thresholds flt and fut must be between 0 and 255 and fut more than flt");
  CheckStartWindow("SharpEdge", {a.lx, a.ty, a.rx, a.by}, W, H, WindowWording::Between, env);
  // In 64 bits: any int may be given, and erx - 3 must not wrap.
  using Wide = int64_t;
  if (a.elx < 0 || a.elx > Wide{a.erx} - 3 || a.erx > W - 1 || a.ety < 0 || a.ety > Wide{a.eby} - 3 || a.eby > H - 1)
    env->ThrowError("SharpEdge:elx, erx, ety and eby are invalid.Window must be atleast 4 pixel wide and high");

  return Created(new SharpEdge(a, env), args);
}

}  // namespace tintara
