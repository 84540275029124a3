#include "runtime/builtins/FillColour.h"

#include <algorithm>
#include <cstring>

namespace tintara {

Yuv ColourToYuv(int r, int g, int b) {
  const int y = (6416 * b + 33039 * g + 16829 * r + 1081344) >> 16;
  const int scaled = (y - 16) * 76309;
  const auto chroma = [scaled](int c, int k) {
    return std::max(0, std::min(255, (((((c << 16) - scaled) >> 10) * k) + 8388608 + 32768) >> 16));
  };
  return {y, chroma(b, 507), chroma(r, 642)};
}

FillColour FillColourOf(Environment& env, const std::string& function, int pixel_type, const Value& color,
                        const Value& color_yuv) {
  const uint32_t argb = color.Defined() ? static_cast<uint32_t>(color.integer) : 0;
  const bool rgb = pixel_type == VideoInfo::CS_BGR24 || pixel_type == VideoInfo::CS_BGR32;
  Yuv yuv{};
  if (color_yuv.Defined()) {
    // An explicit color=0 passes: the test is on the value.
    if (argb != 0) env.Fail(function + ": color and color_yuv are mutually exclusive");
    if (rgb) env.Fail(function + ": color_yuv only valid for YUV color spaces");
    const uint32_t c = static_cast<uint32_t>(color_yuv.integer);
    yuv = {static_cast<int>((c >> 16) & 255), static_cast<int>((c >> 8) & 255), static_cast<int>(c & 255)};
  } else if (!rgb) {
    yuv = ColourToYuv((argb >> 16) & 255, (argb >> 8) & 255, argb & 255);
  }
  FillColour out{};
  if (rgb) {
    for (int i = 0; i < 4; ++i) out.bytes[i] = static_cast<BYTE>(argb >> (8 * i));
  } else if (pixel_type == VideoInfo::CS_YUY2) {
    out = {{static_cast<BYTE>(yuv.y), static_cast<BYTE>(yuv.u), static_cast<BYTE>(yuv.y), static_cast<BYTE>(yuv.v)}};
  } else {
    out = {{static_cast<BYTE>(yuv.y), static_cast<BYTE>(yuv.u), static_cast<BYTE>(yuv.v), 0}};
  }
  return out;
}

void PaintRow(BYTE* row, int pixels, int pixel_type, int plane_index, const FillColour& colour) {
  if (pixels <= 0) return;
  switch (pixel_type) {
    case VideoInfo::CS_BGR24:
      for (int x = 0; x < pixels; ++x, row += 3) std::memcpy(row, colour.bytes, 3);
      break;
    case VideoInfo::CS_BGR32:
      for (int x = 0; x < pixels; ++x, row += 4) std::memcpy(row, colour.bytes, 4);
      break;
    case VideoInfo::CS_YUY2:
      for (int x = 0; x < pixels; x += 2, row += 4) std::memcpy(row, colour.bytes, 4);
      break;
    default: std::memset(row, colour.bytes[plane_index], static_cast<size_t>(pixels)); break;
  }
}

}  // namespace tintara
