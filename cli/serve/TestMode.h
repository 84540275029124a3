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

// The module's own account of its filters' int defaults (its exported TintaraIntDefault).
using IntDefaultFn = int (*)(const char* filter, const char* arg, int* value, const char** same_as);
constexpr const char* kIntDefaultSymbol = "TintaraIntDefault";

// The sweep of a call with its bound arguments, arguments not given taking the module's
// defaults; false when it is not one of those filters in test mode, or the module does not
// tell its defaults.
bool SweepOf(const std::string& name, const std::vector<Parameter>& params, const std::vector<Value>& bound,
             IntDefaultFn defaults, Sweep* sweep);

// What frame n shows, for the page: "MaskMaker test frame 2 of 0..3 (source frame 5): gyt 70, ...".
std::string DescribeFrame(const Sweep& sweep, int n);

}  // namespace tintara::serve
