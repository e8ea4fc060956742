#pragma once
// ZIP packages for the Office Open XML writers (XLSX, DOCX), written straight into one stream.
//
//   zip::ZipWriter zip(out_path, {.modified = clock.now()});   // or a seekable std::ostream
//   zip.add("[Content_Types].xml", content_types_xml);          // a part built in memory
//   auto& sheet = zip.begin_entry("xl/worksheets/sheet1.xml");  // a part too big to hold
//   sheet.write(row_xml); ...
//   zip.end_entry();
//   zip.add_file("xl/media/image1.png", png_path);              // a part already on disk
//   zip.finish();                                               // central directory, end record
//
// Entries are written in the order they are added, so the package writer decides the order of
// the parts. A part of at most 128 bytes is stored, a larger one deflated (raw deflate, zlib's
// default level), unless the caller names the method. Every entry carries the one modification
// time given in the options, so the same parts give the same bytes. Sizes and the CRC are patched
// into the local header once an entry ends, so the stream must be seekable; no data descriptors.
// ZIP64 records (PKWARE APPNOTE 4.5.3, 4.3.14) are written only when the archive needs them: more
// than 65,535 entries, an entry or an offset of 4 GiB or more.
//
// An entry's bytes are checksummed, compressed and written on a worker thread (BackgroundSink),
// so that the caller builds the next piece of XML while the last one is deflated; the archive's
// bytes are the same as if it were all done in line. A failure there (a full disk, a write error,
// zlib) is thrown by the next write, end_entry() or finish(), and by every call after it; a
// write error names the file and the system's reason.
// Destroying the writer with an entry open (an exception in the caller) drops the rest and joins
// the thread.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/datetime.h"
#include "export/zip/background_sink.h"

namespace orvena::exporting::zip {

enum class Method { automatic, stored, deflated };

struct WriterOptions {
  core::DateTime modified = 0;  // local time stamped on every entry; before 1980 reads as 1980-01-01
  // zlib's level for deflated entries: -1 its default, 1 fastest. Large, repetitive XML parts
  // deflate several times faster at level 1 for a file about a third larger.
  int level = -1;
  // The file named in write errors: the one the archive becomes when it is written under a
  // temporary name or into a stream. By default the file written, or none for a stream.
  std::filesystem::path file_name;
};

// MS-DOS time and date fields of a local date-time (two-second steps, years 1980 to 2107).
struct DosTime {
  uint16_t time = 0;
  uint16_t date = 0;
};
DosTime dos_time(core::DateTime local);

class ZipWriter;

// The entry being written: bytes go through the CRC and the compressor into the archive.
class EntryWriter {
 public:
  void write(std::string_view bytes);

 private:
  friend class ZipWriter;
  explicit EntryWriter(ZipWriter& owner) : m_owner(owner) {}
  ZipWriter& m_owner;
};

class ZipWriter {
 public:
  ZipWriter(std::ostream& out, WriterOptions options);
  // Creates (truncates) the file.
  ZipWriter(const std::filesystem::path& file, WriterOptions options);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  void add(std::string_view name, std::string_view data, Method method = Method::automatic);
  // Throws core::Error when the file cannot be read.
  void add_file(std::string_view name, const std::filesystem::path& file, Method method = Method::automatic);

  // A part written in pieces; `expected_size` of 4 GiB or more reserves room for its ZIP64 sizes.
  // Without a method a streamed part is deflated.
  EntryWriter& begin_entry(std::string_view name, Method method = Method::deflated,
                           uint64_t expected_size = 0);
  void end_entry();

  // Writes the central directory and the end record; nothing may be added afterwards.
  void finish();

  size_t entry_count() const { return m_entries.size(); }

 private:
  friend class EntryWriter;
  struct Entry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compressed = 0;
    uint64_t uncompressed = 0;
    uint64_t offset = 0;
    bool zip64_local = false;  // the local header carries a ZIP64 extra field for the sizes
  };
  struct Deflater;

  void write_data(std::string_view bytes);
  void consume(std::string_view bytes);
  void put(std::string_view bytes);
  void write_central_directory();
  // Throws the stream's failure, named after the file; errno is that of the failed call.
  void check_stream();

  std::unique_ptr<std::ofstream> m_file;
  std::filesystem::path m_file_name;
  std::ostream& m_out;
  std::streamoff m_base = 0;
  uint64_t m_offset = 0;
  DosTime m_time;
  int m_level;
  std::vector<Entry> m_entries;
  std::unordered_set<std::string> m_names;
  std::unique_ptr<Deflater> m_deflater;  // the open entry's compressor, when deflated
  EntryWriter m_entry_writer{*this};
  bool m_entry_open = false;
  bool m_finished = false;
  // Consumes the open entry's bytes through consume(); declared last, so that it is destroyed
  // (its thread joined) before anything the thread uses.
  std::unique_ptr<BackgroundSink> m_sink;
};

}  // namespace orvena::exporting::zip
