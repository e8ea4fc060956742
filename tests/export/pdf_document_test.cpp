// The PDF file writer as readers see its files: qpdf checks the structure, poppler lists the
// fonts, extracts the text and renders the pages.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "export/pdf/pdf_document.h"
#include "pdf_support.h"

namespace orvena::exporting::pdf::test {
namespace {

const std::string kPolish[] = {
    "Zażółć gęślą jaźń",
    "ZAŻÓŁĆ GĘŚLĄ JAŹŃ: 1 234,56 zł",
    "Łódź, Kraków, Świętokrzyskie",
};
const char* const kFaces[] = {"LiberationSans-Regular.ttf", "LiberationSerif-Bold.ttf",
                              "LiberationMono-Italic.ttf"};

// One line of Polish text per face, one face per line, on an A4 page.
void write_polish(Document& doc) {
  Page& page = doc.begin_page({.width = 793.7, .height = 1122.5});
  for (size_t i = 0; i < std::size(kPolish); ++i)
    page.text(shape(doc, liberation(kFaces[i]), 14, 50, 100 + 40 * i, kPolish[i]));
  doc.end_page();
}

class PolishText : public ::testing::TestWithParam<Compression> {};

TEST_P(PolishText, ReadersFindEveryFontEmbeddedAsSubsetAndTheTextUnchanged) {
  core::TempDir dir;
  auto file = dir.path() / "polish.pdf";
  Fixed fixed;
  {
    Document doc(file, fixed.options(GetParam()));
    write_polish(doc);
    doc.finish();
  }
  Command check = run("qpdf --check " + shell_arg(file) + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos)
      << check.output;

  // name type encoding emb sub uni object ID: every font a subset with a ToUnicode map.
  Command fonts = run("pdffonts " + shell_arg(file));
  ASSERT_EQ(fonts.status, 0);
  std::istringstream lines(fonts.output);
  std::string line;
  std::set<std::string> names;
  for (int n = 0; std::getline(lines, line); ++n) {
    if (n < 2) continue;                                 // heading and rule
    std::string name = line.substr(0, line.find("  "));  // the name column may hold blanks
    std::istringstream cols(line.substr(37));
    std::string type1, type2, encoding, emb, sub, uni;
    cols >> type1 >> type2 >> encoding >> emb >> sub >> uni;
    EXPECT_EQ(type1 + " " + type2, "CID TrueType") << line;
    EXPECT_EQ(encoding, "Identity-H") << line;
    EXPECT_EQ(emb + sub + uni, "yesyesyes") << line;
    EXPECT_TRUE(std::regex_match(name, std::regex("[A-Z]{6}\\+Liberation.*"))) << line;
    names.insert(name.substr(7));
  }
  EXPECT_EQ(names,
            (std::set<std::string>{"Liberation Sans", "Liberation Serif,Bold", "Liberation Mono,Italic"}))
      << fonts.output;

  Command text = run("pdftotext -enc UTF-8 " + shell_arg(file) + " -");
  ASSERT_EQ(text.status, 0);
  // The three lines are close enough for poppler to read them as one paragraph.
  EXPECT_EQ(text.output, kPolish[0] + "\n" + kPolish[1] + "\n" + kPolish[2] + "\n\n\f");
}

INSTANTIATE_TEST_SUITE_P(Compression, PolishText, ::testing::Values(Compression::None, Compression::Deflate),
                         [](const auto& info) {
                           return info.param == Compression::None ? "Plain" : "Deflated";
                         });

TEST(PdfStructure, CrossReferenceOffsetsAreExactAndEveryObjectIsReferenced) {
  Fixed fixed;
  std::ostringstream out;
  Document doc(out, fixed.options(Compression::None));
  write_polish(doc);
  Page& second = doc.begin_page({.width = 400, .height = 300});
  second.rectangle(10, 10, 100, 50, Pen{.color = {255, 0, 0}}, Color{0, 0, 255});
  second.link_page(10, 10, 100, 50, 0, 100);
  doc.end_page();
  doc.add_outline({.title = "Pierwsza", .page = 0});
  doc.add_outline({.parent = 0, .title = "Druga strona", .page = 1, .y = 20});
  doc.finish();
  std::string pdf = out.str();

  XrefCheck xref = check_xref(pdf);
  ASSERT_EQ(xref.error, "");
  EXPECT_GT(xref.offsets.size(), 15u);
  // The catalog and the information dictionary are named by the trailer, everything else by
  // another object.
  std::vector<int> loose = unreferenced(pdf, xref);
  EXPECT_EQ(loose, std::vector<int>{}) << "objects nothing points to";

  // Without deflate a stream carries no filter and its /Length counts the bytes exactly.
  std::regex stream_re(R"(/Length (\d+)\r\n>>\r\nstream\r\n)");
  int streams = 0;
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), stream_re); it != std::sregex_iterator();
       ++it) {
    size_t start = it->position() + it->length();
    size_t length = std::stoul((*it)[1]);
    EXPECT_EQ(pdf.compare(start + length, 11, "\nendstream\r"), 0) << "stream at " << start;
    ++streams;
  }
  EXPECT_GE(streams, 8);  // 2 pages, 3 fonts with file and map each
  EXPECT_EQ(pdf.find("/FlateDecode"), std::string::npos);
}

TEST(PdfStructure, FixedClockAndIdentifierGiveTheSameBytes) {
  auto make = [] {
    Fixed fixed;
    std::ostringstream out;
    Document doc(out, fixed.options());
    write_polish(doc);
    doc.finish();
    return out.str();
  };
  std::string first = make();
  EXPECT_EQ(first, make());
  EXPECT_NE(first.find("/CreationDate (D:20251209120000)"), std::string::npos);
  EXPECT_NE(first.find("/ID [<30313233343536373839616263646566><30313233343536373839616263646566>]"),
            std::string::npos);
}

}  // namespace
}  // namespace orvena::exporting::pdf::test
