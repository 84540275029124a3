#include "filters/marking/MaskMaker.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "filters/common/Args.h"
#include "filters/common/Marking.h"
#include "filters/common/Sweep.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum {
  kClip, kSf, kEf, kType, kGyt, kRt, kBt, kWhite, kEt, kErt, kEbt, kTest, kFt, kFr, kFb, kFet, kFert, kFebt,
  kLx, kTy, kRx, kBy, kXcol, kCol, kElx, kEty, kErx, kEby
};

// Per-sample votes of the three channels: a 256-entry table per channel says whether the sample
// marks, so the pixel loop only looks up and adds.
struct VoteTables {
  uint8_t first[256], second[256], third[256];
};

// "a1": a channel with band width t marks the samples whose quotient s / t is even.
void BandTable(uint8_t* table, int t) {
  for (int s = 0; s < 256; ++s) table[s] = t != 0 && (s / t) % 2 == 0;
}

// "c" types: a channel votes mark when lower <= s <= upper; an upper bound of 0 switches it off.
void RangeTable(uint8_t* table, int lower, int upper) {
  for (int s = 0; s < 256; ++s) table[s] = upper != 0 && lower <= s && s <= upper;
}

struct PixelRule {
  const VoteTables* votes;
  int needed;
  bool xcol;
  BYTE col, mark, back;

  BYTE Decide(bool coloured, int first, int second, int third) const {
    const int count = votes->first[first] + votes->second[second] + votes->third[third];
    const BYTE v = count >= needed ? mark : back;
    return xcol && coloured ? col : v;
  }
};

// Writes the window's pixel values. RGB tests green, blue, red (bytes 1, 0, 2) and writes every
// byte; YUV tests Y, U, V and writes only Y.
template <PixelFormat F>
void MarkWindow(const FramePlanes<const BYTE>& s, const FramePlanes<BYTE>& o, const Window& w, const PixelRule& r) {
  const int height = s.y.height;
  for (int y = w.ty; y <= w.by; ++y) {
    const int m = MemoryRow(F, height, y);
    const BYTE* in = s.y.Row(m);
    BYTE* out = o.y.Row(m);
    if constexpr (IsRGB(F)) {
      constexpr int bpp = F == PixelFormat::RGB32 ? 4 : 3;
      for (int x = w.lx; x <= w.rx; ++x) {
        const BYTE* p = in + x * bpp;
        const BYTE v = r.Decide(RgbColoured(p), p[1], p[0], p[2]);
        for (int b = 0; b < bpp; ++b) out[x * bpp + b] = v;
      }
    } else if constexpr (F == PixelFormat::YUY2) {
      for (int x = w.lx; x <= w.rx; ++x) {
        const int pair = (x & ~1) * 2;
        const int u = in[pair + 1], v = in[pair + 3];
        out[2 * x] = r.Decide(ChromaColoured(u, v), in[2 * x], u, v);
      }
    } else {
      const BYTE* us = s.u.Row(y / 2);
      const BYTE* vs = s.v.Row(y / 2);
      for (int x = w.lx; x <= w.rx; ++x) {
        const int u = us[x / 2], v = vs[x / 2];
        out[x] = r.Decide(ChromaColoured(u, v), in[x], u, v);
      }
    }
  }
}

}  // namespace

MaskMaker::MaskMaker(const PClip& child, int sf_, int ef_, const char* type_, int gyt_, int rt_, int bt_, bool white_,
                     int et_, int ert_, int ebt_, bool test_, int ft_, int fr_, int fb_, int fet_, int fert_, int febt_,
                     int lx_, int ty_, int rx_, int by_, bool xcol_, int col_, int elx_, int ety_, int erx_, int eby_,
                     IScriptEnvironment* env)
    : GenericVideoFilter(child), sf(sf_), ef(ef_), type(type_), gyt(gyt_), rt(rt_), bt(bt_), white(white_), et(et_),
      ert(ert_), ebt(ebt_), test(test_), ft(ft_), fr(fr_), fb(fb_), fet(fet_), fert(fert_), febt(febt_), lx(lx_),
      ty(ty_), rx(rx_), by(by_), xcol(xcol_), col(col_), elx(elx_), ety(ety_), erx(erx_), eby(eby_),
      markval(MarkValues(white_).markval), backval(MarkValues(white_).backval), format(FormatOf(vi)) {
  const std::string t = type;
  if (t != "c1" && t != "c2" && t != "c3" && t != "a1") env->ThrowError("MaskMaker:type valid options are a1, c1, c2, c3 only");
  bands = t == "a1";
  votes_needed = bands ? 1 : t[1] - '0';
  if (bands) {
    if (gyt == 0 && rt == 0 && bt == 0) env->ThrowError("MaskMaker:All threshold are zero. Nothing to be done?");
  } else if (gyt > et && rt > ert && bt > ebt && ft > fet && fr > fert && fb > febt) {
    env->ThrowError("MaskMaker: threshold intervals are less than zero.Invalid values");
  }
}

PVideoFrame MaskMaker::GetFrame(int n, IScriptEnvironment* env) {
  const FrameStep step = StepFor(n, sf, ef, test);
  if (!step.active) return child->GetFrame(n, env);
  PVideoFrame src = child->GetFrame(step.source, env);

  auto now = [&](int start, int final_value) { return ThresholdAt(start, final_value, step, test); };
  VoteTables votes;
  if (bands) {
    BandTable(votes.first, now(gyt, ft));
    BandTable(votes.second, now(rt, fr));
    BandTable(votes.third, now(bt, fb));
  } else {
    RangeTable(votes.first, now(gyt, ft), now(et, fet));
    RangeTable(votes.second, now(rt, fr), now(ert, fert));
    RangeTable(votes.third, now(bt, fb), now(ebt, febt));
  }

  Window w = WindowAt({lx, ty, rx, by}, {elx, ety, erx, eby}, step);
  if (format == PixelFormat::YUY2) {
    w.lx &= ~1;
    w.rx &= ~1;
  }
  PVideoFrame out = env->NewVideoFrame(vi);
  PrepareMarkOutput(out, src, format, test);
  if (!ClipWindow(&w, vi.width, vi.height)) return out;

  const PixelRule rule{&votes, votes_needed, xcol, static_cast<BYTE>(col), static_cast<BYTE>(markval),
                       static_cast<BYTE>(backval)};
  const FramePlanes<const BYTE> s = ReadPlanes(src, format);
  const FramePlanes<BYTE> o = WritePlanes(out, format);
  switch (format) {
    case PixelFormat::RGB24: MarkWindow<PixelFormat::RGB24>(s, o, w, rule); break;
    case PixelFormat::RGB32: MarkWindow<PixelFormat::RGB32>(s, o, w, rule); break;
    case PixelFormat::YUY2: MarkWindow<PixelFormat::YUY2>(s, o, w, rule); break;
    default: MarkWindow<PixelFormat::YV12>(s, o, w, rule); break;
  }
  NeutralWindowChroma(out, format, w);
  DrawWindowEdge(out, format, w, false);
  return out;
}

AVSValue CreateMaskMaker(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  const VideoInfo& vi = clip->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  const int sf = IntArg(args, kSf, 0);
  const int ef = IntArg(args, kEf, N - 1);
  const char* type = StringArg(args, kType, "c1");
  const int gyt = IntArg(args, kGyt, 20), rt = IntArg(args, kRt, 128), bt = IntArg(args, kBt, 128);
  const bool white = BoolArg(args, kWhite, true);
  const int et = IntArg(args, kEt, 40), ert = IntArg(args, kErt, 0), ebt = IntArg(args, kEbt, 0);
  const bool test = BoolArg(args, kTest, false);
  const int ft = IntArg(args, kFt, 120), fr = IntArg(args, kFr, 128), fb = IntArg(args, kFb, 128);
  const int fet = IntArg(args, kFet, 240), fert = IntArg(args, kFert, 128), febt = IntArg(args, kFebt, 128);
  const int lx = IntArg(args, kLx, 0), ty = IntArg(args, kTy, 0);
  const int rx = IntArg(args, kRx, W - 1), by = IntArg(args, kBy, H - 1);
  const bool xcol = BoolArg(args, kXcol, true);
  const int col = IntArg(args, kCol, 128);
  const int elx = IntArg(args, kElx, lx), ety = IntArg(args, kEty, ty);
  const int erx = IntArg(args, kErx, rx), eby = IntArg(args, kEby, by);

  if (test) {
    if (sf < 0 || ef < 2 || int64_t{sf} + ef > N)
      env->ThrowError("MaskMaker: startf must be +ve and endf atleast 2 and startf+endf less than frame count of %d ", N);
  } else if (sf < 0 || ef < sf || ef >= N) {
    env->ThrowError("MaskMaker: startf and endf must be +ve, endf more than startf and within this clip having %d frames ", N);
  }
  for (int i : {kGyt, kRt, kBt, kEt, kErt, kEbt, kFt, kFr, kFb, kFet, kFert, kFebt}) {
    const int v = IntArg(args, i, 0);
    if (v < 0 || v > 255) env->ThrowError("MaskMaker:Thresholds must be positive numbers 0 to 255 only");
  }
  if (lx < 0 || lx > W - 3) env->ThrowError("MaskMaker:window left x lx must be 0 and %d", W - 4);
  if (ty < 0 || ty > H - 3) env->ThrowError("MaskMaker:window top y ty must be 0 and %d", H - 4);
  if (rx < lx + 4 || rx > W - 1) env->ThrowError("MaskMaker:window right x rx must be %d and %d", lx + 4, W - 4);
  if (by < ty + 4 || by > H - 1) env->ThrowError("MaskMaker:window bottom y by must be %d and %d", ty + 4, H - 4);
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("MaskMaker: This color format is not yet supported");
  if (xcol && (col < 0 || col > 255))
    env->ThrowError("MaskMaker:col the value to mark already colored parts must be between 0 and 255 only");
  // In 64 bits: any int may be given, and erx - 4 must not wrap.
  if (elx < 0 || elx >= int64_t{erx} - 4 || ety < 0 || ety >= int64_t{eby} - 4 || erx >= W || eby >= H)
    env->ThrowError("MaskMaker: end coordinates pushes window out of frame");

  auto* filter = new MaskMaker(clip, sf, ef, type, gyt, rt, bt, white, et, ert, ebt, test, ft, fr, fb, fet, fert,
                               febt, lx, ty, rx, by, xcol, col, elx, ety, erx, eby, env);
  return Created(filter, args);
}

}  // namespace tintara
