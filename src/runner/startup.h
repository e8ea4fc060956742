#pragma once
// The start-up step and the unattended run's opening and closing lines, as plain code that both
// the main window and the headless run call.
#include <filesystem>

#include "config/settings.h"
#include "core/datetime.h"
#include "core/paths.h"
#include "core/run_log.h"

namespace orvena::runner {

struct StartupState {
  config::Konfiguracja settings;
  std::filesystem::path templates;  // Dane/Szablony, no trailing separator
};

// Reads the settings (a missing file leaves them empty), sets the templates folder, deletes
// every file directly in Tymczasowe and the log saves an interrupted run left in Logi.
// The caller holds the home folder's lock (core::HomeLock).
StartupState start_up(const core::Home& home);

// Deletes every entry directly in Tymczasowe that is not a folder; links are removed as links.
// Of the sub-folders only the scratch folders a killed run left (core::TempDir) go, with their
// contents; other sub-folders and anything that cannot be deleted stay. Raises core::Error, deleting nothing,
// when Tymczasowe resolves to the home folder or a folder holding it, or into Dane or Logi.
void empty_temporary_folder(const core::Home& home);

// Deletes "log_<date>.txt.XXXXXX" files: temporary files of log saves that were cut off.
void remove_stale_log_saves(const std::filesystem::path& logs);

// The 112 "=" characters that close every definition and frame the run.
std::string separator_line();

// "Uruchomiono aplikację ...", "Uruchomienie: " + date and time, separator.
void log_run_opening(core::RunLog& log, const core::Clock& clock);
// separator, "Poprawnie zakończono ...", "Nie napotkano ...", "Zamknięcie aplikacji: " + date and time.
// When jobs failed, the two middle lines say so and how many instead.
void log_run_closing(core::RunLog& log, const core::Clock& clock, size_t failed_jobs);

}  // namespace orvena::runner
