// Tag parser, line breaker and split on any text and any box: no crash, no hang, and a split
// loses no word. The first four bytes choose the box and the options; the rest is the text.
//
// Words are the runs between blanks and line breaks of the text with its tags removed. The
// in-bounds words followed by the out-of-bounds words must be the input's words, in order; the
// one word the cut may fall inside (a word longer than a line, or a divided word whose first
// part ends with the hyphen the split adds) counts as its two parts joined.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "report/canvas/cairo_canvas.h"
#include "report/text/tags.h"
#include "report/text/text_layout.h"

namespace {

using namespace orvena::report;
using namespace orvena::report::text;

std::vector<std::string> words(std::string_view s) {
  std::vector<std::string> out;
  std::string word;
  for (char c : s) {
    if (c == ' ' || c == '\r' || c == '\n') {
      if (!word.empty()) out.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) out.push_back(std::move(word));
  return out;
}

bool same_words(const std::vector<std::string>& expected, std::vector<std::string> in,
                const std::vector<std::string>& out) {
  std::vector<std::string> separate = in;
  separate.insert(separate.end(), out.begin(), out.end());
  if (separate == expected) return true;
  if (in.empty() || out.empty()) return false;
  in.back() += out.front();
  in.insert(in.end(), out.begin() + 1, out.end());
  return in == expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t width = data[0], height = data[1], flags = data[2], turn = data[3];
  std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);

  LayoutOptions options;
  options.html_tags = flags & 1;
  options.word_break = flags & 2;
  options.word_wrap = !(flags & 4);
  options.wysiwyg = !(flags & 8);
  options.rtl_reading = flags & 16;
  options.rotation = turn * 3;
  Gaps gaps;
  gaps.paragraph_gap = (flags & 32) ? 10 : 0;
  gaps.line_spacing = (flags & 64) ? -4 : 2;
  gaps.char_spacing = (flags & 128) ? 1.5 : 0;

  TextLayout layout;
  layout.set_font(LayoutFont{});
  layout.set_options(options);
  layout.set_gaps(gaps);
  Dimensions dims;
  dims.text = {0, 0, width * 2.0, height * 2.0};
  dims.device = {2, 2, width / 2.0, height / 2.0};
  layout.set_dimensions(dims);
  std::vector<std::string> lines = orvena::core::split_lines(text);
  layout.set_text(lines);
  layout.calc_height();
  layout.calc_width();
  layout.unused_space();

  if (turn & 1) {
    canvas::CairoCanvas canvas(64, 64);
    layout.draw_text(canvas, HAlign(turn % 4), VAlign(turn % 3));
  }

  SplitText split = layout.split();
  std::string source;
  for (size_t i = 0; i < lines.size(); ++i) source += (i ? "\r\n" : "") + lines[i];
  auto plain = [&](std::string_view s) { return options.html_tags ? delete_tags(s) : std::string(s); };
  std::vector<std::string> expected = words(plain(source)), in = words(plain(split.in_bounds)),
                           out = words(plain(split.out_bounds));
  bool kept = same_words(expected, in, out);
  // A hyphen the split added to a divided word is not part of the word.
  if (!kept && split.in_bounds.ends_with('-')) {
    std::string in_text = split.in_bounds;
    in_text.pop_back();
    kept = same_words(expected, words(plain(in_text)), out);
  }
  if (!kept) {
    std::fprintf(stderr, "words lost\nin: %s\nout: %s\n", split.in_bounds.c_str(), split.out_bounds.c_str());
    std::abort();
  }
  if (split.out_bounds.empty() && split.para_break) std::abort();
  return 0;
}
