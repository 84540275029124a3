// Function signatures in the host's notation and the binding of a call's arguments to them.
//
// Notation: one letter per parameter (c clip, i int, f float, b bool, s string, . anything);
// `[name]` before the letter makes it optional and named; `+` after it gathers one or more
// values of that type into one array argument, `*` zero or more.
#pragma once

#include <string>
#include <vector>

#include "runtime/Value.h"

namespace tintara {

struct Parameter {
  std::string name;      // empty for positional parameters
  char type = '.';
  bool optional = false; // given by name only
  bool many = false;     // `+` or `*`: gathers a run of values into one array
  bool may_be_empty = false;  // `*`
};

// Parses a signature; returns false when it is malformed.
bool ParseSignature(const std::string& text, std::vector<Parameter>* out);

// Whether a value is acceptable for a parameter type (an int is accepted for a float).
bool Accepts(char type, const Value& v);

// Binds the arguments of a call in signature order: absent optional parameters are Void, a
// gathered group is one Array. On failure returns false and sets `why` to a sentence that says
// what did not match (unknown name, wrong type, missing argument, too many arguments).
bool Bind(const std::vector<Parameter>& params, const std::vector<Argument>& args,
          std::vector<Value>* bound, std::string* why);

}  // namespace tintara
