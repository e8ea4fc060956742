#include "export/tiff/tiff_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "core/error.h"
#include "core/file_error.h"
#include "core/little_endian.h"

namespace orvena::exporting::tiff {

namespace {

enum class Type : uint16_t { ascii = 2, short_ = 3, long_ = 4, rational = 5 };

// TIFF 6.0 tags used by a baseline RGB or bilevel image (section 8, 18, 20).
enum Tag : uint16_t {
  kNewSubfileType = 254,
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kXResolution = 282,
  kYResolution = 283,
  kPlanarConfiguration = 284,
  kResolutionUnit = 296,
  kSoftware = 305,
};

constexpr uint64_t kMaxOffset = 0xFFFFFFFF;
// ASCII values end with a NUL byte (TIFF 6.0, section 2); readers warn about one without it.
const std::string kSoftwareName("Orvena\0", 7);

struct Entry {
  uint16_t tag;
  Type type;
  uint32_t count;
  uint32_t value;  // the value itself when it fits in four bytes, else its offset
};

}  // namespace

Image rgb_from_bgrx(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride) {
  Image image{.width = width, .height = height, .format = PixelFormat::rgb};
  image.pixels.resize(image.row_bytes() * height);
  uint8_t* out = image.pixels.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* in = pixels + y * stride;
    for (uint32_t x = 0; x < width; ++x, in += 4) {
      *out++ = in[2];
      *out++ = in[1];
      *out++ = in[0];
    }
  }
  return image;
}

TiffWriter::TiffWriter(std::ostream& out, Compression compression) : m_out(out), m_compression(compression) {
  start();
}

TiffWriter::TiffWriter(const std::filesystem::path& file, Compression compression)
    : TiffWriter(open(file), compression) {}

TiffWriter::TiffWriter(Open file, Compression compression)
    : m_path(std::move(file.path)),
      m_temp_path(std::move(file.temp_path)),
      m_file(std::move(file.file)),
      m_out(*m_file),
      m_compression(compression) {
  start();
}

TiffWriter::Open TiffWriter::open(const std::filesystem::path& file) {
  Open o{file, file, nullptr};
  o.temp_path += ".part";
  o.file = std::make_unique<std::ofstream>(o.temp_path, std::ios::binary | std::ios::trunc);
  if (!*o.file) throw core::file_error(core::FileAction::Create, file, std::strerror(errno));
  return o;
}

void TiffWriter::start() {
  m_base = std::max<std::streamoff>(m_out.tellp(), 0);
  std::string header = "II";
  core::put_le16(header, 42);
  core::put_le32(header, 0);  // the first directory's offset, patched when the page is written
  put(header);
}

TiffWriter::~TiffWriter() {
  if (!m_temp_path.empty() && !m_finished) {
    m_file.reset();
    std::error_code ec;
    std::filesystem::remove(m_temp_path, ec);
  }
}

void TiffWriter::check_stream() {
  if (m_out) return;
  int error = errno;
  if (m_path.empty())
    throw core::Error(std::string("Nie udało się zapisać obrazu TIFF: ") +
                      std::strerror(error ? error : EIO));
  throw core::write_failed(m_path, error);
}

void TiffWriter::put(const std::string& bytes) {
  errno = 0;
  m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  check_stream();
  m_offset += bytes.size();
}

// Values and directories start on a word boundary (TIFF 6.0, section 2).
void TiffWriter::align() {
  if (m_offset % 2) put(std::string(1, '\0'));
}

void TiffWriter::add_page(const Image& image, uint32_t dots_per_inch) {
  if (image.width == 0 || image.height == 0) throw core::Error("TIFF: empty image");
  if (image.pixels.size() != uint64_t{image.row_bytes()} * image.height)
    throw core::Error("TIFF: pixel data does not match the image size");
  begin_page(image.width, image.height, image.format, dots_per_inch);
  add_rows(image.pixels.data(), image.pixels.size());
  end_page();
}

void TiffWriter::begin_page(uint32_t width, uint32_t height, PixelFormat format, uint32_t dots_per_inch) {
  if (m_page) throw std::logic_error("INTERNAL ERROR: TIFF page begun inside another");
  if (width == 0 || height == 0) throw core::Error("TIFF: empty image");
  Page page{.width = width, .height = height, .format = format};
  page.strip_bytes = uint64_t{Image{.width = width, .format = format}.row_bytes()} * height;
  if (dots_per_inch == 0) dots_per_inch = 96;
  // Rows, values and a directory of at most 16 entries must all stay addressable.
  // LZW may, for noise, take up to 12 bits for each byte: a half more.
  uint64_t most = m_compression == Compression::Lzw ? page.strip_bytes / 2 * 3 + 16 : page.strip_bytes;
  if (m_offset + most + 512 > kMaxOffset) throw core::Error("TIFF: file would pass 4 GiB");

  page.resolution_at = static_cast<uint32_t>(m_offset);
  std::string values;
  for (int axis = 0; axis < 2; ++axis) {  // X and Y: dpi × 10 over 10
    core::put_le32(values, dots_per_inch * 10);
    core::put_le32(values, 10);
  }
  page.bits_at = page.resolution_at + static_cast<uint32_t>(values.size());
  if (format == PixelFormat::rgb)
    for (int i = 0; i < 3; ++i) core::put_le16(values, 8);
  page.software_at = page.resolution_at + static_cast<uint32_t>(values.size());
  values += kSoftwareName;
  put(values);
  align();
  page.strip_at = static_cast<uint32_t>(m_offset);
  if (m_compression == Compression::Lzw) page.lzw = std::make_unique<LzwEncoder>();
  m_page = std::move(page);
}

void TiffWriter::add_rows(const uint8_t* rows, size_t bytes) {
  if (!m_page) throw std::logic_error("INTERNAL ERROR: TIFF rows outside a page");
  if (m_page->written + bytes > m_page->strip_bytes)
    throw core::Error("TIFF: more rows than the image holds");
  put_strip(rows, bytes);
  m_page->written += bytes;
}

void TiffWriter::put_strip(const uint8_t* bytes, size_t count) {
  const uint64_t before = m_offset;
  if (m_page->lzw) {
    std::string packed;
    m_page->lzw->add(bytes, count, packed);
    put(packed);
  } else {
    errno = 0;
    m_out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    check_stream();
    m_offset += count;
  }
  m_page->stored += m_offset - before;
}

void TiffWriter::end_page() {
  if (!m_page) throw std::logic_error("INTERNAL ERROR: TIFF page ended before it began");
  if (m_page->written != m_page->strip_bytes) {
    m_page.reset();
    throw core::Error("TIFF: pixel data does not match the image size");
  }
  if (m_page->lzw) {
    std::string tail;
    m_page->lzw->finish(tail);
    put(tail);
    m_page->stored += tail.size();
  }
  Page page = std::move(*m_page);
  m_page.reset();
  align();

  const bool rgb = page.format == PixelFormat::rgb;
  auto size_type = [](uint32_t v) { return v > 0xFFFF ? Type::long_ : Type::short_; };
  std::vector<Entry> entries = {
      {kNewSubfileType, Type::long_, 1, 0},
      {kImageWidth, size_type(page.width), 1, page.width},
      {kImageLength, size_type(page.height), 1, page.height},
      rgb ? Entry{kBitsPerSample, Type::short_, 3, page.bits_at} : Entry{kBitsPerSample, Type::short_, 1, 1},
      {kCompression, Type::short_, 1, static_cast<uint32_t>(m_compression)},
      {kPhotometric, Type::short_, 1, rgb ? 2u : 1u},  // RGB; bilevel with 0 = black
      {kStripOffsets, Type::long_, 1, page.strip_at},
      {kSamplesPerPixel, Type::short_, 1, rgb ? 3u : 1u},
      {kRowsPerStrip, Type::long_, 1, page.height},
      {kStripByteCounts, Type::long_, 1, static_cast<uint32_t>(page.stored)},
      {kXResolution, Type::rational, 1, page.resolution_at},
      {kYResolution, Type::rational, 1, page.resolution_at + 8},
      {kResolutionUnit, Type::short_, 1, 2},  // inch
      {kSoftware, Type::ascii, static_cast<uint32_t>(kSoftwareName.size()), page.software_at},
  };
  if (rgb) entries.insert(entries.end() - 2, {kPlanarConfiguration, Type::short_, 1, 1});

  uint32_t directory_at = static_cast<uint32_t>(m_offset);
  std::string directory;
  core::put_le16(directory, static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    core::put_le16(directory, e.tag);
    core::put_le16(directory, static_cast<uint16_t>(e.type));
    core::put_le32(directory, e.count);
    if (e.type == Type::short_ && e.count == 1) {
      core::put_le16(directory, static_cast<uint16_t>(e.value));  // a short sits in the first two bytes
      core::put_le16(directory, 0);
    } else {
      core::put_le32(directory, e.value);
    }
  }
  uint64_t next_link = m_offset + directory.size();
  core::put_le32(directory, 0);  // no next directory yet
  put(directory);

  std::string link;
  core::put_le32(link, directory_at);
  errno = 0;
  m_out.seekp(m_base + static_cast<std::streamoff>(m_link_offset));
  m_out.write(link.data(), 4);
  m_out.seekp(m_base + static_cast<std::streamoff>(m_offset));
  check_stream();
  m_link_offset = next_link;
  ++m_pages;
}

void TiffWriter::finish() {
  if (m_page) throw std::logic_error("INTERNAL ERROR: TIFF finished inside a page");
  errno = 0;
  m_out.flush();
  check_stream();
  if (!m_temp_path.empty() && !m_finished) {
    m_file->close();
    if (!*m_file) throw core::write_failed(m_path, errno);
    std::error_code ec;
    std::filesystem::rename(m_temp_path, m_path, ec);
    if (ec) throw core::file_error(core::FileAction::Create, m_path, ec.message());
  }
  m_finished = true;
}

}  // namespace orvena::exporting::tiff
