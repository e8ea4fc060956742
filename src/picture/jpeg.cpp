#include "picture/jpeg.h"

// libjpeg's header needs size_t and FILE declared first.
#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <stdexcept>

#include "picture/decoders_p.h"

namespace orvena::picture {
namespace {

// libjpeg reports errors through a callback that must not return; it jumps back to the call,
// which then raises. No C++ object with a destructor lives between setjmp and the jump.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void on_error(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// The one error set-up of every libjpeg object here: errors jump, warnings stay quiet.
void install(ErrorManager& err, jpeg_common_struct& info) {
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = on_error;
  err.base.output_message = [](j_common_ptr) {};
  err.message[0] = '\0';
}

[[noreturn]] void fail(const char* message) {
  detail::unreadable("JPEG", message);
}

void start_reading(jpeg_decompress_struct& info, std::string_view jpeg) {
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
}

bool read_header(std::string_view jpeg, JpegInfo& out, ErrorManager& err) {
  jpeg_decompress_struct info;
  install(err, *reinterpret_cast<jpeg_common_struct*>(&info));
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  start_reading(info, jpeg);
  out.width = static_cast<int>(info.image_width);
  out.height = static_cast<int>(info.image_height);
  out.components = info.num_components;
  out.inverted = info.num_components == 4 && info.saw_Adobe_marker;
  jpeg_destroy_decompress(&info);
  return true;
}

bool compress(const Bitmap& bitmap, int quality, unsigned char** data, unsigned long* size,
              ErrorManager& err) {
  jpeg_compress_struct info;
  install(err, *reinterpret_cast<jpeg_common_struct*>(&info));
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, data, size);
  info.image_width = static_cast<JDIMENSION>(bitmap.width);
  info.image_height = static_cast<JDIMENSION>(bitmap.height);
  info.input_components = 4;
  info.in_color_space = JCS_EXT_RGBX;  // the alpha byte is skipped by libjpeg-turbo itself
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto* row = const_cast<JSAMPLE*>(bitmap.rgba.data() + size_t(info.next_scanline) * bitmap.width * 4);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

enum class Outcome { Decoded, Unreadable, TooLarge };

// The size of a picture refused for its size comes back in `out`, so that TooLarge is raised
// outside the jump's reach.
Outcome decompress(std::string_view jpeg, uint64_t max_pixels, Bitmap& out, ErrorManager& err) {
  jpeg_decompress_struct info;
  install(err, *reinterpret_cast<jpeg_common_struct*>(&info));
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return Outcome::Unreadable;
  }
  start_reading(info, jpeg);
  if (uint64_t{info.image_width} * info.image_height > max_pixels) {
    out.width = static_cast<int>(info.image_width);
    out.height = static_cast<int>(info.image_height);
    jpeg_destroy_decompress(&info);
    return Outcome::TooLarge;
  }
  const bool cmyk = info.num_components == 4;
  const bool inverted = cmyk && info.saw_Adobe_marker;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.alpha = Alpha::None;
  // Resized only now: the size came from a header that passed the limit above.
  out.rgba.resize(size_t(out.width) * size_t(out.height) * 4);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.rgba.data() + size_t(info.output_scanline) * size_t(out.width) * 4;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  if (cmyk) {
    // The naive conversion (each colour = 255 - component, darkened by black); Adobe files keep
    // the components inverted.
    for (size_t i = 0; i < out.rgba.size(); i += 4) {
      uint8_t* p = &out.rgba[i];
      int c = p[0], m = p[1], y = p[2], k = p[3];
      if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      p[0] = uint8_t(c * k / 255);
      p[1] = uint8_t(m * k / 255);
      p[2] = uint8_t(y * k / 255);
      p[3] = 255;
    }
  }
  return Outcome::Decoded;
}

}  // namespace

namespace detail {

Bitmap decode_jpeg(std::string_view jpeg, uint64_t max_pixels) {
  if (jpeg.empty()) fail("brak danych");
  Bitmap out;
  ErrorManager err;
  switch (decompress(jpeg, max_pixels, out, err)) {
    case Outcome::Decoded:
      return out;
    case Outcome::TooLarge:
      throw TooLarge(uint32_t(out.width), uint32_t(out.height), max_pixels);
    case Outcome::Unreadable:
      break;
  }
  fail(err.message);
}

}  // namespace detail

JpegInfo read_jpeg_info(std::string_view jpeg) {
  if (jpeg.empty()) fail("brak danych");
  JpegInfo out;
  ErrorManager err;
  if (!read_header(jpeg, out, err)) fail(err.message);
  if (out.components != 1 && out.components != 3 && out.components != 4)
    fail("nieobsługiwana liczba składowych koloru");
  check_size(uint32_t(out.width), uint32_t(out.height));
  return out;
}

std::string encode_jpeg(const Bitmap& bitmap, int quality) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.rgba.size() != size_t(bitmap.width) * bitmap.height * 4)
    throw std::invalid_argument("INTERNAL ERROR: bitmap size does not match its pixels");
  unsigned char* data = nullptr;
  unsigned long size = 0;
  ErrorManager err;
  bool ok = compress(bitmap, quality, &data, &size, err);
  std::string out = ok ? std::string(reinterpret_cast<char*>(data), size) : std::string();
  std::free(data);
  if (!ok) fail(err.message);
  return out;
}

}  // namespace orvena::picture
