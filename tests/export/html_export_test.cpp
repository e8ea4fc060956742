// The HTML export over prepared pages: one document with a table per page, spans for objects
// over several cells, values shown as text, links, pictures in a folder beside the document or
// carried inside it, and a parse by html5lib (a reader that is not ours).
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

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
  HtmlExport html;
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
  HtmlExport html;
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

// Pages are written as they come, each on its own grid, while the head lists the styles of all
// of them: a look first seen on a later page still gets its class, and a look seen on every page
// gets one class only.
TEST_F(HtmlExportTest, TheHeadDefinesTheStylesOfEveryPage) {
  store.initialize();
  store.add_source_page(*page);
  store.begin_pass(report::PreparePass::Single);
  auto* a = static_cast<report::MemoView*>(band->find_object("A"));
  const report::Font plain = a->font();
  for (int p = 0; p < 3; ++p) {
    // Page 2 alone shows "a" bold and red.
    report::Font font = plain;
    font.style = p == 1 ? int64_t(report::kFontBold) : 0;
    font.color = p == 1 ? 0x0000FF : 0;
    a->set_font(font);
    store.add_page(*page);
    band->set_top(0);
    store.add_object(*band);
  }
  store.finish();
  auto dir = folder("html_styles");
  HtmlExport html;
  std::string doc = export_to(html, dir / "raport.html");

  std::map<std::string, std::string> rules;  // class number: its rule
  std::regex rule("\\.s(\\d+) \\{([^}]*)\\}");
  for (std::sregex_iterator i(doc.begin(), doc.end(), rule), end; i != end; ++i) {
    EXPECT_TRUE(rules.emplace((*i)[1], (*i)[2]).second) << "class defined twice: " << (*i)[1];
  }
  std::set<std::string> used;
  std::regex cell("class=\"s(\\d+)\"");
  for (std::sregex_iterator i(doc.begin(), doc.end(), cell), end; i != end; ++i) used.insert((*i)[1]);
  for (const std::string& c : used) EXPECT_TRUE(rules.contains(c)) << "class used but not defined: " << c;

  // The link cell "a", once per page, and what its class says.
  std::vector<std::string> a_classes;
  std::regex a_cell("class=\"s(\\d+)\"><a href=\"https://example.com/\\?a=1&amp;b=2\">a</a>");
  for (std::sregex_iterator i(doc.begin(), doc.end(), a_cell), end; i != end; ++i)
    a_classes.push_back((*i)[1]);
  ASSERT_EQ(a_classes.size(), 3u) << doc;
  EXPECT_EQ(a_classes[0], a_classes[2]);
  EXPECT_EQ(rules[a_classes[0]].find("bold"), std::string::npos);
  EXPECT_NE(rules[a_classes[1]].find("font-weight: bold;"), std::string::npos) << rules[a_classes[1]];
  EXPECT_NE(rules[a_classes[1]].find("color: #ff0000;"), std::string::npos) << rules[a_classes[1]];
  // Each page its own table, the later ones starting a printed page, in page order.
  EXPECT_EQ(count(doc, "<table"), 3u);
  EXPECT_EQ(count(doc, "class=\"page_break\""), 2u);
  EXPECT_LT(doc.find("name=\"PageN1\""), doc.find("name=\"PageN2\""));
  EXPECT_LT(doc.find("name=\"PageN2\""), doc.find("name=\"PageN3\""));

  // The same filter again leaves the first document be.
  export_to(html, dir / "drugi.html");
  EXPECT_EQ(read_file(dir / "raport.html"), doc);
}

// Each page's matrix numbers its styles from 0; the document numbers a look once.
TEST(HtmlStyleTable, ALookSeenOnSeveralPagesHasOneClass) {
  MatrixStyle plain, bold, framed;
  bold.font.style = report::kFontBold;
  framed.frame_sides = kMatrixLeft | kMatrixTop;
  LayoutMatrix first, second;
  first.find_or_add_style(plain);
  first.find_or_add_style(bold);
  second.find_or_add_style(framed);
  second.find_or_add_style(bold);
  second.find_or_add_style(plain);
  html::StyleTable table;
  EXPECT_EQ(table.classes_of(first), (std::vector<int>{0, 1}));
  EXPECT_EQ(table.classes_of(second), (std::vector<int>{2, 1, 0}));
  ASSERT_EQ(table.styles().size(), 3u);
  EXPECT_EQ(table.styles()[2], framed);
}

// Spaced-out letters keep their spacing in the style sheet (CSS pixels are report pixels).
TEST(HtmlStyleTable, CharacterSpacingBecomesLetterSpacing) {
  MatrixStyle spaced;
  spaced.char_spacing = 2.5;
  EXPECT_NE(html::style_rule(3, spaced).find(" letter-spacing: 2.50px;"), std::string::npos);
  spaced.char_spacing = 0;
  EXPECT_EQ(html::style_rule(3, spaced).find("letter-spacing"), std::string::npos);
}

// Into a stream: the same document as into a file, pictures carried inside it. A report with no
// page is still a whole document, with one empty table and no made-up width.
TEST_F(HtmlExportTest, IntoAStreamAndWithoutPages) {
  print(1);
  auto dir = folder("html_stream");
  HtmlExport html;
  html.options = HtmlExportOptions::runner();
  std::string doc = export_to(html, dir / "raport.html");
  std::ostringstream out;
  html.file_name.clear();
  html.stream = &out;
  ASSERT_TRUE(export_report(report, store, html));
  EXPECT_EQ(out.str(), doc);
  EXPECT_TRUE(html.files.empty());

  report::PreparedPages empty{report};
  empty.initialize();
  empty.finish();
  std::ostringstream none;
  html.stream = &none;
  ASSERT_TRUE(export_report(report, empty, html));
  EXPECT_TRUE(none.str().starts_with("<!DOCTYPE"));
  EXPECT_TRUE(none.str().ends_with("</body></html>\r\n"));
  EXPECT_NE(
      none.str().find("<a name=\"PageN1\"></a><table border=\"0\" cellspacing=\"0\" cellpadding=\"0\">\r\n"
                      "<tr style=\"height: 1px\"><td/></tr>\r\n</table>\r\n"),
      std::string::npos)
      << none.str();
}

TEST_F(HtmlExportTest, OneFilePerPageLinksPagesByFile) {
  static_cast<report::MemoView*>(band->find_object("C"))->hyperlink.value = "@2";
  print(2);
  auto dir = folder("html_pages");
  HtmlExport html;
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

// For reading in a browser: the document is a frameset of a page bar and the report, in one
// document or one file per page; file names that are not plain URL text still name their files.
TEST_F(HtmlExportTest, TheNavigatorFramesTheReportWithAPageBar) {
  print(2);
  struct Row {
    const char* name;
    bool multipage;
    std::string document, folder;
    std::string content;  // the content frame's src, as written
    std::string jump;     // how the bar sends the content frame to a page
  } rows[] = {
      {"one document", false, "raport.html", "raport.files", "raport.files/main.html",
       "parent.mainFrame.location.href = \"main.html\" + \"#PageN\" + page;"},
      {"a page a file", true, "raport.html", "raport.files", "raport.files/1.html",
       "parent.mainFrame.location.href = \"\" + page + \".html\";"},
      {"a name to encode", false, "raport #1.html", "raport #1.files", "raport%20%231.files/main.html",
       "parent.mainFrame.location.href = \"main.html\" + \"#PageN\" + page;"},
  };
  for (const Row& r : rows) {
    auto dir = folder("html_navigator");
    HtmlExport html;
    html.options.navigator = true;
    html.options.multipage = r.multipage;
    std::string top = export_to(html, dir / r.document);
    EXPECT_TRUE(top.starts_with("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\r\n"))
        << r.name;
    EXPECT_NE(top.find("<frameset rows=\"32,*\""), std::string::npos) << r.name;
    std::string folder_src = r.content.substr(0, r.content.find('/'));
    EXPECT_NE(top.find("<frame name=\"topFrame\" src=\"" + folder_src + "/nav.html\""), std::string::npos)
        << r.name << "\n"
        << top;
    EXPECT_NE(top.find("<frame name=\"mainFrame\" src=\"" + r.content + "\">"), std::string::npos) << r.name;

    std::string bar = read_file(dir / r.folder / "nav.html");
    EXPECT_NE(bar.find("var page = 1, pages = 2;"), std::string::npos) << r.name;
    EXPECT_NE(bar.find(r.jump), std::string::npos) << r.name << "\n" << bar;
    for (const char* button : {"Pierwsza", "Poprzednia", "Następna", "Ostatnia"})
      EXPECT_NE(bar.find(std::string("value=\"") + button + "\""), std::string::npos) << r.name << button;
    EXPECT_NE(bar.find("<span id=\"counter\">Strona 1 z 2</span>"), std::string::npos) << r.name;

    // The content lies beside the pictures and points at them from there.
    std::string first = read_file(dir / r.folder / (r.multipage ? "1.html" : "main.html"));
    EXPECT_NE(first.find("<img src=\"img0.png\""), std::string::npos) << r.name;
    EXPECT_EQ(count(first, "<table"), r.multipage ? 1u : 2u) << r.name;
    ASSERT_FALSE(html.files.empty());
    EXPECT_EQ(html.files.back(), dir / r.document) << r.name;
    for (const auto& f : html.files) EXPECT_TRUE(std::filesystem::exists(f)) << f;
  }
}

// The page background (colour, frame, picture) drawn into one picture behind the body; off, or
// with nothing to show, the body has no background.
TEST_F(HtmlExportTest, ThePageBackgroundIsTheBodysPicture) {
  page->color = 0x00E0FF;  // a yellow page
  print(1);
  auto dir = folder("html_background");
  HtmlExport html;
  html.options.background = true;
  std::string doc = export_to(html, dir / "raport.html");
  EXPECT_NE(doc.find("<body background=\"raport.files/backgrnd.png\" bgcolor=\"#FFFFFF\""),
            std::string::npos);
  std::string png = read_file(dir / "raport.files" / "backgrnd.png");
  ASSERT_TRUE(png.starts_with("\x89PNG"));
  EXPECT_NE(std::find(html.files.begin(), html.files.end(), dir / "raport.files" / "backgrnd.png"),
            html.files.end());
  // A4 at 96 dpi: the picture is the page, not the margins' box.
  auto size = orvena::test::run_python(
      dir,
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1]).convert('RGB')\n"
      "print(im.size[0], im.size[1], *im.getpixel((im.size[0] // 2, im.size[1] // 2)))",
      "'" + (dir / "raport.files" / "backgrnd.png").string() + "'");
  ASSERT_EQ(size.status, 0) << size.output;
  EXPECT_EQ(size.output, "794 1123 255 224 0\n");

  html.options.pictures = HtmlPictures::Embedded;
  doc = export_to(html, dir / "osadzony.html");
  EXPECT_NE(doc.find("<body background=\"data:image/png;base64,iVBORw0KGgo"), std::string::npos);

  html.options.background = false;
  doc = export_to(html, dir / "bez.html");
  EXPECT_NE(doc.find("<body bgcolor=\"#FFFFFF\" text=\"#000000\">"), std::string::npos);
  page->color = report::kNoColor;
  print(1);
  html.options.background = true;
  doc = export_to(html, dir / "pusty.html");
  EXPECT_NE(doc.find("<body bgcolor=\"#FFFFFF\" text=\"#000000\">"), std::string::npos);
}

}  // namespace
}  // namespace orvena::exporting
