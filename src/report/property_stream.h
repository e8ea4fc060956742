#pragma once
// Property streams ("PropData"): entries of a one-byte name length, the name in 8-bit
// characters, a one-byte value type and the value (little-endian).
#include <cstdint>
#include <string>
#include <string_view>

namespace orvena::report {

class Persistent;

enum class StreamValue : uint8_t { Int8 = 2, Int16 = 3, Int32 = 4, Binary = 10 };

class PropertyStreamWriter {
 public:
  // The smallest integer type that holds the value.
  void write_integer(std::string_view name, int32_t value);
  void write_binary(std::string_view name, std::string_view bytes);
  const std::string& bytes() const { return m_out; }

 private:
  void write_name(std::string_view name);
  std::string m_out;
};

class PropertyStreamReader {
 public:
  explicit PropertyStreamReader(std::string_view bytes) : m_in(bytes) {}
  bool at_end() const { return m_pos >= m_in.size(); }
  std::string read_name();
  // Each throws core::Error when the stored value is not of that kind or is cut short.
  int32_t read_integer();
  std::string read_binary();
  // Reads and drops a value of any supported type.
  void skip_value();

 private:
  uint8_t byte();
  uint32_t u32();
  std::string_view m_in;
  size_t m_pos = 0;
};

// Hexadecimal text of a stream (uppercase, two digits per byte) and back; `from_hex` throws
// core::Error for an odd length or a non-hex digit.
std::string to_hex(std::string_view bytes);
std::string from_hex(std::string_view text);

// Reads every entry of a stream into `target`; entries it does not define are skipped.
void read_property_stream(Persistent& target, std::string_view bytes);
// The stream of `source`, or an empty string when it defines nothing.
std::string write_property_stream(const Persistent& source);

}  // namespace orvena::report
