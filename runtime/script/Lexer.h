// Splits a script into tokens on demand: names, numbers, strings, operators and ends of lines,
// with comments dropped and continued lines joined. Only the tokens the parser looks ahead at
// exist at any time, so a long script costs no memory per token.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/script/Syntax.h"

namespace tintara::script {

struct Token {
  enum class Kind { End, Newline, Identifier, Int, Float, String, Symbol };

  Kind kind = Kind::End;
  Position where;
  std::string text;  // identifier or string contents; the symbol's characters
  int64_t integer = 0;
  double floating = 0.0;

  bool Is(const char* symbol) const { return kind == Kind::Symbol && text == symbol; }
  bool Is(char symbol) const { return kind == Kind::Symbol && text.size() == 1 && text[0] == symbol; }
  // How a message names the token: "identifier 'x'", "the number 3", "')'", "the end of the line".
  std::string Describe() const;
};

// Settings for sliders by label, and the sliders met.
struct SliderRun {
  std::string file;                        // the name sliders record as their file
  std::map<std::string, double> settings;  // a value for a label replaces its default
  std::vector<Slider> met;
};

class Lexer {
 public:
  // `source` must outlive the lexer. Sliders are recorded in `sliders` when given.
  Lexer(const std::string& source, SliderRun* sliders);
  // The next token; End at the end of the script (or at a line `__END__`). Throws ScriptError
  // for characters and literals the language does not have.
  Token Next();
  // Where `#` comments that look like colours (`#D03020`) were met, in order.
  const std::vector<Position>& ColourComments() const { return colour_comments_; }

 private:
  Position Here() const { return {line_, column_}; }
  Token Start(Token::Kind kind) const;
  void Advance();
  bool At(const char* text) const;
  bool AfterOperand() const;
  bool SkipSpace();  // blanks and comments; returns whether a line break ends a statement here
  void SkipLineComment();
  void SkipBlockComment();
  void SkipNestedComment();
  void SkipBlanks();
  bool ContinuesOnNextLine() const;
  Token Name();
  Token Number();
  Token Hex();
  Token String();
  Token SliderValue();
  Token Symbol();
  Token Finish(Token t);

  const std::string& s_;
  SliderRun* sliders_;
  size_t i_ = 0;
  int line_ = 1, column_ = 1;
  Token::Kind last_ = Token::Kind::Newline;  // the kind of the token given before
  bool last_closes_ = false;                 // it was ')' or ']'
  std::vector<Position> colour_comments_;
};

// Every token of a script, End included (for tests and tools; the parser pulls them one by one).
std::vector<Token> Tokenize(const std::string& source, SliderRun* sliders = nullptr);

}  // namespace tintara::script
