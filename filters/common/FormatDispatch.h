// Picks a format-specialised routine once per frame: calls fn with a compile-time tag of the
// frame's format, so the routine's pixel loops hold no format tests. YV12 and I420 share the
// planar routine (their planes are reached through the frame's accessors).
#pragma once

#include <type_traits>

#include "filters/common/Format.h"

namespace tintara {

template <PixelFormat F>
using FormatTag = std::integral_constant<PixelFormat, F>;

template <typename Fn>
void WithFormat(PixelFormat format, Fn&& fn) {
  switch (format) {
    case PixelFormat::RGB24: fn(FormatTag<PixelFormat::RGB24>()); break;
    case PixelFormat::RGB32: fn(FormatTag<PixelFormat::RGB32>()); break;
    case PixelFormat::YUY2: fn(FormatTag<PixelFormat::YUY2>()); break;
    case PixelFormat::YV12:
    case PixelFormat::I420: fn(FormatTag<PixelFormat::YV12>()); break;
    case PixelFormat::Other: break;
  }
}

}  // namespace tintara
