// Decoding by kind: PNG files another writer made read as that writer's reader reads them,
// damaged ones give the system's error, and a picture of any kind past the pixel limit is
// refused from its header with one text.
#include <gtest/gtest.h>

#include <string>

#include "picture/oversized.h"
#include "picture/picture.h"
#include "support/run_command.h"

namespace orvena::picture {
namespace {

std::string hex(const Bitmap& b) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t v : b.rgba) {
    out += digits[v >> 4];
    out += digits[v & 15];
  }
  return out;
}

// Pillow wrote all but the last; the last is 16 bits a sample and interlaced (written by hand in
// Python), which Pillow, like us, cuts to the high byte.
TEST(PngPicture, FilesOfAnotherWriterReadAsThatReaderReadsThem) {
  const struct {
    const char* name;
    Alpha alpha;
  } files[] = {{"rgba.png", Alpha::Straight},
               {"palette_transparent.png", Alpha::Straight},
               {"grey.png", Alpha::None},
               {"mono.png", Alpha::None},
               {"rgb16_interlaced.png", Alpha::None}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string path = std::string(ORVENA_SOURCE_DIR) + "/fuzz/corpus/picture/" + f.name;
    auto pillow = ::orvena::test::run_command(
        "/usr/bin/python3 -c \"import sys; from PIL import Image; im = "
        "Image.open(sys.argv[1]).convert('RGBA'); "
        "print(im.size[0], im.size[1], im.tobytes().hex())\" '" +
            path + "'",
        ::orvena::test::Streams::OutputOnly);
    ASSERT_EQ(pillow.status, 0);
    Bitmap b = decode(Kind::Png, test::corpus_file(f.name));
    EXPECT_EQ(std::to_string(b.width) + " " + std::to_string(b.height) + " " + hex(b) + "\n", pillow.output);
    EXPECT_EQ(b.alpha, f.alpha);
  }
}

TEST(PngPicture, DamagedFilesAreRefused) {
  const std::string good = test::corpus_file("rgba.png");
  std::string bad_crc = good;
  bad_crc[20] ^= 1;  // the height, under the header's checksum
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"not a PNG", "GIF89a" + good.substr(6)},
      {"cut in the header", good.substr(0, 20)},
      {"cut in the pixels", good.substr(0, good.size() - 30)},
      {"header checksum wrong", bad_crc},
  };
  for (const auto& c : cases) {
    try {
      decode(Kind::Png, c.file);
      ADD_FAILURE() << c.name << ": decoded";
    } catch (const Unreadable& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Nieprawidłowy plik PNG: ", 0), 0u) << c.name << ": " << e.what();
    }
  }
}

// The limit is checked on the header's size, before the pixels are allocated or read: each of
// these files is a few hundred bytes and ends long before its pixels would.
TEST(Picture, EveryKindPastTheLimitIsRefusedWithOneText) {
  for (const auto& p : test::oversized_pictures()) {
    try {
      decode(p.kind, p.file);
      ADD_FAILURE() << p.name << ": decoded";
    } catch (const TooLarge& e) {
      EXPECT_STREQ(e.what(), test::kOversizedText) << p.name;
    }
  }
  // A smaller limit (the fuzzer's) holds as well, and names itself.
  try {
    decode(Kind::Png, test::corpus_file("rgba.png"), 14);
    ADD_FAILURE() << "decoded";
  } catch (const TooLarge& e) {
    EXPECT_STREQ(e.what(), "Obraz jest zbyt duży: 5 × 3 pikseli (najwyżej 14)");
  }
  EXPECT_EQ(decode(Kind::Png, test::corpus_file("rgba.png"), 15).width, 5);
}

TEST(Picture, KindsWithoutADecoderGiveNoPixels) {
  EXPECT_EQ(decode(Kind::Metafile, "\x01\x00\x00\x00 an enhanced metafile").width, 0);
  EXPECT_EQ(decode(Kind::None, "").width, 0);
}

}  // namespace
}  // namespace orvena::picture
