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

// `file` is the script the position is in: "" for the main script, else an imported file's path.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string& message, Position where, std::string file = "")
      : std::runtime_error(message), where_(where), file_(std::move(file)) {}
  Position Where() const { return where_; }
  const std::string& File() const { return file_; }

 private:
  Position where_;
  std::string file_;
};

// A number written `[<"label", min, max, default>]`: a value a page may change without editing
// the script by hand. It stands for its default, or for the setting given for its label.
struct Slider {
  std::string label;
  double min = 0, max = 0, default_value = 0;
  double value = 0;       // what the script used: the default or the clamped setting
  bool is_float = false;  // min, max or default written with a '.'
  std::string file;       // the script it is written in, as opened ("" for standard input)
  size_t offset = 0;      // byte offset and length of the default's text in that file
  size_t length = 0;
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
  std::vector<Slider> sliders;  // in the order they are written
};

}  // namespace tintara::script
