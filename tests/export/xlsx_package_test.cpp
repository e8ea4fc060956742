// The XLSX package parts: exact strings for the pieces, and whole workbooks read back by
// openpyxl, unzip and xmllint, which are not ours.
#include "export/xlsx/package.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/error.h"
#include "core/line_file.h"
#include "core/temp_dir.h"
#include "export/external_reader.h"
#include "export/xlsx/page_grid.h"
#include "export/xlsx/styles.h"
#include "export/zip/zip_writer.h"

namespace orvena::exporting::xlsx {
namespace {

using test::run_command;
using test::run_python;

const core::DateTime kStamp = core::encode_date(2026, 12, 10) + core::encode_time(14, 37, 58);

// The smallest valid PNG: one white pixel.
const std::string kPixelPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01"
    "\x08\x02\x00\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\xf8\xff\xff\x3f"
    "\x00\x05\xfe\x02\xfe\x0d\xef\x46\xb8\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);

TEST(XlsxCellNames, ColumnsCountInBase26WithoutZero) {
  struct Case {
    uint32_t column;
    const char* name;
  };
  // 26 follows Z as AA and 702 follows ZZ: there is no zero digit. XFD is the last column.
  for (Case c : {Case{0, "A"},
                 {25, "Z"},
                 {26, "AA"},
                 {27, "AB"},
                 {51, "AZ"},
                 {52, "BA"},
                 {701, "ZZ"},
                 {702, "AAA"},
                 {16383, "XFD"}})
    EXPECT_EQ(column_name(c.column), c.name) << c.column;
  EXPECT_EQ(cell_name(2, 0), "C1");
  EXPECT_EQ(cell_name(27, 99), "AB100");
}

TEST(XlsxNumberFormats, ReportPatternsBecomeFormatCodes) {
  struct Case {
    const char* pattern;
    const char* code;
  };
  for (Case c : {
           Case{"%2.2f", "0.00"},     // precision, not the position of the point, counts decimals
           {"%.3n", "#,##0.000"},     // thousands grouping
           {"%n", "#,##0.00"},        // no precision: two decimals as the report shows them
           {"%2.0f", "0"},            // no decimals, no point
           {"%2.2m", "#,##0.00"},     // money: grouped
           {"%d", "0"},               // whole numbers
           {"%.4e", "0.0000E+00"},    // scientific
           {"%g", ""},                // general: the spreadsheet's own
           {"#,##0.00", "#,##0.00"},  // a picture format is a format code already
           {"%s", "#,##0.00"},        // anything else
       })
    EXPECT_EQ(number_format_code(c.pattern), c.code) << c.pattern;
}

TEST(XlsxPalette, NewColoursJoinUntilFullThenTheNearestIsTaken) {
  Palette p;
  EXPECT_EQ(p.index_of(0xFF0000), 4);  // red is a base colour
  for (uint32_t i = 0; p.colours().size() < Palette::kMaxColours; ++i) p.index_of(0x102030 + i * 0x10000);
  ASSERT_EQ(p.colours().size(), 56u);
  // 0xFFFF01 differs from yellow (index 7) in one bit only.
  EXPECT_EQ(p.index_of(0xFFFF01), 7);
  EXPECT_EQ(p.colours().size(), 56u);
}

TEST(XlsxStyles, EqualFormatsShareEntriesAfterTheBaseOnes) {
  StyleTable t;
  CellFormat plain;
  CellFormat bold = plain;
  bold.bold = true;
  bold.sides[0] = {true, BorderStyle::Dashed, 0x123456};
  CellFormat money = plain;
  money.number = NumberKind::Numeric;
  money.number_pattern = "%2.2n";
  money.fill_rgb = 0xFFFF00;

  EXPECT_EQ(t.cell_format(plain), 1);  // 0 is the base format
  EXPECT_EQ(t.cell_format(bold), 2);
  EXPECT_EQ(t.cell_format(money), 3);
  EXPECT_EQ(t.cell_format(bold), 2);
  EXPECT_EQ(t.font_count(), 3u);    // base, plain, bold
  EXPECT_EQ(t.fill_count(), 3u);    // none, gray125, yellow
  EXPECT_EQ(t.border_count(), 2u);  // the empty border serves plain and money

  std::string xml = t.xml();
  EXPECT_NE(xml.find(R"(<numFmt numFmtId="166" formatCode="#,##0.00"/>)"), std::string::npos) << xml;
  EXPECT_NE(xml.find(R"(<left style="dashed"><color rgb="FF123456"/></left>)"), std::string::npos) << xml;
  EXPECT_NE(xml.find(R"(<fgColor indexed="7"/>)"), std::string::npos) << xml;
  EXPECT_NE(xml.find(R"(<xf numFmtId="166" fontId="1" fillId="2" borderId="0")"), std::string::npos) << xml;
}

TEST(XlsxStyles, RotationBecomesATextRotationReadersAccept) {
  struct Case {
    int rotation;
    const char* attribute;  // empty: none
  };
  // 0..90 counter-clockwise as they are; a clockwise turn is 90 + its angle, at most 180.
  for (Case c : {Case{0, ""},
                 {45, R"( textRotation="45")"},
                 {90, R"( textRotation="90")"},
                 {180, ""},
                 {270, R"( textRotation="180")"},
                 {300, R"( textRotation="150")"},
                 {359, R"( textRotation="91")"}}) {
    StyleTable t;
    CellFormat f;
    f.rotation = c.rotation;
    t.cell_format(f);
    std::string xml = t.xml();
    size_t at = xml.find(R"(wrapText="0")");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(xml.substr(at + 12, xml.find(" readingOrder", at) - at - 12), c.attribute) << c.rotation;
  }
}

TEST(XlsxSharedStrings, EqualTextsShareAnIndex) {
  SharedStrings s;
  EXPECT_EQ(s.add("a"), 0u);
  EXPECT_EQ(s.add("b"), 1u);
  EXPECT_EQ(s.add("a"), 0u);
  EXPECT_EQ(s.add(""), 2u);
  // Past several regrowths of the index; a text past a cell's limit is kept cut to it.
  std::string big(3 << 20, 'x');
  EXPECT_EQ(s.add(big), 3u);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(s.add("t" + std::to_string(i)), uint32_t(4 + i));
  for (int i = 0; i < 100000; i += 997) ASSERT_EQ(s.add("t" + std::to_string(i)), uint32_t(4 + i));
  EXPECT_EQ(s.add(big), 3u);
  EXPECT_EQ(s.at(1), "b");
  EXPECT_EQ(s.at(3), std::string(SharedStrings::kMaxCharacters - 1, 'x') + "…");
  EXPECT_EQ(s.unique_count(), 100004u);
}

class XlsxPackageTest : public ::testing::Test {
 protected:
  core::TempDir m_dir;
  std::filesystem::path book() const { return m_dir.path() / "book.xlsx"; }

  // Every part well formed, the archive clean.
  void expect_clean_package() {
    auto tested = run_command("unzip -t " + book().string());
    EXPECT_EQ(tested.status, 0) << tested.output;
    std::filesystem::path parts = m_dir.path() / "parts";
    auto unpacked = run_command("unzip -q -o " + book().string() + " -d " + parts.string());
    ASSERT_EQ(unpacked.status, 0) << unpacked.output;
    for (const auto& e : std::filesystem::recursive_directory_iterator(parts)) {
      std::string ext = e.path().extension().string();
      // "_rels/.rels" has no extension: the whole name is one.
      if (ext != ".xml" && ext != ".rels" && e.path().filename() != ".rels") continue;
      auto lint = run_command("xmllint --noout '" + e.path().string() + "'");
      EXPECT_EQ(lint.status, 0) << e.path() << lint.output;
    }
  }
};

// Two sheets with texts, numbers, a merge, row breaks and a picture, as openpyxl sees them.
TEST_F(XlsxPackageTest, WorkbookIsReadBackByOpenpyxl) {
  {
    Package p(book(), kStamp);
    CellFormat bold;
    bold.bold = true;
    bold.fill_rgb = 0x00FF00;
    int xf_bold = p.styles().cell_format(bold);
    CellFormat money;
    money.number = NumberKind::Numeric;
    money.number_pattern = "%2.2n";
    money.halign = HorizontalAlign::Right;
    int xf_money = p.styles().cell_format(money);

    std::string picture = p.add_picture(1, kPixelPng);
    EXPECT_EQ(picture, "image-s1-p1.png");
    SheetWriter& s = p.begin_sheet();
    CellRange used{0, 0, 2, 2};
    s.begin(&used, {100, 50, 20});
    s.begin_row(0, 20);
    s.string_cell(0, xf_bold, p.strings().add("Zażółć <gęślą> & \"jaźń\""));
    s.string_cell(1, xf_bold, p.strings().add("Zażółć <gęślą> & \"jaźń\""));
    s.string_cell(2, 0, p.strings().add(" spaced "));
    s.end_row();
    s.merge({0, 0, 0, 1});
    s.begin_row(2, 15);
    s.number_cell(0, xf_money, 1234.5);
    s.number_cell(1, xf_money, -0.1);
    s.number_cell(2, xf_money, 100000);  // digits, not the shorter "1e+05"
    s.end_row();
    p.end_sheet(
        {.left_mm = 25.4, .paper_size = 9, .landscape = true, .row_breaks = {2}, .write_row_breaks = true},
        {{0, 1, 1, 2, picture}});

    SheetWriter& s2 = p.begin_sheet();
    CellRange used2{0, 0, 0, 0};
    s2.begin(&used2, {80});
    s2.begin_row(0, 15);
    s2.string_cell(0, 0, p.strings().add("druga"));
    s2.end_row();
    p.end_sheet({}, {});
    p.finish();
  }
  expect_clean_package();
  auto out = run_python(m_dir.path(), R"PY(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames)
ws = wb["Page 1"]
print(repr(ws["A1"].value), repr(ws["C1"].value), ws["A1"].font.b, [str(r) for r in ws.merged_cells.ranges])
print(ws["A3"].value, ws["B3"].value, repr(ws["C3"].value), ws["A3"].number_format, ws["A3"].alignment.horizontal)
print(round(ws.column_dimensions["A"].width, 2), ws.row_dimensions[1].height)
print(ws.page_setup.orientation, ws.page_margins.left, [b.id for b in ws.row_breaks.brk])
print(len(ws._images), wb["Page 2"]["A1"].value)
import re, zipfile
sst = zipfile.ZipFile(sys.argv[1]).read("xl/sharedStrings.xml").decode()
print(re.search(r'count="(\d+)" uniqueCount="(\d+)"', sst).groups())
)PY",
                        book().string());
  ASSERT_EQ(out.status, 0) << out.output;
  EXPECT_EQ(out.output,
            "['Page 1', 'Page 2']\n"
            "'Zażółć <gęślą> & \"jaźń\"' ' spaced ' True ['A1:B1']\n"
            "1234.5 -0.1 100000 #,##0.00 right\n"
            "11.13 15.09934\n"
            "landscape 1.0 [2]\n"
            "1 druga\n"
            "('4', '3')\n");  // four string cells, three distinct texts
}

// Texts a cell must give back as they were: control characters XML cannot carry (written
// "_xHHHH_"), a text that looks like that form, tabs and line breaks, and a link whose target
// holds a line break (an attribute, where a raw one reads back as a blank). A text past a
// cell's 32,767 characters (UTF-16 units) is cut to fit, ending in "…": longer ones make the
// spreadsheet programs repair the workbook.
TEST_F(XlsxPackageTest, TextsReadBackAsWritten) {
  std::string polish;
  for (int i = 0; i < 20000; ++i) polish += "ż";
  const std::string texts[] = {
      "a\x01"
      "b\x1F\x0B"
      "c",                                     // A1
      "_x0041_ i _x00e9_",                     // A2: taken for the escaped form unless escaped
      "x\ty\nz",                               // A3
      polish + std::string(20000, 'a'),        // A4: 40,000 units
      std::string(32767, 'a'),                 // A5: just fits
      std::string(32766, 'a') + "\U0001F600",  // A6: the pair would pass the limit
  };
  {
    Package p(book(), kStamp);
    SheetWriter& s = p.begin_sheet();
    s.begin(nullptr, {});
    for (uint32_t row = 0; row < std::size(texts); ++row) {
      s.begin_row(row, 15);
      s.string_cell(0, 0, p.strings().add(texts[row]));
      s.end_row();
    }
    s.hyperlink({0, 0, 0, 0}, "https://example.com/raport?a=1\nb=2");
    p.end_sheet({}, {});
    p.finish();
  }
  expect_clean_package();
  // openpyxl leaves the "_xHHHH_" forms to its own unescape().
  auto out = run_python(m_dir.path(), R"PY(import sys, openpyxl
from openpyxl.utils.escape import unescape
ws = openpyxl.load_workbook(sys.argv[1]).active
print(repr(unescape(ws["A1"].value)), repr(ws["A1"].hyperlink.target))
print(repr(ws["A2"].value), repr(ws["A3"].value))
for c in ("A4", "A5", "A6"):
    v = ws[c].value
    print(len(v.encode("utf-16-le")) // 2, repr(v[:2]), repr(v[-2:]))
)PY",
                        book().string());
  ASSERT_EQ(out.status, 0) << out.output;
  EXPECT_EQ(out.output,
            "'a\\x01b\\x1f\\x0bc' 'https://example.com/raport?a=1\\nb=2'\n"
            "'_x0041_ i _x00e9_' 'x\\ty\\nz'\n"
            "32767 'żż' 'a…'\n"
            "32767 'aa' 'aa'\n"
            "32767 'aa' 'a…'\n");

  // LibreOffice decodes the forms itself.
  if (run_command("command -v soffice").status != 0)
    GTEST_SKIP() << "LibreOffice (soffice) is not installed; scripts/install-deps.sh installs it";
  auto csv = m_dir.path() / "csv";
  auto converted =
      run_command("soffice -env:UserInstallation=file://" + (m_dir.path() / "lo").string() +
                  " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir " +
                  test::shell_quoted(csv) + " " + test::shell_quoted(book()));
  ASSERT_EQ(converted.status, 0) << converted.output;
  std::string rows = core::read_file(csv / "book.csv");
  EXPECT_EQ(rows.substr(0, rows.find("\"x")), std::string("a\x01"
                                                          "b\x1F\x0B"
                                                          "c\n_x0041_ i _x00e9_\n"));
}

TEST_F(XlsxPackageTest, WorkbookWithoutRowsStillOpens) {
  {
    Package p(book(), kStamp);
    p.finish();
  }
  expect_clean_package();
  auto out = run_python(m_dir.path(), R"PY(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames, wb.active.max_row)
)PY",
                        book().string());
  EXPECT_EQ(out.output, "['Page 1'] 1\n") << out.output;
}

// The rows as the sheet holds them: a row's start tag goes out with its first cell, a row
// without cells is an empty element, and each row has its own height.
TEST(XlsxSheetRows, RowsWithAndWithoutCells) {
  std::ostringstream bytes;
  {
    zip::ZipWriter zip(bytes, {});
    zip::EntryWriter& entry = zip.begin_entry("sheet.xml", zip::Method::stored);
    SheetWriter s(entry);
    s.begin(nullptr, {});
    s.begin_row(0, 20);
    s.string_cell(0, 0, 0);
    s.number_cell(1, 1, 2.5);
    s.end_row();
    s.begin_row(1, 20);
    s.end_row();
    s.begin_row(2, 15);
    s.style_cell(0, 2);
    s.end_row();
    s.begin_row(3, 20);
    s.number_cell(2, 0, 7);
    s.finish({});  // ends the open row
    zip.end_entry();
    zip.finish();
  }
  std::string xml = bytes.str();
  size_t from = xml.find("<sheetData>"), to = xml.find("</sheetData>");
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  EXPECT_EQ(xml.substr(from, to - from),
            "<sheetData>"
            "<row r=\"1\" ht=\"15.099340\" customHeight=\"1\"><c r=\"A1\" s=\"0\" t=\"s\"><v>0</v></c>"
            "<c r=\"B1\" s=\"1\"><v>2.5</v></c></row>"
            "<row r=\"2\" ht=\"15.099340\" customHeight=\"1\"/>"
            "<row r=\"3\" ht=\"11.324505\" customHeight=\"1\"><c r=\"A3\" s=\"2\"/></row>"
            "<row r=\"4\" ht=\"15.099340\" customHeight=\"1\"><c r=\"C4\" s=\"0\"><v>7</v></c></row>");
}

// A report past the sheet's size is refused in the system's own words rather than written as a
// workbook no spreadsheet opens.
TEST_F(XlsxPackageTest, RowsAndColumnsPastTheSheetLimitAreRefusedInOurWords) {
  Package p(book(), kStamp);
  SheetWriter& s = p.begin_sheet();
  s.begin(nullptr, {});
  EXPECT_NO_THROW(s.begin_row(kMaxRows - 1, 10));
  s.end_row();
  try {
    s.begin_row(kMaxRows, 10);
    ADD_FAILURE() << "a row past the sheet was accepted";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Raport ma więcej wierszy, niż mieści arkusz skoroszytu (1048576).");
  }
  s.begin_row(0, 10);
  EXPECT_NO_THROW(s.style_cell(kMaxColumns - 1, 0));
  try {
    s.style_cell(kMaxColumns, 0);
    ADD_FAILURE() << "a column past the sheet was accepted";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Raport ma więcej kolumn, niż mieści arkusz skoroszytu (16384).");
  }
}

// Column edges of several pages become one set of columns: edges within the inaccuracy are one
// column boundary (the later survives), and each page's cells are placed on the shared columns.
TEST(XlsxPageGrid, EdgesOfAllPagesMergeIntoOneSetOfColumns) {
  EXPECT_EQ(merge_boundaries({200, 0, 100, 101, 150, 0, 200}, 2), (std::vector<double>{0, 101, 150, 200}));
  EXPECT_EQ(merge_boundaries({0, 100, 101}, 0), (std::vector<double>{0, 100, 101}));
  std::vector<double> columns{0, 101, 150, 200};
  struct Case {
    double edge;
    uint32_t column;
  };
  // An edge that gave way belongs to the boundary that survived it.
  for (Case c : {Case{0, 0}, {100, 1}, {101, 1}, {120, 2}, {200, 3}, {250, 3}})
    EXPECT_EQ(column_of(columns, c.edge), c.column) << c.edge;
}

TEST_F(XlsxPackageTest, PagesSpilledAndWrittenOnSharedColumns) {
  using K = CellKind;
  PageGrid first{{20, 20},
                 {{0, 200, 0, 1, 0, K::String, 0, 0},  // a title over the whole width
                  {0, 100, 1, 1, 0, K::String, 1, 0},  // two cells on the first page's columns
                  {100, 200, 1, 1, 0, K::Number, 0, 7.5}}};
  PageGrid second{{20},
                  {{0, 150, 0, 1, 0, K::Number, 0, 42},  // a number spanning two columns
                   {150, 200, 0, 1, 0, K::String, 1, 0},
                   {150, 200, 0, 1, 0, K::String, 2, 0}}};  // the later object wins the cell
  PageSpill spill;
  spill.write(first);
  spill.write(second);
  std::vector<double> columns = merge_boundaries({0, 100, 200, 0, 150, 200}, 2);
  {
    Package p(book(), kStamp);
    for (const char* t : {"Tytuł", "Nazwa", "Druga"}) p.strings().add(t);
    SheetWriter& s = p.begin_sheet();
    CellRange used{0, 0, 2, 2};
    s.begin(&used, {100, 50, 50});
    spill.rewind();
    PageGrid page;
    for (uint32_t row = 0; spill.read(page); row += uint32_t(page.row_heights.size()))
      write_page_rows(s, page, columns, row);
    p.end_sheet({}, {});
    p.finish();
  }
  expect_clean_package();
  auto out = run_python(m_dir.path(), R"PY(import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
print(sorted(str(r) for r in ws.merged_cells.ranges))
for row in ws.iter_rows():
    print([c.value for c in row])
)PY",
                        book().string());
  // openpyxl shows a merged range's first cell only.
  EXPECT_EQ(out.output,
            "['A1:C1', 'A3:B3', 'B2:C2']\n"
            "['Tytuł', None, None]\n"
            "['Nazwa', 7.5, None]\n"
            "[42, None, 'Druga']\n");
  // In the part every covered cell of a text repeats its string; the covered cell of a number
  // holds no second copy of it, so that a sum counts it once.
  auto cells = run_python(m_dir.path(), R"PY(import sys, re, zipfile
xml = zipfile.ZipFile(sys.argv[1]).read("xl/worksheets/sheet1.xml").decode()
print(re.findall(r'<c r="(?:[A-C]1|[A-B]3)"[^>]*>(?:<v>[^<]*</v></c>)?', xml))
)PY",
                          book().string());
  EXPECT_EQ(cells.output,
            "['<c r=\"A1\" s=\"0\" t=\"s\"><v>0</v></c>', '<c r=\"B1\" s=\"0\" t=\"s\"><v>0</v></c>', "
            "'<c r=\"C1\" s=\"0\" t=\"s\"><v>0</v></c>', '<c r=\"A3\" s=\"0\"><v>42</v></c>', "
            "'<c r=\"B3\" s=\"0\"/>']\n");
}

}  // namespace
}  // namespace orvena::exporting::xlsx
