#include "export/pdf/object_writer.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

#include "export/pdf/pdf_security.h"
#include "export/pdf/pdf_syntax.h"

namespace orvena::exporting::pdf {
namespace {

constexpr uint64_t kUnwritten = ~uint64_t(0);
// Offsets are written with ten digits.
constexpr uint64_t kMaxOffset = 9'999'999'999ull;

std::string offset_text(uint64_t offset) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%010llu", static_cast<unsigned long long>(offset));
  return buf;
}

}  // namespace

std::string deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw std::runtime_error("INTERNAL ERROR: deflate failed");
  out.resize(size);
  return out;
}

ObjectWriter::ObjectWriter(std::ostream& out, Compression compression)
    : m_out(out), m_compression(compression) {}

void ObjectWriter::write(std::string_view bytes) {
  m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  m_offset += bytes.size();
}

void ObjectWriter::line(std::string_view text) {
  write(text);
  write("\r\n");
}

void ObjectWriter::header(bool aes) {
  // AES encryption (the AESV2 crypt filter) came with PDF 1.6; every other file is 1.5.
  line(aes ? "%PDF-1.6" : "%PDF-1.5");
  line("%\xE2\xE3\xCF\xD3");
}

uint32_t ObjectWriter::reserve() {
  m_offsets.push_back(kUnwritten);
  return static_cast<uint32_t>(m_offsets.size());
}

void ObjectWriter::begin_object(uint32_t number) {
  if (number == 0 || number > m_offsets.size() || m_offsets[number - 1] != kUnwritten)
    throw std::logic_error("INTERNAL ERROR: PDF object " + std::to_string(number) +
                           " written twice or never reserved");
  m_offsets[number - 1] = m_offset;
  line(std::to_string(number) + " 0 obj");
}

void ObjectWriter::end_object() {
  line("endobj");
}

uint32_t ObjectWriter::dictionary_object(std::string_view entries, uint32_t number) {
  if (number == 0) number = reserve();
  begin_object(number);
  line("<<");
  line(entries);
  line(">>");
  end_object();
  return number;
}

uint32_t ObjectWriter::stream_object(std::string_view entries, std::string_view data, Data kind,
                                     uint32_t number) {
  if (number == 0) number = reserve();
  std::string bytes;
  bool deflated = kind == Data::Compressible && m_compression == Compression::Deflate;
  bytes = deflated ? deflate(data) : std::string(data);
  if (m_security) bytes = m_security->encrypt(number, bytes);
  begin_object(number);
  line("<<");
  if (!entries.empty()) line(entries);
  line("/Length " + std::to_string(bytes.size()));
  if (deflated) line("/Filter/FlateDecode");
  line(">>");
  line("stream");
  write(bytes);
  write("\n");
  line("endstream");
  end_object();
  return number;
}

std::string ObjectWriter::text_string(uint32_t number, std::string_view utf8) const {
  if (!m_security) return utf16_hex_string(utf8);
  return byte_string(number, utf16_bytes(utf8));
}

std::string ObjectWriter::byte_string(uint32_t number, std::string_view bytes) const {
  if (!m_security) return literal_string(bytes);
  return literal_string(m_security->encrypt(number, bytes));
}

void ObjectWriter::finish(uint32_t root, uint32_t info, std::string_view file_id_hex,
                          std::string_view encrypt) {
  for (size_t i = 0; i < m_offsets.size(); ++i)
    if (m_offsets[i] == kUnwritten)
      throw std::logic_error("INTERNAL ERROR: PDF object " + std::to_string(i + 1) +
                             " reserved but not written");
  uint64_t xref = m_offset;
  if (xref > kMaxOffset) throw std::logic_error("INTERNAL ERROR: PDF file too large for its offsets");
  line("xref");
  line("0 " + std::to_string(m_offsets.size() + 1));
  line("0000000000 65535 f");
  for (uint64_t at : m_offsets) line(offset_text(at) + " 00000 n");
  line("trailer");
  line("<<");
  line("/Size " + std::to_string(m_offsets.size() + 1));
  line("/Root " + std::to_string(root) + " 0 R");
  line("/Info " + std::to_string(info) + " 0 R");
  line("/ID [<" + std::string(file_id_hex) + "><" + std::string(file_id_hex) + ">]");
  if (!encrypt.empty()) line("/Encrypt " + std::string(encrypt));
  line(">>");
  line("startxref");
  line(std::to_string(xref));
  line("%%EOF");
}

}  // namespace orvena::exporting::pdf
