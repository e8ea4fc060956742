#include "picture/picture.h"

#include "picture/decoders_p.h"

namespace orvena::picture {

TooLarge::TooLarge(uint64_t width, uint64_t height, uint64_t max_pixels)
    : core::Error("Obraz jest zbyt duży: " + std::to_string(width) + " × " + std::to_string(height) +
                  " pikseli (najwyżej " + std::to_string(max_pixels) + ")") {}

void check_size(uint64_t width, uint64_t height, uint64_t max_pixels) {
  // Sizes come from 16- and 32-bit header fields: the product of two of them fits 64 bits.
  if (width * height > max_pixels) throw TooLarge(width, height, max_pixels);
}

Bitmap decode(Kind kind, std::string_view bytes, uint64_t max_pixels) {
  switch (kind) {
    case Kind::Bitmap:
      return detail::decode_bmp(bytes, max_pixels);
    case Kind::Jpeg:
      return detail::decode_jpeg(bytes, max_pixels);
    case Kind::Png:
      return detail::decode_png(bytes, max_pixels);
    case Kind::Gif:
      return detail::decode_gif(bytes, max_pixels);
    case Kind::Metafile:  // FIXME: metafiles are not drawn yet.
    case Kind::None:
      break;
  }
  return {};
}

Kind kind_of(std::string_view b) {
  auto starts = [&](std::string_view magic, size_t at = 0) {
    return b.size() >= at + magic.size() && b.substr(at, magic.size()) == magic;
  };
  if (starts("\x89PNG\r\n\x1A\n")) return Kind::Png;
  if (starts("\xFF\xD8\xFF")) return Kind::Jpeg;
  if (starts("GIF87a") || starts("GIF89a")) return Kind::Gif;
  if (starts("BM")) return Kind::Bitmap;
  // WMF: the placeable header's key, or a bare header (in memory 1, on disk 2; 9 words long).
  // EMF: the header record (type 1) carrying " EMF" at byte 40.
  if (starts("\xD7\xCD\xC6\x9A") || starts(std::string_view("\x01\x00\x09\x00", 4)) ||
      starts(std::string_view("\x02\x00\x09\x00", 4)) ||
      (starts(std::string_view("\x01\x00\x00\x00", 4)) && starts(" EMF", 40)))
    return Kind::Metafile;
  return Kind::None;
}

void make_clear(Bitmap& bitmap, uint32_t rgb) {
  const uint8_t r = uint8_t(rgb >> 16), g = uint8_t(rgb >> 8), b = uint8_t(rgb);
  for (size_t i = 0; i + 3 < bitmap.rgba.size(); i += 4) {
    uint8_t* p = bitmap.rgba.data() + i;
    if (bitmap.alpha == Alpha::None) p[3] = 255;  // the fourth byte starts to count
    if (p[0] == r && p[1] == g && p[2] == b) p[3] = 0;
  }
  bitmap.alpha = Alpha::Straight;
}

namespace detail {

void unreadable(std::string_view kind, std::string_view what) {
  throw Unreadable("Nieprawidłowy plik " + std::string(kind) + ": " + std::string(what));
}

}  // namespace detail
}  // namespace orvena::picture
