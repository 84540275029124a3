// Splits a script into tokens: names, numbers, strings, operators and ends of lines, with
// comments dropped and continued lines joined.
#pragma once

#include <string>
#include <vector>

#include "runtime/script/Syntax.h"

namespace tintara::script {

struct Token {
  enum class Kind { End, Newline, Identifier, Int, Float, String, Symbol };

  Kind kind = Kind::End;
  Position where;
  std::string text;  // identifier or string contents; the symbol character
  int integer = 0;
  double floating = 0.0;

  bool Is(char symbol) const { return kind == Kind::Symbol && text.size() == 1 && text[0] == symbol; }
  // How a message names the token: "identifier 'x'", "the number 3", "')'", "the end of the line".
  std::string Describe() const;
};

// Throws ScriptError for characters and literals the language does not have.
std::vector<Token> Tokenize(const std::string& source);

}  // namespace tintara::script
