// The Cairo canvas: shapes and pictures land where asked, and pixels that do not fill the
// picture's size draw nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "picture/picture.h"
#include "report/canvas/cairo_canvas.h"

namespace orvena::report::canvas {
namespace {

TEST(CairoCanvas, ShapesAndTransforms) {
  CairoCanvas c(100, 100);
  EXPECT_EQ(c.pixel(50, 50), 0xFFFFFFu);
  c.fill_rect({10, 10, 20, 20}, 0x00FF00);
  EXPECT_EQ(c.pixel(15, 15), 0x00FF00u);
  EXPECT_EQ(c.pixel(35, 15), 0xFFFFFFu);
  c.fill_ellipse({60, 60, 30, 30}, 0x0000FF);
  EXPECT_EQ(c.pixel(75, 75), 0x0000FFu);
  EXPECT_EQ(c.pixel(61, 61), 0xFFFFFFu);  // outside the circle, inside its box
  const Point triangle[] = {{60, 10}, {90, 10}, {60, 40}};
  c.fill_polygon(triangle, 0xFF00FF);
  EXPECT_EQ(c.pixel(65, 15), 0xFF00FFu);
  EXPECT_EQ(c.pixel(85, 35), 0xFFFFFFu);  // beyond the slanted side

  // Turned a quarter counter-clockwise about (50, 50): a bar to the right ends up above.
  c.save();
  c.translate(50, 50);
  c.rotate_degrees(90);
  c.fill_rect({5, -2, 30, 4}, 0xFF0000);
  c.restore();
  EXPECT_EQ(c.pixel(50, 30), 0xFF0000u);
  EXPECT_EQ(c.pixel(70, 50), 0xFFFFFFu);

  // Clipping, then restoring it.
  c.save();
  c.clip({0, 0, 50, 100});
  c.draw_line(10, 90, 90, 90, Pen{3, 0x000000});
  c.restore();
  EXPECT_EQ(c.pixel(20, 90), 0u);
  EXPECT_EQ(c.pixel(80, 90), 0xFFFFFFu);
}

TEST(CairoCanvas, Pictures) {
  // 4 × 1 straight RGBA: two red, then two half-transparent blue over white. Scaled up ten
  // times; pixels are sampled where the picture's neighbours are alike (scaling smooths).
  const std::vector<uint8_t> rgba = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 128, 0, 0, 255, 128};
  CairoCanvas c(40, 20);
  c.draw_picture({0, 0, 40, 20}, Picture{4, 1, rgba});
  EXPECT_EQ(c.pixel(5, 10), 0xFF0000u);
  canvas::Rgb blended = c.pixel(30, 10);
  EXPECT_NEAR(int(blended >> 16), 127, 2);
  EXPECT_EQ(blended & 0xFF, 0xFFu);

  // The canvas as a PNG file, decoded again.
  std::filesystem::path file = std::filesystem::path(ORVENA_BINARY_DIR) / "canvas_picture.png";
  c.write_png(file.string());
  std::ifstream in(file, std::ios::binary);
  std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  picture::Bitmap decoded = picture::decode(picture::Kind::Png, png);
  CairoCanvas again(80, 40);
  again.draw_picture({0, 0, 80, 40}, Picture{decoded.width, decoded.height, decoded.rgba});
  EXPECT_EQ(again.pixel(10, 20), 0xFF0000u);

  // Pixels that do not fill the size: nothing drawn, nothing thrown.
  const std::vector<uint8_t> short_rgba = {1, 2, 3};
  CairoCanvas blank(20, 20);
  blank.draw_picture({0, 0, 20, 20}, Picture{2, 2, short_rgba});
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(blank.pixel(x, y), 0xFFFFFFu);
}

}  // namespace
}  // namespace orvena::report::canvas
