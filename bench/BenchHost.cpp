#include "bench/BenchHost.h"

#include <cstdlib>
#include <cstring>

#include "runtime/CacheClip.h"
#include "runtime/MemoryClip.h"

namespace tintara::bench {

const std::vector<BenchFormat>& Formats() {
  static const std::vector<BenchFormat> formats = {
      {VideoInfo::CS_BGR24, "RGB24"}, {VideoInfo::CS_BGR32, "RGB32"}, {VideoInfo::CS_YUY2, "YUY2"},
      {VideoInfo::CS_YV12, "YV12"},   {VideoInfo::CS_I420, "I420"},
  };
  return formats;
}

Environment& Env() {
  static Environment* env = [] {
    auto* e = new Environment();
    // TINTARA_BENCH_MODULE times another build of the module (an older one, to compare).
    const char* other = std::getenv("TINTARA_BENCH_MODULE");
    e->LoadPlugin(other && *other ? other : TINTARA_MODULE_PATH);
    return e;
  }();
  return *env;
}

namespace {
int Brightness(int x, int y) {
  const int dx = x - kWidth / 3, dy = y - kHeight / 2;
  if (dx * dx + dy * dy < 200 * 200) return 30;
  if ((x / 240) % 2 == 1 && y > kHeight / 4 && y < 3 * kHeight / 4) return 200;
  return 110 + (x + y) % 16;
}
}  // namespace

PClip TestPicture(int pixel_type) {
  const VideoInfo vi = VideoInfoOf(pixel_type, kWidth, kHeight, 1);
  PVideoFrame f = Env().NewVideoFrame(vi);
  const bool rgb = pixel_type == VideoInfo::CS_BGR24 || pixel_type == VideoInfo::CS_BGR32;
  const int bpp = pixel_type == VideoInfo::CS_BGR24 ? 3 : pixel_type == VideoInfo::CS_BGR32 ? 4 : 1;
  BYTE* base = f->GetWritePtr();
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = base + static_cast<long>(y) * f->GetPitch();
    for (int x = 0; x < kWidth; ++x) {
      const int v = Brightness(x, rgb ? kHeight - 1 - y : y);
      if (rgb)
        std::memset(row + x * bpp, v, bpp);
      else if (pixel_type == VideoInfo::CS_YUY2) {
        row[2 * x] = static_cast<BYTE>(v);
        row[2 * x + 1] = 128;
      } else
        row[x] = static_cast<BYTE>(v);
    }
  }
  if (f->GetPitch(PLANAR_U))
    for (int plane : {PLANAR_U, PLANAR_V})
      for (int y = 0; y < f->GetHeight(plane); ++y)
        std::memset(f->GetWritePtr(plane) + static_cast<long>(y) * f->GetPitch(plane), 128, f->GetRowSize(plane));
  return PClip(new MemoryClip(vi, {f}));
}

void TimeFrames(benchmark::State& state, const PClip& result) {
  // Time the filter itself, not the host's cache in front of it.
  auto* cache = dynamic_cast<CacheClip*>(result.get());
  const PClip clip = cache ? cache->Child() : result;
  for (auto _ : state) {
    PVideoFrame out = clip->GetFrame(0, &Env());
    benchmark::DoNotOptimize(out->GetReadPtr());
  }
  ReportMegapixels(state);
}

void ReportMegapixels(benchmark::State& state) {
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(kWidth) * kHeight * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace tintara::bench
