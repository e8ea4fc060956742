#pragma once
// Windows bitmap files (the pictures templates keep as "TBitmap") read into RGBA pixels, so that
// every writer can draw them: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, with a colour
// table or bit-field masks, rows stored bottom-up or top-down, and 8- and 4-bit run lengths.
#include <cstdint>
#include <string_view>

#include "export/pdf/pdf_image.h"

namespace orvena::exporting {

// Larger pictures are refused rather than decoded, as JPEG pictures are.
inline constexpr uint64_t kMaxBmpPixels = pdf::kMaxDecodedJpegPixels;

// The pixels of a BMP file, opaque unless a 32-bit picture carries an alpha mask. Throws
// core::Error "Nieprawidłowy plik BMP" (with what is wrong) for data that is not a bitmap this
// reader knows, is cut short or is larger than kMaxBmpPixels.
pdf::Bitmap decode_bmp(std::string_view file);

}  // namespace orvena::exporting
