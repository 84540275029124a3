// One-frame clips of random pictures for the per-pixel model tests: the first channel of each
// pixel from the test's own rule, the other channels (and RGB32's fourth byte) random, so bytes
// a filter must keep are not all alike.
#pragma once

#include <random>

#include "tests/support/TestHost.h"

namespace tintara::testing {

// A frame size the format can hold: even widths for YUY2, YV12 and I420, even heights for the
// planar formats.
inline void FitToFormat(int pixel_type, int* W, int* H) {
  VideoInfo vi{};
  vi.pixel_type = pixel_type;
  const PixelFormat format = FormatOf(vi);
  if (!IsRGB(format)) *W += *W % 2;
  if (IsPlanar(format)) *H += *H % 2;
}

// `first()` gives each pixel's first channel (RGB's first byte, the Y sample), row by row.
template <class First>
PClip RandomClip(TestHost& host, int pixel_type, int W, int H, std::mt19937& rng, First first) {
  return host.MakeClip(pixel_type, W, H, 1, [&](int, Picture& p) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const int v = first();
        const int u = byte(rng);
        p.SetPixel(x, y, v, u, byte(rng));
        if (p.Format() == PixelFormat::RGB32) p.Set(x, y, 3, byte(rng));
      }
  });
}

// Every channel random.
inline PClip RandomClip(TestHost& host, int pixel_type, int W, int H, std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255);
  return RandomClip(host, pixel_type, W, H, rng, [&] { return byte(rng); });
}

}  // namespace tintara::testing
