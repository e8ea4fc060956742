// Pictures, shapes and lines filled per record by the engine: a picture from a BLOB column of
// each kind, a picture from the file a column names (and refused outside the home folder),
// AutoSize, and tags with bracketed expressions. Read back from the prepared pages, as every
// writer sees them.
#include <gtest/gtest.h>

#include <fstream>

#include "core/temp_dir.h"
#include "engine_support.h"
#include "picture/jpeg.h"
#include "report/views.h"

namespace orvena::report {
namespace {

std::string hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
  return out;
}

std::string unhex(std::string_view text) {
  std::string out;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(char(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  return out;
}

// A 48 × 48 PNG (the logo of the export fixtures).
const std::string kPng = unhex(
    "89504E470D0A1A0A0000000D4948445200000030000000300802000000D8606ED0000000BE4944415478DAED98CD0D80200C85A1"
    "710E4F0EE4C9713C388E933884C33880064B7F8026AF4793BE7CBE17A090E7F54A2315A5C10A40000290774DCAFEFBD8DE1F97"
    "FD140B66D9C6F8C96142560DC444116391374D6D17D721198AC02A6A46C3D409B80F59D9C354A396341CCD509179D8F3AB8CC3"
    "550CE49757591F91010840DD803473B1663642641A20BFD40ACAD122F330A9AC49CA7EF38B47CC5566651247A7EE2A2D1E92F8"
    "BF444EBAE2AEF8AF1F1CB20EEF4338CB0004A0B8400F5E72430BAD6347280000000049454E44AE426082");

// A 3 × 2 BMP of 24 bits: rows bottom-up, each padded to 4 bytes.
std::string bmp_3x2() {
  std::string b = unhex(
      "424D"
      "4E000000"
      "00000000"
      "36000000"
      "28000000"
      "03000000"
      "02000000"
      "0100"
      "1800"
      "00000000"
      "18000000"
      "130B0000"
      "130B0000"
      "00000000"
      "00000000");
  b += std::string(2 * 12, '\x7F');
  return b;
}

// A 1 × 1 GIF.
const std::string kGif =
    unhex("47494638396101000100800000FFFFFF00000021F90401000000002C00000000010001000002024401003B");

class PictureData : public fixtures::Generation {
 protected:
  void SetUp() override {
    Generation::SetUp();
    picture::Bitmap grey{.width = 5, .height = 4, .rgba = std::vector<uint8_t>(5 * 4 * 4, 0x80)};
    jpeg = picture::encode_jpeg(grey, 90);
    const auto dane = home.home().dane();
    std::ofstream(dane / "logo.png", std::ios::binary) << kPng;
    std::ofstream(dane / "notatka.txt") << "to nie jest obraz";
    std::ofstream(outside.path() / "sekret.png", std::ios::binary) << kPng;
    std::filesystem::create_symlink(outside.path() / "sekret.png", dane / "link.png");
    // Rows: PNG, BMP, JPEG, GIF, a damaged PNG, no picture. Files: inside, a link leading
    // out, a path climbing out, an absolute path elsewhere, a file that is no picture, a
    // missing file, none.
    const std::string damaged = kPng.substr(0, 40);
    home.sql(
        "create table obrazy (id integer, obraz blob, plik text);"
        "insert into obrazy values (1, X'" +
        hex(kPng) +
        "', 'Dane\\logo.png');"
        "insert into obrazy values (2, X'" +
        hex(bmp_3x2()) +
        "', 'Dane/link.png');"
        "insert into obrazy values (3, X'" +
        hex(jpeg) +
        "', 'Dane/../../sekret.png');"
        "insert into obrazy values (4, X'" +
        hex(kGif) + "', '" + (outside.path() / "sekret.png").string() +
        "');"
        "insert into obrazy values (5, X'" +
        hex(damaged) +
        "', 'Dane/notatka.txt');"
        "insert into obrazy values (6, null, 'Dane/brak.png');"
        "insert into obrazy values (7, null, '');");
    report.home_folder = home.home().root();
    load("pictures", "select * from obrazy order by id");
  }

  // The printed instances of `name` on the first page, in printing order.
  template <class T>
  std::vector<T*> printed(const std::string& name) {
    std::vector<T*> out;
    for (Component* c : pages.page(0).all_objects())
      if (c->name() == name) out.push_back(dynamic_cast<T*>(c));
    return out;
  }

  bool has_notice(const std::string& text) const {
    for (const std::string& n : report.notices())
      if (n.find(text) != std::string::npos) return true;
    return false;
  }

  std::string jpeg;
  core::TempDir outside;
};

TEST_F(PictureData, EachRecordPrintsThePictureOfItsBlobSizedToIt) {
  generate();
  auto pictures = printed<PictureView>("Zdjecie");
  ASSERT_EQ(pictures.size(), 7u);
  struct Expected {
    PictureKind kind;
    std::string bytes;
    double width, height;  // AutoSize: the picture's pixels; the template's 90 × 90 without one
  };
  const Expected expected[] = {{PictureKind::Png, kPng, 48, 48},
                               {PictureKind::Bitmap, bmp_3x2(), 3, 2},
                               {PictureKind::Jpeg, jpeg, 5, 4},
                               {PictureKind::Gif, kGif, 1, 1},
                               {PictureKind::Png, kPng.substr(0, 40), 90, 90},
                               {PictureKind::None, "", 90, 90},
                               {PictureKind::None, "", 90, 90}};
  for (size_t i = 0; i < pictures.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_EQ(pictures[i]->picture.kind, expected[i].kind);
    EXPECT_EQ(pictures[i]->picture.bytes, expected[i].bytes);
    EXPECT_EQ(pictures[i]->width(), expected[i].width);
    EXPECT_EQ(pictures[i]->height(), expected[i].height);
    EXPECT_EQ(pictures[i]->tag_str, "nr " + std::to_string(i + 1));
  }
  // The damaged one is named, not left blank without a word; the template keeps its size.
  EXPECT_TRUE(has_notice("Obraz 'Zdjecie': Nieprawidłowy plik PNG"))
      << testing::PrintToString(report.notices());
  auto* design = dynamic_cast<PictureView*>(report.find_object("Zdjecie"));
  EXPECT_EQ(design->width(), 90);
  EXPECT_TRUE(design->picture.empty());
}

TEST_F(PictureData, FileLinksReadOnlyInsideTheHomeFolder) {
  generate();
  auto pictures = printed<PictureView>("Plik");
  ASSERT_EQ(pictures.size(), 7u);
  EXPECT_EQ(pictures[0]->picture.kind, PictureKind::Png);  // a Windows separator is a separator
  EXPECT_EQ(pictures[0]->picture.bytes, kPng);
  for (size_t i = 1; i < pictures.size(); ++i) EXPECT_TRUE(pictures[i]->picture.empty()) << "row " << i + 1;

  const std::string outside_file = (outside.path() / "sekret.png").string();
  for (const std::string& refused :
       {std::string("Dane/link.png"), std::string("Dane/../../sekret.png"), outside_file})
    EXPECT_TRUE(
        has_notice("Obraz 'Plik': plik '" + refused + "' leży poza folderem domowym - nie wczytano go"))
        << refused << testing::PrintToString(report.notices());
  EXPECT_TRUE(has_notice("Obraz 'Plik': plik 'Dane/notatka.txt' nie jest obrazem"));
  EXPECT_TRUE(has_notice("brak.png")) << testing::PrintToString(report.notices());
}

TEST_F(PictureData, WithoutAHomeFolderNoFileIsRead) {
  report.home_folder.clear();
  generate();
  EXPECT_TRUE(printed<PictureView>("Plik").front()->picture.empty());
  EXPECT_TRUE(has_notice("Obraz 'Plik': plik 'Dane\\logo.png' leży poza folderem domowym"));
}

TEST_F(PictureData, ShapesAndLinesFillTheirTagsPerRecord) {
  generate();
  auto shapes = printed<ShapeView>("Ksztalt");
  auto lines = printed<LineView>("Linia");
  ASSERT_EQ(shapes.size(), 7u);
  ASSERT_EQ(lines.size(), 7u);
  for (size_t i = 0; i < shapes.size(); ++i) {
    EXPECT_EQ(shapes[i]->tag_str, std::to_string(i + 1));
    EXPECT_EQ(lines[i]->tag_str, std::to_string(2 * (i + 1)));
  }
  // The template keeps its expressions for the next report.
  EXPECT_EQ(dynamic_cast<ShapeView*>(report.find_object("Ksztalt"))->tag_str, "[DaneOrvena.\"id\"]");
}

}  // namespace
}  // namespace orvena::report
