#pragma once
// Runs a reader that is not ours (Python's zipfile, unzip, tiffinfo) on a file we wrote.
#include <filesystem>
#include <fstream>
#include <string>

#include "support/run_command.h"

namespace orvena::test {

// Runs a Python script with the given arguments, in Debian's Python, which has the packages
// scripts/install-test-deps.sh installs.
inline CommandResult run_python(const std::filesystem::path& dir, const std::string& script,
                                const std::string& args) {
  std::filesystem::path file = dir / "reader.py";
  std::ofstream(file) << script;
  return run_command("/usr/bin/python3 " + file.string() + " " + args);
}

}  // namespace orvena::test
