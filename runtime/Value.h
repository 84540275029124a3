// A script value as the embedded host keeps it: owning, unlike the module-facing AVSValue
// (whose arrays own nothing and whose strings belong to the environment).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/avisynth.h"

namespace tintara {

struct Value {
  // Long: an int that does not fit 32 bits, as arithmetic on ints makes when it overflows.
  enum class Kind { Void, Bool, Int, Float, String, Clip, Array, Long };

  Kind kind = Kind::Void;
  bool boolean = false;
  int integer = 0;
  int64_t wide = 0;  // Long
  double floating = 0.0;
  std::string string;
  PClip clip;
  std::vector<Value> array;

  Value() = default;
  static Value Bool(bool b) {
    Value v;
    v.kind = Kind::Bool;
    v.boolean = b;
    return v;
  }
  static Value Int(int i) {
    Value v;
    v.kind = Kind::Int;
    v.integer = i;
    return v;
  }
  // An Int when the value fits 32 bits, else a Long.
  static Value Integer(int64_t i) {
    if (i >= INT32_MIN && i <= INT32_MAX) return Int(static_cast<int>(i));
    Value v;
    v.kind = Kind::Long;
    v.wide = i;
    return v;
  }
  static Value Float(double f) {
    Value v;
    v.kind = Kind::Float;
    v.floating = f;
    return v;
  }
  static Value String(std::string s) {
    Value v;
    v.kind = Kind::String;
    v.string = std::move(s);
    return v;
  }
  static Value Clip(PClip c) {
    Value v;
    v.kind = Kind::Clip;
    v.clip = std::move(c);
    return v;
  }
  static Value Array(std::vector<Value> a) {
    Value v;
    v.kind = Kind::Array;
    v.array = std::move(a);
    return v;
  }

  bool Defined() const { return kind != Kind::Void; }
  bool IsClip() const { return kind == Kind::Clip; }
  bool IsInt() const { return kind == Kind::Int; }
  bool IsInteger() const { return kind == Kind::Int || kind == Kind::Long; }  // of either width
  bool IsFloat() const { return kind == Kind::Float || IsInteger(); }
  bool IsString() const { return kind == Kind::String; }
  bool IsBool() const { return kind == Kind::Bool; }
  int64_t AsInteger() const { return kind == Kind::Long ? wide : integer; }
  double AsFloat() const { return kind == Kind::Float ? floating : static_cast<double>(AsInteger()); }

  // The word a message uses for the kind: "int", "clip", ...
  const char* KindName() const;
};

// An argument as a call site gives it: positional when `name` is empty.
struct Argument {
  std::string name;
  Value value;
};

}  // namespace tintara
