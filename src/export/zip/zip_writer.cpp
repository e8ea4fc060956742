#include "export/zip/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "core/error.h"
#include "core/file_error.h"
#include "core/little_endian.h"

namespace orvena::exporting::zip {

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint16_t kVersion = 20;       // 2.0: deflate
constexpr uint16_t kVersionZip64 = 45;  // 4.5: ZIP64 extensions
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kUtf8NameFlag = 1 << 11;
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kMax16 = 0xFFFF;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCrcFieldOffset = 14;  // CRC, compressed and uncompressed size follow each other
constexpr size_t kLargestStoredAutomatic = 128;
constexpr size_t kChunk = 64 * 1024;

uint32_t clamp32(uint64_t v) {
  return v >= kMax32 ? kMax32 : static_cast<uint32_t>(v);
}

bool is_ascii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

uint32_t update_crc(uint32_t crc, std::string_view bytes) {
  // zlib takes 32-bit lengths; a part may be longer.
  while (!bytes.empty()) {
    size_t n = std::min<size_t>(bytes.size(), std::numeric_limits<uInt>::max());
    crc =
        static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n)));
    bytes.remove_prefix(n);
  }
  return crc;
}

}  // namespace

// Raw deflate (no zlib header or Adler-32 trailer), as ZIP method 8 wants it.
struct ZipWriter::Deflater {
  z_stream z{};

  explicit Deflater(int level) {
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::runtime_error("zlib: deflateInit2 failed");
  }
  ~Deflater() { deflateEnd(&z); }

  template <typename Sink>
  void feed(std::string_view bytes, int flush, Sink&& sink) {
    std::array<char, kChunk> buffer;
    do {
      size_t n = std::min<size_t>(bytes.size(), std::numeric_limits<uInt>::max());
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
      z.avail_in = static_cast<uInt>(n);
      int this_flush = n == bytes.size() ? flush : Z_NO_FLUSH;
      do {
        z.next_out = reinterpret_cast<Bytef*>(buffer.data());
        z.avail_out = static_cast<uInt>(buffer.size());
        int rc = deflate(&z, this_flush);
        if (rc == Z_STREAM_ERROR) throw std::runtime_error("zlib: deflate failed");
        sink(std::string_view(buffer.data(), buffer.size() - z.avail_out));
      } while (z.avail_out == 0);
      bytes.remove_prefix(n);
    } while (!bytes.empty());
  }
};

DosTime dos_time(core::DateTime local) {
  core::DateParts p = core::decode(local);
  if (p.year < 1980) return {0, (0 << 9) | (1 << 5) | 1};
  if (p.year > 2107) p = {2107, 12, 31, 23, 59, 58, 0};
  DosTime t;
  t.time = static_cast<uint16_t>((p.hour << 11) | (p.minute << 5) | (p.second / 2));
  t.date = static_cast<uint16_t>(((p.year - 1980) << 9) | (p.month << 5) | p.day);
  return t;
}

void EntryWriter::write(std::string_view bytes) {
  m_owner.write_data(bytes);
}

ZipWriter::ZipWriter(std::ostream& out, WriterOptions options)
    : m_file_name(options.file_name),
      m_out(out),
      m_time(dos_time(options.modified)),
      m_level(options.level),
      m_sink(std::make_unique<BackgroundSink>([this](std::string_view bytes) { consume(bytes); })) {
  m_base = m_out.tellp();
  if (m_base < 0) m_base = 0;
}

ZipWriter::ZipWriter(const std::filesystem::path& file, WriterOptions options)
    : m_file(std::make_unique<std::ofstream>(file, std::ios::binary | std::ios::trunc)),
      m_file_name(options.file_name.empty() ? file : options.file_name),
      m_out(*m_file),
      m_time(dos_time(options.modified)),
      m_level(options.level),
      m_sink(std::make_unique<BackgroundSink>([this](std::string_view bytes) { consume(bytes); })) {
  if (!*m_file) throw core::file_error(core::FileAction::Create, file);
}

ZipWriter::~ZipWriter() {
  m_sink.reset();
}

void ZipWriter::check_stream() {
  if (m_out) return;
  int error = errno;
  if (m_file_name.empty())
    throw core::Error(std::string("Nie udało się zapisać archiwum ZIP: ") +
                      std::strerror(error ? error : EIO));
  throw core::write_failed(m_file_name, error);
}

void ZipWriter::put(std::string_view bytes) {
  errno = 0;
  m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  check_stream();
  m_offset += bytes.size();
}

void ZipWriter::add(std::string_view name, std::string_view data, Method method) {
  if (method == Method::automatic)
    method = data.size() <= kLargestStoredAutomatic ? Method::stored : Method::deflated;
  begin_entry(name, method, data.size()).write(data);
  end_entry();
}

void ZipWriter::add_file(std::string_view name, const std::filesystem::path& file, Method method) {
  std::ifstream in(file, std::ios::binary);
  std::error_code ec;
  uint64_t size = std::filesystem::file_size(file, ec);
  if (!in || ec) throw core::Error("File " + file.string() + " cannot be opened!");
  if (method == Method::automatic)
    method = size <= kLargestStoredAutomatic ? Method::stored : Method::deflated;
  EntryWriter& entry = begin_entry(name, method, size);
  std::string buffer(kChunk, '\0');
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    entry.write(std::string_view(buffer.data(), static_cast<size_t>(in.gcount())));
  }
  if (in.bad()) throw core::Error("File " + file.string() + " cannot be read!");
  end_entry();
}

EntryWriter& ZipWriter::begin_entry(std::string_view name, Method method, uint64_t expected_size) {
  if (m_finished || m_entry_open) throw std::logic_error("ZipWriter: entry begun out of order");
  std::string entry_name(name);
  std::replace(entry_name.begin(), entry_name.end(), '\\', '/');
  if (entry_name.empty() || entry_name.size() > kMax16)
    throw core::Error("ZIP archive: invalid entry name \"" + entry_name + "\"");
  if (!m_names.insert(entry_name).second)
    throw core::Error("ZIP archive: duplicate entry \"" + entry_name + "\"");

  Entry e;
  e.name = std::move(entry_name);
  e.method = method == Method::stored ? 0 : 8;
  e.flags = is_ascii(e.name) ? 0 : kUtf8NameFlag;
  e.offset = m_offset;
  // Deflate may grow incompressible data a little; reserve ZIP64 sizes with that margin.
  e.zip64_local = expected_size >= kMax32 - expected_size / 1000 - 1024;

  std::string h;
  core::put_le32(h, kLocalHeaderSignature);
  core::put_le16(h, e.zip64_local ? kVersionZip64 : kVersion);
  core::put_le16(h, e.flags);
  core::put_le16(h, e.method);
  core::put_le16(h, m_time.time);
  core::put_le16(h, m_time.date);
  core::put_le32(h, 0);  // CRC and sizes are patched in by end_entry
  core::put_le32(h, e.zip64_local ? kMax32 : 0);
  core::put_le32(h, e.zip64_local ? kMax32 : 0);
  core::put_le16(h, static_cast<uint16_t>(e.name.size()));
  core::put_le16(h, e.zip64_local ? 20 : 0);
  h += e.name;
  if (e.zip64_local) {
    core::put_le16(h, kZip64ExtraId);
    core::put_le16(h, 16);
    core::put_le64(h, 0);
    core::put_le64(h, 0);
  }
  m_entries.push_back(std::move(e));
  put(h);
  if (method != Method::stored) m_deflater = std::make_unique<Deflater>(m_level);
  m_entry_open = true;
  return m_entry_writer;
}

void ZipWriter::write_data(std::string_view bytes) {
  if (!m_entry_open) throw std::logic_error("ZipWriter: write outside an entry");
  m_sink->write(bytes);
}

// On the sink's thread while the entry is open; nothing else touches the entry, the compressor
// or the stream until the sink is drained.
void ZipWriter::consume(std::string_view bytes) {
  Entry& e = m_entries.back();
  e.crc = update_crc(e.crc, bytes);
  e.uncompressed += bytes.size();
  if (!m_deflater) {
    put(bytes);
    return;
  }
  if (bytes.empty()) return;
  m_deflater->feed(bytes, Z_NO_FLUSH, [this](std::string_view out) { put(out); });
}

void ZipWriter::end_entry() {
  if (!m_entry_open) throw std::logic_error("ZipWriter: no entry to end");
  m_sink->drain();
  Entry& e = m_entries.back();
  if (m_deflater) {
    m_deflater->feed({}, Z_FINISH, [this](std::string_view out) { put(out); });
    m_deflater.reset();
  }
  uint64_t data_start = e.offset + kLocalHeaderSize + e.name.size() + (e.zip64_local ? 20 : 0);
  e.compressed = m_offset - data_start;
  m_entry_open = false;
  if (!e.zip64_local && (e.compressed >= kMax32 || e.uncompressed >= kMax32))
    throw core::Error("ZIP archive: entry \"" + e.name + "\" passed 4 GiB without its size given");

  std::string fields;
  core::put_le32(fields, e.crc);
  core::put_le32(fields, e.zip64_local ? kMax32 : static_cast<uint32_t>(e.compressed));
  core::put_le32(fields, e.zip64_local ? kMax32 : static_cast<uint32_t>(e.uncompressed));
  errno = 0;
  m_out.seekp(m_base + static_cast<std::streamoff>(e.offset + kCrcFieldOffset));
  m_out.write(fields.data(), static_cast<std::streamsize>(fields.size()));
  if (e.zip64_local) {
    std::string sizes;
    core::put_le64(sizes, e.uncompressed);
    core::put_le64(sizes, e.compressed);
    m_out.seekp(m_base + static_cast<std::streamoff>(e.offset + kLocalHeaderSize + e.name.size() + 4));
    m_out.write(sizes.data(), static_cast<std::streamsize>(sizes.size()));
  }
  m_out.seekp(m_base + static_cast<std::streamoff>(m_offset));
  check_stream();
}

void ZipWriter::write_central_directory() {
  for (const Entry& e : m_entries) {
    // ZIP64 extra: only the fields whose 32-bit slot overflowed, in this order (APPNOTE 4.5.3).
    bool sizes64 = e.zip64_local || e.uncompressed >= kMax32 || e.compressed >= kMax32;
    bool offset64 = e.offset >= kMax32;
    std::string extra;
    if (sizes64 || offset64) {
      core::put_le16(extra, kZip64ExtraId);
      core::put_le16(extra, static_cast<uint16_t>((sizes64 ? 16 : 0) + (offset64 ? 8 : 0)));
      if (sizes64) {
        core::put_le64(extra, e.uncompressed);
        core::put_le64(extra, e.compressed);
      }
      if (offset64) core::put_le64(extra, e.offset);
    }
    uint16_t version = extra.empty() ? kVersion : kVersionZip64;
    std::string h;
    core::put_le32(h, kCentralHeaderSignature);
    core::put_le16(h, version);  // made by
    core::put_le16(h, version);  // needed
    core::put_le16(h, e.flags);
    core::put_le16(h, e.method);
    core::put_le16(h, m_time.time);
    core::put_le16(h, m_time.date);
    core::put_le32(h, e.crc);
    core::put_le32(h, sizes64 ? kMax32 : static_cast<uint32_t>(e.compressed));
    core::put_le32(h, sizes64 ? kMax32 : static_cast<uint32_t>(e.uncompressed));
    core::put_le16(h, static_cast<uint16_t>(e.name.size()));
    core::put_le16(h, static_cast<uint16_t>(extra.size()));
    core::put_le16(h, 0);  // comment length
    core::put_le16(h, 0);  // disk number start
    core::put_le16(h, 0);  // internal attributes
    core::put_le32(h, 0);  // external attributes
    core::put_le32(h, clamp32(e.offset));
    h += e.name;
    h += extra;
    put(h);
  }
}

void ZipWriter::finish() {
  if (m_finished) return;
  if (m_entry_open) end_entry();
  uint64_t directory_offset = m_offset;
  write_central_directory();
  uint64_t directory_size = m_offset - directory_offset;
  uint64_t count = m_entries.size();

  std::string end;
  if (count >= kMax16 || directory_size >= kMax32 || directory_offset >= kMax32) {
    uint64_t zip64_end_offset = m_offset;
    core::put_le32(end, kZip64EndSignature);
    core::put_le64(end, 44);  // size of the record after this field
    core::put_le16(end, kVersionZip64);
    core::put_le16(end, kVersionZip64);
    core::put_le32(end, 0);  // this disk
    core::put_le32(end, 0);  // disk where the directory starts
    core::put_le64(end, count);
    core::put_le64(end, count);
    core::put_le64(end, directory_size);
    core::put_le64(end, directory_offset);
    core::put_le32(end, kZip64LocatorSignature);
    core::put_le32(end, 0);
    core::put_le64(end, zip64_end_offset);
    core::put_le32(end, 1);  // total disks
  }
  uint16_t count16 = count >= kMax16 ? kMax16 : static_cast<uint16_t>(count);
  core::put_le32(end, kEndSignature);
  core::put_le16(end, 0);
  core::put_le16(end, 0);
  core::put_le16(end, count16);
  core::put_le16(end, count16);
  core::put_le32(end, clamp32(directory_size));
  core::put_le32(end, clamp32(directory_offset));
  core::put_le16(end, 0);  // comment length
  put(end);
  errno = 0;
  m_out.flush();
  check_stream();
  m_finished = true;
}

}  // namespace orvena::exporting::zip
