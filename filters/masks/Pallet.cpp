#include "filters/masks/Pallet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filters/common/ArgTable.h"
#include "filters/common/ForFormat.h"
#include "filters/common/Vectorised.h"

namespace tintara {

namespace {

// The arguments: script name, type, member, default.
// egy and fgy default to values derived from sgy, worked out only once sgy is checked.
using A = PalletArgs;
constexpr ArgRow<A> kArgs[] = {
    Clip(&A::clip),
    Int("sgy", &A::sgy, 128),
    Int("egy", &A::egy, kSetByFilter),
    Int("fgy", &A::fgy, kSetByFilter),
    Int("hbox", &A::hbox, 25),
    Int("vbox", &A::vbox, 25),
};

}  // namespace

struct PalletChart {
  int hbox, vbox;
  int bw, bh, m;           // box width and height, margin
  std::vector<BYTE> ramp;  // ramp value at each column offset inside a box (0 .. bw - 1)

  int Left(int h) const { return h * bw + m; }         // first drawn column of box column h
  int Right(int h) const { return (h + 1) * bw - m; }  // one past its last
  int Top(int v) const { return v * bh + m; }
  int Bottom(int v) const { return (v + 1) * bh - m; }
  BYTE ColumnValue(int h) const { return static_cast<BYTE>((h * 256) / hbox); }
  BYTE RowValue(int v) const { return static_cast<BYTE>((v * 256) / vbox); }
};

namespace {

using Chart = PalletChart;

// The chart writes the same bytes into every drawn row of a box row, so a frame is built row by
// row from row-long templates: `hole` is 0 where the chart writes a byte and 255 where the source
// shows through, `paint` holds the chart's bytes (0 elsewhere). Each output row is then one pass
// over its source row, (source & hole) | paint, or a plain copy in the rows the chart leaves
// alone: the source is read once and the new frame written once. Box rows differ only in the
// bytes that carry the box row's value, so the templates are laid out once per frame, with
// `rows` marking those bytes, and `paint` is refreshed from `base` when the box row changes.
struct RowTemplate {
  std::vector<BYTE> hole, base, rows, paint;
  int v = -1;  // the box row `paint` holds

  explicit RowTemplate(int bytes)
      : hole(static_cast<size_t>(bytes), 255),
        base(static_cast<size_t>(bytes)),
        rows(static_cast<size_t>(bytes)),
        paint(static_cast<size_t>(bytes)) {}
  void Put(int i, BYTE value) {
    hole[static_cast<size_t>(i)] = 0;
    base[static_cast<size_t>(i)] = value;
  }
  void PutRowValue(int i) {
    hole[static_cast<size_t>(i)] = 0;
    rows[static_cast<size_t>(i)] = 255;
  }
  void ForRow(int row, BYTE value) {
    const BYTE* __restrict b = base.data();
    const BYTE* __restrict r = rows.data();
    BYTE* __restrict p = paint.data();
    for (size_t i = 0; i < paint.size(); ++i) p[i] = static_cast<BYTE>(b[i] | (r[i] & value));
    v = row;
  }
};

inline void OverlayRow(const BYTE* __restrict src, const BYTE* __restrict hole, const BYTE* __restrict paint,
                       BYTE* __restrict out, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<BYTE>((src[i] & hole[i]) | paint[i]);
}

// The templates for the luma (or packed) plane. RGB: blue carries the box column, green the
// ramp, red the box row, and the fourth byte of RGB32 is the source's. YUY2 in pixel pairs from
// each box's first drawn column (even, as the box width is): U the box column, V the box row.
template <PixelFormat F>
void BuildMainRow(RowTemplate* t, const Chart& c) {
  for (int h = 0; h < c.hbox; ++h) {
    const BYTE column = c.ColumnValue(h);
    const int left = h * c.bw;
    for (int x = c.Left(h); x < c.Right(h); ++x) {
      const BYTE g = c.ramp[static_cast<size_t>(x - left)];
      if constexpr (IsRGB(F)) {
        constexpr int bpp = BytesPerPixel(F);
        t->Put(x * bpp, column);
        t->Put(x * bpp + 1, g);
        t->PutRowValue(x * bpp + 2);
      } else if constexpr (F == PixelFormat::YUY2) {
        t->Put(2 * x, g);
        if (x & 1)
          t->PutRowValue(2 * x + 1);
        else
          t->Put(2 * x + 1, column);
      } else {
        t->Put(x, g);
      }
    }
  }
}

// YV12 and I420 chroma under the drawn pixels: U carries the box row and V the box column, the
// reverse of YUY2. A chroma sample is drawn when either of its two columns is.
void BuildChromaRow(RowTemplate* t, const Chart& c, bool u_plane) {
  for (int h = 0; h < c.hbox; ++h)
    for (int cx = c.Left(h) / 2; cx <= (c.Right(h) - 1) / 2; ++cx) {
      if (u_plane)
        t->PutRowValue(cx);
      else
        t->Put(cx, c.ColumnValue(h));
    }
}

template <PixelFormat F>
void DrawChart(const PVideoFrame& out, const PVideoFrame& src, const Chart& c) {
  const FramePlanes<const BYTE> s = ReadPlanes(src, F);
  const FramePlanes<BYTE> o = WritePlanes(out, F);
  const int height = o.y.height;
  // The box row picture row y is drawn in, or -1 in margins and below the last box row.
  auto box_row = [&](int y) {
    const int v = y / c.bh;
    return v < c.vbox && y >= c.Top(v) && y < c.Bottom(v) ? v : -1;
  };
  auto overlay = [&c](const ConstPlane& sp, const Plane& op, RowTemplate& t, int r, int v) {
    const BYTE* in = sp.Row(r);
    BYTE* out = op.Row(r);
    if (v < 0) {
      std::memcpy(out, in, static_cast<size_t>(op.row_size));
      return;
    }
    if (t.v != v) t.ForRow(v, c.RowValue(v));
    OverlayRow(in, t.hole.data(), t.paint.data(), out, op.row_size);
  };
  RowTemplate main(o.y.row_size);
  BuildMainRow<F>(&main, c);
  for (int r = 0; r < o.y.height; ++r) overlay(s.y, o.y, main, r, box_row(MemoryRow(F, height, r)));
  if constexpr (IsPlanar(F)) {
    // A chroma row is drawn when either of its luma rows is (never in two box rows at once).
    auto chroma_box_row = [&](int cy) { return std::max(box_row(2 * cy), box_row(2 * cy + 1)); };
    for (const bool u_plane : {true, false}) {
      const ConstPlane& sp = u_plane ? s.u : s.v;
      const Plane& op = u_plane ? o.u : o.v;
      RowTemplate t(op.row_size);
      BuildChromaRow(&t, c, u_plane);
      for (int cy = 0; cy < op.height; ++cy) overlay(sp, op, t, cy, chroma_box_row(cy));
    }
  }
}

}  // namespace

Pallet::Pallet(const PalletArgs& args, IScriptEnvironment* env)
    : GenericVideoFilter(args.clip),
      arg(args),
      draw(ChooseForFormat(FormatOf(vi), [](auto f) { return ForLevel<&DrawChart<decltype(f)::value>>(); })) {
  if (!draw) env->ThrowError("Pallet: This color format is not supported here");
  if (arg.hbox == 0 || arg.vbox == 0) env->ThrowError("Pallet: hbox and vbox must be at least 1");
  box_width = vi.width / arg.hbox;
  if (box_width - 2 < 8) env->ThrowError("Pallet:Too many h boxes");
  if (box_width - 2 < (arg.egy - arg.sgy) / 4)
    env->ThrowError("Pallet: for this range of green or y values in a pallet box, number of hboxes are too many ");
  box_height = vi.height / arg.vbox;
  if (box_height - 2 < 8) env->ThrowError("Pallet:too many vboxes");
  if (FormatOf(vi) == PixelFormat::YUY2) box_width &= ~1;
}

PalletChart Pallet::ChartAt(int n) const {
  // The start value walks through the range by fgy per frame, wrapping at 256 (kept exactly
  // in unsigned arithmetic however long the clip), and restarts at 0 when the ramp would
  // pass 255.
  const int span = arg.egy - arg.sgy;
  int base = static_cast<int>(
      (static_cast<uint32_t>(arg.sgy) + static_cast<uint32_t>(arg.fgy) * static_cast<uint32_t>(n)) & 255u);
  if (base + span > 255) base = 0;

  Chart c;
  c.hbox = arg.hbox;
  c.vbox = arg.vbox;
  c.bw = box_width;
  c.bh = box_height;
  c.m = margin;
  // Column offset k of a box: its numerator counts from -m, so the first drawn column (k = m)
  // is already 2m steps into the ramp.
  c.ramp.assign(static_cast<size_t>(c.bw), 0);
  const int64_t inner = c.bw - 2 * c.m;
  for (int k = c.m; k < c.bw - c.m; ++k) c.ramp[k] = static_cast<BYTE>(base + (int64_t{k + c.m} * span) / inner);
  return c;
}

PVideoFrame Pallet::GetFrame(int n, IScriptEnvironment* env) {
  // The chart is drawn into a new frame, the rest copied from the source in the same pass.
  PVideoFrame src = child->GetFrame(n, env);
  PVideoFrame frame = env->NewVideoFrame(vi);
  draw(frame, src, ChartAt(n));
  return frame;
}

const char* PalletSignature() { return SignatureText<kArgs>(); }

AVSValue CreatePallet(AVSValue args, void*, IScriptEnvironment* env) {
  PalletArgs a = ReadArgs(kArgs, args);
  auto given = [&](int PalletArgs::*member) { return GivenArg(kArgs, args, member); };

  // Each default derives from values already checked, so no default can overflow.
  if (given(&A::sgy) && (a.sgy < 0 || a.sgy > 255))
    env->ThrowError("starting green or y val can be between 0 and 255 only");
  if (!given(&A::egy)) a.egy = a.sgy + 20;
  if (a.egy < 0 || a.egy > 255) env->ThrowError(" ending green or y val can be between 0 and 128 only");
  if (!given(&A::fgy)) a.fgy = a.egy - a.sgy;
  if (a.fgy < 0 || a.fgy > 128) env->ThrowError(" frame interval for  green or y val can be between 0 and 128 only");
  if (given(&A::hbox) && (a.hbox < 0 || a.hbox > 64))
    env->ThrowError("starting green or y val can be between 0 and 64 only");
  if (given(&A::vbox) && (a.vbox < 0 || a.vbox > 64))
    env->ThrowError("starting green or y val can be between 0 and 64 only");

  return Created(new Pallet(a, env), args);
}

}  // namespace tintara
