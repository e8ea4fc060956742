#pragma once
// Password protection with the standard security handler, revision 3: 128-bit RC4 keys, the
// O and U values and the per-object keys of the PDF reference (1.7, section 3.5.2, algorithms
// 3.1 to 3.5).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvena::exporting::pdf {

// Permissions granted to a reader who opened the document with the user password.
enum Permission : unsigned { kPrint = 1, kModify = 2, kCopy = 4, kAnnotate = 8 };
inline constexpr unsigned kAllPermissions = kPrint | kModify | kCopy | kAnnotate;

// RC4 over `data` in place (encryption and decryption are the same operation).
void rc4(std::string_view key, std::string& data);

std::string md5(std::string_view data);

class Security {
 public:
  // Passwords are the 8-bit bytes the reader is asked for; an empty owner password takes the
  // user password. `file_id` is the first /ID string (16 bytes).
  Security(std::string_view user_password, std::string_view owner_password, unsigned permissions,
           std::string_view file_id);

  int32_t p_value() const { return m_p; }
  const std::string& o_value() const { return m_o; }
  const std::string& u_value() const { return m_u; }
  const std::string& document_key() const { return m_key; }

  // Strings and streams of object `number` (generation 0) are encrypted with its own key.
  std::string object_key(uint32_t number) const;
  std::string encrypt(uint32_t number, std::string_view data) const;

  // The value of the trailer's /Encrypt entry.
  std::string dictionary() const;

 private:
  int32_t m_p;
  std::string m_o, m_u, m_key;
};

}  // namespace orvena::exporting::pdf
