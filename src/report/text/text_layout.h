#pragma once
// The text layout engine every text object is measured, broken, split and drawn with.
//
// Measuring is done at 600 pixels per inch (one report unit is 6.25 measuring pixels) with the
// font service's advances, so that line breaks do not depend on the device. A user sets the
// engine up completely for one object (font, options, gaps, dimensions, text) and then asks;
// users that can run beside others hold the engine's lock meanwhile.
#include <array>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/canvas/canvas.h"
#include "report/text/font_service.h"
#include "report/text/tags.h"
#include "report/views.h"

namespace orvena::report::text {

inline constexpr int kMeasuringPixelsPerInch = 600;
inline constexpr double kMeasuringPixelsPerUnit = 6.25;  // 600 / 96

// What one text lays out at most: bytes of its lines, each line break counted as two. The layout
// keeps tens of bytes for every character, so a 50 MB text would take gigabytes; 1 MiB is some
// hundreds of pages of text.
inline constexpr size_t kMaxLayoutText = 1u << 20;

// Cuts `lines` after kMaxLayoutText bytes, inside a line at a character boundary; false when
// they fit whole. The layout reads no further than this either.
bool cut_to_layout_limit(std::vector<std::string>& lines);

struct LayoutFont {
  std::string name = "Arial";
  int size = 10;       // points
  int style = 0;       // FontStyle bits
  uint32_t color = 0;  // 0xRRGGBB
  int charset = 1;
};

// The layout font of an object model font (its colour is a Windows colour value, 0x00BBGGRR).
LayoutFont layout_font(const Font& font);

struct LayoutOptions {
  bool word_wrap = true;
  bool html_tags = false;
  int rotation = 0;  // degrees, counter-clockwise
  bool wysiwyg = true;
  bool clipped = true;
  bool word_break = false;
  bool rtl_reading = false;
  bool mask = false;  // draw every character black
};

struct Gaps {
  double line_spacing = 2, char_spacing = 0, paragraph_gap = 0;  // report units
};

struct Dimensions {
  canvas::Rect text;    // the text area in report units
  canvas::Rect device;  // where it is drawn, in device pixels
  double print_scale = 1, scale_x = 1, scale_y = 1;
};

enum LineFlags : uint8_t { kParagraphStart = 1, kParagraphEnd = 2 };

// One wrapped line: characters [begin, end) of the engine's text, and a hyphen after them when
// the breaker divided a word there.
struct WrappedLine {
  uint32_t begin = 0, end = 0;
  uint32_t paragraph = 0;
  uint8_t flags = 0;
  bool hyphen = false;
};

struct SplitText {
  std::string in_bounds;    // the lines that fit
  std::string out_bounds;   // the rest, starting in the state the cut left it in
  bool para_break = false;  // the cut fell inside a paragraph
};

class TextLayout {
 public:
  TextLayout() = default;
  // The engine of objects that belong to no report.
  static TextLayout& shared();

  // Held while one object is set up and used when other users may run beside.
  void lock() { m_mutex.lock(); }
  void unlock() { m_mutex.unlock(); }

  void set_font(const LayoutFont& font);
  void set_options(const LayoutOptions& options);
  void set_gaps(const Gaps& gaps) { m_gaps = gaps; }
  void set_dimensions(const Dimensions& dimensions) { m_dims = dimensions; }
  // One source line is one paragraph. `first_para_break`: the text continues a paragraph of an
  // earlier part, so its first line is not indented.
  void set_text(std::span<const std::string> lines, bool first_para_break = false);
  void set_para_breaks(bool first_para_break, bool last_para_break);

  // Measuring font height in pixels at 600 per inch.
  int font_height() const { return m_font_height; }
  double line_height() const { return m_font_height / kMeasuringPixelsPerUnit + m_gaps.line_spacing; }
  double text_height() const { return m_font_height / kMeasuringPixelsPerUnit; }
  double calc_height() const;
  double calc_width() const;
  double unused_space() const;

  const std::vector<WrappedLine>& lines() const { return m_lines; }
  std::u32string line_text(size_t line) const;
  // States of the line's characters (a hyphen takes the state of the character before it).
  std::vector<TagState> line_states(size_t line) const;
  std::string wrapped_text() const;
  // The source lines joined, each followed by CR LF, tags removed; an empty line is one blank.
  std::string plain_text() const;

  // Cuts the text after the lines that fit the text area's height; the lines after the cut are
  // dropped from the engine.
  SplitText split();

  void draw_text(canvas::Canvas& canvas, HAlign halign, VAlign valign);

 private:
  struct Paragraph {
    uint32_t begin = 0, end = 0;  // characters
    uint32_t source = 0;          // byte offset of the line in m_source
  };

  struct DrawContext;
  void draw_line(const DrawContext& ctx, size_t line, double top, HAlign halign);
  const FontFace& face(int style) const;
  const FontFace& face_for(char32_t cp, int style) const;
  bool swapped_axes() const;
  double wrap_width() const;
  double fit_height() const;
  int lines_that_fit() const;
  int measure(uint32_t index) const;
  void break_paragraph(uint32_t paragraph, int first_width, int full_width);
  void add_line(uint32_t paragraph, uint32_t begin, uint32_t end, bool hyphen);
  size_t source_offset(uint32_t char_index) const;
  uint32_t paragraph_of(uint32_t char_index) const;

  std::mutex m_mutex;
  LayoutFont m_font;
  TagState m_defaults;
  int m_font_height = 83;
  LayoutOptions m_options;
  Gaps m_gaps;
  Dimensions m_dims;
  mutable std::array<std::shared_ptr<const FontFace>, 4> m_faces;  // by bold and italic bits

  std::string m_source;  // the source lines joined with CR LF
  TaggedText m_text;
  std::vector<Paragraph> m_paragraphs;
  std::vector<WrappedLine> m_lines;
  std::vector<int> m_positions;  // scratch: cumulative advances of one paragraph
};

}  // namespace orvena::report::text
