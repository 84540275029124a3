#include "filters/marking/MaskMaker.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/Blocks.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"
#include "filters/common/Vectorised.h"
#include "filters/common/WindowArgs.h"

namespace tintara {

// One frame's thresholds and values: each channel's lower and (for the "c" types) upper
// threshold at this step, the votes a pixel needs, and the values written.
struct MaskRule {
  int lower[3], upper[3];
  BYTE needed;
  MarkValues v;
};

namespace {

using A = MaskMakerArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("type", &A::type, "c1"),
    Int("gyt", &A::gyt, 20),
    Int("rt", &A::rt, 128),
    Int("bt", &A::bt, 128),
    Bool("white", &A::white, true),
    Int("et", &A::et, 40),
    Int("ert", &A::ert, 0),
    Int("ebt", &A::ebt, 0),
    Bool("test", &A::test, false),
    Int("ft", &A::ft, 120),
    Int("fr", &A::fr, 128),
    Int("fb", &A::fb, 128),
    Int("fet", &A::fet, 240),
    Int("fert", &A::fert, 128),
    Int("febt", &A::febt, 128),
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

// "a1": a channel with band width t marks the samples whose quotient s / t is even; a table per
// channel says which, so the pixel loop only looks up.
struct BandVotes {
  uint8_t table[3][256];
  explicit BandVotes(const MaskRule& rule) {
    const int* t = rule.lower;
    for (int c = 0; c < 3; ++c)
      for (int s = 0; s < 256; ++s) table[c][s] = t[c] != 0 && (s / t[c]) % 2 == 0;
  }
  BYTE Vote(int c, BYTE s) const { return table[c][s]; }
};

// "c" types: a channel votes mark when lower <= s <= upper, in bytes (s - lower) mod 256 <=
// upper - lower, which the compiler turns into vector compares. An upper bound of 0 switches
// the channel off; an inverted interval never votes.
struct RangeVotes {
  BYTE lo[3], span[3], on[3];
  explicit RangeVotes(const MaskRule& rule) {
    const int *l = rule.lower, *u = rule.upper;
    for (int c = 0; c < 3; ++c) {
      on[c] = u[c] != 0 && l[c] <= u[c];
      lo[c] = static_cast<BYTE>(on[c] ? l[c] : 0);
      span[c] = static_cast<BYTE>(on[c] ? u[c] - l[c] : 0);
    }
  }
  BYTE Vote(int c, BYTE s) const { return static_cast<BYTE>(static_cast<BYTE>(s - lo[c]) <= span[c]) & on[c]; }
};

template <class Votes>
struct PixelRule {
  Votes votes;
  BYTE needed;
  bool xcol;
  BYTE col, mark, back;

  // The count (at most 3) in bytes lets the RGB and planar loops vectorise in byte lanes; the
  // YUY2 loop, which gathers bytes 4 apart, vectorises better counting in ints.
  template <typename Count = BYTE>
  BYTE Decide(bool coloured, BYTE first, BYTE second, BYTE third) const {
    const Count count = static_cast<Count>(votes.Vote(0, first) + votes.Vote(1, second) + votes.Vote(2, third));
    const BYTE v = count >= needed ? mark : back;
    return xcol && coloured ? col : v;
  }
};

// Row kernels over the window's pixels, on pointers that cannot alias, as plain loops the
// compiler vectorises. RGB tests green, blue, red (bytes 1, 0, 2) and writes every byte.
template <class Rule>
inline void MarkRgb24Row(const BYTE* __restrict in, BYTE* __restrict out, int n, const Rule& r) {
  for (int x = 0; x < n; ++x) {
    const BYTE* p = in + x * 3;
    const BYTE v = r.Decide(!(p[0] == p[1] && p[1] == p[2]), p[1], p[0], p[2]);
    for (int b = 0; b < 3; ++b) out[x * 3 + b] = v;
  }
}

// RGB32 pixels handled whole, as 32-bit words whose low byte is the pixel's first: one lane per
// pixel rather than bytes four apart.
template <class Rule>
inline void MarkRgb32Row(const BYTE* __restrict in, BYTE* __restrict out, int n, const Rule& r) {
  for (int x = 0; x < n; ++x) {
    uint32_t px;
    std::memcpy(&px, in + 4 * x, 4);
    const BYTE p0 = static_cast<BYTE>(px), p1 = static_cast<BYTE>(px >> 8), p2 = static_cast<BYTE>(px >> 16);
    const uint32_t v = r.template Decide<int>(!(p0 == p1 && p1 == p2), p1, p0, p2);
    const uint32_t word = v * 0x01010101u;
    std::memcpy(out + 4 * x, &word, 4);
  }
}

// YUY2: `pairs` whole pairs, Y tested with the pair's U and V; the Y bytes get the value and the
// chroma bytes 128.
template <class Rule>
inline void MarkYuy2Row(const BYTE* __restrict in, BYTE* __restrict out, int pairs, const Rule& r) {
  for (int i = 0; i < pairs; ++i) {
    const BYTE* p = in + 4 * i;
    const bool coloured = ChromaColoured(p[1], p[3]);
    out[4 * i] = r.template Decide<int>(coloured, p[0], p[1], p[3]);
    out[4 * i + 1] = 128;
    out[4 * i + 2] = r.template Decide<int>(coloured, p[2], p[1], p[3]);
    out[4 * i + 3] = 128;
  }
}

// Planar: `pairs` pairs of luma samples sharing one U and one V sample.
template <class Rule>
inline void MarkPlanarRow(const BYTE* __restrict in, const BYTE* __restrict u, const BYTE* __restrict v,
                          BYTE* __restrict out, int pairs, const Rule& r) {
  for (int i = 0; i < pairs; ++i) {
    const bool coloured = ChromaColoured(u[i], v[i]);
    out[2 * i] = r.Decide(coloured, in[2 * i], u[i], v[i]);
    out[2 * i + 1] = r.Decide(coloured, in[2 * i + 1], u[i], v[i]);
  }
}

// The "c" types on YUY2 rows: each byte is first tested as it lies in the row, in byte lanes,
// against its channel's bounds laid out as a pattern of the row's bytes (no bytes gathered
// across pairs); then each pair is a 32-bit word of those tests, and its votes are summed,
// compared and turned into output bytes with shifts inside the word. Rows go in chunks of the
// pattern's length.
constexpr int kMarkChunk = 12 * kBlock;  // a multiple of 4 and of the widest vector

struct ByteBounds {
  BYTE lo[kMarkChunk], span[kMarkChunk], on[kMarkChunk];
  BYTE chroma[kMarkChunk];  // YUY2: 4 on the U and V bytes (their "not 128" flag), 0 on Y

  // Bytes Y, U, Y, V test channels 0, 1, 0, 2.
  explicit ByteBounds(const RangeVotes& v) {
    for (int i = 0; i < kMarkChunk; ++i) {
      const int b = i % 4, c = b == 1 ? 1 : b == 3 ? 2 : 0;
      lo[i] = v.lo[c];
      span[i] = v.span[c];
      on[i] = v.on[c];
      chroma[i] = b & 1 ? 4 : 0;
    }
  }
};

// The tests of `n` bytes: bit 0 the byte's vote, bit 2 on a U or V byte that is not 128.
inline void TestBytes(const BYTE* __restrict in, BYTE* __restrict e, int n, const ByteBounds& k) {
  const BYTE* __restrict lo = k.lo;
  const BYTE* __restrict span = k.span;
  const BYTE* __restrict on = k.on;
  const BYTE* __restrict ne = k.chroma;
  for (int i = 0; i < n; ++i) {
    const BYTE s = in[i];
    const BYTE vote = static_cast<BYTE>(static_cast<BYTE>(static_cast<BYTE>(s - lo[i]) <= span[i]) & on[i]);
    e[i] = static_cast<BYTE>(vote | (ne[i] & -static_cast<int>(s != 128)));
  }
}

// The decision's values, repeated in the bytes of a word where `lanes` has 1s.
struct WordDecision {
  uint32_t add;              // 4 - needed: a count (at most 3) plus this reaches bit 2 when count >= needed
  uint32_t back, flip, col;  // back, mark ^ back, col
  uint32_t xcol;             // 0xFF in the lanes when coloured pixels get col, else 0
  WordDecision(BYTE needed, BYTE mark, BYTE back_value, BYTE col_value, bool xcol_flag, uint32_t lanes)
      : add((4u - needed) * lanes),
        back(back_value * lanes),
        flip(static_cast<uint32_t>(mark ^ back_value) * lanes),
        col(col_value * lanes),
        xcol(xcol_flag ? 0xFFu * lanes : 0u) {}
  // `marked` and `coloured` hold 1 in the low bit of each lane that is.
  uint32_t Of(uint32_t marked, uint32_t coloured) const {
    const uint32_t m = (marked << 8) - marked, c = ((coloured << 8) - coloured) & xcol;
    const uint32_t v = back ^ (flip & m);
    return v ^ ((col ^ v) & c);
  }
};

// YUY2: `pairs` pairs Y0 U Y1 V as words; each Y votes with its own byte and the pair's U and V
// and is coloured when both are not 128; the chroma bytes get 128. In the word of tests, byte 0
// plus the word shifted down a byte plus the word rotated up a byte holds Y0 + U + V in byte 0
// and Y1 + V + U in byte 2 (each byte's sum stays below 16: no carries), vote counts in bits 0-1
// and the chroma flags in bit 3 when both are set.
inline void MarkYuy2Words(const BYTE* __restrict in, BYTE* __restrict out, int pairs, const ByteBounds& k,
                          const WordDecision& d) {
  BYTE e[kMarkChunk];
  for (int b = 0; b < 4 * pairs; b += kMarkChunk) {
    const int n = std::min(kMarkChunk, 4 * pairs - b);
    TestBytes(in + b, e, n, k);
    BYTE* __restrict o = out + b;
    for (int i = 0; i < n / 4; ++i) {
      uint32_t t;
      std::memcpy(&t, e + 4 * i, 4);
      const uint32_t sum = t + (t >> 8) + ((t << 8) | (t >> 24));
      const uint32_t marked = (((sum & 0x00030003u) + d.add) >> 2) & 0x00010001u;
      const uint32_t coloured = (sum >> 3) & 0x00010001u;
      const uint32_t word = d.Of(marked, coloured) | 0x80008000u;
      std::memcpy(o + 4 * i, &word, 4);
    }
  }
}

// Planar, "c" types: the chroma part of the decision once per chroma sample and chroma row, then
// each luma row of the window in byte lanes. `ChromaInfo` holds per chroma sample the U and V
// votes' sum (bits 0-1) and 4 when both samples differ from 128; `Spread` repeats each for its
// two luma columns; `MarkLumaRow` adds the luma vote and decides.
inline void ChromaInfo(const BYTE* __restrict u, const BYTE* __restrict v, BYTE* __restrict info, int n,
                       const RangeVotes& votes) {
  for (int i = 0; i < n; ++i)
    info[i] =
        static_cast<BYTE>(votes.Vote(1, u[i]) + votes.Vote(2, v[i]) +
                          (static_cast<BYTE>(-static_cast<int>(u[i] != 128) & -static_cast<int>(v[i] != 128)) & 4));
}

inline void Spread(const BYTE* __restrict info, BYTE* __restrict wide, int n) {
  for (int i = 0; i < n; ++i) wide[2 * i] = wide[2 * i + 1] = info[i];
}

inline void MarkLumaRow(const BYTE* __restrict in, const BYTE* __restrict chroma, BYTE* __restrict out, int n,
                        const PixelRule<RangeVotes>& r, BYTE xcol) {
  for (int i = 0; i < n; ++i) {
    const BYTE info = chroma[i];
    const BYTE count = static_cast<BYTE>(r.votes.Vote(0, in[i]) + (info & 3));
    const BYTE v = static_cast<BYTE>(r.back ^ ((r.mark ^ r.back) & -static_cast<int>(count >= r.needed)));
    const BYTE c = static_cast<BYTE>(xcol & -static_cast<int>((info & 4) != 0));
    out[i] = static_cast<BYTE>(v ^ ((r.col ^ v) & c));
  }
}

void MarkPlanarWindow(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const PictureRect& w,
                      const PixelRule<RangeVotes>& r) {
  const int c0 = w.x0 / 2, chroma_count = (w.x1 + 1) / 2 - c0, count = w.x1 - w.x0;
  std::vector<BYTE> info(static_cast<size_t>(chroma_count)), wide(2 * static_cast<size_t>(chroma_count));
  const BYTE xcol = r.xcol ? 0xFF : 0;
  // Column x of the window reads wide[x - 2 * c0]: an odd left edge starts one in.
  const BYTE* chroma = wide.data() + (w.x0 & 1);
  for (int y = w.y0; y < w.y1; ++y) {
    if (y == w.y0 || (y & 1) == 0) {
      ChromaInfo(s.u.Row(y / 2) + c0, s.v.Row(y / 2) + c0, info.data(), chroma_count, r.votes);
      Spread(info.data(), wide.data(), chroma_count);
    }
    MarkLumaRow(s.y.Row(y) + w.x0, chroma, o.y.Row(y) + w.x0, count, r, xcol);
  }
}

// Writes the window's pixel values: RGB every byte; YUY2 the Y bytes and neutral chroma of the
// window's pairs (all but the Y of pixel x1, which is not in the window); planar Y.
template <PixelFormat F, class Rule>
void MarkWindow(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const PictureRect& w, const Rule& rule) {
  const Rule r = rule;  // a local copy: the compiler then knows the output does not alias it
  if constexpr (IsPlanar(F) && std::is_same_v<Rule, PixelRule<RangeVotes>>) {
    MarkPlanarWindow(s, o, w, r);
  } else if constexpr (F == PixelFormat::YUY2) {
    const int last = w.x1 - 1, pairs = (last - w.x0) / 2;
    auto rows = [&](const auto& mark_pairs) {
      for (int y = w.y0; y < w.y1; ++y) {
        const BYTE* in = s.y.Row(y);
        BYTE* out = o.y.Row(y);
        mark_pairs(in + 2 * w.x0, out + 2 * w.x0);
        const BYTE* p = in + 2 * last;
        out[2 * last] = r.Decide(ChromaColoured(p[1], p[3]), p[0], p[1], p[3]);
        out[2 * last + 1] = 128;
        out[2 * last + 3] = 128;
      }
    };
    if constexpr (std::is_same_v<Rule, PixelRule<RangeVotes>>) {
      const ByteBounds k(r.votes);
      const WordDecision d(r.needed, r.mark, r.back, r.col, r.xcol, 0x00010001u);
      rows([&](const BYTE* in, BYTE* out) { MarkYuy2Words(in, out, pairs, k, d); });
    } else {
      rows([&](const BYTE* in, BYTE* out) { MarkYuy2Row(in, out, pairs, r); });
    }
  } else {
    ForMemoryRows<F>(s.y.height, w, [&](int m, int y) {
      const BYTE* in = s.y.Row(m);
      BYTE* out = o.y.Row(m);
      if constexpr (F == PixelFormat::RGB32) {
        MarkRgb32Row(in + w.x0 * 4, out + w.x0 * 4, w.x1 - w.x0, r);
      } else if constexpr (F == PixelFormat::RGB24) {
        MarkRgb24Row(in + w.x0 * 3, out + w.x0 * 3, w.x1 - w.x0, r);
      } else {
        const BYTE* us = s.u.Row(y / 2);
        const BYTE* vs = s.v.Row(y / 2);
        auto single = [&](int x) {
          out[x] = r.Decide(ChromaColoured(us[x / 2], vs[x / 2]), in[x], us[x / 2], vs[x / 2]);
        };
        int x = w.x0;
        if (x & 1) single(x++);
        const int pairs = (w.x1 - x) / 2;
        MarkPlanarRow(in + x, us + x / 2, vs + x / 2, out + x, pairs, r);
        x += 2 * pairs;
        if (x < w.x1) single(x);
      }
    });
  }
}

// One frame: the bytes around the window prepared, the window marked, its planar chroma made
// neutral and its edge drawn. YUY2 windows start and end on the first pixel of a pair.
template <PixelFormat F, class Votes>
void MarkFrameWith(const MarkFrame& frame, const MaskRule& rule) {
  MarkFrame f = frame;
  PictureRect& w = f.window;
  if constexpr (F == PixelFormat::YUY2) {
    w.x0 &= ~1;
    w.x1 = ((w.x1 - 1) & ~1) + 1;
  }
  PrepareMarkSurround(f, F);
  if (w.Empty()) return;
  const MarkValues& v = rule.v;
  MarkWindow<F>(f.src, f.out, w, PixelRule<Votes>{Votes(rule), rule.needed, v.xcol, v.col, v.mark, v.back});
  if constexpr (IsPlanar(F)) NeutralWindowChroma(f.out, F, w);
  DrawWindowEdge(f.out.y, F, w, false);
}

template <class Votes>
auto RoutineFor(PixelFormat format) {
  return ChooseForFormat(format, [](auto f) { return ForLevel<&MarkFrameWith<decltype(f)::value, Votes>>(); });
}

}  // namespace

MaskMaker::MaskMaker(const MaskMakerArgs& args, IScriptEnvironment* env)
    : GenericVideoFilter(args.clip), arg(args), format(FormatOf(vi)) {
  const std::string t = arg.type;
  if (t != "c1" && t != "c2" && t != "c3" && t != "a1")
    env->ThrowError("MaskMaker:type valid options are a1, c1, c2, c3 only");
  const bool bands = t == "a1";
  votes_needed = bands ? 1 : t[1] - '0';
  if (bands) {
    if (arg.gyt == 0 && arg.rt == 0 && arg.bt == 0)
      env->ThrowError("MaskMaker:All threshold are zero. Nothing to be done?");
  } else if (arg.gyt > arg.et && arg.rt > arg.ert && arg.bt > arg.ebt && arg.ft > arg.fet && arg.fr > arg.fert &&
             arg.fb > arg.febt) {
    env->ThrowError("MaskMaker: threshold intervals are less than zero.Invalid values");
  }
  routine = bands ? RoutineFor<BandVotes>(format) : RoutineFor<RangeVotes>(format);
}

MaskRule MaskMaker::RuleAt(const FrameStep& step) const {
  auto now = [&](int start, int final_value) { return ThresholdAt(start, final_value, step, arg.test); };
  return {{now(arg.gyt, arg.ft), now(arg.rt, arg.fr), now(arg.bt, arg.fb)},
          {now(arg.et, arg.fet), now(arg.ert, arg.fert), now(arg.ebt, arg.febt)},
          static_cast<BYTE>(votes_needed),
          MarkValuesOf(arg.white, arg.xcol, arg.col)};
}

PVideoFrame MaskMaker::GetFrame(int n, IScriptEnvironment* env) {
  const FrameStep step = StepFor(n, arg.sf, arg.ef, arg.test);
  if (!step.active) return child->GetFrame(n, env);
  PVideoFrame src = child->GetFrame(step.source, env);
  PVideoFrame out = env->NewVideoFrame(vi);
  const PictureRect window =
      WindowRectAt({arg.lx, arg.ty, arg.rx, arg.by}, {arg.elx, arg.ety, arg.erx, arg.eby}, step, vi.width, vi.height);
  routine({ReadPlanes(src, format), WritePlanes(out, format), window, arg.test}, RuleAt(step));
  return out;
}

const char* MaskMakerSignature() { return SignatureText<kArgs>(); }

DefaultKind MaskMakerIntDefault(const char* arg, int* value, const char** same_as) {
  return IntDefaultIn(kArgs, arg, value, same_as);
}

AVSValue CreateMaskMaker(AVSValue args, void*, IScriptEnvironment* env) {
  const MaskMakerArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height;

  CheckSweepRange("MaskMaker", {a.sf, a.ef, a.test}, vi.num_frames, env);
  for (int v : {a.gyt, a.rt, a.bt, a.et, a.ert, a.ebt, a.ft, a.fr, a.fb, a.fet, a.fert, a.febt})
    if (v < 0 || v > 255) env->ThrowError("MaskMaker:Thresholds must be positive numbers 0 to 255 only");
  CheckStartWindow("MaskMaker", {a.lx, a.ty, a.rx, a.by}, W, H, WindowWording::Plain, env);
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("MaskMaker: This color format is not yet supported");
  if (a.xcol && (a.col < 0 || a.col > 255))
    env->ThrowError("MaskMaker:col the value to mark already colored parts must be between 0 and 255 only");
  // In 64 bits: any int may be given, and erx - 4 must not wrap.
  if (a.elx < 0 || a.elx >= int64_t{a.erx} - 4 || a.ety < 0 || a.ety >= int64_t{a.eby} - 4 || a.erx >= W || a.eby >= H)
    env->ThrowError("MaskMaker: end coordinates pushes window out of frame");

  return Created(new MaskMaker(a, env), args);
}

}  // namespace tintara
