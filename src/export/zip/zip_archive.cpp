#include "export/zip/zip_archive.h"

#include <algorithm>

namespace orvena::exporting::zip {

namespace fs = std::filesystem;

void ZipArchive::add_dir(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  std::vector<fs::path> children;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec))
    children.push_back(entry.path());
  // The file system lists in no stable order; sorting keeps archives reproducible.
  std::sort(children.begin(), children.end());
  for (const fs::path& child : children) {
    if (fs::is_directory(child, ec))
      add_dir(child);
    else
      add_file(child);
  }
}

void ZipArchive::add_file(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    errors.push_back("File " + file.string() + " not found!");
    return;
  }
  if (root_folder.empty()) root_folder = file.parent_path().string() + "/";
  m_files.push_back(file.string());
}

std::string ZipArchive::entry_name(const std::string& path) const {
  std::string name = path;
  if (!root_folder.empty()) {
    size_t at = name.find(root_folder);
    if (at != std::string::npos) name.erase(at, root_folder.size());
  }
  return name;
}

void ZipArchive::save(ZipWriter& writer) {
  for (const std::string& path : m_files) {
    writer.add_file(entry_name(path), path);
    if (progress) progress();
  }
  writer.finish();
}

void ZipArchive::save_to_file(const fs::path& target, WriterOptions options) {
  ZipWriter writer(target, options);
  save(writer);
}

void ZipArchive::save_to_stream(std::ostream& out, WriterOptions options) {
  ZipWriter writer(out, options);
  save(writer);
}

void ZipArchive::clear() {
  m_files.clear();
  errors.clear();
  root_folder.clear();
}

}  // namespace orvena::exporting::zip
