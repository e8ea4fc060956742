#include "runner/startup.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "core/error.h"
#include "core/locale.h"
#include "core/temp_dir.h"
#include "core/version.h"

namespace orvena::runner {

namespace {

// An open folder, closed however the function that opened it ends.
class Folder {
 public:
  explicit Folder(const std::filesystem::path& path)
      : m_fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~Folder() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  bool is_open() const { return m_fd >= 0; }
  int fd() const { return m_fd; }

  // Where the folder that was opened really is, links resolved: the kernel's own answer, so it
  // cannot differ from the folder whose entries are removed.
  std::filesystem::path real_path() const {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(m_fd), ec);
  }

  // Removes every entry that `remove` accepts, by name within this folder. unlinkat never
  // follows a link (a link is removed as a link) and fails on folders, which therefore stay
  // with their contents. Failures are ignored, as they are for the rest of the folder.
  template <class Predicate>
  void remove_entries(Predicate remove) const {
    int dup_fd = ::dup(m_fd);
    if (dup_fd < 0) return;
    DIR* dir = ::fdopendir(dup_fd);
    if (!dir) {
      ::close(dup_fd);
      return;
    }
    while (const dirent* entry = ::readdir(dir)) {
      std::string_view name = entry->d_name;
      if (name == "." || name == ".." || !remove(name)) continue;
      ::unlinkat(m_fd, entry->d_name, 0);
    }
    ::closedir(dir);
  }

 private:
  int m_fd;
};

std::filesystem::path real(const std::filesystem::path& p) {
  std::error_code ec;
  auto r = std::filesystem::weakly_canonical(p, ec);
  return ec ? p : r;
}

// "log_<date>.txt.XXXXXX": what an interrupted save of the log used to leave behind.
bool is_stale_log_save(std::string_view name) {
  constexpr std::string_view kSuffix = ".txt.";
  size_t at = name.rfind(kSuffix);
  return name.substr(0, 4) == "log_" && at != std::string_view::npos &&
         name.size() - at - kSuffix.size() == 6;
}

}  // namespace

StartupState start_up(const core::Home& home) {
  StartupState state;
  state.settings = config::read_settings(home.settings_file());
  state.templates = home.templates();
  empty_temporary_folder(home);
  remove_stale_log_saves(home.logs());
  return state;
}

void empty_temporary_folder(const core::Home& home) {
  Folder folder(home.temporary());
  if (!folder.is_open()) return;  // nothing to empty
  // Tymczasowe may be a link to a dedicated folder elsewhere. A link to the home folder, into
  // Dane or Logi, or to a folder that holds the home folder would delete settings, control file,
  // database and logs.
  const std::filesystem::path target = folder.real_path();
  const std::filesystem::path root = real(home.root());
  if (target.empty() || core::is_within(root, target) || core::is_within(target, real(home.dane())) ||
      core::is_within(target, real(home.logs())))
    throw core::Error("Nie opróżniono folderu Tymczasowe: wskazuje on na \"" + target.string() +
                      "\", a to folder domowy programu albo folder w nim, w Dane lub w Logi.");
  folder.remove_entries([](std::string_view) { return true; });
  // Scratch folders of a run that was killed; remove_all removes links in them as links.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(target, ec)) {
    std::error_code ignored;
    if (core::TempDir::is_temp_dir_name(entry.path().filename().string()) && entry.is_directory(ignored) &&
        !entry.is_symlink(ignored))
      std::filesystem::remove_all(entry.path(), ignored);
  }
}

void remove_stale_log_saves(const std::filesystem::path& logs) {
  Folder folder(logs);
  if (folder.is_open()) folder.remove_entries(is_stale_log_save);
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

void log_run_closing(core::RunLog& log, const core::Clock& clock, size_t failed_jobs) {
  log.append(separator_line());
  if (failed_jobs == 0) {
    log.append("Poprawnie zakończono wszystkie operacje!");
    log.append("Nie napotkano żadnych błędów krytycznych.");
  } else {
    // Whoever reads only the end of the log must not be told that all went well.
    log.append("Zakończono wszystkie operacje, ale nie wszystkie raporty się udały!");
    log.append("Liczba raportów zakończonych błędem: " + std::to_string(failed_jobs) + ".");
  }
  log.append("Zamknięcie aplikacji: " + core::Locale::format_date_and_time(clock.now()));
}

}  // namespace orvena::runner
