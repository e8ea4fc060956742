#include "picture/decoders_p.h"

#include <array>
#include <string>
#include <vector>

namespace orvena::picture::detail {

namespace {

[[noreturn]] void bad(const std::string& what) {
  unreadable("GIF", what);
}

class Reader {
 public:
  explicit Reader(std::string_view d) : m_d(d) {}
  uint8_t byte() {
    if (m_at >= m_d.size()) bad("plik jest ucięty");
    return uint8_t(m_d[m_at++]);
  }
  uint32_t u16() {
    uint32_t lo = byte();
    return lo | uint32_t(byte()) << 8;
  }
  std::string_view take(size_t n) {
    if (n > m_d.size() - m_at) bad("plik jest ucięty");
    std::string_view s = m_d.substr(m_at, n);
    m_at += n;
    return s;
  }
  // The data sub-blocks up to their terminator, joined.
  std::string blocks() {
    std::string out;
    for (uint8_t n; (n = byte()) != 0;) out.append(take(n));
    return out;
  }
  void skip_blocks() {
    for (uint8_t n; (n = byte()) != 0;) take(n);
  }

 private:
  std::string_view m_d;
  size_t m_at = 0;
};

using Palette = std::vector<std::array<uint8_t, 3>>;

Palette read_palette(Reader& r, uint8_t flags) {
  Palette p(size_t{2} << (flags & 7));
  for (auto& c : p)
    for (auto& v : c) v = r.byte();
  return p;
}

// The colour indexes of `count` pixels from LZW data with codes starting at min_size + 1 bits.
// Codes past the table or data ending early leave the rest of the image at index 0.
std::vector<uint8_t> lzw(const std::string& data, int min_size, size_t count) {
  if (min_size < 2 || min_size > 11) bad("zły rozmiar kodu");
  const uint32_t clear = 1u << min_size, end = clear + 1;
  std::vector<uint16_t> prefix(4096);
  std::vector<uint8_t> suffix(4096), first(4096);
  for (uint32_t i = 0; i < clear; ++i) suffix[i] = first[i] = uint8_t(i);
  std::vector<uint8_t> out;
  out.reserve(count);
  std::vector<uint8_t> stack;
  uint32_t next = clear + 2, size = uint32_t(min_size) + 1, previous = 4096;
  uint64_t bits = 0;
  int held = 0;
  size_t at = 0;
  while (out.size() < count) {
    while (held < int(size) && at < data.size()) {
      bits |= uint64_t(uint8_t(data[at++])) << held;
      held += 8;
    }
    if (held < int(size)) break;
    uint32_t code = uint32_t(bits & ((1u << size) - 1));
    bits >>= size;
    held -= int(size);
    if (code == clear) {
      next = clear + 2;
      size = uint32_t(min_size) + 1;
      previous = 4096;
      continue;
    }
    if (code == end) break;
    if (code > next || (code == next && previous == 4096)) bad("zły kod obrazu");
    // The code not yet in the table is the previous string plus its own first byte.
    uint32_t c = code == next ? previous : code;
    stack.clear();
    if (code == next) stack.push_back(first[previous]);
    while (c >= clear) {
      stack.push_back(suffix[c]);
      c = prefix[c];
    }
    stack.push_back(uint8_t(c));
    for (auto it = stack.rbegin(); it != stack.rend() && out.size() < count; ++it) out.push_back(*it);
    if (previous != 4096 && next < 4096) {
      prefix[next] = uint16_t(previous);
      suffix[next] = stack.back();
      first[next] = first[previous];
      ++next;
      if (next == (1u << size) && size < 12) ++size;
    }
    previous = code;
  }
  out.resize(count, 0);
  return out;
}

}  // namespace

Bitmap decode_gif(std::string_view file, uint64_t max_pixels) {
  Reader r(file);
  std::string_view signature = r.take(6);
  if (signature != "GIF87a" && signature != "GIF89a") bad("brak nagłówka");
  const uint32_t screen_w = r.u16(), screen_h = r.u16();
  const uint8_t flags = r.byte();
  r.byte();  // background colour: readers show uncovered pixels clear
  r.byte();  // aspect ratio
  if (screen_w == 0 || screen_h == 0) bad("zły rozmiar");
  check_size(screen_w, screen_h, max_pixels);
  Palette global;
  if (flags & 0x80) global = read_palette(r, flags);
  int transparent = -1;
  for (;;) {
    uint8_t kind = r.byte();
    if (kind == 0x3B) bad("brak obrazu");
    if (kind == 0x21) {  // extension: graphic control (transparency) or skipped
      uint8_t label = r.byte();
      std::string body = r.blocks();
      if (label == 0xF9 && body.size() >= 4 && (body[0] & 1)) transparent = uint8_t(body[3]);
      continue;
    }
    if (kind != 0x2C) bad("nieznany blok");
    const uint32_t left = r.u16(), top = r.u16(), w = r.u16(), h = r.u16();
    // The image may be larger than the screen it is cut to: it is decoded whole, so it is held
    // to the same limit.
    check_size(w, h, max_pixels);
    const uint8_t image_flags = r.byte();
    Palette local;
    if (image_flags & 0x80) local = read_palette(r, image_flags);
    const Palette& palette = (image_flags & 0x80) ? local : global;
    const int min_size = r.byte();
    std::vector<uint8_t> indexes = lzw(r.blocks(), min_size, size_t(w) * h);

    Bitmap b;
    b.width = int(screen_w);
    b.height = int(screen_h);
    b.rgba.assign(size_t(screen_w) * screen_h * 4, 0);
    // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from 2,
    // every 2nd from 1.
    std::vector<uint32_t> rows;
    if (image_flags & 0x40) {
      for (auto [start, step] : {std::pair{0u, 8u}, {4u, 8u}, {2u, 4u}, {1u, 2u}})
        for (uint32_t y = start; y < h; y += step) rows.push_back(y);
    } else {
      for (uint32_t y = 0; y < h; ++y) rows.push_back(y);
    }
    bool clear_pixels = false;
    for (uint32_t i = 0; i < h; ++i)
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t sx = left + x, sy = top + rows[i];
        if (sx >= screen_w || sy >= screen_h) continue;
        const uint8_t index = indexes[size_t(i) * w + x];
        if (int(index) == transparent) continue;
        uint8_t* p = &b.rgba[(size_t(sy) * screen_w + sx) * 4];
        if (index < palette.size()) std::copy(palette[index].begin(), palette[index].end(), p);
        p[3] = 255;
      }
    for (size_t i = 3; !clear_pixels && i < b.rgba.size(); i += 4) clear_pixels = b.rgba[i] == 0;
    b.alpha = clear_pixels ? Alpha::Straight : Alpha::None;
    return b;
  }
}

}  // namespace orvena::picture::detail
