#include "runtime/script/Lexer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace tintara::script {

std::string Token::Describe() const {
  switch (kind) {
    case Kind::End: return "the end of the script";
    case Kind::Newline: return "the end of the line";
    case Kind::Identifier: return "'" + text + "'";
    case Kind::Int:
    case Kind::Float: return "the number " + text;
    case Kind::String: return "the string \"" + text + "\"";
    case Kind::Symbol: return "'" + text + "'";
  }
  return "something";
}

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

class Lexer {
 public:
  Lexer(const std::string& source, SliderRun* sliders) : s_(source), sliders_(sliders) {}

  std::vector<Token> Run() {
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (IsBlank(c)) {
        Advance();
      } else if (c == '#') {
        SkipComment();
      } else if (c == '\n') {
        Newline();
      } else if (c == '\\') {
        TrailingContinuation();
      } else if (IsNameStart(c)) {
        Name();
      } else if (IsDigit(c) || (c == '.' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]) && !AfterOperand())) {
        Number();
      } else if (c == '[' && i_ + 1 < s_.size() && s_[i_ + 1] == '<') {
        SliderValue();
      } else if (c == '$') {
        Hex();
      } else if (c == '"') {
        String();
      } else if (std::string("=+-*/%(),.").find(c) != std::string::npos) {
        Token t = Start(Token::Kind::Symbol);
        t.text = std::string(1, c);
        Advance();
        tokens_.push_back(t);
      } else {
        const unsigned char byte = static_cast<unsigned char>(c);
        const std::string shown = std::isprint(byte) ? std::string(1, c)
                                                     : std::string("\\x") + "0123456789abcdef"[byte >> 4] +
                                                           "0123456789abcdef"[byte & 15];
        throw ScriptError("Script error: unexpected character '" + shown + "'", Here());
      }
    }
    Token end = Start(Token::Kind::End);
    tokens_.push_back(end);
    return tokens_;
  }

 private:
  Position Here() const { return {line_, column_}; }
  Token Start(Token::Kind kind) const {
    Token t;
    t.kind = kind;
    t.where = Here();
    return t;
  }
  void Advance() {
    if (s_[i_] == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    ++i_;
  }
  // Whether the last token ends an operand: then ".5" after it is a dot and a number.
  bool AfterOperand() const {
    if (tokens_.empty()) return false;
    const Token& t = tokens_.back();
    return t.kind == Token::Kind::Identifier || t.kind == Token::Kind::Int || t.kind == Token::Kind::Float ||
           t.kind == Token::Kind::String || t.Is(')');
  }

  void SkipComment() {
    while (i_ < s_.size() && s_[i_] != '\n') Advance();
  }

  // A line break ends a statement unless the next line starts with `\`.
  void Newline() {
    Token t = Start(Token::Kind::Newline);
    Advance();
    size_t k = i_;
    while (k < s_.size() && IsBlank(s_[k])) ++k;
    if (k < s_.size() && s_[k] == '\\') {
      while (i_ <= k) Advance();
      return;
    }
    if (!tokens_.empty() && tokens_.back().kind != Token::Kind::Newline) tokens_.push_back(t);
  }

  // `\` at the end of a line (blanks or a comment may follow) joins the next line to it.
  void TrailingContinuation() {
    const Position where = Here();
    Advance();
    while (i_ < s_.size() && IsBlank(s_[i_])) Advance();
    if (i_ < s_.size() && s_[i_] == '#') SkipComment();
    if (i_ < s_.size() && s_[i_] != '\n')
      throw ScriptError("Script error: '\\' continues a line only at the end of a line or at the start of the next",
                        where);
    if (i_ < s_.size()) Advance();
  }

  void Name() {
    Token t = Start(Token::Kind::Identifier);
    while (i_ < s_.size() && IsNameChar(s_[i_])) {
      t.text += s_[i_];
      Advance();
    }
    tokens_.push_back(t);
  }

  void Number() {
    Token t = Start(Token::Kind::Int);
    while (i_ < s_.size() && IsDigit(s_[i_])) {
      t.text += s_[i_];
      Advance();
    }
    if (i_ + 1 < s_.size() && s_[i_] == '.' && IsDigit(s_[i_ + 1])) {
      t.kind = Token::Kind::Float;
      t.text += '.';
      Advance();
      while (i_ < s_.size() && IsDigit(s_[i_])) {
        t.text += s_[i_];
        Advance();
      }
    }
    if (i_ < s_.size() && IsNameChar(s_[i_]))
      throw ScriptError("Script error: a number may not run into a name ('" + t.text + s_[i_] + "')", Here());
    if (t.kind == Token::Kind::Float) {
      t.floating = std::strtod(t.text.c_str(), nullptr);
      if (!std::isfinite(t.floating)) throw ScriptError("Script error: the number " + t.text + " is too large", t.where);
    } else {
      long long v = 0;
      for (char d : t.text) {
        v = v * 10 + (d - '0');
        if (v > INT_MAX)
          throw ScriptError("Script error: the number " + t.text + " is too large for an int (the largest is 2147483647)",
                            t.where);
      }
      t.integer = static_cast<int>(v);
    }
    tokens_.push_back(t);
  }

  // `$RRGGBB`: up to eight hex digits, read as the 32 bits of an int.
  void Hex() {
    Token t = Start(Token::Kind::Int);
    t.text = "$";
    Advance();
    uint32_t v = 0;
    int digits = 0;
    while (i_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[i_]))) {
      const char c = s_[i_];
      v = (v << 4) | static_cast<uint32_t>(IsDigit(c) ? c - '0' : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
      t.text += c;
      ++digits;
      Advance();
    }
    if (digits == 0) throw ScriptError("Script error: '$' must be followed by hex digits, as in $FF8000", t.where);
    if (digits > 8) throw ScriptError("Script error: the hex number " + t.text + " has more than 8 digits", t.where);
    if (i_ < s_.size() && IsNameChar(s_[i_]))
      throw ScriptError("Script error: '" + std::string(1, s_[i_]) + "' is not a hex digit", Here());
    t.integer = v > static_cast<uint32_t>(INT_MAX) ? static_cast<int>(static_cast<int64_t>(v) - (int64_t{1} << 32))
                                                   : static_cast<int>(v);
    tokens_.push_back(t);
  }

  void String() {
    Token t = Start(Token::Kind::String);
    Advance();
    while (i_ < s_.size() && s_[i_] != '"' && s_[i_] != '\n') {
      t.text += s_[i_];
      Advance();
    }
    if (i_ >= s_.size() || s_[i_] != '"')
      throw ScriptError("Script error: the string has no closing '\"' on its line", t.where);
    Advance();
    tokens_.push_back(t);
  }

  // `[<"label", min, max, default>]`, blanks allowed between the parts.
  void SliderValue() {
    const Position where = Here();
    auto fail = [&]() {
      throw ScriptError("Script error: a slider is written [<\"label\", min, max, default>], as in [<\"grey\", 0, 255, 60>]",
                        where);
    };
    Advance();
    Advance();
    Slider slider;
    slider.file = sliders_ ? sliders_->file : std::string();
    SkipBlanks();
    if (i_ >= s_.size() || s_[i_] != '"') fail();
    Advance();
    while (i_ < s_.size() && s_[i_] != '"' && s_[i_] != '\n') {
      slider.label += s_[i_];
      Advance();
    }
    if (i_ >= s_.size() || s_[i_] != '"') fail();
    Advance();
    double* const parts[] = {&slider.min, &slider.max, &slider.default_value};
    for (double* part : parts) {
      SkipBlanks();
      if (i_ >= s_.size() || s_[i_] != ',') fail();
      Advance();
      SkipBlanks();
      const size_t start = i_;
      if (i_ < s_.size() && s_[i_] == '-') Advance();
      bool digits = false;
      while (i_ < s_.size() && (IsDigit(s_[i_]) || s_[i_] == '.')) {
        digits |= IsDigit(s_[i_]);
        slider.is_float |= s_[i_] == '.';
        Advance();
      }
      if (!digits) fail();
      const std::string text = s_.substr(start, i_ - start);
      char* end = nullptr;
      *part = std::strtod(text.c_str(), &end);
      if (*end != '\0' || !std::isfinite(*part)) fail();
      slider.offset = start;
      slider.length = i_ - start;
    }
    SkipBlanks();
    if (i_ + 1 >= s_.size() || s_[i_] != '>' || s_[i_ + 1] != ']') fail();
    Advance();
    Advance();
    if (slider.min > slider.max) {
      throw ScriptError("Script error: the slider \"" + slider.label + "\" has its minimum above its maximum", where);
    }
    slider.value = slider.default_value;
    if (sliders_) {
      const auto setting = sliders_->settings.find(slider.label);
      if (setting != sliders_->settings.end())
        slider.value = std::min(std::max(setting->second, slider.min), slider.max);
    }
    Token t;
    t.where = where;
    if (slider.is_float) {
      t.kind = Token::Kind::Float;
      t.floating = slider.value;
    } else {
      t.kind = Token::Kind::Int;
      slider.value = std::round(slider.value);
      if (std::fabs(slider.value) > INT_MAX) fail();
      t.integer = static_cast<int>(slider.value);
    }
    t.text = s_.substr(slider.offset, slider.length);
    if (sliders_) sliders_->met.push_back(slider);
    tokens_.push_back(t);
  }

  void SkipBlanks() {
    while (i_ < s_.size() && IsBlank(s_[i_])) Advance();
  }

  const std::string& s_;
  SliderRun* sliders_;
  size_t i_ = 0;
  int line_ = 1, column_ = 1;
  std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> Tokenize(const std::string& source, SliderRun* sliders) { return Lexer(source, sliders).Run(); }

}  // namespace tintara::script
