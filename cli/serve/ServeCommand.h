// `tintara serve SCRIPT [--port N] [--listen ADDR] [--open]`: the live tuning page.
#pragma once

#include <string>

namespace tintara::serve {

// argv[0] is "serve". `module` is the module each run of the script loads.
int ServeMain(int argc, const char* const* argv, const std::string& module);

}  // namespace tintara::serve
