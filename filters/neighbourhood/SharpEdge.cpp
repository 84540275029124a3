#include "filters/neighbourhood/SharpEdge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/EdgeRows.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"
#include "filters/common/Vectorised.h"
#include "filters/common/WindowArgs.h"

namespace tintara {

// What a frame's routine needs besides the frame: whether the result is G (else M), the current
// thresholds, whether crests can be marked at all, and the values written.
struct SharpEdgeRule {
  bool gradient;
  BYTE lt, ut;   // both in 0..255
  bool marking;  // `col` differs from the background (see EdgeImage)
  MarkValues v;  // v.col is painted on excluded pixels
};

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

// The operators: "e2", "ep" (Prewitt) and "es" (Sobel).
enum class Operator { E2, Prewitt, Sobel };

// Column ranges a..b below are half-open (a..b-1), as in EdgeRows.h.

// The magnitudes of columns a..b, low 8 bits kept (large magnitudes wrap rather than clip). The
// rows are the samples of the pixels' own memory row and of the next and previous memory rows;
// the e2 operator is not symmetric in them, so it depends on the row order of the format.
template <Operator Op>
void Magnitudes(const BYTE* __restrict next, const BYTE* __restrict own, const BYTE* __restrict prev, int a, int b,
                BYTE* __restrict g) {
  for (int x = a; x < b; ++x) {
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
  for (int x = a; x < b; ++x) g[x] = static_cast<BYTE>(g[x] & ~flags[x]);
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
void WriteMRow(const BYTE* __restrict g, const BYTE* __restrict next, const BYTE* __restrict prev,
               const BYTE* __restrict coloured, int a, int b, const SharpEdgeRule& r, BYTE* __restrict m) {
  const BYTE paint = r.v.col, mark = r.v.mark, back = r.v.back, lt = r.lt, ut = r.ut;
  for (int x = a; x < b; ++x) {
    BYTE hit = 0;
    if constexpr (kCrest) {
      const BYTE v = g[x];
      hit = ((v >= lt) & (v <= ut) & Crest(v, g[x - 1], g[x + 1], next[x], prev[x])) ? 0xFF : 0;
    }
    m[x] = Select(coloured[x], paint, Select(hit, mark, back));
  }
}

// G and M of one frame's window w, row by row in memory order. A G row holds 0 on the window's
// edge rows and columns and on excluded coloured pixels, so every G sample the marking reads is
// defined. With `gradient` the G rows are the result; otherwise they are kept for the three
// memory rows a row of M reads, and M's inner pixels are written: the painted byte on excluded
// coloured pixels, `markval` on the crests in lt..ut, `backval` elsewhere. Crests are looked for
// one picture row and one column short of the far edges. When `col` equals `backval` every
// unmarked sample already equals `col`, and such samples are never marked: then nothing is.
// Results go to every byte of an RGB pixel, to the Y of a YUY2 pixel with its chroma byte 128.
template <PixelFormat F, Operator Op>
void EdgeImage(const FramePlanes<const BYTE>& src, const Plane& out, const PictureRect& w, const SharpEdgeRule& r) {
  constexpr int kStep = BytesPerPixel(F);
  const int height = src.y.height, width = src.y.row_size / kStep;
  const MemoryRows rows = MemoryRowsOf(F, height, w);
  const int m_lo = rows.first, m_hi = rows.first + rows.count - 1;
  const int a = w.x0 + 1, b = w.x1 - 1;  // the inner columns
  ChannelRing samples(IsPlanar(F) ? 0 : 1, width);
  // Per slot of the memory row: G, the coloured flags (and the chroma ones they come from).
  std::vector<BYTE> g_rows(3 * static_cast<size_t>(width)), coloured_rows(3 * static_cast<size_t>(width));
  std::vector<BYTE> chroma(static_cast<size_t>(width)), value(static_cast<size_t>(width));
  ChannelRing rgb(IsRGB(F) ? 3 : 0, IsRGB(F) ? width : 0);
  int g_held[3] = {-1, -1, -1};

  auto sample_row = [&](int m) -> const BYTE* {
    if constexpr (IsPlanar(F)) {
      return src.y.Row(m);
    } else {
      if (samples.Take(m)) SplitSamples<kStep>(src.y.Row(m), w.x0, w.x1, samples.At(m, 0));
      return samples.At(m, 0);
    }
  };
  // The coloured flags of the inner columns of memory row m.
  auto coloured_of = [&](int m, BYTE* flags) {
    if (!r.v.xcol) return;
    if constexpr (IsRGB(F)) {
      if (rgb.Take(m)) SplitPixels<kStep>(src.y.Row(m), a, b, rgb.At(m, 0), rgb.At(m, 1), rgb.At(m, 2));
      RgbColouredRow(rgb.At(m, 0), rgb.At(m, 1), rgb.At(m, 2), a, b, flags);
    } else if constexpr (F == PixelFormat::YUY2) {
      Yuy2ColouredPairs(src.y.Row(m), a / 2, (b + 1) / 2, &chroma[0]);
      ExpandPairs<false>(&chroma[0], a, b, 0xFF, flags);
    } else {
      ChromaColouredRow(src.u.Row(m / 2), src.v.Row(m / 2), a / 2, (b + 1) / 2, &chroma[0]);
      ExpandPairs<false>(&chroma[0], a, b, 0xFF, flags);
    }
  };
  // G of memory row m into g over the window's columns, the coloured flags of its inner pixels
  // into flags.
  auto g_row = [&](int m, BYTE* g, BYTE* flags) {
    g[w.x0] = g[w.x1 - 1] = 0;
    if (m == m_lo || m == m_hi || a >= b) {
      std::memset(g + w.x0, 0, static_cast<size_t>(w.x1 - w.x0));
      return;
    }
    Magnitudes<Op>(sample_row(m + 1), sample_row(m), sample_row(m - 1), a, b, g);
    coloured_of(m, flags);
    if (r.v.xcol) ClearFlagged(flags, a, b, g);
  };

  if (r.gradient) {
    ForMemoryRows<F>(height, w, [&](int m, int) {
      if constexpr (IsPlanar(F)) {  // straight into the frame
        g_row(m, out.Row(m), &coloured_rows[0]);
      } else {
        g_row(m, &g_rows[0], &coloured_rows[0]);
        WritePixels<F>(&g_rows[0], w.x0, w.x1, out.Row(m));
      }
    });
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
  ForMemoryRows<F>(height, {a, b, w.y0 + 1, w.y1 - 1}, [&](int m, int y) {
    const BYTE* prev = &g_rows[static_cast<size_t>(held(m - 1)) * width];
    const BYTE* next = &g_rows[static_cast<size_t>(held(m + 1)) * width];
    const int slot = held(m);
    const BYTE* g = &g_rows[static_cast<size_t>(slot) * width];
    const BYTE* coloured = &coloured_rows[static_cast<size_t>(slot) * width];
    const int crest_end = r.marking && y < w.y1 - 2 ? w.x1 - 2 : a;
    BYTE* const m_row = IsPlanar(F) ? out.Row(m) : &value[0];  // planar: straight into the frame
    WriteMRow<true>(g, next, prev, coloured, a, crest_end, r, m_row);
    WriteMRow<false>(g, next, prev, coloured, std::max(a, crest_end), b, r, m_row);
    if constexpr (!IsPlanar(F)) WritePixels<F>(&value[0], a, b, out.Row(m));
  });
}

// One frame: the bytes around the window prepared, the window's G or M written, and the window
// made a grey-scale picture: M's edge drawn, the rest of the window's chroma set to 128 (the
// image wrote every byte of its RGB pixels and the chroma byte of its YUY2 pixels).
template <PixelFormat F, Operator Op>
void EdgeFrame(const MarkFrame& f, const SharpEdgeRule& r) {
  PrepareMarkSurround(f, F);
  const PictureRect& w = f.window;
  if (w.Empty()) return;
  EdgeImage<F, Op>(f.src, f.out.y, w, r);
  if (!r.gradient) DrawWindowEdge(f.out.y, F, w, IsRGB(F));
  if constexpr (F == PixelFormat::YUY2) {
    if (!r.gradient) NeutralYuy2Border(f.out.y, w, w.x0, w.x1);
  } else if constexpr (IsPlanar(F)) {
    NeutralWindowChroma(f.out, F, w);
  }
}

template <Operator Op>
auto RoutineFor(PixelFormat format) {
  return ChooseForFormat(format, [](auto f) { return ForLevel<&EdgeFrame<decltype(f)::value, Op>>(); });
}

}  // namespace

SharpEdge::SharpEdge(const SharpEdgeArgs& args, IScriptEnvironment* env)
    : GenericVideoFilter(args.clip), arg(args), format(FormatOf(vi)) {
  if (std::strcmp(arg.type, "e2") == 0)
    routine = RoutineFor<Operator::E2>(format);
  else if (std::strcmp(arg.type, "ep") == 0)
    routine = RoutineFor<Operator::Prewitt>(format);
  else if (std::strcmp(arg.type, "es") == 0)
    routine = RoutineFor<Operator::Sobel>(format);
  else
    env->ThrowError("SharpEdge:type valid options for this color format are  e2   ep, es, only");
}

SharpEdgeRule SharpEdge::RuleAt(const FrameStep& step) const {
  const MarkValues v = MarkValuesOf(arg.white, arg.xcol, arg.col);
  return {arg.gradient, static_cast<BYTE>(ThresholdAt(arg.lt, arg.flt, step, arg.test)),
          static_cast<BYTE>(ThresholdAt(arg.ut, arg.fut, step, arg.test)), arg.col != v.back, v};
}

PVideoFrame SharpEdge::GetFrame(int n, IScriptEnvironment* env) {
  FrameStep step = StepFor(n, arg.sf, arg.ef, arg.test);
  if (!step.active) return child->GetFrame(n, env);
  // Outside test mode the range runs the whole way: frame ef has the end window. A one-frame
  // range (divisor 0) keeps the start values.
  if (!arg.test) step.d = arg.ef - arg.sf;
  PVideoFrame src = child->GetFrame(step.source, env);
  PVideoFrame out = env->NewVideoFrame(vi);
  const PictureRect window =
      WindowRectAt({arg.lx, arg.ty, arg.rx, arg.by}, {arg.elx, arg.ety, arg.erx, arg.eby}, step, vi.width, vi.height);
  routine({ReadPlanes(src, format), WritePlanes(out, format), window, arg.test}, RuleAt(step));
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
