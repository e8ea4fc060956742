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

namespace detail {

void unreadable(std::string_view kind, std::string_view what) {
  throw Unreadable("Nieprawidłowy plik " + std::string(kind) + ": " + std::string(what));
}

}  // namespace detail
}  // namespace orvena::picture
