#include "filters/drawing/RegionFilter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "filters/common/ArgTable.h"
#include "filters/common/ByteLanes.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Geometry.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// Stands for an absent x, y, w or h; an explicit 32767 also gets the shape's default.
constexpr int kAbsent = 32767;

// The signature both twins share.
using A = RegionArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Clip(&A::reference),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("shape", &A::shape_name, "rect"),
    Int("x", &A::x, kAbsent),
    Int("y", &A::y, kAbsent),
    Int("w", &A::w, kAbsent),
    Int("h", &A::h, kAbsent),
    Int("st", &A::st, 10),
    Bool("white", &A::white, true),
};

int OrDefault(int value, int fallback) { return value == kAbsent ? fallback : value; }

std::vector<RowRun> RectRuns(int x, int y, int w, int h, int W, int H) {
  std::vector<RowRun> runs(static_cast<size_t>(H));
  const int first = std::max(x, 0);
  const int64_t end = std::min<int64_t>(int64_t{x} + w, W);
  if (first >= end) return runs;
  const int64_t bottom = std::min<int64_t>(int64_t{y} + h, H);
  for (int64_t r = std::max(y, 0); r < bottom; ++r) runs[static_cast<size_t>(r)] = {first, static_cast<int>(end)};
  return runs;
}

// Circle and ellipse: row offsets i and column offsets j both run over -w .. w-1, and
// (x + j, y + i) belongs when (j*j)/(w*w) + (i*i)/(h*h) is not greater than 1. A half-axis of 0
// makes its 0/0 term NaN, which is not greater than 1, so the test is written as !(s > 1).
// Offsets landing outside the frame are dropped before the loops (an ellipse flatter than it is
// wide, or one defaulted to a negative half-axis, reaches one row beyond the frame). Within a
// row the sum only grows with |j|, so the selected columns form one run.
std::vector<RowRun> RoundRuns(int x, int y, int w, int h, int W, int H) {
  std::vector<RowRun> runs(static_cast<size_t>(H));
  const double ww = static_cast<double>(w) * w, hh = static_cast<double>(h) * h;
  const int64_t i0 = std::max<int64_t>(-int64_t{w}, -int64_t{y});
  const int64_t i1 = std::min<int64_t>(int64_t{w} - 1, int64_t{H} - 1 - y);
  const int64_t j0 = std::max<int64_t>(-int64_t{w}, -int64_t{x});
  const int64_t j1 = std::min<int64_t>(int64_t{w} - 1, int64_t{W} - 1 - x);
  if (j0 > j1) return runs;
  std::vector<double> across(static_cast<size_t>(j1 - j0 + 1));
  for (int64_t j = j0; j <= j1; ++j) across[j - j0] = static_cast<double>(j) * j / ww;
  for (int64_t i = i0; i <= i1; ++i) {
    const double down = static_cast<double>(i) * i / hh;
    int64_t first = 0, last = -1;
    bool found = false;
    for (int64_t j = j0; j <= j1; ++j) {
      if (across[j - j0] + down > 1) continue;
      if (!found) first = j;
      found = true;
      last = j;
    }
    if (found) runs[static_cast<size_t>(y + i)] = {static_cast<int>(x + first), static_cast<int>(x + last + 1)};
  }
  return runs;
}

// One run, from the source row into the new frame's row: each pixel the reference selects gets
// the change in every byte of an RGB pixel or its luma byte, the other bytes are copied. The
// reference sample is the pixel's first byte (RGB), its Y byte (YUY2) or its luma sample, read at
// the same position with the reference's own pitch.
//
// The change is computed for every byte and kept where selected (a select written as arithmetic:
// one against the byte it replaces would become a conditional store, which keeps the loop from
// vectorising), so the loops have no branches; each pixel is tested and changed in one loop.

// A shift in byte lanes: v + st held to 0..255 is min(max(v, lo), hi) + st (mod 256), with lo =
// -st for a negative st and hi = 255 - st for a positive one, so nothing leaves the byte.
struct ShiftBytes {
  explicit ShiftBytes(int st)
      : lo(static_cast<BYTE>(st < 0 ? -st : 0)),
        hi(static_cast<BYTE>(st > 0 ? 255 - st : 255)),
        add(static_cast<BYTE>(st)) {}
  BYTE Of(BYTE v) const { return static_cast<BYTE>(std::min(std::max(v, lo), hi) + add); }
  BYTE lo, hi, add;
};

// A stretch, v + (v * st) / 100 truncated toward zero and held to 0..255, in 16-bit lanes: v * |st|
// is at most 255 * 200 and its quotient by 100 is an unsigned 16-bit division by a constant,
// which vectorises as a multiply. A stretch up (st >= 0) adds the quotient and can only pass
// 255; a stretch down (st >= -100) subtracts the quotient of v * -st, at most v, and stays in
// 0..255: one kernel for each sign, picked per run, so neither carries a sign or both bounds.
struct StretchUp {
  explicit StretchUp(int st) : magnitude(static_cast<uint16_t>(st)) {}
  BYTE Of(BYTE v) const {
    const uint16_t q = static_cast<uint16_t>(static_cast<uint16_t>(v * magnitude) / 100);
    return static_cast<BYTE>(std::min<uint16_t>(static_cast<uint16_t>(v + q), 255));
  }
  uint16_t magnitude;
};

struct StretchDown {
  explicit StretchDown(int st) : magnitude(static_cast<uint16_t>(-st)) {}
  BYTE Of(BYTE v) const {
    const uint16_t q = static_cast<uint16_t>(static_cast<uint16_t>(v * magnitude) / 100);
    return static_cast<BYTE>(v - q);
  }
  uint16_t magnitude;
};

// RGB (either change) and planar luma (stretch): pixel by pixel, the reference test kept for the
// pixel's bytes.
template <int Step, int Changed, class Change>
inline void PixelRun(const BYTE* __restrict in, BYTE* __restrict o, const BYTE* __restrict r, int count, BYTE selected,
                     const Change& change) {
  for (int i = 0; i < count; ++i) {
    const bool sel = r[i * Step] == selected;
    for (int b = 0; b < Step; ++b) {
      const BYTE v = in[i * Step + b];
      o[i * Step + b] = b < Changed ? Pick(sel, change.Of(v), v) : v;
    }
  }
}

// YUY2: each pixel as a 16-bit word, its Y byte low and its chroma byte high, so the loop runs in
// 16-bit lanes without separating the bytes; the chroma byte is copied.
template <class Change>
inline void Yuy2Run(const BYTE* __restrict in, BYTE* __restrict o, const BYTE* __restrict r, int count, BYTE selected,
                    const Change& change) {
  for (int i = 0; i < count; ++i) {
    uint16_t w, ref;
    std::memcpy(&w, in + 2 * i, 2);
    std::memcpy(&ref, r + 2 * i, 2);
    const bool sel = static_cast<BYTE>(ref) == selected;
    const BYTE v = static_cast<BYTE>(w);
    const uint16_t out = static_cast<uint16_t>((w & 0xFF00u) | Pick(sel, change.Of(v), v));
    std::memcpy(o + 2 * i, &out, 2);
  }
}

// Planar luma, a shift: byte lanes throughout, each byte kept or changed by its reference
// byte's test.
template <class Change>
inline void ChangeLumaRun(const BYTE* __restrict in, BYTE* __restrict o, const BYTE* __restrict r, int count,
                          BYTE selected, const Change& change) {
  for (int i = 0; i < count; ++i) {
    const BYTE v = in[i];
    const BYTE mask = static_cast<BYTE>(-static_cast<int>(r[i] == selected));
    o[i] = static_cast<BYTE>(v ^ ((change.Of(v) ^ v) & mask));
  }
}

template <PixelFormat F, RegionChange C>
inline void ChangeRun(const BYTE* __restrict in, BYTE* __restrict o, const BYTE* __restrict r, int count, BYTE selected,
                      int st) {
  constexpr int step = BytesPerPixel(F);
  if constexpr (C == RegionChange::Percent) {
    auto stretch = [&](const auto& change) {
      if constexpr (F == PixelFormat::YUY2)
        Yuy2Run(in, o, r, count, selected, change);
      else
        PixelRun<step, IsRGB(F) ? step : 1>(in, o, r, count, selected, change);
    };
    if (st >= 0)
      stretch(StretchUp(st));
    else
      stretch(StretchDown(st));
  } else if constexpr (IsPlanar(F)) {
    ChangeLumaRun(in, o, r, count, selected, ShiftBytes(st));
  } else if constexpr (IsRGB(F)) {
    PixelRun<step, step>(in, o, r, count, selected, ShiftBytes(st));
  } else {
    Yuy2Run(in, o, r, count, selected, ShiftBytes(st));
  }
}

// The whole frame in one pass: each row of the region is copied up to its run, changed along
// it and copied after it (rows without a run are copied whole), and planar chroma is copied.
template <PixelFormat F, RegionChange C>
void ApplyRuns(const FramePlanes<const BYTE>& src, const FramePlanes<BYTE>& out, const ConstPlane& ref,
               const std::vector<RowRun>& region, BYTE selected, int st) {
  constexpr int step = BytesPerPixel(F);
  const int height = out.y.height;
  const size_t row_size = static_cast<size_t>(out.y.row_size);
  const PictureRect frame{0, out.y.row_size / step, 0, height};
  ForMemoryRows<F>(height, frame, [&](int m, int y) {
    const BYTE* in = src.y.Row(m);
    BYTE* o = out.y.Row(m);
    const RowRun& run = region[static_cast<size_t>(y)];  // {0, 0} where the row has none
    const size_t b0 = static_cast<size_t>(run.x0) * step, b1 = static_cast<size_t>(run.x1) * step;
    std::memcpy(o, in, b0);
    ChangeRun<F, C>(in + b0, o + b0, ref.Row(m) + b0, run.x1 - run.x0, selected, st);
    std::memcpy(o + b1, in + b1, row_size - b1);
  });
  if constexpr (IsPlanar(F)) {
    for (int c = 0; c < 2; ++c) {
      const ConstPlane& sp = c == 0 ? src.u : src.v;
      const Plane& op = c == 0 ? out.u : out.v;
      for (int m = 0; m < op.height; ++m) std::memcpy(op.Row(m), sp.Row(m), static_cast<size_t>(op.row_size));
    }
  }
}

RegionRoutine RoutineFor(PixelFormat format, RegionChange change) {
  if (change == RegionChange::Add)
    return ChooseForFormat(format,
                           [](auto f) { return ForLevel<&ApplyRuns<decltype(f)::value, RegionChange::Add>>(); });
  return ChooseForFormat(format,
                         [](auto f) { return ForLevel<&ApplyRuns<decltype(f)::value, RegionChange::Percent>>(); });
}

// Reads the arguments and runs the checks made before the filter is built, in order.
RegionArgs ReadRegionArgs(const AVSValue& args, const RegionFilterText& text, IScriptEnvironment* env) {
  RegionArgs a = ReadArgs(kArgs, args);
  const int N = a.clip->GetVideoInfo().num_frames;
  const std::string shape = a.shape_name;
  auto given = [&](int RegionArgs::*member) { return GivenArg(kArgs, args, member); };

  if (a.sf < 0 || a.sf > a.ef) env->ThrowError("%s", text.frames);
  if (a.sf >= N || a.ef >= N) env->ThrowError(text.clip_frames, N);
  if (shape == "rect")
    a.shape = Shape::Rect;
  else if (shape == "circle")
    a.shape = Shape::Circle;
  else if (shape == "ellipse")
    a.shape = Shape::Ellipse;
  else
    env->ThrowError("%s", text.shape);
  if ((given(&A::x) && a.x < 0) || (given(&A::y) && a.y < 0) || (given(&A::w) && a.w < 2) || (given(&A::h) && a.h < 2))
    env->ThrowError("%s", text.dimensions);
  if (given(&A::st) && (a.st < text.st_min || a.st > text.st_max)) env->ThrowError("%s", text.st);
  return a;
}

}  // namespace

const char* RegionSignature() { return SignatureText<kArgs>(); }

AVSValue CreateRegionFilter(const AVSValue& args, const RegionFilterText& text, RegionChange change,
                            IScriptEnvironment* env) {
  return Created(new RegionFilter(ReadRegionArgs(args, text, env), text, change, env), args);
}

RegionFilter::RegionFilter(const RegionArgs& a, const RegionFilterText& text, RegionChange change,
                           IScriptEnvironment* env)
    : GenericVideoFilter(a.clip), arg(a), format(FormatOf(vi)), routine(RoutineFor(format, change)) {
  const int W = vi.width, H = vi.height;
  int x, y, w, h;
  if (arg.shape == Shape::Rect) {
    x = OrDefault(a.x, 0);
    y = OrDefault(a.y, 0);
    w = OrDefault(a.w, W - x - 1);
    h = OrDefault(a.h, H - y - 1);
  } else {
    // The half-axis defaults halve the distance to the far edge before subtracting it.
    x = OrDefault(a.x, W / 2);
    y = OrDefault(a.y, H / 2);
    w = OrDefault(a.w, W / 2 - std::abs(x - W) / 2 - 1);
    h = arg.shape == Shape::Circle ? w : OrDefault(a.h, H / 2 - std::abs(y - H) / 2 - 1);
  }

  if (format == PixelFormat::Other) env->ThrowError("%s", text.format);
  const VideoInfo& rvi = arg.reference->GetVideoInfo();
  if (rvi.num_frames < arg.ef) env->ThrowError("%s", text.reference_frames);
  if (rvi.pixel_type != vi.pixel_type || rvi.width != W || rvi.height != H)
    env->ThrowError("%s", text.reference_differs);
  const int64_t right = int64_t{x} + w, bottom = int64_t{y} + h;
  switch (arg.shape) {
    case Shape::Rect:
      if (right >= W || bottom >= H) env->ThrowError("%s", text.rect_out);
      region = RectRuns(x, y, w, h, W, H);
      break;
    case Shape::Circle:
      if (right >= W || bottom > H || x <= w || y <= w) env->ThrowError("%s", text.circle_out);
      region = RoundRuns(x, y, w, h, W, H);
      break;
    case Shape::Ellipse:
      if (right >= W || bottom > H || x <= w || y <= h) env->ThrowError("%s", text.ellipse_out);
      region = RoundRuns(x, y, w, h, W, H);
      break;
  }
}

PVideoFrame RegionFilter::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame src = child->GetFrame(n, env);
  if (n < arg.sf || n > arg.ef) return src;
  PVideoFrame ref = arg.reference->GetFrame(n, env);
  // A new frame written in one pass, rather than a writable copy changed afterwards.
  PVideoFrame frame = env->NewVideoFrame(vi);
  const BYTE selected = arg.white ? 255 : 0;
  routine(ReadPlanes(src, format), WritePlanes(frame, format), ReadPlane(ref), region, selected, arg.st);
  return frame;
}

}  // namespace tintara
