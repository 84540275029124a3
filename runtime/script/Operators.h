// The script's arithmetic: + - * / % on ints and floats (an int meeting a float becomes a
// float), + on strings, and unary minus. Int results that do not fit, division by zero and
// results that are not finite numbers are errors, never undefined behaviour.
#pragma once

#include <string>

#include "runtime/Value.h"

namespace tintara::script {

// On failure returns false and sets `why` to the message.
bool ApplyBinary(char op, const Value& a, const Value& b, Value* result, std::string* why);
bool ApplyNegate(const Value& a, Value* result, std::string* why);

}  // namespace tintara::script
