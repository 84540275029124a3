#include "filters/common/Marking.h"

#include <cstring>
#include <initializer_list>

#include "filters/common/Surround.h"

namespace tintara {

void PrepareMarkSurround(const MarkFrame& f, PixelFormat format) {
  const FramePlanes<BYTE>& o = f.out;
  const WindowBytes inside = WindowBytesOf(format, o.y.height, f.window);
  if (f.test) {
    FillAround(o.y, 0, format == PixelFormat::YUY2 ? 128 : 0, inside.main);
    if (o.planar)
      for (const Plane* p : {&o.u, &o.v}) FillAround(*p, 128, 128, inside.chroma);
    return;
  }
  CopyAround(o.y, f.src.y, inside.main);
  if (o.planar) {
    CopyAround(o.u, f.src.u, inside.chroma);
    CopyAround(o.v, f.src.v, inside.chroma);
  }
}

void NeutralWindowChroma(const FramePlanes<BYTE>& o, PixelFormat format, const PictureRect& w) {
  if (format == PixelFormat::YUY2) {
    const int first = w.x0 & ~1, end = ((w.x1 - 1) & ~1) + 2;  // pairs by their even column
    for (int y = w.y0; y < w.y1; ++y) {
      BYTE* row = o.y.Row(y);
      for (int x = first; x < end; x += 2) {
        row[2 * x + 1] = 128;
        row[2 * x + 3] = 128;
      }
    }
  } else if (o.planar) {
    const WindowBytes inside = WindowBytesOf(format, o.y.height, w);
    const ByteRect& c = inside.chroma;
    for (const Plane* p : {&o.u, &o.v})
      for (int y = c.r0; y < c.r1; ++y) std::memset(p->Row(y) + c.b0, 128, static_cast<size_t>(c.b1 - c.b0));
  }
}

void DrawWindowEdge(const Plane& plane, PixelFormat format, const PictureRect& w, bool all_bytes) {
  const int step = BytesPerPixel(format);
  const int bytes = IsRGB(format) && all_bytes ? step : 1;
  // Copies, so the compiler need not read them again after every byte stored.
  const Plane p = plane;
  const int left = w.x0, right = w.x1 - 1, top = w.y0, bottom = w.y1 - 1;
  auto mark = [&](int x, int y) {
    BYTE* px = p.Row(MemoryRow(format, p.height, y)) + static_cast<long>(x) * step;
    for (int b = 0; b < bytes; ++b) px[b] = 128;
  };
  for (int y = top; y <= bottom; ++y) {
    mark(left, y);
    mark(right, y);
  }
  for (int x = left; x <= right; ++x) {
    mark(x, top);
    mark(x, bottom);
  }
}

}  // namespace tintara
