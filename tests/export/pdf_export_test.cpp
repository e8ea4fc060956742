// The PDF export over prepared pages: text objects as searchable text in embedded subset fonts,
// frames of every line style, fills, a turned text object, a text object with HTML tags as a
// picture, and destinations that cannot be written leaving nothing under the report's name.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/error.h"
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

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One page type: a title in Polish, a turned text, a text with HTML tags, one text object per
// frame line style, a filled rectangle, an ellipse and a line; printed on two pages.
class PdfExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(900);

    memo("Title", {20, 10, 400, 24}, "Zażółć gęślą jaźń");
    auto* turned = memo("Turned", {600, 60, 30, 200}, "Obrócony tekst");
    turned->rotation = 90;
    auto* html = memo("Html", {20, 60, 300, 24}, "<b>Pogrubiony</b> tekst");
    html->allow_html_tags = true;
    const report::FrameStyle styles[] = {report::FrameStyle::Solid,      report::FrameStyle::Dash,
                                         report::FrameStyle::Dot,        report::FrameStyle::DashDot,
                                         report::FrameStyle::DashDotDot, report::FrameStyle::Double};
    for (int i = 0; i < 6; ++i) {
      auto* m =
          memo("Frame" + std::to_string(i), {20, 120.0 + 40 * i, 300, 30}, "Ramka " + std::to_string(i + 1));
      m->frame.typ = report::kFrameLeft | report::kFrameRight | report::kFrameTop | report::kFrameBottom;
      m->frame.set_style(styles[i]);
      m->frame.set_width(2);
      m->frame.set_color(0x0000FF);  // red
      m->fill.set_color(0xE0FFE0);
    }
    auto* rect = band->add_new<report::ShapeView>();
    rect->set_name("Box");
    rect->set_bounds(400, 400, 120, 60);
    rect->fill.set_color(0xFF0000);  // blue
    auto* ellipse = band->add_new<report::ShapeView>();
    ellipse->set_name("Oval");
    ellipse->set_bounds(400, 500, 120, 60);
    ellipse->shape = report::ShapeKind::Ellipse;
    auto* line = band->add_new<report::LineView>();
    line->set_name("Rule");
    line->set_bounds(20, 420, 300, 0);
  }

  report::MemoView* memo(const std::string& name, report::canvas::Rect r, const std::string& text) {
    auto* m = band->add_new<report::MemoView>();
    m->set_name(name);
    m->set_bounds(r.left, r.top, r.width, r.height);
    m->set_text(text);
    return m;
  }

  void print(int pages) { orvena::test::print_band_pages(store, *page, *band, pages); }

  void SetUpFilter(PdfExport& f, const std::filesystem::path& file) {
    f.show_dialog = false;
    f.file_name = file;
    f.options = PdfExportOptions::runner();
  }

  // Exports the printed pages into the test's folder with the runner's settings; the file, or
  // the report's first error.
  std::filesystem::path export_as(const std::string& name) {
    std::filesystem::create_directories(folder);
    auto file = folder / name;
    PdfExport pdf;
    SetUpFilter(pdf, file);
    if (!export_report(report, store, pdf))
      ADD_FAILURE() << (report.errors().empty() ? "failed" : report.errors()[0]);
    return file;
  }

  std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "orvena_pdf_export";
  report::Report report;
  report::ReportPage* page;
  report::MasterData* band;
  report::PreparedPages store{report};
};

TEST_F(PdfExportTest, PagesReadBackWithTheirTextsFontsFramesAndPictures) {
  print(2);
  auto file = export_as("raport.pdf");
  ASSERT_FALSE(HasFailure());
  // scripts/look-at-pdf-export.sh keeps the file to render its pages for a person to look at.
  if (const char* keep = std::getenv("ORVENA_KEEP_PDF"))
    std::filesystem::copy_file(file, keep, std::filesystem::copy_options::overwrite_existing);

  auto check = run("qpdf --check " + shell_quoted(file) + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find("No syntax or stream encoding errors"), std::string::npos) << check.output;

  // Every font embedded as a subset with a ToUnicode map.
  auto fonts = run("pdffonts " + shell_quoted(file));
  ASSERT_EQ(fonts.status, 0);
  std::istringstream lines(fonts.output);
  std::string l;
  int font_lines = 0;
  for (int n = 0; std::getline(lines, l); ++n) {
    if (n < 2) continue;
    ++font_lines;
    EXPECT_TRUE(std::regex_search(l, std::regex(R"(^[A-Z]{6}\+)"))) << l;
    EXPECT_TRUE(std::regex_search(l, std::regex(R"(CID TrueType\s+Identity-H\s+yes\s+yes\s+yes)"))) << l;
  }
  EXPECT_GE(font_lines, 1);

  auto text = run("pdftotext -layout " + shell_quoted(file) + " -");
  ASSERT_EQ(text.status, 0);
  for (const char* t : {"Zażółć gęślą jaźń", "Ramka 1", "Ramka 6"})
    EXPECT_NE(text.output.find(t), std::string::npos) << t;
  // The text with tags is a picture: its words are not text of the page.
  EXPECT_EQ(text.output.find("Pogrubiony"), std::string::npos);
  // The turned text is text too (read upwards, a line per word).
  auto raw = run("pdftotext -raw " + shell_quoted(file) + " -");
  EXPECT_NE(raw.output.find("Obrócony\ntekst"), std::string::npos) << raw.output;

  // The text with tags is drawn on each page from one picture object.
  auto images = run("pdfimages -list " + shell_quoted(file));
  EXPECT_EQ(std::count(images.output.begin(), images.output.end(), '\n'), 2 + 2) << images.output;
  std::string bytes = read_file(file);
  size_t image_objects = 0;
  for (size_t at = 0; (at = bytes.find("/Subtype /Image", at)) != std::string::npos; ++at) ++image_objects;
  EXPECT_EQ(image_objects, 1u);

  // The runner's file is compressed, small enough to mail; qpdf undoes the compression for the
  // content checks: the dash pattern of every frame style, the turning matrix.
  EXPECT_NE(bytes.find("/FlateDecode"), std::string::npos);
  auto plain_file = folder / "raport-qdf.pdf";
  ASSERT_EQ(run("qpdf --qdf --normalize-content=n --object-streams=disable " + shell_quoted(file) + " " +
                shell_quoted(plain_file))
                .status,
            0);
  std::string plain = read_file(plain_file);
  EXPECT_EQ(plain.find("/FlateDecode"), std::string::npos);
  for (auto style :
       {pdf::LineStyle::Dash, pdf::LineStyle::Dot, pdf::LineStyle::DashDot, pdf::LineStyle::DashDotDot})
    EXPECT_NE(plain.find(pdf::Page::dash_pattern(style, 2)), std::string::npos) << int(style);
  EXPECT_TRUE(
      std::regex_search(plain, std::regex(R"(0(\.0+)? 1(\.0+)? -1(\.0+)? 0(\.0+)? [\d.]+ [\d.]+ cm)")));
}

// The page frame runs along the margins (10 mm = 37.8 px at 96 dpi) on the sides it has, in its
// colour; a page without one has none.
TEST_F(PdfExportTest, ThePageFrameRunsAlongTheMargins) {
  page->frame.typ = report::kFrameLeft | report::kFrameTop | report::kFrameRight;  // no bottom
  page->frame.set_width(3);
  page->frame.set_color(0x0000FF);  // red
  print(1);
  auto file = export_as("ramka.pdf");
  ASSERT_FALSE(HasFailure());
  ASSERT_EQ(
      run("pdftoppm -r 96 -png -singlefile " + shell_quoted(file) + " " + shell_quoted(folder / "ramka"))
          .status,
      0);
  cairo_surface_t* png = cairo_image_surface_create_from_png((folder / "ramka.png").c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  const int width = cairo_image_surface_get_width(png), height = cairo_image_surface_get_height(png);
  // Whether any pixel within 2 px of (x, y) is clearly red.
  auto red = [&](int x, int y) {
    const unsigned char* data = cairo_image_surface_get_data(png);
    int stride = cairo_image_surface_get_stride(png);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const unsigned char* p = data + (y + dy) * stride + (x + dx) * 4;  // B, G, R, A
        if (p[2] > 0xC0 && p[1] < 0x60 && p[0] < 0x60) return true;
      }
    return false;
  };
  const int near = 38, far_x = width - 38, far_y = height - 38;
  EXPECT_TRUE(red(near, 700)) << "left side";
  EXPECT_TRUE(red(far_x, 700)) << "right side";
  EXPECT_TRUE(red(width / 2, near)) << "top side";
  EXPECT_FALSE(red(width / 2, far_y)) << "no bottom side";
  EXPECT_FALSE(red(near + 20, 700)) << "inside";
  cairo_surface_destroy(png);
}

// A font installed with CFF outlines (fonts-font-awesome has FontAwesome as CFF and as
// TrueType) is set in TrueType outlines, the only ones the PDF embeds, instead of failing the
// whole report.
TEST_F(PdfExportTest, AFontWithCffOutlinesIsSetInTrueTypeOutlines) {
  ASSERT_NE(run("fc-list FontAwesome fontformat").output.find("CFF"), std::string::npos)
      << "fonts-font-awesome is not installed";
  auto* icons = memo("Icons", {20, 800, 300, 24}, "Ikony \uF000 i tekst");
  report::Font font = icons->font();
  font.name = "FontAwesome";
  icons->set_parent_font(false);
  icons->set_font(font);
  print(1);
  auto file = export_as("ikony.pdf");
  ASSERT_FALSE(HasFailure());
  std::istringstream fonts(run("pdffonts " + shell_quoted(file)).output);
  int embedded = 0;
  for (std::string line; std::getline(fonts, line);) {
    if (line.find('+') == std::string::npos) continue;  // the two heading lines
    EXPECT_NE(line.find("CID TrueType      Identity-H       yes"), std::string::npos) << line;
    embedded += line.find("FontAwesome") != std::string::npos;
  }
  EXPECT_EQ(embedded, 1);
  EXPECT_NE(run("pdftotext " + shell_quoted(file) + " -").output.find("Ikony"), std::string::npos);
}

// A text with tags far larger than one bitmap may be (Cairo's 32,767 pixels a side, our 16
// million pixels) is drawn coarser, not left out and never read from a surface that failed.
TEST_F(PdfExportTest, AHugeTextWithTagsIsDrawnIntoABitmapOfBoundedSize) {
  struct Row {
    const char* name;
    report::canvas::Rect bounds;
  } rows[] = {{"wide", {20, 60, 12000, 24}}, {"wide and tall", {20, 60, 11000, 11000}}};
  for (const Row& r : rows) {
    auto* html = dynamic_cast<report::MemoView*>(report.find_object("Html"));
    ASSERT_NE(html, nullptr);
    html->set_bounds(r.bounds.left, r.bounds.top, r.bounds.width, r.bounds.height);
    band->set_height(r.bounds.top + r.bounds.height);
    store.clear();
    print(1);
    auto file = export_as(std::string("duzy-") + (r.bounds.height > 100 ? "2" : "1") + ".pdf");
    ASSERT_FALSE(HasFailure()) << r.name;
    auto images = run("pdfimages -list " + shell_quoted(file));
    ASSERT_EQ(images.status, 0) << r.name;
    std::istringstream lines(images.output);
    std::string l;
    std::getline(lines, l);
    std::getline(lines, l);
    ASSERT_TRUE(std::getline(lines, l)) << r.name << ": no picture\n" << images.output;
    std::istringstream fields(l);
    int page_no = 0, num = 0;
    std::string type;
    long width = 0, height = 0;
    fields >> page_no >> num >> type >> width >> height;
    EXPECT_LE(width, 32767) << r.name;
    EXPECT_LE(width * height, 16'000'000L) << r.name;
    EXPECT_GE(width, 3000) << r.name;  // coarser, not a speck
  }
}

TEST_F(PdfExportTest, AnUnwritableTargetFailsAndLeavesNoFile) {
  print(1);
  std::filesystem::create_directories(folder);
  struct Row {
    const char* name;
    std::filesystem::path file;
  } rows[] = {{"missing folder", folder / "brak" / "raport.pdf"}, {"a folder in the way", folder}};
  for (const Row& r : rows) {
    report.clear_errors();
    PdfExport pdf;
    SetUpFilter(pdf, r.file);
    EXPECT_FALSE(export_report(report, store, pdf)) << r.name;
    EXPECT_EQ(report.errors().size(), 1u) << r.name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "brak"));
}

TEST_F(PdfExportTest, AFailureDuringTheWalkLeavesNeitherTheReportNorATemporaryFile) {
  print(2);
  auto dir = folder / "failing";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  struct Failing : PdfExport {
    void start_page(report::ReportPage& page, int index) override {
      if (index == 1) throw core::Error("Błąd zapisu");
      PdfExport::start_page(page, index);
    }
  } pdf;
  SetUpFilter(pdf, dir / "raport.pdf");
  EXPECT_FALSE(export_report(report, store, pdf));
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace orvena::exporting
