#pragma once
// The script interpreter as the report uses it.
//
//   Script script(&host);                     // host: the report's names and objects (host.h)
//   if (!script.compile(script_text))         // every preparation; "PascalScript" programs
//     report(script.error_position(), script.error_message());   // "line:column", grammar or
//                                                                 // compiler text
//   script.execute();                         // the main block, before generation
//   script.call_function("Memo1OnBeforePrint", {memo_object});   // handlers; a name that is no
//                                                                 // procedure does nothing
//   auto e = script.compile_expression("<DaneOrvena.\"kwota\"> * 2");  // once per expression text
//   e->evaluate();                            // many times
//
// Compiling parses the text into a tree of nodes with every name resolved (variables to their
// slots, routines to their code, report names to the host's ids), so a run does no lookups by text.
// Run-time errors are core::Error with the variant, library or host text; script try statements
// catch them. set_line_hook gives the host a call before every statement and every loop pass:
// a step budget there that calls terminate() ends any script, `while True do ;` included.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "core/variant.h"
#include "script/host.h"
#include "script/lexer.h"

namespace orvena::script {

class Runtime;
struct Procedure;
struct Scope;

struct LineEvent {
  std::string_view unit;  // empty for the script itself
  Position pos;
};

class CompiledExpression;

// Thrown by a line hook to end the running code at once, with the reason as its message. The
// script cannot keep itself going: try ... except does not catch it and finally parts do not
// run. It is no core::Error, so code that passes over a script's errors (IIF) lets it through.
class ScriptStopped : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Script {
 public:
  // Language names the report may ask for; only "PascalScript" is built.
  static constexpr std::string_view kPascalScript = "PascalScript";

  explicit Script(Host* host = nullptr);
  ~Script();
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

  // "PascalScript" (any case) by default; a "#language NAME" first line overrides it.
  void set_language(std::string language) { m_language = std::move(language); }
  // Folders searched for used units (the template's folder); a unit is a regular file in one of
  // them, never a path leading out. unit_loader, when set, supplies a unit's text by name first.
  std::vector<std::filesystem::path> include_path;
  std::function<std::optional<std::string>(const std::string& name)> unit_loader;

  // Forgets the previous program and compiles this one. False on a compile error: then
  // error_message(), error_position() ("line:column") and error_unit() tell what and where.
  bool compile(std::string_view text);
  const std::string& error_message() const { return m_error; }
  std::string error_position() const { return m_error_pos ? m_error_pos->text() : ""; }
  const std::string& error_unit() const { return m_error_unit; }

  // Whether the main block holds any statement.
  bool has_main_block() const;
  // Runs the main block.
  void execute();
  // Calls a procedure or function of the script (or of its parents) by name. `params` are
  // assigned to its parameters in order; var parameters are written back into them. Null when
  // the name is no procedure.
  core::Variant call_function(std::string_view name, std::span<core::Variant> params = {});
  bool has_procedure(std::string_view name) const;

  // The wrapper the report compiles each expression into, run in a child scope of this script:
  // "function rpf: Variant; begin Result := <expression> end; begin end.". On a compile error
  // returns null and sets `error` to the interpreter's message and `error_pos`, when given, to
  // where in the expression it stopped (none for an error without a place).
  std::unique_ptr<CompiledExpression> compile_expression(std::string_view expression, std::string& error,
                                                         std::optional<Position>* error_pos = nullptr);

  // Script variables by name: null when there is none; setting adds a Variant variable.
  core::Variant get_variable(std::string_view name) const;
  void set_variable(std::string_view name, const core::Variant& value);

  // Stops running code at the next statement boundary or loop pass, quietly; also code of
  // compiled expressions (children of this script) running at the time.
  void terminate();
  bool terminated() const;
  void set_line_hook(std::function<void(const LineEvent&)> hook);
  // Date, Time and Now read this clock (the system clock when none is set); not owned.
  void set_clock(const core::Clock* clock);

 private:
  friend class CompiledExpression;
  Script(Host* host, Script* parent);

  Host* m_host;
  Script* m_parent = nullptr;
  std::string m_language{kPascalScript};
  std::string m_error, m_error_unit;
  std::optional<Position> m_error_pos;
  // The compiled program and its state; compiled expressions share it, so one compiled before
  // a recompile still runs against the program it was compiled with.
  std::shared_ptr<Runtime> m_runtime;
};

// One compiled expression; evaluate() may run any number of times.
enum class DivisionByZero { Raise, GivesNull };

class CompiledExpression {
 public:
  ~CompiledExpression();
  // With DivisionByZero::GivesNull a division by zero is no error and the value is null (the
  // engine's IgnoreDevByZero); every other error is raised.
  core::Variant evaluate(DivisionByZero mode = DivisionByZero::Raise);

 private:
  friend class Script;
  CompiledExpression(std::unique_ptr<Script> child, std::shared_ptr<Runtime> parent)
      : m_parent(std::move(parent)), m_child(std::move(child)) {}
  std::shared_ptr<Runtime> m_parent;
  std::unique_ptr<Script> m_child;
  Procedure* m_function = nullptr;
};

// The system library's routine names, grouped as the designer lists them.
std::vector<std::string_view> library_routine_names();

// "Błąd w wyrażeniu '<expression>': <message>", the text the report reports for an expression.
std::string expression_error_text(std::string_view expression, std::string_view message);

}  // namespace orvena::script
