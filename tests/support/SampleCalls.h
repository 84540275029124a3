// Typical calls of every filter, on small clips of every format: what the reliability tests
// (threads, poison, hostile frame numbers) run each filter with.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestHost.h"

namespace tintara::testing {

// The clips a sample call may use: a picture with shapes and some colour, and a two-level mask
// of the same size and format with a few regions and a grey (128) line.
struct SampleClips {
  PClip picture;
  PClip mask;
  int width = 0, height = 0, frames = 0;
};

SampleClips MakeSampleClips(TestHost& host, int pixel_type, int width, int height, int frames);

struct SampleCall {
  std::string label;  // the filter and what the call exercises
  std::string filter;
  std::function<std::vector<Argument>(const SampleClips&)> args;
  std::vector<int> formats;  // empty: all five
};

const std::vector<SampleCall>& SampleCalls();

}  // namespace tintara::testing
