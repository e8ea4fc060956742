#include "picture/decoders_p.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

namespace orvena::picture::detail {

namespace {

[[noreturn]] void bad(const std::string& what) {
  unreadable("BMP", what);
}

uint32_t u16(std::string_view d, size_t at) {
  if (at + 2 > d.size()) bad("plik jest ucięty");
  return uint32_t(uint8_t(d[at])) | uint32_t(uint8_t(d[at + 1])) << 8;
}

uint32_t u32(std::string_view d, size_t at) {
  return u16(d, at) | u16(d, at + 2) << 16;
}

// A channel under a bit-field mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    bits = std::popcount(m >> shift);
  }
  uint8_t of(uint32_t pixel) const {
    if (!mask) return 255;
    uint32_t v = (pixel & mask) >> shift;
    uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    return uint8_t(bits == 8 ? v : (uint64_t(v) * 255 + max / 2) / max);
  }
};

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

}  // namespace

Bitmap decode_bmp(std::string_view d, uint64_t max_pixels) {
  if (d.size() < 14 || d.substr(0, 2) != "BM") bad("brak nagłówka");
  const size_t pixels_at = u32(d, 10);
  const size_t header = 14;
  const uint32_t header_size = u32(d, header);
  int64_t width = 0, height = 0;
  uint32_t planes = 1, bpp = 0, compression = kRgb, colours = 0;
  size_t palette_entry = 4;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
  if (header_size == 12) {          // the OS/2 core header
    width = u16(d, header + 4);
    height = int16_t(u16(d, header + 6));
    planes = u16(d, header + 8);
    bpp = u16(d, header + 10);
    palette_entry = 3;
  } else if (header_size >= 40 && header_size <= 124) {
    width = int32_t(u32(d, header + 4));
    height = int32_t(u32(d, header + 8));
    planes = u16(d, header + 12);
    bpp = u16(d, header + 14);
    compression = u32(d, header + 16);
    colours = u32(d, header + 32);
    if (compression == kBitFields || compression == kAlphaBitFields) {
      // Masks follow a 40-byte header, or are part of a longer one.
      for (size_t i = 0; i < (compression == kAlphaBitFields || header_size >= 56 ? 4u : 3u); ++i)
        masks[i] = u32(d, header + 40 + 4 * i);
    } else if (header_size >= 56) {
      masks[3] = u32(d, header + 52);
    }
  } else {
    bad("nieznany nagłówek");
  }
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (planes != 1 || width <= 0 || height <= 0) bad("zły rozmiar");
  check_size(uint64_t(width), uint64_t(height), max_pixels);
  const bool rle = compression == kRle8 || compression == kRle4;
  if ((compression == kRle8 && bpp != 8) || (compression == kRle4 && bpp != 4) ||
      (!rle && compression != kRgb && compression != kBitFields && compression != kAlphaBitFields))
    bad("nieobsługiwana kompresja");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    bad("nieobsługiwana głębia kolorów");

  // The colour table follows the header (and the masks of a 40-byte header).
  std::vector<std::array<uint8_t, 3>> palette;
  if (bpp <= 8) {
    size_t count = colours ? colours : size_t{1} << bpp;
    if (count > 256) bad("za duża paleta");
    size_t at = header + header_size + (header_size == 40 && compression == kBitFields ? 12 : 0);
    // Writers leave out unused entries of a full table: the table ends where the pixels start.
    if (pixels_at > at) count = std::min(count, (pixels_at - at) / palette_entry);
    for (size_t i = 0; i < count; ++i, at += palette_entry) {
      if (at + 3 > d.size()) bad("plik jest ucięty");
      palette.push_back({uint8_t(d[at + 2]), uint8_t(d[at + 1]), uint8_t(d[at])});
    }
  }
  if (compression == kRgb && bpp == 16) masks = {0x7C00, 0x03E0, 0x001F, 0};
  if (compression == kRgb && bpp >= 24) masks = {0xFF0000, 0x00FF00, 0x0000FF, 0};
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

  Bitmap b;
  b.width = int(width);
  b.height = int(height);
  b.rgba.assign(size_t(width) * size_t(height) * 4, 0);
  auto put_index = [&](int64_t x, int64_t row, uint32_t index) {
    if (x >= width || row >= height) return;
    int64_t y = top_down ? row : height - 1 - row;
    uint8_t* p = &b.rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
    // An index past the table is black, as readers show it.
    if (index < palette.size()) std::copy(palette[index].begin(), palette[index].end(), p);
    p[3] = 255;
  };
  if (pixels_at >= d.size()) bad("brak pikseli");
  std::string_view pixels = d.substr(pixels_at);

  if (rle) {
    // Runs and escapes: 0 0 ends a row, 0 1 the picture, 0 2 dx dy moves, 0 n copies n pixels.
    size_t at = 0;
    int64_t x = 0, row = 0;
    auto byte = [&]() -> uint32_t {
      if (at >= pixels.size()) bad("plik jest ucięty");
      return uint8_t(pixels[at++]);
    };
    while (row < height) {
      uint32_t n = byte(), value = byte();
      if (n > 0) {
        for (uint32_t i = 0; i < n; ++i, ++x)
          put_index(x, row, bpp == 8 ? value : (i % 2 ? value & 0x0F : value >> 4));
      } else if (value == 0) {
        x = 0;
        ++row;
      } else if (value == 1) {
        break;
      } else if (value == 2) {
        x += byte();
        row += byte();
      } else {
        for (uint32_t i = 0, packed = 0; i < value; ++i, ++x) {
          if (bpp == 8 || i % 2 == 0) packed = byte();
          put_index(x, row, bpp == 8 ? packed : (i % 2 ? packed & 0x0F : packed >> 4));
        }
        // Copied runs are padded to whole 16-bit words.
        size_t used = bpp == 8 ? value : (value + 1) / 2;
        if (used % 2) byte();
      }
    }
    return b;
  }

  const size_t stride = (size_t(width) * bpp + 31) / 32 * 4;
  if (pixels.size() / stride < size_t(height)) bad("plik jest ucięty");
  bool any_alpha = false;
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t* line = reinterpret_cast<const uint8_t*>(pixels.data()) + size_t(row) * stride;
    for (int64_t x = 0; x < width; ++x) {
      if (bpp <= 8) {
        size_t bit = size_t(x) * bpp;
        uint32_t index = (line[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        put_index(x, row, index);
        continue;
      }
      const uint8_t* q = line + size_t(x) * (bpp / 8);
      uint32_t v = bpp == 16   ? uint32_t(q[0] | q[1] << 8)
                   : bpp == 24 ? uint32_t(q[0] | q[1] << 8 | q[2] << 16)
                               : uint32_t(q[0] | q[1] << 8 | q[2] << 16 | uint32_t(q[3]) << 24);
      int64_t y = top_down ? row : height - 1 - row;
      uint8_t* p = &b.rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
      p[0] = red.of(v);
      p[1] = green.of(v);
      p[2] = blue.of(v);
      p[3] = alpha.of(v);
      any_alpha = any_alpha || p[3] != 255;
    }
  }
  // A 32-bit picture whose alpha is all zero was written without one: it is opaque.
  bool all_clear = masks[3] != 0;
  for (size_t i = 3; all_clear && i < b.rgba.size(); i += 4) all_clear = b.rgba[i] == 0;
  if (all_clear) {
    for (size_t i = 3; i < b.rgba.size(); i += 4) b.rgba[i] = 255;
    any_alpha = false;
  }
  b.alpha = any_alpha ? Alpha::Straight : Alpha::None;
  return b;
}

}  // namespace orvena::picture::detail
