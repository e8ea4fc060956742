#include "report/property_stream.h"

#include "core/error.h"
#include "report/property.h"

namespace orvena::report {
namespace {

[[noreturn]] void read_error() {
  throw core::Error("Stream read error");
}

void put_le(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void PropertyStreamWriter::write_name(std::string_view name) {
  m_out.push_back(static_cast<char>(name.size()));
  m_out.append(name);
}

void PropertyStreamWriter::write_integer(std::string_view name, int32_t value) {
  write_name(name);
  if (value >= INT8_MIN && value <= INT8_MAX) {
    m_out.push_back(static_cast<char>(StreamValue::Int8));
    put_le(m_out, static_cast<uint8_t>(value), 1);
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    m_out.push_back(static_cast<char>(StreamValue::Int16));
    put_le(m_out, static_cast<uint16_t>(value), 2);
  } else {
    m_out.push_back(static_cast<char>(StreamValue::Int32));
    put_le(m_out, static_cast<uint32_t>(value), 4);
  }
}

void PropertyStreamWriter::write_binary(std::string_view name, std::string_view bytes) {
  write_name(name);
  m_out.push_back(static_cast<char>(StreamValue::Binary));
  put_le(m_out, bytes.size(), 4);
  m_out.append(bytes);
}

uint8_t PropertyStreamReader::byte() {
  if (m_pos >= m_in.size()) read_error();
  return static_cast<uint8_t>(m_in[m_pos++]);
}

uint32_t PropertyStreamReader::u32() {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(byte()) << (8 * i);
  return v;
}

std::string PropertyStreamReader::read_name() {
  size_t n = byte();
  if (m_in.size() - m_pos < n) read_error();
  std::string name(m_in.substr(m_pos, n));
  m_pos += n;
  return name;
}

int32_t PropertyStreamReader::read_integer() {
  switch (static_cast<StreamValue>(byte())) {
    case StreamValue::Int8:
      return static_cast<int8_t>(byte());
    case StreamValue::Int16: {
      uint16_t v = byte();
      v |= static_cast<uint16_t>(byte() << 8);
      return static_cast<int16_t>(v);
    }
    case StreamValue::Int32:
      return static_cast<int32_t>(u32());
    default:
      throw core::Error("Invalid property value");
  }
}

std::string PropertyStreamReader::read_binary() {
  if (static_cast<StreamValue>(byte()) != StreamValue::Binary) throw core::Error("Invalid property value");
  uint32_t n = u32();
  if (m_in.size() - m_pos < n) read_error();
  std::string data(m_in.substr(m_pos, n));
  m_pos += n;
  return data;
}

void PropertyStreamReader::skip_value() {
  if (m_pos >= m_in.size()) read_error();
  if (static_cast<StreamValue>(m_in[m_pos]) == StreamValue::Binary)
    read_binary();
  else
    read_integer();
}

std::string to_hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string from_hex(std::string_view text) {
  if (text.size() % 2 != 0) throw core::Error("Invalid property value");
  std::string out;
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = hex_digit(text[i]), lo = hex_digit(text[i + 1]);
    if (hi < 0 || lo < 0) throw core::Error("Invalid property value");
    out.push_back(static_cast<char>(hi << 4 | lo));
  }
  return out;
}

void read_property_stream(Persistent& target, std::string_view bytes) {
  PropertyStreamReader in(bytes);
  while (!in.at_end()) {
    std::string name = in.read_name();
    if (!target.read_defined(name, in)) in.skip_value();
  }
}

std::string write_property_stream(const Persistent& source) {
  PropertyStreamWriter out;
  source.write_defined(out);
  return out.bytes();
}

}  // namespace orvena::report
