// Two-dimensional codes: each symbology read back by ZXing from the bitmap, the modules landing
// where the grid says at every quarter turn, the object sized by its module or the module by its
// object, and the messages for text a symbology refuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "objects/barcode2d_view.h"
#include "report/canvas/cairo_canvas.h"
#include "support/run_command.h"

namespace orvena::objects {
namespace {

using report::MatrixShape;
using report::QrErrorLevel;
using report::Symbology2D;
using report::canvas::CairoCanvas;
using report::canvas::Rect;

constexpr double kMargin = 20;
constexpr const char* kPolish = "Zażółć gęślą jaźń — ŁÓDŹ";

std::unique_ptr<report::Barcode2DView> code(Symbology2D symbology, std::string text, double module = 0,
                                            int64_t rotation = 0) {
  auto v = std::make_unique<report::Barcode2DView>();
  v->symbology = symbology;
  v->text = std::move(text);
  v->module_size = module;
  v->rotation = rotation;
  v->set_bounds(kMargin, kMargin, 150, 120);
  return v;
}

struct Drawn {
  Barcode2DLayout layout;
  std::unique_ptr<CairoCanvas> canvas;
};

Drawn draw(const report::Barcode2DView& view) {
  Drawn d;
  d.layout = layout_barcode2d(view, {view.left(), view.top(), view.width(), view.height()});
  const Rect& r = d.layout.bounds;
  d.canvas = std::make_unique<CairoCanvas>(int(r.right() + kMargin), int(r.bottom() + kMargin));
  draw_barcode2d(*d.canvas, view, d.layout, std::nullopt);
  return d;
}

std::string zxing(CairoCanvas& canvas, const std::string& name) {
  std::string path = ::testing::TempDir() + "code2d_" + name + ".png";
  canvas.write_png(path);
  auto r = test::run_command("ZXingReader '" + path + "'", test::Streams::OutputOnly);
  std::filesystem::remove(path);
  return r.output;
}

TEST(Barcode2DView, ZxingReadsEverySymbologyUprightAndTurned) {
  struct Row {
    Symbology2D symbology;
    MatrixShape shape;
    const char* text;
    const char* format;  // ZXing's name
  };
  const Row rows[] = {
      {Symbology2D::QrCode, MatrixShape::Square, kPolish, "QRCode"},
      {Symbology2D::DataMatrix, MatrixShape::Square, kPolish, "DataMatrix"},
      {Symbology2D::DataMatrix, MatrixShape::Rectangle, "Łódź 12", "DataMatrix"},
      {Symbology2D::Pdf417, MatrixShape::Square, kPolish, "PDF417"},
      {Symbology2D::Aztec, MatrixShape::Square, kPolish, "Aztec"},
  };
  for (const Row& row : rows)
    for (int rotation : {0, 90}) {
      auto view = code(row.symbology, row.text, 3, rotation);
      view->matrix_shape = row.shape;
      Drawn d = draw(*view);
      ASSERT_TRUE(d.layout.error.empty()) << d.layout.error;
      std::string name = std::string(row.format) + std::to_string(rotation);
      std::string read = zxing(*d.canvas, name);
      SCOPED_TRACE(name + ":\n" + read);
      EXPECT_NE(read.find(std::string("Text:       \"") + row.text + "\""), std::string::npos);
      EXPECT_NE(read.find(std::string("Format:     ") + row.format), std::string::npos);
    }
}

TEST(Barcode2DView, RectangularDataMatrixIsWiderThanHigh) {
  auto view = code(Symbology2D::DataMatrix, "Łódź 12");
  view->matrix_shape = MatrixShape::Rectangle;
  Barcode2DLayout l = layout_barcode2d(*view, {0, 0, 150, 120});
  EXPECT_GT(l.matrix.columns, l.matrix.rows);
  view->matrix_shape = MatrixShape::Square;
  l = layout_barcode2d(*view, {0, 0, 150, 120});
  EXPECT_EQ(l.matrix.columns, l.matrix.rows);
}

// Where the centre of module (row, column) lands on the page: the grid is turned counter-
// clockwise about the object's centre, a quarter at a time ((x, y) → (y, −x) with y downwards).
std::pair<double, double> module_centre(const Barcode2DLayout& l, int turns, int row, int column) {
  double m = l.module_size;
  double x = (column + 0.5) * m - l.matrix.columns * m / 2, y = (row + 0.5) * m - l.matrix.rows * m / 2;
  for (int i = 0; i < turns; ++i) std::tie(x, y) = std::pair{y, -x};
  return {l.bounds.left + l.bounds.width / 2 + x, l.bounds.top + l.bounds.height / 2 + y};
}

// Every module of every symbology is dark or light on the bitmap exactly as in the grid; the
// object takes the code's size with its quiet zone, turned with it.
TEST(Barcode2DView, ModulesLandWhereTheGridSaysAtEveryQuarterTurn) {
  for (auto symbology :
       {Symbology2D::QrCode, Symbology2D::DataMatrix, Symbology2D::Pdf417, Symbology2D::Aztec})
    for (int turns = 0; turns < 4; ++turns) {
      auto view = code(symbology, kPolish, 4, turns * 90);
      Drawn d = draw(*view);
      const Barcode2DLayout& l = d.layout;
      SCOPED_TRACE(std::string(symbology_name(symbology)) + " turned " + std::to_string(turns));
      ASSERT_FALSE(l.matrix.empty());
      double across = (l.matrix.columns + 2 * l.quiet_zone) * 4,
             down = (l.matrix.rows + 2 * l.quiet_zone) * 4;
      EXPECT_DOUBLE_EQ(l.bounds.width, turns % 2 ? down : across);
      EXPECT_DOUBLE_EQ(l.bounds.height, turns % 2 ? across : down);
      EXPECT_DOUBLE_EQ(l.bounds.left, kMargin);
      int wrong = 0;
      for (int r = 0; r < l.matrix.rows; ++r)
        for (int c = 0; c < l.matrix.columns; ++c) {
          auto [x, y] = module_centre(l, turns, r, c);
          bool dark = d.canvas->pixel(int(x), int(y)) == 0;
          wrong += dark != l.matrix.dark(r, c);
        }
      EXPECT_EQ(wrong, 0);
      // The quiet zone stays light: a module's place beyond either corner of the grid.
      ASSERT_GE(l.quiet_zone, 1);
      for (auto [r, c] : {std::pair{-1, -1}, std::pair{l.matrix.rows, l.matrix.columns}}) {
        auto [x, y] = module_centre(l, turns, r, c);
        EXPECT_EQ(d.canvas->pixel(int(x), int(y)), 0xFFFFFFu);
      }
    }
}

TEST(Barcode2DView, WithoutAModuleSizeTheCodeFitsTheObject) {
  struct Row {
    const char* name;
    int64_t rotation;
    int64_t quiet_zone;
  };
  for (const Row& row : {Row{"upright", 0, -1}, Row{"turned", 90, -1}, Row{"no quiet zone", 0, 0}}) {
    SCOPED_TRACE(row.name);
    auto view = code(Symbology2D::Pdf417, "ORV-2026/0001", 0, row.rotation);
    view->quiet_zone = row.quiet_zone;
    Barcode2DLayout l = layout_barcode2d(*view, {10, 10, 150, 120});
    EXPECT_EQ(l.quiet_zone, row.quiet_zone < 0 ? 2 : 0);
    double across = l.matrix.columns + 2 * l.quiet_zone, down = l.matrix.rows + 2 * l.quiet_zone;
    double width = row.rotation ? 120 : 150, height = row.rotation ? 150 : 120;
    // A PDF417 is wide: its width limits the module.
    EXPECT_DOUBLE_EQ(l.module_size, std::min(width / across, height / down));
    EXPECT_DOUBLE_EQ(l.module_size, width / across);
    EXPECT_DOUBLE_EQ(l.bounds.width, 150);
    EXPECT_DOUBLE_EQ(l.bounds.height, 120);
  }
  // A module of two pixels or more is a whole number of them: 120 / (29 + 8) is 3.24.
  auto qr = code(Symbology2D::QrCode, "Zażółć gęślą jaźń");
  Barcode2DLayout l = layout_barcode2d(*qr, {10, 10, 150, 120});
  ASSERT_EQ(l.matrix.rows, 29);
  EXPECT_DOUBLE_EQ(l.module_size, 3);
}

TEST(Barcode2DView, RefusedTextGetsItsMessageInRed) {
  const std::string long_text(2000, 'a'), longer(4000, 'a');
  struct Row {
    Symbology2D symbology;
    QrErrorLevel level;
    MatrixShape shape;
    std::string text;
    const char* message;  // empty: encodes
  };
  const Row rows[] = {
      // 2000 bytes fit QR's 2953 at level L but not the 1273 of level H.
      {Symbology2D::QrCode, QrErrorLevel::H, MatrixShape::Square, long_text,
       "Tekst jest za długi dla kodu QR z poziomem korekcji H"},
      {Symbology2D::QrCode, QrErrorLevel::L, MatrixShape::Square, long_text, ""},
      // The largest rectangle, 16 × 48, has 49 data codewords; 100 small letters need 67 (two
      // for three in text mode), which a square holds.
      {Symbology2D::DataMatrix, QrErrorLevel::M, MatrixShape::Rectangle, std::string(100, 'a'),
       "Tekst jest za długi dla prostokątnego kodu Data Matrix"},
      {Symbology2D::DataMatrix, QrErrorLevel::M, MatrixShape::Square, std::string(100, 'a'), ""},
      {Symbology2D::DataMatrix, QrErrorLevel::M, MatrixShape::Square, longer,
       "Tekst jest za długi dla kodu Data Matrix"},
      {Symbology2D::Pdf417, QrErrorLevel::M, MatrixShape::Square, longer,
       "Tekst jest za długi dla kodu PDF417"},
      {Symbology2D::Aztec, QrErrorLevel::M, MatrixShape::Square, longer,
       "Tekst jest za długi dla kodu Aztec"},
      {Symbology2D::QrCode, QrErrorLevel::M, MatrixShape::Square, "a\xff",
       "Tekst kodu QR nie jest poprawnym UTF-8"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    auto view = code(row.symbology, row.text);
    view->error_level = row.level;
    view->matrix_shape = row.shape;
    Drawn d = draw(*view);
    EXPECT_EQ(d.layout.error, row.message);
    EXPECT_EQ(d.layout.matrix.empty(), *row.message != 0);
    if (!*row.message) continue;
    int red = 0, black = 0;  // the text's pixels are smoothed at its edges
    for (int y = 0; y < d.canvas->height(); ++y)
      for (int x = 0; x < d.canvas->width(); ++x) {
        auto p = d.canvas->pixel(x, y);
        red += (p >> 16) > 0xC0 && (p >> 8 & 0xFF) < 0x80 && (p & 0xFF) < 0x80;
        black += p == 0;
      }
    EXPECT_GT(red, 20);
    EXPECT_EQ(black, 0);
  }
}

TEST(Barcode2DView, EmptyTextPrintsNothingAndNoMessage) {
  auto view = code(Symbology2D::QrCode, "");
  view->module_size = 3;
  Drawn d = draw(*view);
  EXPECT_TRUE(d.layout.error.empty());
  EXPECT_TRUE(d.layout.matrix.empty());
  EXPECT_DOUBLE_EQ(d.layout.bounds.width, 150);  // no code to size the object to
  EXPECT_EQ(d.canvas->pixel(int(kMargin + 75), int(kMargin + 60)), 0xFFFFFFu);
}

}  // namespace
}  // namespace orvena::objects
