#pragma once
// Pictures for PDF pages: JPEG data embedded as it is (DCTDecode) and bitmaps encoded as JPEG at
// a quality, with their alpha channel as a soft mask. JPEG pictures drawn on bitmaps (TIFF pages)
// are decoded here too, so that all libjpeg calls live in one file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::exporting::pdf {

enum class Alpha {
  None,           // the fourth byte is ignored
  Straight,       // colours are not multiplied by alpha
  Premultiplied,  // colours are multiplied by alpha (Cairo's image surfaces)
};

// Rows from top to bottom, four bytes per pixel in the order R, G, B, A.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  Alpha alpha = Alpha::None;
};

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 0;     // 1 grey, 3 colour, 4 CMYK
  bool inverted = false;  // Adobe CMYK files store inverted components
};

// Reads the header of a JPEG file; throws core::Error for anything libjpeg cannot read.
JpegInfo read_jpeg_info(std::string_view jpeg);
// The colour bytes of the bitmap as a three-component JPEG at `quality` (1..100).
std::string encode_jpeg(const Bitmap& bitmap, int quality);
// Larger pictures are refused rather than decoded: 64 M pixels are 256 MB of RGBA.
inline constexpr uint64_t kMaxDecodedJpegPixels = uint64_t{64} << 20;
// The picture's pixels (opaque RGBA); throws core::Error for data libjpeg cannot read and for
// a picture of more than kMaxDecodedJpegPixels.
Bitmap decode_jpeg(std::string_view jpeg);
// The alpha bytes, or empty when the bitmap is opaque.
std::string alpha_mask(const Bitmap& bitmap);

}  // namespace orvena::exporting::pdf
