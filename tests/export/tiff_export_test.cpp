// The TIFF export over prepared pages, read back by Pillow: the file or files each layout of the
// pages gives, sizes, resolution, monochrome, crop and where the objects land; stacked pages cut
// at the size limit; reports without pages; JPEG pictures; destinations that cannot be written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/error.h"
#include "core/temp_dir.h"
#include "export/external_reader.h"
#include "export/printed_band.h"
#include "export/tiff_export.h"
#include "picture/jpeg.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

using test::run_python;

// Per image: mode, width, height, dots per inch across and down, then the colour at each
// point asked for ("-" outside the image).
const char* kReader = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
points = [tuple(map(int, p.split(','))) for p in sys.argv[2:]]
n = 0
while True:
    rgb = im.convert('RGB')
    dpi = im.info.get('dpi', (0, 0))
    colours = ['%02x%02x%02x' % rgb.getpixel(p) if p[0] < im.size[0] and p[1] < im.size[1] else '-'
               for p in points]
    print(im.mode, im.size[0], im.size[1], round(dpi[0]), round(dpi[1]), *colours)
    n += 1
    try:
        im.seek(n)
    except EOFError:
        break
)";

// A page of 100 x 80 mm (378 x 302 pixels at 96 dpi) with 10 mm margins (37.795 pixels); on it
// a blue box at 37.795..137.795 across and 37.795..87.795 down and a text object to its right
// at 187.795..337.795, 47.795..71.795. Page n's box is n - 1 page heights further down when
// the pages are stacked.
class TiffExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->set_paper_width(100);
    page->set_paper_height(80);
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(60);
    box = band->add_new<report::ShapeView>();
    box->set_name("Box");
    box->set_bounds(0, 0, 100, 50);
    box->fill.set_color(0xFF0000);  // Windows colours are 0x00BBGGRR: blue
    box->frame.set_width(0);
    auto* text = band->add_new<report::MemoView>();
    text->set_name("Text");
    text->set_bounds(150, 10, 150, 24);
    text->set_text("Zażółć gęślą jaźń");
  }

  void print(int pages) { orvena::test::print_band_pages(store, *page, *band, pages); }

  // Exports with the options into the temporary folder; the report's errors on failure.
  std::string run_export(const TiffExportOptions& options, const std::string& name = "raport.tif") {
    TiffExport tiff;
    tiff.show_dialog = false;
    tiff.file_name = dir.path() / name;
    tiff.options = options;
    report.clear_errors();
    bool ok = export_report(report, store, tiff);
    produced = tiff.files;
    std::string errors;
    for (const auto& e : report.errors()) errors += e + "\n";
    return ok ? "" : errors.empty() ? "failed" : errors;
  }

  // Pillow's view of a file, one line per image.
  std::vector<std::string> images(const std::string& name, const std::string& points = "") {
    auto r = run_python(dir.path(), kReader, (dir.path() / name).string() + " " + points);
    EXPECT_EQ(r.status, 0) << r.output;
    std::vector<std::string> lines;
    std::istringstream in(r.output);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }

  std::vector<std::string> files_in_folder() const {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path().filename() != "reader.py") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  core::TempDir dir;
  report::Report report;
  report::ReportPage* page;
  report::MasterData* band;
  report::ShapeView* box;
  report::PreparedPages store{report};
  std::vector<std::filesystem::path> produced;
};

TEST_F(TiffExportTest, EachLayoutGivesItsFilesImagesAndPixels) {
  print(3);
  // Points: the margin (white), the box's middle on page 1, and where page 2's box lies when the
  // pages are stacked (302 rows further down).
  const std::string points = "20,20 88,63 88,365";
  TiffExportOptions separate, multi, stacked, runner = TiffExportOptions::runner(), mono, fine, crop;
  multi.separate = false;
  multi.multi_image = true;
  stacked.separate = false;
  mono.monochrome = true;
  fine.resolution = 192;
  crop.crop = true;
  struct Row {
    const char* name;
    TiffExportOptions options;
    std::string target;
    std::vector<std::string> files;  // what the folder holds afterwards
    std::string file;                // the one looked at
    std::vector<std::string> expected;
  } rows[] = {
      {"separate: one file per page, the page number before the extension",
       separate,
       "raport.tif",
       {"raport.1.tif", "raport.2.tif", "raport.3.tif"},
       "raport.2.tif",
       {"RGB 378 302 96 96 ffffff 0000ff -"}},
      {"multi-image: one file, an image per page",
       multi,
       "raport.tiff",
       {"raport.tif"},
       "raport.tif",
       {"RGB 378 302 96 96 ffffff 0000ff -", "RGB 378 302 96 96 ffffff 0000ff -",
        "RGB 378 302 96 96 ffffff 0000ff -"}},
      {"the runner's: the name it gave, kept",
       runner,
       "obroty.tiff",
       {"obroty.tiff"},
       "obroty.tiff",
       {"RGB 378 302 96 96 ffffff 0000ff -", "RGB 378 302 96 96 ffffff 0000ff -",
        "RGB 378 302 96 96 ffffff 0000ff -"}},
      {"stacked: the pages one below the other",
       stacked,
       "raport.tif",
       {"raport.tif"},
       "raport.tif",
       {"RGB 378 906 96 96 ffffff 0000ff 0000ff"}},
      // Blue is darker than half white: black.
      {"monochrome: one bit per pixel",
       mono,
       "raport.tif",
       {"raport.1.tif", "raport.2.tif", "raport.3.tif"},
       "raport.3.tif",
       {"1 378 302 96 96 ffffff 000000 -"}},
      // Twice the pixels each way; the box's middle is now at 176,126.
      {"192 dpi",
       fine,
       "raport.tif",
       {"raport.1.tif", "raport.2.tif", "raport.3.tif"},
       "raport.1.tif",
       {"RGB 756 604 192 192 ffffff ffffff ffffff"}},
      // From the box's corner (38, 38) to the text's far corner plus one (339, 89): the box now
      // starts at the image's corner, so 20,20 lies in it.
      {"crop: the area the objects cover",
       crop,
       "raport.tif",
       {"raport.1.tif", "raport.2.tif", "raport.3.tif"},
       "raport.1.tif",
       {"RGB 301 51 96 96 0000ff - -"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    ASSERT_EQ(run_export(r.options, r.target), "");
    EXPECT_EQ(files_in_folder(), r.files);
    EXPECT_EQ(images(r.file, points), r.expected);
  }
}

TEST_F(TiffExportTest, AtTwiceTheResolutionObjectsLandTwiceAsFarIn) {
  print(1);
  TiffExportOptions fine;
  fine.resolution = 192;
  ASSERT_EQ(run_export(fine), "");
  // Inside the box (76..275, 76..175), and just outside it on each side.
  EXPECT_EQ(images("raport.1.tif", "78,78 273,173 176,126 73,126 278,126 176,73 176,178"),
            std::vector<std::string>{"RGB 756 604 192 192 0000ff 0000ff 0000ff ffffff ffffff ffffff ffffff"});
}

// The page frame (drawn with the page background) runs along the margins, 37.795 pixels in, as
// on the PDF page.
TEST_F(TiffExportTest, ThePageFrameRunsAlongTheMargins) {
  page->frame.typ = report::kFrameLeft | report::kFrameTop | report::kFrameRight;  // no bottom
  page->frame.set_width(3);
  page->frame.set_color(0x0000FF);  // red
  print(1);
  ASSERT_EQ(run_export({}), "");
  // The left, top and right sides; where the bottom side would be; inside the frame.
  EXPECT_EQ(images("raport.1.tif", "37,150 250,37 340,150 250,264 250,150"),
            std::vector<std::string>{"RGB 378 302 96 96 ff0000 ff0000 ff0000 ffffff ffffff"});
}

TEST_F(TiffExportTest, TheTextIsDrawn) {
  print(1);
  ASSERT_EQ(run_export({}), "");
  // Some dark pixels inside the text object's rectangle and none in the empty band below it.
  auto r = run_python(dir.path(), R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert('L')
def dark(box):
    return sum(1 for v in im.crop(box).getdata() if v < 128)
print(dark((188, 48, 338, 72)), dark((188, 100, 338, 130)))
)",
                      (dir.path() / "raport.1.tif").string());
  ASSERT_EQ(r.status, 0) << r.output;
  int inside = 0, below = 0;
  std::istringstream(r.output) >> inside >> below;
  EXPECT_GT(inside, 100) << r.output;
  EXPECT_EQ(below, 0) << r.output;
}

// A stacked image stops at 30,000 rows: 100 pages of 302 rows would be 30,200. The cut falls
// inside page 100 (its rows 29,898..30,199), whose box still shows above the cut.
TEST_F(TiffExportTest, StackedPagesAreCutAtTheSizeLimit) {
  print(100);
  TiffExportOptions stacked;
  stacked.separate = false;
  stacked.monochrome = true;  // keeps the file small; the cut is the same
  ASSERT_EQ(run_export(stacked), "");
  EXPECT_EQ(images("raport.tif", "88,29960 88,29999 20,29999"),
            std::vector<std::string>{"1 378 30000 96 96 000000 ffffff ffffff"});
}

// A page larger than the limit itself (800 x 40 mm, which the prepared page keeps as 3,024 x 151
// pixels: 30,240 x 1,510 at 960 dpi) is cut the same way.
TEST_F(TiffExportTest, APageLargerThanTheLimitIsCut) {
  page->set_paper_width(800);
  page->set_paper_height(40);
  print(1);
  TiffExportOptions huge;
  huge.resolution = 960;
  huge.monochrome = true;
  huge.separate = false;
  ASSERT_EQ(run_export(huge), "");
  auto lines = images("raport.tif");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "1 30000 1510 960 960");
}

TEST_F(TiffExportTest, AReportWithoutPagesWritesNoFile) {
  print(0);
  TiffExportOptions separate, multi = TiffExportOptions::runner(), stacked;
  stacked.separate = false;
  // One file per page: no page, no file, nothing wrong.
  EXPECT_EQ(run_export(separate), "");
  // One file: a TIFF without an image is no TIFF, so the export says so.
  for (const auto& options : {multi, stacked}) {
    EXPECT_NE(run_export(options).find("Raport nie ma żadnej strony"), std::string::npos);
  }
  EXPECT_EQ(files_in_folder(), std::vector<std::string>{});
}

TEST_F(TiffExportTest, AnUnwritableTargetFailsAndLeavesNoFile) {
  print(2);
  std::filesystem::create_directories(dir.path() / "folder.tif");
  struct Row {
    const char* name;
    TiffExportOptions options;
    std::string target;
  } rows[] = {
      {"missing folder, one file", TiffExportOptions::runner(), "brak/raport.tif"},
      {"missing folder, a file per page", {}, "brak/raport.tif"},
      {"a folder in the way", TiffExportOptions::runner(), "folder.tif"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_NE(run_export(r.options, r.target).find("Nie można utworzyć pliku"), std::string::npos);
  }
  EXPECT_EQ(files_in_folder(), std::vector<std::string>{"folder.tif"});
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "folder.tif"));
}

TEST_F(TiffExportTest, PicturesInJpegAreDrawnAndUnreadableOnesLeaveACrossedBox) {
  picture::Bitmap red{.width = 8, .height = 8, .rgba = {}, .alpha = picture::Alpha::None};
  for (int i = 0; i < 64; ++i) red.rgba.insert(red.rgba.end(), {255, 0, 0, 255});
  auto* good = band->add_new<report::PictureView>();
  good->set_name("Good");
  good->set_bounds(0, 0, 40, 20);  // over the box's top-left corner
  good->keep_aspect_ratio = false;
  good->picture.kind = report::PictureKind::Jpeg;
  good->picture.bytes = picture::encode_jpeg(red, 95);
  auto* bad = band->add_new<report::PictureView>();
  bad->set_name("Bad");
  bad->set_bounds(60, 0, 40, 20);
  bad->picture.kind = report::PictureKind::Jpeg;
  bad->picture.bytes = "\xFF\xD8\xFF\xE0 not really a JPEG";
  print(1);
  ASSERT_EQ(run_export({}), "");
  // The good picture's middle is red (within JPEG's error); the bad one is a grey box crossed
  // corner to corner over the blue box below, which shows off the lines.
  auto lines = images("raport.1.tif", "58,48 118,48 105,48");
  ASSERT_EQ(lines.size(), 1u);
  std::istringstream in(lines[0]);
  std::string mode, w, h, dx, dy, good_colour, bad_centre, bad_inside;
  in >> mode >> w >> h >> dx >> dy >> good_colour >> bad_centre >> bad_inside;
  unsigned long rgb = std::stoul(good_colour, nullptr, 16);
  EXPECT_GT(rgb >> 16, 0xF0u) << good_colour;
  EXPECT_LT((rgb >> 8) & 0xFF, 0x10u) << good_colour;
  EXPECT_LT(rgb & 0xFF, 0x10u) << good_colour;
  EXPECT_NE(bad_centre, "0000ff");
  EXPECT_EQ(bad_inside, "0000ff");
}

// LZW by default, the baseline uncompressed form when asked; both read back alike.
TEST_F(TiffExportTest, PagesAreLzwCompressedUnlessTheUncompressedFormIsAsked) {
  print(1);
  TiffExportOptions plain;
  plain.compression = tiff::Compression::None;
  ASSERT_EQ(run_export({}, "lzw.tif"), "");
  ASSERT_EQ(run_export(plain, "plain.tif"), "");
  for (auto [name, scheme] : {std::pair{"lzw.1.tif", "LZW"}, std::pair{"plain.1.tif", "None"}}) {
    auto info = test::run_command("tiffinfo " + (dir.path() / name).string());
    EXPECT_NE(info.output.find(std::string("Compression Scheme: ") + scheme + "\n"), std::string::npos)
        << info.output;
  }
  EXPECT_EQ(images("lzw.1.tif", "58,48 250,60"), images("plain.1.tif", "58,48 250,60"));
  EXPECT_LT(std::filesystem::file_size(dir.path() / "lzw.1.tif") * 5,
            std::filesystem::file_size(dir.path() / "plain.1.tif"));
}

TEST_F(TiffExportTest, AStreamGetsEveryPageAsAnImageOfOneFile) {
  print(2);
  std::stringstream out;
  TiffExport tiff;
  tiff.show_dialog = false;
  tiff.stream = &out;
  ASSERT_TRUE(export_report(report, store, tiff));
  std::ofstream(dir.path() / "stream.tif", std::ios::binary) << out.str();
  EXPECT_EQ(images("stream.tif"), (std::vector<std::string>{"RGB 378 302 96 96", "RGB 378 302 96 96"}));
  EXPECT_TRUE(tiff.files.empty());
}

}  // namespace
}  // namespace orvena::exporting
