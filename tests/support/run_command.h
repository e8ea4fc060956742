#pragma once
// Runs a program that is not ours (the orvena binary, poppler, qpdf, unzip, Python) and keeps
// its exit status and what it printed.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace orvena::test {

// A path or a text as one word of a shell command.
inline std::string shell_quoted(const std::filesystem::path& p) {
  std::string r = "'";
  for (char c : p.string()) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

struct CommandResult {
  int status = -1;  // the exit status, -1 when it did not exit normally
  std::string output;
};

enum class Streams { OutputAndErrors, OutputOnly };

inline CommandResult run_command(const std::string& command, Streams streams = Streams::OutputAndErrors) {
  CommandResult r;
  FILE* pipe = popen((streams == Streams::OutputAndErrors ? command + " 2>&1" : command).c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) r.output.append(buf.data(), n);
  int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

}  // namespace orvena::test
