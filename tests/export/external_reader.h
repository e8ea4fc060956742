#pragma once
// Runs a reader that is not ours (Python's zipfile, unzip, tiffinfo) on a file we wrote.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace orvena::test {

struct CommandResult {
  int status = -1;
  std::string output;
};

inline CommandResult run_command(const std::string& command) {
  CommandResult r;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) r.output.append(buf.data(), n);
  int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

// Runs a Python script with the given arguments, in Debian's Python, which has the packages
// scripts/install-deps.sh installs.
inline CommandResult run_python(const std::filesystem::path& dir, const std::string& script,
                                const std::string& args) {
  std::filesystem::path file = dir / "reader.py";
  std::ofstream(file) << script;
  return run_command("/usr/bin/python3 " + file.string() + " " + args);
}

}  // namespace orvena::test
