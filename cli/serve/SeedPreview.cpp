#include "cli/serve/SeedPreview.h"

#include <algorithm>

#include "filters/seeded/SpanFill.h"

namespace tintara::serve {

namespace {

// ColorDrops marks what it filled with 128, so a seed on 128 fills only with wshed.
constexpr BYTE kFilledMark = 128;
// Half the side of the square around a point that tells a line (up to about three pixels wide).
constexpr int kLineReach = 3;

template <PixelFormat F>
SeedRegion Preview(const ShownFrame& frame, int x, int y) {
  const int W = frame.vi.width, H = frame.vi.height;
  MaskCopy samples = MaskCopy::Packed<F>(ReadPlane(frame.source), W, H);
  SeedRegion region;
  const int r0 = MemoryRow(F, H, y);
  const BYTE m = samples.At(x, r0);
  region.sample = m;
  // A line is thin: around a point on one, most samples differ from the point's.
  int same = 0, all = 0;
  for (int r = std::max(0, r0 - kLineReach); r <= std::min(H - 1, r0 + kLineReach); ++r)
    for (int c = std::max(0, x - kLineReach); c <= std::min(W - 1, x + kLineReach); ++c, ++all)
      same += samples.At(c, r) == m;
  region.on_line = 2 * same < all;
  region.fills = m != kFilledMark;
  if (!region.fills) return region;
  WorkStack stack;
  SpanFill(samples, x, r0, m, static_cast<BYTE>(~m), &stack, [&](int x0, int x1, int r) {
    region.size += x1 - x0;
    region.runs.insert(region.runs.end(), {MemoryRow(F, H, r), x0, x1 - 1});
  });
  region.share = static_cast<double>(region.size) / (static_cast<double>(W) * H);
  return region;
}

}  // namespace

SeedRegion PreviewSeed(const ShownFrame& frame, int x, int y) {
  switch (FormatOf(frame.vi)) {
    case PixelFormat::RGB24: return Preview<PixelFormat::RGB24>(frame, x, y);
    case PixelFormat::RGB32: return Preview<PixelFormat::RGB32>(frame, x, y);
    case PixelFormat::YUY2: return Preview<PixelFormat::YUY2>(frame, x, y);
    case PixelFormat::YV12: return Preview<PixelFormat::YV12>(frame, x, y);
    case PixelFormat::I420: return Preview<PixelFormat::I420>(frame, x, y);
    default: return SeedRegion();
  }
}

}  // namespace tintara::serve
