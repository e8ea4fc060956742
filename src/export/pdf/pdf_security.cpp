#include "export/pdf/pdf_security.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <utility>

#include "export/pdf/pdf_syntax.h"

namespace orvena::exporting::pdf {
namespace {

// Algorithm 3.2, step 1: passwords are padded or cut to 32 bytes with this string.
constexpr unsigned char kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                        0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                        0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
constexpr size_t kKeyBytes = 16;  // 128-bit keys
constexpr int kExtraHashRounds = 50;
constexpr int kExtraRc4Passes = 19;

std::string padded(std::string_view password) {
  std::string out(password.substr(0, 32));
  out.append(reinterpret_cast<const char*>(kPadding), 32 - out.size());
  return out;
}

std::string padding_string() {
  return std::string(reinterpret_cast<const char*>(kPadding), 32);
}

std::string rehash(std::string digest) {
  for (int i = 0; i < kExtraHashRounds; ++i) digest = md5(digest.substr(0, kKeyBytes));
  return digest.substr(0, kKeyBytes);
}

// RC4 with the key, then 19 more passes with the key's bytes XORed with the pass number.
std::string rc4_passes(const std::string& key, std::string data) {
  rc4(key, data);
  for (int i = 1; i <= kExtraRc4Passes; ++i) {
    std::string k = key;
    for (char& c : k) c = static_cast<char>(c ^ i);
    rc4(k, data);
  }
  return data;
}

std::string little_endian(uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

}  // namespace

void rc4(std::string_view key, std::string& data) {
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
    std::swap(s[i], s[j]);
  }
  int i = 0, j = 0;
  for (char& c : data) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    c = static_cast<char>(c ^ s[(s[i] + s[j]) & 0xFF]);
  }
}

std::string md5(std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr))
    throw std::runtime_error("INTERNAL ERROR: MD5 is not available");
  return std::string(reinterpret_cast<const char*>(digest), length);
}

RandomBytes system_random_bytes() {
  return [](size_t size) {
    std::string bytes(size, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(size)) != 1)
      throw std::runtime_error("INTERNAL ERROR: no random bytes");
    return bytes;
  };
}

Security::Security(std::string_view user_password, std::string_view owner_password, unsigned permissions,
                   std::string_view file_id, Cipher cipher, RandomBytes random)
    // Bits 3 to 6 carry print, modify, copy and annotate; all others stay set.
    : m_p(-64 + 4 * static_cast<int32_t>(permissions & kAllPermissions)),
      m_cipher(cipher),
      m_random(random ? std::move(random) : system_random_bytes()) {
  if (owner_password.empty()) owner_password = user_password;
  // Algorithm 3.3: O is the padded user password, RC4-encrypted with a key from the owner's.
  std::string owner_key = rehash(md5(padded(owner_password)));
  m_o = rc4_passes(owner_key, padded(user_password));
  // Algorithm 3.2: the document key.
  m_key = rehash(
      md5(padded(user_password) + m_o + little_endian(static_cast<uint32_t>(m_p), 4) + std::string(file_id)));
  // Algorithm 3.5: U is the hash of padding and ID, encrypted, padded to 32 bytes.
  m_u = rc4_passes(m_key, md5(padding_string() + std::string(file_id)));
  m_u += std::string(16, '\0');
}

std::string Security::object_key(uint32_t number) const {
  // Algorithm 3.1: AES keys take the bytes "sAlT" as well.
  return md5(m_key + little_endian(number, 3) + little_endian(0, 2) +
             (m_cipher == Cipher::Aes128 ? "sAlT" : ""))
      .substr(0, kKeyBytes);
}

std::string Security::encrypt(uint32_t number, std::string_view data) const {
  const std::string key = object_key(number);
  if (m_cipher == Cipher::Rc4) {
    std::string out(data);
    rc4(key, out);
    return out;
  }
  const std::string iv = m_random(16);
  if (iv.size() != 16) throw std::logic_error("INTERNAL ERROR: the random source gave a short vector");
  std::string out = iv;
  out.resize(iv.size() + data.size() + 16);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int written = 0, last = 0;
  const bool ok =
      ctx &&
      EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                         reinterpret_cast<const unsigned char*>(iv.data())) == 1 &&
      EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data() + iv.size()), &written,
                        reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<int>(data.size())) == 1 &&
      EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data() + iv.size() + written), &last) ==
          1;
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) throw std::runtime_error("INTERNAL ERROR: AES-128 is not available");
  out.resize(iv.size() + size_t(written) + size_t(last));
  return out;
}

std::string Security::dictionary() const {
  const std::string values =
      " /P " + std::to_string(m_p) + " /O " + literal_string(m_o) + " /U " + literal_string(m_u);
  if (m_cipher == Cipher::Rc4) return "<< /Filter /Standard /V 2 /R 3 /Length 128" + values + " >>";
  return "<< /Filter /Standard /V 4 /R 4 /Length 128 /CF << /StdCF << /AuthEvent /DocOpen /CFM /AESV2 "
         "/Length 16 "
         ">> >> /StmF /StdCF /StrF /StdCF" +
         values + " >>";
}

}  // namespace orvena::exporting::pdf
