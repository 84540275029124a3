#include "filters/marking/EMarker.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/EdgeRows.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"
#include "filters/common/Vectorised.h"
#include "filters/common/WindowArgs.h"

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
  MarkValues v;
};

namespace {

using A = EMarkerArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("type", &A::type, "e1"),
    Int("gyt", &A::gyt, 5),
    Int("rt", &A::rt, 0),
    Int("bt", &A::bt, 0),
    Int("lt", &A::lt, 4),
    Bool("white", &A::white, true),
    Bool("test", &A::test, false),
    Int("ft", &A::ft, 200),
    Int("fr", &A::fr, 0),
    Int("fb", &A::fb, 0),
    Int("fl", &A::fl, Like(&A::lt)),
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
};

// The operators, on a channel's sample p, its neighbours l, r in the same row h columns away,
// u, d at the same column in the previous and next memory rows, and ul, ur, dl, dr. Hit gives
// 0xFF when the channel hits. kFarRgb: in RGB, bytes 1 and 2 take their side neighbours two
// pixels away. kOddChroma: YUY2 chroma is tested at odd columns too (at even columns only
// otherwise). Sums that fit are kept in 16 bits, the squared measures in 32 (at most 2 * 1020²).
#define EDGE_TAPS int ul, int u, int ur, int l, int p, int r, int dl, int d, int dr

// "e1": the sample less the mean of its eight neighbours, the mean's division truncating
// toward zero: |(8p - sum) / 8| > t exactly when |8p - sum| > 8t + 7.
struct CentreLessMean {
  static constexpr bool kFarRgb = true, kOddChroma = true;
  static BYTE Hit(EDGE_TAPS, const EMarkerLimit& k) {
    const int16_t v = static_cast<int16_t>(8 * p - (l + r + u + d + ul + ur + dl + dr));
    const int16_t lim = static_cast<int16_t>(8 * k.t + 7);
    return ((v > lim) | (v < -lim)) ? 0xFF : 0;
  }
};

// "e2": cross differences along the row and column, and along the diagonals.
struct CrossDifference {
  static constexpr bool kFarRgb = true, kOddChroma = false;
  static BYTE Hit(EDGE_TAPS, const EMarkerLimit& k) {
    (void)p;
    const int16_t a = static_cast<int16_t>(d - u - r + l), b = static_cast<int16_t>(dr - ur - ul + dl);
    return SquaresExceed(a, b, static_cast<uint16_t>(k.t), static_cast<uint16_t>(k.t2));
  }
};

// "el".
struct Laplacian {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static BYTE Hit(EDGE_TAPS, const EMarkerLimit& k) {
    const int16_t v = static_cast<int16_t>(4 * p - 2 * (l + r + u + d) + (ul + ur + dl + dr));
    const int16_t s = static_cast<int16_t>(k.s);
    return ((v > s) | (v < -s)) ? 0xFF : 0;
  }
};

// "ep".
struct Prewitt {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static BYTE Hit(EDGE_TAPS, const EMarkerLimit& k) {
    (void)p;
    const Gradient g = PrewittGradient(ul, u, ur, l, r, dl, d, dr);
    return SquaresExceed(g.gx, g.gy, static_cast<uint16_t>(k.t), static_cast<uint16_t>(k.t2));
  }
};

// "es".
struct Sobel {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static BYTE Hit(EDGE_TAPS, const EMarkerLimit& k) {
    (void)p;
    const Gradient g = SobelGradient(ul, u, ur, l, r, dl, d, dr);
    return SquaresExceed(g.gx, g.gy, static_cast<uint16_t>(k.t), static_cast<uint16_t>(k.t2));
  }
};

// "epl", "esl": the gradient and the Laplacian must both exceed their limits.
template <class Gradient>
struct GradientAndLaplacian {
  static constexpr bool kFarRgb = false, kOddChroma = false;
  static BYTE Hit(EDGE_TAPS, const EMarkerLimit& k) {
    return Gradient::Hit(ul, u, ur, l, p, r, dl, d, dr, k) & Laplacian::Hit(ul, u, ur, l, p, r, dl, d, dr, k);
  }
};

#undef EDGE_TAPS

// Column ranges a..b below are half-open (a..b-1), as in EdgeRows.h.

// hit[a..b] |= the channel's hits at columns a..b of its rows up (previous memory row), own and
// down (next memory row), neighbours h columns apart; with kFirst hit[a..b] = the hits.
template <class Op, int h, bool kFirst = false>
void OrHits(const BYTE* __restrict up, const BYTE* __restrict own, const BYTE* __restrict down, int a, int b,
            EMarkerLimit k, BYTE* __restrict hit) {
  for (int x = a; x < b; ++x) {
    const BYTE v =
        Op::Hit(up[x - h], up[x], up[x + h], own[x - h], own[x], own[x + h], down[x - h], down[x], down[x + h], k);
    hit[x] = kFirst ? v : static_cast<BYTE>(hit[x] | v);
  }
}

// The hits of the first channel into hit[a..b], or none when it is not tested.
template <class Op>
void FirstHits(const BYTE* up, const BYTE* own, const BYTE* down, int a, int b, const EMarkerLimit& k, BYTE* hit) {
  if (k.t != 0)
    OrHits<Op, 1, true>(up, own, down, a, b, k, hit);
  else
    std::memset(hit + a, 0, static_cast<size_t>(b - a));
}

// The rows of one frame's interior: the hits of every channel collected per pixel, then each
// pixel's value (coloured, marked or not) written.
struct Rows {
  explicit Rows(int width) : hit(width), chroma_hit(width), chroma(width), coloured(width), value(width) {}
  std::vector<BYTE> hit, chroma_hit, chroma, coloured, value;
};

// value[a..b]: `col` on coloured pixels, else the mark where a channel hit, else the background.
inline void Values(const BYTE* __restrict hit, const BYTE* __restrict coloured, int a, int b, const MarkValues& v,
                   BYTE* __restrict value) {
  const BYTE col = v.col, mark = v.mark, back = v.back;
  for (int x = a; x < b; ++x) value[x] = Select(coloured[x], col, Select(hit[x], mark, back));
}

// The kernels below mark the window's interior `in` (the window less its edge) and take memory
// rows in rising order, so the frames stream forwards.

// RGB: channels bytes 0, 1, 2; every byte of the pixel gets the value. Bytes 1 and 2 of an
// operator that looks two pixels aside are tested only where those pixels are in the frame.
template <PixelFormat F, class Op>
void MarkRgb(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const PictureRect& in,
             const EMarkerRule& r) {
  constexpr int kBpp = BytesPerPixel(F), far = Op::kFarRgb ? 2 : 1;
  const int width = s.y.row_size / kBpp, a = in.x0, b = in.x1;
  const int fa = std::max(a, far), fb = std::min(b, width - far);
  const int sa = std::max(0, a - far), sb = std::min(width, b + far);
  ChannelRing ring(3, width);
  Rows rows(width);
  auto split = [&](int m) {
    if (ring.Take(m)) SplitPixels<kBpp>(s.y.Row(m), sa, sb, ring.At(m, 0), ring.At(m, 1), ring.At(m, 2));
  };
  ForMemoryRows<F>(s.y.height, in, [&](int m, int) {
    split(m - 1);
    split(m);
    split(m + 1);
    FirstHits<Op>(ring.At(m - 1, 0), ring.At(m, 0), ring.At(m + 1, 0), a, b, r.k[0], &rows.hit[0]);
    for (int c = 1; c < 3; ++c)
      if (r.k[c].t != 0 && fa < fb)
        OrHits<Op, far>(ring.At(m - 1, c), ring.At(m, c), ring.At(m + 1, c), fa, fb, r.k[c], &rows.hit[0]);
    if (r.v.xcol) RgbColouredRow(ring.At(m, 0), ring.At(m, 1), ring.At(m, 2), a, b, &rows.coloured[0]);
    Values(&rows.hit[0], &rows.coloured[0], a, b, r.v, &rows.value[0]);
    WritePixels<F>(&rows.value[0], a, b, o.y.Row(m));
  });
}

// YUY2: channels Y, U and V of the pixel's pair; chroma neighbours are the neighbouring pairs,
// so the first and the last pair of a row are not tested for chroma. The value goes to Y, 128 to
// the pixel's chroma byte (the window's chroma is made neutral anyway).
template <class Op>
void MarkYuy2(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const PictureRect& in,
              const EMarkerRule& r) {
  const int width = s.y.row_size / 2, a = in.x0, b = in.x1;
  const int lo = std::max(a, 2), hi = std::min(b, width - 2);  // chroma tested
  const int pa = std::max(0, a / 2 - 1), pb = std::min(width / 2, (b + 1) / 2 + 1);
  const bool chroma_on = lo < hi && (r.k[1].t != 0 || r.k[2].t != 0);
  const BYTE odd = Op::kOddChroma ? 0xFF : 0;
  ChannelRing ring(3, width);
  Rows rows(width);
  auto split = [&](int m) {
    if (ring.Take(m)) SplitPairs(s.y.Row(m), pa, pb, ring.At(m, 0), ring.At(m, 1), ring.At(m, 2));
  };
  ForMemoryRows<PixelFormat::YUY2>(s.y.height, in, [&](int y, int) {
    split(y - 1);
    split(y);
    split(y + 1);
    FirstHits<Op>(ring.At(y - 1, 0), ring.At(y, 0), ring.At(y + 1, 0), a, b, r.k[0], &rows.hit[0]);
    if (chroma_on) {
      std::memset(&rows.chroma_hit[lo / 2], 0, static_cast<size_t>((hi + 1) / 2 - lo / 2));
      for (int c = 1; c < 3; ++c)
        if (r.k[c].t != 0)
          OrHits<Op, 1>(ring.At(y - 1, c), ring.At(y, c), ring.At(y + 1, c), lo / 2, (hi + 1) / 2, r.k[c],
                        &rows.chroma_hit[0]);
      ExpandPairs<true>(&rows.chroma_hit[0], lo, hi, odd, &rows.hit[0]);
    }
    if (r.v.xcol) {
      ChromaColouredRow(ring.At(y, 1), ring.At(y, 2), a / 2, (b + 1) / 2, &rows.chroma[0]);
      ExpandPairs<false>(&rows.chroma[0], a, b, 0xFF, &rows.coloured[0]);
    }
    Values(&rows.hit[0], &rows.coloured[0], a, b, r.v, &rows.value[0]);
    WritePixels<PixelFormat::YUY2>(&rows.value[0], a, b, o.y.Row(y));
  });
}

// YV12/I420: channels the Y, U and V planes, chroma on its own grid around (x/2, y/2) and tested
// only two pixels in from every side of the frame. The value goes to Y. Two luma rows share a
// chroma row: its hits and colours are made once for both.
template <class Op>
void MarkPlanar(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const PictureRect& in,
                const EMarkerRule& r) {
  const int width = s.y.row_size, height = s.y.height, a = in.x0, b = in.x1;
  // The chroma plane's own size bounds its neighbours too (equal to the above for even sizes).
  const int lo = std::max(a, 2), hi = std::min(b, std::min(width - 2, 2 * s.u.row_size - 2));
  const bool chroma_on = lo < hi && (r.k[1].t != 0 || r.k[2].t != 0);
  Rows rows(width);
  std::vector<BYTE> chroma_pixels(static_cast<size_t>(width));  // the chroma hits by pixel column
  int made = -1;  // the chroma row (times two, plus one when tested) the chroma arrays hold
  ForMemoryRows<PixelFormat::YV12>(height, in, [&](int y, int) {
    const int c = y / 2;
    const bool chroma_row = y >= 2 && y < height - 2 && c + 1 < s.u.height;
    const bool tested = chroma_on && chroma_row;
    if (made != 2 * c + tested) {
      made = 2 * c + tested;
      if (tested) {
        std::memset(&rows.chroma_hit[lo / 2], 0, static_cast<size_t>((hi + 1) / 2 - lo / 2));
        const ConstPlane* planes[2] = {&s.u, &s.v};
        for (int k = 1; k < 3; ++k) {
          const ConstPlane& p = *planes[k - 1];
          if (r.k[k].t != 0)
            OrHits<Op, 1>(p.Row(c - 1), p.Row(c), p.Row(c + 1), lo / 2, (hi + 1) / 2, r.k[k], &rows.chroma_hit[0]);
        }
        ExpandPairs<false>(&rows.chroma_hit[0], lo, hi, 0xFF, &chroma_pixels[0]);
      }
      if (r.v.xcol) {
        ChromaColouredRow(s.u.Row(c), s.v.Row(c), a / 2, (b + 1) / 2, &rows.chroma[0]);
        ExpandPairs<false>(&rows.chroma[0], a, b, 0xFF, &rows.coloured[0]);
      }
    }
    FirstHits<Op>(s.y.Row(y - 1), s.y.Row(y), s.y.Row(y + 1), a, b, r.k[0], &rows.hit[0]);
    if (tested) OrFlags(&chroma_pixels[0], lo, hi, &rows.hit[0]);
    Values(&rows.hit[0], &rows.coloured[0], a, b, r.v, o.y.Row(y));
  });
}

// One frame: the bytes around the window prepared, its interior marked, its chroma made neutral
// (the kernels wrote 128 into the chroma bytes of the inner YUY2 pixels) and its edge drawn.
template <PixelFormat F, class Op>
void MarkEdges(const MarkFrame& f, const EMarkerRule& r) {
  PrepareMarkSurround(f, F);
  const PictureRect& w = f.window;
  if (w.Empty()) return;
  const PictureRect in{w.x0 + 1, w.x1 - 1, w.y0 + 1, w.y1 - 1};
  if (!in.Empty()) {
    if constexpr (IsRGB(F))
      MarkRgb<F, Op>(f.src, f.out, in, r);
    else if constexpr (F == PixelFormat::YUY2)
      MarkYuy2<Op>(f.src, f.out, in, r);
    else
      MarkPlanar<Op>(f.src, f.out, in, r);
  }
  if constexpr (F == PixelFormat::YUY2)
    NeutralYuy2Border(f.out.y, w, w.x0 & ~1, ((w.x1 - 1) & ~1) + 2);
  else
    NeutralWindowChroma(f.out, F, w);
  DrawWindowEdge(f.out.y, F, w, true);
}

template <class Op>
auto RoutineFor(PixelFormat format) {
  return ChooseForFormat(format, [](auto f) { return ForLevel<&MarkEdges<decltype(f)::value, Op>>(); });
}

auto PickRoutine(PixelFormat format, EdgeOperator op) {
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

EMarker::EMarker(const EMarkerArgs& args, IScriptEnvironment* env)
    : GenericVideoFilter(args.clip), arg(args), format(FormatOf(vi)) {
  const std::string t = arg.type;
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

EMarkerRule EMarker::RuleAt(const FrameStep& step) const {
  const int g = ThresholdAt(arg.gyt, arg.ft, step, arg.test), r = ThresholdAt(arg.rt, arg.fr, step, arg.test);
  const int b = ThresholdAt(arg.bt, arg.fb, step, arg.test), l = ThresholdAt(arg.lt, arg.fl, step, arg.test);
  const int order[3] = {IsRGB(format) ? r : g, IsRGB(format) ? g : r, b};  // channels in test order
  EMarkerRule rule;
  for (int c = 0; c < 3; ++c) {
    const int t = order[c];
    // "el" on YUY2 bounds each channel's value by its own threshold; elsewhere by lt.
    const int s = op == EdgeOperator::EL && format == PixelFormat::YUY2 ? t : l;
    rule.k[c] = {t, t * t, s};
  }
  if (op == EdgeOperator::EPL || op == EdgeOperator::ESL) rule.k[1] = rule.k[2] = {};  // Y only
  rule.v = MarkValuesOf(arg.white, arg.xcol, arg.col);
  return rule;
}

PVideoFrame EMarker::GetFrame(int n, IScriptEnvironment* env) {
  const FrameStep step = StepFor(n, arg.sf, arg.ef, arg.test);
  if (!step.active) return child->GetFrame(n, env);
  PVideoFrame src = child->GetFrame(step.source, env);
  PVideoFrame out = env->NewVideoFrame(vi);
  const PictureRect window =
      WindowRectAt({arg.lx, arg.ty, arg.rx, arg.by}, {arg.elx, arg.ety, arg.erx, arg.eby}, step, vi.width, vi.height);
  routine({ReadPlanes(src, format), WritePlanes(out, format), window, arg.test}, RuleAt(step));
  return out;
}

const char* EMarkerSignature() { return SignatureText<kArgs>(); }

DefaultKind EMarkerIntDefault(const char* arg, int* value, const char** same_as) {
  return IntDefaultIn(kArgs, arg, value, same_as);
}

AVSValue CreateEMarker(AVSValue args, void*, IScriptEnvironment* env) {
  const EMarkerArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  CheckSweepRange("EMarker", {a.sf, a.ef, a.test}, vi.num_frames, env);
  for (int v : {a.gyt, a.rt, a.bt, a.lt, a.ft, a.fr, a.fb, a.fl})
    if (v < 0 || v > 255) env->ThrowError("EMarker:Thresholds must be positive numbers 0 to 255 only");
  CheckStartWindow("EMarker", {a.lx, a.ty, a.rx, a.by}, W, H, WindowWording::Between, env);
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("EMarker: This color format is not yet supported");
  // In 64 bits: any int may be given, and erx - 3 must not wrap.
  if (a.elx < 0 || a.elx >= int64_t{a.erx} - 3 || a.erx >= W)
    env->ThrowError("EMarker: end left x elx and right x erx coordinates invalid");
  if (a.ety < 0 || a.ety >= int64_t{a.eby} - 3 || a.eby >= H)
    env->ThrowError("EMarker: end top y ety and bottom y eby coordinates invalid");

  return Created(new EMarker(a, env), args);
}

}  // namespace tintara
