#pragma once
// Small files of every kind whose headers claim 20,000 × 20,000 pixels (1.6 GB of RGBA): the
// corpus pictures with their sizes rewritten, so that a decoder gets as far as its size check.
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace orvena::picture::test {

inline constexpr uint32_t kHugeSide = 20000;

inline std::string corpus_file(const std::string& name) {
  std::ifstream in(std::filesystem::path(ORVENA_SOURCE_DIR) / "fuzz/corpus/picture" / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void put(std::string& s, size_t at, uint32_t v, int bytes, bool big_endian) {
  for (int i = 0; i < bytes; ++i) s[at + size_t(i)] = char(v >> (8 * (big_endian ? bytes - 1 - i : i)));
}

struct Oversized {
  const char* name;
  Kind kind;
  std::string file;
};

inline std::vector<Oversized> oversized_pictures() {
  std::string png = corpus_file("rgba.png");
  put(png, 16, kHugeSide, 4, true);
  put(png, 20, kHugeSide, 4, true);
  put(png, 29, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)), 4, true);
  std::string jpeg = corpus_file("rgb.jpg");
  size_t frame = jpeg.find("\xFF\xC0");
  put(jpeg, frame + 5, kHugeSide, 2, true);
  put(jpeg, frame + 7, kHugeSide, 2, true);
  std::string bmp = corpus_file("rgb24.bmp");
  put(bmp, 18, kHugeSide, 4, false);
  put(bmp, 22, kHugeSide, 4, false);
  std::string gif = corpus_file("small.gif");
  put(gif, 6, kHugeSide, 2, false);
  put(gif, 8, kHugeSide, 2, false);
  return {{"PNG", Kind::Png, png},
          {"JPEG", Kind::Jpeg, jpeg},
          {"BMP", Kind::Bitmap, bmp},
          {"GIF", Kind::Gif, gif}};
}

// The one text every kind is refused with.
inline const char* const kOversizedText = "Obraz jest zbyt duży: 20000 × 20000 pikseli (najwyżej 67108864)";

}  // namespace orvena::picture::test
