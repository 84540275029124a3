// The module's registration table: every filter's script name, signature and create function,
// in the order the module registers them.
#pragma once

#include "host/avisynth.h"

namespace tintara {

struct FilterRegistration {
  const char* name;
  const char* signature;
  IScriptEnvironment::ApplyFunc create;
};

extern const FilterRegistration kFilters[];
extern const int kFilterCount;

}  // namespace tintara
