#include "export/tiff/lzw.h"

namespace orvena::exporting::tiff {

namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kEndOfInformation = 257;
constexpr uint32_t kFirstCode = 258;
// A table reaching this code is cleared: 4094 leaves the 12-bit code 4095 unused, as readers
// that follow TIFF 6.0 expect.
constexpr uint32_t kTableFull = 4094;
constexpr int kMinWidth = 9;

}  // namespace

LzwEncoder::LzwEncoder() {
  clear_table();
}

void LzwEncoder::clear_table() {
  m_keys.fill(0);
  m_next_code = kFirstCode;
  m_width = kMinWidth;
}

uint32_t LzwEncoder::slot(uint32_t prefix, uint8_t byte) const {
  const uint32_t key = (prefix << 8 | byte) + 1;
  uint32_t at = (prefix << 5 ^ byte) % kHashSize;
  while (m_keys[at] != 0 && m_keys[at] != key) at = at + 1 == kHashSize ? 0 : at + 1;
  return at;
}

void LzwEncoder::put_code(uint32_t code, std::string& out) {
  m_bits = m_bits << m_width | code;
  m_bit_count += m_width;
  while (m_bit_count >= 8) {
    m_bit_count -= 8;
    out.push_back(char(m_bits >> m_bit_count));
  }
  m_bits &= (1u << m_bit_count) - 1;
}

// After a code is written its table entry is made; the width grows when the next entry would
// not fit it. The decoder makes each entry one code later, and so it grows the width at the
// entry before, one code "early": both then read and write the next code at the same width.
void LzwEncoder::add(const uint8_t* bytes, size_t count, std::string& out) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t byte = bytes[i];
    if (m_prefix < 0) {
      put_code(kClear, out);
      m_prefix = byte;
      continue;
    }
    const uint32_t at = slot(uint32_t(m_prefix), byte);
    if (m_keys[at] != 0) {
      m_prefix = m_codes[at];
      continue;
    }
    put_code(uint32_t(m_prefix), out);
    m_keys[at] = (uint32_t(m_prefix) << 8 | byte) + 1;
    m_codes[at] = uint16_t(m_next_code++);
    m_prefix = byte;
    if (m_next_code == kTableFull) {
      put_code(kClear, out);
      clear_table();
    } else if (m_next_code > (1u << m_width) - 1) {
      ++m_width;
    }
  }
}

void LzwEncoder::finish(std::string& out) {
  if (m_prefix < 0) {
    put_code(kClear, out);
  } else {
    put_code(uint32_t(m_prefix), out);
    // The reader makes an entry for this code too, and may widen before EndOfInformation.
    if (++m_next_code > (1u << m_width) - 1 && m_width < 12) ++m_width;
  }
  put_code(kEndOfInformation, out);
  if (m_bit_count > 0) out.push_back(char(m_bits << (8 - m_bit_count)));
  m_bits = 0;
  m_bit_count = 0;
  m_prefix = -1;
  clear_table();
}

}  // namespace orvena::exporting::tiff
