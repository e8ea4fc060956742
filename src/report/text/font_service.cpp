#include "report/text/font_service.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <string_view>

#include "core/error.h"
#include "core/text.h"

namespace orvena::report::text {

namespace {

struct Substitute {
  std::string_view windows_name, family;
};

// Families with the same advance widths as the Windows fonts templates are made with.
constexpr std::array kSubstitutes = {
    Substitute{"arial", "Liberation Sans"},
    Substitute{"helvetica", "Liberation Sans"},
    Substitute{"times new roman", "Liberation Serif"},
    Substitute{"times", "Liberation Serif"},
    Substitute{"courier new", "Liberation Mono"},
    Substitute{"courier", "Liberation Mono"},
    Substitute{"calibri", "Carlito"},
    Substitute{"cambria", "Caladea"},
    Substitute{"tahoma", "Tahoma"},  // Wine's Tahoma names itself so
};

// Windows character sets that say which language the text is in; fontconfig prefers a face
// covering it.
const char* charset_language(int charset) {
  switch (charset) {
    case 238:
      return "pl";  // EASTEUROPE_CHARSET
    case 204:
      return "ru";  // RUSSIAN_CHARSET
    case 161:
      return "el";  // GREEK_CHARSET
    case 162:
      return "tr";  // TURKISH_CHARSET
    case 186:
      return "lt";  // BALTIC_CHARSET
    default:
      return nullptr;
  }
}

std::string request_key(const FontRequest& r) {
  return core::to_lower(r.name) + '\n' + std::to_string(r.style & (kBold | kItalic)) + '\n' +
         std::to_string(r.charset);
}

FT_Library library(void* p) {
  return static_cast<FT_Library>(p);
}

bool truetype_outlines(FcPattern* match) {
  FcChar8* format = nullptr;
  return FcPatternGetString(match, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
         std::string_view(reinterpret_cast<const char*>(format)) == "TrueType";
}

}  // namespace

std::string_view substitute_family(std::string_view windows_name) {
  std::string lower = core::to_lower(core::trim(std::string(windows_name)));
  for (const Substitute& s : kSubstitutes)
    if (s.windows_name == lower) return s.family;
  return windows_name;
}

// fontconfig never frees part of what it parses from its configuration files. Leak checking
// (sanitizer builds) is told so here, where fontconfig comes in, for every program that uses it.
#if defined(__SANITIZE_ADDRESS__)
#define ORVENA_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVENA_LEAK_CHECKS 1
#endif
#endif
#ifdef ORVENA_LEAK_CHECKS
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

// ---- FontFace -------------------------------------------------------------------------------

FontFace::~FontFace() {
  // Cairo's font caches may outlive this object; the FreeType face goes with the last of
  // Cairo's references (see load()).
  if (m_cairo_face)
    cairo_font_face_destroy(m_cairo_face);
  else if (m_ft_face)
    FT_Done_Face(m_ft_face);
}

uint32_t FontFace::glyph_id(char32_t cp) const {
  if (cp < m_bmp.size()) return m_bmp[cp];
  auto it = m_astral.find(cp);
  return it == m_astral.end() ? 0 : it->second;
}

int FontFace::scale(int units, int em_pixels) const {
  // Rounded half away from zero, on integers, so that no floating-point mode changes a width.
  int64_t n = int64_t(units) * em_pixels;
  int64_t half = m_units_per_em / 2;
  return static_cast<int>(n >= 0 ? (n + half) / m_units_per_em : -((-n + half) / m_units_per_em));
}

int FontFace::advance_pixels(char32_t cp, int em_pixels) const {
  return scale(advance_units(glyph_id(cp)), em_pixels);
}

// ---- FontService ----------------------------------------------------------------------------

FontService& FontService::instance() {
  static FontService service;
  return service;
}

FontService::FontService() {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) throw core::Error("Nie można uruchomić FreeType");
  m_library = lib;
  FcInit();
}

// The FreeType library stays until the process ends: Cairo may hold faces made from it in its
// own caches past this destructor.
FontService::~FontService() = default;

std::shared_ptr<const FontFace> FontService::face(const FontRequest& request) {
  std::lock_guard guard(m_mutex);
  std::string key = request_key(request);
  if (auto it = m_by_request.find(key); it != m_by_request.end()) return it->second;

  std::string family(substitute_family(request.name));
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, request.style & kBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, request.style & kItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  // Scalable outlines only: bitmap fonts cannot be measured at 600 pixels per inch.
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  if (const char* lang = charset_language(request.charset)) {
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>(lang));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
  }
  auto found = match(pattern, request.style);
  m_by_request.emplace(key, found);
  return found;
}

// Completes and matches the pattern (which it destroys) and loads the face it names.
// The PDF writer embeds TrueType outlines only, so a face with other outlines (CFF, Type 1)
// gives way to the best TrueType one: the text then looks alike in every format, and a report
// in a font the PDF cannot carry is still written.
std::shared_ptr<const FontFace> FontService::match(FcPattern* pattern, int style) {
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match && !truetype_outlines(match)) {
    FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
    FcPattern* truetype = FcFontMatch(nullptr, pattern, &result);
    if (truetype && truetype_outlines(truetype)) std::swap(match, truetype);
    if (truetype) FcPatternDestroy(truetype);
  }
  FcPatternDestroy(pattern);

  FcChar8* file = nullptr;
  int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  if (!match || FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) {
    if (match) FcPatternDestroy(match);
    throw core::Error("Brak czcionek w systemie");
  }
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  int synthetic = 0;
  if ((style & kBold) && weight < FC_WEIGHT_DEMIBOLD) synthetic |= kBold;
  if ((style & kItalic) && slant == FC_SLANT_ROMAN) synthetic |= kItalic;
  std::string path(reinterpret_cast<const char*>(file));
  FcPatternDestroy(match);
  return load(path, index, synthetic);
}

const FontFace* FontService::fallback(const FontFace& base, char32_t cp, int style) {
  std::lock_guard guard(m_mutex);
  std::string key = base.family() + '\n' + std::to_string(uint32_t(cp)) + '\n' + std::to_string(style & 3);
  if (auto it = m_fallbacks.find(key); it != m_fallbacks.end()) return it->second;

  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(base.family().c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, style & kBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, style & kItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcCharSet* chars = FcCharSetCreate();
  FcCharSetAddChar(chars, cp);
  FcPatternAddCharSet(pattern, FC_CHARSET, chars);
  FcCharSetDestroy(chars);
  const FontFace* found = nullptr;
  try {
    auto face = match(pattern, style);
    if (face->glyph_id(cp) != 0) found = face.get();
  } catch (const core::Error&) {
  }
  m_fallbacks.emplace(key, found);
  return found;
}

std::shared_ptr<const FontFace> FontService::load(const std::string& file, int index, int synthetic) {
  std::string key = file + '\n' + std::to_string(index) + '\n' + std::to_string(synthetic);
  if (auto it = m_by_file.find(key); it != m_by_file.end()) return it->second;

  std::shared_ptr<FontFace> f(new FontFace);
  f->m_file = file;
  f->m_index = index;
  f->m_synthetic_bold = synthetic & kBold;
  f->m_synthetic_italic = synthetic & kItalic;
  if (FT_New_Face(library(m_library), file.c_str(), index, &f->m_ft_face) != 0)
    throw core::Error("Nie można otworzyć czcionki " + file);
  FT_Face face = f->m_ft_face;
  if (face->family_name) f->m_family = face->family_name;
  f->m_units_per_em = face->units_per_EM > 0 ? face->units_per_EM : 2048;

  // Advances of every glyph, unscaled and unhinted (see the header on determinism).
  f->m_advances.resize(size_t(face->num_glyphs));
  for (FT_Long g = 0; g < face->num_glyphs; ++g) {
    FT_Fixed advance = 0;
    FT_Get_Advance(face, FT_UInt(g), FT_LOAD_NO_SCALE, &advance);
    f->m_advances[size_t(g)] = static_cast<uint16_t>(std::clamp<FT_Fixed>(advance, 0, 0xFFFF));
  }

  // The whole character map once, so that lookups later need neither FreeType nor a lock.
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  f->m_bmp.assign(0x10000, 0);
  FT_UInt gid = 0;
  for (FT_ULong cp = FT_Get_First_Char(face, &gid); gid != 0; cp = FT_Get_Next_Char(face, cp, &gid)) {
    if (cp < 0x10000)
      f->m_bmp[cp] = static_cast<uint16_t>(gid);
    else
      f->m_astral.emplace(char32_t(cp), gid);
  }

  // The cell as Windows lays out text: OS/2 usWinAscent/usWinDescent, else hhea.
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    f->m_ascent = os2->usWinAscent;
    f->m_descent = os2->usWinDescent;
    f->m_strikeout_position = os2->yStrikeoutPosition;
    f->m_strikeout_thickness = os2->yStrikeoutSize;
  } else {
    f->m_ascent = face->ascender;
    f->m_descent = -face->descender;
    f->m_strikeout_position = f->m_units_per_em / 4;
    f->m_strikeout_thickness = f->m_units_per_em / 20;
  }
  FaceMetrics& m = f->m_metrics;
  m.bbox_left = int(face->bbox.xMin);
  m.bbox_bottom = int(face->bbox.yMin);
  m.bbox_right = int(face->bbox.xMax);
  m.bbox_top = int(face->bbox.yMax);
  m.max_advance = face->max_advance_width;
  m.internal_leading = f->m_ascent + f->m_descent - f->m_units_per_em;
  if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
    m.italic_angle = post->italicAngle / 65536.0;
  if (os2 && os2->version != 0xFFFF) {
    m.weight = os2->usWeightClass;
    m.average_width = os2->xAvgCharWidth;
    m.cap_height = os2->version >= 2 ? os2->sCapHeight : 0;
  }
  if (m.cap_height == 0) m.cap_height = f->m_ascent;  // the text height, as Windows reports it
  if (m.average_width == 0) m.average_width = f->m_units_per_em / 2;
  f->m_underline_position = -face->underline_position;
  f->m_underline_thickness = std::max<int>(face->underline_thickness, 1);

  // Cairo draws from the same face; it locks the face itself while it renders.
  f->m_cairo_face = cairo_ft_font_face_create_for_ft_face(face, FT_LOAD_NO_HINTING);
  static cairo_user_data_key_t face_key;
  cairo_font_face_set_user_data(f->m_cairo_face, &face_key, face,
                                [](void* p) { FT_Done_Face(static_cast<FT_Face>(p)); });
  unsigned synth = 0;
  if (f->m_synthetic_bold) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (f->m_synthetic_italic) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (synth) cairo_ft_font_face_set_synthesize(f->m_cairo_face, synth);

  m_by_file.emplace(key, f);
  return f;
}

}  // namespace orvena::report::text
