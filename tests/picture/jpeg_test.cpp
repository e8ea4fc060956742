// JPEG files read into pixels: every colour model decodes to the colours another reader sees.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/temp_dir.h"
#include "export/external_reader.h"
#include "picture/picture.h"

namespace orvena::picture {
namespace {

using ::orvena::test::run_python;

// Grey, colour and CMYK files (Pillow writes CMYK inverted, with Adobe's marker, as Photoshop
// does) decode to the colours Pillow itself sees in them.
TEST(JpegPicture, EveryColourModelDecodesToItsColours) {
  core::TempDir dir;
  auto made = run_python(dir.path(), R"(
import sys
from PIL import Image
for mode, colour in (('L', 90), ('RGB', (200, 30, 40)), ('CMYK', (10, 200, 30, 5))):
    im = Image.new(mode, (6, 4), colour)
    im.save(sys.argv[1] + '/' + mode + '.jpg', quality=95)
    print(mode, '%d %d %d' % Image.open(sys.argv[1] + '/' + mode + '.jpg').convert('RGB').getpixel((3, 2)))
)",
                         dir.path().string());
  ASSERT_EQ(made.status, 0) << made.output;
  std::istringstream lines(made.output);
  std::string mode;
  int decoded = 0;
  for (int r, g, b; lines >> mode >> r >> g >> b; ++decoded) {
    SCOPED_TRACE(mode);
    std::ifstream in(dir.path() / (mode + ".jpg"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    Bitmap bitmap = decode(Kind::Jpeg, bytes);
    ASSERT_EQ(bitmap.width, 6);
    ASSERT_EQ(bitmap.height, 4);
    const uint8_t* p = &bitmap.rgba[(2 * 6 + 3) * 4];
    // Pillow's CMYK conversion differs from the plain one by a few levels.
    EXPECT_NEAR(p[0], r, 12);
    EXPECT_NEAR(p[1], g, 12);
    EXPECT_NEAR(p[2], b, 12);
    EXPECT_EQ(p[3], 255);
  }
  EXPECT_EQ(decoded, 3) << made.output;
  EXPECT_THROW(decode(Kind::Jpeg, ""), Unreadable);
  EXPECT_THROW(decode(Kind::Jpeg, "\xFF\xD8\xFF"), Unreadable);
}

}  // namespace
}  // namespace orvena::picture
