#pragma once
// JPEG as the PDF writer needs it: the header of a file embedded as it is, and bitmaps encoded.
// All libjpeg calls live in picture/jpeg.cpp.
#include <string>
#include <string_view>

#include "picture/picture.h"

namespace orvena::picture {

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 0;     // 1 grey, 3 colour, 4 CMYK
  bool inverted = false;  // Adobe CMYK files store inverted components
};

// Reads the header of a JPEG file; throws Unreadable for anything libjpeg cannot read and
// TooLarge past the pixel limit, as decoding the file would.
JpegInfo read_jpeg_info(std::string_view jpeg);
// The colour bytes of the bitmap as a three-component JPEG at `quality` (1..100).
std::string encode_jpeg(const Bitmap& bitmap, int quality);

}  // namespace orvena::picture
