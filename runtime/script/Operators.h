// The script's operators on values, with the host's messages: + on numbers and strings,
// * / %, unary - and !, and comparisons. Ints are 64 bits wide here: a result that does not fit
// 32 bits becomes a Long instead of wrapping; division by zero and the one quotient that does
// not fit 64 bits are handled, never undefined behaviour. Clips meeting `+` or `++` are spliced
// by the caller, which has the environment.
#pragma once

#include <string>

#include "runtime/Value.h"
#include "runtime/script/Syntax.h"

namespace tintara::script {

// + (Add), * / %. On failure returns false and sets `why` to the message.
bool ApplyBinary(Op op, const Value& a, const Value& b, Value* result, std::string* why);
// Unary - and !.
bool ApplyUnary(Op op, const Value& a, Value* result, std::string* why);
// One comparison of a chain.
bool ApplyComparison(Op op, const Value& a, const Value& b, bool* holds, std::string* why);

}  // namespace tintara::script
