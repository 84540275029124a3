#include "runtime/script/Evaluator.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <unordered_set>

#include "runtime/Names.h"
#include "runtime/script/Operators.h"
#include "runtime/script/Parser.h"
#include "runtime/script/PositionedClip.h"
#include "runtime/script/StackGuard.h"

namespace tintara::script {

namespace {

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The signature a script function registers: required parameters by type, optional ones named.
std::string SignatureOf(const FunctionDefinition& f) {
  std::string s;
  for (const FunctionDefinition::Parameter& p : f.parameters) {
    if (p.optional) s += "[" + p.name + "]";
    s += p.type;
  }
  return s;
}

constexpr const char* kHint = "\nHint: ";  // begins the line that says what a message means

class Interpreter : public std::enable_shared_from_this<Interpreter> {
 public:
  Interpreter(Environment& env, const RunOptions& options) : env_(env), options_(options) {}

  Result RunMain(const std::string& source) {
    Result result;
    const std::shared_ptr<const Program> program = Load(source, options_.path, "");
    Position where;
    result.value = RunBlock(program, program->statements, &where);
    result.where = where;
    if (!result.value.Defined()) {
      Value last;
      if (env_.GetVariable("last", &last)) result.value = last;
    }
    for (const std::string& name : assigned_) {
      Value v;
      if (env_.GetVariable(name, &v)) result.variables.emplace_back(name, v);
    }
    result.files = files_;
    result.sliders = sliders_;
    return result;
  }

 private:
  // Parses a file of the script and registers the functions it defines.
  std::shared_ptr<const Program> Load(const std::string& source, const std::string& path, const std::string& file) {
    SliderRun sliders;
    sliders.file = path;
    sliders.settings = options_.sliders;
    files_.push_back(path);
    auto program = std::make_shared<const Program>(Parse(source, &sliders, file));
    sliders_.insert(sliders_.end(), program->sliders.begin(), program->sliders.end());
    programs_.push_back(program);
    for (size_t i = 0; i < program->functions.size(); ++i) Define(program, i);
    return program;
  }

  void Define(const std::shared_ptr<const Program>& program, size_t index) {
    const FunctionDefinition& f = program->functions[index];
    // The environment keeps the interpreter alive for as long as it keeps the function.
    std::shared_ptr<Interpreter> self = shared_from_this();
    env_.AddScriptFunction(f.name, SignatureOf(f), [self, program, index](Environment&, std::vector<Value>& args) {
      return self->RunFunction(program, program->functions[index], args);
    });
  }

  // A script function runs in a context of its own: its parameters, its own `last`, and the
  // globals; the caller's variables are out of sight.
  Value RunFunction(const std::shared_ptr<const Program>& program, const FunctionDefinition& f,
                    std::vector<Value>& args) {
    struct Context {
      explicit Context(Environment& e) : env(e) { env.PushContext(); }
      ~Context() { env.PopContext(); }
      Environment& env;
    } context(env_);
    for (size_t i = 0; i < f.parameters.size(); ++i) {
      Value v = args[i];
      if (f.parameters[i].type == 'f' && v.IsInteger()) v = Value::Float(v.AsFloat());
      env_.SetVariable(f.parameters[i].name, v);
    }
    ++depth_;
    Position where;
    Value v;
    try {
      v = RunBlock(program, f.body, &where);
    } catch (...) {
      --depth_;
      throw;
    }
    --depth_;
    return v;
  }

  // Runs statements in the current context. The value is that of the first `return`, else of
  // the last statement (nothing when it is an assignment).
  Value RunBlock(const std::shared_ptr<const Program>& program, const std::vector<Statement>& statements,
                 Position* where) {
    const Program& p = *program;
    Value result;
    for (const Statement& s : statements) {
      Value v = Eval(p, s.value);
      *where = s.where;
      switch (s.kind) {
        case Statement::Kind::Return: return v;
        case Statement::Kind::Assignment:
          Assign(p.Text(s.variable), v, false);
          result = Value();
          break;
        case Statement::Kind::Global:
          Assign(p.Text(s.variable), v, true);
          result = Value();
          break;
        case Statement::Kind::Expression:
          // Only a clip becomes `last`; other values (a LoadPlugin's text) are dropped.
          if (v.IsClip()) Assign("last", v, false);
          result = v;
          break;
      }
    }
    return result;
  }

  void Assign(const std::string& name, const Value& v, bool global) {
    if (global)
      env_.SetGlobalVariable(name, v);
    else
      env_.SetVariable(name, v);
    if (depth_ > 0) return;
    if (assigned_keys_.insert(LowerCase(name)).second) assigned_.push_back(name);
  }

  [[noreturn]] static void Fail(const Program& p, const std::string& why, Position where) {
    throw ScriptError(why, where, p.file);
  }

  Value Eval(const Program& p, NodeId id) {
    const Node& n = p.At(id);
    switch (n.kind) {
      case Node::Kind::Int: return Value::Integer(n.integer);
      case Node::Kind::Float: return Value::Float(n.floating);
      case Node::Kind::String: return Value::String(p.Text(n.integer));
      case Node::Kind::Bool: return Value::Bool(n.boolean);
      case Node::Kind::Name: return EvalName(p, n);
      case Node::Kind::Call: return EvalCall(p, n, nullptr);
      case Node::Kind::Named: return Eval(p, p.Operand(n, 0).node);
      case Node::Kind::Chain: {
        Value v = Eval(p, p.Operand(n, 0).node);
        for (int i = 1; i < n.count; ++i) v = EvalCall(p, p.At(p.Operand(n, i).node), &v);
        return v;
      }
      case Node::Kind::Unary: {
        Value result;
        std::string why;
        if (!ApplyUnary(n.op, Eval(p, p.Operand(n, 0).node), &result, &why)) Fail(p, why, n.where);
        return result;
      }
      case Node::Kind::Sum: return EvalSum(p, n);
      case Node::Kind::Product: {
        Value acc = Eval(p, p.Operand(n, 0).node);
        for (int i = 1; i < n.count; ++i) {
          const Link& link = p.Operand(n, i);
          Value result;
          std::string why;
          if (!ApplyBinary(link.op, acc, Eval(p, link.node), &result, &why)) Fail(p, why, link.where);
          acc = std::move(result);
        }
        return acc;
      }
      case Node::Kind::Compare: {
        Value left = Eval(p, p.Operand(n, 0).node);
        for (int i = 1; i < n.count; ++i) {
          const Link& link = p.Operand(n, i);
          Value right = Eval(p, link.node);
          bool holds = false;
          std::string why;
          if (!ApplyComparison(link.op, left, right, &holds, &why)) Fail(p, why, link.where);
          if (!holds) return Value::Bool(false);
          left = std::move(right);
        }
        return Value::Bool(true);
      }
      case Node::Kind::And:
      case Node::Kind::Or: {
        // Grouped from the right, so every operand but the last is a left operand.
        const bool is_or = n.kind == Node::Kind::Or;
        for (int i = 0; i < n.count; ++i) {
          const Value v = Eval(p, p.Operand(n, i).node);
          const bool last = i == n.count - 1;
          if (!v.IsBool())
            Fail(p,
                 std::string("Evaluate: ") + (last ? "right" : "left") + " operand of " + (is_or ? "||" : "&&") +
                     " must be boolean (true/false)",
                 p.Operand(n, last ? i : i + 1).where);
          if (v.boolean == is_or || last) return v;
        }
        return Value();
      }
      case Node::Kind::Ternary: {
        const Value c = Eval(p, p.Operand(n, 0).node);
        if (!c.IsBool()) Fail(p, "Evaluate: left of `?' must be boolean (true/false)", n.where);
        return Eval(p, p.Operand(n, c.boolean ? 1 : 2).node);
      }
    }
    return Value();
  }

  // `a - b - c` is `a + ((-b) + (-c))`: operands are evaluated in order, each after a '-'
  // negated at once, then joined from the right; `+` of clips is UnalignedSplice, `++`
  // AlignedSplice.
  Value EvalSum(const Program& p, const Node& n) {
    std::vector<Value> values;
    values.reserve(static_cast<size_t>(n.count));
    for (int i = 0; i < n.count; ++i) {
      const Link& link = p.Operand(n, i);
      Value v = Eval(p, link.node);
      if (link.op == Op::Subtract) {
        Value negated;
        std::string why;
        if (!ApplyUnary(Op::Negate, v, &negated, &why)) Fail(p, why, link.where);
        v = std::move(negated);
      }
      values.push_back(std::move(v));
    }
    Value acc = std::move(values.back());
    for (int i = n.count - 2; i >= 0; --i) {
      const Link& link = p.Operand(n, i + 1);
      Value& left = values[static_cast<size_t>(i)];
      if (link.op == Op::Splice || (left.IsClip() && acc.IsClip())) {
        if (!left.IsClip() || !acc.IsClip()) Fail(p, "Evaluate: operands of `++' must be clips", link.where);
        const char* splice = link.op == Op::Splice ? "AlignedSplice" : "UnalignedSplice";
        acc = CallFunction(p, link.where, splice, {{"", left}, {"", acc}}, true, false);
        continue;
      }
      Value result;
      std::string why;
      if (!ApplyBinary(Op::Add, left, acc, &result, &why)) Fail(p, why, link.where);
      acc = std::move(result);
    }
    return acc;
  }

  // A bare name: a variable, else a function called without arguments (or with `last`).
  Value EvalName(const Program& p, const Node& n) {
    const std::string& name = p.Text(n.integer);
    Value v;
    if (env_.GetVariable(name, &v)) return v;
    if (!env_.HasFunction(name) && !IsIntrinsic(name)) Fail(p, "I don't know what '" + name + "' means.", n.where);
    return EvalCall(p, n, nullptr);
  }

  static bool IsIntrinsic(const std::string& name) {
    return SameName(name, "Import") || SameName(name, "Default") || SameName(name, "Defined") ||
           SameName(name, "String");
  }

  // A call; `method` is the clip before the dot in a chain.
  Value EvalCall(const Program& p, const Node& n, const Value* method) {
    const std::string& name = p.Text(n.integer);
    std::vector<Argument> args;
    if (method) args.push_back({"", *method});
    if (n.kind == Node::Kind::Call)
      for (int i = 0; i < n.count; ++i) {
        const Node& operand = p.At(p.Operand(n, i).node);
        Argument a;
        if (operand.kind == Node::Kind::Named) a.name = p.Text(operand.integer);
        a.value = Eval(p, p.Operand(n, i).node);
        args.push_back(std::move(a));
      }
    if (IsIntrinsic(name)) return Intrinsic(p, n, name, args);
    return CallFunction(p, n.where, name, args, method != nullptr, n.kind == Node::Kind::Call && n.boolean);
  }

  // Default, Defined and Import belong to the language: they see undefined values and scopes.
  // String is here because it is the language's own way of printing a value.
  Value Intrinsic(const Program& p, const Node& n, const std::string& name, const std::vector<Argument>& args) {
    const bool positional = std::all_of(args.begin(), args.end(), [](const Argument& a) { return a.name.empty(); });
    if (SameName(name, "Defined") && positional && args.size() == 1) return Value::Bool(args[0].value.Defined());
    if (SameName(name, "Default") && positional && args.size() == 2)
      return args[0].value.Defined() ? args[0].value : args[1].value;
    if (SameName(name, "String") && positional && args.size() == 1) {
      const Value& v = args[0].value;
      if (v.IsString()) return v;
      if (v.IsBool()) return Value::String(v.boolean ? "true" : "false");
      if (v.IsInteger()) return Value::String(std::to_string(v.AsInteger()));
      if (v.kind == Value::Kind::Float) {
        char text[400];  // %f of the largest double needs 317 characters
        std::snprintf(text, sizeof text, "%f", v.floating);
        return Value::String(text);
      }
    }
    if (SameName(name, "Import") && positional && !args.empty() &&
        std::all_of(args.begin(), args.end(), [](const Argument& a) { return a.value.IsString(); })) {
      Value v;
      for (const Argument& a : args) v = Import(p, n.where, a.value.string);
      return v;
    }
    Fail(p, "Script error: Invalid arguments to function '" + name + "'.", n.where);
  }

  // The file is read relative to the folder of the script that imports it, and run in the
  // caller's context: its variables and functions stay defined afterwards.
  Value Import(const Program& p, Position where, const std::string& written) {
    if (StackNearlyFull(true)) TooDeep(p, where);
    const std::string& importer = p.file.empty() ? options_.path : p.file;
    const std::string path = !written.empty() && written[0] == '/' ? written : Folder(importer) + written;
    std::ostringstream text;
    {
      // Closed before the file runs, so that imports nested deeply hold no files open.
      std::ifstream in(path, std::ios::binary);
      if (!in) Fail(p, "Import: couldn't open \"" + written + "\"", where);
      text << in.rdbuf();
    }
    const std::shared_ptr<const Program> program = Load(text.str(), path, path);
    Position last;
    return RunBlock(program, program->statements, &last);
  }

  [[noreturn]] void TooDeep(const Program& p, Position where) {
    Fail(p,
         "Script error: the function calls are nested too deeply for the stack (a function that calls itself needs a "
         "condition that ends it)",
         where);
  }

  // Calls as given; when no function fits and the call is not a method call, calls again with
  // `last` in front (the implicit `last` of `Trim(0, 9)` on a line of its own).
  Value CallFunction(const Program& p, Position where, const std::string& name, const std::vector<Argument>& args,
                     bool method, bool colour_comment) {
    if (StackNearlyFull(true)) TooDeep(p, where);
    Value result;
    std::string why;
    try {
      if (env_.TryCall(name, args, &result, &why)) return Positioned(result, where, p.file);
      if (!env_.HasFunction(name)) Fail(p, why, where);
      Value last;
      std::vector<Argument> with_last;
      if (!method && env_.GetVariable("last", &last) && last.Defined()) {
        with_last.push_back({"", last});
        with_last.insert(with_last.end(), args.begin(), args.end());
        std::string why_with_last;
        if (env_.TryCall(name, with_last, &result, &why_with_last)) return Positioned(result, where, p.file);
      }
      const bool for_last = !with_last.empty() && last.IsClip() && MeantForLast(name, args);
      const std::string mismatch = env_.Mismatch(name, for_last ? with_last : args);
      if (colour_comment)
        why += kColourCommentHint;
      else if (!mismatch.empty())
        why += kHint + mismatch + ".";
      Fail(p, why, where);
    } catch (const ScriptError&) {
      throw;
    } catch (const AvisynthError& e) {
      Fail(p, e.msg ? e.msg : "unknown error", where);
    } catch (const std::bad_alloc&) {
      Fail(p, name + ": out of memory", where);
    } catch (const std::exception& e) {
      Fail(p, name + ": " + e.what(), where);
    }
  }

  // Whether a call that fits neither way was meant for `last`, so that what is wrong is told
  // with `last` in front: every form of the function starts with a required clip and the call
  // gives none there.
  bool MeantForLast(const std::string& name, const std::vector<Argument>& args) const {
    for (const std::string& signature : env_.Signatures(name)) {
      std::vector<Parameter> params;
      if (!ParseSignature(signature, &params) || params.empty() || params[0].type != 'c' || params[0].optional)
        return false;
    }
    return args.empty() || !args[0].name.empty() || !args[0].value.IsClip();
  }

  static Value Positioned(Value v, Position where, const std::string& file) {
    if (v.IsClip() && v.clip) v.clip = PClip(new PositionedClip(v.clip, where, file));
    return v;
  }

  Environment& env_;
  const RunOptions options_;
  std::vector<std::shared_ptr<const Program>> programs_;
  std::vector<std::string> files_;
  std::vector<Slider> sliders_;
  std::vector<std::string> assigned_;              // top-level variables in order of first assignment
  std::unordered_set<std::string> assigned_keys_;  // the same in lower case
  int depth_ = 0;                                  // script functions running
};

}  // namespace

Result RunScript(Environment& env, const std::string& source, const RunOptions& options) {
  Result result;
  std::exception_ptr failure;
  RunWithLargeStack([&]() {
    try {
      result = std::make_shared<Interpreter>(env, options)->RunMain(source);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace tintara::script
