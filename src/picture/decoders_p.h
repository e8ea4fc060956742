#pragma once
// One decoder per kind, each throwing Unreadable with the kind's name and what is wrong, and
// calling check_size with `max_pixels` before it allocates the pixels.
#include <cstdint>
#include <string_view>

#include "picture/picture.h"

namespace orvena::picture::detail {

// Uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, with a colour table or bit-field masks,
// rows bottom-up or top-down, and 8- and 4-bit run lengths.
Bitmap decode_bmp(std::string_view file, uint64_t max_pixels);
// The first image of the file on its logical screen, its transparent colour as clear pixels,
// interlaced rows put in their places; pixels the image leaves uncovered are clear.
Bitmap decode_gif(std::string_view file, uint64_t max_pixels);
// Grey, colour and CMYK (Adobe's inverted form too), baseline and progressive.
Bitmap decode_jpeg(std::string_view file, uint64_t max_pixels);
// Every colour type and depth, palettes with transparency, interlaced.
Bitmap decode_png(std::string_view file, uint64_t max_pixels);

[[noreturn]] void unreadable(std::string_view kind, std::string_view what);

}  // namespace orvena::picture::detail
