// Barcode objects drawn: every symbology a reader decodes, printed upright and turned, read back
// by zbar from the bitmap; sizing to the pattern; the error drawn in place of the bars.
#include <gtest/gtest.h>

#include <filesystem>

#include "objects/barcode_view.h"
#include "report/canvas/cairo_canvas.h"
#include "support/run_command.h"

namespace orvena::objects {
namespace {

using report::canvas::CairoCanvas;
using report::canvas::Rect;
using T = BarcodeType;

constexpr double kMargin = 40;  // white around the object: the quiet zone readers need

struct Drawn {
  BarcodeLayout layout;
  std::unique_ptr<CairoCanvas> canvas;
};

Drawn draw(const report::BarCodeView& view) {
  Drawn d;
  d.layout = layout_barcode(view, {view.left(), view.top(), view.width(), view.height()});
  const Rect& r = d.layout.bounds;
  d.canvas = std::make_unique<CairoCanvas>(int(r.right() + kMargin), int(r.bottom() + kMargin));
  draw_barcode(*d.canvas, view, d.layout, std::nullopt);
  return d;
}

std::unique_ptr<report::BarCodeView> barcode(T type, std::string text, int64_t rotation = 0) {
  auto v = std::make_unique<report::BarCodeView>();
  v->bar_type = int64_t(type);
  v->text = std::move(text);
  v->zoom = 2;  // two pixels a module
  v->rotation = rotation;
  v->set_bounds(kMargin, kMargin, rotation % 180 ? 90 : 100, rotation % 180 ? 100 : 90);
  return v;
}

// zbar's reading of the bitmap; `options` enable the symbologies it leaves off by default.
std::string zbar(CairoCanvas& canvas, const std::string& name, const std::string& options = "") {
  std::string path = ::testing::TempDir() + "barcode_" + name + ".png";
  canvas.write_png(path);
  auto r =
      test::run_command("zbarimg -q " + options + " '" + path + "' 2>/dev/null", test::Streams::OutputOnly);
  std::filesystem::remove(path);
  return r.output;
}

TEST(BarcodeView, ZbarReadsEveryTypeItDecodesUprightAndTurned) {
  struct Row {
    const char* name;
    T type;
    const char* text;
    const char* read;  // zbar's line: symbology and data
    const char* options = "";
  } rows[] = {
      {"interleaved 2 of 5", T::Interleaved2of5, "12345670", "I2/5:12345670"},
      {"code 39", T::Code39, "ORVENA-2026", "CODE-39:ORVENA-2026"},
      // zbar reads full-ASCII Code 39 as its pairs of basic characters: "+" before a lower-case
      // letter, "/A" for "!" (the full-ASCII table of ISO/IEC 16388).
      {"code 39 full ascii", T::Code39Extended, "Orvena-1.0!", "CODE-39:O+R+V+E+N+A-1.0/A"},
      {"code 128 automatic", T::Code128, "Orvena 12345678", "CODE-128:Orvena 12345678"},
      {"code 128 A", T::Code128A, "ABC-123", "CODE-128:ABC-123"},
      {"code 128 B", T::Code128B, "abc-123", "CODE-128:abc-123"},
      {"code 128 C", T::Code128C, "12345678", "CODE-128:12345678"},
      {"code 93", T::Code93, "ORVENA 93", "CODE-93:ORVENA 93"},
      {"code 93 full ascii", T::Code93Extended, "Orvena 93", "CODE-93:Orvena 93"},
      {"codabar", T::Codabar, "A40156B", "Codabar:A40156B"},
      {"ean 8", T::Ean8, "9638507", "EAN-8:96385074"},
      {"ean 13", T::Ean13, "400638133393", "EAN-13:4006381333931"},
      {"upc a", T::UpcA, "03600029145", "UPC-A:036000291452", "-Supca.enable"},
      // UPC-E with number system 1 is missing: zbar reads number system 0 only (its parity table
      // has no other); the encoder test checks that one's parities.
      {"upc e0", T::UpcE0, "425261", "UPC-E:04252614", "-Supce.enable"},
      {"add-on 2", T::UpcSupp2, "12", "EAN-2:12", "-Sean2.enable"},
      {"add-on 5", T::UpcSupp5, "52495", "EAN-5:52495", "-Sean5.enable"},
      {"gs1-128 automatic", T::Ean128, "0101234567890128", "CODE-128:0101234567890128"},
      {"gs1-128 A", T::Ean128A, "10ABC123", "CODE-128:10ABC123"},
      {"gs1-128 B", T::Ean128B, "10abc123", "CODE-128:10abc123"},
      {"gs1-128 C", T::Ean128C, "0101234567890128", "CODE-128:0101234567890128"},
  };
  for (const Row& r : rows) {
    for (int rotation : {0, 90}) {
      SCOPED_TRACE(std::string(r.name) + " at " + std::to_string(rotation));
      Drawn d = draw(*barcode(r.type, r.text, rotation));
      ASSERT_TRUE(d.layout.error.empty()) << d.layout.error;
      std::string read =
          zbar(*d.canvas, std::to_string(int(r.type)) + "_" + std::to_string(rotation), r.options);
      EXPECT_EQ(read, std::string(r.read) + "\n");
    }
  }
}

TEST(BarcodeView, SizesItselfAlongTheBarsKeepingTheEdgeHAlignNames) {
  // A new object: Code 39 of "12345678" with its start and stop, ratio 2: ten characters of
  // three wide and six narrow elements (12 modules), nine narrow gaps between them.
  report::BarCodeView v;
  v.set_bounds(100, 50, 10, 40);
  const double modules = 10 * 12 + 9;
  EXPECT_EQ(layout_barcode(v, {100, 50, 10, 40}).bounds.width, modules);
  v.zoom = 1.5;
  EXPECT_EQ(layout_barcode(v, {100, 50, 10, 40}).bounds.width, modules * 1.5);
  for (double zoom : {0.0, -3.0, 0.00005}) {  // a module width of nothing counts as 1
    v.zoom = zoom;
    EXPECT_EQ(layout_barcode(v, {100, 50, 10, 40}).bounds.width, modules) << zoom;
  }
  v.zoom = 1;

  // Right-aligned, a longer text grows to the left; centred, to both sides.
  v.halign = report::HAlign::Right;
  Rect r = layout_barcode(v, {100, 50, 10, 40}).bounds;
  EXPECT_EQ(r.right(), 110);
  v.text = "1234567890";
  EXPECT_EQ(layout_barcode(v, {100, 50, 10, 40}).bounds.right(), 110);
  EXPECT_LT(layout_barcode(v, {100, 50, 10, 40}).bounds.left, r.left);
  v.halign = report::HAlign::Center;
  r = layout_barcode(v, {100, 50, 10, 40}).bounds;
  EXPECT_DOUBLE_EQ(r.left + r.width / 2, 105);

  // Turned a quarter, the height follows the pattern and the width stays.
  v.halign = report::HAlign::Left;
  v.rotation = 270;
  r = layout_barcode(v, {100, 50, 10, 40}).bounds;
  EXPECT_EQ(r.width, 10);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.height, 12 * 12 + 11);

  // EAN-13 and UPC-A leave room for the digit before the bars, the UPC types for the one after.
  report::BarCodeView upc;
  upc.bar_type = int64_t(T::UpcA);
  upc.text = "03600029145";
  EXPECT_EQ(layout_barcode(upc, {0, 0, 10, 40}).bounds.width, 8 + 95 + 9);
}

TEST(BarcodeView, TextThatCannotBeEncodedIsDrawnInRedInPlaceOfTheBars) {
  Drawn d = draw(*barcode(T::Ean13, "40063813339A"));
  EXPECT_EQ(d.layout.error, "Barcode must be numeric");
  EXPECT_EQ(d.layout.bounds.width, 100);  // the size stays
  int red = 0, black = 0;
  for (int y = 0; y < d.canvas->height(); ++y)
    for (int x = 0; x < d.canvas->width(); ++x) {
      auto p = d.canvas->pixel(x, y);
      red += (p >> 16) > 0xC0 && (p & 0xFFFF) < 0x4040;
      black += p == 0;
    }
  EXPECT_GT(red, 20);
  EXPECT_EQ(black, 0);

  // An empty text draws nothing but the background and sizes nothing.
  Drawn empty = draw(*barcode(T::Code128, ""));
  EXPECT_TRUE(empty.layout.error.empty());
  EXPECT_EQ(empty.layout.bounds.width, 100);
  EXPECT_EQ(zbar(*empty.canvas, "empty"), "");
}

TEST(BarcodeView, TheTextStandsBelowTheBarsOrAboveThemTurnedHalfAround) {
  // Probes in the column of the first bar (at the left edge, or the right one turned half
  // around): one in the middle of the height, one in the text's line at the far edge.
  struct Row {
    int rotation;
    bool show_text;
    bool text_line_has_bar;
  } rows[] = {{0, true, false}, {0, false, true}, {180, true, false}, {180, false, true}};
  for (const Row& r : rows) {
    auto v = barcode(T::Code39, "12345678", r.rotation);
    v->show_text = r.show_text;
    Drawn d = draw(*v);
    const Rect& b = d.layout.bounds;
    int x = r.rotation ? int(b.right()) - 1 : int(b.left);
    int text_line = r.rotation ? int(b.top) + 1 : int(b.bottom()) - 2;
    std::string where = std::to_string(r.rotation) + (r.show_text ? " with text" : " without");
    EXPECT_EQ(d.canvas->pixel(x, int(b.top + b.height / 2)), 0u) << where;
    EXPECT_EQ(d.canvas->pixel(x, text_line) == 0, r.text_line_has_bar) << where;
  }
}

TEST(BarcodeView, TheTextFontStopsAtNinePoints) {
  report::BarCodeView v;
  EXPECT_EQ(barcode_font(v).size, 9);
  report::Font f = v.font();
  f.set_size(12);
  v.set_font(f);
  EXPECT_EQ(barcode_font(v).size, 9);
  f.set_size(7);
  v.set_font(f);
  EXPECT_EQ(barcode_font(v).size, 7);
}

}  // namespace
}  // namespace orvena::objects
