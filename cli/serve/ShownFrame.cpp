#include "cli/serve/ShownFrame.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "filters/common/Format.h"
#include "runtime/builtins/ColorConvert.h"

namespace tintara::serve {

namespace {

// Top-down RGBA from a bottom-up BGR or BGRA frame; alpha is shown opaque.
template <int Step>
void ToRgba(const PVideoFrame& f, int width, int height, uint8_t* out) {
  const BYTE* base = f->GetReadPtr();
  const int pitch = f->GetPitch();
  for (int y = 0; y < height; ++y) {
    const BYTE* row = base + static_cast<long>(height - 1 - y) * pitch;
    uint8_t* to = out + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      to[4 * x] = row[Step * x + 2];
      to[4 * x + 1] = row[Step * x + 1];
      to[4 * x + 2] = row[Step * x];
      to[4 * x + 3] = 255;
    }
  }
}

// A mask has few distinct samples (marked, background, perhaps a third for coloured pixels).
bool LooksLikeMask(const PVideoFrame& f, const VideoInfo& vi) {
  const PixelFormat format = FormatOf(vi);
  const int step = BytesPerPixel(format);
  bool seen[256] = {};
  int distinct = 0;
  const ConstPlane plane = ReadPlane(f);
  for (int r = 0; r < vi.height; ++r) {
    const BYTE* row = plane.Row(r);
    for (int x = 0; x < vi.width; ++x) {
      const BYTE s = row[x * step];
      if (!seen[s]) {
        seen[s] = true;
        if (++distinct > 4) return false;
      }
    }
  }
  return true;
}

}  // namespace

std::shared_ptr<const ShownFrame> MakeShownFrame(Environment& env, const PClip& clip, int n) {
  const auto start = std::chrono::steady_clock::now();
  auto shown = std::make_shared<ShownFrame>();
  shown->vi = clip->GetVideoInfo();
  const VideoInfo& vi = shown->vi;
  shown->source = clip->GetFrame(n, &env);
  shown->rgba.resize(static_cast<size_t>(vi.width) * vi.height * 4);
  if (vi.pixel_type == VideoInfo::CS_BGR32) {
    ToRgba<4>(shown->source, vi.width, vi.height, shown->rgba.data());
  } else {
    const PVideoFrame rgb = ConvertFrame(&env, shown->source, vi, VideoInfo::CS_BGR24);
    ToRgba<3>(rgb, vi.width, vi.height, shown->rgba.data());
  }
  shown->is_mask = LooksLikeMask(shown->source, vi);
  shown->make_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return shown;
}

std::vector<std::pair<std::string, int>> PixelBytes(const ShownFrame& frame, int x, int y) {
  const PixelFormat format = FormatOf(frame.vi);
  const PVideoFrame& f = frame.source;
  const int r = MemoryRow(format, frame.vi.height, y);
  const BYTE* row = f->GetReadPtr() + static_cast<long>(r) * f->GetPitch();
  switch (format) {
    case PixelFormat::RGB24: return {{"B", row[3 * x]}, {"G", row[3 * x + 1]}, {"R", row[3 * x + 2]}};
    case PixelFormat::RGB32:
      return {{"B", row[4 * x]}, {"G", row[4 * x + 1]}, {"R", row[4 * x + 2]}, {"A", row[4 * x + 3]}};
    case PixelFormat::YUY2: {
      // A pair of pixels shares U and V: Y0 U Y1 V.
      const BYTE* pair = row + 4 * (x / 2);
      return {{"Y", row[2 * x]}, {"U", pair[1]}, {"V", pair[3]}};
    }
    case PixelFormat::YV12:
    case PixelFormat::I420: {
      const long chroma = static_cast<long>(y / 2);
      return {{"Y", row[x]},
              {"U", f->GetReadPtr(PLANAR_U)[chroma * f->GetPitch(PLANAR_U) + x / 2]},
              {"V", f->GetReadPtr(PLANAR_V)[chroma * f->GetPitch(PLANAR_V) + x / 2]}};
    }
    default: return {};
  }
}

std::vector<uint8_t> EveryNth(const ShownFrame& frame, int step) {
  const int width = frame.vi.width, height = frame.vi.height;
  const int w = (width + step - 1) / step, h = (height + step - 1) / step;
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
  uint8_t* to = out.data();
  for (int y = 0; y < height; y += step) {
    const uint8_t* row = frame.rgba.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; x += step, to += 4) std::memcpy(to, row + static_cast<size_t>(x) * 4, 4);
  }
  return out;
}

std::string ShownColour(const ShownFrame& frame, int x, int y) {
  const uint8_t* p = frame.rgba.data() + (static_cast<size_t>(y) * frame.vi.width + x) * 4;
  char text[8];
  std::snprintf(text, sizeof text, "$%02X%02X%02X", p[0], p[1], p[2]);
  return text;
}

}  // namespace tintara::serve
