// Whole report mails compared byte for byte with reviewed golden files, plus the rules of the
// message layout that golden files alone would not name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/datetime.h"
#include "core/error.h"
#include "delivery/mail/convert_string.h"
#include "delivery/mail/mime_message.h"

namespace orvena::delivery::mail {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Bytes 0, 1, 2, ... so every base64 group differs.
std::string counting_bytes(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>(i * 7 + 1);
  return s;
}

class MailMessageGolden : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) m_old_tz = tz;
    setenv("TZ", "Europe/Warsaw", 1);
    tzset();
    m_dir = fs::temp_directory_path() / ("orvena-mail-" + std::to_string(getpid()));
    fs::create_directories(m_dir);
    m_env.clock = &m_clock;
    m_env.media_types = &m_types;
    // A fixed walk through the alphabet: boundary "DKRYfmt07E" ... with "=_" at positions 11 and 12.
    m_env.random = [n = 0u](uint32_t bound) mutable { return (3u + 7u * n++) % bound; };
  }
  void TearDown() override {
    fs::remove_all(m_dir);
    if (m_old_tz.empty())
      unsetenv("TZ");
    else
      setenv("TZ", m_old_tz.c_str(), 1);
    tzset();
  }

  fs::path file(const std::string& name, const std::string& bytes) {
    fs::path p = m_dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

  // Compares with tests/fixtures/mail/<name>.eml; ORVENA_UPDATE_GOLDEN=1 rewrites the file
  // (review the difference before committing it).
  void expect_golden(const std::string& name, const MailMessage& m) {
    std::string actual = write_message(m, m_env);
    fs::path golden = fs::path(ORVENA_FIXTURES) / "mail" / (name + ".eml");
    if (std::getenv("ORVENA_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << actual;
    EXPECT_EQ(actual, read_file(golden)) << "golden file " << golden;
  }

  std::string m_old_tz;
  fs::path m_dir;
  core::FixedClock m_clock{core::encode_date(2026, 12, 3) + core::encode_time(9, 5, 7)};
  MediaTypes m_types;  // built-in pairs only, whatever the machine has registered
  MessageEnvironment m_env;
};

TEST_F(MailMessageGolden, AsciiSubjectAndNames) {
  MailMessage m;
  m.from = {"Raporty Orvena", "raporty@firma.pl"};
  m.recipients = {{"", "jan.kowalski@firma.pl"}, {"Anna \"Ania\" Nowak", "anna@firma.pl"}};
  m.subject = "Daily sales report 2026-12-03";
  m.body_lines = {"Hello,", "", "the report is attached.", "", "Orvena"};
  m.attachment = file("sprzedaz.pdf", counting_bytes(57));  // exactly one base64 line
  expect_golden("ascii", m);
}

TEST_F(MailMessageGolden, PolishTextAndBodyLineRules) {
  MailMessage m;
  m.from = {"", "raporty@firma.pl"};  // no sender name: the address stands as the name
  m.recipients = {{"", "jan@firma.pl"}};
  m.subject = "Raport wyników sprzedaży";  // first word plain, the rest one encoded word
  m.body_lines = {
      convert_string("Dzień dobry, cena 5 € za łódź."),  // ą..ż as ISO-8859-2 bytes, € as "?"
      std::string(100, 'x'),                             // soft break after 70
      "line ending in a blank ",                         // =20
      ".starts with a dot",                              // =2E
      "",
      convert_string("Zażółć gęślą jaźń"),
  };
  m.attachment = file("dane.xyz", counting_bytes(58));  // unknown type, two base64 lines
  expect_golden("polish", m);
}

TEST_F(MailMessageGolden, LongSubjectAndEncodedDisplayName) {
  MailMessage m;
  m.from = {"Dział Raportów", "raporty@firma.pl"};
  m.recipients = {{"Zespół Sprzedaży, Kraków", "sprzedaz.krakow@firma.pl"},
                  {"", "ksiegowosc@firma.pl"},
                  {"Zarząd", "zarzad@firma.pl"}};
  // 45 bytes to encode: a full word of 42 bytes (14 groups) and a second one of 3.
  m.subject = "Raport zażółć gęślą jaźń żółwiem łączącym źdźbła ćmy";
  m.body_lines = {convert_string("W załączniku.")};
  m.attachment = file("zestawienie.TIF", std::string("II*\0", 4));  // upper-case extension
  expect_golden("long_subject", m);
}

TEST_F(MailMessageGolden, EmptyBodyIsTheAttachmentAlone) {
  MailMessage m;
  m.from = {"Raporty", "raporty@firma.pl"};
  m.recipients = {{"", "jan@firma.pl"}};
  m.subject = "Raport";
  m.body_lines = {"", " \t", ""};  // the three empty settings parts
  m.attachment = file("raport.csv", counting_bytes(58));
  expect_golden("empty_body", m);
}

TEST_F(MailMessageGolden, EmptyAttachmentHasNoBase64Lines) {
  MailMessage m;
  m.from = {"R", "r@firma.pl"};
  m.recipients = {{"", "j@firma.pl"}};
  m.body_lines = {"x"};
  m.attachment = file("pusty.txt", "");
  std::string out = write_message(m, m_env);
  EXPECT_EQ(out.find("Subject:"), std::string::npos) << "an empty subject has no field";
  EXPECT_NE(out.find("Content-Type: text/plain;\r\n\tname=\"pusty.txt\"\r\n"
                     "Content-Transfer-Encoding: base64\r\n"
                     "Content-Disposition: attachment;\r\n\tfilename=\"pusty.txt\"\r\n\r\n\r\n--"),
            std::string::npos);
}

TEST_F(MailMessageGolden, UnreadableAttachmentIsAnError) {
  MailMessage m;
  m.body_lines = {"x"};
  m.attachment = m_dir / "brak.pdf";
  EXPECT_THROW(write_message(m, m_env), core::Error);
}

TEST_F(MailMessageGolden, PolishAttachmentNameIsEncoded) {
  MailMessage m;
  m.body_lines = {"x"};
  m.attachment = file("należności.pdf", "%PDF");
  std::string out = write_message(m, m_env);
  // iconv -t iso-8859-2 | base64 gives the same word.
  EXPECT_NE(out.find("\tname=\"=?iso-8859-2?B?bmFsZb9ub7ZjaS5wZGY=?=\"\r\n"), std::string::npos) << out;
}

TEST_F(MailMessageGolden, HeaderTextsCannotStartFieldsOfTheirOwn) {
  MailMessage m;
  m.from = {"Raporty\r\nBcc: a@evil.test", "r@firma.pl"};
  m.recipients = {{"", "j@firma.pl\nBcc: b@evil.test"}};
  m.subject = "Raport\r\nBcc: c@evil.test";
  m.body_lines = {"x"};
  m.attachment = file("a\"b\\c.pdf", "%PDF");
  std::string out = write_message(m, m_env);
  EXPECT_EQ(out.find("\nBcc"), std::string::npos) << out;
  EXPECT_NE(out.find("Subject: Raport  Bcc: c@evil.test\r\n"), std::string::npos) << out;
  // A quote or backslash in the file name is escaped inside the quoted parameter.
  EXPECT_NE(out.find("\tname=\"a\\\"b\\\\c.pdf\"\r\n"), std::string::npos) << out;
}

TEST(MailBoundary, ShapeAndFreshness) {
  std::string b = make_boundary([](uint32_t bound) { return bound - 1; });
  // The last letter everywhere, then "=_" at the last possible position (33 and 34).
  EXPECT_EQ(b, std::string(32, '9') + "=_");
  b = make_boundary([](uint32_t) { return 0u; });
  EXPECT_EQ(b, "=_" + std::string(32, 'A'));

  RandomSource random = system_random();
  std::string first = make_boundary(random), second = make_boundary(random);
  EXPECT_NE(first, second);
  EXPECT_EQ(first.size(), 34u);
  EXPECT_NE(first.find("=_"), std::string::npos);
}

TEST(MailDate, WeekdayMonthAndOffset) {
  struct Case {
    core::DateTime t;
    int offset;
    const char* expected;
  } cases[] = {
      {core::encode_date(2026, 12, 3) + core::encode_time(9, 5, 7), 60, "Thu, 3 Dec 2026 09:05:07 +0100"},
      {core::encode_date(2026, 7, 19) + core::encode_time(23, 59, 59), 120,
       "Sun, 19 Jul 2026 23:59:59 +0200"},
      {core::encode_date(2024, 2, 29), -210, "Thu, 29 Feb 2024 00:00:00 -0330"},
      {core::encode_date(2025, 1, 4) + core::encode_time(12, 0, 0), 0, "Sat, 4 Jan 2025 12:00:00 +0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_mail_date(c.t, c.offset), c.expected);
}

TEST(MailBody, BytesAndEmptiness) {
  // Codes up to 255 are bytes; the euro sign and anything else above is "?".
  EXPECT_EQ(body_bytes("a\xC2\xB1\xE2\x82\xAC\xC5\x82"), "a\xB1??");
  EXPECT_TRUE(is_empty_body({}));
  EXPECT_TRUE(is_empty_body({"", " ", "\t "}));
  EXPECT_FALSE(is_empty_body({"", "."}));
}

TEST(ConvertString, PolishLettersBecomeTheirIso88592Codes) {
  // Za followed by U+00BF, U+00F3, U+00B3, U+00E6.
  EXPECT_EQ(convert_string("Zażółć"), "Za\xC2\xBF\xC3\xB3\xC2\xB3\xC3\xA6");
  EXPECT_EQ(convert_string("ĄĆĘŁŃÓŚŹŻ"),
            "\xC2\xA1\xC3\x86\xC3\x8A\xC2\xA3\xC3\x91\xC3\x93\xC2\xA6\xC2\xAC\xC2\xAF");
  EXPECT_EQ(convert_string("plain ü €"), "plain ü €");
}

}  // namespace
}  // namespace orvena::delivery::mail
