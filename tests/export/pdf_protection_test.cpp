// Password protection: poppler and qpdf open a protected file with its passwords and refuse it
// without, and the text, font maps and information strings come back decrypted.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <sstream>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "export/pdf/pdf_document.h"
#include "export/pdf/pdf_security.h"
#include "pdf_support.h"

namespace orvena::exporting::pdf::test {
namespace {

TEST(Rc4, KnownVectors) {
  // Test vectors of the original RC4 publication.
  struct Row {
    std::string key, plain, cipher_hex;
  } rows[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const auto& r : rows) {
    std::string data = r.plain;
    rc4(r.key, data);
    EXPECT_EQ(hex(data), r.cipher_hex) << r.key;
    rc4(r.key, data);
    EXPECT_EQ(data, r.plain) << "decrypting is encrypting again";
  }
}

TEST(Security, PermissionValueKeepsUnusedBitsSet) {
  struct Row {
    unsigned flags;
    int32_t p;
  } rows[] = {
      {kAllPermissions, -4},     // 0xFFFFFFFC
      {0, -64},                  // nothing granted, reserved high bits set
      {kPrint, -60},             // bit 3
      {kCopy | kAnnotate, -16},  // bits 5 and 6
  };
  for (const auto& r : rows)
    EXPECT_EQ(Security("u", "", r.flags, "0123456789abcdef").p_value(), r.p) << r.flags;
}

struct Case {
  const char* name;
  std::string user, owner;
  Cipher cipher;
  // How the trailer, pdfinfo and qpdf name the handler.
  const char *encrypt, *algorithm, *revision;
};

constexpr const char* kAes =
    "/V 4 /R 4 /Length 128 /CF << /StdCF << /AuthEvent /DocOpen /CFM /AESV2 /Length 16 >> >> /StmF /StdCF "
    "/StrF "
    "/StdCF /P -4";
constexpr const char* kRc4 = "/V 2 /R 3 /Length 128 /P -4";

class Protected : public ::testing::TestWithParam<Case> {};

TEST_P(Protected, OpensWithItsPasswordsOnlyAndReadsBackWhole) {
  const Case& c = GetParam();
  core::TempDir dir;
  auto file = dir.path() / "chroniony.pdf";
  Fixed fixed;
  DocumentOptions options = fixed.options(Compression::None);
  options.protection = {.user_password = c.user, .owner_password = c.owner, .cipher = c.cipher};
  options.info.title = "Raport (poufny)\r\n\\ Łódź";
  {
    Document doc(file, options);
    Page& page = doc.begin_page({.width = 600, .height = 400});
    page.text(shape(doc, liberation("LiberationSans-Regular.ttf"), 12, 40, 60, "Tajne: żółw"));
    doc.end_page();
    doc.add_outline({.title = "Zakładka"});
    doc.finish();
  }
  std::string pdf = core::read_file(file);
  EXPECT_EQ(pdf.substr(0, 8), c.cipher == Cipher::Aes128 ? "%PDF-1.6" : "%PDF-1.5");
  EXPECT_EQ(pdf.find("Tajne"), std::string::npos);
  EXPECT_NE(pdf.find(std::string("/Encrypt << /Filter /Standard ") + c.encrypt), std::string::npos);

  Command refused = run("pdftotext " + shell_quoted(file) + " - 2>&1");
  EXPECT_NE(refused.status, 0) << refused.output;
  Command wrong = run("pdftotext -upw zle " + shell_quoted(file) + " - 2>&1");
  EXPECT_NE(wrong.status, 0) << wrong.output;

  Command text = run("pdftotext -enc UTF-8 -upw '" + c.user + "' " + shell_quoted(file) + " -");
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.output, "Tajne: żółw\n\n\f");
  std::string owner = c.owner.empty() ? c.user : c.owner;
  Command by_owner = run("pdftotext -enc UTF-8 -opw '" + owner + "' " + shell_quoted(file) + " -");
  EXPECT_EQ(by_owner.output, "Tajne: żółw\n\n\f");

  // Information strings are encrypted too and come back with every escaped byte.
  Command info = run("pdfinfo -enc UTF-8 -upw '" + c.user + "' " + shell_quoted(file));
  EXPECT_NE(info.output.find("Title:           Raport (poufny)\r\n\\ Łódź"), std::string::npos)
      << info.output;
  EXPECT_NE(info.output.find(std::string("Encrypted:       yes (print:yes copy:yes change:yes addNotes:yes "
                                         "algorithm:") +
                             c.algorithm + ")"),
            std::string::npos)
      << info.output;

  Command outline = run("qpdf --password='" + c.user + "' --json --json-key=outlines " + shell_quoted(file));
  EXPECT_NE(outline.output.find("\"title\": \"Zakładka\""), std::string::npos) << outline.output;

  Command check = run("qpdf --password='" + c.user + "' --check " + shell_quoted(file) + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find(c.revision), std::string::npos) << check.output;
  EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos)
      << check.output;
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, Protected,
    ::testing::Values(Case{"UserOnly", "tajne", "", Cipher::Aes128, kAes, "AES", "R = 4"},
                      Case{"UserAndOwner", "czytelnik", "wlasciciel", Cipher::Aes128, kAes, "AES", "R = 4"},
                      Case{"Rc4UserOnly", "tajne", "", Cipher::Rc4, kRc4, "RC4", "R = 3"},
                      Case{"Rc4UserAndOwner", "czytelnik", "wlasciciel", Cipher::Rc4, kRc4, "RC4", "R = 3"}),
    [](const auto& info) { return info.param.name; });

// AES-128-CBC decryption of one string or stream: the vector, then the cipher text.
std::string aes_decrypt(const std::string& key, const std::string& encrypted) {
  std::string out(encrypted.size(), '\0');
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0, last = 0;
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  const auto* in = reinterpret_cast<const unsigned char*>(encrypted.data());
  bool ok = EVP_DecryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, k, in) == 1 &&
            EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n, in + 16,
                              int(encrypted.size()) - 16) == 1 &&
            EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n, &last) == 1;
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) return "<not decrypted>";
  out.resize(size_t(n + last));
  return out;
}

// Each string and stream gets the next vector of the random source, which an attacker cannot
// predict; the injected source of a test decides them all.
TEST(Security, AesVectorsAreDrawnFromTheRandomSource) {
  char next = 'a';
  Security security("u", "", kAllPermissions, "0123456789abcdef", Cipher::Aes128,
                    [&](size_t size) { return std::string(size, next++); });
  for (char expected : {'a', 'b', 'c'}) {
    std::string encrypted = security.encrypt(7, "Tajne: żółw");
    EXPECT_EQ(encrypted.substr(0, 16), std::string(16, expected));
    EXPECT_EQ(aes_decrypt(security.object_key(7), encrypted), "Tajne: żółw");
  }
}

// The same report protected twice: with the system's source no vector repeats, so the files
// differ although everything else is fixed; with a fixed source injected they are equal.
TEST(Protection, TwoExportsOfOneReportDrawDifferentVectors) {
  auto export_once = [](bool fixed_random) {
    Fixed fixed;
    DocumentOptions options = fixed.options(Compression::None);
    if (!fixed_random) options.random = nullptr;
    options.protection = {.user_password = "tajne"};
    options.info.title = "Raport";
    std::ostringstream out;
    Document doc(out, options);
    Page& page = doc.begin_page({.width = 600, .height = 400});
    page.text(shape(doc, liberation("LiberationSans-Regular.ttf"), 12, 40, 60, "Tajne"));
    doc.end_page();
    doc.finish();
    return out.str();
  };
  const std::string first = export_once(false), second = export_once(false);
  EXPECT_NE(first, second);
  EXPECT_EQ(export_once(true), export_once(true));
}

TEST(Protection, WithoutPasswordsTheFileIsPlain) {
  Fixed fixed;
  std::ostringstream out;
  Document doc(out, fixed.options(Compression::None));
  doc.begin_page({.width = 100, .height = 100});
  doc.finish();
  EXPECT_EQ(out.str().find("/Encrypt"), std::string::npos);
}

}  // namespace
}  // namespace orvena::exporting::pdf::test
