// The "tiff" format end to end: orvena --render and --run write one multi-page TIFF that other
// readers open, whose pages look like the same report's PDF pages, and a target that cannot be
// written fails the job.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "support/orvena_program.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

using test::run_command;
using test::run_orvena;
using test::shell_quoted;
namespace fs = std::filesystem;

test::CommandResult run_python(const fs::path& dir, const std::string& script, const std::string& args) {
  fs::path file = dir / "reader.py";
  core::write_file_atomic(file, script);
  return run_command("/usr/bin/python3 " + shell_quoted(file) + " " + args);
}

fs::path fixture(const std::string& name) {
  return fs::path(ORVENA_FIXTURES) / "engine" / name;
}

int pdf_pages(const fs::path& pdf) {
  auto info = run_command("pdfinfo " + shell_quoted(pdf), test::Streams::OutputOnly);
  std::smatch m;
  if (!std::regex_search(info.output, m, std::regex(R"(Pages:\s+(\d+))"))) return -1;
  return std::stoi(m[1]);
}

// What tiffinfo says of each image: "width x height, resolution, compression, photometric".
std::vector<std::string> tiff_images(const fs::path& tiff) {
  auto info = run_command("tiffinfo " + shell_quoted(tiff) + " 2>&1");
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_EQ(info.output.find("Warning"), std::string::npos) << info.output;
  std::vector<std::string> images;
  std::regex entry(
      R"(Image Width: (\d+) Image Length: (\d+)\n\s+Resolution: ([\d.]+), ([\d.]+) pixels/inch\n(?:.*\n)*?\s+Compression Scheme: (\w+)\n\s+Photometric Interpretation: ([\w -]+)\n)");
  for (std::sregex_iterator i(info.output.begin(), info.output.end(), entry), end; i != end; ++i) {
    const std::smatch& m = *i;
    images.push_back(m[1].str() + "x" + m[2].str() + ", " + m[3].str() + "x" + m[4].str() + " dpi, " +
                     m[5].str() + ", " + m[6].str());
  }
  return images;
}

// The PDF and the TIFF of one report, page by page: pdftoppm draws each PDF page at 96 dpi and
// the TIFF page is compared with it over their common area. The PDF writer shifts a page's
// content by a fraction of a pixel (its margin offsets) and the two rasterisers shade edges
// differently, so a TIFF pixel counts only by how far it lies outside the range of the PDF
// pixels around it (3 x 3), in the colour channel where that is most. For each page: its
// number, the difference in width and height, the mean of that excess (0..255) and the share of
// pixels where it passes 64.
const char* kCompare = R"(
import sys, glob
from PIL import Image, ImageChops, ImageFilter
tiff, prefix = sys.argv[1], sys.argv[2]
pngs = sorted(glob.glob(prefix + '-*.png'))
im = Image.open(tiff)
print('pages', getattr(im, 'n_frames', 1), len(pngs))
for i, png in enumerate(pngs):
    im.seek(i)
    a = im.convert('RGB')
    b = Image.open(png).convert('RGB')
    dw, dh = a.size[0] - b.size[0], a.size[1] - b.size[1]
    w, h = min(a.size[0], b.size[0]), min(a.size[1], b.size[1])
    a, b = a.crop((0, 0, w, h)), b.crop((0, 0, w, h))
    low, high = b.filter(ImageFilter.MinFilter(3)), b.filter(ImageFilter.MaxFilter(3))
    excess = ImageChops.add(ImageChops.subtract(low, a), ImageChops.subtract(a, high))
    r, g, bl = excess.split()
    hist = ImageChops.lighter(r, ImageChops.lighter(g, bl)).histogram()
    mean = sum(v * c for v, c in enumerate(hist)) / (w * h)
    far = sum(hist[65:]) / (w * h)
    print(i + 1, dw, dh, '%.3f' % mean, '%.5f' % far)
)";

struct PageDifference {
  int page = 0, dw = 0, dh = 0;
  double mean = 0, far = 0;
};

// Measured on the fixtures and the demo: a mean excess up to 0.36 and a share up to 0.1% (dash
// patterns of different lengths, glyph edges). Anything misplaced, missing or in the wrong
// colour passes these at once (the page moved by 6 pixels gives several percent).
constexpr double kMeanTolerance = 1.0;
constexpr double kFarShareTolerance = 0.005;

class TiffOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Enough rows for a second page on the fixtures' small paper.
    home.sql(
        "create table t (id integer, nazwa text, kwota decimal(10,2));"
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 14)"
        "  insert into t select i, 'Pozycja ' || i || ' – żółć', i * 12.5 from n;");
  }

  fs::path render(const fs::path& tpl, const std::string& format, const std::string& out) {
    fs::path file = home.home().temporary() / out;
    auto r = run_orvena(
        "--render " + shell_quoted(tpl) + " --sql 'select id, nazwa, kwota from t order by id' --home " +
        shell_quoted(home.home().root()) + " --format " + format + " --out " + shell_quoted(file));
    EXPECT_EQ(r.status, 0) << r.output;
    return file;
  }

  std::vector<PageDifference> compare(const fs::path& pdf, const fs::path& tiff) {
    fs::path prefix = scratch.path() / pdf.stem();
    auto ppm = run_command("pdftoppm -r 96 -png " + shell_quoted(pdf) + " " + shell_quoted(prefix) + " 2>&1");
    EXPECT_EQ(ppm.status, 0) << ppm.output;
    auto r = run_python(scratch.path(), kCompare, shell_quoted(tiff) + " " + shell_quoted(prefix));
    EXPECT_EQ(r.status, 0) << r.output;
    std::istringstream in(r.output);
    std::string word;
    int tiff_pages = 0, pdf_pages = 0;
    in >> word >> tiff_pages >> pdf_pages;
    EXPECT_EQ(tiff_pages, pdf_pages) << r.output;
    std::vector<PageDifference> pages;
    for (PageDifference d; in >> d.page >> d.dw >> d.dh >> d.mean >> d.far;) pages.push_back(d);
    EXPECT_EQ(int(pages.size()), pdf_pages) << r.output;
    return pages;
  }

  test::TestHome home;
  core::TempDir scratch;
};

TEST_F(TiffOutputTest, RenderWritesOneImagePerPageThatPillowOpens) {
  fs::path tiff = render(fixture("list.orp"), "tiff", "lista.tiff");
  fs::path pdf = render(fixture("list.orp"), "pdf", "lista.pdf");
  int pages = pdf_pages(pdf);
  ASSERT_GE(pages, 2);
  // The list's paper is 100 x 52.917 mm: 378 x 200 pixels at 96 dpi.
  EXPECT_EQ(tiff_images(tiff), std::vector<std::string>(pages, "378x200, 96x96 dpi, LZW, RGB color"));
  auto r = run_python(scratch.path(), R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
for i in range(im.n_frames):
    im.seek(i)
    im.load()
    print(im.mode, im.size[0], im.size[1])
)",
                      shell_quoted(tiff));
  ASSERT_EQ(r.status, 0) << r.output;
  std::string expected;
  for (int i = 0; i < pages; ++i) expected += "RGB 378 200\n";
  EXPECT_EQ(r.output, expected);
}

// The settings key keeps the baseline uncompressed form for the run's TIFF files.
TEST_F(TiffOutputTest, TheSettingsKeyKeepsTheUncompressedForm) {
  fs::copy_file(fixture("list.orp"), home.home().templates() / "lista.orp");
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[tiff_kompresja]=nie"});
  home.write_definitions({{.raport = "Lista",
                           .zapytanie = {"select id, nazwa, kwota from t order by id"},
                           .nazwa_pliku = "lista.tiff",
                           .szablon_raportu = "lista.orp",
                           .format_pliku = "tiff"}});
  auto r = run_orvena("--run --home " + shell_quoted(home.home().root()));
  ASSERT_EQ(r.status, 0) << r.output;
  const auto images = tiff_images(home.home().temporary() / "lista.tiff");
  ASSERT_GE(images.size(), 2u);
  EXPECT_EQ(images, std::vector<std::string>(images.size(), "378x200, 96x96 dpi, None, RGB color"));
}

TEST_F(TiffOutputTest, TiffPagesLookLikeThePdfPages) {
  for (const char* name : {"frames_fills", "rotated_tags"}) {
    SCOPED_TRACE(name);
    fs::path pdf = render(fixture(std::string(name) + ".orp"), "pdf", std::string(name) + ".pdf");
    fs::path tiff = render(fixture(std::string(name) + ".orp"), "tiff", std::string(name) + ".tiff");
    auto pages = compare(pdf, tiff);
    EXPECT_EQ(pages.size(), 2u);
    for (const PageDifference& d : pages) {
      SCOPED_TRACE("page " + std::to_string(d.page));
      EXPECT_LE(std::abs(d.dw), 1);
      EXPECT_LE(std::abs(d.dh), 1);
      EXPECT_LT(d.mean, kMeanTolerance);
      EXPECT_LT(d.far, kFarShareTolerance);
    }
  }
}

// The comparison sees a fault: a page drawn with its text moved is far outside the tolerance.
TEST_F(TiffOutputTest, TheComparisonCatchesAMovedPage) {
  fs::path pdf = render(fixture("frames_fills.orp"), "pdf", "ramki.pdf");
  fs::path tiff = render(fixture("frames_fills.orp"), "tiff", "ramki.tiff");
  fs::path moved = scratch.path() / "moved.tiff";
  auto r = run_python(scratch.path(), R"(
import sys
from PIL import Image, ImageChops
im = Image.open(sys.argv[1])
pages = []
for i in range(im.n_frames):
    im.seek(i)
    pages.append(ImageChops.offset(im.convert('RGB'), 0, 6))
pages[0].save(sys.argv[2], save_all=True, append_images=pages[1:], dpi=(96, 96))
)",
                      shell_quoted(tiff) + " " + shell_quoted(moved));
  ASSERT_EQ(r.status, 0) << r.output;
  auto pages = compare(pdf, moved);
  ASSERT_FALSE(pages.empty());
  EXPECT_TRUE(pages[0].mean >= kMeanTolerance || pages[0].far >= kFarShareTolerance)
      << pages[0].mean << " " << pages[0].far;
}

TEST_F(TiffOutputTest, TheRunnerDeliversOneFileAndLogsAFailureWhenItCannotBeWritten) {
  fs::copy_file(fixture("list.orp"), home.home().templates() / "lista.orp");
  home.write_definitions({{.raport = "Lista",
                           .zapytanie = {"select id, nazwa, kwota from t order by id"},
                           .nazwa_pliku = "lista.tiff",
                           .szablon_raportu = "lista.orp",
                           .format_pliku = "tiff"},
                          {.raport = "Zablokowana",
                           .zapytanie = {"select id, nazwa, kwota from t order by id"},
                           .nazwa_pliku = "zajete.tiff",
                           .szablon_raportu = "lista.orp",
                           .format_pliku = "tiff"}});
  // A folder where the second file should go: it cannot be replaced by the report.
  fs::create_directories(home.home().temporary() / "zajete.tiff");
  auto r = run_orvena("--run --home " + shell_quoted(home.home().root()));
  EXPECT_EQ(r.status, 3) << r.output;

  fs::path tiff = home.home().temporary() / "lista.tiff";
  EXPECT_GE(tiff_images(tiff).size(), 2u);
  // Nothing but the delivered file and the folder in the way: no page files, no leftovers.
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(home.home().temporary()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"lista.tiff", "zajete.tiff"}));
  EXPECT_TRUE(fs::is_empty(home.home().temporary() / "zajete.tiff"));

  std::vector<std::string> log;
  for (auto& e : fs::directory_iterator(home.home().logs())) log = core::read_lines(e.path());
  auto failed =
      std::find(log.begin(), log.end(), ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!");
  ASSERT_NE(failed, log.end());
  // The failure belongs to the second definition, logged after the first one's end.
  auto second = std::find_if(log.begin(), log.end(),
                             [](const auto& l) { return l.find("Zablokowana") != std::string::npos; });
  EXPECT_LT(second, failed);
}

// The demo's "tiff" definition: one image per page of the same report's PDF, each LZW-compressed
// RGB at 96 dpi, and each looking like that PDF page.
TEST_F(TiffOutputTest, TheDemoTiffHasAnImagePerPageOfItsPdf) {
  const fs::path demo = scratch.path() / "demo";
  auto r = test::run_demo_copy(demo);
  ASSERT_TRUE(r.status == 0 || r.status == 3) << r.output;
  fs::path tiff, pdf;
  for (auto& e : fs::directory_iterator(demo / "Tymczasowe")) {
    std::string name = e.path().filename().string();
    if (name.starts_with("obroty_") && e.path().extension() == ".tiff") tiff = e.path();
    if (name.starts_with("obroty_") && e.path().extension() == ".pdf") pdf = e.path();
  }
  ASSERT_FALSE(tiff.empty());
  ASSERT_FALSE(pdf.empty());
  int pages = pdf_pages(pdf);
  ASSERT_GE(pages, 1);
  // A4 at 96 dpi.
  EXPECT_EQ(tiff_images(tiff), std::vector<std::string>(pages, "794x1123, 96x96 dpi, LZW, RGB color"));
  for (const PageDifference& d : compare(pdf, tiff)) {
    SCOPED_TRACE("page " + std::to_string(d.page));
    EXPECT_LT(d.mean, kMeanTolerance);
    EXPECT_LT(d.far, kFarShareTolerance);
  }
}

}  // namespace
}  // namespace orvena::app
