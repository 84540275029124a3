#include "filters/masks/CrossFill.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/Blocks.h"
#include "filters/common/ByteLanes.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Marking.h"
#include "filters/common/Motion.h"
#include "filters/common/Painting.h"
#include "filters/common/Sample.h"
#include "filters/common/Surround.h"
#include "filters/common/TintLanes.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

using A = CrossFillArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Clip(&A::maskA),
    Clip(&A::maskB),
    Int("sf", &A::sf, 0),
    Int("ef", &A::ef, FromClip::LastFrame),
    String("type", &A::type, "aANDb"),
    Int("lx", &A::lx, 0),
    Int("ty", &A::ty, 0),
    Int("rx", &A::rx, FromClip::LastColumn),
    Int("by", &A::by, FromClip::LastRow),
    Int("color", &A::color, 0x7F7F00),
    Bool("white", &A::white, true),
    Bool("shift", &A::shift, true),
    Int("st", &A::st, 0),
    Int("elx", &A::elx, Like(&A::lx)),
    Int("ety", &A::ety, Like(&A::ty)),
    Int("erx", &A::erx, Like(&A::rx)),
    Int("eby", &A::eby, Like(&A::by)),
};

using Logic = CrossFill::Logic;

// The logical type, compared exactly; any other text paints nothing.
Logic LogicOf(const char* type) {
  if (std::strcmp(type, "aANDb") == 0) return Logic::And;
  if (std::strcmp(type, "aORb") == 0) return Logic::Or;
  if (std::strcmp(type, "aNOTb") == 0) return Logic::Not;
  return Logic::Nothing;
}

// Whether mask samples a and b select a pixel. RGB's "aNOTb" wants one mask marked and the
// other exactly background; YUV's wants one marked and the other anything else. The two agree
// on masks holding only 0 and 255.
template <PixelFormat F, Logic L>
inline bool Selects(BYTE a, BYTE b, BYTE mark, BYTE back) {
  // Written with differences rather than logical operators, which the compiler would turn into
  // branches, and kept in bytes, so the loops vectorise in byte lanes.
  if constexpr (L == Logic::Nothing) return false;
  const BYTE am = static_cast<BYTE>(a ^ mark), bm = static_cast<BYTE>(b ^ mark);
  if constexpr (L == Logic::And) return static_cast<BYTE>(am | bm) == 0;
  if constexpr (L == Logic::Or) return std::min(am, bm) == 0;
  if constexpr (IsRGB(F)) {
    const BYTE ab = static_cast<BYTE>(a ^ back), bb = static_cast<BYTE>(b ^ back);
    return std::min(static_cast<BYTE>(am | bb), static_cast<BYTE>(ab | bm)) == 0;
  }
  return static_cast<BYTE>(std::min(am, BYTE{1}) ^ std::min(bm, BYTE{1})) != 0;
}

// What the row loops need of the painting, as plain values: the fill colour, the brightness
// rule (an offset added, which with st = 0 changes nothing, or the table of a stretch) and the
// mask values. The loops compute the painted bytes of every pixel and keep them where the masks
// select it, so they run without branches and the compiler vectorises them.
template <bool Table>
struct RowPaint {
  // 16-bit fields: every sum fits, and the compiler keeps 16-bit lanes rather than 32-bit ones.
  int16_t kV, kG, kU, U, V;
  BYTE mark, back;
  TintLevels<ClampOrder::Once, !Table> tint;
};

// The row loops read the source row and write the new frame's row (pointers that cannot alias);
// planar chroma is changed in place in the new frame, where its rows were first copied.
template <PixelFormat F, Logic L, bool Table>
inline void PaintRgbRow(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict in,
                        BYTE* __restrict p, int n, const RowPaint<Table>& r) {
  constexpr int bpp = BytesPerPixel(F);
  if constexpr (F == PixelFormat::RGB32) {
    // The first byte of every window pixel becomes 0, painted or not; the fourth is kept.
    for (int x = 0; x < n; ++x) {
      const bool sel = Selects<F, L>(static_cast<BYTE>(LoadPixel(a + 4 * x)), static_cast<BYTE>(LoadPixel(b + 4 * x)),
                                     r.mark, r.back);
      const uint32_t px = LoadPixel(in + 4 * x);
      const int16_t N = r.tint.Level(static_cast<BYTE>(px));
      const uint32_t q1 = r.tint.Channel(N, r.kG);
      const uint32_t q2 = r.tint.Channel(N, r.kU);
      const uint32_t painted = q1 << 8 | q2 << 16 | (px & 0xFF000000u);
      const uint32_t keep = px & 0xFFFFFF00u;
      StorePixel(p + 4 * x, keep ^ ((painted ^ keep) & -static_cast<uint32_t>(sel)));
    }
    return;
  }
  for (int x = 0; x < n; ++x) {
    const bool sel = Selects<F, L>(a[x * bpp], b[x * bpp], r.mark, r.back);
    const BYTE* s = in + x * bpp;
    BYTE* q = p + x * bpp;
    const int16_t N = r.tint.Level(s[0]);
    const BYTE q0 = r.tint.Channel(N, r.kV);
    const BYTE q1 = r.tint.Channel(N, r.kG);
    const BYTE q2 = r.tint.Channel(N, r.kU);
    // RGB32 leaves the first byte of every window pixel 0, painted or not.
    q[0] = F == PixelFormat::RGB32 ? 0 : Pick(sel, q0, s[0]);
    q[1] = Pick(sel, q1, s[1]);
    q[2] = Pick(sel, q2, s[2]);
    if constexpr (bpp == 4) q[3] = s[3];
  }
}

// YUY2: `pairs` whole pairs; a selected pixel adjusts its Y and sets its pair's chroma.
template <Logic L, bool Table>
inline void PaintYuy2Row(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict in,
                         BYTE* __restrict p, int pairs, const RowPaint<Table>& r) {
  for (int i = 0; i < pairs; ++i) {
    const bool s0 = Selects<PixelFormat::YUY2, L>(a[4 * i], b[4 * i], r.mark, r.back);
    const bool s1 = Selects<PixelFormat::YUY2, L>(a[4 * i + 2], b[4 * i + 2], r.mark, r.back);
    const BYTE* s = in + 4 * i;
    BYTE* q = p + 4 * i;
    const BYTE y0 = s[0], y1 = s[2];
    const BYTE l0 = r.tint.Luma(y0), l1 = r.tint.Luma(y1);
    q[0] = Pick(s0, l0, y0);
    q[2] = Pick(s1, l1, y1);
    q[1] = Pick(s0 | s1, r.U, s[1]);
    q[3] = Pick(s0 | s1, r.V, s[3]);
  }
}

// Planar luma: one row of the window selected into `sel` (0xFF where the masks select the pixel,
// else 0) and painted from the source.
template <Logic L, bool Table>
inline void SelectPlanarLuma(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict in,
                             BYTE* __restrict y, BYTE* __restrict sel, int n, const RowPaint<Table>& r) {
  for (int x = 0; x < n; ++x) {
    const bool s = Selects<PixelFormat::YV12, L>(a[x], b[x], r.mark, r.back);
    sel[x] = static_cast<BYTE>(-static_cast<int>(s));
    y[x] = Pick(s, r.tint.Luma(in[x]), in[x]);
  }
}

// With st = 0 the luma is the source's: only the selection is worked out.
template <Logic L>
inline void SelectPlanarOnly(const BYTE* __restrict a, const BYTE* __restrict b, BYTE* __restrict sel, int n, BYTE mark,
                             BYTE back) {
  for (int x = 0; x < n; ++x)
    sel[x] = static_cast<BYTE>(-static_cast<int>(Selects<PixelFormat::YV12, L>(a[x], b[x], mark, back)));
}

// Planar chroma: sample i takes the colour where any of the four luma selections of its 2x2
// block (bytes 2i and 2i + 1 of both selection rows) is set, else the source's sample.
inline void PaintPlanarChroma(const BYTE* __restrict sel0, const BYTE* __restrict sel1, const BYTE* __restrict inU,
                              const BYTE* __restrict inV, BYTE* __restrict u, BYTE* __restrict v, int n, BYTE U,
                              BYTE V) {
  for (int i = 0; i < n; ++i) {
    uint16_t w0, w1;
    std::memcpy(&w0, sel0 + 2 * i, 2);
    std::memcpy(&w1, sel1 + 2 * i, 2);
    const bool any = (w0 | w1) != 0;
    u[i] = Pick(any, U, inU[i]);
    v[i] = Pick(any, V, inV[i]);
  }
}

// Planar frames, one chroma row at a time: the window's luma rows over it are selected and
// painted, then its chroma samples under the window are written from the source and the
// selections. The selection rows cover the chroma samples' whole blocks and hold 0 for pixels
// outside the window (a column cut off a block, a row above or below the window): `sel` starts
// zeroed and every row writes the same window columns, so a cut-off column stays 0.
template <Logic L, bool Table>
void PaintPlanar(const FramePlanes<const BYTE>& in, const FramePlanes<BYTE>& out, const ConstPlane& a,
                 const ConstPlane& b, const PictureRect& s, const RowPaint<Table>& rule, BYTE* sel, bool keep_luma) {
  const RowPaint<Table> r = rule;
  const int c0 = s.x0 / 2, c1 = (s.x1 - 1) / 2 + 1, n = c1 - c0, first = 2 * c0;
  BYTE* const rows[2] = {sel, sel + 2 * n};
  for (int cr = s.y0 / 2; cr <= (s.y1 - 1) / 2; ++cr) {
    for (int k = 0; k < 2; ++k) {
      const int y = 2 * cr + k;
      BYTE* const row_sel = rows[k];
      if (y < s.y0 || y >= s.y1) {
        std::memset(row_sel, 0, static_cast<size_t>(2 * n));
        continue;
      }
      const int x = s.x0, count = s.x1 - s.x0;
      BYTE* const into = row_sel + (x - first);
      const BYTE *ra = a.Row(y) + x, *rb = b.Row(y) + x, *ry = in.y.Row(y) + x;
      BYTE* const oy = out.y.Row(y) + x;
      if (keep_luma) {
        ForBlocks<kBlock>(
            count, [&](int i) { SelectPlanarOnly<L>(ra + i, rb + i, into + i, kBlock, r.mark, r.back); },
            [&] { SelectPlanarOnly<L>(ra, rb, into, count, r.mark, r.back); });
        std::memcpy(oy, ry, static_cast<size_t>(count));
      } else {
        ForBlocks<kBlock>(
            count, [&](int i) { SelectPlanarLuma<L>(ra + i, rb + i, ry + i, oy + i, into + i, kBlock, r); },
            [&] { SelectPlanarLuma<L>(ra, rb, ry, oy, into, count, r); });
      }
    }
    const BYTE *iu = in.u.Row(cr) + c0, *iv = in.v.Row(cr) + c0;
    BYTE *ou = out.u.Row(cr) + c0, *ov = out.v.Row(cr) + c0;
    const BYTE U = static_cast<BYTE>(r.U), V = static_cast<BYTE>(r.V);
    ForBlocks<kBlock>(
        n,
        [&](int i) {
          PaintPlanarChroma(rows[0] + 2 * i, rows[1] + 2 * i, iu + i, iv + i, ou + i, ov + i, kBlock, U, V);
        },
        [&] { PaintPlanarChroma(rows[0], rows[1], iu, iv, ou, ov, n, U, V); });
  }
}

// The bytes of each plane the window's rows write: the new frame takes the source's bytes
// everywhere else. YUY2 writes whole pairs (a pixel the window cuts off a pair is copied).
template <PixelFormat F>
WindowBytes PaintedBytes(const PictureRect& s, int height) {
  WindowBytes w = WindowBytesOf(F, height, s);
  if constexpr (F == PixelFormat::YUY2) {
    w.main.b0 = 4 * (s.x0 / 2);
    w.main.b1 = 4 * ((s.x1 + 1) / 2);
  }
  return w;
}

// Paints the selected pixels of the window row by row from the source into the new frame. YUV
// rows start and end with single pixels where the window cuts a pair; those bytes are copied and
// go through Paint itself.
template <PixelFormat F, Logic L, bool Table>
void PaintSelected(const FramePlanes<const BYTE>& in, const FramePlanes<BYTE>& out, const Painter<F>& painter,
                   const ConstPlane& a, const ConstPlane& b, const PictureRect& s, int height,
                   const RowPaint<Table>& rule) {
  const RowPaint<Table> r = rule;
  const Rgb24Lanes lanes(ClampOrder::Once, r.tint.st, r.kV, r.kG, r.kU);
  // YUY2's selections of one row's pairs, with four zero bytes on either side.
  const Yuy2Lanes yuy2(r.tint.st, r.U, r.V);
  std::vector<BYTE> yuy2_sel(F == PixelFormat::YUY2 ? static_cast<size_t>(2 * (s.x1 - s.x0) + 12) : 0);
  auto single = [&](const BYTE* rowA, const BYTE* rowB, int x, int row) {
    if constexpr (F == PixelFormat::YUY2)
      std::memcpy(out.y.Row(row) + 4 * (x / 2), in.y.Row(row) + 4 * (x / 2), 4);
    else
      out.y.Row(row)[x] = in.y.Row(row)[x];
    if (Selects<F, L>(SampleAt<F>(rowA, x), SampleAt<F>(rowB, x), r.mark, r.back)) painter.Paint(x, row);
  };
  // Memory rows in ascending order (RGB's picture rows run bottom-up), so the reads stream
  // forward through memory.
  const MemoryRows rows = MemoryRowsOf(F, height, s);
  for (int row = rows.first; row < rows.first + rows.count; ++row) {
    const BYTE* rowA = a.Row(row);
    const BYTE* rowB = b.Row(row);
    if constexpr (F == PixelFormat::RGB24 && !Table) {
      // Pixel 0 of the window alone (its bytes before would lie outside the frame for the first
      // memory row), then whole blocks of the bytes from pixel 1 on.
      const BYTE *ra = rowA + 3 * s.x0, *rb = rowB + 3 * s.x0, *ri = in.y.Row(row) + 3 * s.x0;
      BYTE* const ro = out.y.Row(row) + 3 * s.x0;
      PaintRgbRow<F, L>(ra, rb, ri, ro, 1, r);
      const int n = s.x1 - s.x0 - 1;
      const auto select = [mark = r.mark, back = r.back](BYTE x, BYTE y) { return Selects<F, L>(x, y, mark, back); };
      BYTE sel[3 * kBlock + 2];
      auto bytes = [&](int at, int count) {
        const int from = 3 + at;
        SelectBytes(ra + from - 2, rb + from - 2, sel, count + 2, select);
        TintRgb24Bytes<ClampOrder::Once>(sel + 2, ri + from, ro + from, count, lanes);
      };
      ForBlocks<kBlock>(
          n, [&](int i) { bytes(3 * i, 3 * kBlock); }, [&] { bytes(0, 3 * n); });
    } else if constexpr (IsRGB(F)) {
      constexpr int bpp = BytesPerPixel(F);
      const BYTE *ra = rowA + s.x0 * bpp, *rb = rowB + s.x0 * bpp, *ri = in.y.Row(row) + s.x0 * bpp;
      BYTE* const ro = out.y.Row(row) + s.x0 * bpp;
      const int n = s.x1 - s.x0;
      if constexpr (F == PixelFormat::RGB32) {
        // Whole blocks of pixels as words.
        ForBlocks<kBlock>(
            n, [&](int i) { PaintRgbRow<F, L>(ra + 4 * i, rb + 4 * i, ri + 4 * i, ro + 4 * i, kBlock, r); },
            [&] { PaintRgbRow<F, L>(ra, rb, ri, ro, n, r); });
      } else {
        PaintRgbRow<F, L>(ra, rb, ri, ro, n, r);
      }
    } else {
      int x = s.x0;
      if (x & 1) single(rowA, rowB, x++, row);
      const int pairs = (s.x1 - x) / 2;
      const BYTE *ra = rowA + 2 * x, *rb = rowB + 2 * x, *ri = in.y.Row(row) + 2 * x;
      BYTE* const ro = out.y.Row(row) + 2 * x;
      if constexpr (!Table) {
        BYTE* const sel = yuy2_sel.data() + 4;
        const auto selects = [mark = r.mark, back = r.back](BYTE x, BYTE y) { return Selects<F, L>(x, y, mark, back); };
        auto select = [&](int at, int count) { SelectYuy2Bytes(ra + at, rb + at, sel + at, count, yuy2, selects); };
        ForBlocks<kBlock>(
            pairs, [&](int i) { select(4 * i, 4 * kBlock); }, [&] { select(0, 4 * pairs); });
        ForBlocks<kBlock>(
            pairs, [&](int i) { TintYuy2Bytes(sel + 4 * i, ri + 4 * i, ro + 4 * i, 4 * kBlock, yuy2); },
            [&] { TintYuy2Bytes(sel, ri, ro, 4 * pairs, yuy2); });
      } else {
        PaintYuy2Row<L>(ra, rb, ri, ro, pairs, r);
      }
      x += 2 * pairs;
      if (x < s.x1) single(rowA, rowB, x, row);
    }
  }
}

// One frame: the bytes around the window copied, the window painted where the masks select.
template <PixelFormat F, Logic L, bool Table>
void PaintFrame(const CrossFillFrame& f, const CrossFillPaint& p) {
  const PictureRect& s = f.window;
  const WindowBytes bytes = PaintedBytes<F>(s, f.height);
  CopyAround(f.out.y, f.in.y, bytes.main);
  if constexpr (IsPlanar(F)) {
    CopyAround(f.out.u, f.in.u, bytes.chroma);
    CopyAround(f.out.v, f.in.v, bytes.chroma);
  }
  const auto i16 = [](int v) { return static_cast<int16_t>(v); };
  const RowPaint<Table> rule{
      i16(p.fill.kV), i16(p.fill.kG), i16(p.fill.kU), i16(p.fill.U),
      i16(p.fill.V),  p.mark,         p.back,         TintLevels<ClampOrder::Once, !Table>(p.brightness)};
  if constexpr (IsPlanar(F)) {
    std::vector<BYTE> sel(static_cast<size_t>(4 * ((s.x1 - 1) / 2 - s.x0 / 2 + 1)));
    const bool keep_luma = !Table && !p.brightness.Adjusts();
    PaintPlanar<L, Table>(f.in, f.out, f.a, f.b, s, rule, sel.data(), keep_luma);
  } else {
    const Painter<F> painter(f.out, p.fill, p.brightness);
    PaintSelected<F, L, Table>(f.in, f.out, painter, f.a, f.b, s, f.height, rule);
  }
}

// A stretch looks its levels up; a shift (or st = 0) adds an offset, unless the offset is so
// large that only the table's limits keep the sums in range.
CrossFill::Routine RoutineFor(PixelFormat format, Logic logic, const Brightness& brightness) {
  const bool table = !brightness.IsOffset();
  auto with = [&](auto logic_tag) -> CrossFill::Routine {
    constexpr Logic L = decltype(logic_tag)::value;
    if (table)
      return ChooseForFormat(format, [](auto f) { return ForLevel<&PaintFrame<decltype(f)::value, L, true>>(); });
    return ChooseForFormat(format, [](auto f) { return ForLevel<&PaintFrame<decltype(f)::value, L, false>>(); });
  };
  switch (logic) {
    case Logic::And: return with(std::integral_constant<Logic, Logic::And>());
    case Logic::Or: return with(std::integral_constant<Logic, Logic::Or>());
    case Logic::Not: return with(std::integral_constant<Logic, Logic::Not>());
    default:
      // Nothing is painted, but RGB32 clips still have the first byte of every window pixel
      // cleared (the row loops clear it, painted or not).
      if (format != PixelFormat::RGB32) return nullptr;
      return ForLevel<&PaintFrame<PixelFormat::RGB32, Logic::Nothing, false>>();
  }
}

// The checks of a start or end window: left and top inside the frame, right and bottom limits
// at least two past them and not past the frame.
bool BadWindow(int lx, int ty, int rx, int by, int W, int H) {
  return lx < 0 || lx > W || ty < 0 || ty > H || rx < static_cast<int64_t>(lx) + 2 ||
         by < static_cast<int64_t>(ty) + 2 || rx > W || by > H;
}

}  // namespace

CrossFill::CrossFill(const CrossFillArgs& args)
    : GenericVideoFilter(args.clip),
      arg(args),
      paint{FillColourOf(args.color), Brightness(args.shift, args.st), MarkValuesOf(args.white).mark,
            MarkValuesOf(args.white).back},
      format(FormatOf(vi)),
      routine(RoutineFor(format, LogicOf(args.type), paint.brightness)) {}

PVideoFrame CrossFill::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame frame = child->GetFrame(n, env);
  if (n < arg.sf || n > arg.ef) return frame;
  PVideoFrame a = arg.maskA->GetFrame(n, env);
  PVideoFrame b = arg.maskB->GetFrame(n, env);

  // Right and bottom limits are excluded. The window lies in the frame by the checks; it is cut
  // to it all the same, outside the pixel loops.
  const int t = n - arg.sf, T = arg.ef - arg.sf;
  const PictureRect window = ClippedTo({Lerp(arg.lx, arg.elx, t, T), Lerp(arg.rx, arg.erx, t, T),
                                        Lerp(arg.ty, arg.ety, t, T), Lerp(arg.by, arg.eby, t, T)},
                                       vi.width, vi.height);
  if (window.Empty() || !routine) return frame;
  // The painted frame is built in one pass into a new frame: the window's rows from the source
  // and the masks, the rest copied.
  PVideoFrame painted = env->NewVideoFrame(vi);
  routine({ReadPlanes(frame, format), WritePlanes(painted, format), ReadPlane(a), ReadPlane(b), window, vi.height},
          paint);
  return painted;
}

const char* CrossFillSignature() { return SignatureText<kArgs>(); }

AVSValue CreateCrossFill(AVSValue args, void*, IScriptEnvironment* env) {
  const CrossFillArgs a = ReadArgs(kArgs, args);
  const VideoInfo& vi = a.clip->GetVideoInfo();
  const int W = vi.width, H = vi.height, N = vi.num_frames;

  if (a.sf < 0 || a.ef < a.sf)
    env->ThrowError("CrossFill: Frame number must be positive and end frame not less than start frame");
  // Only the five layouts the pixel routines know; a type that merely contains their bits
  // would be addressed with the wrong layout.
  if (FormatOf(vi) == PixelFormat::Other) env->ThrowError("CrossFill: This color format is not supported here");
  if (a.ef >= N) env->ThrowError("CrossFill:the main clip has fewer frames than end frame number");
  const VideoInfo& va = a.maskA->GetVideoInfo();
  if (va.num_frames < a.ef) env->ThrowError("CrossFill:the first mask clip has fewer frames than endframe number");
  if (va.pixel_type != vi.pixel_type || va.width != W || va.height != H)
    env->ThrowError("CrossFill: The main and first mask clips differ in colorspace or dimensions");
  const VideoInfo& vb = a.maskB->GetVideoInfo();
  if (vb.num_frames < a.ef) env->ThrowError("CrossFill:the second mask clip has fewer frames than endframe number");
  if (vb.pixel_type != vi.pixel_type || vb.width != W || vb.height != H)
    env->ThrowError("CrossFill: The main and second mask clips differ in colorspace or dimensions");
  if (BadWindow(a.lx, a.ty, a.rx, a.by, W, H))
    env->ThrowError("CrossFill:Invalid starting coordinates or The window extends beyond frame ");
  if (BadWindow(a.elx, a.ety, a.erx, a.eby, W, H))
    env->ThrowError("CrossFill:Invalid ending coordinates or The window extends beyond frame ");

  return Created(new CrossFill(a), args);
}

}  // namespace tintara
