#pragma once
// Password protection with the standard security handler: the O and U values and the per-object
// keys of the PDF reference (1.7, section 3.5.2, algorithms 3.1 to 3.5), with 128-bit keys.
// Strings and streams are encrypted with AES-128 in CBC mode (revision 4, crypt filter AESV2),
// or with RC4 (revision 3) for readers that predate AES; RC4 is broken and kept only for them.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvena::exporting::pdf {

// Permissions granted to a reader who opened the document with the user password.
enum Permission : unsigned { kPrint = 1, kModify = 2, kCopy = 4, kAnnotate = 8 };
inline constexpr unsigned kAllPermissions = kPrint | kModify | kCopy | kAnnotate;

// RC4 over `data` in place (encryption and decryption are the same operation).
void rc4(std::string_view key, std::string& data);

std::string md5(std::string_view data);

enum class Cipher { Aes128, Rc4 };

// `size` random bytes. Production draws from the system's random source; tests inject a fixed
// one, as they do the clock and the file identifier, to compare output byte for byte.
using RandomBytes = std::function<std::string(size_t size)>;
RandomBytes system_random_bytes();

class Security {
 public:
  // Passwords are the 8-bit bytes the reader is asked for; an empty owner password takes the
  // user password. `file_id` is the first /ID string (16 bytes).
  // `random` gives the AES initialisation vectors; the system's source when empty.
  Security(std::string_view user_password, std::string_view owner_password, unsigned permissions,
           std::string_view file_id, Cipher cipher = Cipher::Aes128, RandomBytes random = {});

  int32_t p_value() const { return m_p; }
  const std::string& o_value() const { return m_o; }
  const std::string& u_value() const { return m_u; }
  const std::string& document_key() const { return m_key; }

  // Strings and streams of object `number` (generation 0) are encrypted with its own key.
  std::string object_key(uint32_t number) const;
  // With AES the result is a 16-byte initialisation vector and the padded cipher text. Each
  // vector is fresh from the random source: CBC needs vectors that cannot be predicted, or equal
  // beginnings of two streams would show through.
  std::string encrypt(uint32_t number, std::string_view data) const;

  // The value of the trailer's /Encrypt entry.
  std::string dictionary() const;

 private:
  int32_t m_p;
  Cipher m_cipher;
  std::string m_o, m_u, m_key;
  RandomBytes m_random;
};

}  // namespace orvena::exporting::pdf
