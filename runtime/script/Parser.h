// Builds the syntax tree of a script. Grammar, one statement per line:
//   statement  := "function" name "(" [ parameter { "," parameter } ] ")" "{" { statement } "}"
//               | [ "global" ] name "=" expression | [ "return" ] expression
//   parameter  := [ type [ "[]" ] ] ( name | "\"" name "\"" )   (quoted: optional, by name)
//   expression := or [ "?" expression ":" expression ]
//   or         := and { "||" and }                 and := compare { "&&" compare }
//   compare    := sum { ("==" | "!=" | "<>" | "<" | ">" | "<=" | ">=") sum }
//   sum        := product { ("+" | "-" | "++") product }      (grouped from the right)
//   product    := unary { ("*" | "/" | "%") unary }
//   unary      := ("-" | "+" | "!") unary | postfix
//   postfix    := primary { "." name [ "(" arguments ")" ] }
//   primary    := number | string | true | false | name [ "(" arguments ")" ] | "(" expression ")"
//   arguments  := [ argument { "," argument } ],  argument := [ name "=" ] expression
// Inside parentheses line breaks are blanks, so a long call may span lines. Runs of operators
// and method chains are read in a loop, so their length is not limited; nesting is.
#pragma once

#include <string>

#include "runtime/script/Lexer.h"
#include "runtime/script/Syntax.h"

namespace tintara::script {

// The line added to a message about a call when a `#` comment that looks like a colour cut it short.
constexpr const char* kColourCommentHint =
    "\nHint: '#' starts a comment, so a colour written #RRGGBB ends the line there; colours are ints written $RRGGBB.";

// Throws ScriptError naming what was expected and where (with `file` as its file). Sliders take
// their settings from `sliders` and are listed in the program.
Program Parse(const std::string& source, SliderRun* sliders = nullptr, const std::string& file = "");

}  // namespace tintara::script
