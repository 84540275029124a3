// The neighbourhood filters: SharpEdge per operator and GaussBlur at the smallest and largest
// kernel, one 1920x1080 frame each.
#include <string>

#include "bench/BenchHost.h"

namespace tintara::bench {
namespace {

void SharpEdge(benchmark::State& state, int pixel_type, const char* type) {
  Value clip = Env().Call("SharpEdge", {{"", Value::Clip(TestPicture(pixel_type))}, {"type", Value::String(type)}});
  TimeFrames(state, clip.clip);
}

void GaussBlur(benchmark::State& state, int pixel_type, int size) {
  Value clip = Env().Call("GaussBlur", {{"", Value::Clip(TestPicture(pixel_type))},
                                        {"size", Value::Int(size)},
                                        {"u", Value::Bool(true)},
                                        {"v", Value::Bool(true)}});
  TimeFrames(state, clip.clip);
}

const int registered = [] {
  for (const BenchFormat& f : Formats()) {
    for (const char* type : {"e2", "ep", "es"})
      benchmark::RegisterBenchmark((std::string("SharpEdge/") + type + "/" + f.name).c_str(), SharpEdge, f.pixel_type,
                                   type);
    for (int size : {3, 11})
      benchmark::RegisterBenchmark((std::string("GaussBlur/") + std::to_string(size) + "/" + f.name).c_str(), GaussBlur,
                                   f.pixel_type, size);
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
