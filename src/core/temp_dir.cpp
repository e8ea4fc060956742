#include "core/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error.h"

namespace orvena::core {

namespace {

std::filesystem::path& chosen_scratch_folder() {
  static std::filesystem::path folder;
  return folder;
}

}  // namespace

std::filesystem::path scratch_folder() {
  const std::filesystem::path& chosen = chosen_scratch_folder();
  return chosen.empty() ? std::filesystem::temp_directory_path() : chosen;
}

void set_scratch_folder(std::filesystem::path folder) {
  chosen_scratch_folder() = std::move(folder);
}

bool TempDir::is_temp_dir_name(std::string_view name) {
  return name.size() == kPrefix.size() + 6 && name.substr(0, kPrefix.size()) == kPrefix;
}

TempDir::TempDir() {
  std::string pattern = (scratch_folder() / (std::string(kPrefix) + "XXXXXX")).string();
  if (!::mkdtemp(pattern.data()))
    throw Error("Nie można utworzyć folderu tymczasowego " + pattern + ": " + std::strerror(errno));
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

}  // namespace orvena::core
