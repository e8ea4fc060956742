#pragma once
// TIFF 6.0 (little-endian, one strip per image, uncompressed or LZW) written by our own code: one
// or more pages into one file, each page an image of the IFD chain.
//
//   tiff::TiffWriter tiff(path);                       // or a seekable std::ostream
//   tiff::Image page{.width = 794, .height = 1123, .format = tiff::PixelFormat::rgb};
//   page.pixels = ...;                                 // rows top to bottom, see Image
//   tiff.add_page(page, 96);                           // dots per inch, in both directions
//   tiff.finish();
//
// Each page is written as it is added (its rows, then its directory), and the previous
// directory's link is patched to point at it, so only one page bitmap is held at a time. A page
// may also arrive a few rows at a time, so that not even one page need be held whole:
//
//   tiff.begin_page(width, height, tiff::PixelFormat::bilevel, 96);
//   tiff.add_rows(rows);  ...                          // whole rows, until `height` are written
//   tiff.end_page();
//
// A file is written under a temporary name beside it and renamed by finish(): a failed export
// leaves nothing under the report's name.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "export/tiff/lzw.h"

namespace orvena::exporting::tiff {

enum class PixelFormat {
  rgb,      // 3 bytes per pixel, red, green, blue
  bilevel,  // 1 bit per pixel, most significant bit first, 1 = white; rows padded to whole bytes
};

// Uncompressed is baseline TIFF; LZW (TIFF 6.0, section 13) is read by every TIFF reader and
// makes a page of text a small fraction of its size.
enum class Compression : uint16_t { None = 1, Lzw = 5 };

struct Image {
  uint32_t width = 0;
  uint32_t height = 0;
  PixelFormat format = PixelFormat::rgb;
  std::vector<uint8_t> pixels;  // height rows of row_bytes() each

  size_t row_bytes() const {
    return format == PixelFormat::rgb ? size_t{width} * 3 : (size_t{width} + 7) / 8;
  }
};

// A page from a 32-bit bitmap whose pixels are blue, green, red and an unused byte, rows `stride`
// bytes apart: a Cairo RGB24 or opaque ARGB32 image surface on a little-endian machine. The
// fourth byte is dropped.
Image rgb_from_bgrx(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride);

class TiffWriter {
 public:
  explicit TiffWriter(std::ostream& out, Compression compression = Compression::None);
  // Creates (truncates) the file; throws core::Error when it cannot.
  explicit TiffWriter(const std::filesystem::path& file, Compression compression = Compression::None);
  ~TiffWriter();
  TiffWriter(const TiffWriter&) = delete;
  TiffWriter& operator=(const TiffWriter&) = delete;

  // Throws core::Error for an empty image, pixels that do not match the size, or a file that
  // would pass the 4 GiB that TIFF offsets can address.
  void add_page(const Image& image, uint32_t dots_per_inch = 96);
  // The same in pieces; rows are Image::row_bytes() each. end_page() throws core::Error when
  // fewer or more rows came than announced.
  void begin_page(uint32_t width, uint32_t height, PixelFormat format, uint32_t dots_per_inch = 96);
  void add_rows(const uint8_t* rows, size_t bytes);
  void end_page();
  // Throws core::Error when the file cannot be completed.
  void finish();
  size_t page_count() const { return m_pages; }

 private:
  struct Open {
    std::filesystem::path path, temp_path;
    std::unique_ptr<std::ofstream> file;
  };
  TiffWriter(Open file, Compression compression);
  static Open open(const std::filesystem::path& file);
  void start();
  void put(const std::string& bytes);
  // Rows as they go into the strip: as they are, or through the page's encoder.
  void put_strip(const uint8_t* bytes, size_t count);
  // Throws the stream's failure, named after the file; errno is that of the failed call.
  void check_stream();
  void align();

  std::filesystem::path m_path, m_temp_path;
  std::unique_ptr<std::ofstream> m_file;
  std::ostream& m_out;
  std::streamoff m_base = 0;
  uint64_t m_offset = 0;
  uint64_t m_link_offset = 4;  // where the next directory's offset goes
  size_t m_pages = 0;
  bool m_finished = false;
  Compression m_compression;

  // The page being written.
  struct Page {
    uint32_t width = 0, height = 0;
    PixelFormat format = PixelFormat::rgb;
    uint32_t resolution_at = 0, bits_at = 0, software_at = 0, strip_at = 0;
    uint64_t strip_bytes = 0, written = 0;  // uncompressed bytes the strip holds, and has had
    uint64_t stored = 0;                    // bytes the strip takes in the file
    std::unique_ptr<LzwEncoder> lzw;
  };
  std::optional<Page> m_page;
};

}  // namespace orvena::exporting::tiff
