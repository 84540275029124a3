// A script value as the embedded host keeps it: owning, unlike the module-facing AVSValue
// (whose arrays own nothing and whose strings belong to the environment).
#pragma once

#include <string>
#include <vector>

#include "host/avisynth.h"

namespace tintara {

struct Value {
  enum class Kind { Void, Bool, Int, Float, String, Clip, Array };

  Kind kind = Kind::Void;
  bool boolean = false;
  int integer = 0;
  double floating = 0.0;
  std::string string;
  PClip clip;
  std::vector<Value> array;

  Value() = default;
  static Value Bool(bool b) { Value v; v.kind = Kind::Bool; v.boolean = b; return v; }
  static Value Int(int i) { Value v; v.kind = Kind::Int; v.integer = i; return v; }
  static Value Float(double f) { Value v; v.kind = Kind::Float; v.floating = f; return v; }
  static Value String(std::string s) { Value v; v.kind = Kind::String; v.string = std::move(s); return v; }
  static Value Clip(PClip c) { Value v; v.kind = Kind::Clip; v.clip = std::move(c); return v; }
  static Value Array(std::vector<Value> a) { Value v; v.kind = Kind::Array; v.array = std::move(a); return v; }

  bool Defined() const { return kind != Kind::Void; }
  bool IsClip() const { return kind == Kind::Clip; }
  bool IsInt() const { return kind == Kind::Int; }
  bool IsFloat() const { return kind == Kind::Float || kind == Kind::Int; }
  bool IsString() const { return kind == Kind::String; }
  bool IsBool() const { return kind == Kind::Bool; }
  double AsFloat() const { return kind == Kind::Int ? integer : floating; }

  // The word a message uses for the kind: "int", "clip", ...
  const char* KindName() const;
};

// An argument as a call site gives it: positional when `name` is empty.
struct Argument {
  std::string name;
  Value value;
};

}  // namespace tintara
