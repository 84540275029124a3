// Picking a per-format routine once: the five formats as compile-time tags.
#pragma once

#include <type_traits>

#include "filters/common/Format.h"

namespace tintara {

// Calls fn(std::integral_constant<PixelFormat, F>()) for the clip's format, so a routine is
// picked once per frame and the pixel loops are compiled per format. Returns false (calling
// nothing) for a format other than the five.
template <typename Fn>
bool ForFormat(PixelFormat format, Fn&& fn) {
  switch (format) {
    case PixelFormat::RGB24: fn(std::integral_constant<PixelFormat, PixelFormat::RGB24>()); return true;
    case PixelFormat::RGB32: fn(std::integral_constant<PixelFormat, PixelFormat::RGB32>()); return true;
    case PixelFormat::YUY2: fn(std::integral_constant<PixelFormat, PixelFormat::YUY2>()); return true;
    case PixelFormat::YV12:
    case PixelFormat::I420: fn(std::integral_constant<PixelFormat, PixelFormat::YV12>()); return true;
    default: return false;
  }
}

// The routine pick(tag) gives for the clip's format, chosen once when a filter is built, e.g.
// ChooseForFormat(format, [](auto f) { return &Kernel<decltype(f)::value>; }); null for a
// format other than the five.
template <typename Pick>
auto ChooseForFormat(PixelFormat format, Pick&& pick) {
  decltype(pick(std::integral_constant<PixelFormat, PixelFormat::YV12>())) chosen{};
  ForFormat(format, [&](auto f) { chosen = pick(f); });
  return chosen;
}

}  // namespace tintara
