#pragma once
// The orvena program run as cron or an operator runs it, for the tests of the whole program.
#include <filesystem>
#include <string>

#include "support/run_command.h"

namespace orvena::test {

inline CommandResult run_orvena(const std::string& args) {
  return run_command(std::string(ORVENA_BINARY_DIR) + "/src/app/orvena " + args);
}

// A copy of the demo home folder made at `home` (which must not exist yet) and run once with
// --run, as cron runs it.
inline CommandResult run_demo_copy(const std::filesystem::path& home) {
  std::filesystem::copy(std::filesystem::path(ORVENA_SOURCE_DIR) / "examples" / "demo", home,
                        std::filesystem::copy_options::recursive);
  return run_orvena("--run --home " + shell_quoted(home));
}

}  // namespace orvena::test
