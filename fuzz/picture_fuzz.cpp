// Pictures of templates, on any bytes, through every decoder (BMP, GIF, JPEG, PNG) at a small
// pixel limit: no crash, no read past the data, no allocation past the limit, only the
// decoders' own two errors; what decodes has exactly its pixels' bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena;
  // Small enough that a hostile header cannot make a run slow, large enough for every seed.
  constexpr uint64_t kLimit = uint64_t{1} << 20;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (picture::Kind kind :
       {picture::Kind::Bitmap, picture::Kind::Gif, picture::Kind::Jpeg, picture::Kind::Png}) {
    picture::Bitmap b;
    try {
      b = picture::decode(kind, bytes, kLimit);
    } catch (const picture::Unreadable&) {
      continue;
    } catch (const picture::TooLarge&) {
      continue;
    }
    if (b.width <= 0 || b.height <= 0) std::abort();
    if (uint64_t(b.width) * uint64_t(b.height) > kLimit) std::abort();
    if (b.rgba.size() != size_t(b.width) * size_t(b.height) * 4) std::abort();
  }
  return 0;
}
