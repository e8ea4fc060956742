// Lines, shapes, fills, clipping, rotation and pictures, rendered by poppler at 96 dpi (one
// report pixel to one image pixel) and checked pixel by pixel. The rendered page stays in the
// build folder (tests/export/drawing-1.png) for a person to look at.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "export/pdf/pdf_document.h"
#include "export/pdf_canvas.h"
#include "pdf_support.h"
#include "picture/jpeg.h"
#include "report/text/font_service.h"

namespace orvena::exporting::pdf::test {
namespace {

using picture::Alpha;
using picture::Bitmap;
using picture::encode_jpeg;

const Color kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 160, 0}, kBlack{0, 0, 0}, kGrey{128, 128, 128};

// A bitmap of four coloured quarters; alpha 0 on the left half when `holes`.
Bitmap quarters(int size, bool holes) {
  Bitmap b{.width = size, .height = size, .alpha = holes ? Alpha::Straight : Alpha::None};
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      bool right = x >= size / 2, low = y >= size / 2;
      Color c = !right && !low ? kRed : right && !low ? kGreen : !right ? kBlue : Color{255, 200, 0};
      b.rgba.insert(b.rgba.end(), {c.r, c.g, c.b, uint8_t(holes && !right ? 0 : 255)});
    }
  return b;
}

struct Rendered {
  cairo_surface_t* surface = nullptr;
  ~Rendered() {
    if (surface) cairo_surface_destroy(surface);
  }
  Color at(int x, int y) const {
    auto* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    uint32_t px = *reinterpret_cast<uint32_t*>(data + y * stride + x * 4);
    return {uint8_t(px >> 16), uint8_t(px >> 8), uint8_t(px)};
  }
};

// Within a JPEG's and an anti-aliased edge's error.
::testing::AssertionResult near(Color got, Color want, int tolerance = 40) {
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << int(got.r) << "," << int(got.g) << "," << int(got.b)
                                       << " want " << int(want.r) << "," << int(want.g) << "," << int(want.b);
}

const Color kWhite{255, 255, 255};

TEST(PdfDrawing, ShapesLinesAndPicturesLandWhereTheyAreDrawn) {
  core::TempDir dir;
  auto file = dir.path() / "drawing.pdf";
  Fixed fixed;
  {
    Document doc(file, fixed.options());
    Page& page = doc.begin_page({.width = 600, .height = 400});
    // Row 1: shapes.
    page.rectangle(20, 20, 100, 60, Pen{.color = kBlack, .width = 2}, kRed);
    page.rectangle(140, 20, 100, 60, Pen{.color = kBlue, .width = 3}, std::nullopt);
    page.rounded_rectangle(260, 20, 100, 60, 15, Pen{.color = kBlack}, kGreen);
    page.ellipse(380, 20, 100, 60, Pen{.color = kBlack}, kBlue);
    page.polygon({{550, 20}, {590, 80}, {510, 80}}, std::nullopt, kGreen);
    // Row 2: line styles, each 4 px wide.
    const LineStyle styles[] = {LineStyle::Solid, LineStyle::Dash, LineStyle::Dot, LineStyle::DashDot,
                                LineStyle::DashDotDot};
    for (int i = 0; i < 5; ++i)
      page.line(20, 110 + 15 * i, 300, 110 + 15 * i, {.color = kBlack, .width = 4, .style = styles[i]});
    // Row 3: a JPEG as it is, a bitmap with transparent left half over grey, a clipped disc.
    page.image(doc.jpeg(encode_jpeg(quarters(64, false), 90)), 20, 200, 128, 128);
    page.rectangle(180, 200, 128, 128, std::nullopt, kGrey);
    page.image(doc.bitmap(quarters(64, true), 90), 180, 200, 128, 128);
    page.save();
    page.clip(340, 200, 60, 128);
    page.ellipse(340, 200, 128, 128, std::nullopt, kRed);
    page.restore();
    // A rotated bar: 100 x 10 turned by 90 degrees about its centre (500, 265).
    page.save();
    page.rotate(500, 265, 90);
    page.rectangle(450, 260, 100, 10, std::nullopt, kBlue);
    page.restore();
    doc.end_page();
    doc.finish();
  }
  Command check = run("qpdf --check " + shell_quoted(file) + " 2>&1");
  EXPECT_EQ(check.status, 0) << check.output;

  std::string prefix = std::string(ORVENA_BINARY_DIR) + "/tests/export/drawing";
  ASSERT_EQ(run("pdftoppm -r 96 -png " + shell_quoted(file) + " " + shell_quoted(prefix)).status, 0);
  Rendered r{cairo_image_surface_create_from_png((prefix + "-1.png").c_str())};
  ASSERT_EQ(cairo_surface_status(r.surface), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(r.surface), 600);

  struct Probe {
    const char* what;
    int x, y;
    Color want;
  } probes[] = {
      {"filled rectangle", 70, 50, kRed},
      {"its frame", 20, 50, kBlack},
      {"stroked rectangle is empty", 190, 50, kWhite},
      {"stroked rectangle's frame", 140, 50, kBlue},
      {"rounded rectangle", 310, 50, kGreen},
      {"rounded corner is cut", 261, 21, kWhite},
      {"ellipse centre", 430, 50, kBlue},
      {"ellipse leaves the box corner", 383, 23, kWhite},
      {"triangle", 550, 70, kGreen},
      {"solid line", 160, 110, kBlack},
      // Dash elements are 6 and 2 times the width in points: 24 pt = 32 px, 8 pt = 10.7 px.
      {"dash: first dash", 40, 125, kBlack},
      {"dash: first gap (52 to 84)", 68, 125, kWhite},
      {"dash: second dash", 100, 125, kBlack},
      {"dot: dot", 25, 140, kBlack},
      {"dot: gap (31 to 63)", 45, 140, kWhite},
      {"JPEG top left", 50, 230, kRed},
      {"JPEG top right", 120, 230, kGreen},
      {"JPEG bottom left", 50, 300, kBlue},
      {"masked half shows the grey below", 210, 230, kGrey},
      {"opaque half", 280, 230, kGreen},
      {"clip keeps the left of the disc", 380, 264, kRed},
      {"clip cuts the rest", 430, 264, kWhite},
      {"rotated bar stands upright", 500, 225, kBlue},
      {"nothing where the bar lay", 460, 265, kWhite},
  };
  for (const auto& p : probes) EXPECT_TRUE(near(r.at(p.x, p.y), p.want)) << p.what;
}

TEST(PdfDrawing, PenOperatorsFollowTheLineStyle) {
  // Elements are 6 (long) and 2 (short) times the width, dash first.
  struct Row {
    LineStyle style;
    const char* pattern;
  } rows[] = {
      {LineStyle::Solid, "[] 0 d"},
      {LineStyle::Dash, "[3.00 ] 0 d"},
      {LineStyle::Dot, "[1.00 3.00 ] 0 d"},
      {LineStyle::DashDot, "[3.00 3.00 1.00 3.00 ] 0 d"},
      {LineStyle::DashDotDot, "[3.00 3.00 1.00 3.00 1.00 3.00 ] 0 d"},
  };
  for (const auto& r : rows) EXPECT_EQ(Page::dash_pattern(r.style, 0.5), r.pattern);
}

TEST(PdfImages, TheSamePictureOnTwoPagesIsStoredOnce) {
  Fixed fixed;
  std::ostringstream out;
  Document doc(out, fixed.options(Compression::None));
  std::string logo = encode_jpeg(quarters(16, false), 80);
  for (int i = 0; i < 2; ++i) {
    Page& page = doc.begin_page({.width = 200, .height = 200});
    page.image(doc.jpeg(logo), 10, 10, 32, 32);
    page.image(doc.bitmap(quarters(16, true), 80), 50, 10, 32, 32);
    doc.end_page();
  }
  doc.finish();
  std::string pdf = out.str();
  auto count = [&](const std::string& s) {
    size_t n = 0;
    for (size_t at = pdf.find(s); at != std::string::npos; at = pdf.find(s, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("/Filter /DCTDecode"), 2u);       // the JPEG and the bitmap, once each
  EXPECT_EQ(count("/ColorSpace /DeviceGray"), 1u);  // the bitmap's soft mask
  EXPECT_EQ(count("/SMask "), 1u);
  std::regex xobjects(R"(/XObject << [^>]* >>)");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), xobjects); it != std::sregex_iterator(); ++it)
    found.push_back(it->str());
  // Both pages name the same objects: one resource dictionary serves both.
  ASSERT_EQ(found.size(), 1u);
  std::regex resources(R"(/Resources (\d+) 0 R)");
  std::vector<std::string> named;
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), resources); it != std::sregex_iterator(); ++it)
    named.push_back((*it)[1]);
  EXPECT_EQ(named, (std::vector<std::string>{named.at(0), named.at(0)}));
  EXPECT_TRUE(std::regex_match(found[0], std::regex(R"(/XObject << /Im0 \d+ 0 R /Im1 \d+ 0 R >>)")))
      << found[0];
}

TEST(PdfImages, DamagedJpegIsRefusedWithAClearError) {
  Fixed fixed;
  std::ostringstream out;
  Document doc(out, fixed.options());
  std::string jpeg = encode_jpeg(quarters(16, false), 80);
  for (std::string bad : {std::string(), std::string("GIF89a"), jpeg.substr(0, 20)}) {
    try {
      doc.jpeg(bad);
      ADD_FAILURE() << "accepted " << bad.size() << " bytes";
    } catch (const core::Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Nieprawidłowy plik JPEG: ", 0), 0u) << e.what();
    }
  }
}

// A text object's clip is written only when its text might reach outside the rectangle; what
// the page shows is the same either way.
TEST(PdfCanvasClip, WrittenOnlyWhenTheTextMightReachOutside) {
  auto face = report::text::FontService::instance().face({});
  ASSERT_TRUE(face);
  const double em = 13.33;  // 10 points
  std::vector<report::canvas::PlacedGlyph> glyphs;
  double x = 4;
  for (char32_t c : std::u32string(U"Łódź 12,5")) {
    uint32_t id = face->glyph_id(c);
    glyphs.push_back({id, x, 14});
    x += face->advance_units(id) * em / face->units_per_em();
  }
  const report::canvas::GlyphRun run{
      .face = face.get(), .em_pixels = em, .glyphs = glyphs, .text = U"Łódź 12,5"};
  using report::canvas::Rect;
  struct Case {
    const char* name;
    std::function<void(PdfCanvas&)> draw;
    bool clipped;
  } cases[] = {
      {"fits its cell",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 0, 200, 18}), c.draw_glyphs(run);
       },
       false},
      {"the cell moved under the text",
       [&](PdfCanvas& c) {
         c.translate(100, 50), c.clip(Rect{0, 0, 200, 18}), c.draw_glyphs(run);
       },
       false},
      {"too narrow",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 0, 40, 18}), c.draw_glyphs(run);
       },
       true},
      {"too low for the accent",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 6, 200, 12}), c.draw_glyphs(run);
       },
       true},
      {"too short for the descender",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 0, 200, 15}), c.draw_glyphs(run);
       },
       true},
      {"a fill",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 0, 200, 18}), c.fill_rect({0, 0, 300, 30}, 0xFF);
       },
       true},
      {"turned after the clip",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 0, 200, 18}), c.rotate_degrees(90), c.draw_glyphs(run);
       },
       true},
      {"nothing drawn before the restore",
       [&](PdfCanvas& c) {
         c.clip(Rect{0, 0, 40, 18});
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixed fixed;
    std::ostringstream out;
    Document doc(out, fixed.options(Compression::None));
    Page& page = doc.begin_page({.width = 400, .height = 300});
    PdfCanvas canvas(doc, page);
    canvas.save();
    c.draw(canvas);
    canvas.restore();
    canvas.draw_glyphs(run);  // after the restore: never clipped by what was pending
    const std::string& content = page.content();
    size_t clips = 0;
    for (size_t at = 0; (at = content.find(" re\r\nW\r\nn\r\n", at)) != std::string::npos; ++at) ++clips;
    EXPECT_EQ(clips, c.clipped ? 1u : 0u) << content;
    if (c.clipped) {
      EXPECT_LT(content.find(" re\r\nW"), content.find("BT")) << "the clip comes before the text";
    }
    doc.end_page();
  }
}

}  // namespace
}  // namespace orvena::exporting::pdf::test
