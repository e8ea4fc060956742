#include "report/text/text_layout.h"

#include <algorithm>
#include <cmath>

#include "core/encoding.h"
#include "report/text/hyphenator.h"

namespace orvena::report::text {

namespace {

int round_int(double v) {
  return static_cast<int>(std::nearbyint(v));
}

// Windows colour values above 0xFFFFFF are system colours; text in them is black.
uint32_t rgb_of_windows_color(int64_t c) {
  if (c < 0 || c > 0xFFFFFF) return 0;
  return uint32_t(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

// The hyphenator looks at no more of a word than this; counting what fits stops there too.
constexpr size_t kMaxFitCount = 128;

// The longest head of `s` of at most `bytes` bytes that does not end inside a UTF-8 sequence.
std::string_view head_within(std::string_view s, size_t bytes) {
  if (s.size() <= bytes) return s;
  while (bytes > 0 && (static_cast<unsigned char>(s[bytes]) & 0xC0) == 0x80) --bytes;
  return s.substr(0, bytes);
}

// How many bytes a line break takes in the layout's count.
constexpr size_t kBreakBytes = 2;

}  // namespace

bool cut_to_layout_limit(std::vector<std::string>& lines) {
  size_t room = kMaxLayoutText;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      if (room < kBreakBytes) {
        lines.resize(i);
        return true;
      }
      room -= kBreakBytes;
    }
    if (lines[i].size() > room) {
      lines[i].resize(head_within(lines[i], room).size());
      lines.resize(i + 1);
      return true;
    }
    room -= lines[i].size();
  }
  return false;
}

LayoutFont layout_font(const Font& font) {
  LayoutFont f;
  f.name = font.name;
  f.size = font.size();
  f.style = int(font.style & 0xF);
  f.color = rgb_of_windows_color(font.color);
  f.charset = int(font.charset);
  return f;
}

TextLayout& TextLayout::shared() {
  static TextLayout layout;
  return layout;
}

void TextLayout::set_font(const LayoutFont& font) {
  if (font.name != m_font.name || font.charset != m_font.charset) m_faces = {};
  m_font = font;
  m_font_height = round_int(font.size * double(kMeasuringPixelsPerInch) / 72);
  m_defaults = TagState{};
  m_defaults.style = uint8_t(font.style);
  m_defaults.size = font.size;
  m_defaults.color = font.color;
}

void TextLayout::set_options(const LayoutOptions& options) {
  m_options = options;
  m_options.rotation = ((options.rotation % 360) + 360) % 360;
}

const FontFace& TextLayout::face(int style) const {
  auto& f = m_faces[size_t(style & (kBold | kItalic))];
  if (!f)
    f = FontService::instance().face(FontRequest{m_font.name, style & (kBold | kItalic), m_font.charset});
  return *f;
}

// A character the font has no glyph for is measured and drawn with a font that has one, as
// the platform's font linking would; the missing-glyph box is the last resort.
const FontFace& TextLayout::face_for(char32_t cp, int style) const {
  const FontFace& f = face(style);
  if (cp < 0x20 || f.glyph_id(cp) != 0) return f;
  const FontFace* other = FontService::instance().fallback(f, cp, style);
  return other ? *other : f;
}

bool TextLayout::swapped_axes() const {
  int r = m_options.rotation;
  return (r >= 90 && r < 180) || r >= 270;
}

double TextLayout::wrap_width() const {
  return swapped_axes() ? m_dims.text.height : m_dims.text.width;
}

// The lines of a turned text stack along the other axis, so they fill the other side.
double TextLayout::fit_height() const {
  return swapped_axes() ? m_dims.text.width : m_dims.text.height;
}

int TextLayout::measure(uint32_t index) const {
  const TagState& s = m_text.states[m_text.state[index]];
  char32_t cp = m_text.chars[index];
  int advance = face_for(cp, s.style).advance_pixels(cp, m_font_height);
  if (s.small()) advance = round_int(advance / 1.5);
  return advance + round_int(kMeasuringPixelsPerUnit * m_gaps.char_spacing);
}

// ---- Breaking -------------------------------------------------------------------------------

void TextLayout::set_text(std::span<const std::string> lines, bool first_para_break) {
  m_source.clear();
  m_text.clear();
  m_paragraphs.clear();
  m_lines.clear();
  Tags tags = m_options.html_tags ? Tags::Interpret : Tags::AsText;

  int full_width = round_int(kMeasuringPixelsPerUnit * wrap_width());
  int first_width = round_int(kMeasuringPixelsPerUnit * (wrap_width() - m_gaps.paragraph_gap));
  size_t room = kMaxLayoutText;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      if (room < kBreakBytes) break;
      room -= kBreakBytes;
      m_source += "\r\n";
    }
    std::string_view line = head_within(lines[i], room);
    room -= line.size();
    Paragraph p;
    p.begin = uint32_t(m_text.chars.size());
    p.source = uint32_t(m_source.size());
    m_source += line;
    parse_line(line, m_defaults, tags, m_text);
    p.end = uint32_t(m_text.chars.size());
    m_paragraphs.push_back(p);
    bool continues = i == 0 && first_para_break;
    break_paragraph(uint32_t(i), continues ? full_width : first_width, full_width);
  }
  set_para_breaks(first_para_break, false);
}

void TextLayout::add_line(uint32_t paragraph, uint32_t begin, uint32_t end, bool hyphen) {
  m_lines.push_back(WrappedLine{begin, end, paragraph, 0, hyphen});
}

// Breaks one paragraph into lines: positions are cumulative advances, a character fits while
// its position less the line's base stays within the limit; the first line's limit leaves room
// for the paragraph gap.
void TextLayout::break_paragraph(uint32_t paragraph, int first_width, int full_width) {
  const Paragraph& p = m_paragraphs[paragraph];
  size_t first_line = m_lines.size();
  uint32_t n = p.end - p.begin;
  const char32_t* chars = m_text.chars.data() + p.begin;

  auto finish = [&] {
    m_lines[first_line].flags |= kParagraphStart;
    m_lines.back().flags |= kParagraphEnd;
  };
  if (n == 1 || !m_options.word_wrap) {
    add_line(paragraph, p.begin, p.end, false);
    return finish();
  }
  m_positions.resize(n);
  int total = 0;
  for (uint32_t k = 0; k < n; ++k) m_positions[k] = total += measure(p.begin + k);
  if (total < first_width) {
    add_line(paragraph, p.begin, p.end, false);
    return finish();
  }

  auto is_candidate = [&](uint32_t k) {
    return chars[k] == U' ' && !(m_options.html_tags && m_text.states[m_text.state[p.begin + k]].nowrap);
  };
  // How many characters from `from` on fit `room` pixels beyond `base`.
  auto fit_count = [&](uint32_t from, int base, int room) {
    size_t count = 0;
    for (uint32_t j = from; j < n && count < kMaxFitCount && m_positions[j] - base <= room; ++j) ++count;
    return count;
  };
  auto divide = [&](uint32_t from, size_t fit) -> size_t {
    if (!m_options.word_break) return 0;
    return hyphenate(std::span(chars + from, chars + n), fit);
  };

  uint32_t s = 0, b = 0, k = 0;
  int d = 0, limit = first_width;
  while (k < n) {
    if (k > s && is_candidate(k)) b = k;
    if (m_positions[k] - d <= limit) {
      ++k;
      continue;
    }
    uint32_t next;
    if (b > s) {
      // Break at the last blank, which goes into neither line, unless the word after it can
      // be divided with its first part on this line.
      size_t part = divide(b + 1, fit_count(b + 1, m_positions[b], limit - (m_positions[b] - d)));
      if (part > 0) {
        next = b + 1 + uint32_t(part);
        add_line(paragraph, p.begin + s, p.begin + next, true);
      } else {
        next = b + 1;
        add_line(paragraph, p.begin + s, p.begin + b, false);
      }
    } else if (k == s) {
      next = k + 1;  // not even one character fits: it goes alone
      add_line(paragraph, p.begin + s, p.begin + next, false);
    } else {
      size_t part = divide(s, fit_count(s, d, limit));
      next = part > 0 ? s + uint32_t(part) : k;
      add_line(paragraph, p.begin + s, p.begin + next, part > 0);
    }
    d = m_positions[next - 1];
    limit = full_width;
    s = b = k = next;
  }
  if (s < n) add_line(paragraph, p.begin + s, p.begin + n, false);
  finish();
}

void TextLayout::set_para_breaks(bool first_para_break, bool last_para_break) {
  if (m_lines.empty()) return;
  if (first_para_break) m_lines.front().flags &= uint8_t(~kParagraphStart);
  if (last_para_break) m_lines.back().flags &= uint8_t(~kParagraphEnd);
}

// ---- Results --------------------------------------------------------------------------------

std::u32string TextLayout::line_text(size_t line) const {
  const WrappedLine& l = m_lines[line];
  std::u32string s(m_text.chars.begin() + l.begin, m_text.chars.begin() + l.end);
  if (l.hyphen) s += U'-';
  return s;
}

std::vector<TagState> TextLayout::line_states(size_t line) const {
  const WrappedLine& l = m_lines[line];
  std::vector<TagState> states;
  states.reserve(l.end - l.begin + 1);
  for (uint32_t i = l.begin; i < l.end; ++i) states.push_back(m_text.states[m_text.state[i]]);
  if (l.hyphen) states.push_back(states.empty() ? m_defaults : states.back());
  return states;
}

std::string TextLayout::wrapped_text() const {
  std::string out;
  for (size_t i = 0; i < m_lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    for (char32_t c : line_text(i)) core::append_utf8(out, c);
  }
  return out;
}

std::string TextLayout::plain_text() const {
  std::string out;
  for (const Paragraph& p : m_paragraphs) {
    for (uint32_t i = p.begin; i < p.end; ++i) core::append_utf8(out, m_text.chars[i]);
    out += "\r\n";
  }
  return out;
}

double TextLayout::calc_height() const {
  if (m_lines.empty()) return 0;
  double h = double(m_lines.size()) * line_height();
  if (m_gaps.line_spacing < 0) h -= m_gaps.line_spacing;
  return h;
}

double TextLayout::calc_width() const {
  int widest = 0;
  for (size_t i = 0; i < m_lines.size(); ++i) {
    std::u32string text = line_text(i);
    std::vector<TagState> states = line_states(i);
    int width = 0;
    for (size_t c = 0; c < text.size(); ++c) {
      int advance = face_for(text[c], states[c].style).advance_pixels(text[c], m_font_height);
      width += states[c].small() ? round_int(advance / 1.5) : advance;
    }
    width += round_int(kMeasuringPixelsPerUnit * double(text.size()) * m_gaps.char_spacing);
    if (m_lines[i].flags & kParagraphStart)
      width += round_int(kMeasuringPixelsPerUnit * m_gaps.paragraph_gap);
    widest = std::max(widest, width);
  }
  return widest / kMeasuringPixelsPerUnit;
}

int TextLayout::lines_that_fit() const {
  double pitch = line_height();
  // Lines that do not advance (line spacing eating the font height) all fit.
  if (pitch <= 0) return int(m_lines.size());
  double n = std::trunc((fit_height() + 1) / pitch);
  return n <= 0 ? 0 : int(std::min(n, 1e9));
}

double TextLayout::unused_space() const {
  int n = lines_that_fit();
  if (n == 0 || line_height() <= 0) return 0;
  double unused = fit_height() + 1 - n * line_height();
  return unused == 0 ? 0.0001 : unused;
}

// ---- Split ----------------------------------------------------------------------------------

size_t TextLayout::source_offset(uint32_t char_index) const {
  return m_paragraphs[paragraph_of(char_index)].source + m_text.source[char_index];
}

uint32_t TextLayout::paragraph_of(uint32_t char_index) const {
  // Paragraphs are in order; the one holding the character is the last starting at or before it.
  auto it = std::upper_bound(m_paragraphs.begin(), m_paragraphs.end(), char_index,
                             [](uint32_t c, const Paragraph& p) { return c < p.begin; });
  return uint32_t(it - m_paragraphs.begin() - 1);
}

// Both parts are cut from the source text, tags included, so that each keeps its formatting
// when it is laid out again; the continuation starts with tags restoring the state at the cut.
SplitText TextLayout::split() {
  SplitText result;
  size_t n = std::min<size_t>(size_t(lines_that_fit()), m_lines.size());
  if (n >= m_lines.size()) {
    result.in_bounds = m_source;
    return result;
  }
  const WrappedLine first_out = m_lines[n];
  bool hyphen = n > 0 && m_lines[n - 1].hyphen;
  result.para_break = n > 0 && !(m_lines[n - 1].flags & kParagraphEnd);
  m_lines.resize(n);

  size_t cut = source_offset(first_out.begin);
  size_t rest = cut;
  if (result.para_break && m_source[cut] == ' ') ++rest;
  // A cut before a paragraph leaves the line break between them to neither part.
  uint32_t paragraph = paragraph_of(first_out.begin);
  bool at_paragraph = paragraph > 0 && cut == m_paragraphs[paragraph].source;
  result.in_bounds = m_source.substr(0, at_paragraph ? cut - 2 : cut);
  if (m_options.word_break && hyphen) result.in_bounds += '-';
  result.out_bounds = m_source.substr(rest);
  if (result.out_bounds.empty()) {
    // Only the blank at the cut was left: nothing continues.
    result.para_break = false;
    return result;
  }
  if (m_options.html_tags)
    result.out_bounds =
        restoring_prefix(m_text.states[m_text.state[first_out.begin]], m_defaults) + result.out_bounds;
  return result;
}

}  // namespace orvena::report::text
