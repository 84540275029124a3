// Shared set-up of the benchmarks: the module loaded into an environment, 1920x1080 frames in
// memory, and a filter's frame made once per iteration.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Environment.h"

namespace tintara::bench {

constexpr int kWidth = 1920, kHeight = 1080;

struct BenchFormat {
  int pixel_type;
  const char* name;
};
const std::vector<BenchFormat>& Formats();

// The process-wide environment with the module loaded (no poison: frames as a real host).
Environment& Env();

// A one-frame clip of a picture with soft shapes: a grey background, discs and bars of other
// brightness, so masks and fills have regions and edges like real footage.
PClip TestPicture(int pixel_type);

// Times making frame 0 of `clip` (the filter), reporting megapixels per second.
void TimeFrames(benchmark::State& state, const PClip& clip);

// Sets the megapixels-per-second counter of a benchmark that made one 1920x1080 frame per
// iteration.
void ReportMegapixels(benchmark::State& state);

}  // namespace tintara::bench
