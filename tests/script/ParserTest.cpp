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

// A compact picture of an expression tree: calls as name(args), named args as name=value.
std::string Shape(const Node& n) {
  switch (n.kind) {
    case Node::Kind::Literal:
      if (n.value.IsInt()) return std::to_string(n.value.integer);
      if (n.value.IsString()) return "\"" + n.value.string + "\"";
      if (n.value.IsBool()) return n.value.boolean ? "true" : "false";
      return "f" + std::to_string(n.value.floating).substr(0, 4);
    case Node::Kind::Identifier: return n.name;
    case Node::Kind::Negate: return "(-" + Shape(*n.operands[0]) + ")";
    case Node::Kind::Binary: return "(" + Shape(*n.operands[0]) + n.op + Shape(*n.operands[1]) + ")";
    case Node::Kind::Call: {
      std::string s = (n.method ? "." : "") + n.name + "(";
      for (size_t i = 0; i < n.operands.size(); ++i)
        s += (i ? "," : "") + (n.names[i].empty() ? "" : n.names[i] + "=") + Shape(*n.operands[i]);
      return s + ")";
    }
  }
  return "?";
}

std::string ShapeOf(const std::string& source) {
  const Program p = Parse(source);
  std::string out;
  for (const Statement& s : p.statements) {
    if (!out.empty()) out += "; ";
    if (s.kind == Statement::Kind::Assignment) out += s.variable + " = ";
    if (s.kind == Statement::Kind::Return) out += "return ";
    out += Shape(*s.value);
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
  EXPECT_EQ(ShapeOf("1 + 2 * 3 - 4 % 5"), "((1+(2*3))-(4%5))");
  EXPECT_EQ(ShapeOf("(1 + 2) * -3"), "((1+2)*(-3))");
  EXPECT_EQ(ShapeOf("8 / 4 / 2"), "((8/4)/2)");
  EXPECT_EQ(ShapeOf("- -x"), "(-(-x))");
  EXPECT_EQ(ShapeOf("-c.Width"), "(-.Width(c))");
}

TEST(ScriptParser, CallsMethodsAndNamedArguments) {
  EXPECT_EQ(ShapeOf("MaskMaker(c, sf=2, TYPE=\"a1\")"), "MaskMaker(c,sf=2,TYPE=\"a1\")");
  EXPECT_EQ(ShapeOf("c.Trim(0, 9).ConvertToYV12"), ".ConvertToYV12(.Trim(c,0,9))");
  EXPECT_EQ(ShapeOf("c.Width()"), ".Width(c)");
  EXPECT_EQ(ShapeOf("x = BlankClip()\nreturn x"), "x = BlankClip(); return x");
  EXPECT_EQ(ShapeOf("StackHorizontal(a, b, c)"), "StackHorizontal(a,b,c)");
}

TEST(ScriptParser, CommentsBlankLinesAndContinuedLines) {
  EXPECT_EQ(ShapeOf("# heading\n\n  a = 1  # trailing\n\nb = 2\n"), "a = 1; b = 2");
  EXPECT_EQ(ShapeOf("f(1, \\\n  2)"), "f(1,2)");
  EXPECT_EQ(ShapeOf("a = 1 + \\  # comment after the backslash\n 2"), "a = (1+2)");
  EXPECT_EQ(ShapeOf("c.Trim(0, 9)\n   \\ .ConvertToYV12()"), ".ConvertToYV12(.Trim(c,0,9))");
  // Inside parentheses a line break is a blank.
  EXPECT_EQ(ShapeOf("f(1,\n 2)\ng"), "f(1,2); g");
  EXPECT_EQ(ShapeOf("a = 1\r\nb = 2\r\n"), "a = 1; b = 2");
}

TEST(ScriptParser, SyntaxErrorsSayWhatWasExpectedAndWhere) {
  EXPECT_EQ(ParseError("a = 1 +\n"), "Script error: expected a value (a number, a string, a name or '('), found the "
                                      "end of the line @1:8");
  EXPECT_EQ(ParseError("x = f(1, 2\n"), "Script error: expected ')' after the arguments of f, found the end of the "
                                         "script @2:1");
  EXPECT_EQ(ParseError("b = (1 + 2\n"), "Script error: expected ')' to close the parenthesis, found the end of the "
                                         "script @2:1");
  EXPECT_EQ(ParseError("\n\n  c.3"), "Script error: expected a function name after '.', found the number 3 @3:5");
  EXPECT_EQ(ParseError("a = 1 2"), "Script error: expected the end of the line, found the number 2 @1:7");
  EXPECT_EQ(ParseError("f(a b)"), "Script error: expected ')' after the arguments of f, found 'b' @1:5");
  EXPECT_EQ(ParseError("x = \"open"), "Script error: the string has no closing '\"' on its line @1:5");
  EXPECT_EQ(ParseError("a = 1 @ 2"), "Script error: unexpected character '@' @1:7");
  EXPECT_EQ(ParseError("a = $"), "Script error: '$' must be followed by hex digits, as in $FF8000 @1:5");
  EXPECT_EQ(ParseError("a = $123456789"), "Script error: the hex number $123456789 has more than 8 digits @1:5");
  EXPECT_EQ(ParseError("a = 2147483648"),
            "Script error: the number 2147483648 is too large for an int (the largest is 2147483647) @1:5");
  EXPECT_EQ(ParseError("a = 1 \\ b"),
            "Script error: '\\' continues a line only at the end of a line or at the start of the next @1:7");
  EXPECT_EQ(ParseError("true = 1"), "Script error: 'true' is a reserved word and cannot be assigned to @1:1");
  EXPECT_EQ(ParseError("a = 12abc"), "Script error: a number may not run into a name ('12a') @1:7");
}

TEST(ScriptParser, DeepNestingIsAnErrorNotACrash) {
  const std::string opens(5000, '(');
  EXPECT_NE(ParseError("a = " + opens + "1").find("nested too deeply (more than 400 levels)"), std::string::npos);
  std::string minus(5000, '-');
  EXPECT_NE(ParseError(minus + "1").find("nested too deeply"), std::string::npos);
  // Long flat chains build deep trees too.
  std::string sum = "1";
  for (int i = 0; i < 5000; ++i) sum += "+1";
  EXPECT_NE(ParseError(sum).find("nested too deeply"), std::string::npos);
  std::string chain = "c";
  for (int i = 0; i < 5000; ++i) chain += ".f";
  EXPECT_NE(ParseError(chain).find("nested too deeply"), std::string::npos);
  // Within the limit all is well.
  EXPECT_EQ(ParseError("a = " + std::string(100, '(') + "1" + std::string(100, ')')), "(parsed)");
}

}  // namespace
}  // namespace tintara::script
