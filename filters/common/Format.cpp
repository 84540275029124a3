#include "filters/common/Format.h"

#include <cstring>
#include <initializer_list>

namespace tintara {

namespace {
void CopyPlane(const Plane& dst, const ConstPlane& src) {
  for (int y = 0; y < src.height; ++y) std::memcpy(dst.Row(y), src.Row(y), static_cast<size_t>(src.row_size));
}
}  // namespace

void CopyFrame(const PVideoFrame& dst, const PVideoFrame& src, PixelFormat format) {
  const FramePlanes<BYTE> d = WritePlanes(dst, format);
  const FramePlanes<const BYTE> s = ReadPlanes(src, format);
  CopyPlane(d.y, s.y);
  if (d.planar) {
    CopyPlane(d.u, s.u);
    CopyPlane(d.v, s.v);
  }
}

}  // namespace tintara
