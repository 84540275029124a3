// The script syntax: tokens, continued lines, the tree of calls and operators, and syntax
// errors that say what was expected and where.
#include <gtest/gtest.h>

#include <string>

#include "runtime/script/Lexer.h"
#include "runtime/script/Parser.h"

namespace tintara::script {
namespace {

// The error a script raises while being parsed, with its position, as "message @line:column".
std::string ParseError(const std::string& source) {
  try {
    Parse(source);
  } catch (const ScriptError& e) {
    return std::string(e.what()) + " @" + std::to_string(e.Where().line) + ":" + std::to_string(e.Where().column);
  }
  return "(parsed)";
}

const char* Symbol(Op op) {
  switch (op) {
    case Op::Add: return "+";
    case Op::Subtract: return "-";
    case Op::Splice: return "++";
    case Op::Multiply: return "*";
    case Op::Divide: return "/";
    case Op::Remainder: return "%";
    case Op::Equal: return "==";
    case Op::NotEqual: return "!=";
    case Op::Less: return "<";
    case Op::Greater: return ">";
    case Op::LessEqual: return "<=";
    case Op::GreaterEqual: return ">=";
    case Op::And: return "&&";
    case Op::Or: return "||";
    case Op::Not: return "!";
    case Op::Negate: return "-";
    case Op::None: break;
  }
  return "";
}

// A compact picture of an expression tree: runs as (a+b-c), calls as name(args), named args as
// name=value, chains as base.name(args).
std::string Shape(const Program& p, NodeId id) {
  const Node& n = p.At(id);
  auto operand = [&](int i) { return Shape(p, p.Operand(n, i).node); };
  auto arguments = [&]() {
    std::string s = p.Text(n.integer) + "(";
    for (int i = 0; i < n.count; ++i) s += (i ? "," : "") + operand(i);
    return s + ")";
  };
  switch (n.kind) {
    case Node::Kind::Int: return std::to_string(n.integer);
    case Node::Kind::Float: return "f" + std::to_string(n.floating).substr(0, 4);
    case Node::Kind::String: return "\"" + p.Text(n.integer) + "\"";
    case Node::Kind::Bool: return n.boolean ? "true" : "false";
    case Node::Kind::Name: return p.Text(n.integer);
    case Node::Kind::Call: return arguments();
    case Node::Kind::Named: return p.Text(n.integer) + "=" + operand(0);
    case Node::Kind::Chain: {
      std::string s = operand(0);
      for (int i = 1; i < n.count; ++i) s += "." + operand(i);
      return s;
    }
    case Node::Kind::Unary: return std::string("(") + Symbol(n.op) + operand(0) + ")";
    case Node::Kind::Ternary: return "(" + operand(0) + "?" + operand(1) + ":" + operand(2) + ")";
    default: {
      std::string s = "(" + operand(0);
      for (int i = 1; i < n.count; ++i) s += Symbol(p.Operand(n, i).op) + operand(i);
      return s + ")";
    }
  }
}

std::string ShapeOf(const std::string& source) {
  const Program p = Parse(source);
  std::string out;
  for (const Statement& s : p.statements) {
    if (!out.empty()) out += "; ";
    if (s.kind == Statement::Kind::Assignment) out += p.Text(s.variable) + " = ";
    if (s.kind == Statement::Kind::Global) out += "global " + p.Text(s.variable) + " = ";
    if (s.kind == Statement::Kind::Return) out += "return ";
    out += Shape(p, s.value);
  }
  return out;
}

TEST(ScriptParser, LiteralsIncludeHexColoursAsThe32BitsOfAnInt) {
  const auto tokens = Tokenize("$FF8000 $ffffffff $7FFFFFFF 12 0.25 \"a b\" True");
  ASSERT_EQ(tokens.size(), 8u);
  EXPECT_EQ(tokens[0].integer, 0xFF8000);
  EXPECT_EQ(tokens[1].integer, -1);
  EXPECT_EQ(tokens[2].integer, 2147483647);
  EXPECT_EQ(tokens[3].integer, 12);
  EXPECT_DOUBLE_EQ(tokens[4].floating, 0.25);
  EXPECT_EQ(tokens[5].text, "a b");
  EXPECT_EQ(ShapeOf("True"), "true");
  EXPECT_EQ(ShapeOf("FALSE"), "false");
}

TEST(ScriptParser, PrecedenceAndUnaryMinus) {
  EXPECT_EQ(ShapeOf("1 + 2 * 3 - 4 % 5"), "(1+(2*3)-(4%5))");
  EXPECT_EQ(ShapeOf("(1 + 2) * -3"), "((1+2)*(-3))");
  EXPECT_EQ(ShapeOf("8 / 4 / 2"), "(8/4/2)");
  EXPECT_EQ(ShapeOf("- -x"), "(-(-x))");
  EXPECT_EQ(ShapeOf("-c.Width"), "(-c.Width())");
  EXPECT_EQ(ShapeOf("a ++ b + c - d"), "(a++b+c-d)");
  // Levels from the loosest: ?: || && comparisons, then the sums; ! binds tighter than ==.
  EXPECT_EQ(ShapeOf("a || b && c == d + 1 ? x : y ? 1 : 2"), "((a||(b&&(c==(d+1))))?x:(y?1:2))");
  EXPECT_EQ(ShapeOf("!t == f"), "((!t)==f)");
  EXPECT_EQ(ShapeOf("1 < x <= 3 <> y"), "(1<x<=3!=y)");
}

TEST(ScriptParser, CallsMethodsAndNamedArguments) {
  EXPECT_EQ(ShapeOf("MaskMaker(c, sf=2, TYPE=\"a1\")"), "MaskMaker(c,sf=2,TYPE=\"a1\")");
  EXPECT_EQ(ShapeOf("c.Trim(0, 9).ConvertToYV12"), "c.Trim(0,9).ConvertToYV12()");
  EXPECT_EQ(ShapeOf("c.Width()"), "c.Width()");
  EXPECT_EQ(ShapeOf("global g = 1"), "global g = 1");
  EXPECT_EQ(ShapeOf("x = BlankClip()\nreturn x"), "x = BlankClip(); return x");
  EXPECT_EQ(ShapeOf("StackHorizontal(a, b, c)"), "StackHorizontal(a,b,c)");
}

TEST(ScriptParser, CommentsBlankLinesAndContinuedLines) {
  EXPECT_EQ(ShapeOf("# heading\n\n  a = 1  # trailing\n\nb = 2\n"), "a = 1; b = 2");
  EXPECT_EQ(ShapeOf("f(1, \\\n  2)"), "f(1,2)");
  EXPECT_EQ(ShapeOf("a = 1 + \\  # comment after the backslash\n 2"), "a = (1+2)");
  EXPECT_EQ(ShapeOf("c.Trim(0, 9)\n   \\ .ConvertToYV12()"), "c.Trim(0,9).ConvertToYV12()");
  EXPECT_EQ(ShapeOf("a = 1 /* two\nlines */ + 2\n[* outer [* inner *] \n *] b = 3"), "a = (1+2); b = 3");
  EXPECT_EQ(ShapeOf("a = 1\n__END__\nthis is not read ("), "a = 1");
  EXPECT_EQ(ShapeOf("x = .5 + 3."), "x = (f0.50+f3.00)");
  // Inside parentheses a line break is a blank.
  EXPECT_EQ(ShapeOf("f(1,\n 2)\ng"), "f(1,2); g");
  EXPECT_EQ(ShapeOf("a = 1\r\nb = 2\r\n"), "a = 1; b = 2");
}

TEST(ScriptParser, SyntaxErrorsSayWhatWasExpectedAndWhere) {
  EXPECT_EQ(ParseError("a = 1 +\n"),
            "Script error: expected a value (a number, a string, a name or '('), found the "
            "end of the line @1:8");
  EXPECT_EQ(ParseError("x = f(1, 2\n"),
            "Script error: expected ')' after the arguments of f, found the end of the "
            "script @2:1");
  EXPECT_EQ(ParseError("b = (1 + 2\n"),
            "Script error: expected ')' to close the parenthesis, found the end of the "
            "script @2:1");
  EXPECT_EQ(ParseError("\n\n  c.3"), "Script error: expected a function name after '.', found the number 3 @3:5");
  EXPECT_EQ(ParseError("a = 1 2"), "Script error: expected the end of the line, found the number 2 @1:7");
  EXPECT_EQ(ParseError("f(a b)"), "Script error: expected ')' after the arguments of f, found 'b' @1:5");
  EXPECT_EQ(ParseError("x = \"open"), "Script error: the string has no closing '\"' on its line @1:5");
  EXPECT_EQ(ParseError("a = 1 @ 2"), "Script error: unexpected character '@' @1:7");
  EXPECT_EQ(ParseError("a = $"), "Script error: '$' must be followed by hex digits, as in $FF8000 @1:5");
  EXPECT_EQ(ParseError("a = $123456789"), "Script error: the hex number $123456789 has more than 8 digits @1:5");
  EXPECT_EQ(ParseError("a = 9223372036854775808"),
            "Script error: the number 9223372036854775808 is too large for an int @1:5");
  EXPECT_EQ(ParseError("a = 1 \\ b"),
            "Script error: '\\' continues a line only at the end of a line or at the start of the next @1:7");
  EXPECT_EQ(ParseError("true = 1"), "Script error: 'true' is a reserved word and cannot be assigned to @1:1");
  EXPECT_EQ(ParseError("a = 12abc"), "Script error: a number may not run into a name ('12a') @1:7");
}

TEST(ScriptParser, FunctionDefinitionsAndTheirErrors) {
  const Program p = Parse("function F(clip c, int \"n\", \"any\")\n{\n  return c\n}\nfunction g(a) { a }\nF");
  ASSERT_EQ(p.functions.size(), 2u);
  const FunctionDefinition& f = p.functions[0];
  ASSERT_EQ(f.parameters.size(), 3u);
  EXPECT_EQ(f.parameters[0].type, 'c');
  EXPECT_FALSE(f.parameters[0].optional);
  EXPECT_EQ(f.parameters[1].name, "n");
  EXPECT_TRUE(f.parameters[1].optional);
  EXPECT_EQ(f.parameters[2].type, '.');
  EXPECT_EQ(f.body.size(), 1u);
  EXPECT_EQ(p.functions[1].body.size(), 1u);
  EXPECT_EQ(p.statements.size(), 1u);
  EXPECT_EQ(ParseError("function f(int \"a\", int b) { b }"),
            "Script error: can't have a named (quoted) parameter followed by an ordinary parameter @1:25");
  EXPECT_EQ(ParseError("function f(int 3) { 1 }"), "Script error: expected a parameter name @1:16");
  EXPECT_EQ(ParseError("x = 1 }"), "Script error: found } without a matching { @1:7");
  EXPECT_EQ(ParseError("function f() {\n x = 1\n"), "Script error: the body of f has no closing } @1:1");
  EXPECT_EQ(ParseError("a = 1 /* open"), "Script error: the comment /* has no closing */ @1:7");
}

TEST(ScriptParser, DeepNestingIsAnErrorNotACrash) {
  const std::string opens(5000, '(');
  EXPECT_NE(ParseError("a = " + opens + "1").find("nested too deeply (more than 400 levels)"), std::string::npos);
  std::string minus(5000, '-');
  EXPECT_NE(ParseError(minus + "1").find("nested too deeply"), std::string::npos);
  EXPECT_NE(ParseError("a = " + std::string(5000, '!') + "true").find("nested too deeply"), std::string::npos);
  EXPECT_NE(ParseError("f(" + std::string(5000, '[') + "1").find("Script error"), std::string::npos);
  std::string calls;
  for (int i = 0; i < 5000; ++i) calls += "f(";
  EXPECT_NE(ParseError(calls).find("nested too deeply"), std::string::npos);
  // Runs of operators and method chains are not nesting: any length is read.
  std::string sum = "1";
  for (int i = 0; i < 100000; ++i) sum += "+1";
  EXPECT_EQ(ParseError(sum), "(parsed)");
  std::string chain = "c";
  for (int i = 0; i < 100000; ++i) chain += ".Trim(0,0)";
  EXPECT_EQ(ParseError(chain), "(parsed)");
  // Within the limit all is well.
  EXPECT_EQ(ParseError("a = " + std::string(100, '(') + "1" + std::string(100, ')')), "(parsed)");
}

}  // namespace
}  // namespace tintara::script
