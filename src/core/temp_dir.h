#pragma once
// A fresh folder for scratch files, removed with everything in it when the object goes. Used by
// tests and by anything that needs scratch space.
#include <filesystem>
#include <string_view>

namespace orvena::core {

// Where scratch files and folders go: the system's temporary folder, unless a run has named its
// own (the home folder's Tymczasowe, which start-up empties, so a killed run leaves nothing
// behind for ever).
std::filesystem::path scratch_folder();
// An empty path returns to the system's temporary folder.
void set_scratch_folder(std::filesystem::path folder);

class TempDir {
 public:
  // "orvena.XXXXXX", the name start-up knows the stale ones by.
  static constexpr std::string_view kPrefix = "orvena.";
  static bool is_temp_dir_name(std::string_view name);

  // In scratch_folder().
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace orvena::core
