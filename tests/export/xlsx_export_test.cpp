// The XLSX export over prepared pages: one sheet of all pages with row breaks, or one sheet per
// page; texts as shared strings, shown numbers as number cells, spans as merged ranges, drawn
// objects as pictures; read back by openpyxl, and nothing left under the report's name after
// a failure.
#include "export/xlsx_export.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/temp_dir.h"
#include "core/variant.h"
#include "export/external_reader.h"
#include "export/printed_band.h"
#include "report/bands.h"
#include "report/canvas/canvas.h"
#include "report/memo/memo_text.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

using test::run_command;
using test::run_python;

// A page of one band: a title across the whole width, a text, a number in a numeric display
// format, a frame around the number, and an ellipse (drawn, so a picture).
class XlsxExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(200);

    memo("Title", {0, 0, 400, 20}, "Obroty — zażółć");
    memo("Name", {0, 20, 100, 20}, "Kowalski & <Syn>");
    auto* amount = memo("Amount", {100, 20, 100, 20}, "");
    auto& f = amount->display_format();
    f.kind = report::FormatKind::Numeric;
    f.format_str = "%2.2n";
    f.decimal_separator = ",";
    amount->value = core::Variant(1234.5);
    amount->set_text(report::memo_text::format_data(amount->value, f));
    amount->frame.typ = report::kFrameLeft | report::kFrameRight | report::kFrameTop | report::kFrameBottom;
    memo("Note", {200, 20, 100, 20}, "12 szt.");  // a number among words stays text
    // Without a display format the page keeps only the text: a plain number is a number, a
    // text that the number would not give back exactly stays text.
    memo("Count", {300, 20, 50, 20}, "694");
    memo("Code", {350, 20, 50, 20}, "007");
    auto* oval = band->add_new<report::ShapeView>();
    oval->set_name("Oval");
    oval->shape = report::ShapeKind::Ellipse;
    oval->fill.set_color(0xFF0000);
    oval->set_bounds(0, 60, 100, 40);
  }

  report::MemoView* memo(const std::string& name, report::canvas::Rect r, const std::string& text) {
    auto* m = band->add_new<report::MemoView>();
    m->set_name(name);
    m->set_bounds(r.left, r.top, r.width, r.height);
    m->set_text(text);
    return m;
  }

  void print(int pages) { orvena::test::print_band_pages(store, *page, *band, pages); }

  bool run_export(SheetSplit split, const std::filesystem::path& file) {
    XlsxExport xlsx;
    xlsx.show_dialog = false;
    xlsx.file_name = file;
    xlsx.options = XlsxExportOptions::runner(split);
    return export_report(report, store, xlsx);
  }

  std::string read_back(const std::filesystem::path& file) {
    auto out = run_python(dir.path(), R"PY(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames)
for ws in wb:
    print(ws.title, ws.max_row, ws.max_column, sorted(str(r) for r in ws.merged_cells.ranges),
          [b.id for b in ws.row_breaks.brk],
          [(i.anchor._from.col, i.anchor._from.row, i.anchor.to.col, i.anchor.to.row) for i in ws._images])
    for row in ws.iter_rows():
        cells = [(c.coordinate, c.value, c.number_format) for c in row if c.value is not None]
        if cells: print(" ", cells)
)PY",
                          file.string());
    EXPECT_EQ(out.status, 0) << out.output;
    return out.output;
  }

  core::TempDir dir;
  report::Report report;
  report::ReportPage* page;
  report::MasterData* band;
  report::PreparedPages store{report};
};

TEST_F(XlsxExportTest, OneSheetHoldsEveryPageWithARowBreakBeforeEachFollowingPage) {
  print(3);
  auto file = dir.path() / "raport.xlsx";
  ASSERT_TRUE(run_export(SheetSplit::SingleSheet, file))
      << (report.errors().empty() ? "" : report.errors()[0]);
  auto tested = run_command("unzip -t " + file.string());
  EXPECT_EQ(tested.status, 0) << tested.output;
  // Each page gives three rows: the title, the data row and the ellipse's row, where its picture
  // is anchored over column A. The title spans
  // the three columns the data row makes (openpyxl shows a merged range's first cell only); the
  // number is a number with its format.
  EXPECT_EQ(read_back(file),
            "['Page 1']\n"
            "Page 1 9 5 ['A1:E1', 'A4:E4', 'A7:E7'] [3, 6] [(0, 2, 1, 3), (0, 5, 1, 6), (0, 8, 1, 9)]\n"
            "  [('A1', 'Obroty — zażółć', '@')]\n"
            "  [('A2', 'Kowalski & <Syn>', '@'), ('B2', 1234.5, '#,##0.00'), ('C2', '12 szt.', '@'), ('D2', "
            "694, 'General'), ('E2', '007', '@')]\n"
            "  [('A4', 'Obroty — zażółć', '@')]\n"
            "  [('A5', 'Kowalski & <Syn>', '@'), ('B5', 1234.5, '#,##0.00'), ('C5', '12 szt.', '@'), ('D5', "
            "694, 'General'), ('E5', '007', '@')]\n"
            "  [('A7', 'Obroty — zażółć', '@')]\n"
            "  [('A8', 'Kowalski & <Syn>', '@'), ('B8', 1234.5, '#,##0.00'), ('C8', '12 szt.', '@'), ('D8', "
            "694, 'General'), ('E8', '007', '@')]\n");
}

TEST_F(XlsxExportTest, OneSheetPerPageWithoutRowBreaks) {
  print(2);
  auto file = dir.path() / "arkusze.xlsx";
  ASSERT_TRUE(run_export(SheetSplit::OnePerPage, file))
      << (report.errors().empty() ? "" : report.errors()[0]);
  std::string sheet =
      " 3 5 ['A1:E1'] [] [(0, 2, 1, 3)]\n"
      "  [('A1', 'Obroty — zażółć', '@')]\n"
      "  [('A2', 'Kowalski & <Syn>', '@'), ('B2', 1234.5, '#,##0.00'), ('C2', '12 szt.', '@'), ('D2', 694, "
      "'General'), ('E2', '007', '@')]\n";
  EXPECT_EQ(read_back(file), "['Page 1', 'Page 2']\nPage 1" + sheet + "Page 2" + sheet);
}

// With empty rows kept, the space above each following page's first object is a row of its own,
// and the page break comes before it.
TEST_F(XlsxExportTest, KeptEmptyRowsIncludeTheSpaceAboveEachFollowingPage) {
  print(2);
  auto file = dir.path() / "puste.xlsx";
  XlsxExport xlsx;
  xlsx.show_dialog = false;
  xlsx.file_name = file;
  xlsx.options.empty_lines = true;
  ASSERT_TRUE(export_report(report, store, xlsx)) << (report.errors().empty() ? "" : report.errors()[0]);
  auto out = run_python(dir.path(), R"PY(import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
print([b.id for b in ws.row_breaks.brk], [round(ws.row_dimensions[r].height, 2) for r in range(1, ws.max_row + 1)])
print([r[0] for r in ws.iter_rows(values_only=True)])
)PY",
                        file.string());
  // Each page: title, data, the empty row above the ellipse and the ellipse (20, 20, 20 and 40
  // pixels); the second page starts 2 pixels below the first page's last object.
  EXPECT_EQ(out.output,
            "[4] [15.1, 15.1, 15.1, 30.2, 1.51, 15.1, 15.1, 15.1, 30.2]\n"
            "['Obroty — zażółć', 'Kowalski & <Syn>', None, None, None, 'Obroty — zażółć', 'Kowalski & "
            "<Syn>', None, "
            "None]\n");
}

// Chunks: the pages stacked as on one sheet (three rows a page: title, data, ellipse), cut into
// sheets of so many rows. A number two rows tall ("Tall", beside the title and the data row) is
// cut by the chunk edge on the second page: each sheet merges only its own part, and the value
// stays in the first cell alone.
TEST_F(XlsxExportTest, ChunksCutTheStackedPagesIntoSheetsOfSoManyRows) {
  memo("Tall", {400, 0, 50, 40}, "15");
  // A picture as tall, cut the same way, stays on the sheet it starts on, down to its last row.
  auto* tall_oval = band->add_new<report::ShapeView>();
  tall_oval->set_name("TallOval");
  tall_oval->shape = report::ShapeKind::Ellipse;
  tall_oval->set_bounds(450, 0, 50, 40);
  print(3);
  struct Case {
    uint32_t chunk;
    std::string sheets;
  } cases[] = {
      {4,
       "['Page 1', 'Page 2', 'Page 3']\n"
       "Page 1 4 7 ['A1:E1', 'A4:E4', 'F1:F2', 'G1:G2'] [] [(6, 0, 7, 2), (0, 2, 1, 3), (6, 3, 7, 4)]\n"
       "  [('A1', 'Obroty — zażółć', '@'), ('F1', 15, 'General')]\n"
       "  [('A2', 'Kowalski & <Syn>', '@'), ('B2', 1234.5, '#,##0.00'), ('C2', '12 szt.', '@'), ('D2', 694, "
       "'General'), ('E2', '007', '@')]\n"
       "  [('A4', 'Obroty — zażółć', '@'), ('F4', 15, 'General')]\n"
       "Page 2 4 7 ['A3:E3', 'F3:F4', 'G3:G4'] [] [(0, 1, 1, 2), (6, 2, 7, 4)]\n"
       "  [('A1', 'Kowalski & <Syn>', '@'), ('B1', 1234.5, '#,##0.00'), ('C1', '12 szt.', '@'), ('D1', 694, "
       "'General'), ('E1', '007', '@')]\n"
       "  [('A3', 'Obroty — zażółć', '@'), ('F3', 15, 'General')]\n"
       "  [('A4', 'Kowalski & <Syn>', '@'), ('B4', 1234.5, '#,##0.00'), ('C4', '12 szt.', '@'), ('D4', 694, "
       "'General'), ('E4', '007', '@')]\n"
       // The last sheet holds the third page's ellipse row alone.
       "Page 3 1 1 [] [] [(0, 0, 1, 1)]\n"},
      // A chunk larger than the report: one sheet, as "excel" but without row breaks.
      {100,
       "['Page 1']\n"
       "Page 1 9 7 ['A1:E1', 'A4:E4', 'A7:E7', 'F1:F2', 'F4:F5', 'F7:F8', 'G1:G2', 'G4:G5', 'G7:G8'] [] "
       "[(6, 0, 7, 2), (0, 2, 1, 3), (6, 3, 7, 5), (0, 5, 1, 6), (6, 6, 7, 8), (0, 8, 1, 9)]\n"
       "  [('A1', 'Obroty — zażółć', '@'), ('F1', 15, 'General')]\n"
       "  [('A2', 'Kowalski & <Syn>', '@'), ('B2', 1234.5, '#,##0.00'), ('C2', '12 szt.', '@'), ('D2', 694, "
       "'General'), ('E2', '007', '@')]\n"
       "  [('A4', 'Obroty — zażółć', '@'), ('F4', 15, 'General')]\n"
       "  [('A5', 'Kowalski & <Syn>', '@'), ('B5', 1234.5, '#,##0.00'), ('C5', '12 szt.', '@'), ('D5', 694, "
       "'General'), ('E5', '007', '@')]\n"
       "  [('A7', 'Obroty — zażółć', '@'), ('F7', 15, 'General')]\n"
       "  [('A8', 'Kowalski & <Syn>', '@'), ('B8', 1234.5, '#,##0.00'), ('C8', '12 szt.', '@'), ('D8', 694, "
       "'General'), ('E8', '007', '@')]\n"},
  };
  for (const Case& c : cases) {
    auto file = dir.path() / ("kawalki" + std::to_string(c.chunk) + ".xlsx");
    XlsxExport xlsx;
    xlsx.show_dialog = false;
    xlsx.file_name = file;
    xlsx.options = XlsxExportOptions::runner(SheetSplit::OnePerPage);
    xlsx.options.chunk_size = c.chunk;
    ASSERT_TRUE(export_report(report, store, xlsx)) << (report.errors().empty() ? "" : report.errors()[0]);
    EXPECT_EQ(read_back(file), c.sheets) << "chunk " << c.chunk;
  }
}

// A text object with a URL links its cell, or its merged range, to it; a link to an anchor goes
// to the first row of the anchor's page (page 1 for a name no script set, as in the PDF).
TEST_F(XlsxExportTest, CellsOfObjectsWithAURLLinkToIt) {
  auto link = [&](const char* name, const char* url) {
    auto* view = static_cast<report::View*>(band->find_object(name));
    view->hyperlink.kind = report::HyperlinkKind::URL;
    view->hyperlink.value = url;
  };
  const std::string sales = "https://example.com/obroty?rok=2024&mies=1";
  link("Title", sales.c_str());
  link("Name", "mailto:biuro@example.com");
  link("Code", sales.c_str());  // the same target again
  link("Note", "#Podsumowanie");
  print(2);
  // openpyxl gives a range's link to its first cell, so the ranges are read from the part too.
  const std::string reader = R"PY(import sys, re, zipfile, openpyxl
for n, ws in enumerate(openpyxl.load_workbook(sys.argv[1]), 1):
    part = zipfile.ZipFile(sys.argv[1]).read("xl/worksheets/sheet%d.xml" % n).decode()
    print(ws.title, re.findall(r'<hyperlink ref="([^"]+)"', part))
    print(" ", sorted((c.coordinate, c.hyperlink.target or c.hyperlink.location) for r in ws.iter_rows() for c in r if c.hyperlink))
)PY";
  const std::string page = "[('A1', '" + sales +
                           "'), ('A2', 'mailto:biuro@example.com'), ('C2', \"'Page 1'!A1\"), ('E2', '" +
                           sales + "')]";
  auto file = dir.path() / "linki.xlsx";
  ASSERT_TRUE(run_export(SheetSplit::OnePerPage, file))
      << (report.errors().empty() ? "" : report.errors()[0]);
  auto out = run_python(dir.path(), reader, file.string());
  EXPECT_EQ(out.output, "Page 1 ['A1:E1', 'A2', 'C2', 'E2']\n  " + page +
                            "\nPage 2 ['A1:E1', 'A2', 'C2', 'E2']\n  " + page + "\n");

  ASSERT_TRUE(run_export(SheetSplit::SingleSheet, file))
      << (report.errors().empty() ? "" : report.errors()[0]);
  out = run_python(dir.path(), reader, file.string());
  EXPECT_EQ(out.output, "Page 1 ['A1:E1', 'A2', 'C2', 'E2', 'A4:E4', 'A5', 'C5', 'E5']\n  [('A1', '" + sales +
                            "'), ('A2', 'mailto:biuro@example.com'), ('A4', '" + sales +
                            "'), ('A5', 'mailto:biuro@example.com'), ('C2', \"'Page 1'!A1\"), ('C5', \"'Page "
                            "1'!A1\"), ('E2', '" +
                            sales + "'), ('E5', '" + sales + "')]\n");
}

TEST_F(XlsxExportTest, AFailureLeavesNothingUnderTheReportsName) {
  print(2);
  // A target that cannot be written: the export fails with the reason in the report's errors.
  EXPECT_FALSE(run_export(SheetSplit::SingleSheet, dir.path() / "brak" / "raport.xlsx"));
  EXPECT_EQ(report.errors().size(), 1u);

  // A failure in the middle of the walk: neither the workbook nor its partial file is left.
  auto folder = dir.path() / "failing";
  std::filesystem::create_directories(folder);
  for (SheetSplit split : {SheetSplit::SingleSheet, SheetSplit::OnePerPage}) {
    struct Failing : XlsxExport {
      void start_page(report::ReportPage& p, int index) override {
        if (index == 1) throw core::Error("Błąd zapisu");
        XlsxExport::start_page(p, index);
      }
    } xlsx;
    xlsx.show_dialog = false;
    xlsx.file_name = folder / "raport.xlsx";
    xlsx.options = XlsxExportOptions::runner(split);
    EXPECT_FALSE(export_report(report, store, xlsx));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
  }
}

}  // namespace
}  // namespace orvena::exporting
