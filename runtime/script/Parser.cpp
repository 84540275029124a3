#include "runtime/script/Parser.h"

#include <algorithm>
#include <cctype>

#include "runtime/script/Lexer.h"

namespace tintara::script {

namespace {

bool SameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

[[noreturn]] void TooDeep(Position where) {
  throw ScriptError("Script error: the expression is nested too deeply (more than " + std::to_string(kMaxDepth) +
                        " levels)",
                    where);
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  Program Run() {
    Program program;
    while (Peek().kind != Token::Kind::End) {
      if (Peek().kind == Token::Kind::Newline) {
        Next();
        continue;
      }
      program.statements.push_back(ParseStatement());
      const Token& after = Peek();
      if (after.kind != Token::Kind::Newline && after.kind != Token::Kind::End)
        throw ScriptError("Script error: expected the end of the line, found " + after.Describe(), after.where);
    }
    return program;
  }

 private:
  // Line breaks count only outside parentheses.
  const Token& Peek() {
    while (parens_ > 0 && tokens_[at_].kind == Token::Kind::Newline) ++at_;
    return tokens_[at_];
  }
  const Token& PeekAfter() {
    Peek();
    size_t k = at_ + 1;
    while (parens_ > 0 && k < tokens_.size() && tokens_[k].kind == Token::Kind::Newline) ++k;
    return tokens_[std::min(k, tokens_.size() - 1)];
  }
  const Token& Next() {
    const Token& t = Peek();
    if (t.kind != Token::Kind::End) ++at_;
    return t;
  }
  void Expect(char symbol, const std::string& after) {
    const Token& t = Peek();
    if (!t.Is(symbol))
      throw ScriptError("Script error: expected '" + std::string(1, symbol) + "' " + after + ", found " + t.Describe(),
                        t.where);
    Next();
  }

  Statement ParseStatement() {
    Statement s;
    const Token& first = Peek();
    s.where = first.where;
    if (first.kind == Token::Kind::Identifier && PeekAfter().Is('=')) {
      if (IsKeyword(first.text))
        throw ScriptError("Script error: '" + first.text + "' is a reserved word and cannot be assigned to", first.where);
      s.kind = Statement::Kind::Assignment;
      s.variable = first.text;
      Next();
      Next();
    } else if (first.kind == Token::Kind::Identifier && SameWord(first.text, "return")) {
      s.kind = Statement::Kind::Return;
      Next();
    }
    s.value = ParseExpression();
    return s;
  }

  static bool IsKeyword(const std::string& word) {
    return SameWord(word, "return") || SameWord(word, "true") || SameWord(word, "false");
  }

  std::unique_ptr<Node> MakeNode(Node::Kind kind, Position where) {
    auto n = std::make_unique<Node>();
    n->kind = kind;
    n->where = where;
    return n;
  }
  // Adds an operand and keeps the depth within the limit.
  void Attach(Node* parent, std::unique_ptr<Node> child) {
    parent->depth = std::max(parent->depth, child->depth + 1);
    if (parent->depth > kMaxDepth) TooDeep(parent->where);
    parent->operands.push_back(std::move(child));
  }

  // Each nested expression enters here, so recursion is bounded by the depth limit.
  std::unique_ptr<Node> ParseExpression() {
    if (++nesting_ > kMaxDepth) TooDeep(Peek().where);
    std::unique_ptr<Node> left = ParseTerm();
    while (Peek().Is('+') || Peek().Is('-')) {
      const Token& op = Next();
      auto n = MakeNode(Node::Kind::Binary, op.where);
      n->op = op.text[0];
      Attach(n.get(), std::move(left));
      Attach(n.get(), ParseTerm());
      left = std::move(n);
    }
    --nesting_;
    return left;
  }

  std::unique_ptr<Node> ParseTerm() {
    std::unique_ptr<Node> left = ParseUnary();
    while (Peek().Is('*') || Peek().Is('/') || Peek().Is('%')) {
      const Token& op = Next();
      auto n = MakeNode(Node::Kind::Binary, op.where);
      n->op = op.text[0];
      Attach(n.get(), std::move(left));
      Attach(n.get(), ParseUnary());
      left = std::move(n);
    }
    return left;
  }

  std::unique_ptr<Node> ParseUnary() {
    if (Peek().Is('-') || Peek().Is('+')) {
      if (++nesting_ > kMaxDepth) TooDeep(Peek().where);
      const Token& op = Next();
      std::unique_ptr<Node> operand = ParseUnary();
      --nesting_;
      if (op.Is('+')) return operand;
      auto n = MakeNode(Node::Kind::Negate, op.where);
      Attach(n.get(), std::move(operand));
      return n;
    }
    return ParsePostfix();
  }

  std::unique_ptr<Node> ParsePostfix() {
    std::unique_ptr<Node> left = ParsePrimary();
    while (Peek().Is('.')) {
      Next();
      const Token& name = Peek();
      if (name.kind != Token::Kind::Identifier)
        throw ScriptError("Script error: expected a function name after '.', found " + name.Describe(), name.where);
      Next();
      auto call = MakeNode(Node::Kind::Call, name.where);
      call->name = name.text;
      call->method = true;
      call->names.push_back("");
      Attach(call.get(), std::move(left));
      if (Peek().Is('(')) ParseArguments(call.get());
      left = std::move(call);
    }
    return left;
  }

  std::unique_ptr<Node> ParsePrimary() {
    const Token& t = Peek();
    switch (t.kind) {
      case Token::Kind::Int:
      case Token::Kind::Float:
      case Token::Kind::String: {
        auto n = MakeNode(Node::Kind::Literal, t.where);
        n->value = t.kind == Token::Kind::Int     ? Value::Int(t.integer)
                   : t.kind == Token::Kind::Float ? Value::Float(t.floating)
                                                  : Value::String(t.text);
        Next();
        return n;
      }
      case Token::Kind::Identifier: {
        if (SameWord(t.text, "true") || SameWord(t.text, "false")) {
          auto n = MakeNode(Node::Kind::Literal, t.where);
          n->value = Value::Bool(SameWord(t.text, "true"));
          Next();
          return n;
        }
        if (SameWord(t.text, "return"))
          throw ScriptError("Script error: 'return' may only begin a statement", t.where);
        Next();
        if (!Peek().Is('(')) {
          auto n = MakeNode(Node::Kind::Identifier, t.where);
          n->name = t.text;
          return n;
        }
        auto call = MakeNode(Node::Kind::Call, t.where);
        call->name = t.text;
        ParseArguments(call.get());
        return call;
      }
      case Token::Kind::Symbol:
        if (t.Is('(')) {
          Next();
          ++parens_;
          std::unique_ptr<Node> inner = ParseExpression();
          Expect(')', "to close the parenthesis");
          --parens_;
          return inner;
        }
        break;
      default:
        break;
    }
    throw ScriptError("Script error: expected a value (a number, a string, a name or '('), found " + t.Describe(),
                      t.where);
  }

  // `(` arguments `)`: each argument positional or `name = value`.
  void ParseArguments(Node* call) {
    Next();  // (
    ++parens_;
    if (!Peek().Is(')')) {
      for (;;) {
        std::string name;
        if (Peek().kind == Token::Kind::Identifier && PeekAfter().Is('=')) {
          name = Next().text;
          Next();
        }
        call->names.push_back(name);
        Attach(call, ParseExpression());
        if (!Peek().Is(',')) break;
        Next();
      }
    }
    Expect(')', "after the arguments of " + call->name);
    --parens_;
  }

  std::vector<Token> tokens_;
  size_t at_ = 0;
  int parens_ = 0;
  int nesting_ = 0;
};

}  // namespace

Program Parse(const std::string& source, SliderRun* sliders) {
  Program program = Parser(Tokenize(source, sliders)).Run();
  if (sliders) program.sliders = sliders->met;
  return program;
}

}  // namespace tintara::script
