// orvena — the unattended report server.
#include <cstdio>
#include <cstring>

namespace {

const char* kUsage =
    "Usage: orvena [--home DIR] [--run]\n"
    "\n"
    "  --home DIR   home folder holding Dane/, Logi/ and Tymczasowe/ (default: the executable's folder)\n"
    "  --run        run every report definition once without a window, then exit\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("orvena 2.4.0");
      return 0;
    }
  }
  std::fputs(kUsage, stderr);
  return 2;
}
