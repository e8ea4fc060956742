// Windows bitmap files read into pixels: each depth and layout a template may carry, made here
// byte by byte, decodes to the same 2 × 2 picture (red, green / blue, white from the top left);
// damaged and unknown files give the system's error and never read past their end.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/printed_view.h"
#include "picture/picture.h"
#include "report/canvas/cairo_canvas.h"
#include "report/views.h"
#include "support/run_command.h"

namespace orvena::exporting {
namespace {

picture::Bitmap decode_bmp(std::string_view file) {
  return picture::decode(picture::Kind::Bitmap, file);
}

void le(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

// A file of a 40-byte header (or 12 for the OS/2 core header), a table of `extra` bytes
// (palette or masks) and the pixel rows as given.
std::string bmp(int width, int height, int bpp, uint32_t compression, const std::string& extra,
                const std::string& rows, bool core_header = false) {
  std::string h;
  if (core_header) {
    le(h, 12, 4);
    le(h, uint32_t(width), 2);
    le(h, uint32_t(height), 2);
    le(h, 1, 2);
    le(h, uint32_t(bpp), 2);
  } else {
    le(h, 40, 4);
    le(h, uint32_t(width), 4);
    le(h, uint32_t(height), 4);
    le(h, 1, 2);
    le(h, uint32_t(bpp), 2);
    le(h, compression, 4);
    le(h, uint32_t(rows.size()), 4);
    le(h, 2835, 4);
    le(h, 2835, 4);
    le(h, 0, 4);
    le(h, 0, 4);
  }
  std::string f = "BM";
  le(f, uint32_t(14 + h.size() + extra.size() + rows.size()), 4);
  le(f, 0, 4);
  le(f, uint32_t(14 + h.size() + extra.size()), 4);
  return f + h + extra + rows;
}

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(char(v));
  return s;
}

// Palette entries are blue, green, red, reserved: 0 red, 1 green, 2 blue, 3 white.
const std::string kPalette = bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0});
const std::string kCorePalette = bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255});

struct Case {
  const char* name;
  std::string file;
};

TEST(BmpPicture, EveryDepthGivesTheSamePixels) {
  // Bottom-up rows come bottom row first: blue, white; then red, green. Rows pad to 4 bytes.
  const Case cases[] = {
      {"24 bits", bmp(2, 2, 24, 0, "", bytes({255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}))},
      {"24 bits top-down",
       bmp(2, -2, 24, 0, "", bytes({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}))},
      {"32 bits", bmp(2, 2, 32, 0, "", bytes({255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0}))},
      {"16 bits 5-5-5", bmp(2, 2, 16, 0, "", bytes({0x1F, 0, 0xFF, 0x7F, 0, 0x7C, 0xE0, 0x03}))},
      {"16 bits 5-6-5 masks", bmp(2, 2, 16, 3, bytes({0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}),
                                  bytes({0x1F, 0, 0xFF, 0xFF, 0, 0xF8, 0xE0, 0x07}))},
      {"8 bits", bmp(2, 2, 8, 0, kPalette, bytes({2, 3, 0, 0, 0, 1, 0, 0}))},
      {"4 bits", bmp(2, 2, 4, 0, kPalette, bytes({0x23, 0, 0, 0, 0x01, 0, 0, 0}))},
      {"1 bit", bmp(2, 2, 1, 0, kPalette.substr(0, 8), bytes({0x40, 0, 0, 0, 0x40, 0, 0, 0}))},
      {"8 bits, run lengths", bmp(2, 2, 8, 1, kPalette, bytes({1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 1}))},
      {"4 bits, run lengths", bmp(2, 2, 4, 2, kPalette, bytes({2, 0x23, 0, 0, 2, 0x01, 0, 1}))},
      {"OS/2 header", bmp(2, 2, 8, 0, kCorePalette, bytes({2, 3, 0, 0, 0, 1, 0, 0}), true)},
  };
  // The 1-bit case has a two-colour table (red, green): its bottom row is red, green too.
  for (const Case& c : cases) {
    picture::Bitmap b;
    ASSERT_NO_THROW(b = decode_bmp(c.file)) << c.name;
    ASSERT_EQ(b.width, 2) << c.name;
    ASSERT_EQ(b.height, 2) << c.name;
    std::vector<uint8_t> expected = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    if (std::string(c.name) == "1 bit")
      expected = {255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255};
    EXPECT_EQ(b.rgba, expected) << c.name;
    EXPECT_EQ(b.alpha, picture::Alpha::None) << c.name;
  }
}

TEST(BmpPicture, ThirtyTwoBitsWithAnAlphaMaskKeepIt) {
  std::string masks = bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255});
  // A 48-byte header would carry the masks; a 40-byte one with alpha bit fields (6) has them after it.
  auto file = bmp(1, 1, 32, 6, masks, bytes({10, 20, 30, 128}));
  picture::Bitmap b = decode_bmp(file);
  EXPECT_EQ(b.rgba, (std::vector<uint8_t>{30, 20, 10, 128}));
  EXPECT_EQ(b.alpha, picture::Alpha::Straight);
}

TEST(BmpPicture, DamagedFilesAreRefused) {
  const std::string good = bmp(2, 2, 24, 0, "", std::string(16, '\0'));
  std::string wrong_offset = good;
  wrong_offset[10] = char(200);
  const Case cases[] = {
      {"empty", ""},
      {"not a bitmap", "GIF89a" + good.substr(6)},
      {"cut in the header", good.substr(0, 30)},
      {"cut in the rows", good.substr(0, good.size() - 3)},
      {"pixels past the end", wrong_offset},
      {"no width", bmp(0, 2, 24, 0, "", std::string(16, '\0'))},
      {"unknown compression", bmp(2, 2, 24, 4, "", std::string(16, '\0'))},
      {"run lengths past the end", bmp(2, 2, 8, 1, kPalette, bytes({2, 1}))},
      {"palette past the end", bmp(2, 2, 8, 0, "", "")},
  };
  for (const Case& c : cases) {
    try {
      decode_bmp(c.file);
      ADD_FAILURE() << c.name << ": decoded";
    } catch (const picture::Unreadable& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Nieprawidłowy plik BMP: ", 0), 0u) << c.name << ": " << e.what();
    }
  }
}

// Files another writer made (Pillow: 1, 8, 24 and 32 bits) read as Pillow reads them.
TEST(BmpPicture, FilesOfAnotherWriterReadAsThatReaderReadsThem) {
  const std::filesystem::path corpus = std::string(ORVENA_SOURCE_DIR) + "/fuzz/corpus/picture";
  for (const char* name : {"mono1.bmp", "pal8.bmp", "rgb24.bmp", "rgba32.bmp"}) {
    auto file = corpus / name;
    auto pillow = ::orvena::test::run_command(
        "/usr/bin/python3 -c \"import sys; from PIL import Image; "
        "print(Image.open(sys.argv[1]).convert('RGBA').tobytes().hex())\" '" +
            file.string() + "'",
        ::orvena::test::Streams::OutputOnly);
    ASSERT_EQ(pillow.status, 0) << name;
    std::ifstream in(file, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    picture::Bitmap b = decode_bmp(data);
    std::string hex;
    for (uint8_t v : b.rgba) {
      static const char* digits = "0123456789abcdef";
      hex += digits[v >> 4];
      hex += digits[v & 15];
    }
    EXPECT_EQ(hex + "\n", pillow.output) << name;
  }
}

// A picture object holding a bitmap draws its pixels, scaled to the object; a damaged one nothing.
TEST(BmpPicture, APictureObjectDrawsItsBitmap) {
  report::PictureView view;
  view.set_bounds(0, 0, 40, 40);
  view.picture.kind = report::PictureKind::Bitmap;
  view.picture.bytes =
      bmp(2, 2, 24, 0, "", bytes({255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}));
  report::canvas::CairoCanvas canvas(40, 40);
  draw_view(canvas, resolve_view(view));
  EXPECT_EQ(canvas.pixel(5, 5), 0xFF0000u);
  EXPECT_EQ(canvas.pixel(35, 5), 0x00FF00u);
  EXPECT_EQ(canvas.pixel(5, 35), 0x0000FFu);
  EXPECT_EQ(canvas.pixel(35, 35), 0xFFFFFFu);

  // A damaged bitmap leaves the crossed box in its place: grey where the diagonals meet, white
  // between them.
  view.picture.bytes.resize(40);
  report::canvas::CairoCanvas crossed(40, 40);
  draw_view(crossed, resolve_view(view));
  EXPECT_NE(crossed.pixel(20, 20), 0xFFFFFFu);
  EXPECT_EQ(crossed.pixel(20, 8), 0xFFFFFFu);
}

}  // namespace
}  // namespace orvena::exporting
