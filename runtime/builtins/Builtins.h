// Registers the runtime's own functions: sources, conversions, editing, clip properties and
// LoadPlugin.
#pragma once

#include "runtime/Environment.h"

namespace tintara {

void RegisterBuiltins(Environment& env);

}  // namespace tintara
