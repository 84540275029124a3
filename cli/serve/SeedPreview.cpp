#include "cli/serve/SeedPreview.h"

#include "filters/seeded/SpanFill.h"

namespace tintara::serve {

namespace {

// ColorDrops marks what it filled with 128, so a seed on 128 fills only with wshed.
constexpr BYTE kFilledMark = 128;

template <PixelFormat F>
SeedRegion Preview(const ShownFrame& frame, int x, int y) {
  const int W = frame.vi.width, H = frame.vi.height;
  MaskCopy samples = MaskCopy::Packed<F>(ReadPlane(frame.source), W, H);
  SeedRegion region;
  // Outlines are thin: of the two values a mask marks with, the rarer one is the line.
  long long count[256] = {};
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c) ++count[samples.At(c, r)];
  const BYTE line = count[255] != 0 && (count[0] == 0 || count[255] < count[0]) ? 255 : 0;
  const int r0 = MemoryRow(F, H, y);
  const BYTE m = samples.At(x, r0);
  region.sample = m;
  region.on_line = count[line] != 0 && m == line;
  region.fills = m != kFilledMark;
  if (!region.fills) return region;
  WorkStack stack;
  SpanFill(samples, x, r0, m, static_cast<BYTE>(~m), &stack, [&](int a, int b, int r) {
    region.size += b - a + 1;
    region.runs.insert(region.runs.end(), {MemoryRow(F, H, r), a, b});
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
