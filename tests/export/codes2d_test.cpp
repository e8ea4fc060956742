// Two-dimensional codes through the whole way: a template over an SQLite table is generated row
// by row and written as PDF (rendered by poppler) and as TIFF; each object's area of the page is
// cut out and read by ZXing, and the QR codes also by zbar. Every symbology, upright and turned,
// with Polish letters; a text the rectangular Data Matrix cannot hold prints its message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "export/pdf_export.h"
#include "export/tiff_export.h"
#include "export/xlsx_export.h"
#include "external_reader.h"
#include "report/engine_support.h"
#include "support/run_command.h"

namespace orvena::exporting {
namespace {

using test::run_command;
using test::shell_quoted;

constexpr const char* kTable =
    "create table kody (id integer, tekst text);"
    "insert into kody values (1, 'Zażółć gęślą jaźń');"
    "insert into kody values (2, 'ORV-2026/0001');"
    "insert into kody values (3, 'Faktura 12/2026 — Łódź, ul. Piękna 5, 1 234,56 zł');";
const char* const kTexts[] = {"Zażółć gęślą jaźń", "ORV-2026/0001",
                              "Faktura 12/2026 — Łódź, ul. Piękna 5, 1 234,56 zł"};
constexpr double kRowHeight = 230;
constexpr int kDpi = 200;

// The objects of tests/fixtures/engine/codes2d.orp: where they stand in their row, what ZXing
// calls them and the prefix their expression puts before the field.
struct Placed {
  const char* name;
  double left, top, width, height;
  const char* format;
  const char* prefix;
};
constexpr Placed kObjects[] = {
    {"Qr", 10, 5, 100, 100, "QRCode", ""},      {"Dm", 120, 5, 100, 100, "DataMatrix", ""},
    {"Az", 230, 5, 100, 100, "Aztec", ""},      {"Pdf", 340, 5, 260, 100, "PDF417", ""},
    {"QrT", 10, 115, 100, 100, "QRCode", "T "}, {"DmT", 120, 115, 100, 100, "DataMatrix", "T "},
    {"AzT", 230, 115, 100, 100, "Aztec", "T "}, {"DmP", 340, 115, 260, 100, "DataMatrix", "P "},
    {"PdfT", 620, 5, 100, 220, "PDF417", "T "},
};

// Cuts the areas out of a page image (PNG or TIFF) as PNG files named after them, each
// narrowed to what is drawn in it with a white margin: ZXing looks for an Aztec code's centre
// at the image's centre.
constexpr const char* kCutter = R"(
import sys
from PIL import Image, ImageOps
page = Image.open(sys.argv[1]).convert('RGB')
for spec in sys.argv[3:]:
    name, l, t, r, b = spec.split(',')
    area = page.crop((max(0, int(l)), max(0, int(t)), int(r), int(b)))
    drawn = ImageOps.invert(area.convert('L')).point(lambda v: 255 if v > 64 else 0).getbbox()
    if drawn:
        area = area.crop(drawn)
    ImageOps.expand(area, border=12, fill='white').save(sys.argv[2] + '/' + name + '.png')
)";

// ZXing's format and text of the one code in an image, "" when it finds none.
std::pair<std::string, std::string> zxing(const std::filesystem::path& png) {
  auto r = run_command("ZXingReader " + shell_quoted(png), test::Streams::OutputOnly);
  auto field = [&](const std::string& key) -> std::string {
    size_t at = r.output.find(key);
    if (at == std::string::npos) return "";
    size_t end = r.output.find('\n', at);
    return r.output.substr(at + key.size(), end - at - key.size());
  };
  std::string text = field("Text:       \"");
  if (!text.empty() && text.back() == '"') text.pop_back();
  return {field("Format:     "), text};
}

class Codes2D : public report::fixtures::Generation {
 protected:
  void SetUp() override {
    Generation::SetUp();
    home.sql(kTable);
    load("codes2d", "select * from kody order by id");
    generate();
    std::filesystem::create_directories(folder);
  }

  // Cuts every object of every row out of the page image into `into`.
  void cut(const std::filesystem::path& page, const std::filesystem::path& into) {
    std::filesystem::create_directories(into);
    std::string specs;
    const double scale = kDpi / 96.0, margin = 6;
    for (int row = 0; row < 3; ++row)
      for (const Placed& o : kObjects) {
        double top = row * kRowHeight + o.top;
        specs += " " + std::string(o.name) + std::to_string(row) + "," +
                 std::to_string(int((o.left - margin) * scale)) + "," +
                 std::to_string(int((top - margin) * scale)) + "," +
                 std::to_string(int((o.left + o.width + margin) * scale)) + "," +
                 std::to_string(int((top + o.height + margin) * scale));
      }
    auto r = test::run_python(folder, kCutter, shell_quoted(page) + " " + shell_quoted(into) + specs);
    ASSERT_EQ(r.status, 0) << r.output;
  }

  // Every object of every row read back, the QR codes also by zbar; the rectangular Data Matrix
  // cannot hold the third row's long text.
  void expect_read(const std::filesystem::path& crops) {
    for (int row = 0; row < 3; ++row)
      for (const Placed& o : kObjects) {
        std::filesystem::path png = crops / (std::string(o.name) + std::to_string(row) + ".png");
        SCOPED_TRACE(png.string());
        std::string expected = std::string(o.prefix) + kTexts[row];
        bool refused = std::string(o.name) == "DmP" && row == 2;
        auto [format, text] = zxing(png);
        EXPECT_EQ(format, refused ? "" : o.format);
        EXPECT_EQ(text, refused ? "" : expected);
        if (std::string(o.format) == "QRCode") {
          auto z = run_command("zbarimg -q --raw " + shell_quoted(png), test::Streams::OutputOnly);
          EXPECT_EQ(z.output, expected + "\n");
        }
      }
  }

  std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "orvena_codes2d";
};

TEST_F(Codes2D, ReadBackFromThePdf) {
  PdfExport pdf;
  pdf.show_dialog = false;
  pdf.file_name = folder / "kody.pdf";
  pdf.options = PdfExportOptions::runner();
  ASSERT_TRUE(export_report(report, pages, pdf));
  auto r = run_command("pdftoppm -r " + std::to_string(kDpi) + " -png -singlefile " +
                       shell_quoted(pdf.file_name) + " " + shell_quoted(folder / "kody"));
  ASSERT_EQ(r.status, 0) << r.output;
  cut(folder / "kody.png", folder / "pdf");
  expect_read(folder / "pdf");

  // The refused text's message is real text in the PDF, once; it wraps in its object.
  auto text = run_command("pdftotext " + shell_quoted(pdf.file_name) + " -", test::Streams::OutputOnly);
  std::replace(text.output.begin(), text.output.end(), '\n', ' ');
  std::string message = "Tekst jest za długi dla prostokątnego kodu Data Matrix";
  size_t first = text.output.find(message);
  ASSERT_NE(first, std::string::npos) << text.output;
  EXPECT_EQ(text.output.find(message, first + 1), std::string::npos) << text.output;
  // Vectors: the page holds no image.
  auto images = run_command("pdfimages -list " + shell_quoted(pdf.file_name), test::Streams::OutputOnly);
  EXPECT_EQ(std::count(images.output.begin(), images.output.end(), '\n'), 2) << images.output;
}

TEST_F(Codes2D, ReadBackFromTheTiff) {
  TiffExport tiff;
  tiff.show_dialog = false;
  tiff.file_name = folder / "kody.tif";
  tiff.options = TiffExportOptions::runner();
  tiff.options.resolution = kDpi;
  ASSERT_TRUE(export_report(report, pages, tiff));
  cut(folder / "kody.tif", folder / "tiff");
  expect_read(folder / "tiff");
}

// The table formats get each code as a picture of the object at the writer's resolution; every
// one ZXing reads from the workbook's pictures, whatever order they are stored in.
TEST_F(Codes2D, ReadBackFromTheWorkbooksPictures) {
  XlsxExport xlsx;
  xlsx.show_dialog = false;
  xlsx.file_name = folder / "kody.xlsx";
  xlsx.options = XlsxExportOptions::runner(SheetSplit::OnePerPage);
  ASSERT_TRUE(export_report(report, pages, xlsx));
  std::filesystem::remove_all(folder / "xlsx");
  auto r = run_command("unzip -q -o " + shell_quoted(xlsx.file_name) + " 'xl/media/*' -d " +
                       shell_quoted(folder / "xlsx"));
  ASSERT_EQ(r.status, 0) << r.output;

  std::multiset<std::string> read, expected;
  for (int row = 0; row < 3; ++row)
    for (const Placed& o : kObjects)
      if (!(std::string(o.name) == "DmP" && row == 2))
        expected.insert(std::string(o.format) + " " + o.prefix + kTexts[row]);
  for (auto& picture : std::filesystem::directory_iterator(folder / "xlsx" / "xl" / "media")) {
    auto [format, text] = zxing(picture.path());
    if (!format.empty()) read.insert(format + " " + text);
  }
  EXPECT_EQ(read, expected);
}

}  // namespace
}  // namespace orvena::exporting
