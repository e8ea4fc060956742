// Text layout: breaking, paragraph flags, heights and widths, and the split, measured with the
// installed fonts. Most cases use Courier New (Liberation Mono): at 10 points every character
// is 50 measuring pixels (1229/2048 of 83), which is 8 report units, so a box 8 × N units wide
// holds exactly N characters and the expected lines can be read off the text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/text.h"
#include "report/text/tags.h"
#include "report/text/text_layout.h"

namespace orvena::report::text {
namespace {

constexpr double kMonoChar = 8;  // report units per Courier New character at 10 points

struct Box {
  std::string font = "Courier New";
  int size = 10;
  double width = 200, height = 1000;
  bool tags = false, word_break = false, word_wrap = true;
  Gaps gaps{};
};

std::vector<std::string> to_lines(std::string_view text) {
  std::vector<std::string> lines = core::split_lines(text);
  if (lines.empty()) lines.emplace_back();
  return lines;
}

void set_up(TextLayout& t, std::string_view text, const Box& s) {
  LayoutFont font;
  font.name = s.font;
  font.size = s.size;
  t.set_font(font);
  LayoutOptions o;
  o.html_tags = s.tags;
  o.word_break = s.word_break;
  o.word_wrap = s.word_wrap;
  t.set_options(o);
  t.set_gaps(s.gaps);
  Dimensions d;
  d.text = {0, 0, s.width, s.height};
  t.set_dimensions(d);
  t.set_text(to_lines(text));
}

std::vector<std::string> wrapped(std::string_view text, const Box& s) {
  TextLayout t;
  set_up(t, text, s);
  return core::split_lines(t.wrapped_text());
}

Box mono(double chars) {
  Box s;
  s.width = chars * kMonoChar;
  return s;
}

struct BreakCase {
  const char* name;
  std::string text;
  Box setup;
  std::vector<std::string> lines;
  friend void PrintTo(const BreakCase& c, std::ostream* os) { *os << c.name; }
};

class Breaking : public testing::TestWithParam<BreakCase> {};

TEST_P(Breaking, Lines) {
  EXPECT_EQ(wrapped(GetParam().text, GetParam().setup), GetParam().lines);
}

Box with_gap(double chars, double gap) {
  Box s = mono(chars);
  s.gaps.paragraph_gap = gap;
  return s;
}
Box with_tags(double chars) {
  Box s = mono(chars);
  s.tags = true;
  return s;
}
Box with_word_break(double chars) {
  Box s = mono(chars);
  s.word_break = true;
  return s;
}
Box without_wrap(double chars) {
  Box s = mono(chars);
  s.word_wrap = false;
  return s;
}

const std::string kSixty(60, 'a');

INSTANTIATE_TEST_SUITE_P(
    TextLayout, Breaking,
    testing::Values(
        // 11 characters end exactly at 550 pixels, the limit: the last one still fits.
        BreakCase{"WidthEqualToTextStaysOneLine", "Ala ma kota", mono(11), {"Ala ma kota"}},
        BreakCase{"OnePixelLessBreaks", "Ala ma kota", Box{.width = 87.9}, {"Ala ma", "kota"}},
        // "Ala ma " fits 7 characters; the blank at the break belongs to neither line.
        BreakCase{"ThreeWordsBreakAfterTheSecond", "Ala ma kota", mono(7), {"Ala ma", "kota"}},
        BreakCase{"LongWordBrokenBetweenCharacters", "abcdefghij", mono(4), {"abcd", "efgh", "ij"}},
        BreakCase{"BoxNarrowerThanACharacter", "abc", mono(0.5), {"a", "b", "c"}},
        BreakCase{"ZeroWidth", "ab c", mono(0), {"a", "b", " ", "c"}},
        BreakCase{"BlanksInsideNoWrapDoNotBreak",
                  "Ala <nowrap>ma kota</nowrap> i psa",
                  with_tags(8),
                  {"Ala", "ma kota", "i psa"}},
        BreakCase{"SameTextWithoutNoWrap", "Ala ma kota i psa", mono(8), {"Ala ma", "kota i", "psa"}},
        // Round(6.25 × 190) = 1188 pixels hold 23 characters, the other lines 1250 = 25.
        BreakCase{"ParagraphGapNarrowsOnlyTheFirstLine",
                  kSixty,
                  with_gap(25, 10),
                  {kSixty.substr(0, 23), kSixty.substr(23, 25), kSixty.substr(48)}},
        BreakCase{"EveryParagraphGetsTheGap",
                  "aaaaaaaaaaaaaaaaaaaaaaaaa\r\nbbbbbbbbbbbbbbbbbbbbbbbbb",
                  with_gap(25, 10),
                  {"aaaaaaaaaaaaaaaaaaaaaaa", "aa", "bbbbbbbbbbbbbbbbbbbbbbb", "bb"}},
        BreakCase{"UnknownTagIsText", "a <abc> b", with_tags(20), {"a <abc> b"}},
        BreakCase{"TagsTakeNoRoom", "<b>Ala</b> <i>ma</i> kota", with_tags(11), {"Ala ma kota"}},
        BreakCase{"EmptyLineIsOneBlank", "Ala\r\n\r\nkot", mono(10), {"Ala", " ", "kot"}},
        BreakCase{"NoWordWrapKeepsTheParagraph", "Ala ma kota", without_wrap(3), {"Ala ma kota"}},
        // ПАРОХОДЫ divides after ПА, ПАРО and ПАРОХО; six characters fit, so ПАРО goes first.
        BreakCase{"RussianWordDividedWithHyphen", "пароходы", with_word_break(6), {"паро-", "ходы"}},
        BreakCase{"SameWordWithoutWordBreak", "пароходы", mono(6), {"парохо", "ды"}},
        // After "я " four characters fit: ПА is the longest division shorter than that.
        BreakCase{"WordAfterBlankDivided", "я пароходы", with_word_break(6), {"я па-", "роходы"}},
        // Three characters fit: КА|ССА would be the only division shorter, but a vowel before a
        // doubled consonant and a vowel is no break point, so the word is cut without a hyphen.
        BreakCase{"NoDivisionBeforeDoubledConsonant", "касса", with_word_break(3), {"кас", "са"}},
        BreakCase{"DivisionBetweenDoubledConsonant", "касса", with_word_break(4), {"кас-", "са"}},
        // No break before Й: МА|ЙКА is not offered, МАЙ|КА is.
        BreakCase{"NoDivisionBeforeShortI", "майка", with_word_break(3), {"май", "ка"}},
        BreakCase{"DivisionAfterShortI", "майка", with_word_break(4), {"май-", "ка"}},
        BreakCase{
            "LatinWordsAreNotDivided", "a transportation", with_word_break(8), {"a", "transpor", "tation"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextLayout, FontOfTheObjectModel) {
  Font f;
  f.name = "Times New Roman";
  f.set_size(14);
  f.style = kFontBold | kFontUnderline;
  f.color = 0x0000FF;  // Windows colours hold blue in the high byte: this is red
  LayoutFont l = layout_font(f);
  EXPECT_EQ(l.name, "Times New Roman");
  EXPECT_EQ(l.size, 14);
  EXPECT_EQ(l.style, kBold | kUnderline);
  EXPECT_EQ(l.color, 0xFF0000u);
  f.color = 0x80000008;  // a system colour (window text)
  EXPECT_EQ(layout_font(f).color, 0u);
}

TEST(TextLayout, ParagraphFlags) {
  TextLayout t;
  set_up(t, "Ala ma kota\r\nkot", mono(7));
  ASSERT_EQ(t.lines().size(), 3u);
  EXPECT_EQ(t.lines()[0].flags, kParagraphStart);
  EXPECT_EQ(t.lines()[1].flags, kParagraphEnd);
  EXPECT_EQ(t.lines()[2].flags, kParagraphStart | kParagraphEnd);

  // Continuing a paragraph of an earlier part: no start flag and the full width for line one.
  Box s = with_gap(25, 10);
  set_up(t, kSixty, s);
  t.set_text(std::vector<std::string>{kSixty}, true);
  t.set_para_breaks(true, true);
  ASSERT_EQ(t.lines().size(), 3u);
  EXPECT_EQ(t.line_text(0).size(), 25u);
  EXPECT_EQ(t.lines()[0].flags, 0);
  EXPECT_EQ(t.lines()[2].flags, 0);
}

TEST(TextLayout, PlainTextDropsTagsAndEndsEveryParagraph) {
  TextLayout t;
  set_up(t, "<b>Ala</b> <font color=\"#FF0000\">ma</font>\r\n\r\n<s>", with_tags(20));
  EXPECT_EQ(t.plain_text(), "Ala ma\r\n \r\n<s>\r\n");
  EXPECT_EQ(delete_tags("<B>Ala</b>\r\n<sub>2</SUB> <font color=Red>x</font> <abc>"), "Ala\r\n2 x <abc>");
}

TEST(TextLayout, TagStates) {
  TextLayout t;
  set_up(t, "a<b>b<i>c</b><sub>d</sub><font color=\"#102030\">e</font><font color=Red>f", with_tags(20));
  std::vector<TagState> s = t.line_states(0);
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(s[0].style, 0);
  EXPECT_EQ(s[1].style, kBold);
  EXPECT_EQ(s[2].style, kBold | kItalic);
  EXPECT_EQ(s[3].script, Script::Subscript);
  EXPECT_EQ(s[3].size, 7);  // Round(10 / 1.5)
  EXPECT_EQ(s[4].color, 0x102030u);
  EXPECT_EQ(s[4].size, 10);
  EXPECT_EQ(s[5].color, 0xFF0000u);
}

// A literal "b>" earlier in the text does not stop a later <b> from being a tag.
TEST(TextLayout, TagAfterItsOwnWordInTextIsStillATag) {
  TextLayout t;
  set_up(t, "ab> <b>c", with_tags(20));
  EXPECT_EQ(t.wrapped_text(), "ab> c");
  EXPECT_EQ(t.line_states(0)[4].style, kBold);
}

TEST(TextLayout, MalformedColourStaysText) {
  for (std::string text : {"<font color=\"#12G\">x", "<font color=Chartreuse>x", "<font color=\"#123\"x"}) {
    TextLayout t;
    set_up(t, text, with_tags(40));
    EXPECT_EQ(t.wrapped_text(), text) << text;
  }
}

TEST(TextLayout, HeightAndWidth) {
  TextLayout t;
  Box s = mono(7);
  set_up(t, "Ala ma kota\r\nkot", s);  // three lines
  // 83 pixels = 13.28 units a line, plus the line spacing.
  EXPECT_DOUBLE_EQ(t.calc_height(), 3 * (13.28 + 2));
  s.gaps.line_spacing = -2;
  set_up(t, "Ala ma kota\r\nkot", s);
  EXPECT_DOUBLE_EQ(t.calc_height(), 3 * (13.28 - 2) + 2);
  t.set_text({});
  EXPECT_EQ(t.calc_height(), 0);

  set_up(t, "Ala ma kota", mono(20));
  EXPECT_DOUBLE_EQ(t.calc_width(), 88);
  Box spaced = mono(20);
  spaced.gaps.char_spacing = 1;  // + Round(6.25 × 11) = 69 pixels
  set_up(t, "Ala ma kota", spaced);
  EXPECT_DOUBLE_EQ(t.calc_width(), (550 + 69) / 6.25);
  set_up(t, "Ala ma kota", with_gap(20, 10));  // + Round(62.5) = 62 on the first line
  EXPECT_DOUBLE_EQ(t.calc_width(), (550 + 62) / 6.25);
}

TEST(TextLayout, UnusedSpace) {
  // At 6 points a line is 50 pixels = 8 units; with spacing 2 the pitch is 10.
  struct Case {
    double height, unused;
  } cases[] = {
      {29, 0.0001},  // (29 + 1) / 10 = 3 lines exactly: a zero is reported as 0.0001
      {33, 4},       // 3 lines, 34 - 30
      {8, 0},        // no line fits
  };
  for (const Case& c : cases) {
    TextLayout t;
    Box s;
    s.size = 6;
    s.height = c.height;
    set_up(t, "a", s);
    EXPECT_NEAR(t.unused_space(), c.unused, 1e-9) << c.height;
  }
}

// ---- Split ----------------------------------------------------------------------------------

SplitText split(std::string_view text, Box s, double height) {
  TextLayout t;
  s.height = height;
  set_up(t, text, s);
  return t.split();
}

// Three lines of 15.28 units fit 45 units: (45 + 1) / 15.28 = 3.01.
constexpr double kThreeLines = 45;

TEST(TextLayoutSplit, FiveParagraphsIntoThree) {
  SplitText r = split("l1\r\nl2\r\nl3\r\nl4\r\nl5", mono(10), kThreeLines);
  EXPECT_EQ(r.in_bounds, "l1\r\nl2\r\nl3");
  EXPECT_EQ(r.out_bounds, "l4\r\nl5");
  EXPECT_FALSE(r.para_break);
}

TEST(TextLayoutSplit, CutInsideAParagraph) {
  SplitText r = split("aaa bbb ccc ddd eee", mono(3), kThreeLines);
  EXPECT_EQ(r.in_bounds, "aaa bbb ccc ");
  EXPECT_EQ(r.out_bounds, "ddd eee");
  EXPECT_TRUE(r.para_break);

  // The fourth line starts with the second of two blanks: the continuation loses it.
  r = split("aaa bbb ccc  dd eee", mono(3), kThreeLines);
  EXPECT_EQ(r.out_bounds, "dd eee");
  EXPECT_TRUE(r.para_break);
}

// Found by fuzzing: the last line held only the blank the continuation drops.
TEST(TextLayoutSplit, NothingLeftAfterTheDroppedBlank) {
  SplitText r = split("aaa  ", mono(3), 15);
  EXPECT_EQ(r.in_bounds, "aaa ");
  EXPECT_EQ(r.out_bounds, "");
  EXPECT_FALSE(r.para_break);
}

TEST(TextLayoutSplit, EverythingFits) {
  TextLayout t;
  Box s = mono(10);
  s.height = kThreeLines;
  set_up(t, "l1\r\nl2", s);
  SplitText r = t.split();
  EXPECT_EQ(r.in_bounds, "l1\r\nl2");
  EXPECT_EQ(r.out_bounds, "");
  EXPECT_FALSE(r.para_break);
  EXPECT_EQ(t.lines().size(), 2u);
}

TEST(TextLayoutSplit, NothingFits) {
  SplitText r = split("l1\r\nl2", mono(10), 5);
  EXPECT_EQ(r.in_bounds, "");
  EXPECT_EQ(r.out_bounds, "l1\r\nl2");
  EXPECT_FALSE(r.para_break);
}

TEST(TextLayoutSplit, DividedWordKeepsItsHyphen) {
  SplitText r = split("я пароходы", with_word_break(6), 15);
  EXPECT_EQ(r.in_bounds, "я па-");
  EXPECT_EQ(r.out_bounds, "роходы");
  EXPECT_TRUE(r.para_break);
}

TEST(TextLayoutSplit, ContinuationRestoresColourAndBold) {
  SplitText r = split("<b>aaa bbb ccc ddd eee</b>", with_tags(3), kThreeLines);
  EXPECT_EQ(r.in_bounds, "<b>aaa bbb ccc ");
  EXPECT_EQ(r.out_bounds, "<font color=\"#000000\"><b>ddd eee</b>");

  r = split("<font color=Red>aaa bbb ccc <i><u>ddd</u></i></font> eee", with_tags(3), kThreeLines);
  EXPECT_EQ(r.out_bounds, "<font color=\"#FF0000\"><u><i>ddd</u></i></font> eee");
}

// The continuation is laid out again: tags after the cut still end their runs, and text that
// only looked like a tag stays text.
TEST(TextLayoutSplit, ContinuationKeepsLaterFormatting) {
  SplitText r = split("<b>aaa bbb ccc ddd</b> eee <<b>b>", with_tags(3), kThreeLines);
  TextLayout again;
  set_up(again, r.out_bounds, with_tags(20));
  EXPECT_EQ(again.wrapped_text(), "ddd eee <b>");
  std::vector<TagState> s = again.line_states(0);
  EXPECT_EQ(s[0].style, kBold);  // ddd
  EXPECT_EQ(s[4].style, 0);      // eee
  EXPECT_EQ(s[8].style, 0);      // the literal "<"
  EXPECT_EQ(s[9].style, kBold);  // b>
}

// ---- What one text lays out at most ---------------------------------------------------------

std::string letters(const char* letter, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += letter;
  return s;
}

// Cutting keeps kMaxLayoutText bytes, line breaks counted as two, and the layout reads no more
// than that whoever calls it (an exporter reading a saved report has no object to cut).
TEST(TextLayoutLimit, TextPastTheLimitIsCutAndNotLaidOut) {
  const size_t limit = kMaxLayoutText;
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    size_t kept_bytes;  // of the lines joined by CR LF
    size_t laid_out;    // characters on the wrapped lines
  } cases[] = {
      {"one long line", {std::string(3 * limit, 'x')}, limit, limit},
      {"exactly the limit", {std::string(limit - 12, 'x'), "0123456789"}, limit, limit - 2},
      // The limit falls inside a two-byte letter: the letter goes whole.
      {"inside a letter", {"a" + letters("ż", limit / 2)}, limit - 1, limit / 2},
      // 349,526 lines of one byte take 3 × 349,526 - 2 bytes, the limit exactly.
      {"many short lines", std::vector<std::string>(limit, "x"), limit, 349526},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> cut = c.lines;
    EXPECT_EQ(cut_to_layout_limit(cut), c.kept_bytes < core::join_crlf(c.lines).size());
    std::string kept = core::join_crlf(cut);
    EXPECT_EQ(kept.size(), c.kept_bytes);
    EXPECT_TRUE(core::is_valid_utf8(kept));

    TextLayout t;
    LayoutOptions o;
    o.word_wrap = false;
    t.set_options(o);
    Dimensions d;
    d.text = {0, 0, 1e9, 1e9};
    t.set_dimensions(d);
    t.set_text(c.lines);
    size_t laid_out = 0;
    for (const WrappedLine& line : t.lines()) laid_out += line.end - line.begin;
    EXPECT_EQ(laid_out, c.laid_out);
  }
}

}  // namespace
}  // namespace orvena::report::text
