// How pictures and shapes are drawn by every writer: a picture's place by Stretched,
// KeepAspectRatio, Center and AutoSize, its transparent colour and its scaling, the box of a
// picture that cannot be drawn, rounded rectangles, and hatched or graded shapes in the table
// formats. The canvas first, then the PDF (through poppler) and TIFF (through Pillow) pages.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "core/temp_dir.h"
#include "export/external_reader.h"
#include "export/matrix/layout_matrix.h"
#include "export/pdf_export.h"
#include "export/printed_band.h"
#include "export/printed_view.h"
#include "export/tiff_export.h"
#include "report/bands.h"
#include "report/canvas/cairo_canvas.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

using report::canvas::CairoCanvas;
using report::canvas::Rect;
using report::canvas::Rgb;

constexpr Rgb kRed = 0xFF0000;

// A PNG of `width` × `height` whose pixels `colour` gives (0xAARRGGBB).
std::string png(int width, int height, const std::function<uint32_t(int, int)>& colour) {
  MatrixPicture p;
  p.width = width;
  p.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t c = colour(x, y);
      p.rgba.insert(p.rgba.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
    }
  return p.png();
}

std::string red_png(int width, int height) {
  return png(width, height, [](int, int) { return 0xFFFF0000; });
}

report::PictureView picture_view(std::string bytes, report::PictureKind kind = report::PictureKind::Png) {
  report::PictureView v;
  v.picture.kind = kind;
  v.picture.bytes = std::move(bytes);
  return v;
}

// The smallest rectangle holding every pixel of the colour; all zeros when there is none.
Rect box_of(CairoCanvas& canvas, Rgb colour) {
  int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (canvas.pixel(x, y) == colour) {
        left = std::min(left, x), top = std::min(top, y);
        right = std::max(right, x), bottom = std::max(bottom, y);
      }
  if (right < 0) return {};
  return {double(left), double(top), double(right - left + 1), double(bottom - top + 1)};
}

std::string text(const Rect& r) {
  std::ostringstream s;
  s << r.left << "," << r.top << " " << r.width << "x" << r.height;
  return s.str();
}

// A picture of 40 × 20 in an area of 100 × 100 at (10, 10), and one wider than the area.
TEST(PicturePlace, SizingPropertiesPlaceThePictureAndTheAreaClipsIt) {
  struct Case {
    const char* name;
    bool stretched, keep_aspect_ratio, center, auto_size;
    int width;
    Rect expected;
  };
  const Case cases[] = {
      // Stretched to the area's width, half as high: 100 × 50.
      {"kept proportions", true, true, false, false, 40, {10, 10, 100, 50}},
      {"kept proportions, centred", true, true, true, false, 40, {10, 35, 100, 50}},
      {"stretched to the area", true, false, false, false, 40, {10, 10, 100, 100}},
      // Natural size, a pixel a report pixel.
      {"natural size", false, true, false, false, 40, {10, 10, 40, 20}},
      {"natural size, centred", false, true, true, false, 40, {40, 50, 40, 20}},
      {"natural size, cut by the area", false, true, false, false, 300, {10, 10, 100, 20}},
      {"natural size, centred and cut", false, true, true, false, 300, {10, 50, 100, 20}},
      // AutoSize leaves the engine's size to the picture: drawn at its natural size.
      {"auto size", true, true, false, true, 40, {10, 10, 40, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = picture_view(red_png(c.width, 20));
    v.stretched = c.stretched;
    v.keep_aspect_ratio = c.keep_aspect_ratio;
    v.center = c.center;
    v.auto_size = c.auto_size;
    CairoCanvas canvas(200, 200);
    draw_picture_view(canvas, v, {10, 10, 100, 100});
    EXPECT_EQ(text(box_of(canvas, kRed)), text(c.expected));
  }
}

// Left half white, right half red; over a blue fill the clear colour lets the blue through.
TEST(PicturePlace, TheTransparentColourLetsTheBackgroundThrough) {
  const std::string halves = png(20, 10, [](int x, int) { return x < 10 ? 0xFFFFFFFF : 0xFFFF0000; });
  struct Case {
    bool transparent;
    int64_t colour;  // Windows 0x00BBGGRR
    Rgb left, right;
  };
  const Case cases[] = {{false, report::kWhite, 0xFFFFFF, kRed},
                        {true, report::kWhite, 0x0000FF, kRed},
                        {true, 0x0000FF, 0xFFFFFF, 0x0000FF}};  // red made clear
  for (const Case& c : cases) {
    auto v = picture_view(halves);
    v.keep_aspect_ratio = false;
    v.transparent = c.transparent;
    v.transparent_color = c.colour;
    CairoCanvas canvas(40, 20);
    canvas.fill_rect({0, 0, 40, 20}, 0x0000FF);
    draw_picture_view(canvas, v, {0, 0, 40, 20});
    EXPECT_EQ(canvas.pixel(5, 10), c.left) << c.transparent << " " << c.colour;
    EXPECT_EQ(canvas.pixel(35, 10), c.right) << c.transparent << " " << c.colour;
  }
}

// A checkerboard of single pixels made ten times smaller: a plain stretch picks one pixel of
// each ten (pure black or white, the moire of a scanned page shrunk), HightQuality averages
// them to grey.
TEST(PicturePlace, HightQualityAveragesWhatAPlainStretchPicks) {
  const std::string checkers =
      png(100, 100, [](int x, int y) { return (x + y) % 2 ? 0xFF000000 : 0xFFFFFFFF; });
  for (bool smooth : {false, true}) {
    auto v = picture_view(checkers);
    v.hight_quality = smooth;
    CairoCanvas canvas(10, 10);
    draw_picture_view(canvas, v, {0, 0, 10, 10});
    const Rgb middle = canvas.pixel(5, 5);
    if (smooth) {
      EXPECT_GT(middle & 0xFF, 0x50u) << std::hex << middle;
      EXPECT_LT(middle & 0xFF, 0xB0u) << std::hex << middle;
    } else {
      EXPECT_TRUE(middle == 0 || middle == 0xFFFFFF) << std::hex << middle;
    }
  }
}

// Damaged bytes, bytes of no picture and a metafile (which nothing here draws) leave a crossed
// box rather than a blank.
TEST(PicturePlace, APictureThatCannotBeDrawnLeavesACrossedBox) {
  const std::pair<report::PictureKind, std::string> cases[] = {
      {report::PictureKind::Png, red_png(8, 8).substr(0, 30)},
      {report::PictureKind::Jpeg, "no jpeg"},
      {report::PictureKind::Metafile, std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0')},
  };
  for (const auto& [kind, bytes] : cases) {
    CairoCanvas canvas(60, 60);
    draw_picture_view(canvas, picture_view(bytes, kind), {10, 10, 40, 40});
    EXPECT_NE(canvas.pixel(30, 30), 0xFFFFFFu) << int(kind);  // where the diagonals cross
    EXPECT_NE(canvas.pixel(10, 30), 0xFFFFFFu) << int(kind);  // the outline
    EXPECT_EQ(canvas.pixel(20, 30), 0xFFFFFFu) << int(kind);  // inside, off the cross
  }
}

// ---- Shapes -------------------------------------------------------------------------------------

report::ShapeView shape(report::ShapeKind kind, int64_t curve = 0) {
  report::ShapeView s;
  s.set_bounds(10, 10, 120, 80);
  s.shape = kind;
  s.curve = curve;
  s.fill.set_color(0);  // black
  s.frame.set_width(0);
  return s;
}

// A rounded rectangle of 120 × 80: its corners are white, its edges between them filled. With
// Curve 0 the radius is an eighth of the shorter side (10), with Curve 2 twice that.
TEST(RoundRectangle, CornersAreRoundedByCurve) {
  struct Case {
    int64_t curve;
    double radius;
  };
  for (const Case& c : {Case{0, 10}, Case{2, 20}, Case{9, 40}}) {
    SCOPED_TRACE(c.curve);
    auto s = shape(report::ShapeKind::RoundRectangle, c.curve);
    PrintedView v = resolve_view(s);
    EXPECT_EQ(v.corner_radius(), c.radius);
    CairoCanvas canvas(140, 100);
    draw_view(canvas, v);
    // Just inside the corner, on the diagonal: outside the arc.
    const int in = std::max(1, int(c.radius * 0.1));
    EXPECT_EQ(canvas.pixel(10 + in, 10 + in), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(129 - in, 89 - in), 0xFFFFFFu);
    // The middle of each edge and the middle of the shape are filled.
    for (auto [x, y] :
         {std::pair{70, 11}, std::pair{70, 88}, std::pair{11, 50}, std::pair{128, 50}, std::pair{70, 50}})
      EXPECT_EQ(canvas.pixel(x, y), 0u) << x << "," << y;
  }
  // A plain rectangle keeps its corners.
  CairoCanvas square(140, 100);
  draw_view(square, resolve_view(shape(report::ShapeKind::Rectangle)));
  EXPECT_EQ(square.pixel(11, 11), 0u);
}

// The table formats draw a rounded rectangle, and a rectangle with a hatch or a gradient, as a
// picture; a plain filled rectangle stays a cell of its colour.
TEST(RoundRectangle, TableFormatsDrawRoundedAndPatternedShapesAsPictures) {
  auto rounded = shape(report::ShapeKind::RoundRectangle, 2);
  auto hatched = shape(report::ShapeKind::Rectangle);
  hatched.fill.set_type(report::FillType::Brush);
  auto& brush = static_cast<report::BrushFill&>(hatched.fill.fill());
  brush.style = report::BrushStyle::Cross;
  brush.fore_color = 0;               // black lines
  brush.back_color = report::kWhite;  // on white
  auto graded = shape(report::ShapeKind::Rectangle);
  graded.fill.set_type(report::FillType::Gradient);
  auto& gradient = static_cast<report::GradientFill&>(graded.fill.fill());
  gradient.start_color = 0x0000FF;  // red
  gradient.end_color = 0xFF0000;    // to blue
  gradient.gradient_style = report::GradientStyle::Horizontal;
  auto plain = shape(report::ShapeKind::Rectangle);

  auto pixel = [](const MatrixPicture& p, int x, int y) {
    const uint8_t* c = p.rgba.data() + (size_t(y) * size_t(p.width) + size_t(x)) * 4;
    return Rgb(c[0] << 16 | c[1] << 8 | c[2]);
  };
  LayoutMatrix m;
  for (auto* s : {&rounded, &hatched, &graded, &plain}) m.add_object(*s);
  ASSERT_EQ(m.objects_count(), 4);
  const MatrixPicture& r = m.object(0)->picture;
  ASSERT_FALSE(r.empty());
  EXPECT_EQ(pixel(r, 2, 2), 0xFFFFFFu);  // a rounded corner
  EXPECT_EQ(pixel(r, 60, 40), 0u);

  const MatrixPicture& h = m.object(1)->picture;
  ASSERT_FALSE(h.empty());
  int dark = 0, light = 0;
  for (int x = 0; x < 120; ++x) (pixel(h, x, 43) == 0xFFFFFF ? light : dark)++;
  EXPECT_GT(dark, 5);  // the vertical hatch lines cross the row
  EXPECT_GT(light, 60);

  const MatrixPicture& g = m.object(2)->picture;
  ASSERT_FALSE(g.empty());
  EXPECT_GT(pixel(g, 2, 40) >> 16, 0xE0u);     // red at the left
  EXPECT_GT(pixel(g, 117, 40) & 0xFF, 0xE0u);  // blue at the right

  EXPECT_TRUE(m.object(3)->picture.empty());
  EXPECT_EQ(m.object(3)->name, "Rect");
}

// ---- Through the writers and outside readers --------------------------------------------------

// Pillow on a page (a PNG poppler made, or a TIFF page): the box of the red pixels and the
// colours at the points asked for.
const char* kProbe = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert('RGB')
w, h = im.size
px = im.load()
red = [(x, y) for y in range(h) for x in range(0, w) if px[x, y][0] > 200 and px[x, y][1] < 60 and px[x, y][2] < 60]
xs = [p[0] for p in red]; ys = [p[1] for p in red]
print(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
for p in sys.argv[2:]:
    x, y = map(int, p.split(','))
    print('%02x%02x%02x' % px[x, y])
)";

// A page without margins: a red picture of 200 × 100 kept in its proportions and centred in
// an area of 300 × 300 at (50, 50), so it lands at (50, 125) as 300 × 150; and a black rounded
// rectangle of 200 × 120 at (400, 50) with Curve 2 (a radius of 30).
class WrittenPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    auto* page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->set_paper_width(210);
    page->set_paper_height(120);
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 0;
    auto* band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(400);
    auto* logo = band->add_new<report::PictureView>();
    logo->set_name("Logo");
    logo->set_bounds(50, 50, 300, 300);
    logo->center = true;
    logo->picture.kind = report::PictureKind::Png;
    logo->picture.bytes = red_png(200, 100);
    logo->frame.set_width(0);
    auto* frame = band->add_new<report::ShapeView>();
    frame->set_name("Ramka");
    frame->set_bounds(400, 50, 200, 120);
    frame->shape = report::ShapeKind::RoundRectangle;
    frame->curve = 2;
    frame->fill.set_color(0);
    orvena::test::print_band_pages(store, *page, *band, 1);
  }

  // The probe's lines for a picture file: the red box, then the colour at each point.
  std::vector<std::string> probe(const std::filesystem::path& file) {
    // Rounded corner (just inside, on the diagonal), the middle of its top edge, its centre.
    auto r = test::run_python(dir.path(), kProbe, file.string() + " 405,55 500,51 500,110");
    EXPECT_EQ(r.status, 0) << r.output;
    std::vector<std::string> lines;
    std::istringstream in(r.output);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }

  void expect_placed(const std::vector<std::string>& lines) {
    ASSERT_EQ(lines.size(), 4u);
    double left, top, width, height;
    std::istringstream(lines[0]) >> left >> top >> width >> height;
    EXPECT_NEAR(width / height, 2.0, 0.02) << lines[0];  // the picture's proportions within 1 %
    EXPECT_NEAR(left + width / 2, 200, 1) << lines[0];   // centred within a pixel
    EXPECT_NEAR(top + height / 2, 200, 1) << lines[0];
    EXPECT_NEAR(width, 300, 2) << lines[0];
    EXPECT_EQ(lines[1], "ffffff");  // the rounded corner
    EXPECT_EQ(lines[2], "000000");
    EXPECT_EQ(lines[3], "000000");
  }

  core::TempDir dir;
  report::Report report;
  report::PreparedPages store{report};
};

TEST_F(WrittenPictures, PdfPagesShowThePictureInProportionCentredAndTheCornersRounded) {
  PdfExport pdf;
  pdf.show_dialog = false;
  pdf.file_name = dir.path() / "obrazy.pdf";
  ASSERT_TRUE(export_report(report, store, pdf));
  auto r = test::run_command("pdftoppm -r 96 -png -singlefile '" + pdf.file_name.string() + "' '" +
                             (dir.path() / "obrazy").string() + "'");
  ASSERT_EQ(r.status, 0) << r.output;
  expect_placed(probe(dir.path() / "obrazy.png"));
}

TEST_F(WrittenPictures, TiffPagesShowThePictureInProportionCentredAndTheCornersRounded) {
  TiffExport tiff;
  tiff.show_dialog = false;
  tiff.file_name = dir.path() / "obrazy.tif";
  tiff.options = TiffExportOptions::runner();
  ASSERT_TRUE(export_report(report, store, tiff));
  expect_placed(probe(dir.path() / "obrazy.tif"));
}

}  // namespace
}  // namespace orvena::exporting
