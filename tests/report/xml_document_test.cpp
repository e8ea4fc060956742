// The template document: escaping, attribute lookup, the writer's exact layout, the scanner's
// rules and its limits.
#include <gtest/gtest.h>

#include "report/property_stream.h"
#include "report/serializer.h"
#include "report/values.h"
#include "report/xml_document.h"

namespace orvena::report {
namespace {

TEST(Escaping, ValuesAreWrittenWithDecimalReferences) {
  struct Row {
    std::string in, out;
  } rows[] = {
      {"A\r\nB", "A&#13;&#10;B"},
      {"a \"q\" <t> & z", "a &#34;q&#34; &#60;t&#62; &#38; z"},
      {"&quot;", "&#34;"},  // an entity already present becomes the reference of its character
      {std::string("x\0y", 3), "x&#0;y"},
      {std::string(31, 'a') + '\0' + "b", std::string(31, 'a') + " b"},  // NUL is a blank in long values
      {"zażółć", "zażółć"},
      {std::string(40, '&'),
       [] {
         std::string s;
         for (int i = 0; i < 40; ++i) s += "&#38;";
         return s;
       }()},  // whatever the value's length
  };
  for (const Row& r : rows) EXPECT_EQ(escape_value(r.in), r.out) << r.in;
}

TEST(Escaping, UnescapingIsOnePassLeftToRight) {
  struct Row {
    const char* in;
    const char* out;
  } rows[] = {
      {"A&#13;&#10;B", "A\r\nB"},
      {"&quot;&amp;&lt;&gt;", "\"&<>"},
      {"&amp;quot;", "&quot;"},  // what a reference produced is not read again
      {"&#261;", "ą"},
      {"&#38", "&#38"},      // no semicolon: left as written
      {"x&", "x&"},          // the last character never starts a reference
      {"&nbsp;", "&nbsp;"},  // unknown entities stay
      {"&#99999999999;", "&#99999999999;"},
      {"&#1114112;", "\xEF\xBF\xBD"},  // beyond Unicode: the replacement character
  };
  for (const Row& r : rows) EXPECT_EQ(unescape_value(r.in), r.out) << r.in;
}

TEST(Attributes, LookupSetAndDelete) {
  XmlItem item;
  item.text = "Name=\"Memo1\" Left=\"10\" text=\"a&amp;b\"";
  EXPECT_EQ(item.prop("name"), "Memo1");  // ignoring case
  EXPECT_EQ(item.prop("TEXT"), "a&b");
  EXPECT_EQ(item.prop("Top"), "");
  EXPECT_FALSE(item.prop_exists("Top"));
  EXPECT_FALSE(item.prop_exists("eft"));  // whole names only
  item.set_prop("Left", "20");
  item.set_prop("Top", "x\"y");
  EXPECT_EQ(item.text, "Name=\"Memo1\" Left=\"20\" text=\"a&amp;b\" Top=\"x&#34;y\"");
  item.delete_prop("Name");
  EXPECT_EQ(item.text, " Left=\"20\" text=\"a&amp;b\" Top=\"x&#34;y\"");
  EXPECT_EQ(item.prop("Left"), "20");
}

TEST(Writer, OneItemPerLineIndentedWithCrLf) {
  XmlDocument doc;
  XmlItem& root = doc.root();
  root.name = "TrpReport";
  root.text = " Version=\"2.4.0\"";
  XmlItem& page = root.add("TrpReportPage");
  page.text = "Name=\"Page1\"";
  page.add("TrpMemoView").text = " Name=\"Memo1\"";
  XmlItem& valued = root.add("v");
  valued.value = "text";
  XmlItem& unloadable = root.add("page0");
  unloadable.unloadable = true;
  EXPECT_EQ(doc.save(),
            "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
            "<TrpReport Version=\"2.4.0\">\r\n"
            "  <TrpReportPage Name=\"Page1\">\r\n"
            "    <TrpMemoView Name=\"Memo1\"/>\r\n"
            "  </TrpReportPage>\r\n"
            "  <v>text</v>\r\n"
            "  <page0 ld=\"0\"/>\r\n"
            "</TrpReport>\r\n");
}

TEST(Scanner, FormatByDeclarationAndTolerantSyntax) {
  XmlDocument doc;
  doc.load("<?xml version=\"1.0\"?><r/>");
  EXPECT_TRUE(doc.old_format());
  doc.load("<?xml version=\"1.0\" standalone=\"no\"?><r/>");
  EXPECT_FALSE(doc.old_format());
  doc.load("<?xml version=\"1.1\"?><r/>");
  EXPECT_FALSE(doc.old_format());

  // Attribute text is kept unparsed; end tags match ignoring case; a trailing blank is dropped.
  doc.load(
      "\xEF\xBB\xBF<?xml version=\"1.0\" standalone=\"no\"?>\n<Root a=\"1\"  ><Child/><x b=\"2\" "
      "/></ROOT>junk");
  EXPECT_EQ(doc.root().name, "Root");
  EXPECT_EQ(doc.root().text, "a=\"1\" ");
  ASSERT_EQ(doc.root().count(), 2u);
  EXPECT_EQ(doc.root()[1].text, "b=\"2\" ");
  EXPECT_EQ(doc.root()[1].prop("b"), "2");

  // Comments may come before the declaration.
  doc.load("<!-- c --><?xml version=\"1.0\"?><r/>");
  EXPECT_EQ(doc.root().name, "r");
  // A declaration alone is an empty document.
  doc.load("<?xml version=\"1.0\" standalone=\"no\"?>");
  EXPECT_TRUE(doc.root().name.empty());
  // Damaged UTF-8 in the current format becomes replacement characters.
  doc.load("<?xml version=\"1.0\" standalone=\"no\"?><r a=\"\xFF\"/>");
  EXPECT_EQ(doc.root().prop("a"), "\xEF\xBF\xBD");
}

TEST(Scanner, StructuralErrors) {
  const char* bad[] = {
      "",
      "<r/>",                                         // no declaration
      "<r/><?xml version=\"1.0\"?>",                  // the declaration must come first
      "<?xml version=\"1.0\"?><r a=\"<\"/>",          // '<' inside a tag
      "<?xml version=\"1.0\"?><r><a></b></r>",        // end tag of another element
      "<?xml version=\"1.0\"?><r><a>",                // the file ends inside an element
      "<?xml version=\"1.0\"?><r a=\"1\"",            // ... or inside a tag
      "<?xml version=\"1.0\"?><r><!-- open comment",  // ... or inside a comment
      "<?xml version=\"1.0\"?></r>",                  // an end tag first
  };
  for (const char* text : bad) {
    XmlDocument doc;
    try {
      doc.load(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const XmlError& e) {
      EXPECT_STREQ(e.what(), "Invalid file format");
      EXPECT_GE(e.line, 1);
    }
  }
}

TEST(Scanner, CommentEndsAtTwoDashesBeforeTheBracket) {
  XmlDocument doc;
  doc.load("<?xml version=\"1.0\"?><r><!-- a > b - c -- d --><x/><!----><y/></r>");
  ASSERT_EQ(doc.root().count(), 2u);
  EXPECT_EQ(doc.root()[0].name, "x");
  EXPECT_EQ(doc.root()[1].name, "y");
}

TEST(Scanner, LimitsOnDepthSizeAndCount) {
  XmlLimits limits;
  limits.max_depth = 3;
  XmlDocument doc;
  EXPECT_NO_THROW(doc.load("<?xml version=\"1.0\"?><a><b><c/></b></a>", false, limits));
  EXPECT_THROW(doc.load("<?xml version=\"1.0\"?><a><b><c><d/></c></b></a>", false, limits), XmlError);
  limits = {};
  limits.max_items = 3;
  EXPECT_THROW(doc.load("<?xml version=\"1.0\"?><a><b/><b/><b/></a>", false, limits), XmlError);
  limits = {};
  limits.max_input_bytes = 10;
  EXPECT_THROW(doc.load("<?xml version=\"1.0\"?><a/>", false, limits), XmlError);
  limits = {};
  limits.max_tag_bytes = 8;
  EXPECT_THROW(doc.load("<?xml version=\"1.0\"?><a b=\"123456789\"/>", false, limits), XmlError);
  // Deep nesting far beyond the default limit fails cleanly, without recursion.
  std::string deep = "<?xml version=\"1.0\"?>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  EXPECT_THROW(doc.load(deep), XmlError);
}

TEST(Scanner, PartialLoadingKeepsOnlyTheOffsetOfUnloadableItems) {
  std::string text =
      "<?xml version=\"1.0\" standalone=\"no\"?>\r\n<preparedreport>\r\n"
      "<page0 a=\"1\"><x/></page0>\r\n<page1 LD=\"0\" a=\"2\"><y/><z/></page1>\r\n</preparedreport>\r\n";
  XmlDocument doc;
  doc.load(text, true);
  XmlItem& page1 = doc.root()[1];
  EXPECT_TRUE(page1.unloadable);
  EXPECT_FALSE(page1.loaded);
  EXPECT_EQ(page1.count(), 0u);
  EXPECT_FALSE(page1.prop_exists("ld"));  // the marker is taken out of the attribute text
  EXPECT_EQ(page1.prop("a"), "2");
  EXPECT_EQ(doc.root()[0].count(), 1u);
  doc.load_item(text, page1);
  EXPECT_TRUE(page1.loaded);
  EXPECT_TRUE(page1.unloadable);
  EXPECT_EQ(page1.count(), 2u);
  // Without partial loading everything is kept.
  doc.load(text);
  EXPECT_EQ(doc.root()[1].count(), 2u);
}

TEST(PropertyStream, IntegersTakeTheSmallestTypeAndBinaryIsCounted) {
  PropertyStreamWriter w;
  w.write_integer("a", 5);
  w.write_integer("b", -300);
  w.write_integer("c", 70000);
  w.write_binary("d", "xy");
  EXPECT_EQ(to_hex(w.bytes()),
            "01610205"
            "016203D4FE"
            "01630470110100"
            "01640A020000007879");
  PropertyStreamReader r(w.bytes());
  EXPECT_EQ(r.read_name(), "a");
  EXPECT_EQ(r.read_integer(), 5);
  EXPECT_EQ(r.read_name(), "b");
  EXPECT_EQ(r.read_integer(), -300);
  EXPECT_EQ(r.read_name(), "c");
  EXPECT_EQ(r.read_integer(), 70000);
  EXPECT_EQ(r.read_name(), "d");
  EXPECT_EQ(r.read_binary(), "xy");
  EXPECT_TRUE(r.at_end());
  EXPECT_THROW(from_hex("ABC"), core::Error);
  EXPECT_THROW(from_hex("GG"), core::Error);
  EXPECT_EQ(from_hex("4a4B"), "JK");
}

TEST(PropertyStream, PictureFraming) {
  struct Row {
    PictureKind kind;
    std::string class_name;
    bool counted;
  } rows[] = {{PictureKind::Bitmap, "TBitmap", true},
              {PictureKind::Jpeg, "TJPEGImage", true},
              {PictureKind::Metafile, "TMetafile", true},
              {PictureKind::Png, "TPngImage", false},
              {PictureKind::Gif, "TGIFImage", false}};
  for (const Row& r : rows) {
    Picture p;
    p.kind = r.kind;
    p.bytes = "file-bytes";
    std::string block = p.encode();
    std::string expected = std::string(1, char(r.class_name.size())) + r.class_name +
                           (r.counted ? std::string("\x0A\0\0\0", 4) : std::string()) + "file-bytes";
    EXPECT_EQ(block, expected) << r.class_name;
    Picture back;
    back.decode(block);
    EXPECT_EQ(back, p) << r.class_name;
  }
  Picture p;
  EXPECT_THROW(p.decode(std::string("\x07TBitmap\xFF\0\0\0x", 12)), core::Error);  // count beyond the block
  EXPECT_THROW(p.decode("\x05TIcon"), core::Error);
  EXPECT_THROW(p.decode("\x09TPng"), core::Error);
  p.decode(std::string(1, '\0'));
  EXPECT_TRUE(p.empty());
}

TEST(Values, NumbersReadWithEitherSeparator) {
  EXPECT_EQ(parse_float_value("10,5"), 10.5);
  EXPECT_EQ(parse_float_value("10.5"), 10.5);
  EXPECT_EQ(parse_float_value(" -1 234,5 "), -1234.5);
  EXPECT_EQ(parse_float_value("1E20"), 1e20);
  for (const char* bad : {"", "abc", "1,2,3", "nan", "inf", "1e999", "--1"})
    EXPECT_THROW(parse_float_value(bad), core::Error) << bad;
  EXPECT_EQ(format_float_value(18.89765), "18,89765");
  EXPECT_EQ(format_float_value(1.0 / 3), "0,333333333333333");
  EXPECT_EQ(parse_integer_value("-42"), -42);
  for (const char* bad : {"", "4 2", "0x10", "99999999999999999999"})
    EXPECT_THROW(parse_integer_value(bad), core::Error) << bad;
}

}  // namespace
}  // namespace orvena::report
