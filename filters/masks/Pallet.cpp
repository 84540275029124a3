#include "filters/masks/Pallet.h"

#include <cstdint>
#include <vector>

#include "filters/common/Args.h"

namespace tintara {

namespace {

// Argument positions in the signature.
enum { kClip, kSgy, kEgy, kFgy, kHbox, kVbox };

// The geometry and values of one frame's chart.
struct Chart {
  int hbox, vbox;
  int bw, bh, m;           // box width and height, margin
  std::vector<BYTE> ramp;  // ramp value at each column offset inside a box (0 .. bw - 1)

  int Left(int h) const { return h * bw + m; }           // first drawn column of box column h
  int Right(int h) const { return (h + 1) * bw - m; }    // one past its last
  int Top(int v) const { return v * bh + m; }
  int Bottom(int v) const { return (v + 1) * bh - m; }
  BYTE ColumnValue(int h) const { return static_cast<BYTE>((h * 256) / hbox); }
  BYTE RowValue(int v) const { return static_cast<BYTE>((v * 256) / vbox); }
};

// RGB: blue carries the box column, green the ramp, red the box row; the fourth byte of RGB32
// is left alone.
template <PixelFormat F>
void DrawRgb(const Plane& p, int height, const Chart& c) {
  constexpr int bpp = BytesPerPixel(F);
  for (int v = 0; v < c.vbox; ++v) {
    const BYTE red = c.RowValue(v);
    for (int y = c.Top(v); y < c.Bottom(v); ++y) {
      BYTE* row = p.Row(MemoryRow(F, height, y));
      for (int h = 0; h < c.hbox; ++h) {
        const BYTE blue = c.ColumnValue(h);
        const int left = h * c.bw;
        for (int x = c.Left(h); x < c.Right(h); ++x) {
          BYTE* px = row + x * bpp;
          px[0] = blue;
          px[1] = c.ramp[x - left];
          px[2] = red;
        }
      }
    }
  }
}

// YUY2, in pixel pairs from each box's first drawn column (even, as the box width is): U
// carries the box column, V the box row.
void DrawYuy2(const Plane& p, const Chart& c) {
  for (int v = 0; v < c.vbox; ++v) {
    const BYTE vv = c.RowValue(v);
    for (int y = c.Top(v); y < c.Bottom(v); ++y) {
      BYTE* row = p.Row(y);
      for (int h = 0; h < c.hbox; ++h) {
        const BYTE u = c.ColumnValue(h);
        const int left = h * c.bw;
        for (int x = c.Left(h); x < c.Right(h); x += 2) {
          BYTE* pair = row + 2 * x;
          pair[0] = c.ramp[x - left];
          pair[1] = u;
          pair[2] = c.ramp[x + 1 - left];
          pair[3] = vv;
        }
      }
    }
  }
}

// YV12 and I420: the chroma samples under each drawn pixel; here U carries the box row and V
// the box column, the reverse of YUY2.
void DrawPlanar(const FramePlanes<BYTE>& p, const Chart& c) {
  for (int v = 0; v < c.vbox; ++v) {
    for (int y = c.Top(v); y < c.Bottom(v); ++y) {
      BYTE* row = p.y.Row(y);
      for (int h = 0; h < c.hbox; ++h) {
        const int left = h * c.bw;
        for (int x = c.Left(h); x < c.Right(h); ++x) row[x] = c.ramp[x - left];
      }
    }
    const BYTE u = c.RowValue(v);
    for (int cy = c.Top(v) / 2; cy <= (c.Bottom(v) - 1) / 2; ++cy) {
      BYTE* urow = p.u.Row(cy);
      BYTE* vrow = p.v.Row(cy);
      for (int h = 0; h < c.hbox; ++h) {
        const BYTE vv = c.ColumnValue(h);
        for (int cx = c.Left(h) / 2; cx <= (c.Right(h) - 1) / 2; ++cx) {
          urow[cx] = u;
          vrow[cx] = vv;
        }
      }
    }
  }
}

}  // namespace

Pallet::Pallet(const PClip& child, int sgy_, int egy_, int fgy_, int hbox_, int vbox_, IScriptEnvironment* env)
    : GenericVideoFilter(child), sgy(sgy_), egy(egy_), fgy(fgy_), hbox(hbox_), vbox(vbox_), format(FormatOf(vi)) {
  if (format == PixelFormat::Other) env->ThrowError("Pallet: This color format is not supported here");
  if (hbox == 0 || vbox == 0) env->ThrowError("Pallet: hbox and vbox must be at least 1");
  box_width = vi.width / hbox;
  if (box_width - 2 < 8) env->ThrowError("Pallet:Too many h boxes");
  if (box_width - 2 < (egy - sgy) / 4)
    env->ThrowError("Pallet: for this range of green or y values in a pallet box, number of hboxes are too many ");
  box_height = vi.height / vbox;
  if (box_height - 2 < 8) env->ThrowError("Pallet:too many vboxes");
}

PVideoFrame Pallet::GetFrame(int n, IScriptEnvironment* env) {
  PVideoFrame frame = child->GetFrame(n, env);
  env->MakeWritable(&frame);

  // The start value walks through the range by fgy per frame, wrapping at 256 (kept exactly
  // in unsigned arithmetic however long the clip), and restarts at 0 when the ramp would
  // pass 255.
  const int span = egy - sgy;
  int base = static_cast<int>((static_cast<uint32_t>(sgy) + static_cast<uint32_t>(fgy) * static_cast<uint32_t>(n)) & 255u);
  if (base + span > 255) base = 0;

  Chart c;
  c.hbox = hbox;
  c.vbox = vbox;
  c.bw = format == PixelFormat::YUY2 ? box_width & ~1 : box_width;
  c.bh = box_height;
  c.m = margin;
  // Column offset k of a box: its numerator counts from -m, so the first drawn column (k = m)
  // is already 2m steps into the ramp.
  c.ramp.assign(static_cast<size_t>(c.bw), 0);
  const int64_t inner = c.bw - 2 * c.m;
  for (int k = c.m; k < c.bw - c.m; ++k)
    c.ramp[k] = static_cast<BYTE>(base + (int64_t{k + c.m} * span) / inner);

  switch (format) {
    case PixelFormat::RGB24: DrawRgb<PixelFormat::RGB24>(WritePlane(frame), vi.height, c); break;
    case PixelFormat::RGB32: DrawRgb<PixelFormat::RGB32>(WritePlane(frame), vi.height, c); break;
    case PixelFormat::YUY2: DrawYuy2(WritePlane(frame), c); break;
    default: DrawPlanar(WritePlanes(frame, format), c); break;
  }
  return frame;
}

AVSValue CreatePallet(AVSValue args, void*, IScriptEnvironment* env) {
  PClip clip = args[kClip].AsClip();
  const int hbox = IntArg(args, kHbox, 25);
  const int vbox = IntArg(args, kVbox, 25);

  // Each default derives from values already checked, so no default can overflow.
  const int sgy = IntArg(args, kSgy, 128);
  if (Given(args, kSgy) && (sgy < 0 || sgy > 255))
    env->ThrowError("starting green or y val can be between 0 and 255 only");
  const int egy = IntArg(args, kEgy, sgy + 20);
  if (egy < 0 || egy > 255) env->ThrowError(" ending green or y val can be between 0 and 128 only");
  const int fgy = IntArg(args, kFgy, egy - sgy);
  if (fgy < 0 || fgy > 128) env->ThrowError(" frame interval for  green or y val can be between 0 and 128 only");
  if (Given(args, kHbox) && (hbox < 0 || hbox > 64))
    env->ThrowError("starting green or y val can be between 0 and 64 only");
  if (Given(args, kVbox) && (vbox < 0 || vbox > 64))
    env->ThrowError("starting green or y val can be between 0 and 64 only");

  auto* filter = new Pallet(clip, sgy, egy, fgy, hbox, vbox, env);
  return Created(filter, args);
}

}  // namespace tintara
