#include "report/prepared/picture_cache.h"

#include <functional>

namespace orvena::report::prepared {

void PictureCache::set_storage(Storage storage, std::filesystem::path temp_folder) {
  clear();
  m_storage = storage;
  m_temp_folder = std::move(temp_folder);
}

void PictureCache::clear() {
  m_segments.clear();
  m_file.reset();
  m_entries.clear();
  m_by_hash.clear();
}

std::string PictureCache::bytes_of(const Entry& e) const {
  if (m_storage == Storage::File) return m_file->read(e.offset, e.size);
  return m_segments[e.segment].substr(e.offset, e.size);
}

int64_t PictureCache::add(const Picture& picture) {
  if (picture.empty()) return 0;
  size_t hash = std::hash<std::string_view>()(picture.bytes) ^ static_cast<size_t>(picture.kind);
  auto [first, last] = m_by_hash.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    const Entry& e = m_entries[it->second];
    if (e.kind == picture.kind && e.size == picture.bytes.size() && bytes_of(e) == picture.bytes)
      return static_cast<int64_t>(it->second) + 1;
  }
  return append(picture);
}

int64_t PictureCache::append(const Picture& picture) {
  size_t hash = std::hash<std::string_view>()(picture.bytes) ^ static_cast<size_t>(picture.kind);
  Entry e{picture.kind, 0, 0, picture.bytes.size(), hash};
  if (m_storage == Storage::File) {
    if (!m_file) m_file = std::make_unique<SpillFile>(m_temp_folder, "rpPic");
    e.offset = m_file->append(picture.bytes);
  } else {
    if (m_segments.empty() || m_segments.back().size() > kSegmentLimit) m_segments.emplace_back();
    e.segment = m_segments.size() - 1;
    e.offset = m_segments.back().size();
    m_segments.back() += picture.bytes;
  }
  m_entries.push_back(e);
  m_by_hash.emplace(hash, m_entries.size() - 1);
  return static_cast<int64_t>(m_entries.size());
}

Picture PictureCache::get(int64_t index) const {
  Picture p;
  if (index < 1 || static_cast<size_t>(index) > m_entries.size()) return p;
  const Entry& e = m_entries[static_cast<size_t>(index - 1)];
  p.kind = e.kind;
  p.bytes = bytes_of(e);
  return p;
}

}  // namespace orvena::report::prepared
