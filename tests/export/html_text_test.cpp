// Cell content of the HTML document: values never become markup, the text objects' own tags do
// only when interpreted, links to script schemes are not written.
#include <gtest/gtest.h>

#include "export/html/html_text.h"

namespace orvena::exporting::html {
namespace {

using report::text::Tags;

TEST(HtmlText, CellText) {
  struct Row {
    const char* name;
    std::vector<std::string> lines;
    Tags tags;
    std::string html;
  };
  const Row rows[] = {
      {"a value holding a script is text",
       {"<script>alert(1)</script>"},
       Tags::AsText,
       "&lt;script&gt;alert(1)&lt;/script&gt;"},
      // "&" first, so an entity in a value shows as typed.
      {"ampersand and quotes", {"A & B \"C\" &lt;"}, Tags::AsText, "A &amp; B &quot;C&quot; &amp;lt;"},
      {"two lines are joined by a break", {"a < b", "c"}, Tags::AsText, "a &lt; b<br>c"},
      {"tags of a text object become runs",
       {"x <b>bold</b> <i>it</i>"},
       Tags::Interpret,
       "x <b>bold</b> <i>it</i>"},
      {"tags of a value shown as text stay text", {"<b>bold</b>"}, Tags::AsText, "&lt;b&gt;bold&lt;/b&gt;"},
      // Only the recognised tags are markup: a script tag stays text even when tags are on.
      {"unknown tags stay text when interpreting",
       {"<b><script>x</script></b>"},
       Tags::Interpret,
       "<b>&lt;script&gt;x&lt;/script&gt;</b>"},
      {"coloured run",
       {"<font color=\"#ff0000\">red</font>!"},
       Tags::Interpret,
       "<span style=\"color:#ff0000\">red</span>!"},
      {"style wrappers nest in order",
       {"<b><u><strike>z</strike></u></b>"},
       Tags::Interpret,
       "<s><u><b>z</b></u></s>"},
      {"outer blanks trimmed", {"  12,50  "}, Tags::AsText, "12,50"},
      {"blank text is a non-breaking space", {"   "}, Tags::AsText, "&nbsp;"},
      {"no lines", {}, Tags::AsText, "&nbsp;"},
      {"Polish letters pass", {"Zażółć"}, Tags::AsText, "Zażółć"},
      // An empty line keeps its place as a blank between breaks; only the outer ends are trimmed.
      {"empty line between lines", {"a", "", "b"}, Tags::AsText, "a<br> <br>b"},
      {"empty first line", {"", "x"}, Tags::Interpret, "<br>x"},
      {"line break inside a line", {"a\r\nb"}, Tags::AsText, "a<br>b"},
      // Found after text already escaped: the cell starts again on the general path.
      {"line break after escaped text", {"ok", "Łódź & co\nx"}, Tags::AsText, "ok<br>Łódź &amp; co<br>x"},
      {"tag after escaped text", {"x & <b>y</b>"}, Tags::Interpret, "x &amp; <b>y</b>"},
      {"control characters dropped",
       {"a\x01"
        "b\x1f"},
       Tags::AsText,
       "ab"},
      {"malformed UTF-8 shown as a replacement", {"a\xff"}, Tags::AsText, "a\xEF\xBF\xBD"},
  };
  for (const Row& row : rows) EXPECT_EQ(cell_text(row.lines, row.tags), row.html) << row.name;
}

// A cell's text goes after what the row already holds: trimming it must leave that alone.
TEST(HtmlText, CellTextAppendedAfterTheRow) {
  struct Row {
    std::vector<std::string> lines;
    std::string html;
  };
  const Row rows[] = {
      {{"  A & B"}, "<td>A &amp; B"},   {{"Kraków  "}, "<td>Kraków"}, {{"   "}, "<td>&nbsp;"},
      {{" x ", " y "}, "<td>x <br> y"}, {{"plain"}, "<td>plain"},
  };
  for (const Row& row : rows) {
    std::string out = "<td>";
    append_cell_text(out, row.lines, report::text::Tags::AsText);
    EXPECT_EQ(out, row.html) << row.lines.front();
  }
}

TEST(HtmlText, BlankText) {
  EXPECT_TRUE(blank_text(std::vector<std::string>{" ", ""}));
  EXPECT_TRUE(blank_text(std::vector<std::string>{}));
  EXPECT_FALSE(blank_text(std::vector<std::string>{" ", "x"}));
}

TEST(HtmlText, LinkTargets) {
  struct Row {
    const char* url;
    bool file_per_page;
    std::string href;
  };
  const Row rows[] = {
      {"https://example.com/a?b=1&c=2", false, "https://example.com/a?b=1&c=2"},
      {"@3", false, "#PageN3"},
      {"@3", true, "3.html"},
      {"raport.html", false, "raport.html"},
      {"javascript:alert(1)", false, ""},
      {" JavaScript:alert(1)", false, ""},
      {"java\tscript:alert(1)", false, ""},
      {"vbscript:x", false, ""},
      {"data:text/html,<script>", false, ""},
      {"", false, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(link_target(row.url, row.file_per_page), row.href) << row.url;

  EXPECT_EQ(link_start("a?b=1&c=\"2\"", ""), "<a href=\"a?b=1&amp;c=&quot;2&quot;\">");
  EXPECT_EQ(link_start("x", "_blank\" onclick=\"y"),
            "<a href=\"x\" target=\"_blank&quot; onclick=&quot;y\">");
}

TEST(HtmlText, PngDataUri) {
  EXPECT_EQ(png_data_uri("\x89PNG"), "data:image/png;base64,iVBORw==");
  EXPECT_EQ(png_data_uri(""), "data:image/png;base64,");
}

}  // namespace
}  // namespace orvena::exporting::html
