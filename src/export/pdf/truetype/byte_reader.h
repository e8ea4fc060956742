#pragma once
// Big-endian reads from a font file that never leave it: a read past the end raises
// "Format error", the words the font reader uses for a damaged file.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"

namespace orvena::exporting::truetype {

inline constexpr std::string_view kFormatError = "Format error";

[[noreturn]] inline void format_error() {
  throw core::Error(std::string(kFormatError));
}

class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : m_data(data) {}

  size_t size() const { return m_data.size(); }
  bool fits(size_t offset, size_t length) const {
    return offset <= m_data.size() && length <= m_data.size() - offset;
  }
  std::string_view slice(size_t offset, size_t length) const {
    if (!fits(offset, length)) format_error();
    return m_data.substr(offset, length);
  }
  uint8_t u8(size_t offset) const { return static_cast<uint8_t>(slice(offset, 1)[0]); }
  uint16_t u16(size_t offset) const {
    auto s = slice(offset, 2);
    return static_cast<uint16_t>(uint8_t(s[0]) << 8 | uint8_t(s[1]));
  }
  int16_t s16(size_t offset) const { return static_cast<int16_t>(u16(offset)); }
  uint32_t u32(size_t offset) const { return uint32_t(u16(offset)) << 16 | u16(offset + 2); }

 private:
  std::string_view m_data;
};

inline void put_u16(std::string& out, size_t offset, uint16_t v) {
  out[offset] = static_cast<char>(v >> 8);
  out[offset + 1] = static_cast<char>(v);
}
inline void put_u32(std::string& out, size_t offset, uint32_t v) {
  put_u16(out, offset, static_cast<uint16_t>(v >> 16));
  put_u16(out, offset + 2, static_cast<uint16_t>(v));
}
inline void append_u16(std::string& out, uint16_t v) {
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}
inline void append_u32(std::string& out, uint32_t v) {
  append_u16(out, static_cast<uint16_t>(v >> 16));
  append_u16(out, static_cast<uint16_t>(v));
}

}  // namespace orvena::exporting::truetype
