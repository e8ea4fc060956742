#pragma once
// The HTML-like tags of text objects: <b>, <i>, <u>, <strike>, <sub>, <sup>, <nowrap>,
// <font color=...> and their closing forms. Anything else after "<" is ordinary text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::report::text {

enum class Script : uint8_t { Normal, Subscript, Superscript };

// The state a character is drawn in. Colour is 0xRRGGBB; size in points.
struct TagState {
  uint8_t style = 0;  // FontStyle bits
  Script script = Script::Normal;
  bool nowrap = false;
  int size = 10;
  uint32_t color = 0;

  bool shifted_down() const { return script == Script::Subscript; }
  bool small() const { return script != Script::Normal; }
  friend bool operator==(const TagState&, const TagState&) = default;
};

// Characters of one paragraph with their states. States are stored once in a table shared by
// all paragraphs of a text; each character holds an index into it and the byte offset of the
// character in its source line.
struct TaggedText {
  std::vector<char32_t> chars;
  std::vector<uint16_t> state;
  std::vector<uint32_t> source;
  std::vector<TagState> states;

  void clear() {
    chars.clear();
    state.clear();
    source.clear();
    states.clear();
  }
};

enum class Tags : uint8_t { AsText, Interpret };

// Appends the characters of one source line to `out`. With Tags::Interpret the recognised tags
// are removed and change the state, which starts from `defaults`; a line that is empty after
// that yields one blank.
void parse_line(std::string_view line, const TagState& defaults, Tags tags, TaggedText& out);

// The text with every recognised tag removed (line breaks stay).
std::string delete_tags(std::string_view text);

// Tags that put a continuation text back into `state` when it starts from `defaults`: the
// colour first, then the no-wrap flag, the script and the style bits (a bit the defaults have
// and the state has not is closed).
std::string restoring_prefix(const TagState& state, const TagState& defaults);

// 0xRRGGBB of a colour name such as "Red" (looked up as "clRed"), or -1 when unknown.
int64_t color_by_name(std::string_view name);

}  // namespace orvena::report::text
