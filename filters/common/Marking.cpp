#include "filters/common/Marking.h"

#include <cstring>
#include <initializer_list>

#include "filters/common/Surround.h"

namespace tintara {

void PrepareMarkOutput(const PVideoFrame& out, const PVideoFrame& src, PixelFormat format, bool test) {
  if (!test) {
    CopyFrame(out, src, format);
    return;
  }
  const FramePlanes<BYTE> o = WritePlanes(out, format);
  for (int y = 0; y < o.y.height; ++y) {
    BYTE* row = o.y.Row(y);
    if (format == PixelFormat::YUY2) {
      for (int x = 0; x < o.y.row_size; x += 2) {
        row[x] = 0;
        row[x + 1] = 128;
      }
    } else {
      std::memset(row, 0, static_cast<size_t>(o.y.row_size));
    }
  }
  if (o.planar)
    for (const Plane* p : {&o.u, &o.v})
      for (int y = 0; y < p->height; ++y) std::memset(p->Row(y), 128, static_cast<size_t>(p->row_size));
}

void PrepareMarkSurround(const PVideoFrame& out, const PVideoFrame& src, PixelFormat format, bool test,
                         const Window& w) {
  const FramePlanes<BYTE> o = WritePlanes(out, format);
  const int bpp = BytesPerPixel(format);
  ByteRect luma{w.ty, w.by + 1, w.lx * bpp, (w.rx + 1) * bpp};
  if (IsRGB(format)) {
    luma.r0 = MemoryRow(format, o.y.height, w.by);
    luma.r1 = MemoryRow(format, o.y.height, w.ty) + 1;
  } else if (format == PixelFormat::YUY2) {
    luma.b1 = 2 * w.rx + 2;
  }
  const ByteRect chroma{w.ty / 2, w.by / 2 + 1, w.lx / 2, w.rx / 2 + 1};
  if (test) {
    FillAround(o.y, 0, format == PixelFormat::YUY2 ? 128 : 0, luma);
    if (o.planar)
      for (const Plane* p : {&o.u, &o.v}) FillAround(*p, 128, 128, chroma);
    return;
  }
  const FramePlanes<const BYTE> s = ReadPlanes(src, format);
  CopyAround(o.y, s.y, luma);
  if (o.planar) {
    CopyAround(o.u, s.u, chroma);
    CopyAround(o.v, s.v, chroma);
  }
}

void NeutralWindowChroma(const PVideoFrame& out, PixelFormat format, const Window& w) {
  const FramePlanes<BYTE> o = WritePlanes(out, format);
  if (format == PixelFormat::YUY2) {
    const int first = w.lx & ~1, last = w.rx & ~1;  // pairs by their even column
    for (int y = w.ty; y <= w.by; ++y) {
      BYTE* row = o.y.Row(y);
      for (int x = first; x <= last; x += 2) {
        row[2 * x + 1] = 128;
        row[2 * x + 3] = 128;
      }
    }
  } else if (o.planar) {
    const int count = w.rx / 2 - w.lx / 2 + 1;
    for (const Plane* p : {&o.u, &o.v})
      for (int y = w.ty / 2; y <= w.by / 2; ++y) std::memset(p->Row(y) + w.lx / 2, 128, static_cast<size_t>(count));
  }
}

void DrawWindowEdge(const PVideoFrame& out, PixelFormat format, const Window& w, bool all_bytes) {
  const Plane p = WritePlane(out);
  const int step = BytesPerPixel(format);
  const int bytes = IsRGB(format) && all_bytes ? step : 1;
  auto mark = [&](int x, int y) {
    BYTE* px = p.Row(MemoryRow(format, p.height, y)) + static_cast<long>(x) * step;
    for (int b = 0; b < bytes; ++b) px[b] = 128;
  };
  for (int y = w.ty; y <= w.by; ++y) {
    mark(w.lx, y);
    mark(w.rx, y);
  }
  for (int x = w.lx; x <= w.rx; ++x) {
    mark(x, w.ty);
    mark(x, w.by);
  }
}

}  // namespace tintara
