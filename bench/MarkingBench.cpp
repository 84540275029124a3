// The floor (memcpy of a frame) and the marking filters, one 1920x1080 frame each.
#include <cstring>
#include <vector>

#include "bench/BenchHost.h"

namespace tintara::bench {
namespace {

void MemcpyFrame(benchmark::State& state, int pixel_type) {
  PClip src = TestPicture(pixel_type);
  PVideoFrame f = src->GetFrame(0, &Env());
  const size_t bytes = static_cast<size_t>(f->GetPitch()) * f->GetHeight() +
                       2 * static_cast<size_t>(f->GetPitch(PLANAR_U)) * f->GetHeight(PLANAR_U);
  std::vector<BYTE> dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), f->GetReadPtr(), bytes);
    benchmark::DoNotOptimize(dst.data());
  }
  ReportMegapixels(state);
}

void MaskMaker(benchmark::State& state, int pixel_type) {
  Value clip = Env().Call("MaskMaker", {{"", Value::Clip(TestPicture(pixel_type))}, {"et", Value::Int(60)}});
  TimeFrames(state, clip.clip);
}

void EMarker(benchmark::State& state, int pixel_type, const char* type) {
  Value clip = Env().Call("EMarker", {{"", Value::Clip(TestPicture(pixel_type))},
                                      {"type", Value::String(type)},
                                      {"rt", Value::Int(3)},
                                      {"bt", Value::Int(3)}});
  TimeFrames(state, clip.clip);
}

const int registered = [] {
  for (const BenchFormat& f : Formats()) {
    benchmark::RegisterBenchmark((std::string("memcpy/") + f.name).c_str(), MemcpyFrame, f.pixel_type);
    benchmark::RegisterBenchmark((std::string("MaskMaker/") + f.name).c_str(), MaskMaker, f.pixel_type);
    const bool yuy2 = f.pixel_type == VideoInfo::CS_YUY2;
    for (const char* type : {"e1", "e2", "el", "ep", "es", "epl", "esl"}) {
      if (!yuy2 && type[2] != '\0') continue;  // "epl", "esl" are YUY2 only
      benchmark::RegisterBenchmark((std::string("EMarker/") + type + "/" + f.name).c_str(), EMarker, f.pixel_type,
                                   type);
    }
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
