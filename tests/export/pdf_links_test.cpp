// Links and bookmarks of the PDF export, read back through qpdf's JSON view of the file: a URL
// hyperlink becomes a URI action over its object, a page-number one a jump to that page (as the
// URL property's "@N" does in a report whose script sets it), the report's bookmark tree the
// document outline; with only some pages exported, targets follow the pages to their new places
// and what points at a page left out goes nowhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/temp_dir.h"
#include "export/pdf_export.h"
#include "export/printed_band.h"
#include "pdf_support.h"
#include "report/bands.h"
#include "report/canvas/canvas.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

using pdf::test::run;
using pdf::test::shell_quoted;

// One line per link, "page: uri TARGET x0 y0 x1 y1" or "page: page N" (N 0 for no target), then
// the outline entries indented by level with their pages.
const char* kListLinks = R"PY(import json, subprocess, sys
j = json.loads(subprocess.run(["qpdf", "--json", sys.argv[1]], capture_output=True, text=True, check=True).stdout)
objects = j["qpdf"][1]
pages = [p["object"] for p in j["pages"]]
def value(ref): return objects["obj:" + ref]["value"]
for n, ref in enumerate(pages, 1):
    for a in value(ref).get("/Annots", []):
        link = value(a)
        if "/A" in link:
            print(f"{n}: uri {link['/A']['/URI'][2:]}", *(round(v) for v in link["/Rect"]))
        else:
            dest = link.get("/Dest")
            print(f"{n}: page {pages.index(dest[0]) + 1 if dest else 0}")
def walk(items, depth):
    for o in items:
        print("  " * depth + o["title"], o["destpageposfrom1"])
        walk(o["kids"], depth + 1)
walk(j["outlines"], 0)
)PY";

class PdfLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(400);
    using report::HyperlinkKind;
    link("Www", {20, 10, 200, 20}, HyperlinkKind::URL, "https://example.com/raport?rok=2026");
    link("Spis", {20, 40, 200, 20}, HyperlinkKind::PageNumber, "3");
    link("Wstecz", {20, 70, 200, 20}, HyperlinkKind::PageNumber, "1");
    link("Poza", {20, 100, 200, 20}, HyperlinkKind::PageNumber, "9");  // no such page
    orvena::test::print_band_pages(store, *page, *band, 3);
    // Chapters on pages 1 and 3, a section under the second (an added item is the current one,
    // as the engine nests a group's rows under its header).
    store.outline().add_item("Rozdział pierwszy", 0, 0);
    store.outline().level_up();
    store.outline().add_item("Rozdział drugi", 2, 100);
    store.outline().add_item("Podrozdział", 2, 200);
    store.outline().level_root();
  }

  void link(const std::string& name, report::canvas::Rect r, report::HyperlinkKind kind,
            const std::string& value) {
    auto* m = band->add_new<report::MemoView>();
    m->set_name(name);
    m->set_bounds(r.left, r.top, r.width, r.height);
    m->set_text(name);
    m->hyperlink.kind = kind;
    m->hyperlink.value = value;
  }

  // The links and outline of the file exported with these pages.
  std::string exported(const std::string& page_numbers) {
    std::filesystem::create_directories(folder);
    auto file = folder / "linki.pdf";
    PdfExport pdf;
    pdf.show_dialog = false;
    pdf.file_name = file;
    pdf.options = PdfExportOptions::runner();
    pdf.options.outline = true;
    pdf.page_numbers = page_numbers;
    EXPECT_TRUE(export_report(report, store, pdf)) << (report.errors().empty() ? "" : report.errors()[0]);
    return list(file);
  }

  // The links and outline of a file, after qpdf has checked it.
  std::string list(const std::filesystem::path& file) {
    auto check = run("qpdf --check " + shell_quoted(file) + " 2>&1");
    EXPECT_EQ(check.status, 0) << check.output;
    auto script = folder / "links.py";
    FILE* f = std::fopen(script.c_str(), "w");
    std::fputs(kListLinks, f);
    std::fclose(f);
    auto listed = run("/usr/bin/python3 " + shell_quoted(script) + " " + shell_quoted(file) + " 2>&1");
    EXPECT_EQ(listed.status, 0) << listed.output;
    return listed.output;
  }

  core::TempDir temp;  // each test its own: ctest runs them side by side
  std::filesystem::path folder = temp.path();
  report::Report report;
  report::ReportPage* page;
  report::MasterData* band;
  report::PreparedPages store{report};
};

TEST_F(PdfLinks, UrlsPagesAndTheOutlineOfEveryPage) {
  // The URI link covers its object: left 20 px = 15 pt, width 200 px = 150 pt; the A4 page is
  // 1123 px = 842.25 pt high, the object 10..30 px (7.5..22.5 pt) from its top.
  const std::string www = ": uri https://example.com/raport?rok=2026 15 820 165 835\n";
  EXPECT_EQ(exported(""), "1" + www + "1: page 3\n1: page 1\n1: page 0\n" +      //
                              "2" + www + "2: page 3\n2: page 1\n2: page 0\n" +  //
                              "3" + www + "3: page 3\n3: page 1\n3: page 0\n" +  //
                              "Rozdział pierwszy 1\nRozdział drugi 3\n  Podrozdział 3\n");
}

TEST_F(PdfLinks, TargetsFollowThePagesOfAPartialExport) {
  // Report page 3 is the file's second page; page 1 is not in the file.
  const std::string www = ": uri https://example.com/raport?rok=2026 15 820 165 835\n";
  EXPECT_EQ(exported("2-3"), "1" + www + "1: page 2\n1: page 0\n1: page 0\n" +      //
                                 "2" + www + "2: page 2\n2: page 0\n2: page 0\n" +  //
                                 "Rozdział drugi 2\n  Podrozdział 2\n");
}

// A view's URL, when a script set it while the page was drawn: "@N" is page N, anything else a
// URI; a hyperlink with a value comes first.
TEST_F(PdfLinks, TheUrlPropertyStandsInForAnEmptyHyperlink) {
  std::filesystem::create_directories(folder);
  auto file = folder / "url.pdf";
  PdfExport pdf;
  pdf.file_name = file;
  ASSERT_TRUE(pdf.start());
  report::MemoView to_page, to_web, both;
  to_page.set_bounds(0, 0, 100, 20);
  to_page.url = "@2";
  to_web.set_bounds(0, 40, 100, 20);
  to_web.url = "mailto:biuro@example.com";
  both.set_bounds(0, 80, 100, 20);
  both.url = "@1";
  both.hyperlink.value = "https://example.com/";
  for (int i = 0; i < 2; ++i) {
    pdf.start_page(*page, i);
    if (i == 0)
      for (report::MemoView* m : {&to_page, &to_web, &both}) pdf.export_object(*m);
    pdf.finish_page(*page, i);
  }
  pdf.finish();
  EXPECT_EQ(
      list(file),
      "1: page 2\n1: uri mailto:biuro@example.com 0 797 75 812\n1: uri https://example.com/ 0 767 75 782\n");
}

}  // namespace
}  // namespace orvena::exporting
