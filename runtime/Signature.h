// Function signatures in the host's notation and the binding of a call's arguments to them, as
// AviSynth+ binds them.
//
// Notation: one letter per parameter (c clip, i int, f float, b bool, s string, . anything);
// `[name]` before the letter makes it optional and named; `+` after it gathers one or more
// values of that type into one array argument, `*` zero or more.
//
// Positional values fill the parameters in order, required and optional alike; named values
// then fill the optional parameters of their name. A function fits a call when its positional
// values fit; choosing among functions may also ask that every name exists.
#pragma once

#include <string>
#include <vector>

#include "runtime/Value.h"

namespace tintara {

struct Parameter {
  std::string name;  // empty for required parameters
  char type = '.';
  bool optional = false;      // named; may also be given by position
  bool many = false;          // `+` or `*`: gathers a run of values into one array
  bool may_be_empty = false;  // `*`
};

// Parses a signature; returns false when it is malformed.
bool ParseSignature(const std::string& text, std::vector<Parameter>* out);

// Whether a value is acceptable for a parameter type. An int is accepted for a float unless
// `strict`.
bool Accepts(char type, const Value& v, bool strict = false);

// Whether the call's positional values fit the parameters (with exact types when `strict`), and,
// when `names_too`, every named argument names an optional parameter.
bool Fits(const std::vector<Parameter>& params, const std::vector<Argument>& args, bool strict, bool names_too);

// Binds the arguments of a call to a function that fits, in signature order: absent optional
// parameters are Void, a gathered group is one Array, a 64-bit int given for an int keeps its
// low 32 bits. On failure (a named argument given twice, of the wrong type, or unknown) returns
// false with the host's message, which names `function` as called.
bool Bind(const std::vector<Parameter>& params, const std::vector<Argument>& args, const std::string& function,
          std::vector<Value>* bound, std::string* why);

// For a function that does not fit: which argument is wrong and what was expected there, as a
// short sentence for a user ("argument 7 is a float where an int is expected"). `reached`, when
// given, is set to how many positional values fit before the fault.
std::string Mismatch(const std::vector<Parameter>& params, const std::vector<Argument>& args,
                     size_t* reached = nullptr);

}  // namespace tintara
