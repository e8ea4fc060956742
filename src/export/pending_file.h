#pragma once
// A writer's output file, written beside its target under a temporary name and renamed over the
// target once complete: a failed export leaves no partial file under the report's name, and a
// file that cannot be created is an error, not a quiet success.
//
//   PendingFile file(target);        // throws core::Error when it cannot be created
//   file.stream() << ...;
//   file.commit();                   // renames; without it the destructor removes the file
#include <filesystem>
#include <fstream>

namespace orvena::exporting {

class PendingFile {
 public:
  explicit PendingFile(const std::filesystem::path& target);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  std::ofstream& stream() { return m_file; }
  // Throws core::Error when the file could not be written or renamed (and removes it).
  void commit();

 private:
  std::filesystem::path m_target, m_temp;
  std::ofstream m_file;
  bool m_committed = false;
};

}  // namespace orvena::exporting
