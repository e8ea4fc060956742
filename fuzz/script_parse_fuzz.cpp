// Script lexer, parser and compiler on arbitrary text: no crash, no hang; a failed compile always
// says why, and a successful one leaves a program that can be asked for its procedures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/error.h"
#include "script/lexer.h"
#include "script/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena::script;
  std::string_view text(reinterpret_cast<const char*>(data), size);

  // The lexer alone walks any bytes to the end, or stops with an error.
  try {
    Lexer lex(text);
    size_t last = 0;
    for (Token t = lex.next(); t.kind != TokenKind::End; t = lex.next()) {
      if (t.end <= last && t.end != text.size()) std::abort();  // no progress would loop for ever
      last = t.end;
    }
  } catch (const orvena::core::Error&) {
  }

  Script script;
  if (!script.compile(text)) {
    if (script.error_message().empty()) std::abort();
  } else {
    script.has_procedure("Main");
  }
  return 0;
}
