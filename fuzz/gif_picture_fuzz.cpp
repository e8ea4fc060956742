// GIF pictures of templates decoded for every writer, on any bytes: no crash, no read past the
// data, no allocation past the size limit, only the reader's own error; what decodes has exactly
// its pixels' bytes and draws on a small canvas.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/error.h"
#include "export/gif_picture.h"
#include "report/canvas/cairo_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena;
  exporting::pdf::Bitmap b;
  try {
    b = exporting::decode_gif(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const core::Error&) {
    return 0;
  }
  if (b.width <= 0 || b.height <= 0) std::abort();
  if (uint64_t(b.width) * uint64_t(b.height) > exporting::kMaxGifPixels) std::abort();
  if (b.rgba.size() != size_t(b.width) * size_t(b.height) * 4) std::abort();
  report::canvas::CairoCanvas canvas(16, 16);
  canvas.draw_picture({1, 1, 14, 14}, {.width = b.width, .height = b.height, .rgba = b.rgba});
  return 0;
}
