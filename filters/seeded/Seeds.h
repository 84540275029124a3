// What the seeded colouring filters share around their fills: seed and stroke records, the
// pixel-type test of their checks and the drift of a seed.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "filters/common/Format.h"
#include "host/avisynth.h"

namespace tintara {

// A seed point in picture coordinates (y from the top) with its colour 0xRRGGBB.
struct Seed {
  int x, y, colour;
};

// A brush stroke from (x1, y1) to (x2, y2), picture coordinates, with its colour.
struct Stroke {
  int x1, y1, x2, y2, colour;
};

// Script values taken three at a time (a trailing incomplete group is dropped; the checks have
// refused it already).
inline std::vector<Seed> SeedsOf(const std::vector<int>& values) {
  std::vector<Seed> seeds;
  for (size_t i = 0; i + 2 < values.size(); i += 3) seeds.push_back({values[i], values[i + 1], values[i + 2]});
  return seeds;
}

inline std::vector<Stroke> StrokesOf(const std::vector<int>& values) {
  std::vector<Stroke> strokes;
  for (size_t i = 0; i + 4 < values.size(); i += 5)
    strokes.push_back({values[i], values[i + 1], values[i + 2], values[i + 3], values[i + 4]});
  return strokes;
}

// The load-time format test: exactly one of the five formats. A host's wider types (4:2:2,
// 4:4:4, 16-bit 4:2:0) contain every bit of YV12 and would be misread by a bit test.
inline bool IsOneOfTheFiveFormats(int pixel_type) {
  VideoInfo vi{};
  vi.pixel_type = pixel_type;
  return FormatOf(vi) != PixelFormat::Other;
}

// (i * move) / d truncated toward zero, 0 when d = 0: how far a seed has drifted. 64 bits, so a
// long clip with a wide drift cannot overflow.
inline int64_t Drift(int64_t i, int move, int d) { return d == 0 ? 0 : i * move / d; }

}  // namespace tintara
