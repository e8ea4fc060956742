#include "runner/startup.h"

#include <unistd.h>

#include "core/locale.h"
#include "core/version.h"

namespace orvena::runner {

StartupState start_up(const core::Home& home) {
  StartupState state;
  state.settings = config::read_settings(home.settings_file());
  state.templates = home.templates();
  empty_temporary_folder(home.temporary());
  return state;
}

void empty_temporary_folder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    // Deleting "as a file": unlink fails on folders, which therefore stay with their contents.
    ::unlink(it->path().c_str());
  }
}

std::string separator_line() {
  return std::string(112, '=');
}

void log_run_opening(core::RunLog& log, const core::Clock& clock) {
  log.append(std::string("Uruchomiono aplikację automatycznego raportowania Orvena w wersji: ") +
             core::kVersion);
  log.append("Uruchomienie: " + core::Locale::format_date_and_time(clock.now()));
  log.append(separator_line());
}

void log_run_closing(core::RunLog& log, const core::Clock& clock) {
  log.append(separator_line());
  log.append("Poprawnie zakończono wszystkie operacje!");
  log.append("Nie napotkano żadnych błędów krytycznych.");
  log.append("Zamknięcie aplikacji: " + core::Locale::format_date_and_time(clock.now()));
}

}  // namespace orvena::runner
