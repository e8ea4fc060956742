// Barcodes and check boxes through the whole way: a template over an SQLite table is generated
// row by row, written as PDF, rendered by poppler and read back — the barcodes by zbar, the
// check boxes by the pixels inside each box.
#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "export/pdf_export.h"
#include "report/engine_support.h"
#include "support/run_command.h"

namespace orvena::exporting {
namespace {

using test::run_command;

constexpr const char* kTable =
    "create table objekty (id integer, kod text, ean text, flaga boolean, liczba integer, kwota integer);"
    "insert into objekty values (1, 'ORV-001', '400638133393', 1, 1, 5);"
    "insert into objekty values (2, 'ORV-002', '590123412345', 0, 0, -2);"
    "insert into objekty values (3, 'ORV-003', '400638133393', null, 1, 0);";

constexpr int kDpi = 150;

// The engine tests' SQLite fixture, over a table of its own.
class ObjectsPdf : public report::fixtures::Generation {
 protected:
  void SetUp() override {
    Generation::SetUp();
    home.sql(kTable);
    load("objects", "select * from objekty order by id");
  }

  // The first page as a PNG of kDpi, kept in the test's folder for a person to look at.
  std::filesystem::path render() {
    generate();
    std::filesystem::create_directories(folder);
    PdfExport pdf;
    pdf.show_dialog = false;
    pdf.file_name = folder / "obiekty.pdf";
    pdf.options = PdfExportOptions::runner();
    EXPECT_TRUE(export_report(report, pages, pdf));
    auto r = run_command("pdftoppm -r " + std::to_string(kDpi) + " -png -singlefile '" +
                         pdf.file_name.string() + "' '" + (folder / "obiekty").string() + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    return folder / "obiekty.png";
  }

  std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "orvena_objects_pdf";
};

// Whether anything is drawn near the centre of a box: the darkest of the 5 × 5 pixels there.
bool marked(cairo_surface_t* png, double left, double top, double size) {
  int cx = int((left + size / 2) * kDpi / 96), cy = int((top + size / 2) * kDpi / 96);
  const unsigned char* data = cairo_image_surface_get_data(png);
  int stride = cairo_image_surface_get_stride(png);
  int darkest = 255;
  for (int y = cy - 2; y <= cy + 2; ++y)
    for (int x = cx - 2; x <= cx + 2; ++x) {
      const unsigned char* p = data + y * stride + x * 4;
      darkest = std::min({darkest, int(p[0]), int(p[1]), int(p[2])});
    }
  return darkest < 0xA0;
}

TEST_F(ObjectsPdf, EachRowPrintsItsBarcodesAndCheckBoxes) {
  auto png_file = render();

  auto read = run_command("zbarimg -q '" + png_file.string() + "'", test::Streams::OutputOnly);
  for (const char* expected : {"CODE-128:ORV-001\n", "CODE-128:ORV-002\n", "CODE-128:ORV-003\n",
                               "EAN-13:4006381333931\n", "EAN-13:5901234123457\n", "CODE-128:4201\n"})
    EXPECT_NE(read.output.find(expected), std::string::npos) << expected << " in:\n" << read.output;

  cairo_surface_t* png = cairo_image_surface_create_from_png(png_file.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  // Boxes: four over flaga (cross/empty, tick/cross, diagonals, plus/minus), liczba (tick/empty),
  // kwota > 0 (cross/empty). flaga is true, false, null; liczba 1, 0, 1; kwota 5, -2, 0.
  const double lefts[] = {450, 490, 530, 570, 630, 690};
  const char* expected[] = {"xxxxxx", ".xxx..", ".xxxx."};
  for (int row = 0; row < 3; ++row) {
    std::string seen;
    for (double left : lefts) seen += marked(png, left, row * 80 + 20, 24) ? 'x' : '.';
    EXPECT_EQ(seen, expected[row]) << "row " << row + 1;
  }
  cairo_surface_destroy(png);
}

}  // namespace
}  // namespace orvena::exporting
