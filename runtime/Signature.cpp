#include "runtime/Signature.h"

#include <cctype>

namespace tintara {

const char* Value::KindName() const {
  switch (kind) {
    case Kind::Void: return "nothing";
    case Kind::Bool: return "bool";
    case Kind::Int: return "int";
    case Kind::Float: return "float";
    case Kind::String: return "string";
    case Kind::Clip: return "clip";
    case Kind::Array: return "array";
  }
  return "value";
}

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

const char* TypeName(char type) {
  switch (type) {
    case 'c': return "clip";
    case 'i': return "int";
    case 'f': return "float";
    case 'b': return "bool";
    case 's': return "string";
    default: return "value";
  }
}

std::string Describe(const Parameter& p, size_t index) {
  std::string s = p.name.empty() ? "argument " + std::to_string(index + 1) : "argument '" + p.name + "'";
  return s + " (" + TypeName(p.type) + (p.many ? "s" : "") + ")";
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

bool Accepts(char type, const Value& v) {
  switch (type) {
    case 'c': return v.IsClip();
    case 'i': return v.IsInt();
    case 'f': return v.IsFloat();
    case 'b': return v.IsBool();
    case 's': return v.IsString();
    case '.': return v.Defined() && v.kind != Value::Kind::Array;
  }
  return false;
}

bool Bind(const std::vector<Parameter>& params, const std::vector<Argument>& args,
          std::vector<Value>* bound, std::string* why) {
  bound->assign(params.size(), Value());
  std::vector<bool> filled(params.size(), false);

  // Positional arguments fill the positional parameters in order; a `+`/`*` parameter takes
  // the run of following values that its type accepts.
  size_t next = 0;
  size_t a = 0;
  for (; a < args.size() && args[a].name.empty(); ) {
    while (next < params.size() && params[next].optional) ++next;
    if (next >= params.size()) {
      *why = "too many arguments (" + std::to_string(args.size()) + " given)";
      return false;
    }
    const Parameter& p = params[next];
    if (p.many) {
      std::vector<Value> group;
      while (a < args.size() && args[a].name.empty() && Accepts(p.type, args[a].value)) group.push_back(args[a++].value);
      if (group.empty() && !p.may_be_empty) {
        *why = Describe(p, next) + " is given a " + std::string(args[a].value.KindName());
        return false;
      }
      (*bound)[next] = Value::Array(std::move(group));
    } else {
      if (!Accepts(p.type, args[a].value)) {
        *why = Describe(p, next) + " is given a " + std::string(args[a].value.KindName());
        return false;
      }
      (*bound)[next] = args[a++].value;
    }
    filled[next++] = true;
  }

  // Named arguments go to the optional parameters of that name.
  for (; a < args.size(); ++a) {
    const Argument& arg = args[a];
    if (arg.name.empty()) {
      *why = "a positional argument follows a named one";
      return false;
    }
    size_t k = 0;
    while (k < params.size() && !(params[k].optional && SameName(params[k].name, arg.name))) ++k;
    if (k == params.size()) {
      *why = "there is no argument named '" + arg.name + "'";
      return false;
    }
    if (filled[k]) {
      *why = "argument '" + params[k].name + "' is given twice";
      return false;
    }
    if (params[k].many) {
      std::vector<Value> group;
      if (arg.value.kind == Value::Kind::Array) group = arg.value.array;
      else group.push_back(arg.value);
      for (const Value& v : group)
        if (!Accepts(params[k].type, v)) {
          *why = Describe(params[k], k) + " is given a " + std::string(v.KindName());
          return false;
        }
      (*bound)[k] = Value::Array(std::move(group));
    } else {
      if (!Accepts(params[k].type, arg.value)) {
        *why = Describe(params[k], k) + " is given a " + std::string(arg.value.KindName());
        return false;
      }
      (*bound)[k] = arg.value;
    }
    filled[k] = true;
  }

  for (size_t k = 0; k < params.size(); ++k) {
    if (params[k].optional || filled[k]) continue;
    if (params[k].many && params[k].may_be_empty) {
      (*bound)[k] = Value::Array({});
      continue;
    }
    *why = Describe(params[k], k) + " is missing";
    return false;
  }
  return true;
}

}  // namespace tintara
