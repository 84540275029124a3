// The line-bounded styles: in every window row ("hint", "left", "right") or column ("vint",
// "above", "below") find the line pixels of the lined frame, pick the run between or beside
// them, and tint the selected pixels of the run. The formats read the runs differently on
// purpose (first line included or not, where "right" and "below" start looking, whether an
// earlier row or column carries its run over); the rules per format are the constants below.
//
// In YUY2 and RGB a run lies strictly between or beside the line pixels its row was scanned
// for, so it holds none: their rule of stopping a row's fill at a line pixel never cuts a run
// short and needs no test in the fill.
#include <algorithm>
#include <cstdint>

#include "filters/common/ForFormat.h"
#include "filters/common/Painting.h"
#include "filters/common/Sample.h"
#include "filters/drawing/InlayStyles.h"

namespace tintara {

namespace {

constexpr int kNone = -1;

// How a format reads the runs. RGB clips apply the YUY2 rules to picture rows in the
// vertical styles.
template <PixelFormat F>
struct RunRules {
  static constexpr bool planar = IsPlanar(F);
  static constexpr bool hint_takes_first_line = planar;  // run [c1, c2) rather than [c1 + 1, c2)
  static constexpr bool left_carries = F != PixelFormat::YUY2;
  static constexpr int right_looks_from = F == PixelFormat::YUY2 ? 1 : 2;  // X + W - this
  static constexpr bool vint_takes_first_and_carries = planar;
  static constexpr int below_looks_from = planar ? 2 : 1;  // Y + H - this
};

// A run of positions [a, b); empty when a >= b.
struct Run {
  int a = 0, b = 0;
};

// v cut to lo..hi, as an int.
int Cut(int64_t v, int lo, int hi) { return static_cast<int>(std::clamp<int64_t>(v, lo, hi)); }

// The window's columns and rows that lie in the frame, as half-open ranges, and the run ends of
// "right" and "below" (the window's last column and row) cut to the frame.
struct WindowInFrame {
  PictureRect w;
  int col0, col1, row0, row1;
  int right_end, below_end;

  WindowInFrame(const PictureRect& window, int width, int height)
      : w(window),
        col0(Cut(w.x0, 0, width)),
        col1(Cut(w.x1, 0, width)),
        row0(Cut(w.y0, 0, height)),
        row1(Cut(w.y1, 0, height)),
        right_end(Cut(int64_t{w.x1} - 1, 0, width)),
        below_end(Cut(int64_t{w.y1} - 1, 0, height)) {}

  // Where a backward scan from the window's far edge less `back` starts, cut to the frame.
  int RightStart(int back, int width) const { return Cut(int64_t{w.x1} - back, -1, width - 1); }
  int BelowStart(int back, int height) const { return Cut(int64_t{w.y1} - back, -1, height - 1); }
};

// The lined samples along one row.
template <PixelFormat F>
struct RowLine {
  const BYTE* row;
  int lval;

  bool At(int c) const { return SampleAt<F>(row, c) == lval; }
  int FirstFrom(int from, int to) const {  // scanning right over [from, to)
    for (int c = from; c < to; ++c)
      if (At(c)) return c;
    return kNone;
  }
  int LastDownTo(int from, int to) const {  // scanning left from `from` down to `to`
    for (int c = from; c >= to; --c)
      if (At(c)) return c;
    return kNone;
  }
};

// Bytes from one picture row to the next in a plane of `pitch` (RGB's run backwards in memory).
template <PixelFormat F>
constexpr int64_t PictureRowStep(int64_t pitch) {
  return (MemoryRow(F, 2, 1) - MemoryRow(F, 2, 0)) * pitch;
}

// The lined samples along one column, walked with byte offsets from the plane's start (RGB
// picture rows run backwards in memory).
template <PixelFormat F>
struct ColumnLine {
  const BYTE* base;
  int64_t pitch, step, column_offset;
  int height, lval;

  ColumnLine(const ConstPlane& p, int c, int height_, int lval_)
      : base(p.data),
        pitch(p.pitch),
        step(PictureRowStep<F>(pitch)),
        column_offset(int64_t{c} * BytesPerPixel(F)),
        height(height_),
        lval(lval_) {}

  int64_t OffsetOf(int r) const { return MemoryRow(F, height, r) * pitch + column_offset; }
  int FirstFrom(int from, int to) const {  // scanning down over [from, to)
    int64_t at = OffsetOf(from);
    for (int r = from; r < to; ++r, at += step)
      if (base[at] == lval) return r;
    return kNone;
  }
  int LastDownTo(int from, int to) const {  // scanning up from `from` to `to`
    int64_t at = OffsetOf(from);
    for (int r = from; r >= to; --r, at -= step)
      if (base[at] == lval) return r;
    return kNone;
  }
};

template <PixelFormat F>
void FillRowRun(const InlayCanvas& k, int r, const Run& run) {
  if (run.a >= run.b) return;
  const int m = MemoryRow(F, k.height, r);
  const PixelRow row = RowOf<F>(k.out, m);
  const BYTE* mask = k.mask.Row(m);
  for (int c = run.a; c < run.b; ++c)
    if (SampleAt<F>(mask, c) == k.maskValue) TintPixel<F>(k.paint->table, row, c);
}

// Walks the run down column c with byte offsets into the output and mask planes; planar chroma
// rows advance every second picture row.
template <PixelFormat F>
void FillColumnRun(const InlayCanvas& k, int c, const Run& run) {
  if (run.a >= run.b) return;
  const int64_t out_step = PictureRowStep<F>(k.out.y.pitch), mask_step = PictureRowStep<F>(k.mask.pitch);
  int64_t out_at = int64_t{MemoryRow(F, k.height, run.a)} * k.out.y.pitch;
  int64_t mask_at = int64_t{MemoryRow(F, k.height, run.a)} * k.mask.pitch;
  int64_t chroma_at = IsPlanar(F) ? int64_t{run.a / 2} * k.out.u.pitch : 0;
  for (int r = run.a; r < run.b; ++r) {
    if (SampleAt<F>(k.mask.data + mask_at, c) == k.maskValue) {
      PixelRow row;
      row.y = k.out.y.data + out_at;
      if constexpr (IsPlanar(F)) {
        row.u = k.out.u.data + chroma_at;
        row.v = k.out.v.data + chroma_at;
      }
      TintPixel<F>(k.paint->table, row, c);
    }
    out_at += out_step;
    mask_at += mask_step;
    if (IsPlanar(F) && (r & 1)) chroma_at += k.out.u.pitch;
  }
}

template <PixelFormat F, InlayStyle style>
void RowStyle(const InlayCanvas& k) {
  using Rules = RunRules<F>;
  const WindowInFrame w(k.rect, k.width, k.height);
  // "left" carries the end of the most recent row that found a line pixel to later rows of
  // this frame that find none.
  bool carrying = false;
  int carried_end = 0;
  for (int r = w.row0; r < w.row1; ++r) {
    const RowLine<F> line{k.lined.Row(MemoryRow(F, k.height, r)), k.lval};
    Run run;
    if constexpr (style == InlayStyle::Hint) {
      const int c1 = line.FirstFrom(w.col0, w.col1);
      const int c2 = c1 == kNone ? kNone : line.FirstFrom(c1 + 1, w.col1);
      if (c2 != kNone) run = {Rules::hint_takes_first_line ? c1 : c1 + 1, c2};
    } else if constexpr (style == InlayStyle::Left) {
      const int c1 = line.FirstFrom(w.col0, w.col1);
      if (c1 != kNone) {
        run = {w.col0, c1};
        carrying = true;
        carried_end = c1;
      } else if (Rules::left_carries && carrying) {
        run = {w.col0, carried_end};
      }
    } else {  // Right
      const int cR = line.LastDownTo(w.RightStart(Rules::right_looks_from, k.width), w.col0);
      if (cR != kNone) run = {cR + 1, w.right_end};
    }
    FillRowRun<F>(k, r, run);
  }
}

template <PixelFormat F, InlayStyle style>
void ColumnStyle(const InlayCanvas& k) {
  using Rules = RunRules<F>;
  const WindowInFrame w(k.rect, k.width, k.height);
  // Planar "vint": once a column has found two line pixels, a later column with fewer starts
  // at its own line pixel (or where the previous column started) and ends where the most
  // recent column with two ended.
  bool carrying = false;
  int previous_start = 0, carried_end = 0;
  for (int c = w.col0; c < w.col1; ++c) {
    const ColumnLine<F> line(k.lined, c, k.height, k.lval);
    Run run;
    if constexpr (style == InlayStyle::Vint) {
      const int k1 = line.FirstFrom(w.row0, w.row1);
      const int k2 = k1 == kNone ? kNone : line.FirstFrom(k1 + 1, w.row1);
      if (k2 != kNone) {
        run = {Rules::vint_takes_first_and_carries ? k1 : k1 + 1, k2};
        carrying = true;
        carried_end = k2;
        previous_start = run.a;
      } else if (Rules::vint_takes_first_and_carries && carrying) {
        run = {k1 != kNone ? k1 : previous_start, carried_end};
        previous_start = run.a;
      }
    } else if constexpr (style == InlayStyle::Above) {
      const int k1 = line.FirstFrom(w.row0, w.row1);
      if (k1 != kNone) run = {w.row0, k1};
    } else {  // Below
      const int kB = line.LastDownTo(w.BelowStart(Rules::below_looks_from, k.height), w.row0);
      if (kB != kNone) run = {kB + 1, w.below_end};
    }
    FillColumnRun<F>(k, c, run);
  }
}

}  // namespace

// Scalar loops that stop at line pixels: one copy serves every CPU level.
InlayRoutine LineRoutineFor(PixelFormat format, InlayStyle style) {
  return ChooseForFormat(format, [&](auto f) -> InlayRoutine {
    constexpr PixelFormat F = decltype(f)::value;
    switch (style) {
      case InlayStyle::Hint: return &RowStyle<F, InlayStyle::Hint>;
      case InlayStyle::Left: return &RowStyle<F, InlayStyle::Left>;
      case InlayStyle::Right: return &RowStyle<F, InlayStyle::Right>;
      case InlayStyle::Vint: return &ColumnStyle<F, InlayStyle::Vint>;
      case InlayStyle::Above: return &ColumnStyle<F, InlayStyle::Above>;
      default: return &ColumnStyle<F, InlayStyle::Below>;
    }
  });
}

}  // namespace tintara
