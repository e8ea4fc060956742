// The HTML export over prepared pages: one document with a table per page, spans for objects
// over several cells, values shown as text, links, pictures in a folder beside the document or
// carried inside it, and a parse by html5lib (a reader that is not ours).
#include <gtest/gtest.h>

#include <regex>

#include "export/html_export.h"
#include "external_reader.h"
#include "table_page.h"

namespace orvena::exporting {
namespace {

using test::read_file;

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

// html5lib's parse errors, one a line, and the text of every table cell ("|" between cells).
constexpr const char* kReader = R"(
import sys, html5lib
p = html5lib.HTMLParser(tree=html5lib.getTreeBuilder("etree"), namespaceHTMLElements=False)
doc = p.parse(open(sys.argv[1], "rb"), transport_encoding="utf-8")
for pos, code, data in p.errors:
    print("error", code)
for row in doc.iter("tr"):
    print("|".join("".join(td.itertext()) for td in row.findall("td")))
)";

class HtmlExportTest : public test::TablePage {
 protected:
  void SetUp() override {
    TablePage::SetUp();
    static_cast<report::MemoView*>(band->find_object("A"))->hyperlink.value = "https://example.com/?a=1&b=2";
    static_cast<report::MemoView*>(band->find_object("B"))->hyperlink.value = "javascript:alert(1)";
  }
  std::string export_to(HtmlExport& html, const std::filesystem::path& file) {
    html.show_dialog = false;
    html.file_name = file;
    EXPECT_TRUE(export_report(report, store, html)) << (report.errors().empty() ? "" : report.errors()[0]);
    return read_file(file);
  }
};

TEST_F(HtmlExportTest, OneDocumentWithATablePerPageAndPicturesInAFolder) {
  print(2);
  auto dir = folder("html");
  HtmlExport html(ExportFilter::kNoRegister);
  html.options.document.url_target = "_blank";
  std::string doc = export_to(html, dir / "raport.html");

  EXPECT_TRUE(doc.starts_with("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"));
  EXPECT_EQ(count(doc, "<table"), 2u);
  EXPECT_NE(doc.find("</table>\r\n<a name=\"PageN2\"></a><table width=\""), std::string::npos);
  EXPECT_TRUE(std::regex_search(doc, std::regex("<a name=\"PageN2\"></a><table [^>]*class=\"page_break\">")));
  EXPECT_NE(doc.find(".page_break {page-break-before: always;}"), std::string::npos);
  // The header over three columns and two rows; the row below it has no cells of its own there.
  EXPECT_TRUE(
      std::regex_search(doc, std::regex("<td colspan=\"3\" rowspan=\"2\" class=\"s\\d+\">Sprzedaż</td>")));
  // Values are text, the link keeps its query and target, a script link is not written.
  EXPECT_NE(doc.find(">&lt;script&gt;alert(1)&lt;/script&gt; &amp; Co</td>"), std::string::npos);
  EXPECT_EQ(doc.find("<script"), std::string::npos);
  EXPECT_NE(doc.find("<a href=\"https://example.com/?a=1&amp;b=2\" target=\"_blank\">a</a>"),
            std::string::npos);
  EXPECT_EQ(doc.find("javascript:"), std::string::npos);
  EXPECT_NE(doc.find(">jeden<br>dwa<br>trzy</td>"), std::string::npos);

  // The logo and the turned text are pictures in "raport.files", each page its own.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(doc, m, std::regex("<img src=\"raport.files/img0.png\" width=\"(\\d+)\"")));
  EXPECT_EQ(count(doc, "<img src=\"raport.files/img"), 4u);
  ASSERT_EQ(html.files.size(), 5u);
  EXPECT_EQ(html.files.back(), dir / "raport.html");
  for (size_t i = 0; i + 1 < html.files.size(); ++i) {
    EXPECT_EQ(html.files[i].parent_path(), dir / "raport.files");
    EXPECT_EQ(read_file(html.files[i]).substr(0, 4), "\x89PNG");
  }

  auto parsed = orvena::test::run_python(dir, kReader, "'" + (dir / "raport.html").string() + "'");
  ASSERT_EQ(parsed.status, 0) << parsed.output;
  // Two complaints do not matter: an HTML5 parser does not know the HTML 4.01 document type,
  // and reads an empty cell written "<td/>" as an opened cell, which the next one closes.
  std::string errors;
  std::istringstream lines(parsed.output);
  for (std::string l; std::getline(lines, l);)
    if (l.starts_with("error") && l != "error unknown-doctype" &&
        l != "error non-void-element-with-trailing-solidus")
      errors += l + "\n";
  EXPECT_EQ(errors, "");
  EXPECT_NE(parsed.output.find("\n<script>alert(1)</script> & Co|"), std::string::npos) << parsed.output;
}

TEST_F(HtmlExportTest, TheRunnersDocumentCarriesItsPicturesAndStandsAlone) {
  print(1);
  auto dir = folder("html_runner");
  HtmlExport html(ExportFilter::kNoRegister);
  html.options = HtmlExportOptions::runner();
  std::string doc = export_to(html, dir / "raport.html");
  EXPECT_EQ(count(doc, "<img src=\"data:image/png;base64,iVBORw0KGgo"), 2u);
  EXPECT_EQ(html.files, std::vector<std::filesystem::path>{dir / "raport.html"});
  EXPECT_FALSE(std::filesystem::exists(dir / "raport.files"));

  // The same filter again: a second document, just as whole.
  std::string again = export_to(html, dir / "drugi.html");
  EXPECT_EQ(count(again, "<!DOCTYPE"), 1u);
  EXPECT_EQ(count(again, "</html>"), 1u);
  EXPECT_EQ(again, doc);
}

TEST_F(HtmlExportTest, OneFilePerPageLinksPagesByFile) {
  static_cast<report::MemoView*>(band->find_object("C"))->hyperlink.value = "@2";
  print(2);
  auto dir = folder("html_pages");
  HtmlExport html(ExportFilter::kNoRegister);
  html.options.multipage = true;
  html.show_dialog = false;
  html.file_name = dir / "raport.html";
  ASSERT_TRUE(export_report(report, store, html));
  for (const char* page : {"1.html", "2.html"}) {
    std::string doc = read_file(dir / "raport.files" / page);
    EXPECT_EQ(count(doc, "<table"), 1u) << page;
    EXPECT_NE(doc.find("<a href=\"2.html\">c</a>"), std::string::npos) << page;
    // Pictures lie beside the page that shows them.
    EXPECT_NE(doc.find("<img src=\"img"), std::string::npos) << page;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "raport.html"));
}

}  // namespace
}  // namespace orvena::exporting
