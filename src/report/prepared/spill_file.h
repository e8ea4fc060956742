#pragma once
// Scratch storage for the prepared-page store: an append-only temporary file that is unlinked
// as soon as it is open, so nothing is left behind whatever way the process ends, and the
// binary form of unloaded page records.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace orvena::report {

class XmlItem;

namespace prepared {

class SpillFile {
 public:
  // Made on the first append, in `folder` (or the system's temporary folder when empty), with a
  // name starting with `prefix`.
  SpillFile(std::filesystem::path folder, std::string prefix);
  ~SpillFile();
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;

  // Returns the offset the bytes were written at. Throws core::Error when the file cannot be
  // made or written.
  uint64_t append(std::string_view bytes);
  std::string read(uint64_t offset, size_t size) const;
  uint64_t size() const { return m_size; }
  bool is_open() const { return m_fd >= 0; }

 private:
  void open();
  std::filesystem::path m_folder;
  std::string m_prefix;
  int m_fd = -1;
  uint64_t m_size = 0;
};

// The children of a page item (records with their nested records) as bytes into `out` (a buffer
// kept between calls), and back. Restoring replaces the item's children; it throws core::Error
// for bytes that are not such a block.
void encode_records(const XmlItem& page, std::string& out);
void decode_records(std::string_view bytes, XmlItem& page);

}  // namespace prepared
}  // namespace orvena::report
