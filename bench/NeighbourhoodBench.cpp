// Morpher, one 1920x1080 frame per operation and format: the mask operations clean a MaskMaker
// mask of the test picture (made once and cached), the relief operations read the picture itself.
#include <string>

#include "bench/BenchHost.h"

namespace tintara::bench {
namespace {

const char* const kMaskOperations[] = {"erode", "dilate", "close", "open", "thin", "salt", "pepper"};
const char* const kReliefOperations[] = {"vale", "ridge", "rorv", "flood", "drain", "ford"};

void MorpherOnMask(benchmark::State& state, int pixel_type, const char* type) {
  Value mask = Env().Call("MaskMaker", {{"", Value::Clip(TestPicture(pixel_type))}, {"et", Value::Int(60)}});
  Value clip = Env().Call("Morpher", {{"", mask}, {"type", Value::String(type)}});
  TimeFrames(state, clip.clip);
}

void MorpherOnPicture(benchmark::State& state, int pixel_type, const char* type) {
  Value clip = Env().Call("Morpher", {{"", Value::Clip(TestPicture(pixel_type))},
                                      {"type", Value::String(type)},
                                      {"lt", Value::Int(40)},
                                      {"ut", Value::Int(180)}});
  TimeFrames(state, clip.clip);
}

const int registered = [] {
  for (const BenchFormat& f : Formats()) {
    for (const char* type : kMaskOperations)
      benchmark::RegisterBenchmark((std::string("Morpher/") + type + "/" + f.name).c_str(), MorpherOnMask, f.pixel_type,
                                   type);
    for (const char* type : kReliefOperations)
      benchmark::RegisterBenchmark((std::string("Morpher/") + type + "/" + f.name).c_str(), MorpherOnPicture,
                                   f.pixel_type, type);
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
