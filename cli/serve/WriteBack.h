// Writing slider values back into the script as new defaults: only the default numbers'
// texts change, each file is replaced atomically (a temporary file renamed over it), and only
// when it still holds what the run read.
#pragma once

#include <string>

#include "cli/serve/Session.h"

namespace tintara::serve {

// The text a slider's value is written as: an int slider's whole number, a float slider's
// number with a decimal point (so it stays a float slider).
std::string SliderText(const Slider& slider, double value);

// Writes the value each slider had in the run (the page's setting, clamped to the slider's
// range) over its default in the files of `session`. Returns false with a message for the page
// when a file changed since the run read it or cannot be written; nothing is written then.
// `message` tells what was written.
bool WriteBack(const Session& session, std::string* message);

}  // namespace tintara::serve
