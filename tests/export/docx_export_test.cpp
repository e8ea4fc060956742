// The DOCX export over prepared pages, read back by Python's zipfile (the parts as written) and
// python-docx (a reader that is not ours): a table per page with section breaks, merged cells,
// turned text, escaped values, line breaks and pictures with their relationships; and how the
// file writers report a full disk.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/error.h"
#include "export/docx_export.h"
#include "export/html_export.h"
#include "export/tiff_export.h"
#include "export/xlsx_export.h"
#include "external_reader.h"
#include "table_page.h"

namespace orvena::exporting {
namespace {

using test::read_file;

// Prints the package's part names, then each asked part, then every table's cell texts as
// python-docx reads them; each section ends with a line "====".
constexpr const char* kReader = R"(
import sys, zipfile, docx
z = zipfile.ZipFile(sys.argv[1])
print("\n".join(z.namelist())); print("====")
for part in sys.argv[2:]:
    print(z.read(part).decode("utf-8")); print("====")
d = docx.Document(sys.argv[1])
for t in d.tables:
    for row in t.rows:
        print("|".join(c.text for c in row.cells))
    print("----")
print("====")
)";

struct Package {
  std::vector<std::string> sections;
  const std::string& names() const { return sections.at(0); }
  const std::string& part(size_t i) const { return sections.at(1 + i); }
  const std::string& tables() const { return sections.back(); }
};

Package read_package(const std::filesystem::path& file, const std::vector<std::string>& parts) {
  std::string args = "'" + file.string() + "'";
  for (const auto& p : parts) args += " '" + p + "'";
  auto r = orvena::test::run_python(file.parent_path(), kReader, args);
  EXPECT_EQ(r.status, 0) << r.output;
  Package p;
  size_t at = 0;
  for (size_t end; (end = r.output.find("====\n", at)) != std::string::npos; at = end + 5)
    p.sections.push_back(r.output.substr(at, end - at));
  EXPECT_EQ(p.sections.size(), parts.size() + 2) << r.output;
  p.sections.resize(parts.size() + 2);
  return p;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

class DocxExportTest : public test::TablePage {};

TEST_F(DocxExportTest, EachPageIsATableWithItsSectionMergedCellsAndPictures) {
  print(2);
  auto file = folder("docx") / "raport.docx";
  DocxExport docx;
  docx.show_dialog = false;
  docx.file_name = file;
  ASSERT_TRUE(export_report(report, store, docx)) << (report.errors().empty() ? "" : report.errors()[0]);
  // scripts/look-at-table-exports.sh keeps the file for LibreOffice to convert.
  if (const char* keep = std::getenv("ORVENA_KEEP_DOCX"))
    std::filesystem::copy_file(file, keep, std::filesystem::copy_options::overwrite_existing);

  Package p =
      read_package(file, {"word/document.xml", "word/_rels/document.xml.rels", "[Content_Types].xml"});
  const std::string& xml = p.part(0);
  for (const char* name : {"word/document.xml", "word/styles.xml", "word/settings.xml", "word/fontTable.xml",
                           "docProps/core.xml", "docProps/app.xml", "_rels/.rels", "word/media/image1.png"})
    EXPECT_NE(p.names().find(name), std::string::npos) << name;

  // Two tables; between them one paragraph carrying page 1's section, then the last section.
  // Margins 15, 12, 10 and 8 mm: × 56.79 gives 852, 681, 568 and 454.
  EXPECT_EQ(count(xml, "<w:tbl>"), 2u);
  const std::string section =
      "<w:sectPr><w:pgSz w:w=\"11926\" w:h=\"16867\"/><w:pgMar w:top=\"681\" w:right=\"568\" "
      "w:bottom=\"454\" "
      "w:left=\"852\"";
  EXPECT_EQ(count(xml, section), 2u);
  size_t first_table_end = xml.find("</w:tbl>"), second_table = xml.find("<w:tbl>", first_table_end);
  size_t break_at = xml.find(section, first_table_end);
  EXPECT_LT(break_at, second_table);
  EXPECT_NE(xml.find("</w:tbl><w:p/>" + section), std::string::npos);

  // The header over three columns and two rows: a restarting and a continuing merged cell.
  EXPECT_EQ(count(xml, "<w:gridSpan w:val=\"3\"/><w:vMerge w:val=\"restart\"/>"), 2u);
  EXPECT_TRUE(std::regex_search(xml, std::regex("<w:gridSpan w:val=\"3\"/><w:vMerge/>(?:(?!</w:tc>).)*"
                                                "<w:ind w:left=\"15\"/><w:jc w:val=\"center\"/>"
                                                "<w:rPr>(?:(?!</w:tc>).)*</w:rPr></w:pPr></w:p></w:tc>")))
      << "the continuing cell holds no run";
  EXPECT_EQ(count(xml, ">Sprzedaż</w:t>"), 2u);  // once per page, in the first cell only
  EXPECT_NE(xml.find("<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"E0E0E0\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<w:textDirection w:val=\"btLr\" />"), std::string::npos);
  EXPECT_NE(xml.find("<w:top w:val=\"dashed\" w:sz=\"4\" w:space=\"0\" w:color=\"FF0000\"/>"),
            std::string::npos);
  // Markup in a value is text; three lines are three runs with two breaks.
  EXPECT_NE(xml.find("<w:t>&lt;script&gt;alert(1)&lt;/script&gt; &amp; Co</w:t>"), std::string::npos);
  EXPECT_TRUE(
      std::regex_search(xml, std::regex("<w:t>jeden</w:t></w:r><w:r><w:rPr>.*?</w:rPr><w:br/><w:t>dwa</"
                                        "w:t></w:r><w:r><w:rPr>.*?</w:rPr><w:br/><w:t>trzy</w:t>")));
  // The same logo on both pages: two drawings of one media file, declared as PNG.
  EXPECT_EQ(count(xml, "<a:blip r:embed=\"picId1\"/>"), 2u);
  // A picture's line is single spaced: a closer line would cut off its top.
  EXPECT_EQ(count(xml, "w:line=\"240\" w:lineRule=\"auto\"/><w:ind"), 2u);
  // 48 pixels: 744 twips wide less the cell margins and indent (45), 696 high less the
  // paragraph's 29 before the picture.
  EXPECT_NE(xml.find("<wp:extent cx=\"443865\" cy=\"423545\"/>"), std::string::npos);
  EXPECT_NE(p.part(1).find("Id=\"picId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                           "relationships/image\" Target=\"media/image1.png\""),
            std::string::npos);
  EXPECT_NE(p.part(2).find("<Default Extension=\"png\" ContentType=\"image/png\"/>"), std::string::npos);

  // python-docx sees both tables and every text.
  EXPECT_EQ(count(p.tables(), "----"), 2u) << p.tables();
  for (const char* text : {"Sprzedaż|Sprzedaż|Sprzedaż|S1|S1|Region", "a|b|c",
                           "<script>alert(1)</script> & Co", "jeden\ndwa\ntrzy"})
    EXPECT_NE(p.tables().find(text), std::string::npos) << text << " in\n" << p.tables();
}

// A picture in every row must not make a media file per row: each distinct picture is stored
// once, while every drawing keeps an id of its own.
TEST_F(DocxExportTest, EqualPicturesShareOneMediaFile) {
  MatrixPicture green;
  green.width = green.height = 4;
  for (int i = 0; i < 16; ++i) green.rgba.insert(green.rgba.end(), {30, 200, 30, 255});
  auto* stamp = band->add_new<report::PictureView>();
  stamp->set_name("Stamp");
  stamp->set_bounds(0, 80, 48, 48);
  stamp->picture.kind = report::PictureKind::Png;
  stamp->picture.bytes = green.png();
  print(3);
  auto file = folder("docx-pictures") / "raport.docx";
  DocxExport docx;
  docx.show_dialog = false;
  docx.file_name = file;
  ASSERT_TRUE(export_report(report, store, docx)) << (report.errors().empty() ? "" : report.errors()[0]);

  Package p = read_package(file, {"word/document.xml", "word/_rels/document.xml.rels"});
  EXPECT_EQ(count(p.names(), "word/media/"), 2u) << p.names();
  EXPECT_EQ(count(p.part(1), "relationships/image\""), 2u) << p.part(1);
  const std::string& xml = p.part(0);
  EXPECT_EQ(count(xml, "<a:blip r:embed=\"picId1\"/>"), 3u);
  EXPECT_EQ(count(xml, "<a:blip r:embed=\"picId2\"/>"), 3u);
  std::set<std::string> ids;
  std::regex doc_pr("<wp:docPr id=\"(\\d+)\"");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), doc_pr); it != std::sregex_iterator(); ++it)
    ids.insert((*it)[1]);
  EXPECT_EQ(ids.size(), 6u);

  // python-docx finds six pictures, three of each.
  auto r = orvena::test::run_python(file.parent_path(), R"(import sys, docx
d = docx.Document(sys.argv[1])
parts = [d.part.related_parts[s._inline.graphic.graphicData.pic.blipFill.blip.embed].partname for s in d.inline_shapes]
print(len(parts), sorted(set(parts)))
)",
                                    "'" + file.string() + "'");
  EXPECT_EQ(r.output, "6 ['/word/media/image1.png', '/word/media/image2.png']\n") << r.output;
}

TEST_F(DocxExportTest, AReportWithoutPagesIsStillADocument) {
  store.initialize();
  store.finish();
  auto file = folder("docx_empty") / "pusty.docx";
  DocxExport docx;
  docx.show_dialog = false;
  docx.file_name = file;
  ASSERT_TRUE(export_report(report, store, docx));
  Package p = read_package(file, {"word/document.xml"});
  EXPECT_TRUE(
      p.part(0).ends_with("<w:body><w:p/><w:sectPr><w:pgSz w:w=\"11926\" w:h=\"16867\"/>"
                          "<w:pgMar w:top=\"568\" w:right=\"568\" w:bottom=\"568\" w:left=\"568\" "
                          "w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/><w:cols w:space=\"720\"/>"
                          "<w:noEndnote/></w:sectPr></w:body></w:document>\n"))
      << p.part(0);
  EXPECT_EQ(p.tables(), "");
}

// Both table writers: a target that cannot be written fails the export and leaves nothing, also
// when the walk fails half way.
TEST_F(DocxExportTest, TableWritersFailLoudlyAndLeaveNoFile) {
  print(2);
  auto dir = folder("unwritable");
  struct Row {
    const char* name;
    std::filesystem::path file;
  } rows[] = {{"missing folder", dir / "brak" / "raport"}, {"a folder in the way", dir}};
  for (const Row& r : rows) {
    DocxExport docx;
    HtmlExport html;
    for (ExportFilter* f : std::initializer_list<ExportFilter*>{&docx, &html}) {
      report.clear_errors();
      f->show_dialog = false;
      f->file_name = r.file;
      EXPECT_FALSE(export_report(report, store, *f)) << r.name;
      EXPECT_EQ(report.errors().size(), 1u) << r.name;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "brak"));

  struct FailingDocx : DocxExport {
    void start_page(report::ReportPage& page, int index) override {
      if (index == 1) throw core::Error("Błąd zapisu");
      DocxExport::start_page(page, index);
    }
  } docx;
  struct FailingHtml : HtmlExport {
    void start_page(report::ReportPage& page, int index) override {
      if (index == 1) throw core::Error("Błąd zapisu");
      HtmlExport::start_page(page, index);
    }
  } html;
  auto failing = folder("failing");
  docx.file_name = failing / "raport.docx";
  html.file_name = failing / "raport.html";
  for (ExportFilter* f : std::initializer_list<ExportFilter*>{&docx, &html}) {
    f->show_dialog = false;
    EXPECT_FALSE(export_report(report, store, *f));
  }
  EXPECT_TRUE(std::filesystem::is_empty(failing));
}

// A full disk: the message names the file and what the system said, and nothing is left. The
// writers write beside the target first, so that file is made a link to /dev/full.
TEST_F(DocxExportTest, AFullDiskIsReportedWithTheFileAndTheReason) {
  print(2);
  auto dir = folder("full");
  DocxExport docx;
  XlsxExport xlsx;
  xlsx.options = XlsxExportOptions::runner(SheetSplit::SingleSheet);
  TiffExport tiff;
  tiff.options = TiffExportOptions::runner();
  struct Row {
    ExportFilter* filter;
    const char* name;
  } rows[] = {{&docx, "raport.docx"}, {&xlsx, "raport.xlsx"}, {&tiff, "raport.tif"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto target = dir / r.name;
    std::filesystem::create_symlink("/dev/full", dir / (std::string(r.name) + ".part"));
    report.clear_errors();
    r.filter->show_dialog = false;
    r.filter->file_name = target;
    EXPECT_FALSE(export_report(report, store, *r.filter));
    ASSERT_EQ(report.errors().size(), 1u);
    EXPECT_EQ(report.errors()[0],
              "Nie można zapisać pliku \"" + target.string() + "\". No space left on device");
  }
  std::string left;
  for (const auto& e : std::filesystem::directory_iterator(dir)) left += e.path().filename().string() + " ";
  EXPECT_EQ(left, "");
}

}  // namespace
}  // namespace orvena::exporting
