#pragma once
// Pictures printed in prepared pages, each distinct picture stored once. Entries are numbered
// from 1 (a record's ImageIndex; 0 means no picture). The bytes live in append-only segments in
// memory, or in a temporary file when the report asks for that.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "report/prepared/spill_file.h"
#include "report/values.h"

namespace orvena::report::prepared {

class PictureCache {
 public:
  // A memory segment is closed once it passes this size and a new one begun.
  static constexpr size_t kSegmentLimit = 1789569705;

  enum class Storage : uint8_t { Memory, File };
  void set_storage(Storage storage, std::filesystem::path temp_folder);

  // The entry number of `picture`, adding it when no equal picture is stored; 0 for an empty one.
  int64_t add(const Picture& picture);
  // A new entry whatever is stored already (a saved cache read back keeps its numbers).
  int64_t append(const Picture& picture);
  // The picture of entry `index`; an empty one for 0 or a number not in the cache.
  Picture get(int64_t index) const;
  size_t count() const { return m_entries.size(); }
  void clear();

 private:
  struct Entry {
    PictureKind kind;
    size_t segment;  // unused for the file
    uint64_t offset;
    size_t size;
    size_t hash;
  };
  std::string bytes_of(const Entry& e) const;

  Storage m_storage = Storage::Memory;
  std::filesystem::path m_temp_folder;
  std::vector<std::string> m_segments;
  std::unique_ptr<SpillFile> m_file;
  std::vector<Entry> m_entries;
  std::unordered_multimap<size_t, size_t> m_by_hash;  // content hash -> entry position
};

}  // namespace orvena::report::prepared
