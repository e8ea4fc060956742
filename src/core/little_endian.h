#pragma once
// Little-endian fields of the binary formats we write (ZIP, TIFF), appended to a byte string.
#include <cstdint>
#include <string>

namespace orvena::core {

inline void put_le16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void put_le32(std::string& out, uint32_t v) {
  put_le16(out, static_cast<uint16_t>(v & 0xFFFF));
  put_le16(out, static_cast<uint16_t>(v >> 16));
}
inline void put_le64(std::string& out, uint64_t v) {
  put_le32(out, static_cast<uint32_t>(v & 0xFFFFFFFF));
  put_le32(out, static_cast<uint32_t>(v >> 32));
}

}  // namespace orvena::core
