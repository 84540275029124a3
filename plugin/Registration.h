// The module's registration table: every filter's script name, signature and create function,
// in the order the module registers them.
#pragma once

#include "filters/common/ArgTable.h"
#include "host/avisynth.h"

namespace tintara {

struct FilterRegistration {
  const char* name;
  const char* signature;
  IScriptEnvironment::ApplyFunc create;
  // The defaults of the thresholds a test mode sweeps, for hosts that show them (or null).
  DefaultKind (*int_default)(const char* arg, int* value, const char** same_as) = nullptr;
};

extern const FilterRegistration kFilters[];
extern const int kFilterCount;

}  // namespace tintara
