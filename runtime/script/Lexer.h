// Splits a script into tokens: names, numbers, strings, operators and ends of lines, with
// comments dropped and continued lines joined.
#pragma once

#include <map>
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

// Settings for sliders by label, and the sliders met.
struct SliderRun {
  std::string file;                       // the name sliders record as their file
  std::map<std::string, double> settings; // a value for a label replaces its default
  std::vector<Slider> met;
};

// Throws ScriptError for characters and literals the language does not have. A slider becomes
// the number it stands for and is recorded in `sliders` when given.
std::vector<Token> Tokenize(const std::string& source, SliderRun* sliders = nullptr);

}  // namespace tintara::script
