#include "report/text/tags.h"

#include <array>
#include <cmath>

#include "core/encoding.h"
#include "core/text.h"
#include "report/text/font_service.h"

namespace orvena::report::text {

namespace {

enum class TagAction : uint8_t {
  SetStyle,
  ClearStyle,
  SetScript,
  ClearScript,
  SetNoWrap,
  ClearNoWrap,
  ClearColor
};

struct TagWord {
  std::string_view word;  // what follows "<", upper case
  TagAction action;
  uint8_t value;  // the style bit or the Script
};

// "<font color=...>" is parsed apart (it carries a value).
constexpr std::array kTagWords = {
    TagWord{"B>", TagAction::SetStyle, kBold},
    TagWord{"/B>", TagAction::ClearStyle, kBold},
    TagWord{"I>", TagAction::SetStyle, kItalic},
    TagWord{"/I>", TagAction::ClearStyle, kItalic},
    TagWord{"U>", TagAction::SetStyle, kUnderline},
    TagWord{"/U>", TagAction::ClearStyle, kUnderline},
    TagWord{"STRIKE>", TagAction::SetStyle, kStrikeOut},
    TagWord{"/STRIKE>", TagAction::ClearStyle, kStrikeOut},
    TagWord{"SUB>", TagAction::SetScript, uint8_t(Script::Subscript)},
    TagWord{"/SUB>", TagAction::ClearScript, 0},
    TagWord{"SUP>", TagAction::SetScript, uint8_t(Script::Superscript)},
    TagWord{"/SUP>", TagAction::ClearScript, 0},
    TagWord{"NOWRAP>", TagAction::SetNoWrap, 0},
    TagWord{"/NOWRAP>", TagAction::ClearNoWrap, 0},
    TagWord{"/FONT>", TagAction::ClearColor, 0},
};

struct NamedColor {
  std::string_view name;
  uint32_t rgb;
};

constexpr std::array kColorNames = {
    NamedColor{"clBlack", 0x000000},      NamedColor{"clMaroon", 0x800000},  NamedColor{"clGreen", 0x008000},
    NamedColor{"clOlive", 0x808000},      NamedColor{"clNavy", 0x000080},    NamedColor{"clPurple", 0x800080},
    NamedColor{"clTeal", 0x008080},       NamedColor{"clGray", 0x808080},    NamedColor{"clSilver", 0xC0C0C0},
    NamedColor{"clRed", 0xFF0000},        NamedColor{"clLime", 0x00FF00},    NamedColor{"clYellow", 0xFFFF00},
    NamedColor{"clBlue", 0x0000FF},       NamedColor{"clFuchsia", 0xFF00FF}, NamedColor{"clAqua", 0x00FFFF},
    NamedColor{"clWhite", 0xFFFFFF},      NamedColor{"clLtGray", 0xC0C0C0},  NamedColor{"clDkGray", 0x808080},
    NamedColor{"clMoneyGreen", 0xC0DCC0}, NamedColor{"clSkyBlue", 0xA6CAF0}, NamedColor{"clCream", 0xFFFBF0},
    NamedColor{"clMedGray", 0xA4A0A0},
};

bool starts_with_ignore_case(std::string_view s, std::string_view upper_word) {
  if (s.size() < upper_word.size()) return false;
  for (size_t i = 0; i < upper_word.size(); ++i) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c != upper_word[i]) return false;
  }
  return true;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A colour value: "\"#RRGGBB\"" (red in the high byte) or a colour name.
int64_t parse_color_value(std::string_view v) {
  if (v.size() > 3 && v.front() == '"' && v[1] == '#' && v.back() == '"') {
    std::string_view digits = v.substr(2, v.size() - 3);
    if (digits.size() > 8) return -1;
    uint64_t n = 0;
    for (char c : digits) {
      int d = hex_digit(c);
      if (d < 0) return -1;
      n = n * 16 + uint64_t(d);
    }
    return int64_t(n & 0xFFFFFF);
  }
  return color_by_name(v);
}

// tag -> "<" tag-word | "<" "font color=" blanks value ">"
// Returns the tag's length in bytes from the "<" (0 when no tag starts there) and applies it.
size_t apply_tag(std::string_view rest, const TagState& defaults, TagState& state) {
  std::string_view after = rest.substr(1);
  for (const TagWord& t : kTagWords) {
    if (!starts_with_ignore_case(after, t.word)) continue;
    switch (t.action) {
      case TagAction::SetStyle:
        state.style |= t.value;
        break;
      case TagAction::ClearStyle:
        state.style &= uint8_t(~t.value);
        break;
      case TagAction::SetScript:
        state.script = Script(t.value);
        state.size = static_cast<int>(std::nearbyint(defaults.size / 1.5));
        break;
      case TagAction::ClearScript:
        state.script = Script::Normal;
        state.size = defaults.size;
        break;
      case TagAction::SetNoWrap:
        state.nowrap = true;
        break;
      case TagAction::ClearNoWrap:
        state.nowrap = false;
        break;
      case TagAction::ClearColor:
        state.color = defaults.color;
        break;
    }
    return 1 + t.word.size();
  }
  constexpr std::string_view kFontColor = "FONT COLOR=";
  if (starts_with_ignore_case(after, kFontColor)) {
    size_t start = 1 + kFontColor.size();
    while (start < rest.size() && rest[start] == ' ') ++start;
    size_t end = rest.find('>', start);
    if (end == std::string_view::npos) return 0;
    int64_t color = parse_color_value(rest.substr(start, end - start));
    if (color < 0) return 0;
    state.color = uint32_t(color);
    return end + 1;
  }
  return 0;
}

// Calls sink(code point, byte offset, byte length, state) for each character that is text.
template <typename Sink>
void walk(std::string_view line, const TagState& defaults, Tags tags, Sink&& sink) {
  TagState state = defaults;
  size_t pos = 0;
  while (pos < line.size()) {
    if (tags == Tags::Interpret && line[pos] == '<') {
      if (size_t n = apply_tag(line.substr(pos), defaults, state)) {
        pos += n;
        continue;
      }
    }
    size_t at = pos;
    char32_t cp = core::next_code_point(line, pos);
    sink(cp, at, pos - at, state);
  }
}

}  // namespace

int64_t color_by_name(std::string_view name) {
  for (const NamedColor& c : kColorNames)
    if (c.name.size() == name.size() + 2 && core::equals_ignore_case(c.name.substr(2), name)) return c.rgb;
  return -1;
}

void parse_line(std::string_view line, const TagState& defaults, Tags tags, TaggedText& out) {
  size_t first = out.chars.size();
  auto state_index = [&out](const TagState& s) -> uint16_t {
    // Runs are long and states few: the last state is nearly always the one.
    for (size_t i = out.states.size(); i-- > 0;)
      if (out.states[i] == s) return uint16_t(i);
    if (out.states.size() >= 0xFFFF) return uint16_t(out.states.size() - 1);
    out.states.push_back(s);
    return uint16_t(out.states.size() - 1);
  };
  uint16_t current = 0xFFFF;
  TagState last;
  walk(line, defaults, tags, [&](char32_t cp, size_t at, size_t, const TagState& s) {
    if (current == 0xFFFF || !(s == last)) {
      current = state_index(s);
      last = s;
    }
    out.chars.push_back(cp);
    out.state.push_back(current);
    out.source.push_back(uint32_t(at));
  });
  if (out.chars.size() == first) {
    out.chars.push_back(U' ');
    out.state.push_back(state_index(defaults));
    out.source.push_back(0);
  }
}

std::string delete_tags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  walk(text, TagState{}, Tags::Interpret,
       [&](char32_t, size_t at, size_t length, const TagState&) { out.append(text.substr(at, length)); });
  return out;
}

std::string restoring_prefix(const TagState& state, const TagState& defaults) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string prefix = "<font color=\"#";
  for (int shift = 20; shift >= 0; shift -= 4) prefix += kHex[(state.color >> shift) & 0xF];
  prefix += "\">";
  if (state.nowrap) prefix += "<nowrap>";
  if (state.script == Script::Subscript) prefix += "<sub>";
  if (state.script == Script::Superscript) prefix += "<sup>";
  struct StyleTag {
    uint8_t bit;
    std::string_view name;
  };
  for (StyleTag t : {StyleTag{kStrikeOut, "strike"}, StyleTag{kUnderline, "u"}, StyleTag{kItalic, "i"},
                     StyleTag{kBold, "b"}}) {
    bool on = state.style & t.bit, by_default = defaults.style & t.bit;
    if (on != by_default) prefix.append(on ? "<" : "</").append(t.name).append(">");
  }
  return prefix;
}

}  // namespace orvena::report::text
