// Inlay per style and CrossFill per logical type, one 1920x1080 frame each, in every format.
// Masks come from MaskMaker on the test picture, so regions and edges look like real footage.
#include <string>

#include "bench/BenchHost.h"

namespace tintara::bench {
namespace {

Value Mask(int pixel_type, int gyt, int et) {
  return Env().Call("MaskMaker",
                    {{"", Value::Clip(TestPicture(pixel_type))}, {"gyt", Value::Int(gyt)}, {"et", Value::Int(et)}});
}

void InlayStyle(benchmark::State& state, int pixel_type, const char* type) {
  // The lined clip marks one brightness band with 255; the mask clip another.
  const Value mask = Mask(pixel_type, 60, 200);
  const Value lined = Mask(pixel_type, 100, 110);
  Value clip = Env().Call("Inlay", {{"", Value::Clip(TestPicture(pixel_type))},
                                    {"", mask},
                                    {"", lined},
                                    {"type", Value::String(type)},
                                    {"lval", Value::Int(255)},
                                    {"st", Value::Int(10)},
                                    {"ellipse", Value::Bool(true)}});
  TimeFrames(state, clip.clip);
}

void CrossFillType(benchmark::State& state, int pixel_type, const char* type) {
  Value clip = Env().Call("CrossFill", {{"", Value::Clip(TestPicture(pixel_type))},
                                        {"", Mask(pixel_type, 60, 200)},
                                        {"", Mask(pixel_type, 100, 180)},
                                        {"type", Value::String(type)},
                                        {"st", Value::Int(10)}});
  TimeFrames(state, clip.clip);
}

const int registered = [] {
  for (const BenchFormat& f : Formats()) {
    for (const char* type : {"mask", "nomask", "hint", "left", "right", "vint", "above", "below"})
      benchmark::RegisterBenchmark((std::string("Inlay/") + type + "/" + f.name).c_str(), InlayStyle, f.pixel_type,
                                   type);
    for (const char* type : {"aANDb", "aORb", "aNOTb"})
      benchmark::RegisterBenchmark((std::string("CrossFill/") + type + "/" + f.name).c_str(), CrossFillType,
                                   f.pixel_type, type);
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
