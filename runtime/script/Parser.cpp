#include "runtime/script/Parser.h"

#include <cctype>
#include <deque>
#include <unordered_map>
#include <utility>

#include "runtime/script/StackGuard.h"

namespace tintara::script {

namespace {

bool SameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

bool Before(Position a, Position b) { return a.line < b.line || (a.line == b.line && a.column < b.column); }

// The parameter types of user functions and their signature letters.
bool TypeLetter(const std::string& word, char* letter) {
  static const std::pair<const char*, char> kTypes[] = {{"val", '.'},   {"bool", 'b'},   {"int", 'i'},
                                                        {"float", 'f'}, {"string", 's'}, {"clip", 'c'}};
  for (const auto& type : kTypes)
    if (SameWord(word, type.first)) {
      *letter = type.second;
      return true;
    }
  return false;
}

class Parser {
 public:
  Parser(const std::string& source, SliderRun* sliders, const std::string& file) : lexer_(source, sliders) {
    program_.file = file;
  }

  Program Run() {
    while (Peek().kind != Token::Kind::End) {
      if (Peek().kind == Token::Kind::Newline) {
        Next();
        continue;
      }
      if (Peek().kind == Token::Kind::Identifier && SameWord(Peek().text, "function")) {
        ParseFunction();
      } else {
        program_.statements.push_back(ParseStatement());
      }
      EndOfStatement(false);
    }
    return std::move(program_);
  }

 private:
  // ---- Tokens: pulled from the lexer as needed; line breaks count only outside parentheses.
  const Token& Fill(size_t k) {
    while (ahead_.size() <= k) ahead_.push_back(lexer_.Next());
    return ahead_[k];
  }
  void SkipLineBreaksInParentheses() {
    while (parens_ > 0 && Fill(0).kind == Token::Kind::Newline) ahead_.pop_front();
  }
  const Token& Peek() {
    SkipLineBreaksInParentheses();
    return Fill(0);
  }
  const Token& PeekAfter() {
    SkipLineBreaksInParentheses();
    size_t k = 1;
    while (parens_ > 0 && Fill(k).kind == Token::Kind::Newline) ++k;
    return Fill(k);
  }
  Token Next() {
    Token t = Peek();
    if (t.kind != Token::Kind::End) ahead_.pop_front();
    return t;
  }
  void Expect(const char* symbol, const std::string& after) {
    const Token& t = Peek();
    if (!t.Is(symbol))
      throw ScriptError("Script error: expected '" + std::string(symbol) + "' " + after + ", found " + t.Describe(),
                        t.where);
    Next();
  }
  void EndOfStatement(bool in_body) {
    const Token& after = Peek();
    if (after.kind == Token::Kind::Newline || after.kind == Token::Kind::End) return;
    if (in_body && after.Is('}')) return;
    if (after.Is('}')) throw ScriptError("Script error: found } without a matching {", after.where);
    throw ScriptError("Script error: expected the end of the line, found " + after.Describe(), after.where);
  }

  int32_t Intern(const std::string& text) {
    const auto found = interned_.find(text);
    if (found != interned_.end()) return found->second;
    const int32_t index = static_cast<int32_t>(program_.texts.size());
    program_.texts.push_back(text);
    interned_.emplace(text, index);
    return index;
  }

  // ---- Statements
  Statement ParseStatement() {
    Statement s;
    Token first = Peek();
    s.where = first.where;
    if (first.kind == Token::Kind::Identifier && SameWord(first.text, "global") &&
        PeekAfter().kind == Token::Kind::Identifier) {
      Next();
      first = Peek();
      if (!PeekAfter().Is('='))
        throw ScriptError("Script error: expected '=' after global " + first.text + ", found " + PeekAfter().Describe(),
                          PeekAfter().where);
      s.kind = Statement::Kind::Global;
    } else if (first.kind == Token::Kind::Identifier && PeekAfter().Is('=')) {
      s.kind = Statement::Kind::Assignment;
    } else if (first.kind == Token::Kind::Identifier && SameWord(first.text, "return")) {
      s.kind = Statement::Kind::Return;
      Next();
    }
    if (s.kind == Statement::Kind::Assignment || s.kind == Statement::Kind::Global) {
      if (IsKeyword(first.text))
        throw ScriptError("Script error: '" + first.text + "' is a reserved word and cannot be assigned to",
                          first.where);
      s.variable = Intern(first.text);
      Next();
      Next();
    }
    s.value = ParseExpression();
    return s;
  }

  static bool IsKeyword(const std::string& word) {
    return SameWord(word, "return") || SameWord(word, "true") || SameWord(word, "false") ||
           SameWord(word, "function") || SameWord(word, "global");
  }

  // function Name(type a, type "b") { statements }
  void ParseFunction() {
    const Position where = Next().where;
    if (nesting_ > 0 || in_body_) throw ScriptError("Script error: a function cannot be defined inside another", where);
    FunctionDefinition f;
    const Token name = Next();
    if (name.kind != Token::Kind::Identifier || IsKeyword(name.text))
      throw ScriptError("Script error: expected a function name after 'function', found " + name.Describe(),
                        name.where);
    f.name = name.text;
    f.where = name.where;
    Expect("(", "after the function name " + f.name);
    ++parens_;
    if (!Peek().Is(')')) {
      for (;;) {
        f.parameters.push_back(ParseParameter(f));
        if (!Peek().Is(',')) break;
        Next();
      }
    }
    Expect(")", "after the parameters of " + f.name);
    --parens_;
    while (Peek().kind == Token::Kind::Newline) Next();
    Expect("{", "to begin the body of " + f.name);
    in_body_ = true;
    for (;;) {
      const Token& t = Peek();
      if (t.kind == Token::Kind::Newline) {
        Next();
        continue;
      }
      if (t.Is('}')) break;
      if (t.kind == Token::Kind::End)
        throw ScriptError("Script error: the body of " + f.name + " has no closing }", where);
      if (t.kind == Token::Kind::Identifier && SameWord(t.text, "function"))
        throw ScriptError("Script error: a function cannot be defined inside another", t.where);
      f.body.push_back(ParseStatement());
      EndOfStatement(true);
    }
    Next();
    in_body_ = false;
    program_.functions.push_back(std::move(f));
  }

  FunctionDefinition::Parameter ParseParameter(const FunctionDefinition& f) {
    FunctionDefinition::Parameter p;
    Token t = Next();
    // A type word followed by a name is the type; alone it is the name of an untyped parameter.
    if (t.kind == Token::Kind::Identifier && TypeLetter(t.text, &p.type) && !Peek().Is(',') && !Peek().Is(')')) {
      t = Next();
    } else {
      p.type = '.';
    }
    if (t.kind == Token::Kind::Identifier && !IsKeyword(t.text)) {
      if (!f.parameters.empty() && f.parameters.back().optional)
        throw ScriptError("Script error: can't have a named (quoted) parameter followed by an ordinary parameter",
                          t.where);
      p.name = t.text;
    } else if (t.kind == Token::Kind::String && !t.text.empty()) {
      p.name = t.text;
      p.optional = true;
    } else {
      throw ScriptError("Script error: expected a parameter name", t.where);
    }
    return p;
  }

  // ---- Nodes
  NodeId Emit(Node n, const std::vector<Link>& operands = {}) {
    n.first = static_cast<int32_t>(program_.links.size());
    n.count = static_cast<int32_t>(operands.size());
    program_.links.insert(program_.links.end(), operands.begin(), operands.end());
    program_.nodes.push_back(n);
    return static_cast<NodeId>(program_.nodes.size() - 1);
  }
  static Node Make(Node::Kind kind, Position where) {
    Node n;
    n.kind = kind;
    n.where = where;
    return n;
  }
  static Link Operand(NodeId id, Op op = Op::None, Position where = Position()) {
    Link l;
    l.node = id;
    l.op = op;
    l.where = where;
    return l;
  }

  // Entered once per level of genuine nesting, which is what the limit counts.
  struct Level {
    Level(Parser* p, Position where) : parser(p) {
      if (++parser->nesting_ > kMaxDepth || StackNearlyFull())
        throw ScriptError(
            "Script error: the expression is nested too deeply (more than " + std::to_string(kMaxDepth) + " levels)",
            where);
    }
    ~Level() { --parser->nesting_; }
    Parser* parser;
  };

  NodeId ParseExpression() {
    Level level(this, Peek().where);
    const NodeId condition = ParseRun(Node::Kind::Or);
    if (!Peek().Is('?')) return condition;
    const Position where = Next().where;
    const NodeId yes = ParseExpression();
    Expect(":", "after the value for true of '?'");
    const NodeId no = ParseExpression();
    return Emit(Make(Node::Kind::Ternary, where), {Operand(condition), Operand(yes), Operand(no)});
  }

  // The binary levels, from the loosest: each reads a run of operands of the next tighter level.
  static Node::Kind Tighter(Node::Kind kind) {
    switch (kind) {
      case Node::Kind::Or: return Node::Kind::And;
      case Node::Kind::And: return Node::Kind::Compare;
      case Node::Kind::Compare: return Node::Kind::Sum;
      case Node::Kind::Sum: return Node::Kind::Product;
      default: return Node::Kind::Unary;
    }
  }
  static Op OperatorOf(Node::Kind kind, const Token& t) {
    if (t.kind != Token::Kind::Symbol) return Op::None;
    static const std::pair<const char*, Op> kSum[] = {{"+", Op::Add}, {"-", Op::Subtract}, {"++", Op::Splice}};
    static const std::pair<const char*, Op> kProduct[] = {{"*", Op::Multiply}, {"/", Op::Divide}, {"%", Op::Remainder}};
    static const std::pair<const char*, Op> kCompare[] = {
        {"==", Op::Equal},  {"!=", Op::NotEqual},  {"<>", Op::NotEqual},    {"<", Op::Less},
        {">", Op::Greater}, {"<=", Op::LessEqual}, {">=", Op::GreaterEqual}};
    auto find = [&t](const auto& table) {
      for (const auto& entry : table)
        if (t.text == entry.first) return entry.second;
      return Op::None;
    };
    switch (kind) {
      case Node::Kind::Or: return t.text == "||" ? Op::Or : Op::None;
      case Node::Kind::And: return t.text == "&&" ? Op::And : Op::None;
      case Node::Kind::Compare: return find(kCompare);
      case Node::Kind::Sum: return find(kSum);
      case Node::Kind::Product: return find(kProduct);
      default: return Op::None;
    }
  }

  NodeId ParseRun(Node::Kind kind) {
    if (kind == Node::Kind::Unary) return ParseUnary();
    const Node::Kind tighter = Tighter(kind);
    const NodeId first = ParseRun(tighter);
    if (OperatorOf(kind, Peek()) == Op::None) return first;
    std::vector<Link> operands{Operand(first)};
    const Position where = Peek().where;
    for (Op op = OperatorOf(kind, Peek()); op != Op::None; op = OperatorOf(kind, Peek())) {
      const Position at = Next().where;
      operands.push_back(Operand(ParseRun(tighter), op, at));
    }
    return Emit(Make(kind, where), operands);
  }

  NodeId ParseUnary() {
    const Token& t = Peek();
    if (!t.Is('-') && !t.Is('+') && !t.Is('!')) return ParsePostfix();
    Level level(this, t.where);
    const Token op = Next();
    const NodeId operand = ParseUnary();
    if (op.Is('+')) return operand;
    Node n = Make(Node::Kind::Unary, op.where);
    n.op = op.Is('-') ? Op::Negate : Op::Not;
    return Emit(n, {Operand(operand)});
  }

  NodeId ParsePostfix() {
    const NodeId base = ParsePrimary();
    if (!Peek().Is('.')) return base;
    const Position where = Peek().where;
    std::vector<Link> links{Operand(base)};
    while (Peek().Is('.')) {
      Next();
      const Token name = Peek();
      if (name.kind != Token::Kind::Identifier)
        throw ScriptError("Script error: expected a function name after '.', found " + name.Describe(), name.where);
      Next();
      links.push_back(Operand(ParseCall(name, true)));
    }
    return Emit(Make(Node::Kind::Chain, where), links);
  }

  NodeId ParsePrimary() {
    const Token t = Peek();
    switch (t.kind) {
      case Token::Kind::Int: {
        Node n = Make(Node::Kind::Int, t.where);
        n.integer = t.integer;
        Next();
        return Emit(n);
      }
      case Token::Kind::Float: {
        Node n = Make(Node::Kind::Float, t.where);
        n.floating = t.floating;
        Next();
        return Emit(n);
      }
      case Token::Kind::String: {
        Node n = Make(Node::Kind::String, t.where);
        n.integer = Intern(t.text);
        Next();
        return Emit(n);
      }
      case Token::Kind::Identifier: {
        if (SameWord(t.text, "true") || SameWord(t.text, "false")) {
          Node n = Make(Node::Kind::Bool, t.where);
          n.boolean = SameWord(t.text, "true");
          Next();
          return Emit(n);
        }
        if (SameWord(t.text, "return")) throw ScriptError("Script error: 'return' may only begin a statement", t.where);
        Next();
        return ParseCall(t, false);
      }
      case Token::Kind::Symbol:
        if (t.Is('(')) {
          Next();
          ++parens_;
          const NodeId inner = ParseExpression();
          Expect(")", "to close the parenthesis");
          --parens_;
          return inner;
        }
        break;
      default: break;
    }
    throw ScriptError("Script error: expected a value (a number, a string, a name or '('), found " + t.Describe(),
                      t.where);
  }

  // After a name: a call with its arguments, or (without parentheses) a bare name, which in a
  // chain is a call too.
  NodeId ParseCall(const Token& name, bool in_chain) {
    if (!Peek().Is('(')) {
      Node n = Make(in_chain ? Node::Kind::Call : Node::Kind::Name, name.where);
      n.integer = Intern(name.text);
      return Emit(n);
    }
    Node call = Make(Node::Kind::Call, name.where);
    call.integer = Intern(name.text);
    std::vector<Link> arguments;
    Next();  // (
    ++parens_;
    try {
      if (!Peek().Is(')')) {
        for (;;) {
          if (Peek().kind == Token::Kind::Identifier && PeekAfter().Is('=')) {
            Node named = Make(Node::Kind::Named, Peek().where);
            named.integer = Intern(Next().text);
            Next();
            arguments.push_back(Operand(Emit(named, {Operand(ParseExpression())})));
          } else {
            arguments.push_back(Operand(ParseExpression()));
          }
          if (!Peek().Is(',')) break;
          Next();
        }
      }
      const Position close = Peek().where;
      Expect(")", "after the arguments of " + name.text);
      call.boolean = ColourCommentBetween(name.where, close);
    } catch (const ScriptError& e) {
      if (!ColourCommentBetween(name.where, e.Where()) || std::string(e.what()).find('\n') != std::string::npos) throw;
      throw ScriptError(std::string(e.what()) + kColourCommentHint, e.Where(), e.File());
    }
    --parens_;
    return Emit(call, arguments);
  }

  bool ColourCommentBetween(Position from, Position to) const {
    for (const Position& p : lexer_.ColourComments())
      if (Before(from, p) && Before(p, to)) return true;
    return false;
  }

 private:
  Lexer lexer_;
  std::deque<Token> ahead_;
  Program program_;
  std::unordered_map<std::string, int32_t> interned_;
  int parens_ = 0;
  int nesting_ = 0;
  bool in_body_ = false;
};

}  // namespace

Program Parse(const std::string& source, SliderRun* sliders, const std::string& file) {
  try {
    Program program = Parser(source, sliders, file).Run();
    if (sliders) program.sliders = sliders->met;
    return program;
  } catch (const ScriptError& e) {
    if (!e.File().empty() || file.empty()) throw;
    throw ScriptError(e.what(), e.Where(), file);
  }
}

}  // namespace tintara::script
