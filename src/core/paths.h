#pragma once
// The home folder and the fixed paths below it. The folder names are the system's own and
// stay as they are; the system creates none of these folders.
#include <filesystem>
#include <string>

namespace orvena::core {

class Home {
 public:
  explicit Home(std::filesystem::path root) : m_root(std::move(root)) {}

  // `--home DIR` when given, else the folder of the running executable.
  static Home from_arguments(int argc, char** argv);
  static std::filesystem::path executable_folder();

  const std::filesystem::path& root() const { return m_root; }
  std::filesystem::path dane() const { return m_root / "Dane"; }
  std::filesystem::path settings_file() const { return dane() / "konfiguracja.txt"; }
  std::filesystem::path control_file() const { return dane() / "sterowanie.txt"; }
  std::filesystem::path templates() const { return dane() / "Szablony"; }
  std::filesystem::path temporary() const { return m_root / "Tymczasowe"; }
  std::filesystem::path logs() const { return m_root / "Logi"; }
  // Held by the run that uses this home folder (see HomeLock).
  std::filesystem::path lock_file() const { return m_root / "orvena.lock"; }
  // Logi/log_<short date>.txt
  std::filesystem::path log_file(double date) const;
  // A relative path (a database file, say) is taken from the home folder.
  std::filesystem::path resolve(const std::string& path) const;

 private:
  std::filesystem::path m_root;
};

// Whether `inner` is `outer` or lies below it, comparing the paths' parts as they are written
// (resolve links first where they matter).
bool is_within(const std::filesystem::path& inner, const std::filesystem::path& outer);

}  // namespace orvena::core
