// The TrueType reader and subsetter, checked against FreeType as an independent reader of the
// same files.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include <gtest/gtest.h>

#include <set>

#include "core/line_file.h"
#include "export/pdf/truetype/byte_reader.h"
#include "export/pdf/truetype/font_file.h"
#include "export/pdf/truetype/subset.h"
#include "pdf_support.h"

namespace orvena::exporting::truetype {
namespace {

using pdf::test::kFontFolder;

class FreeType {
 public:
  FreeType() { FT_Init_FreeType(&m_library); }
  ~FreeType() {
    for (FT_Face f : m_faces) FT_Done_Face(f);
    FT_Done_FreeType(m_library);
  }
  FT_Face open(const std::string& bytes, int index = 0) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(m_library, reinterpret_cast<const FT_Byte*>(bytes.data()), FT_Long(bytes.size()),
                           index, &face) != 0)
      return nullptr;
    m_faces.push_back(face);
    return face;
  }

 private:
  FT_Library m_library = nullptr;
  std::vector<FT_Face> m_faces;
};

int outline_points(FT_Face face, uint16_t glyph) {
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return -1;
  return face->glyph->outline.n_points;
}

bool composite(FT_Face face, uint16_t glyph) {
  return FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) == 0 &&
         face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE;
}

// Two fonts as one collection: the TTC header, then each font with its table offsets moved.
std::string collection(const std::vector<std::string>& fonts, uint32_t version = 0x00010000) {
  std::string out = "ttcf";
  append_u32(out, version);
  append_u32(out, uint32_t(fonts.size()));
  size_t at = 12 + fonts.size() * 4;
  std::vector<size_t> starts;
  for (const auto& f : fonts) {
    starts.push_back(at);
    append_u32(out, uint32_t(at));
    at += f.size();
  }
  for (size_t i = 0; i < fonts.size(); ++i) {
    std::string f = fonts[i];
    ByteReader in(fonts[i]);
    for (size_t t = 0; t < in.u16(4); ++t)
      put_u32(f, 12 + t * 16 + 8, uint32_t(in.u32(12 + t * 16 + 8) + starts[i]));
    out += f;
  }
  return out;
}

const std::string& sans() {
  static const std::string bytes = core::read_file(kFontFolder / "LiberationSans-Regular.ttf");
  return bytes;
}

TEST(TrueTypeReader, MetricsAndWidthsAgreeWithFreeType) {
  FreeType ft;
  for (const char* name :
       {"LiberationSans-Regular.ttf", "LiberationSerif-BoldItalic.ttf", "LiberationMono-Regular.ttf"}) {
    std::string bytes = core::read_file(kFontFolder / name);
    FontFile font(bytes, 0);
    FT_Face face = ft.open(bytes);
    ASSERT_NE(face, nullptr);
    const FontMetrics& m = font.metrics();
    EXPECT_EQ(m.units_per_em, face->units_per_EM) << name;
    EXPECT_EQ(font.glyph_count(), face->num_glyphs) << name;
    EXPECT_EQ(m.ascender, face->ascender) << name;
    EXPECT_EQ(m.descender, face->descender) << name;
    EXPECT_EQ(m.x_min, face->bbox.xMin) << name;
    EXPECT_EQ(m.y_max, face->bbox.yMax) << name;
    EXPECT_EQ(font.name(1), face->family_name) << name;
    for (uint16_t g :
         {uint16_t(0), uint16_t(3), uint16_t(36), uint16_t(100), uint16_t(font.glyph_count() - 1)}) {
      FT_Fixed advance = 0;
      FT_Get_Advance(face, g, FT_LOAD_NO_SCALE, &advance);
      EXPECT_EQ(font.advance_width(g), advance) << name << " glyph " << g;
    }
  }
}

TEST(TrueTypeSubset, KeepsUsedOutlinesAndTheirPartsAndBlanksTheRest) {
  FreeType ft;
  FT_Face source = ft.open(sans());
  FontFile font(sans(), 0);
  // A composite accented letter, and two plain letters.
  uint16_t accented = 0;
  for (char32_t c : std::u32string(U"ąęńźżĄĘŃŹŻ"))
    if (uint16_t g = FT_Get_Char_Index(source, c); composite(source, g)) {
      accented = g;
      break;
    }
  ASSERT_NE(accented, 0) << "Liberation Sans builds some Polish letters from parts";
  std::vector<uint16_t> used = {uint16_t(FT_Get_Char_Index(source, 'A')),
                                uint16_t(FT_Get_Char_Index(source, 'z')), accented};
  std::set<uint16_t> kept(used.begin(), used.end());
  kept.insert(0);
  for (uint16_t part : font.components(accented)) kept.insert(part);
  ASSERT_GE(kept.size(), 5u);

  std::string subset = subset_font(font, used);
  EXPECT_LT(subset.size(), sans().size() / 4);
  FT_Face face = ft.open(subset);
  ASSERT_NE(face, nullptr) << "FreeType reads the subset";
  ASSERT_EQ(face->num_glyphs, source->num_glyphs) << "glyphs keep their indices";
  for (uint16_t g = 0; g < font.glyph_count(); ++g) {
    int points = outline_points(face, g);
    if (kept.contains(g))
      EXPECT_EQ(points, outline_points(source, g)) << "kept glyph " << g;
    else if (points != 0)
      ADD_FAILURE() << "glyph " << g << " should be blank, has " << points << " points";
  }
}

TEST(TrueTypeSubset, WritesAValidDirectoryWithoutLayoutTables) {
  FontFile font(sans(), 0);
  std::vector<uint16_t> used = {36, 37, 38};
  std::string subset = subset_font(font, used);
  FontFile back(subset, 0);
  std::set<std::string> tags;
  for (const TableRecord& t : back.tables()) {
    std::string tag{char(t.tag >> 24), char(t.tag >> 16), char(t.tag >> 8), char(t.tag)};
    tags.insert(tag);
    EXPECT_EQ(t.offset % 4, 0u) << tag;
    if (tag != "head") {
      EXPECT_EQ(table_checksum(back.table(t.tag)), t.checksum) << tag;
    }
  }
  EXPECT_FALSE(tags.contains("GSUB") || tags.contains("GPOS") || tags.contains("kern") ||
               tags.contains("DSIG"));
  for (const char* needed : {"head", "hhea", "maxp", "loca", "glyf", "hmtx", "cmap", "post", "name", "OS/2"})
    EXPECT_TRUE(tags.contains(needed)) << needed;
  // The whole file sums to the magic number once head's adjustment is in.
  EXPECT_EQ(table_checksum(subset), 0xB1B0AFBAu);
  EXPECT_EQ(ByteReader(back.table(make_tag("post"))).u32(0), 0x00030000u) << "no glyph names";
  EXPECT_EQ(back.metrics().units_per_em, font.metrics().units_per_em);
  for (uint16_t g : used) EXPECT_EQ(back.glyph_data(g), font.glyph_data(g));
}

TEST(TrueTypeCollection, AFaceOfACollectionSubsetsLikeItsOwnFile) {
  std::string serif = core::read_file(kFontFolder / "LiberationSerif-Regular.ttf");
  std::string ttc = collection({sans(), serif});
  EXPECT_EQ(FontFile::face_count(ttc), 2u);
  std::vector<uint16_t> used = {40, 41, 42, 300};
  EXPECT_EQ(subset_font(FontFile(ttc, 1), used), subset_font(FontFile(serif, 0), used));
  EXPECT_EQ(subset_font(FontFile(ttc, 0), used), subset_font(FontFile(sans(), 0), used));
  FreeType ft;
  EXPECT_NE(ft.open(ttc, 1), nullptr) << "the test's collection is a real one";
}

// Changes the 16-bit word at an offset of a table.
std::string patched(std::string bytes, const char (&tag)[5], size_t offset, uint16_t value) {
  FontFile font(bytes, 0);
  put_u16(bytes, font.find_table(make_tag(tag))->offset + offset, value);
  return bytes;
}

TEST(TrueTypeReader, DamagedFilesRaiseTheReadersErrors) {
  struct Row {
    const char* what;
    std::string bytes;
    uint32_t face;
    std::string message;
  } rows[] = {
      {"empty", "", 0, "Format error"},
      {"not a font", "GIF89a and more bytes", 0, "TrueType font format error"},
      {"cut short", sans().substr(0, 200), 0, "Format error"},
      {"second face of a single font", sans(), 1, "Font not found in collection"},
      {"collection version 3", collection({sans()}, 0x00030000), 0, "Unknown font collection version"},
      {"face past the collection", collection({sans()}), 1, "Font not found in collection"},
      {"loca format 2", patched(sans(), "head", 50, 2), 0, "Unknown IndexToLoc value"},
      {"units per em 0", patched(sans(), "head", 18, 0), 0, "Format error"},
      {"more glyphs than loca holds", patched(sans(), "maxp", 4, 0xFFFF), 0, "Format error"},
  };
  for (const auto& r : rows) {
    try {
      FontFile font(r.bytes, r.face);
      ADD_FAILURE() << r.what << ": accepted";
    } catch (const core::Error& e) {
      EXPECT_EQ(e.what(), r.message) << r.what;
    }
  }
}

TEST(TrueTypeReader, FontWithoutOutlinesIsRefused) {
  std::string bytes = sans();
  FontFile font(bytes, 0);
  size_t index = font.find_table(make_tag("glyf")) - font.tables().data();
  put_u32(bytes, 12 + index * 16, make_tag("glyX"));
  try {
    FontFile without(bytes, 0);
    ADD_FAILURE() << "accepted";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Glyph table not found");
  }
}

TEST(TrueTypeSubset, CompositeGlyphThatNamesItselfEnds) {
  FreeType ft;
  FT_Face source = ft.open(sans());
  FontFile font(sans(), 0);
  uint16_t accented = uint16_t(FT_Get_Char_Index(source, U'ą'));
  ASSERT_TRUE(composite(source, accented));
  // The first component's glyph index, after the 10-byte header and the flags, points back.
  std::string bytes = sans();
  size_t at = font.find_table(make_tag("glyf"))->offset +
              (font.glyph_data(accented).data() - font.table(make_tag("glyf")).data());
  put_u16(bytes, at + 12, accented);
  FontFile looped(bytes, 0);
  std::vector<uint16_t> used = {accented};
  std::string subset = subset_font(looped, used);
  EXPECT_EQ(FontFile(subset, 0).glyph_data(accented), looped.glyph_data(accented));
}

}  // namespace
}  // namespace orvena::exporting::truetype
