// Pieces of the word-processing document checked as exact text: what a reader lays the page out
// from (section sizes, grid, exact row heights, run properties, line breaks, pictures).
#include <gtest/gtest.h>

#include "export/docx/document_xml.h"
#include "export/docx/package_parts.h"

namespace orvena::exporting::docx {
namespace {

TEST(DocxPieces, SectionBreakCarriesThePageSizeAndMargins) {
  // A4 with 10 mm margins: millimetres × 56.79, rounded (210 × 56.79 = 11925.9).
  PageSetup a4 = page_setup(210, 297, 10, 10, 10, 10);
  EXPECT_EQ(a4.width, 11926);
  EXPECT_EQ(a4.height, 16867);
  EXPECT_EQ(a4.left, 568);
  std::string xml;
  append_section_break(xml, page_setup(297, 210, 20, 5, 15, 7.5));
  EXPECT_EQ(
      xml,
      "<w:p><w:pPr><w:widowControl w:val=\"0\"/><w:autoSpaceDE w:val=\"0\"/><w:autoSpaceDN w:val=\"0\"/>"
      "<w:adjustRightInd w:val=\"0\"/><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
      "<w:rPr><w:rFonts w:ascii=\"Tahoma\" w:hAnsi=\"Tahoma\" w:cs=\"Tahoma\"/><w:sz w:val=\"24\"/>"
      "<w:szCs w:val=\"24\"/></w:rPr>"
      "<w:sectPr><w:pgSz w:w=\"16867\" w:h=\"11926\"/><w:pgMar w:top=\"284\" w:right=\"852\" "
      "w:bottom=\"426\" w:left=\"1136\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/>"
      "<w:cols w:space=\"720\"/><w:noEndnote/></w:sectPr></w:pPr></w:p>");
}

TEST(DocxPieces, TableGridAndExactRowHeights) {
  std::string xml;
  const int widths[] = {column_twips(150), column_twips(0.5)};
  append_table_start(xml, widths);
  append_row_start(xml, 20);
  EXPECT_EQ(xml,
            "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblInd w:w=\"15\" w:type=\"dxa\"/>"
            "<w:tblLayout w:type=\"fixed\"/><w:tblCellMar><w:left w:w=\"15\" w:type=\"dxa\"/>"
            "<w:right w:w=\"15\" w:type=\"dxa\"/></w:tblCellMar><w:tblLook w:val=\"0000\"/></w:tblPr>"
            "<w:tblGrid><w:gridCol w:w=\"2325\"/><w:gridCol w:w=\"8\"/></w:tblGrid>"
            "<w:tr><w:tblPrEx><w:tblCellMar><w:top w:w=\"0\" w:type=\"dxa\"/><w:bottom w:w=\"0\" "
            "w:type=\"dxa\"/></w:tblCellMar></w:tblPrEx><w:trPr><w:trHeight w:hRule=\"exact\" w:val=\"290\"/>"
            "</w:trPr>");
}

TEST(DocxPieces, RunsOfAMemoAndTheirProperties) {
  report::text::LayoutFont font{
      .name = "Times New Roman", .size = 11, .style = report::kFontBold, .color = 0xC00010};
  std::string props;
  append_run_properties(props, font);
  // Colours are six digits without "#" (ST_HexColor); sizes are half points.
  EXPECT_EQ(
      props,
      "<w:rPr><w:rFonts w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\" w:cs=\"Times New Roman\"/>"
      "<w:b/><w:bCs/><w:color w:val=\"C00010\"/><w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/></w:rPr>");

  // Spacing between letters in twentieths of a point, 15 to a report pixel, between the colour
  // and the size as the schema orders them; none when there is none.
  std::string spaced;
  append_run_properties(spaced, font, 2.5);
  EXPECT_NE(spaced.find("<w:color w:val=\"C00010\"/><w:spacing w:val=\"38\"/><w:sz "), std::string::npos)
      << spaced;
  std::string narrowed;
  append_run_properties(narrowed, font, -1);
  EXPECT_NE(narrowed.find("<w:spacing w:val=\"-15\"/>"), std::string::npos) << narrowed;

  // Three lines: three runs, a break before the second and third; markup in values is text;
  // spaces at an end are kept.
  const std::string lines[] = {"Suma <netto>", "A & B", "  12,50"};
  std::string runs;
  append_text_runs(runs, props, lines);
  EXPECT_EQ(runs, "<w:r>" + props + "<w:t>Suma &lt;netto&gt;</w:t></w:r><w:r>" + props +
                      "<w:br/><w:t>A &amp; B</w:t></w:r><w:r>" + props +
                      "<w:br/><w:t xml:space=\"preserve\">  12,50</w:t></w:r>");
}

TEST(DocxPieces, ParagraphOfAnEmptyCellHasNoRunProperties) {
  std::string empty, filled;
  append_paragraph_start(empty, nullptr, report::HAlign::Right);
  EXPECT_EQ(empty.find("<w:jc"), std::string::npos);
  EXPECT_EQ(empty.find("<w:rPr>"), std::string::npos);
  report::text::LayoutFont font;
  append_paragraph_start(filled, &font, report::HAlign::Block);
  EXPECT_NE(filled.find("<w:ind w:left=\"15\"/><w:jc w:val=\"both\"/><w:rPr>"), std::string::npos);
  EXPECT_TRUE(filled.ends_with("</w:rPr></w:pPr>"));
}

TEST(DocxPieces, NamesOfBordersAlignmentsAndDirections) {
  using report::FrameStyle;
  EXPECT_EQ(border_name(FrameStyle::Solid), "single");
  EXPECT_EQ(border_name(FrameStyle::Dash), "dashed");
  EXPECT_EQ(border_name(FrameStyle::Dot), "dotted");
  EXPECT_EQ(border_name(FrameStyle::DashDot), "dashDot");
  EXPECT_EQ(border_name(FrameStyle::AltDot), "dashDot");
  EXPECT_EQ(border_name(FrameStyle::DashDotDot), "dashDotDot");
  EXPECT_EQ(border_name(FrameStyle::Double), "double");
  EXPECT_EQ(border_name(FrameStyle::Square), "thin");
  EXPECT_EQ(vertical_alignment_name(report::VAlign::Center), "center");
  EXPECT_EQ(justification_name(report::HAlign::Center), "center");
  EXPECT_EQ(text_direction_name(90), "btLr");
  EXPECT_EQ(text_direction_name(270), "tbRlV");
  EXPECT_EQ(text_direction_name(45), "lrTb");
}

TEST(DocxPieces, PictureRunEmbedsItsRelationshipAtItsSize) {
  std::string xml;
  append_picture_run(
      xml, {}, {.relationship_id = "picId3", .cx = 100 * kEmuPerPixel, .cy = 50 * kEmuPerPixel, .id = 3});
  EXPECT_NE(xml.find("<wp:extent cx=\"952500\" cy=\"476250\"/><wp:docPr id=\"3\" name=\"Picture\"/>"),
            std::string::npos);
  EXPECT_NE(xml.find("<a:blip r:embed=\"picId3\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<a:ext cx=\"952500\" cy=\"476250\"/>"), std::string::npos);
  EXPECT_TRUE(xml.ends_with("</w:drawing></w:r>"));
  EXPECT_EQ(document_picture_relationship(3),
            "<Relationship Id=\"picId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
            "relationships/image\" Target=\"media/image3.png\"/>");
  EXPECT_EQ(picture_part_name(3), "word/media/image3.png");
}

TEST(DocxPieces, DocumentEndsWithAnEmptyParagraphAndTheLastSection) {
  std::string xml;
  append_document_end(xml, page_setup(100, 200, 0, 0, 0, 0));
  EXPECT_EQ(xml,
            "<w:p/><w:sectPr><w:pgSz w:w=\"5679\" w:h=\"11358\"/><w:pgMar w:top=\"0\" w:right=\"0\" "
            "w:bottom=\"0\" w:left=\"0\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/>"
            "<w:cols w:space=\"720\"/><w:noEndnote/></w:sectPr></w:body></w:document>");
}

}  // namespace
}  // namespace orvena::exporting::docx
