// Runs a script against an environment: variables, the implicit `last`, calls through the
// environment's functions, operators, the script's own functions and imported files. Every
// failure comes out as a ScriptError with the position of the call or operator it belongs to,
// including failures while frames are made later: each clip a call returns is wrapped so that
// its errors carry the call's position.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Environment.h"
#include "runtime/script/Syntax.h"

namespace tintara::script {

struct RunOptions {
  std::string path;                       // the script's file ("" for standard input): names it in
                                          // the result and is where relative imports start
  std::map<std::string, double> sliders;  // a setting by label replaces a slider's default
};

struct Result {
  Value value;     // Void when the script gives nothing
  Position where;  // the statement the value comes from
  // Each top-level variable (`last` included) with its final value, in order of first assignment.
  std::vector<std::pair<std::string, Value>> variables;
  std::vector<std::string> files;  // the script, then each file it imported, as opened
  std::vector<Slider> sliders;     // in the order met
};

// Parses and evaluates. The script's value is that of a `return`, else of its last statement
// if that is an expression, else `last`. Functions the script defines stay registered in the
// environment.
Result RunScript(Environment& env, const std::string& source, const RunOptions& options = RunOptions());

}  // namespace tintara::script
