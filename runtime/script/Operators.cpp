#include "runtime/script/Operators.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace tintara::script {

namespace {

bool IsNumber(const Value& v) { return v.IsFloat(); }

// Wrapping arithmetic for the rare results beyond 64 bits, done on unsigned values so it is
// defined behaviour.
int64_t Wrapped(uint64_t v) { return static_cast<int64_t>(v); }

bool IntegerOperation(Op op, int64_t a, int64_t b, Value* result, std::string* why) {
  const uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
  switch (op) {
    case Op::Add: *result = Value::Integer(Wrapped(ua + ub)); return true;
    case Op::Multiply: *result = Value::Integer(Wrapped(ua * ub)); return true;
    case Op::Divide:
    case Op::Remainder:
      if (b == 0) {
        *why = "Evaluate: division by zero";
        return false;
      }
      if (b == -1) {  // INT64_MIN / -1 does not fit
        *result = Value::Integer(op == Op::Divide ? Wrapped(0 - ua) : 0);
        return true;
      }
      *result = Value::Integer(op == Op::Divide ? a / b : a % b);
      return true;
    default: return false;
  }
}

const char* Symbol(Op op) {
  switch (op) {
    case Op::Add: return "+";
    case Op::Multiply: return "*";
    case Op::Divide: return "/";
    case Op::Remainder: return "%";
    default: return "?";
  }
}

// Strings compare by their ASCII lower-case bytes.
int CompareWithoutCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareNumbers(const Value& a, const Value& b) {
  if (a.IsInteger() && b.IsInteger()) {
    const int64_t x = a.AsInteger(), y = b.AsInteger();
    return x == y ? 0 : (x < y ? -1 : 1);
  }
  const double x = a.AsFloat(), y = b.AsFloat();
  return x == y ? 0 : (x < y ? -1 : 1);
}

}  // namespace

bool ApplyBinary(Op op, const Value& a, const Value& b, Value* result, std::string* why) {
  if (op == Op::Add && a.IsString() && b.IsString()) {
    *result = Value::String(a.string + b.string);
    return true;
  }
  if (op == Op::Remainder && !(a.IsInteger() && b.IsInteger())) {
    *why = "Evaluate: operands of `%' must be integers";
    return false;
  }
  if (!IsNumber(a) || !IsNumber(b)) {
    *why = op == Op::Add ? "Evaluate: operands of `+' must both be numbers, strings, or clips"
                         : std::string("Evaluate: operands of `") + Symbol(op) + "' must be numeric";
    return false;
  }
  if (a.IsInteger() && b.IsInteger()) return IntegerOperation(op, a.AsInteger(), b.AsInteger(), result, why);
  const double x = a.AsFloat(), y = b.AsFloat();
  // A float division by zero gives an infinity, as the host's does.
  *result = Value::Float(op == Op::Add ? x + y : op == Op::Multiply ? x * y : x / y);
  return true;
}

bool ApplyUnary(Op op, const Value& a, Value* result, std::string* why) {
  if (op == Op::Not) {
    if (!a.IsBool()) {
      *why = "Evaluate: operand of `!' must be boolean (true/false)";
      return false;
    }
    *result = Value::Bool(!a.boolean);
    return true;
  }
  if (a.IsInteger()) {
    *result = Value::Integer(Wrapped(0 - static_cast<uint64_t>(a.AsInteger())));
    return true;
  }
  if (a.kind == Value::Kind::Float) {
    *result = Value::Float(-a.floating);
    return true;
  }
  *why = "Evaluate: unary minus can only by used with numbers";
  return false;
}

bool ApplyComparison(Op op, const Value& a, const Value& b, bool* holds, std::string* why) {
  if (op == Op::Equal || op == Op::NotEqual) {
    bool same;
    if (IsNumber(a) && IsNumber(b))
      same = CompareNumbers(a, b) == 0;
    else if (a.IsString() && b.IsString())
      same = CompareWithoutCase(a.string, b.string) == 0;
    else if (a.IsBool() && b.IsBool())
      same = a.boolean == b.boolean;
    else if (a.IsClip() && b.IsClip())
      same = a.clip.get() == b.clip.get();
    else {
      *why = "Evaluate: operands of `==' and `!=' must be comparable";
      return false;
    }
    *holds = same == (op == Op::Equal);
    return true;
  }
  int order;
  if (IsNumber(a) && IsNumber(b))
    order = CompareNumbers(a, b);
  else if (a.IsString() && b.IsString())
    order = CompareWithoutCase(a.string, b.string);
  else {
    *why = "Evaluate: operands of `<' and friends must be string or numeric";
    return false;
  }
  switch (op) {
    case Op::Less: *holds = order < 0; break;
    case Op::Greater: *holds = order > 0; break;
    case Op::LessEqual: *holds = order <= 0; break;
    default: *holds = order >= 0; break;
  }
  return true;
}

}  // namespace tintara::script
