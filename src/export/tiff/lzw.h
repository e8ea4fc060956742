#pragma once
// The LZW compression of TIFF 6.0 (section 13): 9- to 12-bit codes packed from the most
// significant bit, a Clear code first and whenever the table fills, the code width growing one
// code early as every TIFF reader expects, and an EndOfInformation code last. One encoder
// compresses one strip, fed a few rows at a time:
//
//   LzwEncoder lzw;
//   lzw.add(rows, n, out);  ...   // appends the finished bytes to `out`
//   lzw.finish(out);              // the last code, EndOfInformation and the last partial byte
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvena::exporting::tiff {

class LzwEncoder {
 public:
  LzwEncoder();
  void add(const uint8_t* bytes, size_t count, std::string& out);
  void finish(std::string& out);

 private:
  void put_code(uint32_t code, std::string& out);
  void clear_table();
  // Where the string `prefix` followed by `byte` sits in the hash table (found or free).
  uint32_t slot(uint32_t prefix, uint8_t byte) const;

  // Open addressing over about twice the 4094 codes a table holds.
  static constexpr uint32_t kHashSize = 8191;
  std::array<uint32_t, kHashSize> m_keys;  // (prefix << 8 | byte) + 1; 0 for a free slot
  std::array<uint16_t, kHashSize> m_codes;
  int m_prefix = -1;  // the code of the string matched so far; -1 before the first byte
  uint32_t m_next_code = 0;
  int m_width = 9;
  uint32_t m_bits = 0;  // pending bits, the oldest highest
  int m_bit_count = 0;
};

}  // namespace orvena::exporting::tiff
