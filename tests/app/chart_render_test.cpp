// Charts end to end: `orvena --render` of a template with a column chart of sums per region and a
// pie chart per region, over SQLite rows. The PDF carries the chart as vectors with real text,
// the TIFF draws it with the same code, bars stand in proportion to their values, an empty
// result says so, and the workbook formats hold live charts over a data sheet.
#include <gtest/gtest.h>

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

const fs::path kTemplate = fs::path(ORVENA_FIXTURES) / "charts" / "sales.orp";

test::CommandResult run_python(const fs::path& dir, const std::string& script, const std::string& args) {
  fs::path file = dir / "reader.py";
  core::write_file_atomic(file, script);
  return run_command("/usr/bin/python3 " + shell_quoted(file) + " " + args);
}

// Sums per region, in the order of the query: Południe 300, Północ 400, Wschód 250, Zachód 125.
constexpr const char* kRows =
    "create table sprzedaz (region text, produkt text, kwota decimal(10,2));"
    "insert into sprzedaz values ('Północ', 'Kawa', 100), ('Północ', 'Herbata', 300),"
    " ('Południe', 'Kawa', 120), ('Południe', 'Kakao', 180), ('Wschód', 'Kawa', 250),"
    " ('Zachód', 'Herbata', 50), ('Zachód', 'Kakao', 75);";
const std::vector<double> kSums = {300, 400, 250, 125};

// The bars of the column chart on the first page: the pixels of the first series' colour
// (#4472C4, within the rasterisers' shading) in each column above `bottom`, grouped into bars
// left to right; the height of each bar is the count in its middle column.
const char* kBars = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert('RGB')
bottom = int(float(sys.argv[2]) * im.size[1])
px = im.load()
def blue(p):
    return abs(p[0] - 0x44) < 12 and abs(p[1] - 0x72) < 12 and abs(p[2] - 0xC4) < 12
counts = [sum(1 for y in range(bottom) if blue(px[x, y])) for x in range(im.size[0])]
bars, x = [], 0
while x < len(counts):
    if counts[x] > 3:
        start = x
        while x < len(counts) and counts[x] > 3:
            x += 1
        bars.append(counts[(start + x) // 2])
    x += 1
print(' '.join(str(b) for b in bars))
)";

class ChartRenderTest : public ::testing::Test {
 protected:
  void SetUp() override { home.sql(kRows); }

  fs::path render(const std::string& format, const std::string& out,
                  const std::string& sql = "select region, produkt, kwota from sprzedaz order by region") {
    fs::path file = home.home().temporary() / out;
    auto r =
        run_orvena("--render " + shell_quoted(kTemplate) + " --sql " + shell_quoted(sql) + " --home " +
                   shell_quoted(home.home().root()) + " --format " + format + " --out " + shell_quoted(file));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("UWAGA"), std::string::npos) << r.output;
    return file;
  }

  std::string pdf_text(const fs::path& pdf) {
    auto r = run_command("pdftotext -layout " + shell_quoted(pdf) + " -", test::Streams::OutputOnly);
    EXPECT_EQ(r.status, 0);
    return r.output;
  }

  // Bar heights on the first page of an image file, above `bottom` (a share of the page height).
  std::vector<double> bars(const fs::path& image, double bottom) {
    auto r = run_python(scratch.path(), kBars, shell_quoted(image) + " " + std::to_string(bottom));
    EXPECT_EQ(r.status, 0) << r.output;
    std::istringstream in(r.output);
    std::vector<double> heights;
    for (double h; in >> h;) heights.push_back(h);
    return heights;
  }

  static void expect_proportional(const std::vector<double>& heights) {
    ASSERT_EQ(heights.size(), kSums.size());
    for (size_t i = 0; i < heights.size(); ++i) {
      SCOPED_TRACE("bar " + std::to_string(i));
      // Within 1 % of the tallest bar's height for its value.
      EXPECT_NEAR(heights[i] / heights[1], kSums[i] / kSums[1], 0.01);
    }
  }

  test::TestHome home;
  core::TempDir scratch;
};

TEST_F(ChartRenderTest, ThePdfShowsLabelsAndValuesAsTextAndNoPicture) {
  fs::path pdf = render("pdf", "wykresy.pdf");
  std::string text = pdf_text(pdf);
  for (const char* s :
       {"Sprzedaż według regionów", "Region", "Kwota", "Południe", "Północ", "Wschód", "Zachód", "400", "300",
        "250", "125", "Produkty: Północ", "Produkty: Zachód", "Herbata", "Kakao"})
    EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
  EXPECT_EQ(text.find("Brak danych"), std::string::npos);

  // No image object anywhere: the charts are paths and text.
  auto r = run_python(scratch.path(), R"(
import json, subprocess, sys
doc = json.loads(subprocess.run(['qpdf', '--json', sys.argv[1]], capture_output=True, check=True).stdout)
found = []
def walk(v):
    if isinstance(v, dict):
        if v.get('/Subtype') == '/Image':
            found.append(v)
        for x in v.values():
            walk(x)
    elif isinstance(v, list):
        for x in v:
            walk(x)
walk(doc)
print(len(found))
)",
                      shell_quoted(pdf));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "0\n");
}

TEST_F(ChartRenderTest, BarHeightsAreProportionalInThePdfAndTheTiff) {
  fs::path pdf = render("pdf", "wykresy.pdf");
  auto ppm = run_command("pdftoppm -r 150 -f 1 -l 1 -png " + shell_quoted(pdf) + " " +
                         shell_quoted(scratch.path() / "page") + " 2>&1");
  ASSERT_EQ(ppm.status, 0) << ppm.output;
  // The title band ends 10 mm + 400 px down the 297 mm page: below it the pies' blue slices.
  const double title_bottom = (10 + 400 / 3.77953) / 297;
  {
    SCOPED_TRACE("pdf");
    expect_proportional(bars(scratch.path() / "page-1.png", title_bottom));
  }
  fs::path tiff = render("tiff", "wykresy.tiff");
  {
    SCOPED_TRACE("tiff");
    expect_proportional(bars(tiff, title_bottom));
  }
}

TEST_F(ChartRenderTest, AnEmptyResultDrawsTheAxesAndSaysSo) {
  fs::path pdf = render("pdf", "pusty.pdf", "select region, produkt, kwota from sprzedaz where kwota < 0");
  std::string text = pdf_text(pdf);
  EXPECT_NE(text.find("Brak danych"), std::string::npos) << text;
  EXPECT_NE(text.find("Sprzedaż według regionów"), std::string::npos) << text;
  // The value axis of an empty chart runs 0 to 1.
  EXPECT_NE(text.find("0,2"), std::string::npos) << text;
}

// What openpyxl finds: each chart's sheet, class, direction, and per series its references with
// the data sheet's cells they name.
const char* kWorkbookCharts = R"(
import sys, re, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
data = wb['Dane wykresów']
def cells(ref):
    sheet, area = ref.split('!')
    assert sheet == "'Dane wykresów'", sheet
    area = area.replace('$', '')
    rows = data[area] if ':' in area else ((data[area],),)
    return [str(c.value) for row in rows for c in row]
print('sheets', '|'.join(wb.sheetnames))
for ws in wb.worksheets:
    for ch in ws._charts:
        print('chart', ws.title, type(ch).__name__, getattr(ch, 'barDir', '-'))
        for s in ch.series:
            cat = s.cat.strRef.f if s.cat.strRef is not None else s.cat.numRef.f
            print('series', s.tx.strRef.f, cells(s.tx.strRef.f)[0], s.val.numRef.f, '|'.join(cells(cat)),
                  '|'.join(cells(s.val.numRef.f)))
)";

TEST_F(ChartRenderTest, WorkbooksHoldLiveChartsOverTheDataSheet) {
  for (const char* format : {"excel", "excel-arkusze"}) {
    SCOPED_TRACE(format);
    fs::path xlsx = render(format, std::string(format) + ".xlsx");
    auto r = run_python(scratch.path(), kWorkbookCharts, shell_quoted(xlsx));
    ASSERT_EQ(r.status, 0) << r.output;
    std::istringstream in(r.output);
    std::string line;
    std::getline(in, line);
    // The report's sheets, then the one data sheet.
    EXPECT_TRUE(line.starts_with("sheets Page 1|") || line == "sheets Page 1|Dane wykresów") << line;
    EXPECT_TRUE(line.ends_with("|Dane wykresów")) << line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    // The column chart and four pies, each series over its own block of the data sheet.
    ASSERT_EQ(lines.size(), 10u) << r.output;
    EXPECT_EQ(lines[0], "chart Page 1 BarChart col");
    EXPECT_EQ(lines[1],
              "series 'Dane wykresów'!$B$1 Kwota 'Dane wykresów'!$B$2:$B$5 Południe|Północ|Wschód|Zachód "
              "300|400|250|125");
    EXPECT_TRUE(lines[2].starts_with("chart Page ") && lines[2].ends_with(" PieChart -")) << lines[2];
    EXPECT_EQ(lines[3], "series 'Dane wykresów'!$B$7 kwota 'Dane wykresów'!$B$8:$B$9 Kawa|Kakao 120|180");
    EXPECT_EQ(lines[9], "series 'Dane wykresów'!$B$18 kwota 'Dane wykresów'!$B$19:$B$20 Herbata|Kakao 50|75");
  }
}

}  // namespace
}  // namespace orvena::app
