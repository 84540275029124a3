// The drawing filters and the colour chart, one 1920x1080 frame each: Shift and Stretch per
// shape, DrawLines with a few segments and a curve, Pallet with its default grid.
#include <string>
#include <vector>

#include "bench/BenchHost.h"

namespace tintara::bench {
namespace {

using Args = std::vector<Argument>;

Argument Positional(int v) { return {"", Value::Int(v)}; }
Argument Named(const char* name, int v) { return {name, Value::Int(v)}; }
Argument Named(const char* name, const char* v) { return {name, Value::String(v)}; }
Argument Named(const char* name, bool v) { return {name, Value::Bool(v)}; }

void DrawLines(benchmark::State& state, int pixel_type, const char* line) {
  Args args = {{"", Value::Clip(TestPicture(pixel_type))}, Positional(0), Positional(0)};
  for (int v : {100, 900, 600, 100, 1100, 1000, 1800, 200, 1900, 1000}) args.push_back(Positional(v));
  args.push_back(Named("line", line));
  args.push_back(Named("brush", true));
  Value clip = Env().Call("DrawLines", args);
  TimeFrames(state, clip.clip);
}

// The reference is the picture itself made into a mask, so about half the region is selected.
void Region(benchmark::State& state, int pixel_type, const char* filter, const char* shape) {
  const PClip picture = TestPicture(pixel_type);
  Value mask = Env().Call("MaskMaker", {{"", Value::Clip(picture)}, Named("et", 120)});
  Value clip = Env().Call(filter, {{"", Value::Clip(picture)}, {"", mask}, Named("shape", shape), Named("st", 20)});
  TimeFrames(state, clip.clip);
}

void Pallet(benchmark::State& state, int pixel_type) {
  Value clip = Env().Call("Pallet", {{"", Value::Clip(TestPicture(pixel_type))}});
  TimeFrames(state, clip.clip);
}

const int registered = [] {
  for (const BenchFormat& f : Formats()) {
    const std::string format = f.name;
    for (const char* line : {"join", "curve"})
      benchmark::RegisterBenchmark(("DrawLines/" + std::string(line) + "/" + format).c_str(), DrawLines, f.pixel_type,
                                   line);
    for (const char* filter : {"Shift", "Stretch"})
      for (const char* shape : {"rect", "circle", "ellipse"})
        benchmark::RegisterBenchmark((std::string(filter) + "/" + shape + "/" + format).c_str(), Region, f.pixel_type,
                                     filter, shape);
    benchmark::RegisterBenchmark(("Pallet/" + format).c_str(), Pallet, f.pixel_type);
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench
