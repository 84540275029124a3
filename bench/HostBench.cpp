// The embedded host's own costs per frame: a new frame from the pool while other frames are
// alive (a chain of cached clips keeps dozens), which every filter pays once per output frame.
#include <vector>

#include "bench/BenchHost.h"
#include "runtime/MemoryClip.h"

namespace tintara::bench {
namespace {

void NewVideoFrame(benchmark::State& state, int pixel_type) {
  const VideoInfo vi = VideoInfoOf(pixel_type, kWidth, kHeight, 1);
  std::vector<PVideoFrame> alive;
  for (int i = 0; i < state.range(0); ++i) alive.push_back(Env().NewVideoFrame(vi));
  for (auto _ : state) {
    PVideoFrame f = Env().NewVideoFrame(vi);
    benchmark::DoNotOptimize(f->GetReadPtr());
  }
  ReportMegapixels(state);
}

const int registered = [] {
  for (const BenchFormat& f : Formats())
    if (f.pixel_type == VideoInfo::CS_YV12)
      benchmark::RegisterBenchmark((std::string("NewVideoFrame/") + f.name).c_str(), NewVideoFrame, f.pixel_type)
          ->Arg(256);
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
