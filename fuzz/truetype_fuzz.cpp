// TrueType reader and subsetter on any bytes taken as a font file (a single font or a
// collection): no crash, no hang, only the reader's own errors. Whatever subset comes out must
// read again, keep the used glyphs' outlines byte for byte and carry a whole-file checksum
// that sums to the magic number.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "export/pdf/truetype/font_file.h"
#include "export/pdf/truetype/subset.h"

namespace {

using namespace orvena::exporting::truetype;

constexpr uint32_t kFacesTried = 4;

void subset_face(std::string_view data, uint32_t face_index) {
  FontFile font(data, face_index);
  (void)font.name(1);
  (void)font.name(4);
  // Glyphs picked by the input's last bytes, so the fuzzer can steer them.
  std::vector<uint16_t> used;
  for (size_t i = 0; i < 8 && i * 2 + 1 < data.size(); ++i) {
    size_t at = data.size() - 2 - i * 2;
    used.push_back(static_cast<uint16_t>(uint8_t(data[at]) << 8 | uint8_t(data[at + 1])));
  }
  for (uint16_t g : used) (void)font.advance_width(g);
  std::string subset = subset_font(font, used);
  FontFile back(subset, 0);
  if (back.glyph_count() != font.glyph_count()) std::abort();
  for (uint16_t g : used) {
    // The copy may carry zero bytes of padding after the outline.
    std::string_view was = font.glyph_data(g), is = back.glyph_data(g);
    if (is.substr(0, was.size()) != was || is.find_first_not_of('\0', was.size()) != std::string_view::npos)
      std::abort();
  }
  if (font.find_table(make_tag("head")) && table_checksum(subset) != 0xB1B0AFBA) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string_view data(reinterpret_cast<const char*>(bytes), size);
  uint32_t faces = 0;
  try {
    faces = FontFile::face_count(data);
  } catch (const orvena::core::Error&) {
    return 0;
  }
  for (uint32_t i = 0; i < faces && i < kFacesTried; ++i) {
    try {
      subset_face(data, i);
    } catch (const orvena::core::Error&) {
      // a damaged font is refused with the reader's words; that is the expected outcome
    }
  }
  return 0;
}
