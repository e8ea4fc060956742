#pragma once
// Packs a folder of files into one ZIP archive: for a package that was first written to disk.
// Writers that build their parts in memory use ZipWriter directly and need no folder.
//
//   zip::ZipArchive archive;
//   archive.add_dir(package_folder);          // root folder: package_folder, set by the first file
//   archive.save_to_file(target, {.modified = clock.now()});
//
// Entry names are the paths relative to the root folder, with "/" separators
// (xl/workbook.xml). Files are listed in name order, so the same folder gives the same archive.
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "export/zip/zip_writer.h"

namespace orvena::exporting::zip {

class ZipArchive {
 public:
  // The part of each path cut off to form the entry name, with its trailing separator.
  std::string root_folder;
  // Messages for files that were asked for but are not there; they are left out of the archive.
  std::vector<std::string> errors;
  // Called after each file is written.
  std::function<void()> progress;

  // Adds every file below an existing folder, sub-folders where they come in name order.
  void add_dir(const std::filesystem::path& folder);
  // Adds an existing file; the first one added sets an empty root folder to its own folder.
  void add_file(const std::filesystem::path& file);

  // Throws core::Error when a listed file cannot be read or the target cannot be written.
  void save_to_file(const std::filesystem::path& target, WriterOptions options);
  void save_to_stream(std::ostream& out, WriterOptions options);

  void clear();
  size_t file_count() const { return m_files.size(); }
  const std::vector<std::string>& files() const { return m_files; }

 private:
  std::string entry_name(const std::string& path) const;
  void save(ZipWriter& writer);

  std::vector<std::string> m_files;
};

}  // namespace orvena::exporting::zip
