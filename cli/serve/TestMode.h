// The thresholds a MaskMaker, EMarker or SharpEdge in test mode sweeps, read from the call
// that made it, so the page can say which thresholds each of its frames used.
#pragma once

#include <string>
#include <vector>

#include "runtime/Signature.h"
#include "runtime/Value.h"

namespace tintara::serve {

struct Sweep {
  struct Threshold {
    std::string name;
    int start = 0, final_value = 0;
  };
  std::string filter;
  int sf = 0, ef = 0;
  std::vector<Threshold> thresholds;
};

// The sweep of a call with its bound arguments; false when it is not one of those filters in
// test mode.
bool SweepOf(const std::string& name, const std::vector<Parameter>& params, const std::vector<Value>& bound,
             Sweep* sweep);

// What frame n shows, for the page: "MaskMaker test frame 2 of 0..3 (source frame 5): gyt 70, ...".
std::string DescribeFrame(const Sweep& sweep, int n);

}  // namespace tintara::serve
