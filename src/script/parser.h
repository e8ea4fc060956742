#pragma once
// The grammar of programs and expressions, one function per rule. Throws SyntaxError with the
// grammar's text and the position of the token where the rule failed.
#include <string_view>

#include "script/ast.h"

namespace orvena::script {

// A whole program: [ PROGRAM identifier ";" ] [ uses-clause ] block ".".
ast::Program parse_program(std::string_view source);

}  // namespace orvena::script
