#include "runtime/script/Operators.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace tintara::script {

namespace {

std::string Shown(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Int: return std::to_string(v.integer);
    case Value::Kind::Float: {
      char text[64];
      std::snprintf(text, sizeof text, "%g", v.floating);
      return text;
    }
    default: return std::string("a ") + v.KindName();
  }
}

bool IntOperation(char op, int a, int b, Value* result, std::string* why) {
  int r = 0;
  bool overflow = false;
  switch (op) {
    case '+': overflow = __builtin_add_overflow(a, b, &r); break;
    case '-': overflow = __builtin_sub_overflow(a, b, &r); break;
    case '*': overflow = __builtin_mul_overflow(a, b, &r); break;
    case '/':
    case '%':
      if (b == 0) {
        *why = std::string("Script error: ") + (op == '/' ? "division" : "remainder of a division") + " by zero";
        return false;
      }
      // The one quotient of two ints that is not an int.
      overflow = a == std::numeric_limits<int>::min() && b == -1;
      if (!overflow) r = op == '/' ? a / b : a % b;
      break;
  }
  if (overflow) {
    *why = "Script error: " + std::to_string(a) + " " + op + " " + std::to_string(b) +
           " does not fit in an int (-2147483648 to 2147483647)";
    return false;
  }
  *result = Value::Int(r);
  return true;
}

bool FloatOperation(char op, double a, double b, Value* result, std::string* why) {
  double r = 0.0;
  switch (op) {
    case '+': r = a + b; break;
    case '-': r = a - b; break;
    case '*': r = a * b; break;
    case '/':
    case '%':
      if (b == 0.0) {
        *why = std::string("Script error: ") + (op == '/' ? "division" : "remainder of a division") + " by zero";
        return false;
      }
      r = op == '/' ? a / b : std::fmod(a, b);
      break;
  }
  if (!std::isfinite(r)) {
    *why = "Script error: " + Shown(Value::Float(a)) + " " + op + " " + Shown(Value::Float(b)) + " is too large";
    return false;
  }
  *result = Value::Float(r);
  return true;
}

std::string WithArticle(const Value& v) {
  const std::string kind = v.KindName();
  return (std::string("aeiou").find(kind[0]) != std::string::npos ? "an " : "a ") + kind;
}

}  // namespace

bool ApplyBinary(char op, const Value& a, const Value& b, Value* result, std::string* why) {
  if (a.IsInt() && b.IsInt()) return IntOperation(op, a.integer, b.integer, result, why);
  const bool numbers = (a.IsInt() || a.kind == Value::Kind::Float) && (b.IsInt() || b.kind == Value::Kind::Float);
  if (numbers) return FloatOperation(op, a.AsFloat(), b.AsFloat(), result, why);
  if (op == '+' && a.IsString() && b.IsString()) {
    *result = Value::String(a.string + b.string);
    return true;
  }
  *why = std::string("Script error: '") + op + "' cannot be applied to " + WithArticle(a) + " and " + WithArticle(b);
  return false;
}

bool ApplyNegate(const Value& a, Value* result, std::string* why) {
  if (a.IsInt()) {
    if (a.integer == std::numeric_limits<int>::min()) {
      *why = "Script error: -(-2147483648) does not fit in an int";
      return false;
    }
    *result = Value::Int(-a.integer);
    return true;
  }
  if (a.kind == Value::Kind::Float) {
    *result = Value::Float(-a.floating);
    return true;
  }
  *why = "Script error: '-' needs a number, not " + WithArticle(a);
  return false;
}

}  // namespace tintara::script
