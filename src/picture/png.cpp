// PNG read with libpng's own calls rather than through Cairo, so that the size in the header is
// held to the limit before a pixel is allocated. The transforms are those Cairo applies (no
// gamma correction, 16 bits cut to 8), so pictures look as they did.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "picture/decoders_p.h"

namespace orvena::picture::detail {
namespace {

struct Source {
  std::string_view bytes;
  size_t pos = 0;
};

// Errors jump back to the call, which raises outside libpng; no C++ object with a destructor
// lives between setjmp and the jump.
struct Failure {
  char message[200] = "";
  uint32_t width = 0, height = 0;  // set when the header is past the limit
};

void on_error(png_structp png, png_const_charp message) {
  auto* f = static_cast<Failure*>(png_get_error_ptr(png));
  std::strncpy(f->message, message, sizeof f->message - 1);
  png_longjmp(png, 1);
}

void read_bytes(png_structp png, png_bytep data, size_t length) {
  auto* s = static_cast<Source*>(png_get_io_ptr(png));
  if (s->bytes.size() - s->pos < length) png_error(png, "plik jest ucięty");
  std::memcpy(data, s->bytes.data() + s->pos, length);
  s->pos += length;
}

// Returns the number of passes the rows are read in.
int set_transforms(png_structp png, png_infop info) {
  const int colour = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (depth < 8) png_set_packing(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // no effect where alpha is there already
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return passes;
}

enum class Outcome { Decoded, Unreadable, TooLarge };

Outcome read(std::string_view file, uint64_t max_pixels, Bitmap& out, Failure& failure) {
  Source source{file};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, on_error, [](png_structp, png_const_charp) {});
  if (!png) return Outcome::Unreadable;
  png_infop info = png_create_info_struct(png);
  // Nothing of this frame changes after setjmp: the pixels go into `out`, which is the caller's.
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return Outcome::Unreadable;
  }
  png_set_read_fn(png, &source, read_bytes);
  png_read_info(png, info);
  const uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (uint64_t{width} * height > max_pixels) {
    failure.width = width;
    failure.height = height;
    png_destroy_read_struct(&png, &info, nullptr);
    return Outcome::TooLarge;
  }
  const int passes = set_transforms(png, info);
  out.alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) ? Alpha::Straight : Alpha::None;
  out.width = int(width);
  out.height = int(height);
  out.rgba.resize(size_t(width) * height * 4);
  // Interlaced passes each fill in their pixels of every row.
  for (int pass = 0; pass < passes; ++pass)
    for (uint32_t y = 0; y < height; ++y) png_read_row(png, out.rgba.data() + size_t(y) * width * 4, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return Outcome::Decoded;
}

}  // namespace

Bitmap decode_png(std::string_view file, uint64_t max_pixels) {
  Bitmap out;
  Failure failure;
  switch (read(file, max_pixels, out, failure)) {
    case Outcome::Decoded:
      return out;
    case Outcome::TooLarge:
      throw TooLarge(failure.width, failure.height, max_pixels);
    case Outcome::Unreadable:
      break;
  }
  unreadable("PNG", failure.message);
}

}  // namespace orvena::picture::detail
