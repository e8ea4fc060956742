#include "report/prepared/spill_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/error.h"
#include "report/xml_document.h"

namespace orvena::report::prepared {

namespace {

// A record: name length, name, text length, text, child count (all 32-bit little-endian; the
// count's top bit carries the record's unloadable mark), then the children. The block is ours
// alone; the reader still checks every length so that a damaged file gives an error, not a wild
// read.
constexpr size_t kMaxRecordDepth = 256;
constexpr uint32_t kUnloadableBit = 0x80000000u;

void put_u32(std::string& out, uint32_t v) {
  char bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  out.append(bytes, 4);
}

void put_string(std::string& out, std::string_view s) {
  put_u32(out, static_cast<uint32_t>(s.size()));
  out += s;
}

void encode_item(std::string& out, const XmlItem& item) {
  put_string(out, item.name);
  put_string(out, item.text);
  put_u32(out, static_cast<uint32_t>(item.count()) | (item.unloadable ? kUnloadableBit : 0));
  for (auto& child : item.items()) encode_item(out, *child);
}

class BlockReader {
 public:
  explicit BlockReader(std::string_view in) : m_in(in) {}
  uint32_t u32() {
    need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<unsigned char>(m_in[m_pos + i])) << (8 * i);
    m_pos += 4;
    return v;
  }
  std::string_view string() {
    uint32_t n = u32();
    need(n);
    std::string_view s = m_in.substr(m_pos, n);
    m_pos += n;
    return s;
  }
  bool at_end() const { return m_pos == m_in.size(); }
  // Each record takes at least 12 bytes, which bounds any child count read.
  size_t records_left() const { return (m_in.size() - m_pos) / 12; }

 private:
  void need(size_t n) const {
    if (m_in.size() - m_pos < n) throw core::Error("Uszkodzony plik tymczasowy stron raportu");
  }
  std::string_view m_in;
  size_t m_pos = 0;
};

void decode_children(BlockReader& in, XmlItem& parent, uint32_t count, size_t depth) {
  if (depth > kMaxRecordDepth || count > in.records_left())
    throw core::Error("Uszkodzony plik tymczasowy stron raportu");
  for (uint32_t i = 0; i < count; ++i) {
    XmlItem& item = parent.add(in.string());
    item.text = in.string();
    uint32_t children = in.u32();
    item.unloadable = children & kUnloadableBit;
    decode_children(in, item, children & ~kUnloadableBit, depth + 1);
  }
}

}  // namespace

void encode_records(const XmlItem& page, std::string& out) {
  out.clear();
  put_u32(out, static_cast<uint32_t>(page.count()));
  for (auto& child : page.items()) encode_item(out, *child);
}

void decode_records(std::string_view bytes, XmlItem& page) {
  // Only the records: the page item's own attributes (the last column, a whole page's
  // properties) never left memory.
  page.clear_items();
  BlockReader in(bytes);
  decode_children(in, page, in.u32(), 0);
  if (!in.at_end()) throw core::Error("Uszkodzony plik tymczasowy stron raportu");
}

SpillFile::SpillFile(std::filesystem::path folder, std::string prefix)
    : m_folder(std::move(folder)), m_prefix(std::move(prefix)) {}

SpillFile::~SpillFile() {
  if (m_fd >= 0) ::close(m_fd);
}

void SpillFile::open() {
  std::filesystem::path folder = m_folder.empty() ? std::filesystem::temp_directory_path() : m_folder;
  std::string pattern = (folder / (m_prefix + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0)
    throw core::Error("Nie można utworzyć pliku tymczasowego w " + folder.string() + ": " +
                      std::strerror(errno));
  ::unlink(name.data());  // the open descriptor keeps it; nothing remains after the process
  m_fd = fd;
}

uint64_t SpillFile::append(std::string_view bytes) {
  if (m_fd < 0) open();
  uint64_t offset = m_size;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(m_size + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw core::Error(std::string("Błąd zapisu pliku tymczasowego: ") + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
  m_size += bytes.size();
  return offset;
}

std::string SpillFile::read(uint64_t offset, size_t size) const {
  if (m_fd < 0 || offset > m_size || size > m_size - offset)
    throw core::Error("Uszkodzony plik tymczasowy stron raportu");
  std::string out(size, '\0');
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(m_fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw core::Error(std::string("Błąd odczytu pliku tymczasowego: ") + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
  return out;
}

}  // namespace orvena::report::prepared
