// The script language's syntax tree, and the error every stage of running a script throws:
// a message together with the place in the script it belongs to.
//
// The tree is kept compact, since a script may be megabytes long: nodes live in one array of
// the program and refer to their operands by index, names and strings live once in a table.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
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

// Genuine nesting (parentheses, arguments, unary operators, `?:`) deeper than this is refused.
// Runs of operators and method chains are not nesting: they are kept flat.
constexpr int kMaxDepth = 400;

using NodeId = int32_t;

// Operators of the runs: which one joins an operand to the one before it.
enum class Op : uint8_t {
  None,
  Add,
  Subtract,
  Splice,  // + - ++
  Multiply,
  Divide,
  Remainder,  // * / %
  Equal,
  NotEqual,
  Less,
  Greater,
  LessEqual,
  GreaterEqual,
  And,
  Or,  // && ||
  Not,
  Negate,  // unary ! -
};

struct Node {
  enum class Kind : uint8_t {
    Int,
    Float,
    String,
    Bool,     // literals
    Name,     // `name`: a variable, else a call without arguments
    Call,     // `name(arguments)`; in a chain, the clip before the dot is the first argument
    Named,    // an argument `name = value`: one operand
    Chain,    // operand 0, then method calls applied in turn: `c.Trim(0, 9).FlipVertical`
    Unary,    // `op` applied to one operand
    Sum,      // + - ++ run, grouped from the right
    Product,  // * / % run, grouped from the left
    Compare,  // a run of comparisons: each pair in turn, all must hold
    And,
    Or,       // && or || run, short-circuit
    Ternary,  // condition ? a : b
  };

  Kind kind = Kind::Int;
  Op op = Op::None;
  bool boolean = false;
  Position where;     // the name of a call, the operator, the first character of a literal
  int32_t first = 0;  // operands: links [first, first + count) of the program
  int32_t count = 0;
  union {
    int64_t integer = 0;  // Int; for Name, Call, Named and String: index in the text table
    double floating;      // Float
  };
};

// An operand of a node, with the operator before it in a run (None for the first) and where
// that operator is written.
struct Link {
  NodeId node = 0;
  Op op = Op::None;
  Position where;
};

struct Statement {
  enum class Kind : uint8_t { Expression, Assignment, Global, Return };
  Kind kind = Kind::Expression;
  Position where;
  int32_t variable = -1;  // assignments: index in the text table
  NodeId value = -1;
};

struct FunctionDefinition {
  struct Parameter {
    std::string name;
    char type = '.';        // the signature letter
    bool optional = false;  // written with its name quoted
  };
  std::string name;
  Position where;
  std::vector<Parameter> parameters;
  std::vector<Statement> body;
};

struct Program {
  std::string file;  // "" for the main script
  // Deques grow without moving what they hold, so a long script never needs its tree twice over.
  std::deque<Node> nodes;
  std::deque<Link> links;
  std::vector<std::string> texts;
  std::vector<Statement> statements;
  std::vector<FunctionDefinition> functions;  // in the order defined
  std::vector<Slider> sliders;                // in the order they are written

  const Node& At(NodeId id) const { return nodes[static_cast<size_t>(id)]; }
  const Link& Operand(const Node& n, int i) const { return links[static_cast<size_t>(n.first + i)]; }
  const std::string& Text(int64_t index) const { return texts[static_cast<size_t>(index)]; }
};

}  // namespace tintara::script
