// Builds the syntax tree of a script. Grammar, one statement per line:
//   statement  := [ "return" ] expression | name "=" expression
//   expression := term { ("+" | "-") term }
//   term       := unary { ("*" | "/" | "%") unary }
//   unary      := "-" unary | "+" unary | postfix
//   postfix    := primary { "." name [ "(" arguments ")" ] }
//   primary    := number | string | true | false | name [ "(" arguments ")" ] | "(" expression ")"
//   arguments  := [ argument { "," argument } ],  argument := [ name "=" ] expression
// Inside parentheses line breaks are blanks, so a long call may span lines.
#pragma once

#include <string>

#include "runtime/script/Lexer.h"
#include "runtime/script/Syntax.h"

namespace tintara::script {

// Throws ScriptError naming what was expected and where. Sliders take their settings from
// `sliders` and are listed in the program.
Program Parse(const std::string& source, SliderRun* sliders = nullptr);

}  // namespace tintara::script
