// The font service with the fonts scripts/install-deps.sh and install-test-deps.sh install.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "report/text/font_service.h"

namespace orvena::report::text {
namespace {

struct Resolve {
  const char* name;
  int style;
  const char* file;  // the file name fontconfig must give
};

class FontResolution : public testing::TestWithParam<Resolve> {};

TEST_P(FontResolution, MetricCompatibleSubstitute) {
  auto face = FontService::instance().face(FontRequest{GetParam().name, GetParam().style, 1});
  EXPECT_EQ(std::filesystem::path(face->file()).filename(), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(FontService, FontResolution,
                         testing::Values(Resolve{"Arial", 0, "LiberationSans-Regular.ttf"},
                                         Resolve{"ARIAL", kBold, "LiberationSans-Bold.ttf"},
                                         Resolve{"Arial", kBold | kItalic, "LiberationSans-BoldItalic.ttf"},
                                         Resolve{"Times New Roman", kItalic, "LiberationSerif-Italic.ttf"},
                                         Resolve{"Courier New", 0, "LiberationMono-Regular.ttf"},
                                         Resolve{"Calibri", 0, "Carlito-Regular.ttf"},
                                         Resolve{"Cambria", 0, "Caladea-Regular.ttf"},
                                         Resolve{"Tahoma", 0, "tahoma.ttf"}));

TEST(FontService, UnknownNameGetsAnInstalledFace) {
  auto face = FontService::instance().face(FontRequest{"No Such Font 123", 0, 238});
  EXPECT_TRUE(std::filesystem::exists(face->file()));
  EXPECT_NE(face->glyph_id(U'ą'), 0u);
}

// FontAwesome is installed with CFF outlines (.otf) and TrueType ones (.ttf); the PDF writer
// embeds TrueType only.
TEST(FontService, TrueTypeOutlinesAreTakenOverOthersOfTheSameFamily) {
  auto face = FontService::instance().face(FontRequest{"FontAwesome", 0, 1});
  EXPECT_EQ(std::filesystem::path(face->file()).filename(), "fontawesome-webfont.ttf");
  auto base = FontService::instance().face(FontRequest{"Arial", 0, 1});
  const FontFace* icons = FontService::instance().fallback(*base, U'\uF000', 0);
  ASSERT_NE(icons, nullptr);
  EXPECT_EQ(std::filesystem::path(icons->file()).extension(), ".ttf");
}

TEST(FontService, MetricsForTheLayoutAndThePdfWriter) {
  auto face = FontService::instance().face(FontRequest{"Arial", 0, 1});
  EXPECT_EQ(face->units_per_em(), 2048);
  EXPECT_EQ(face->face_index(), 0);
  uint32_t a = face->glyph_id(U'A');
  ASSERT_NE(a, 0u);
  EXPECT_EQ(face->advance_units(a), 1366);
  EXPECT_EQ(face->advance_pixels(U'A', 83), 55);  // 1366 × 83 / 2048 = 55.36
  EXPECT_EQ(face->glyph_id(U'\U0001F600'), 0u);   // no emoji in Liberation Sans
  EXPECT_GT(face->ascent(), 0);
  EXPECT_GT(face->descent(), 0);
  EXPECT_NE(face->cairo_face(), nullptr);
  const FaceMetrics& m = face->metrics();
  EXPECT_LT(m.bbox_left, 0);
  EXPECT_GT(m.bbox_top, face->units_per_em() / 2);
  EXPECT_EQ(m.weight, 400);
  EXPECT_EQ(m.italic_angle, 0);
  EXPECT_GT(m.cap_height, 0);
  EXPECT_LT(m.cap_height, face->ascent());
  auto bold_italic = FontService::instance().face(FontRequest{"Arial", kBold | kItalic, 1});
  EXPECT_EQ(bold_italic->metrics().weight, 700);
  EXPECT_LT(bold_italic->metrics().italic_angle, 0);
  EXPECT_FALSE(bold_italic->synthetic_bold());
  // The same request gives the same face; requests differing only in underline share it too.
  EXPECT_EQ(face.get(), FontService::instance().face(FontRequest{"arial", kUnderline, 1}).get());
}

// Many threads asking at once get the same faces and the same advances.
TEST(FontService, ConcurrentUse) {
  const char* names[] = {"Verdana", "Georgia", "Courier New", "Cambria"};
  std::vector<std::thread> threads;
  std::vector<int> widths(8);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      int w = 0;
      for (int round = 0; round < 50; ++round) {
        auto f = FontService::instance().face(FontRequest{names[round % 4], round % 4, 1});
        for (char32_t c = U'a'; c <= U'z'; ++c) w += f->advance_pixels(c, 83);
      }
      widths[size_t(i)] = w;
    });
  for (auto& t : threads) t.join();
  for (int w : widths) EXPECT_EQ(w, widths[0]);
}

}  // namespace
}  // namespace orvena::report::text
