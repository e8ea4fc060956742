#pragma once
// The file layer of the PDF writer: numbered objects written one after another with their byte
// offsets recorded, stream objects with an exact /Length (deflated and encrypted on request), and
// the cross-reference table and trailer that close the file. Every line ends with CR LF, so each
// cross-reference entry is exactly 20 bytes.
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::exporting::pdf {

class Security;

enum class Compression { None, Deflate };

class ObjectWriter {
 public:
  ObjectWriter(std::ostream& out, Compression compression);

  void set_security(const Security* security) { m_security = security; }
  const Security* security() const { return m_security; }
  Compression compression() const { return m_compression; }

  // "%PDF-1.5" and the comment of four bytes above 127 that marks the file as binary.
  void header(bool aes = false);

  // A new object number; its object may be written later, but must be written before finish().
  uint32_t reserve();
  // Records the object's offset and writes "N 0 obj".
  void begin_object(uint32_t number);
  void end_object();
  void line(std::string_view text);
  // A whole object: reserve (when number is 0), "<<", the entries, ">>", "endobj".
  uint32_t dictionary_object(std::string_view entries, uint32_t number = 0);
  // A stream object: "<<", `entries`, "/Length" (and "/Filter/FlateDecode" when deflated), ">>",
  // the data between "stream" and "endstream". `compressible` is false for data that is
  // compressed already (JPEG).
  enum class Data { Compressible, Compressed };
  uint32_t stream_object(std::string_view entries, std::string_view data, Data kind = Data::Compressible,
                         uint32_t number = 0);

  // A string value of object `number`: encrypted with the object's key under protection.
  std::string text_string(uint32_t number, std::string_view utf8) const;  // UTF-16 with BOM
  std::string byte_string(uint32_t number, std::string_view bytes) const;

  // The cross-reference table and the trailer. `encrypt` is the /Encrypt dictionary or empty.
  // Throws std::logic_error when a reserved object was never written.
  void finish(uint32_t root, uint32_t info, std::string_view file_id_hex, std::string_view encrypt);

  uint64_t offset() const { return m_offset; }
  size_t object_count() const { return m_offsets.size(); }

 private:
  void write(std::string_view bytes);

  std::ostream& m_out;
  Compression m_compression;
  const Security* m_security = nullptr;
  uint64_t m_offset = 0;
  std::vector<uint64_t> m_offsets;  // per object number - 1; kUnwritten until written
};

std::string deflate(std::string_view data);

}  // namespace orvena::exporting::pdf
