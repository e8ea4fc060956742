#pragma once
// `orvena --check-template FILE [--resave OUT]`: loads a template the way a run does, prints its
// error list (one line each, with the place in the file where known), then compiles its script
// and every expression (texts, highlight conditions, filters, group conditions) and prints the
// first compile error with its place; with --resave it writes the loaded template back.
// Operators use it to check a template before a run.
#include <filesystem>
#include <iosfwd>
#include <optional>

namespace orvena::app {

// The program's whole argument list; finds "--check-template FILE" and "--resave OUT" in it.
// Exit status: 0 no errors, 1 errors (or the file cannot be read or written), 2 bad usage.
int run_check_template(int argc, char** argv);

int check_template(const std::filesystem::path& file, const std::optional<std::filesystem::path>& resave,
                   std::ostream& out, std::ostream& err);

}  // namespace orvena::app
