// orvena — the unattended report server.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "app/check_template.h"
#include "app/exit_status.h"
#include "app/headless_run.h"
#include "app/render.h"
#include "app/worker.h"
#include "core/datetime.h"
#include "core/paths.h"
#include "core/version.h"
#include "runner/startup.h"

#ifdef ORVENA_GUI
#include "app/gui/windowed_run.h"
#endif

namespace {

const char* kUsage =
    "Usage: orvena [--home DIR] [--run] [--jobs N]\n"
    "       orvena --check-template FILE [--resave OUT]\n"
    "       orvena --render TEMPLATE --sql \"SELECT ...\" [--home DIR] --format FORMAT --out FILE\n"
    "\n"
    "Runs every report definition of HOME/Dane/sterowanie.txt: queries the database, produces the\n"
    "due reports in HOME/Tymczasowe and delivers them; the day's log is HOME/Logi/log_<date>.txt.\n"
    "\n"
    "  --home DIR        home folder holding Dane/, Logi/ and Tymczasowe/ (default: the executable's "
    "folder)\n"
    "  --run             run once without a window, then exit (for cron and systemd timers)\n"
    "  --jobs N          make up to N reports at once, each in a process of its own (default: the\n"
    "                    settings' [rownolegle_raporty]=, else 1); the log and the deliveries keep\n"
    "                    the order of the control file; 0: no separate processes, for debugging\n"
    "  --check-template  load a report template, print its errors and the first error compiling its\n"
    "                    script or expressions (exit status 1 when there are any), and with --resave\n"
    "                    write it back to OUT\n"
    "  --render          render one template over a query into FILE (pdf), without the control file,\n"
    "                    the log or delivery; errors are printed with exit status 1;\n"
    "                    \"orvena --render --help\" lists its options\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Without --run the main window opens, counts down ten seconds and runs; \"stop\" keeps it open.\n"
    "One run at a time uses a home folder: a second start exits at once with status 75.\n"
    "\n"
    "Exit status:\n"
    "  0   the run ended normally and every report went through\n"
    "  1   an error ended the run (settings, database, log folder ...); it is in the day's log\n"
    "  2   a wrong option, or a home folder that is empty or does not exist\n"
    "  3   the run ended normally, but a report failed to be produced, mailed or uploaded\n"
    "  75  another run is using the home folder; try later\n";

// A whole number of reports at once, 0 (no workers) to 64.
std::optional<unsigned> jobs_value(std::string_view text) {
  unsigned n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n > 64) return std::nullopt;
  return n;
}

int run_program(int argc, char** argv) {
  bool run = false;
  bool worker = false;
  orvena::app::ProductionOptions production;
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--render")
      return orvena::app::run_render(argc, argv, std::cout, std::cerr);
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return orvena::app::kExitOk;
    }
    if (arg == "--version") {
      std::printf("orvena %s\n", orvena::core::kVersion);
      return orvena::app::kExitOk;
    }
    if (arg == "--check-template") return orvena::app::run_check_template(argc, argv);
    std::string_view home_value;
    if (arg == "--run") {
      run = true;
      continue;
    } else if (arg == orvena::app::kWorkerOption) {
      worker = true;
      continue;
    } else if (arg == "--jobs" || arg.substr(0, 7) == "--jobs=") {
      const std::string_view value = arg == "--jobs" ? (i + 1 < argc ? argv[++i] : "") : arg.substr(7);
      production.jobs = jobs_value(value);
      if (!production.jobs) {
        std::fprintf(stderr, "orvena: --jobs needs a whole number from 0 to 64\n\n%s", kUsage);
        return orvena::app::kExitUsage;
      }
      continue;
    } else if (arg == "--home" && i + 1 < argc) {
      home_value = argv[++i];
    } else if (arg.substr(0, 7) == "--home=") {
      home_value = arg.substr(7);
    } else {
      std::fprintf(stderr, "orvena: unknown option '%s'\n\n%s", argv[i], kUsage);
      return orvena::app::kExitUsage;
    }
    // A cron line with an unset variable gives an empty home; it must not mean the current folder.
    if (home_value.empty()) {
      std::fprintf(stderr, "orvena: --home needs a folder, but an empty one was given\n\n%s", kUsage);
      return orvena::app::kExitUsage;
    }
  }

  const orvena::core::Home home = orvena::core::Home::from_arguments(argc, argv);
  std::error_code ec;
  if (!std::filesystem::is_directory(home.root(), ec)) {
    // A mistyped --home would otherwise surface as an obscure database error.
    std::fprintf(stderr, "orvena: the home folder \"%s\" does not exist\n", home.root().c_str());
    return orvena::app::kExitUsage;
  }
  if (worker) return orvena::app::run_worker(home);
  // Each report in a process of this very program: /proc/self/exe stays the running file even
  // when a package upgrade replaces it during the run.
  if (production.jobs == 0u)
    production.jobs.reset();  // in this process, one after another
  else
    production.worker_command = {"/proc/self/exe", orvena::app::kWorkerOption, "--home",
                                 home.root().string()};
  orvena::core::SystemClock clock;
  if (run) return orvena::app::headless_run(home, clock, std::cerr, production);
#ifdef ORVENA_GUI
  return orvena::app::windowed_run(argc, argv, home, clock, production);
#else
  std::fputs("orvena: built without windows; use --run\n", stderr);
  return orvena::app::kExitUsage;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing may leave main as an exception: that would abort with a core dump and no message.
  try {
    return run_program(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvena: %s\n", e.what());
  } catch (...) {
    std::fputs("orvena: unexpected error\n", stderr);
  }
  return orvena::app::kExitError;
}
