#include "export/tiff/tiff_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/error.h"
#include "core/temp_dir.h"
#include "export/external_reader.h"

namespace orvena::exporting::tiff {
namespace {

using test::run_command;
using test::run_python;

// A gradient, so that a swapped channel or a shifted row shows in the bytes.
Image rgb_image(uint32_t width, uint32_t height) {
  Image image{.width = width, .height = height, .format = PixelFormat::rgb};
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      image.pixels.insert(image.pixels.end(), {static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y * 7),
                                               static_cast<uint8_t>((x + y) % 3 == 0 ? 255 : 0)});
  return image;
}

// A checkerboard whose width is not a whole number of bytes: the padding bits of each row stay 0.
Image bilevel_image(uint32_t width, uint32_t height) {
  Image image{.width = width, .height = height, .format = PixelFormat::bilevel};
  image.pixels.assign(image.row_bytes() * height, 0);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      if ((x + y) % 2) image.pixels[y * image.row_bytes() + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return image;
}

std::string hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

class TiffWriterTest : public ::testing::Test {
 protected:
  core::TempDir m_dir;
  std::filesystem::path file() const { return m_dir.path() / "raport.tif"; }
  // An A4 page at 96 dpi, a bilevel page of odd width, and a page whose rows have an odd length.
  std::vector<Image> m_pages = {rgb_image(794, 1123), bilevel_image(17, 5), rgb_image(3, 3)};

  void write_pages(Compression compression = Compression::None) {
    TiffWriter tiff(file(), compression);
    for (const Image& page : m_pages) tiff.add_page(page, 96);
    tiff.finish();
    EXPECT_EQ(tiff.page_count(), 3u);
  }
};

// Both forms go through the outside readers: the baseline uncompressed one and LZW.
class TiffReadersTest : public TiffWriterTest, public ::testing::WithParamInterface<Compression> {};

INSTANTIATE_TEST_SUITE_P(Compressions, TiffReadersTest,
                         ::testing::Values(Compression::None, Compression::Lzw),
                         [](const auto& info) { return info.param == Compression::Lzw ? "Lzw" : "None"; });

TEST_P(TiffReadersTest, TiffinfoListsEveryPageWithSizeAndResolution) {
  write_pages(GetParam());
  auto info = run_command("tiffinfo " + file().string());
  ASSERT_EQ(info.status, 0) << info.output;
  EXPECT_EQ(info.output.find("Warning"), std::string::npos) << info.output;
  const std::string scheme = GetParam() == Compression::Lzw ? "LZW" : "None";
  const std::string expected[] = {
      "TIFF Directory at offset 0x",
      "  Image Width: 794 Image Length: 1123\n  Resolution: 96, 96 pixels/inch\n"
      "  Bits/Sample: 8\n  Compression Scheme: " +
          scheme + "\n  Photometric Interpretation: RGB color\n",
      "  Image Width: 17 Image Length: 5\n  Resolution: 96, 96 pixels/inch\n"
      "  Bits/Sample: 1\n  Compression Scheme: " +
          scheme + "\n  Photometric Interpretation: min-is-black\n",
      "  Image Width: 3 Image Length: 3\n  Resolution: 96, 96 pixels/inch\n"
      "  Bits/Sample: 8\n  Compression Scheme: " +
          scheme + "\n  Photometric Interpretation: RGB color\n",
  };
  size_t at = 0;
  for (const std::string& piece : expected) {
    at = info.output.find(piece, at);
    ASSERT_NE(at, std::string::npos) << piece << "\n--- in ---\n" << info.output;
  }
  EXPECT_NE(info.output.find("Software: Orvena\n"), std::string::npos) << info.output;
}

TEST_P(TiffReadersTest, PythonOpensEveryPageWithTheRightPixels) {
  write_pages(GetParam());
  auto read = run_python(m_dir.path(), R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
print(im.n_frames)
for i in range(im.n_frames):
    im.seek(i)
    print(im.mode, im.size, tuple(round(float(d)) for d in im.info["dpi"]), im.tobytes().hex())
)",
                         file().string());
  ASSERT_EQ(read.status, 0) << read.output;
  // PIL keeps mode "1" packed the way the file holds it: most significant bit first, 1 = white.
  EXPECT_EQ(read.output,
            "3\n"
            "RGB (794, 1123) (96, 96) " +
                hex(m_pages[0].pixels) + "\n" + "1 (17, 5) (96, 96) " + hex(m_pages[1].pixels) + "\n" +
                "RGB (3, 3) (96, 96) " + hex(m_pages[2].pixels) + "\n");
}

// Noise makes a code of nearly every byte, so the strips below end on every code count around
// the widths' changes (511, 1023) and the large page clears its table many times. libtiff, under
// Pillow, must give back every byte: a code width changed one code late or early garbles the
// rest of the strip, and a wrong last code loses the final pixels.
TEST_F(TiffWriterTest, LzwStripsDecodeExactlyAcrossWidthChangesAndTableResets) {
  uint32_t seed = 12345;
  auto noise = [&](uint32_t width, uint32_t height) {
    Image image{.width = width, .height = height, .format = PixelFormat::rgb};
    image.pixels.resize(image.row_bytes() * height);
    for (uint8_t& b : image.pixels) b = uint8_t((seed = seed * 1103515245 + 12345) >> 16);
    return image;
  };
  m_pages.clear();
  for (uint32_t width = 60; width <= 120; ++width) m_pages.push_back(noise(width, 1));
  for (uint32_t width = 300; width <= 360; width += 3) m_pages.push_back(noise(width, 1));
  m_pages.push_back(noise(400, 300));
  {
    TiffWriter tiff(file(), Compression::Lzw);
    for (const Image& page : m_pages) tiff.add_page(page);
    tiff.finish();
  }
  auto read = run_python(m_dir.path(), R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
for i in range(im.n_frames):
    im.seek(i)
    print(im.tobytes().hex())
)",
                         file().string());
  ASSERT_EQ(read.status, 0) << read.output;
  std::string expected;
  for (const Image& page : m_pages) expected += hex(page.pixels) + "\n";
  EXPECT_EQ(read.output, expected);
}

// A page of text is mostly white: LZW makes it far smaller than the uncompressed rows.
TEST_F(TiffWriterTest, LzwMakesAMostlyWhitePageAFractionOfItsSize) {
  Image page{.width = 794, .height = 1123, .format = PixelFormat::rgb};
  page.pixels.assign(page.row_bytes() * page.height, 0xFF);
  for (uint32_t y = 100; y < 1000; y += 20)  // lines of "text": short dark runs
    for (uint32_t x = 80; x < 700; x += 7) std::fill_n(page.pixels.begin() + (y * 794 + x) * 3, 9, 0x20);
  std::ostringstream plain, lzw;
  TiffWriter(plain).add_page(page);
  TiffWriter(lzw, Compression::Lzw).add_page(page);
  EXPECT_GT(plain.str().size(), 2'600'000u);
  EXPECT_LT(lzw.str().size() * 5, plain.str().size()) << lzw.str().size();
}

TEST_F(TiffWriterTest, ResolutionAndSoftwareValuesAreExact) {
  std::ostringstream out;
  TiffWriter tiff(out);
  tiff.add_page(rgb_image(2, 2), 96);
  std::string bytes = out.str();
  // Header, then the two rationals 960/10, the bits per sample 8, 8, 8 and "Orvena" with its NUL.
  EXPECT_EQ(bytes.substr(0, 4), std::string("II\x2A\x00", 4));
  EXPECT_EQ(bytes.substr(8, 16), std::string("\xC0\x03\0\0\x0A\0\0\0\xC0\x03\0\0\x0A\0\0\0", 16));
  EXPECT_EQ(bytes.substr(24, 6), std::string("\x08\0\x08\0\x08\0", 6));
  EXPECT_EQ(bytes.substr(30, 7), std::string("Orvena\0", 7));
}

// Rows of a bitmap are wider than its pixels (stride); the padding must not leak into the page.
TEST(RgbFromBgrx, SwapsToRgbAndSkipsRowPadding) {
  const uint8_t bitmap[] = {
      0x01, 0x02, 0x03, 0xFF, 0x11, 0x12, 0x13, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE,  // row 0 + padding
      0x21, 0x22, 0x23, 0xFF, 0x31, 0x32, 0x33, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE,  // row 1 + padding
  };
  Image image = rgb_from_bgrx(bitmap, 2, 2, 12);
  EXPECT_EQ(image.width, 2u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.pixels,
            (std::vector<uint8_t>{0x03, 0x02, 0x01, 0x13, 0x12, 0x11, 0x23, 0x22, 0x21, 0x33, 0x32, 0x31}));
}

TEST_F(TiffWriterTest, BadImagesAreRefused) {
  std::ostringstream out;
  TiffWriter tiff(out);
  Image short_rows = rgb_image(4, 4);
  short_rows.pixels.pop_back();
  EXPECT_THROW(tiff.add_page(short_rows), core::Error);
  EXPECT_THROW(tiff.add_page(Image{}), core::Error);
  EXPECT_EQ(tiff.page_count(), 0u);
  EXPECT_THROW(TiffWriter(m_dir.path() / "no" / "such" / "folder.tif"), core::Error);

  // Rows given in pieces must add up to the announced image.
  for (size_t rows : {1, 3}) {
    tiff.begin_page(4, 2, PixelFormat::rgb);
    std::vector<uint8_t> pixels(rows * 12, 0);
    if (rows > 2) {
      EXPECT_THROW(tiff.add_rows(pixels.data(), pixels.size()), core::Error);
      tiff.add_rows(pixels.data(), 24);
      tiff.end_page();
    } else {
      tiff.add_rows(pixels.data(), pixels.size());
      EXPECT_THROW(tiff.end_page(), core::Error) << rows;
    }
  }
  EXPECT_EQ(tiff.page_count(), 1u);
}

// Rows written in pieces give the same file as the whole image at once.
TEST_F(TiffWriterTest, PagesInPiecesEqualWholePages) {
  std::ostringstream whole, pieces;
  Image image = rgb_image(5, 7);
  {
    TiffWriter tiff(whole);
    tiff.add_page(image, 150);
    tiff.finish();
  }
  {
    TiffWriter tiff(pieces);
    tiff.begin_page(5, 7, PixelFormat::rgb, 150);
    for (size_t at = 0; at < image.pixels.size(); at += image.row_bytes() * 3)
      tiff.add_rows(image.pixels.data() + at, std::min(image.row_bytes() * 3, image.pixels.size() - at));
    tiff.end_page();
    tiff.finish();
  }
  EXPECT_EQ(pieces.str(), whole.str());
}

// The file appears under its name only when finished; an unfinished one leaves nothing.
TEST_F(TiffWriterTest, AFileAppearsOnlyWhenFinished) {
  {
    TiffWriter tiff(file());
    tiff.add_page(rgb_image(2, 2));
    EXPECT_FALSE(std::filesystem::exists(file()));
  }
  EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
  TiffWriter tiff(file());
  tiff.add_page(rgb_image(2, 2));
  tiff.finish();
  EXPECT_TRUE(std::filesystem::exists(file()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 1);
}

}  // namespace
}  // namespace orvena::exporting::tiff
