// The encodings the report mail is made of, one rule at a time.
#include <gtest/gtest.h>

#include "core/error.h"
#include "delivery/mail/address_list.h"
#include "delivery/mail/mime_types.h"
#include "delivery/mail/quoted_printable.h"
#include "delivery/mail/report_email.h"
#include "delivery/mail/rfc2047.h"

namespace orvena::delivery::mail {
namespace {

struct QpCase {
  const char* why;
  std::string in, out;
};

TEST(MailQuotedPrintable, LineRules) {
  const QpCase cases[] = {
      {"plain text passes", "Hello, World!\r\n", "Hello, World!\r\n"},
      {"empty lines stay empty", "\r\n\r\n", "\r\n\r\n"},
      {"'=' is always escaped", "a=b\r\n", "a=3Db\r\n"},
      {"a trailing blank is escaped", "end \r\n", "end=20\r\n"},
      {"a trailing tab is escaped", "end\t\r\n", "end=09\r\n"},
      {"inner blanks and tabs stay", "a \tb\r\n", "a \tb\r\n"},
      {"a line that is one blank", " \r\n", "=20\r\n"},
      {"a leading dot is escaped, others not", ".a.b\r\n", "=2Ea.b\r\n"},
      {"bytes above 126 and controls", "\xB1\x01\x7F\r\n", "=B1=01=7F\r\n"},
      // 70 characters reach the limit: the soft break follows even at the line's end.
      {"exactly 70", std::string(70, 'a') + "\r\n", std::string(70, 'a') + "=\r\n\r\n"},
      {"69 then an escape passes 70", std::string(69, 'a') + "\xB1" + "b\r\n",
       std::string(69, 'a') + "=B1=\r\nb\r\n"},
      // A "." that lands at the start of a continuation line is escaped too.
      {"dot after a soft break", std::string(70, 'a') + ".b\r\n", std::string(70, 'a') + "=\r\n=2Eb\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(quoted_printable_encode(c.in), c.out) << c.why;

  std::string line = quoted_printable_encode(std::string(100, 'x') + "\r\n");
  EXPECT_EQ(line, std::string(70, 'x') + "=\r\n" + std::string(30, 'x') + "\r\n");
}

struct WordCase {
  const char* why;
  std::string in, out;
};

TEST(MailHeaderWords, EncodingRules) {
  const WordCase cases[] = {
      {"ASCII unchanged", "Daily report 2026-12-03", "Daily report 2026-12-03"},
      {"one word", "Raport sprzedaży", "Raport =?iso-8859-2?B?c3ByemVkYb95?="},
      // Adjacent words form one piece with their blank; plain words between runs stay plain.
      {"runs of words", "Raport sprzedaży dziennej łącznie",
       "Raport =?iso-8859-2?B?c3ByemVkYb95?= dziennej =?iso-8859-2?B?s7Fjem5pZQ==?="},
      {"adjacent words one piece", "gęślą jaźń", "=?iso-8859-2?B?Z+q2bLEgamG88Q==?="},
      {"space before the run stays outside", "a  ź", "a  =?iso-8859-2?B?vA==?="},
      {"characters outside ISO-8859-2 become '?'", "5 €", "5 ?"},
      {"'?' from a missing character needs no encoding", "€ ó", "? =?iso-8859-2?B?8w==?="},
      // "=" only matters when the text could be read back as an encoded word.
      {"plain '='", "a=b", "a=b"},
      {"'=' next to an encoded-word lookalike", "=?x?= a=b c", "=?iso-8859-2?B?PT94Pz0gYT1i?= c"},
      {"specials do not matter in a subject", "Re: [raport] (1)", "Re: [raport] (1)"},
  };
  for (const auto& c : cases) EXPECT_EQ(encode_header_words(c.in), c.out) << c.why;
}

TEST(MailHeaderWords, LongPieceSplitsAt42Bytes) {
  std::string text(44, 'x');
  text[0] = '\xC3';  // "ó" (one byte in ISO-8859-2) makes the word need encoding
  text[1] = '\xB3';
  // 42 bytes: "ó" + 41 x; then the 43rd byte after CR LF and a blank.
  std::string out = encode_header_words(text);
  size_t br = out.find("\r\n ");
  ASSERT_NE(br, std::string::npos);
  EXPECT_EQ(br, 73u);  // 15 + 56 + 2: the longest word of 14 groups
  EXPECT_EQ(out.substr(br), "\r\n =?iso-8859-2?B?eA==?=");
}

TEST(MailAddressForm, NamesQuotedOrEncoded) {
  const struct {
    MailAddress a;
    std::string out;
  } cases[] = {
      {{"", "jan@firma.pl"}, "jan@firma.pl"},
      {{"Jan Kowalski", "jan@firma.pl"}, "\"Jan Kowalski\" <jan@firma.pl>"},
      {{"A \"B\" C\\D", "x@y.pl"}, "\"A \\\"B\\\" C\\\\D\" <x@y.pl>"},
      {{"Kowalski, Jan", "jan@firma.pl"}, "\"Kowalski, Jan\" <jan@firma.pl>"},
      // Not pure ASCII: encoded, and the comma forces its word into the piece.
      {{"Łukasz Nowak, Dział", "l@firma.pl"}, "=?iso-8859-2?B?o3VrYXN6IE5vd2FrLCBEemlhsw==?= <l@firma.pl>"},
      {{"Żaneta (biuro)", "z@firma.pl"}, "=?iso-8859-2?B?r2FuZXRhIChiaXVybyk=?= <z@firma.pl>"},
      {{"Żaneta Biuro", "z@firma.pl"}, "=?iso-8859-2?B?r2FuZXRh?= Biuro <z@firma.pl>"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_address(c.a), c.out);
}

TEST(MailFolding, LongHeaderLines) {
  EXPECT_EQ(fold_header_line("Subject: short"), "Subject: short\r\n");
  std::string to = "To: ";
  for (int i = 0; i < 6; ++i) to += (i ? ", " : "") + std::string("odbiorca") + char('a' + i) + "@firma.pl";
  // Broken after the last blank before the 79th character; the blank left at the end goes.
  EXPECT_EQ(fold_header_line(to),
            "To: odbiorcaa@firma.pl, odbiorcab@firma.pl, odbiorcac@firma.pl,\r\n"
            " odbiorcad@firma.pl, odbiorcae@firma.pl, odbiorcaf@firma.pl\r\n");
  // A comma inside double quotes is no break point.
  std::string quoted = "To: \"" + std::string(40, 'a') + ", " + std::string(40, 'b') + "\" <x@y.pl>";
  EXPECT_EQ(fold_header_line(quoted),
            "To: \"" + std::string(40, 'a') + ", " + std::string(40, 'b') + "\"\r\n <x@y.pl>\r\n");
  // An escaped quote does not end the quoted name.
  std::string escaped = "To: \"" + std::string(40, 'a') + "\\\", " + std::string(40, 'b') + "\" <x@y.pl>";
  EXPECT_EQ(fold_header_line(escaped), escaped.substr(0, escaped.size() - 9) + "\r\n <x@y.pl>\r\n");
  // A stretch without a break point is left whole.
  std::string stretch = "Subject: " + std::string(90, 'z');
  EXPECT_EQ(fold_header_line(stretch), stretch + "\r\n");
  // Line breaks already in the value are kept, each line folded on its own.
  EXPECT_EQ(fold_header_line("Subject: a\r\n b"), "Subject: a\r\n b\r\n");
  // Every resulting line is at most 78 characters when break points allow.
  std::string words = "Subject:";
  for (int i = 0; i < 40; ++i) words += " word" + std::to_string(i);
  std::string folded = fold_header_line(words);
  size_t start = 0;
  while (start < folded.size()) {
    size_t end = folded.find("\r\n", start);
    EXPECT_LE(end - start, 78u);
    EXPECT_NE(folded[end - 1], ' ');
    start = end + 2;
  }
}

TEST(MailMediaTypes, BuiltInSystemAndUnknown) {
  MediaTypes builtin;
  EXPECT_EQ(builtin.lookup("raport.pdf"), "application/pdf");
  EXPECT_EQ(builtin.lookup("RAPORT.PDF"), "application/pdf");
  EXPECT_EQ(builtin.lookup("a.b/raport.htm"), "text/html");
  EXPECT_EQ(builtin.lookup("r.tif"), "image/x-tiff");
  EXPECT_EQ(builtin.lookup("r.zip"), "application/x-zip-compressed");
  for (const char* none : {"r.xlsx", "r.docx", "r.csv", "r.tiff", "noextension", "r."})
    EXPECT_EQ(builtin.lookup(none), "application/octet-stream") << none;

  MediaTypes system;
  system.add_mime_types_text(
      "# comment line\n"
      "image/tiff\t\t\ttiff tif\n"
      "text/csv csv # trailing comment\n"
      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet xlsx\n"
      "bogus-line-without-slash xyz\n");
  EXPECT_EQ(system.lookup("r.tif"), "image/tiff");  // the system's type wins
  EXPECT_EQ(system.lookup("r.CSV"), "text/csv");
  EXPECT_EQ(system.lookup("r.xlsx"), "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
  EXPECT_EQ(system.lookup("r.pdf"), "application/pdf");  // built-in pair kept
  EXPECT_EQ(system.lookup("r.xyz"), "application/octet-stream");

  MediaTypes missing = MediaTypes::with_system_file("/nonexistent/mime.types");
  EXPECT_EQ(missing.lookup("r.tif"), "image/x-tiff");
}

TEST(MailAddressList, RecipientLines) {
  const struct {
    const char* line;
    std::vector<MailAddress> out;
  } cases[] = {
      {"jan@firma.pl", {{"", "jan@firma.pl"}}},
      {"  jan@firma.pl  ", {{"", "jan@firma.pl"}}},
      {"a@x.pl, b@x.pl", {{"", "a@x.pl"}, {"", "b@x.pl"}}},
      {"Jan Nowak <jan@x.pl>", {{"Jan Nowak", "jan@x.pl"}}},
      {"\"Nowak, Anna\" <anna@x.pl>, b@x.pl", {{"Nowak, Anna", "anna@x.pl"}, {"", "b@x.pl"}}},
      {"\"Say \\\"hi\\\"\" <h@x.pl>", {{"Say \"hi\"", "h@x.pl"}}},
      {"jan@x.pl (Jan, biuro)", {{"", "jan@x.pl"}}},
      {"Zażółć <z@x.pl>", {{"Zażółć", "z@x.pl"}}},
      {"a@x.pl,, ,b@x.pl,", {{"", "a@x.pl"}, {"", "b@x.pl"}}},
      {"", {}},
      {"<only@x.pl>", {{"", "only@x.pl"}}},
  };
  for (const auto& c : cases) {
    auto got = parse_address_list(c.line);
    ASSERT_EQ(got.size(), c.out.size()) << c.line;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].name, c.out[i].name) << c.line;
      EXPECT_EQ(got[i].address, c.out[i].address) << c.line;
    }
  }
}

TEST(MailPort, DecimalPortOrError) {
  EXPECT_EQ(parse_mail_port("465"), 465);
  EXPECT_EQ(parse_mail_port("+2465"), 2465);
  EXPECT_EQ(parse_mail_port("65535"), 65535);
  for (const char* bad : {"", "x", "465 ", " 465", "4.65", "0", "65536", "-25"}) {
    try {
      parse_mail_port(bad);
      ADD_FAILURE() << bad;
    } catch (const core::Error& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
}

}  // namespace
}  // namespace orvena::delivery::mail
