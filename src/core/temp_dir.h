#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. Used by tests and by anything that needs scratch space.
#include <filesystem>

namespace orvena::core {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace orvena::core
