// GIF files read into pixels: files another writer made (Pillow: a small picture, an interlaced
// one with 256 colours whose codes grow to 12 bits, one with a transparent colour) read as that
// writer's reader reads them; damaged files give the system's error and never read past their end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "export/printed_view.h"
#include "picture/picture.h"
#include "report/canvas/cairo_canvas.h"
#include "report/views.h"
#include "support/run_command.h"

namespace orvena::exporting {
namespace {

picture::Bitmap decode_gif(std::string_view file) {
  return picture::decode(picture::Kind::Gif, file);
}

const std::filesystem::path kCorpus = std::string(ORVENA_SOURCE_DIR) + "/fuzz/corpus/picture";

std::string read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pixels as hex RGBA, a clear pixel as 00000000 whatever colour it hides.
std::string hex(const picture::Bitmap& b) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < b.rgba.size(); i += 4)
    for (size_t k = 0; k < 4; ++k) {
      uint8_t v = b.rgba[i + 3] ? b.rgba[i + k] : 0;
      out += digits[v >> 4];
      out += digits[v & 15];
    }
  return out;
}

TEST(GifPicture, FilesOfAnotherWriterReadAsThatReaderReadsThem) {
  const char* pillow_script =
      "import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert('RGBA'); "
      "print(im.size[0], im.size[1], ''.join((bytes(p) if p[3] else bytes(4)).hex() for p in im.getdata()))";
  for (const char* name : {"small.gif", "noise_interlaced.gif", "transparent.gif"}) {
    auto pillow = ::orvena::test::run_command(
        std::string("/usr/bin/python3 -c \"") + pillow_script + "\" '" + (kCorpus / name).string() + "'",
        ::orvena::test::Streams::OutputOnly);
    ASSERT_EQ(pillow.status, 0) << name;
    picture::Bitmap b = decode_gif(read(kCorpus / name));
    EXPECT_EQ(std::to_string(b.width) + " " + std::to_string(b.height) + " " + hex(b) + "\n", pillow.output)
        << name;
  }
  EXPECT_EQ(decode_gif(read(kCorpus / "small.gif")).alpha, picture::Alpha::None);
  EXPECT_EQ(decode_gif(read(kCorpus / "transparent.gif")).alpha, picture::Alpha::Straight);
}

TEST(GifPicture, DamagedFilesAreRefused) {
  const std::string good = read(kCorpus / "small.gif");
  ASSERT_GT(good.size(), 40u);
  std::string huge = good;
  huge[6] = huge[7] = huge[8] = huge[9] = char(0xFF);  // 65535 × 65535
  // An image descriptor claiming 65535 × 65535 pixels on a small screen.
  std::string huge_image = good;
  const uint8_t flags = uint8_t(good[10]);
  const size_t descriptor = 13 + ((flags & 0x80) ? 3 * (size_t{2} << (flags & 7)) : 0);
  ASSERT_EQ(good[descriptor], ',');
  for (size_t i = descriptor + 5; i < descriptor + 9; ++i) huge_image[i] = char(0xFF);
  std::string no_width = good;
  no_width[6] = no_width[7] = 0;
  struct Case {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"not a GIF", "BM" + good.substr(2)},
      {"cut in the palette", good.substr(0, 20)},
      {"cut in the image", good.substr(0, good.size() - 10)},
      {"no width", no_width},
      {"only a trailer", good.substr(0, 13 + 3 * 2) + ";"},
  };
  for (const Case& c : cases) {
    try {
      decode_gif(c.file);
      ADD_FAILURE() << c.name << ": decoded";
    } catch (const picture::Unreadable& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Nieprawidłowy plik GIF: ", 0), 0u) << c.name << ": " << e.what();
    }
  }
  // The screen or the image alone past the limit: refused before either is allocated.
  EXPECT_THROW(decode_gif(huge), picture::TooLarge);
  EXPECT_THROW(decode_gif(huge_image), picture::TooLarge);
}

TEST(GifPicture, APictureObjectDrawsIt) {
  report::PictureView view;
  view.set_bounds(0, 0, 60, 40);
  view.picture.kind = report::PictureKind::Gif;
  view.picture.bytes = read(kCorpus / "small.gif");
  report::canvas::CairoCanvas canvas(60, 40);
  draw_view(canvas, resolve_view(view));
  // The top-left pixel of the picture is (0, 0, 120), drawn 10 times as large.
  EXPECT_EQ(canvas.pixel(4, 4), 0x000078u);
}

}  // namespace
}  // namespace orvena::exporting
