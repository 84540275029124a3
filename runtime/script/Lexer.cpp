#include "runtime/script/Lexer.h"

#include <algorithm>
#include <cctype>
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
bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

Lexer::Lexer(const std::string& source, SliderRun* sliders) : s_(source), sliders_(sliders) {}

Token Lexer::Next() {
  for (;;) {
    if (SkipSpace()) {
      Token t = Start(Token::Kind::Newline);
      Advance();
      if (last_ != Token::Kind::Newline) return Finish(t);
      continue;
    }
    if (i_ >= s_.size()) return Finish(Start(Token::Kind::End));
    const char c = s_[i_];
    if (IsNameStart(c)) {
      Token t = Name();
      // `__END__` at the start of a statement ends the script; the rest is not read.
      if (t.text == "__END__" && last_ == Token::Kind::Newline) {
        i_ = s_.size();
        t.kind = Token::Kind::End;
      }
      return Finish(t);
    }
    if (IsDigit(c) || (c == '.' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]) && !AfterOperand()))
      return Finish(Number());
    if (c == '$') return Finish(Hex());
    if (c == '"') return Finish(String());
    if (At("[<")) return Finish(SliderValue());
    return Finish(Symbol());
  }
}

Token Lexer::Finish(Token t) {
  last_ = t.kind;
  last_closes_ = t.Is(')');
  return t;
}

Token Lexer::Start(Token::Kind kind) const {
  Token t;
  t.kind = kind;
  t.where = Here();
  return t;
}

void Lexer::Advance() {
  if (s_[i_] == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  ++i_;
}

bool Lexer::At(const char* text) const { return s_.compare(i_, std::char_traits<char>::length(text), text) == 0; }

// Whether the last token ends an operand: then ".5" after it is a dot and a number.
bool Lexer::AfterOperand() const {
  return last_ == Token::Kind::Identifier || last_ == Token::Kind::Int || last_ == Token::Kind::Float ||
         last_ == Token::Kind::String || last_closes_;
}

// Skips blanks, comments and continued line breaks. Stops at the next token, at the end, or at
// a line break that ends a statement (then returns true, positioned on the '\n').
bool Lexer::SkipSpace() {
  while (i_ < s_.size()) {
    const char c = s_[i_];
    if (IsBlank(c)) {
      Advance();
    } else if (c == '#') {
      SkipLineComment();
    } else if (At("/*")) {
      SkipBlockComment();
    } else if (At("[*")) {
      SkipNestedComment();
    } else if (c == '\\') {
      // `\` at the end of a line (blanks or a comment may follow) joins the next line to it.
      const Position where = Here();
      Advance();
      SkipBlanks();
      if (i_ < s_.size() && s_[i_] == '#') SkipLineComment();
      if (i_ < s_.size() && s_[i_] != '\n')
        throw ScriptError("Script error: '\\' continues a line only at the end of a line or at the start of the next",
                          where);
      if (i_ < s_.size()) Advance();
    } else if (c == '\n') {
      if (!ContinuesOnNextLine()) return true;
      // A next line starting with `\` continues this one.
      Advance();
      SkipBlanks();
      Advance();
    } else {
      return false;
    }
  }
  return false;
}

bool Lexer::ContinuesOnNextLine() const {
  size_t k = i_ + 1;
  while (k < s_.size() && IsBlank(s_[k])) ++k;
  return k < s_.size() && s_[k] == '\\';
}

void Lexer::SkipBlanks() {
  while (i_ < s_.size() && IsBlank(s_[i_])) Advance();
}

void Lexer::SkipLineComment() {
  const Position where = Here();
  size_t digits = 0;
  while (i_ + 1 + digits < s_.size() && IsHexDigit(s_[i_ + 1 + digits])) ++digits;
  const bool ends = i_ + 1 + digits >= s_.size() || !IsNameChar(s_[i_ + 1 + digits]);
  if ((digits == 6 || digits == 8) && ends) colour_comments_.push_back(where);
  while (i_ < s_.size() && s_[i_] != '\n') Advance();
}

void Lexer::SkipBlockComment() {
  const Position where = Here();
  Advance();
  Advance();
  while (i_ < s_.size() && !At("*/")) Advance();
  if (i_ >= s_.size()) throw ScriptError("Script error: the comment /* has no closing */", where);
  Advance();
  Advance();
}

// `[* ... *]` comments nest, so a block with such comments inside can be commented out whole.
void Lexer::SkipNestedComment() {
  const Position where = Here();
  int open = 0;
  do {
    if (i_ >= s_.size()) throw ScriptError("Script error: the comment [* has no closing *]", where);
    if (At("[*")) {
      ++open;
      Advance();
    } else if (At("*]")) {
      --open;
      Advance();
    }
    Advance();
  } while (open > 0);
}

Token Lexer::Name() {
  Token t = Start(Token::Kind::Identifier);
  const size_t start = i_;
  while (i_ < s_.size() && IsNameChar(s_[i_])) Advance();
  t.text = s_.substr(start, i_ - start);
  return t;
}

// Ints that do not fit 32 bits are 64-bit ints; a number with a '.' is a double (`.5` and `3.`
// included).
Token Lexer::Number() {
  Token t = Start(Token::Kind::Int);
  const size_t start = i_;
  while (i_ < s_.size() && IsDigit(s_[i_])) Advance();
  if (i_ < s_.size() && s_[i_] == '.' && (i_ + 1 >= s_.size() || !IsNameStart(s_[i_ + 1]))) {
    t.kind = Token::Kind::Float;
    Advance();
    while (i_ < s_.size() && IsDigit(s_[i_])) Advance();
  }
  t.text = s_.substr(start, i_ - start);
  if (i_ < s_.size() && IsNameChar(s_[i_]))
    throw ScriptError("Script error: a number may not run into a name ('" + t.text + s_[i_] + "')", Here());
  if (t.kind == Token::Kind::Float) {
    t.floating = std::strtod(t.text.c_str(), nullptr);
    if (!std::isfinite(t.floating)) throw ScriptError("Script error: the number " + t.text + " is too large", t.where);
    return t;
  }
  uint64_t v = 0;
  for (char d : t.text) {
    if (v > (static_cast<uint64_t>(INT64_MAX) - static_cast<uint64_t>(d - '0')) / 10)
      throw ScriptError("Script error: the number " + t.text + " is too large for an int", t.where);
    v = v * 10 + static_cast<uint64_t>(d - '0');
  }
  t.integer = static_cast<int64_t>(v);
  return t;
}

// `$RRGGBB`: up to eight hex digits, read as the 32 bits of an int.
Token Lexer::Hex() {
  Token t = Start(Token::Kind::Int);
  t.text = "$";
  Advance();
  uint32_t v = 0;
  int digits = 0;
  while (i_ < s_.size() && IsHexDigit(s_[i_])) {
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
  t.integer = static_cast<int32_t>(v);
  return t;
}

Token Lexer::String() {
  Token t = Start(Token::Kind::String);
  Advance();
  const size_t start = i_;
  while (i_ < s_.size() && s_[i_] != '"' && s_[i_] != '\n') Advance();
  if (i_ >= s_.size() || s_[i_] != '"')
    throw ScriptError("Script error: the string has no closing '\"' on its line", t.where);
  t.text = s_.substr(start, i_ - start);
  Advance();
  return t;
}

// `[<"label", min, max, default>]`, blanks allowed between the parts.
Token Lexer::SliderValue() {
  const Position where = Here();
  auto fail = [&]() {
    throw ScriptError(
        "Script error: a slider is written [<\"label\", min, max, default>], as in [<\"grey\", 0, 255, 60>]", where);
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
  if (!At(">]")) fail();
  Advance();
  Advance();
  if (slider.min > slider.max)
    throw ScriptError("Script error: the slider \"" + slider.label + "\" has its minimum above its maximum", where);
  slider.value = slider.default_value;
  if (sliders_) {
    const auto setting = sliders_->settings.find(slider.label);
    if (setting != sliders_->settings.end() && !std::isnan(setting->second))
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
    t.integer = static_cast<int64_t>(slider.value);
  }
  t.text = s_.substr(slider.offset, slider.length);
  if (sliders_) sliders_->met.push_back(slider);
  return t;
}

Token Lexer::Symbol() {
  static const char* const kPairs[] = {"++", "==", "!=", "<>", "<=", ">=", "&&", "||"};
  Token t = Start(Token::Kind::Symbol);
  for (const char* pair : kPairs)
    if (At(pair)) {
      t.text = pair;
      Advance();
      Advance();
      return t;
    }
  const char c = s_[i_];
  if (std::string("=+-*/%(),.!?:<>{}").find(c) == std::string::npos) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const std::string shown = std::isprint(byte)
                                  ? std::string(1, c)
                                  : std::string("\\x") + "0123456789abcdef"[byte >> 4] + "0123456789abcdef"[byte & 15];
    throw ScriptError("Script error: unexpected character '" + shown + "'", Here());
  }
  t.text = std::string(1, c);
  Advance();
  return t;
}

std::vector<Token> Tokenize(const std::string& source, SliderRun* sliders) {
  Lexer lexer(source, sliders);
  std::vector<Token> tokens;
  do tokens.push_back(lexer.Next());
  while (tokens.back().kind != Token::Kind::End);
  return tokens;
}

}  // namespace tintara::script
