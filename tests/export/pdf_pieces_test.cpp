// The pieces of a PDF file as exact strings: numbers, names, strings, the text operators of a
// page and a font's ToUnicode map.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <regex>
#include <sstream>

#include "export/pdf/pdf_document.h"
#include "export/pdf/pdf_syntax.h"
#include "pdf_support.h"

namespace orvena::exporting::pdf::test {
namespace {

TEST(PdfSyntax, NumbersHaveTwoDecimalsAndAPoint) {
  struct Row {
    double value;
    const char* text;
  } rows[] = {
      {1, "1.00"},          {0.125, "0.12"},        {-2.5, "-2.50"},
      {-0.001, "0.00"},                                                      // never "-0.00"
      {595.2756, "595.28"}, {1e9, "1000000000.00"}, {std::nan(""), "0.00"},  // a NaN would break the stream
  };
  for (const auto& r : rows) EXPECT_EQ(number(r.value), r.text) << r.value;
}

// The quick writer of hundredths gives the digits of the correctly rounded conversion for every
// value: ties of the binary value (0.125, 2.675, which is a little below its decimal), values a
// hair either side of a half, negatives near zero and magnitudes beyond the quick path.
TEST(PdfSyntax, NumbersAreTheCorrectlyRoundedDigits) {
  auto reference = [](double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    std::string text(buf, res.ptr);
    return text == "-0.00" ? std::string("0.00") : text;
  };
  std::vector<double> values = {0.125,   0.375,      2.675,      1.005,         -0.005,    -0.0050000001,
                                0.00499, 1e7 + .125, 1e7 + .135, 123456789.995, 5e12 + .5, -841.889999};
  for (double v : {0.125, 1.005, 595.275, 12.345}) {
    values.push_back(std::nextafter(v, 0.0));
    values.push_back(std::nextafter(v, 1e300));
  }
  uint64_t state = 88172645463325252u;  // xorshift: the same values on every run
  for (int i = 0; i < 200000; ++i) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    double v = double(state % 20'000'000) / 1000.0 - 10000.0;  // thousandths hit every half
    values.push_back(v);
    values.push_back(v * 0.75);  // report pixels to points, as the pages convert them
  }
  size_t wrong = 0;
  for (double v : values)
    if (number(v) != reference(v) && ++wrong < 10)
      ADD_FAILURE() << v << ": " << number(v) << " " << reference(v);
  EXPECT_EQ(wrong, 0u);
}

TEST(PdfSyntax, NamesColoursAndStrings) {
  EXPECT_EQ(name("Times New Roman,Bold"), "/Times#20New#20Roman,Bold");
  EXPECT_EQ(name("a(b)<c>[d]{e}/f%g#h"), "/a#28b#29#3Cc#3E#5Bd#5D#7Be#7D#2Ff#25g#23h");
  EXPECT_EQ(name("Żółw"), "/#C5#BB#C3#B3#C5#82w");  // bytes above 127 as #XX
  EXPECT_EQ(color_components({0, 0, 0}), "0 0 0");
  EXPECT_EQ(color_components({255, 255, 255}), "1 1 1");
  EXPECT_EQ(color_components({255, 128, 0}), "1.00 0.50 0.00");
  EXPECT_EQ(utf16_hex_string(""), "<FEFF>");
  EXPECT_EQ(utf16_hex_string("Aż😀"), "<FEFF0041017CD83DDE00>");  // surrogate pair above U+FFFF
  EXPECT_EQ(literal_string("a(b)\\c\r\nd"), "(a\\(b\\)\\\\c\\r\\nd)");
  EXPECT_EQ(date_text(46000.5 + 1.0 / 86400 * 61), "D:20251209120101");
}

// A document with one page whose content the test reads back.
struct OnePage {
  Fixed fixed;
  std::ostringstream out;
  Document doc{out, fixed.options(Compression::None)};
  FontId sans = doc.font(liberation("LiberationSans-Regular.ttf"));
  Page& page = doc.begin_page({.width = 400, .height = 200});
};

TEST(PdfText, RunsWithTheFontsOwnAdvancesAreOneTj) {
  OnePage p;
  PdfFont& font = p.doc.font_record(p.sans);
  double a = font.width(36) * 12 / 1000 / kPointsPerPixel;  // "A" at 12 pt, in pixels
  p.page.text(
      {.font = p.sans, .size = 12, .x = 10, .y = 20, .glyphs = {{36, a, 0}, {36, a, 1}}, .text = "AA"});
  // x = 10 px = 7.5 pt; y = 200 px page = 150 pt, minus 20 px = 15 pt.
  EXPECT_EQ(p.page.content(), "BT\r\n/F0 12.00 Tf\r\n0 0 0 rg\r\n7.50 135.00 Td\r\n<00240024> Tj\r\nET\r\n");
  ASSERT_EQ(font.used().size(), 1u) << "two identical letters add one glyph";
  EXPECT_EQ(font.used()[0].unicode, "A");
  EXPECT_EQ(font.used()[0].width, 667u);  // Liberation Sans "A": 1366 of 2048 units
}

// The layout's advances differ from the font's widths by its pixel rounding and spreading. Shifts
// inside a word read as word breaks to text extraction, so words keep the font's widths, an
// even difference becomes character spacing, and the layout's positions are met at spaces.
TEST(PdfText, AdvancesOtherThanTheFontsMeetTheLayoutOnlyAtSpaces) {
  constexpr uint16_t kA = 36, kSpace = 3;
  struct Row {
    const char* name;
    std::vector<std::pair<uint16_t, double>> glyphs;  // glyph and pixels added to its width
    const char* text;
    const char* operators;  // expected in the content
  } rows[] = {
      // 4 px = 3 pt on every glyph: spacing, not one shift per glyph.
      {"even",
       {{kA, 4}, {kA, 4}, {kA, 4}, {kA, 4}},
       "AAAA",
       "3.00 Tc\r\n0.00 150.00 Td\r\n<0024002400240024> Tj"},
      // Rounding up and down inside the words cancels out; the space carries the justification
      // surplus of 8 px and the word's own rounding (+1 - 1): 6 pt at 10 pt is 600 thousandths.
      {"rounding and justification",
       {{kA, 1}, {kA, -1}, {kSpace, 8}, {kA, 0}, {kA, 0}},
       "AA AA",
       "<002400240003> -600.00 <00240024>] TJ"},
      // The drift of a word's rounding does not pile up over the line: the next space takes it.
      {"drift carried to the space",
       {{kA, 1}, {kA, 1}, {kA, -1}, {kSpace, 0}, {kA, -1}, {kA, 0}},
       "AAA AA",
       "[<0024002400240003> -75.00 <00240024>] TJ"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    OnePage p;
    PdfFont& font = p.doc.font_record(p.sans);
    std::vector<Glyph> glyphs;
    for (auto [id, extra] : r.glyphs)
      glyphs.push_back({id, font.width(id) * 10 / 1000 / kPointsPerPixel + extra, uint32_t(glyphs.size())});
    p.page.text({.font = p.sans, .size = 10, .glyphs = glyphs, .text = r.text});
    EXPECT_NE(p.page.content().find(r.operators), std::string::npos) << p.page.content();
  }
}

TEST(PdfText, SimulatedStylesAndSpacing) {
  OnePage p;
  p.page.text({.font = p.sans,
               .size = 14,
               .x = 0,
               .y = 100,
               .glyphs = {{36, 20, 0}},
               .text = "A",
               .color = {255, 0, 0},
               .char_spacing = 2,
               .simulated_bold = true,
               .simulated_italic = true});
  EXPECT_EQ(p.page.content(),
            "BT\r\n/F0 14.00 Tf\r\n1.00 0.00 0.00 rg\r\n1.50 Tc\r\n1 0 0.3333 1 0.00 75.00 Tm\r\n"
            "2 Tr 0.40 w 1.00 0.00 0.00 RG\r\n<0024> Tj\r\n0 Tr\r\n0 Tc\r\nET\r\n");
}

TEST(PdfFontRecord, ToUnicodeMapsClustersAndSplitsLongLists) {
  OnePage p;
  // One glyph for two letters (a ligature), then two glyphs for one letter (a base and a mark).
  p.page.text({.font = p.sans, .glyphs = {{10, 5, 0}, {11, 5, 2}, {12, 0, 2}}, .text = "ffé"});
  const auto& used = p.doc.font_record(p.sans).used();
  ASSERT_EQ(used.size(), 3u);
  EXPECT_EQ(used[0].unicode, "ff");
  EXPECT_EQ(used[1].unicode, "é");
  EXPECT_EQ(used[2].unicode, "");
  std::string cmap = p.doc.font_record(p.sans).to_unicode_cmap("Liberation Sans,Bold");
  EXPECT_NE(cmap.find("/CMapName /Liberation#20Sans+Bold def"), std::string::npos);
  EXPECT_NE(cmap.find("2 beginbfchar\r\n<000A> <00660066>\r\n<000B> <00E9>\r\nendbfchar\r\n"),
            std::string::npos)
      << cmap;

  // More than 100 glyphs: blocks of at most 100 mappings, as CMap files allow.
  std::vector<Glyph> many;
  std::string text;
  for (uint32_t i = 0; i < 150; ++i) {
    many.push_back({uint16_t(100 + i), 5, i});
    text += 'a';
  }
  p.page.text({.font = p.sans, .glyphs = many, .text = text});
  cmap = p.doc.font_record(p.sans).to_unicode_cmap("x");
  EXPECT_NE(cmap.find("100 beginbfchar"), std::string::npos);
  EXPECT_NE(cmap.find("52 beginbfchar"), std::string::npos);
}

TEST(PdfFontRecord, FontsAreNumberedInFirstUseOrderAndStoredOncePerFace) {
  OnePage p;
  FontId serif = p.doc.font(liberation("LiberationSerif-Bold.ttf"));
  EXPECT_EQ(p.doc.font(liberation("LiberationSans-Regular.ttf")), p.sans);
  EXPECT_EQ(p.doc.font_record(p.sans).resource_name(), "/F0");
  EXPECT_EQ(p.doc.font_record(serif).resource_name(), "/F1");
  EXPECT_EQ(p.doc.font_record(serif).base_name(), "Liberation Serif,Bold");
  EXPECT_EQ(p.doc.font_record(p.sans).base_name(), "Liberation Sans");
}

TEST(PdfPage, BackgroundCoversThePageLessItsMargins) {
  OnePage p;  // 400 x 200 px = 300 x 150 pt
  p.page.background({255, 128, 5}, {.left = 10, .top = 5, .right = 10, .bottom = 5});
  // 10 mm = 28.35 pt, 5 mm = 14.17 pt; 128 * 100 / 256 = 50, 5 * 100 / 256 = 1.
  EXPECT_EQ(p.page.content(),
            "0.00 w\r\n1 0.50 0.01 RG\r\n1 0.50 0.01 rg\r\n28.35 14.17 m\r\n271.65 14.17 l\r\n"
            "271.65 135.83 l\r\n28.35 135.83 l\r\nB\r\n");
}

TEST(PdfFontRecord, DescriptorCarriesTheFacesMetricsPerThousand) {
  Fixed fixed;
  std::ostringstream out;
  {
    Document doc(out, fixed.options(Compression::None));
    Page& page = doc.begin_page({.width = 100, .height = 100});
    page.text(
        {.font = doc.font(liberation("LiberationSans-Regular.ttf")), .glyphs = {{36, 5, 0}}, .text = "A"});
    doc.finish();
  }
  // Liberation Sans 2: 2048 units per em, ascender 1854, descender -434 (Windows ones the same,
  // so 240 units of internal leading), capital height 1409, weight 400 (stem 50 + (400 / 65)^2 =
  // 88), average width 1187, widest advance 2740; all times 1000 / 2048.
  std::smatch m;
  std::string pdf = out.str();
  ASSERT_TRUE(std::regex_search(
      pdf, m,
      std::regex(
          R"(/Type /FontDescriptor\r\n/FontName /[A-Z]{6}\+Liberation#20Sans\r\n([^]*?)/FontFile2 \d+ 0 R)")));
  EXPECT_EQ(
      m[1].str(),
      "/Flags 32\r\n/FontBBox [-544 -303 1302 980 ]\r\n/ItalicAngle 0\r\n/Ascent 905\r\n/Descent -212\r\n"
      "/Leading 117\r\n/CapHeight 688\r\n/StemV 88\r\n/AvgWidth 580\r\n/MaxWidth 1338\r\n/MissingWidth "
      "580\r\n");
  EXPECT_NE(pdf.find("/W [ 36 [667] ]"), std::string::npos);
}

TEST(PdfCatalog, InformationAndViewerPreferences) {
  Fixed fixed;
  std::ostringstream out;
  DocumentOptions options = fixed.options(Compression::None);
  options.viewer = {.hide_toolbar = true, .center_window = true};
  {
    Document doc(out, options);
    doc.finish();
  }
  std::string pdf = out.str();
  EXPECT_EQ(pdf.rfind("%PDF-1.5\r\n%\xE2\xE3\xCF\xD3\r\n", 0), 0u);
  // An empty title is just the byte-order mark, and does not ask for the title in the window.
  EXPECT_NE(pdf.find("/Title <FEFF>\r\n/Author <FEFF004F007200760065006E0061>"), std::string::npos);
  EXPECT_NE(pdf.find("/ViewerPreferences << /HideToolbar true /CenterWindow true /PrintScaling /None >>"),
            std::string::npos);
  EXPECT_NE(pdf.find("/PageMode /UseNone"), std::string::npos);
  EXPECT_NE(pdf.find("/Type /Pages\r\n/Kids []\r\n/Count 0"), std::string::npos);
}

}  // namespace
}  // namespace orvena::exporting::pdf::test
