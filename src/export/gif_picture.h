#pragma once
// GIF files (the pictures templates keep as "TGIFImage") read into RGBA pixels, so that every
// writer can draw them: the first image of the file on its logical screen, its transparent
// colour as clear pixels, interlaced rows put in their places.
#include <cstdint>
#include <string_view>

#include "export/pdf/pdf_image.h"

namespace orvena::exporting {

inline constexpr uint64_t kMaxGifPixels = pdf::kMaxDecodedJpegPixels;

// Throws core::Error "Nieprawidłowy plik GIF" (with what is wrong) for data that is not a GIF,
// is cut short or is larger than kMaxGifPixels. Pixels the image leaves uncovered are clear.
pdf::Bitmap decode_gif(std::string_view file);

}  // namespace orvena::exporting
