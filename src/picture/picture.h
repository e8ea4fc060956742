#pragma once
// Pictures held in templates, decoded to pixels for every writer, the engine and the preview.
// Every kind is held to one pixel limit with one error text, checked from the file's header
// before any pixel memory is taken:
//
//   picture::Bitmap b = picture::decode(picture::Kind::Png, bytes);  // TooLarge, Unreadable
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace orvena::picture {

// The storage forms a template names ("TBitmap", "TJPEGImage", ...); the order is the reader's.
enum class Kind : uint8_t { None, Bitmap, Jpeg, Metafile, Png, Gif };

enum class Alpha {
  None,      // the fourth byte is ignored
  Straight,  // colours are not multiplied by alpha
};

// Rows from top to bottom, four bytes per pixel in the order R, G, B, A.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  Alpha alpha = Alpha::None;
};

// 64 M pixels are 256 MB of RGBA: a picture past that is refused, whatever its kind. A 1 MB PNG
// of 20,000 × 20,000 would otherwise take gigabytes.
inline constexpr uint64_t kMaxPixels = uint64_t{64} << 20;

// Bytes that are not a readable picture of their kind: writers draw nothing for it.
class Unreadable : public core::Error {
 public:
  using core::Error::Error;
};

// A picture larger than kMaxPixels: the report fails with this error, in every writer alike.
class TooLarge : public core::Error {
 public:
  TooLarge(uint64_t width, uint64_t height, uint64_t max_pixels = kMaxPixels);
};

// Throws TooLarge when a picture of this size has more than `max_pixels` pixels.
void check_size(uint64_t width, uint64_t height, uint64_t max_pixels = kMaxPixels);

// The picture's pixels. Throws TooLarge and Unreadable as above. A metafile and Kind::None give
// an empty bitmap: metafiles are not drawn. A smaller `max_pixels` is for the fuzzer.
Bitmap decode(Kind kind, std::string_view bytes, uint64_t max_pixels = kMaxPixels);

// The kind a file's first bytes announce (a picture from a database field or a file); None for
// anything else. WMF with or without its placeable header, and EMF, are metafiles.
Kind kind_of(std::string_view bytes);

// Pixels of the colour 0xRRGGBB (opaque or not) become clear: the picture's transparent colour.
void make_clear(Bitmap& bitmap, uint32_t rgb);

}  // namespace orvena::picture
