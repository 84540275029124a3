// The script language's syntax tree, and the error every stage of running a script throws:
// a message together with the place in the script it belongs to.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/Value.h"

namespace tintara::script {

// A place in the script: 1-based line and column (column counts bytes). Line 0: no place.
struct Position {
  int line = 0;
  int column = 0;
};

class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string& message, Position where) : std::runtime_error(message), where_(where) {}
  Position Where() const { return where_; }

 private:
  Position where_;
};

// Deeper expressions are refused: evaluation recurses once per level.
constexpr int kMaxDepth = 400;

struct Node {
  enum class Kind {
    Literal,     // `value`
    Identifier,  // `name`: a variable, or else a call without arguments
    Call,        // `name(arguments)`, or the method form with the clip as first argument
    Negate,      // -operand
    Binary,      // operand op operand
  };

  Kind kind = Kind::Literal;
  Position where;  // the name of a call, the operator, the first character of a literal
  int depth = 1;   // levels of nodes below and including this one
  Value value;
  std::string name;
  char op = 0;
  bool method = false;  // `clip.Name`: the first operand is the clip before the dot
  std::vector<std::unique_ptr<Node>> operands;  // arguments in order, or the operator's operands
  std::vector<std::string> names;               // per argument: its name, "" when positional
};

struct Statement {
  enum class Kind { Expression, Assignment, Return };
  Kind kind = Kind::Expression;
  Position where;
  std::string variable;  // assignments
  std::unique_ptr<Node> value;
};

struct Program {
  std::vector<Statement> statements;
};

}  // namespace tintara::script
