// The PDF file writer as readers see its files: qpdf checks the structure, poppler lists the
// fonts, extracts the text and renders the pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
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
  Command check = run("qpdf --check " + shell_quoted(file) + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos)
      << check.output;

  // name type encoding emb sub uni object ID: every font a subset with a ToUnicode map.
  Command fonts = run("pdffonts " + shell_quoted(file));
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

  // Rendered for a person to look at: tests/export/polish-{Plain,Deflated}-1.png in the build.
  std::string png = std::string(ORVENA_BINARY_DIR) + "/tests/export/polish-" +
                    (GetParam() == Compression::None ? "Plain" : "Deflated");
  EXPECT_EQ(run("pdftoppm -r 96 -png " + shell_quoted(file) + " " + shell_quoted(png)).status, 0);

  Command text = run("pdftotext -enc UTF-8 " + shell_quoted(file) + " -");
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
  second.link_uri(10, 100, 100, 20, "https://example.com/raport?id=(7)");
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

  core::TempDir dir;
  core::write_file_atomic(dir.path() / "s.pdf", pdf);
  Command check = run("qpdf --check " + shell_quoted(dir.path() / "s.pdf") + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output;
  // The outline as a reader walks it: titles, nesting and the page each entry opens.
  Command outline = run("qpdf --json --json-key=outlines " + shell_quoted(dir.path() / "s.pdf"));
  std::string json = outline.output;
  json.erase(std::remove_if(json.begin(), json.end(), ::isspace), json.end());
  EXPECT_NE(json.find(R"("destpageposfrom1":1,"kids":[{"dest":)"), std::string::npos) << outline.output;
  EXPECT_NE(json.find(R"("destpageposfrom1":2,"kids":[],"object":)"), std::string::npos) << outline.output;
  EXPECT_NE(json.find(R"("title":"Drugastrona")"), std::string::npos) << outline.output;
  Command urls = run("pdfinfo -url " + shell_quoted(dir.path() / "s.pdf"));
  EXPECT_TRUE(std::regex_search(urls.output,
                                std::regex(R"(\n +2 +Annotation +https://example.com/raport\?id=\(7\)\n)")))
      << urls.output;
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

// A long report: 300 pages of 40 lines in three faces, over the whole Polish alphabet, digits and
// punctuation. Each font must be embedded once, as a subset, however many pages use it.
TEST(LongDocument, EachFontIsEmbeddedOnceAsASubset) {
  core::TempDir dir;
  auto file = dir.path() / "long.pdf";
  const std::string words[] = {
      "Zamówienie", "nr",    "2026/12/0417", "—",           "Świętokrzyska",        "ŻÓŁTA",   "łódź,",
      "gęś;",       "jaźń!", "(netto)",      "1 234,56 zł", "Ąę Ćć Ńń Óó Śś Źź Żż", "#@%&*+=?"};
  Fixed fixed;
  {
    Document doc(file, fixed.options());
    for (int p = 0; p < 300; ++p) {
      Page& page = doc.begin_page({.width = 793.7, .height = 1122.5});
      for (int l = 0; l < 40; ++l) {
        std::string line = "Strona " + std::to_string(p + 1) + " wiersz " + std::to_string(l + 1) + ":";
        for (int w = 0; w < 6; ++w) line += " " + words[(p * 7 + l * 3 + w) % std::size(words)];
        page.text(shape(doc, liberation(kFaces[l % 3]), 10, 40, 40 + 25 * l, line));
      }
      doc.end_page();
    }
    doc.finish();
  }
  std::string pdf = core::read_file(file);
  std::cout << "300 pages, 12,000 lines: " << pdf.size() << " bytes\n";

  Command fonts = run("pdffonts " + shell_quoted(file));
  EXPECT_EQ(std::count(fonts.output.begin(), fonts.output.end(), '\n'), 2 + 3) << fonts.output;
  size_t files = 0;
  std::regex length1(R"(/Length1 (\d+))");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), length1); it != std::sregex_iterator(); ++it) {
    ++files;
    std::cout << "  embedded subset: " << (*it)[1] << " bytes\n";
    EXPECT_LT(std::stoul((*it)[1]), 80'000u) << "a subset, not the whole face (about 350 KB)";
  }
  EXPECT_EQ(files, 3u);
  EXPECT_LT(pdf.size(), 4'000'000u);
  // Every page uses the same three fonts: one resource dictionary serves them all.
  size_t resource_dictionaries = 0;
  for (size_t at = 0; (at = pdf.find("/ProcSet", at)) != std::string::npos; ++at) ++resource_dictionaries;
  EXPECT_EQ(resource_dictionaries, 1u);

  Command info = run("pdfinfo " + shell_quoted(file));
  EXPECT_TRUE(std::regex_search(info.output, std::regex("\nPages: +300\n"))) << info.output;
  Command page = run("pdftotext -enc UTF-8 -f 150 -l 150 " + shell_quoted(file) + " -");
  EXPECT_EQ(page.output.rfind("Strona 150 wiersz 1:", 0), 0u) << page.output.substr(0, 200);
  Command check = run("qpdf --check " + shell_quoted(file) + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output.substr(0, 500);
}

// Bad input is said plainly and leaves no file behind.
TEST(DocumentErrors, FontsThatCannotBeReadAreRefused) {
  core::TempDir dir;
  core::write_file_atomic(dir.path() / "not_a_font.ttf", "This is a text file, not a font.");
  Fixed fixed;
  std::ostringstream out;
  Document doc(out, fixed.options());
  struct Row {
    std::filesystem::path file;
    std::string message_start;
  } rows[] = {
      {dir.path() / "missing.ttf", "Nie można otworzyć pliku"},
      {dir.path() / "not_a_font.ttf", "TrueType font format error"},
  };
  for (const auto& r : rows) {
    try {
      doc.font({r.file, 0});
      ADD_FAILURE() << r.file << " accepted";
    } catch (const core::Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(r.message_start, 0), 0u) << e.what();
    }
  }
}

TEST(DocumentErrors, NoFileUnderTheNameUntilFinished) {
  core::TempDir dir;
  auto file = dir.path() / "raport.pdf";
  Fixed fixed;
  {
    Document doc(file, fixed.options());
    doc.begin_page({.width = 100, .height = 100});
    doc.end_page();
    EXPECT_FALSE(std::filesystem::exists(file)) << "a half-written file is never under the report's name";
  }  // dropped before finish(), as when drawing fails
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "nothing left behind";

  try {
    Document doc(dir.path() / "no_such_folder" / "raport.pdf", fixed.options());
    ADD_FAILURE() << "created";
  } catch (const core::Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind(
                  "Nie można utworzyć pliku \"" + (dir.path() / "no_such_folder").string(), 0),
              0u)
        << e.what();
  }
}

}  // namespace
}  // namespace orvena::exporting::pdf::test
