#include "export/pdf/pdf_image.h"

// libjpeg's header needs size_t and FILE declared first.
#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <algorithm>

#include "core/error.h"

namespace orvena::exporting::pdf {
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

[[noreturn]] void fail(const char* message) {
  throw core::Error(std::string("JPEG format error: ") + message);
}

bool read_header(std::string_view jpeg, JpegInfo& out, char* message) {
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = on_error;
  err.base.output_message = [](j_common_ptr) {};
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    std::copy(err.message, err.message + JMSG_LENGTH_MAX, message);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  out.width = static_cast<int>(info.image_width);
  out.height = static_cast<int>(info.image_height);
  out.components = info.num_components;
  out.inverted = info.num_components == 4 && info.saw_Adobe_marker;
  jpeg_destroy_decompress(&info);
  return true;
}

bool compress(const Bitmap& bitmap, int quality, unsigned char** data, unsigned long* size, char* message) {
  jpeg_compress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = on_error;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    std::copy(err.message, err.message + JMSG_LENGTH_MAX, message);
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

bool decompress(std::string_view jpeg, Bitmap& out, char* message) {
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = on_error;
  err.base.output_message = [](j_common_ptr) {};
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    std::copy(err.message, err.message + JMSG_LENGTH_MAX, message);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  if (uint64_t{info.image_width} * info.image_height > kMaxDecodedJpegPixels) {
    jpeg_destroy_decompress(&info);
    std::snprintf(message, JMSG_LENGTH_MAX, "picture of %ux%u pixels is too large", info.image_width,
                  info.image_height);
    return false;
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
  return true;
}

}  // namespace

Bitmap decode_jpeg(std::string_view jpeg) {
  if (jpeg.empty()) fail("empty data");
  Bitmap out;
  char message[JMSG_LENGTH_MAX] = {};
  if (!decompress(jpeg, out, message)) fail(message);
  return out;
}

JpegInfo read_jpeg_info(std::string_view jpeg) {
  if (jpeg.empty()) fail("empty data");
  JpegInfo out;
  char message[JMSG_LENGTH_MAX] = {};
  if (!read_header(jpeg, out, message)) fail(message);
  if (out.components != 1 && out.components != 3 && out.components != 4)
    fail("unsupported colour components");
  return out;
}

std::string encode_jpeg(const Bitmap& bitmap, int quality) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.rgba.size() != size_t(bitmap.width) * bitmap.height * 4)
    throw std::invalid_argument("INTERNAL ERROR: bitmap size does not match its pixels");
  unsigned char* data = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  bool ok = compress(bitmap, quality, &data, &size, message);
  std::string out = ok ? std::string(reinterpret_cast<char*>(data), size) : std::string();
  std::free(data);
  if (!ok) fail(message);
  return out;
}

std::string alpha_mask(const Bitmap& bitmap) {
  if (bitmap.alpha == Alpha::None) return {};
  std::string mask;
  mask.reserve(bitmap.rgba.size() / 4);
  bool opaque = true;
  for (size_t i = 3; i < bitmap.rgba.size(); i += 4) {
    mask += static_cast<char>(bitmap.rgba[i]);
    opaque = opaque && bitmap.rgba[i] == 255;
  }
  return opaque ? std::string() : mask;
}

}  // namespace orvena::exporting::pdf
