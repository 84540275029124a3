// Runs a parsed script against an environment: variables, the implicit `last`, calls through
// the environment's signatures, arithmetic. Every failure comes out as a ScriptError with the
// position of the call or operator it belongs to, including failures while frames are made
// later: each clip a call returns is wrapped so that its errors carry the call's position.
#pragma once

#include <string>

#include "runtime/Environment.h"
#include "runtime/script/Syntax.h"

namespace tintara::script {

struct Result {
  Value value;      // Void when the script gives nothing
  Position where;   // the statement the value comes from
};

// The script's value: that of a `return`, else of its last statement if that is an expression,
// else `last`.
Result Evaluate(Environment& env, const Program& program);
// Parses and evaluates.
Result RunScript(Environment& env, const std::string& source);

}  // namespace tintara::script
