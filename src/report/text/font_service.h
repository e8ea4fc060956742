#pragma once
// The font service: template fonts resolved to installed font files, and their metrics.
//
// A template names Windows fonts. Each is resolved through fontconfig, preferring the
// metric-compatible substitutes (Arial -> Liberation Sans ...) so that text measures as it did
// where the template was made; any other name gets fontconfig's best match, never a failure.
//
// Measuring model. Advances are read once per face from the font's own tables (hmtx) in font
// units, unhinted, and scaled to pixels by plain integer rounding per glyph. Hinted advances
// would depend on FreeType's version and its TrueType interpreter settings; unhinted ones depend
// only on the font file, so the same machine image always gives the same line breaks. Whole
// pixels per glyph keep the measuring of the layout (one integer advance per character).
//
// Thread safety: the service is one per process and locked; a FontFace, once returned, is
// immutable and may be read from any thread. Its FreeType face is shared with Cairo: use it
// only through cairo_face(), or under FontService::lock() for direct FreeType calls.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct FT_FaceRec_* FT_Face;
typedef struct _cairo_font_face cairo_font_face_t;
typedef struct _FcPattern FcPattern;

namespace orvena::report::text {

// Style bits of a template font (the same bits as the object model's font style).
enum FontStyle : uint8_t { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

// What a template says about a font, as far as choosing a file goes.
struct FontRequest {
  std::string name = "Arial";
  int style = 0;    // FontStyle bits; underline and strike-out do not choose a file
  int charset = 1;  // Windows character set number; DEFAULT_CHARSET is 1
  friend bool operator==(const FontRequest&, const FontRequest&) = default;
};

// Whole-face figures a PDF font descriptor is made of, in font units.
struct FaceMetrics {
  int bbox_left = 0, bbox_bottom = 0, bbox_right = 0, bbox_top = 0;
  double italic_angle = 0;  // degrees, negative leaning right
  int cap_height = 0;
  int weight = 400;  // 100 to 900
  int average_width = 0, max_advance = 0;
  int internal_leading = 0;  // ascent + descent - units per em
};

// One installed face with the metrics its users need: the layout (advances), the PDF writer
// (file, face index, glyph ids, widths in font units, units per em) and the canvases (faces).
class FontFace {
 public:
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const std::string& file() const { return m_file; }
  int face_index() const { return m_index; }
  const std::string& family() const { return m_family; }
  // The request asked for bold or italic but the file has neither: drawing slants or
  // emboldens the outlines.
  bool synthetic_bold() const { return m_synthetic_bold; }
  bool synthetic_italic() const { return m_synthetic_italic; }

  int units_per_em() const { return m_units_per_em; }
  // Cell ascent and descent in font units (OS/2 Windows metrics when present), positive.
  int ascent() const { return m_ascent; }
  int descent() const { return m_descent; }
  // Underline and strike-out: offset below (underline) or above (strike-out) the baseline and
  // thickness, in font units.
  int underline_position() const { return m_underline_position; }
  int underline_thickness() const { return m_underline_thickness; }
  int strikeout_position() const { return m_strikeout_position; }
  int strikeout_thickness() const { return m_strikeout_thickness; }

  const FaceMetrics& metrics() const { return m_metrics; }

  // Glyph id of a code point; 0 (the missing glyph) when the font has none.
  uint32_t glyph_id(char32_t cp) const;
  size_t glyph_count() const { return m_advances.size(); }
  // Advance width in font units (0 for ids out of range).
  int advance_units(uint32_t glyph) const { return glyph < m_advances.size() ? m_advances[glyph] : 0; }
  // Advance of a code point in whole pixels for a face `em_pixels` high.
  int advance_pixels(char32_t cp, int em_pixels) const;
  // Pixels of `units` font units for a face `em_pixels` high, rounded to the nearest.
  int scale(int units, int em_pixels) const;

  FT_Face ft_face() const { return m_ft_face; }
  cairo_font_face_t* cairo_face() const { return m_cairo_face; }

 private:
  friend class FontService;
  FontFace() = default;

  std::string m_file, m_family;
  int m_index = 0;
  bool m_synthetic_bold = false, m_synthetic_italic = false;
  int m_units_per_em = 2048, m_ascent = 0, m_descent = 0;
  int m_underline_position = 0, m_underline_thickness = 0, m_strikeout_position = 0,
      m_strikeout_thickness = 0;
  FaceMetrics m_metrics;
  std::vector<uint16_t> m_advances;  // by glyph id
  std::vector<uint16_t> m_bmp;       // glyph id by code point below U+10000
  std::unordered_map<char32_t, uint32_t> m_astral;
  FT_Face m_ft_face = nullptr;
  cairo_font_face_t* m_cairo_face = nullptr;
};

// Which family a Windows font name is measured with: the metric-compatible substitute, or the
// name itself when there is none. Case does not matter.
std::string_view substitute_family(std::string_view windows_name);

class FontService {
 public:
  // The process's one instance.
  static FontService& instance();

  // The face for a template font. Never fails while any font is installed; throws
  // core::Error "Brak czcionek w systemie" when fontconfig finds none at all.
  std::shared_ptr<const FontFace> face(const FontRequest& request);

  // A face that has a glyph for `cp` when `base` has none, in the same style where there is
  // one; null when no installed font has it.
  const FontFace* fallback(const FontFace& base, char32_t cp, int style);

  // Held for direct FreeType calls on a face's ft_face().
  std::unique_lock<std::mutex> lock() { return std::unique_lock(m_mutex); }

  ~FontService();

 private:
  FontService();
  std::shared_ptr<const FontFace> load(const std::string& file, int index, int style);
  std::shared_ptr<const FontFace> match(FcPattern* pattern, int style);

  std::mutex m_mutex;
  void* m_library = nullptr;  // FT_Library
  std::unordered_map<std::string, std::shared_ptr<const FontFace>> m_by_request;
  std::unordered_map<std::string, std::shared_ptr<const FontFace>> m_by_file;
  std::unordered_map<std::string, const FontFace*> m_fallbacks;  // faces are kept in m_by_file
};

}  // namespace orvena::report::text
