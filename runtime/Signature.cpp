#include "runtime/Signature.h"

#include <cctype>

#include "runtime/Names.h"

namespace tintara {

const char* Value::KindName() const {
  switch (kind) {
    case Kind::Void: return "nothing";
    case Kind::Bool: return "bool";
    case Kind::Int: return "int";
    case Kind::Long: return "long";
    case Kind::Float: return "float";
    case Kind::String: return "string";
    case Kind::Clip: return "clip";
    case Kind::Array: return "array";
  }
  return "value";
}

namespace {

const char* TypeName(char type) {
  switch (type) {
    case 'c': return "a clip";
    case 'i': return "an int";
    case 'f': return "a float";
    case 'b': return "a bool";
    case 's': return "a string";
    default: return "a value";
  }
}

// The letter the host's messages use for the type of a value passed.
char PassedLetter(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Bool: return 'b';
    case Value::Kind::Int: return 'i';
    case Value::Kind::Long: return 'l';
    case Value::Kind::Float: return 'd';
    case Value::Kind::String: return 's';
    case Value::Kind::Clip: return 'c';
    case Value::Kind::Array: return 'a';
    case Value::Kind::Void: return 'v';
  }
  return '?';
}

// The value as a parameter of `type` receives it.
Value Converted(char type, const Value& v) {
  if (type == 'i' && v.kind == Value::Kind::Long) return Value::Int(static_cast<int>(static_cast<uint32_t>(v.wide)));
  if (type == 'f' && v.kind == Value::Kind::Long) return Value::Float(v.AsFloat());
  return v;
}

std::vector<const Value*> Positional(const std::vector<Argument>& args) {
  std::vector<const Value*> out;
  for (const Argument& a : args)
    if (a.name.empty()) out.push_back(&a.value);
  return out;
}

// Walks the positional values over the parameters as the host matches them. Calls `place(p, v)`
// for each value placed in parameter p (several for a gathered one). Returns the index of the
// first value that does not fit, values.size() if all fit, and sets `next` to the first
// parameter not reached.
template <typename Place>
size_t Walk(const std::vector<Parameter>& params, const std::vector<const Value*>& values, bool strict, size_t* next,
            Place place) {
  size_t i = 0, p = 0;
  for (; i < values.size() && p < params.size(); ++p) {
    const Parameter& param = params[p];
    if (param.many) {
      if (!param.may_be_empty && !Accepts(param.type, *values[i], strict)) break;
      while (i < values.size() && Accepts(param.type, *values[i], strict)) place(p, *values[i++]);
      continue;
    }
    // An undefined value (an optional parameter of a script function passed on) leaves an
    // optional parameter at its default.
    const bool skipped = param.optional && !values[i]->Defined();
    if (!skipped && !Accepts(param.type, *values[i], strict)) break;
    if (!skipped) place(p, *values[i]);
    ++i;
  }
  *next = p;
  return i;
}

bool RestMayBeLeftOut(const std::vector<Parameter>& params, size_t from) {
  for (size_t p = from; p < params.size(); ++p)
    if (!params[p].optional && !(params[p].many && params[p].may_be_empty)) return false;
  return true;
}

size_t FindNamed(const std::vector<Parameter>& params, const std::string& name) {
  size_t k = 0;
  while (k < params.size() && !(params[k].optional && SameName(params[k].name, name))) ++k;
  return k;
}

bool LooksLikeColour(const std::string& s) {
  size_t i = (!s.empty() && (s[0] == '$' || s[0] == '#')) ? 1 : 0;
  const size_t digits = s.size() - i;
  if (digits != 6 && digits != 8) return false;
  for (; i < s.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

}  // namespace

bool ParseSignature(const std::string& text, std::vector<Parameter>* out) {
  out->clear();
  size_t i = 0;
  while (i < text.size()) {
    Parameter p;
    if (text[i] == '[') {
      size_t close = text.find(']', i);
      if (close == std::string::npos || close == i + 1) return false;
      p.name = text.substr(i + 1, close - i - 1);
      p.optional = true;
      i = close + 1;
      if (i >= text.size()) return false;
    }
    char t = text[i++];
    if (t != 'c' && t != 'i' && t != 'f' && t != 'b' && t != 's' && t != '.') return false;
    p.type = t;
    if (i < text.size() && (text[i] == '+' || text[i] == '*')) {
      p.many = true;
      p.may_be_empty = text[i] == '*';
      ++i;
    }
    out->push_back(p);
  }
  return true;
}

bool Accepts(char type, const Value& v, bool strict) {
  switch (type) {
    case 'c': return v.IsClip();
    case 'i': return v.IsInteger();
    case 'f': return v.kind == Value::Kind::Float || (!strict && v.IsInteger());
    case 'b': return v.IsBool();
    case 's': return v.IsString();
    case '.': return v.kind != Value::Kind::Array;
  }
  return false;
}

bool Fits(const std::vector<Parameter>& params, const std::vector<Argument>& args, bool strict, bool names_too) {
  const std::vector<const Value*> values = Positional(args);
  size_t next = 0;
  if (Walk(params, values, strict, &next, [](size_t, const Value&) {}) < values.size()) return false;
  if (!RestMayBeLeftOut(params, next)) return false;
  if (names_too)
    for (const Argument& a : args)
      if (!a.name.empty() && FindNamed(params, a.name) == params.size()) return false;
  return true;
}

bool Bind(const std::vector<Parameter>& params, const std::vector<Argument>& args, const std::string& function,
          std::vector<Value>* bound, std::string* why) {
  bound->assign(params.size(), Value());
  std::vector<std::vector<Value>> groups(params.size());
  size_t next = 0;
  Walk(params, Positional(args), false, &next, [&](size_t p, const Value& v) {
    if (params[p].many)
      groups[p].push_back(Converted(params[p].type, v));
    else
      (*bound)[p] = Converted(params[p].type, v);
  });
  for (size_t p = 0; p < params.size(); ++p)
    if (params[p].many && (!groups[p].empty() || p < next)) (*bound)[p] = Value::Array(std::move(groups[p]));

  for (const Argument& arg : args) {
    if (arg.name.empty() || !arg.value.Defined()) continue;
    const size_t k = FindNamed(params, arg.name);
    if (k == params.size()) {
      *why = "Script error: " + function + " does not have a named argument \"" + arg.name + "\"";
      return false;
    }
    if ((*bound)[k].Defined()) {
      *why = "Script error: the named argument \"" + arg.name +
             "\" was passed more than once (twice as named or first unnamed then named) to " + function;
      return false;
    }
    std::vector<Value> group;
    if (params[k].many && arg.value.kind == Value::Kind::Array)
      group = arg.value.array;
    else
      group.push_back(arg.value);
    for (Value& v : group) {
      if (!Accepts(params[k].type, v)) {
        *why = "Script error: the named argument \"" + arg.name + "\" to " + function +
               " had the wrong type (passed '" + PassedLetter(v) + "')";
        return false;
      }
      v = Converted(params[k].type, v);
    }
    (*bound)[k] = params[k].many ? Value::Array(std::move(group)) : group[0];
  }
  return true;
}

std::string Mismatch(const std::vector<Parameter>& params, const std::vector<Argument>& args, size_t* reached) {
  const std::vector<const Value*> values = Positional(args);
  size_t next = 0;
  const size_t bad = Walk(params, values, false, &next, [](size_t, const Value&) {});
  if (reached) *reached = bad;
  const std::string number = "argument " + std::to_string(bad + 1);
  if (bad < values.size() && next >= params.size())
    return std::to_string(values.size()) + " arguments are given, more than it takes";
  if (bad < values.size()) {
    const Value& v = *values[bad];
    const char* expected = TypeName(params[next].type);
    if (v.IsString() && params[next].type == 'i' && LooksLikeColour(v.string))
      return number + " is the string \"" + v.string + "\" where " + expected +
             " is expected; colours are ints written $RRGGBB, without quotes";
    const std::string kind = v.KindName();
    const std::string article = std::string("aeiou").find(kind[0]) != std::string::npos ? "an " : "a ";
    return number + " is " + article + kind + " where " + expected + " is expected";
  }
  for (size_t p = next; p < params.size(); ++p)
    if (!params[p].optional && !(params[p].many && params[p].may_be_empty))
      return "argument " + std::to_string(p + 1) + " (" + TypeName(params[p].type) + ") is missing";
  for (const Argument& a : args)
    if (!a.name.empty() && FindNamed(params, a.name) == params.size())
      return "there is no argument named \"" + a.name + "\"";
  return "";
}

}  // namespace tintara
