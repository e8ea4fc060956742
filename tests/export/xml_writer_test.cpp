#include "export/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "export/zip/zip_writer.h"

namespace orvena::exporting::xml {
namespace {

TEST(XmlEscape, Table) {
  struct Row {
    const char* name;
    std::string in, out;
  };
  const Row rows[] = {
      {"plain and Polish text pass", "Zażółć gęślą jaźń 12,50 zł", "Zażółć gęślą jaźń 12,50 zł"},
      {"the four markup characters", "a<b>\"c\"&d", "a&lt;b&gt;&quot;c&quot;&amp;d"},
      // "&" goes first, so an entity already in the text is shown, not taken as markup.
      {"an entity in the text is kept visible", "&lt;", "&amp;lt;"},
      {"apostrophe stays: values are double-quoted", "O'Brien", "O'Brien"},
      {"tab and line ends are kept", "a\tb\r\nc", "a\tb\r\nc"},
      // One stray control character would make the whole part unreadable.
      {"control characters are left out",
       std::string("a\x01\x1F"
                   "b\0c",
                   6),
       "abc"},
      {"malformed UTF-8 becomes U+FFFD", "x\xFFy", "x\xEF\xBF\xBDy"},
      {"a surrogate encoded in UTF-8 is not a character", "x\xED\xA0\x80y",
       "x\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDy"},
      {"empty", "", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(escape(row.in), row.out) << row.name;
}

// In an attribute a reader turns a raw tab or line end into a blank (XML 1.0, 3.3.3): they go in
// as references, through the writer and for the pieces built by hand alike.
TEST(XmlEscape, AttributeValuesKeepTabsAndLineEnds) {
  const std::string value = "Zażółć <a>\tb\r\nc\x01";
  const std::string expected = "Zażółć &lt;a&gt;&#x9;b&#xD;&#xA;c";
  EXPECT_EQ(escape_attribute(value), expected);
  XmlWriter w;
  w.start("a").attribute("v", value).end();
  EXPECT_EQ(w.text(), "<a v=\"" + expected + "\"/>");
}

TEST(XmlWriter, ElementsAttributesAndText) {
  XmlWriter w;
  w.declaration();
  w.start("row").attribute("r", 1).attribute("ht", "12.75");
  w.start("c").attribute("r", "A1").attribute("t", "s").element("v", "0").end();
  w.start("c").attribute("r", "B1").end();  // nothing inside: closes as "/>"
  w.start("is").element("t", "Suma <netto> & \"brutto\"").end();
  w.start("f").attribute("v", "a<b & \"c\"").content("");  // content, even empty, ends the start tag
  w.finish();
  EXPECT_EQ(w.text(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<row r=\"1\" ht=\"12.75\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"/>"
            "<is><t>Suma &lt;netto&gt; &amp; &quot;brutto&quot;</t></is>"
            "<f v=\"a&lt;b &amp; &quot;c&quot;\"></f></row>");
  EXPECT_EQ(w.depth(), 0u);
}

TEST(XmlWriter, SectionsCountTheirLines) {
  XmlWriter w;
  w.start("styleSheet");
  w.section("fonts", {"<font><sz val=\"12\"/></font>", "<font><b/></font>"});
  w.section("dxfs", {});
  w.raw("<cellStyles count=\"1\"/>");
  w.finish();
  EXPECT_EQ(w.text(),
            "<styleSheet><fonts count=\"2\"><font><sz val=\"12\"/></font>\r\n<font><b/></font>\r\n"
            "</fonts><dxfs count=\"0\"></dxfs><cellStyles count=\"1\"/></styleSheet>");
}

TEST(XmlWriter, MisuseIsAProgrammingError) {
  XmlWriter w;
  EXPECT_THROW(w.end(), std::logic_error);
  w.start("a").content("x");
  EXPECT_THROW(w.attribute("late", "1"), std::logic_error);
}

// A part larger than the flush size reaches the ZIP entry whole and in order.
TEST(XmlWriter, StreamsIntoAZipEntry) {
  XmlWriter memory;
  std::ostringstream streamed_zip, whole_zip;
  {
    zip::ZipWriter zip(streamed_zip, {.modified = 0});
    XmlWriter streamed(zip.begin_entry("xl/sharedStrings.xml"));
    for (XmlWriter* w : {&streamed, &memory}) {
      w->declaration().start("sst");
      for (int i = 0; i < 20000; ++i) w->element("si", "Pozycja " + std::to_string(i) + " & więcej");
      w->finish();
    }
    zip.end_entry();
    zip.finish();
  }
  {
    zip::ZipWriter zip(whole_zip, {.modified = 0});
    zip.add("xl/sharedStrings.xml", memory.text(), zip::Method::deflated);
    zip.finish();
  }
  ASSERT_GT(memory.text().size(), 200000u);
  EXPECT_EQ(streamed_zip.str(), whole_zip.str());
}

TEST(UniqueList, NumbersDistinctEntries) {
  UniqueList fonts;
  EXPECT_EQ(fonts.add("<font><b/></font>"), 0);
  EXPECT_EQ(fonts.add("<font><i/></font>"), 1);
  EXPECT_EQ(fonts.add("<font><b/></font>"), 0);
  EXPECT_EQ(fonts.index_of("<font><i/></font>"), 1);
  EXPECT_EQ(fonts.index_of("<font/>"), -1);
  EXPECT_EQ(fonts.items(), (std::vector<std::string>{"<font><b/></font>", "<font><i/></font>"}));
  fonts.clear();
  EXPECT_EQ(fonts.add("<font><i/></font>"), 0);
}

TEST(WindowsColour, BytesSwapToRgb) {
  EXPECT_EQ(rgb_from_windows_colour(0x0000FF), 0xFF0000u);  // Windows red
  EXPECT_EQ(rgb_from_windows_colour(0xFF0000), 0x0000FFu);  // Windows blue
  EXPECT_EQ(rgb_from_windows_colour(0x123456), 0x563412u);
}

}  // namespace
}  // namespace orvena::exporting::xml
