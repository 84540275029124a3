#include "runtime/script/Evaluator.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <new>

#include "runtime/script/Operators.h"
#include "runtime/script/Parser.h"
#include "runtime/script/PositionedClip.h"

namespace tintara::script {

namespace {

class Evaluator {
 public:
  explicit Evaluator(Environment& env) : env_(env) {}

  Result Run(const Program& program) {
    Result result;
    for (const Statement& s : program.statements) {
      Value v = Eval(*s.value);
      switch (s.kind) {
        case Statement::Kind::Return:
          result.value = v;
          result.where = s.where;
          return result;
        case Statement::Kind::Assignment:
          Assign(s.variable, v);
          result = Result();
          break;
        case Statement::Kind::Expression:
          // Only a clip becomes `last`; other values (a LoadPlugin's text) are dropped.
          if (v.IsClip()) Assign("last", v);
          result.value = v;
          result.where = s.where;
          break;
      }
    }
    if (!result.value.Defined()) {
      Value last;
      if (env_.GetVariable("last", &last)) result.value = last;
      if (!program.statements.empty()) result.where = program.statements.back().where;
    }
    return result;
  }

  // The top-level variables in order of first assignment, with their values now.
  std::vector<std::pair<std::string, Value>> Variables() const {
    std::vector<std::pair<std::string, Value>> out;
    for (const std::string& name : assigned_) {
      Value v;
      if (env_.GetVariable(name, &v)) out.emplace_back(name, v);
    }
    return out;
  }

 private:
  void Assign(const std::string& name, const Value& v) {
    env_.SetVariable(name, v);
    const bool known = std::any_of(assigned_.begin(), assigned_.end(),
                                   [&](const std::string& seen) { return SameWord(seen, name); });
    if (!known) assigned_.push_back(name);
  }

  static bool SameWord(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  }

  Value Eval(const Node& n) {
    switch (n.kind) {
      case Node::Kind::Literal:
        return n.value;
      case Node::Kind::Identifier: {
        Value v;
        if (env_.GetVariable(n.name, &v)) return v;
        if (!env_.HasFunction(n.name))
          throw ScriptError("Script error: '" + n.name + "' is neither a variable nor a function", n.where);
        return CallFunction(n, {});
      }
      case Node::Kind::Call: {
        std::vector<Argument> args;
        for (size_t i = 0; i < n.operands.size(); ++i) args.push_back({n.names[i], Eval(*n.operands[i])});
        return CallFunction(n, args);
      }
      case Node::Kind::Negate: {
        Value result;
        std::string why;
        if (!ApplyNegate(Eval(*n.operands[0]), &result, &why)) throw ScriptError(why, n.where);
        return result;
      }
      case Node::Kind::Binary: {
        const Value a = Eval(*n.operands[0]);
        const Value b = Eval(*n.operands[1]);
        Value result;
        std::string why;
        if (!ApplyBinary(n.op, a, b, &result, &why)) throw ScriptError(why, n.where);
        return result;
      }
    }
    return Value();
  }

  // Calls as given; when no signature matches and `last` is a clip, calls again with `last`
  // in front (the implicit `last` of `Trim(0, 9)` on a line of its own). The method form
  // already has its clip.
  Value CallFunction(const Node& n, const std::vector<Argument>& args) {
    if (!env_.HasFunction(n.name)) throw ScriptError("Script error: there is no function named '" + n.name + "'", n.where);
    Value result;
    std::string why;
    try {
      if (!env_.TryCall(n.name, args, &result, &why)) {
        Value last;
        if (!n.method && env_.GetVariable("last", &last) && last.IsClip()) {
          std::vector<Argument> with_last;
          with_last.push_back({"", last});
          with_last.insert(with_last.end(), args.begin(), args.end());
          std::string why_with_last;
          if (env_.TryCall(n.name, with_last, &result, &why_with_last)) return Positioned(result, n.where);
          if (MeantForLast(n.name, args)) why = why_with_last;
        }
        throw ScriptError(why, n.where);
      }
    } catch (const AvisynthError& e) {
      throw ScriptError(e.msg ? e.msg : "unknown error", n.where);
    } catch (const ScriptError&) {
      throw;
    } catch (const std::bad_alloc&) {
      throw ScriptError(n.name + ": out of memory", n.where);
    } catch (const std::exception& e) {
      throw ScriptError(n.name + ": " + e.what(), n.where);
    }
    return Positioned(result, n.where);
  }

  // Whether a call that failed both ways was meant for `last`, so that the reason given with
  // `last` in front is the one to show: the function starts with one required clip and the
  // call gives none in that place.
  bool MeantForLast(const std::string& name, const std::vector<Argument>& args) const {
    const std::vector<std::string> signatures = env_.Signatures(name);
    std::vector<Parameter> params;
    if (signatures.empty() || !ParseSignature(signatures.back(), &params) || params.empty()) return false;
    const Parameter& first = params[0];
    if (first.type != 'c' || first.optional || first.many) return false;
    return args.empty() || !args[0].name.empty() || !args[0].value.IsClip();
  }

  static Value Positioned(Value v, Position where) {
    if (v.IsClip() && v.clip) v.clip = PClip(new PositionedClip(v.clip, where));
    return v;
  }

  Environment& env_;
  std::vector<std::string> assigned_;
};

}  // namespace

Result Evaluate(Environment& env, const Program& program) { return Evaluator(env).Run(program); }

Result RunScript(Environment& env, const std::string& source, const RunOptions& options) {
  SliderRun sliders;
  sliders.file = options.path;
  sliders.settings = options.sliders;
  const Program program = Parse(source, &sliders);
  Evaluator evaluator(env);
  Result result = evaluator.Run(program);
  result.variables = evaluator.Variables();
  result.files.push_back(options.path);
  result.sliders = program.sliders;
  return result;
}

}  // namespace tintara::script
