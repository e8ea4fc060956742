#include "export/docx/document_xml.h"

#include <charconv>
#include <cmath>

#include "export/xml/xml_writer.h"

namespace orvena::exporting::docx {

namespace {

void append_int(std::string& out, long long value) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Paragraph properties every paragraph of the body shares: no widow control or automatic
// spacing adjustments, which would move text out of its exact-height row.
constexpr std::string_view kParagraphFixed =
    "<w:widowControl w:val=\"0\"/><w:autoSpaceDE w:val=\"0\"/><w:autoSpaceDN w:val=\"0\"/>"
    "<w:adjustRightInd w:val=\"0\"/>";

}  // namespace

int column_twips(double pixels) {
  return int(std::lround(pixels * 15.5));
}
int row_twips(double pixels) {
  return int(std::lround(pixels * 14.5));
}
int page_twips(double millimetres) {
  return int(std::lround(millimetres * 56.79));
}

PageSetup page_setup(double width_mm, double height_mm, double left_mm, double top_mm, double right_mm,
                     double bottom_mm) {
  return {page_twips(width_mm), page_twips(height_mm), page_twips(top_mm),
          page_twips(right_mm), page_twips(bottom_mm), page_twips(left_mm)};
}

void append_document_start(std::string& out) {
  out +=
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:ve=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
      "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
      "xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\" "
      "xmlns:v=\"urn:schemas-microsoft-com:vml\" "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
      "xmlns:w10=\"urn:schemas-microsoft-com:office:word\" "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:wne=\"http://schemas.microsoft.com/office/word/2006/wordml\"><w:body>";
}

void append_section_properties(std::string& out, const PageSetup& page) {
  out += "<w:sectPr><w:pgSz w:w=\"";
  append_int(out, page.width);
  out += "\" w:h=\"";
  append_int(out, page.height);
  out += "\"/><w:pgMar w:top=\"";
  append_int(out, page.top);
  out += "\" w:right=\"";
  append_int(out, page.right);
  out += "\" w:bottom=\"";
  append_int(out, page.bottom);
  out += "\" w:left=\"";
  append_int(out, page.left);
  out +=
      "\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/><w:cols w:space=\"720\"/><w:noEndnote/>"
      "</w:sectPr>";
}

void append_section_break(std::string& out, const PageSetup& page) {
  out += "<w:p><w:pPr>";
  out += kParagraphFixed;
  out +=
      "<w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
      "<w:rPr><w:rFonts w:ascii=\"Tahoma\" w:hAnsi=\"Tahoma\" w:cs=\"Tahoma\"/><w:sz w:val=\"24\"/>"
      "<w:szCs w:val=\"24\"/></w:rPr>";
  append_section_properties(out, page);
  out += "</w:pPr></w:p>";
}

void append_document_end(std::string& out, const PageSetup& last_page) {
  out += "<w:p/>";
  append_section_properties(out, last_page);
  out += "</w:body></w:document>";
}

void append_table_start(std::string& out, std::span<const int> column_twips) {
  out +=
      "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblInd w:w=\"15\" w:type=\"dxa\"/>"
      "<w:tblLayout w:type=\"fixed\"/><w:tblCellMar><w:left w:w=\"15\" w:type=\"dxa\"/>"
      "<w:right w:w=\"15\" w:type=\"dxa\"/></w:tblCellMar><w:tblLook w:val=\"0000\"/></w:tblPr><w:tblGrid>";
  for (int w : column_twips) {
    out += "<w:gridCol w:w=\"";
    append_int(out, w);
    out += "\"/>";
  }
  out += "</w:tblGrid>";
}

void append_row_start(std::string& out, double height_pixels) {
  out +=
      "<w:tr><w:tblPrEx><w:tblCellMar><w:top w:w=\"0\" w:type=\"dxa\"/><w:bottom w:w=\"0\" "
      "w:type=\"dxa\"/></w:tblCellMar></w:tblPrEx><w:trPr><w:trHeight w:hRule=\"exact\" w:val=\"";
  append_int(out, row_twips(height_pixels));
  out += "\"/></w:trPr>";
}

std::string_view border_name(report::FrameStyle style) {
  using report::FrameStyle;
  switch (style) {
    case FrameStyle::Solid:
      return "single";
    case FrameStyle::Dash:
      return "dashed";
    case FrameStyle::Dot:
      return "dotted";
    case FrameStyle::DashDot:
    case FrameStyle::AltDot:
      return "dashDot";
    case FrameStyle::DashDotDot:
      return "dashDotDot";
    case FrameStyle::Double:
      return "double";
    case FrameStyle::Square:
      break;
  }
  return "thin";
}

std::string_view vertical_alignment_name(report::VAlign align) {
  switch (align) {
    case report::VAlign::Bottom:
      return "bottom";
    case report::VAlign::Center:
      return "center";
    case report::VAlign::Top:
      break;
  }
  return "top";
}

std::string_view justification_name(report::HAlign align) {
  switch (align) {
    case report::HAlign::Right:
      return "right";
    case report::HAlign::Center:
      return "center";
    case report::HAlign::Block:
      return "both";
    case report::HAlign::Left:
      break;
  }
  return "left";
}

std::string_view text_direction_name(int rotation) {
  if (rotation == 90) return "btLr";
  if (rotation == 270) return "tbRlV";
  return "lrTb";
}

void append_hex_colour(std::string& out, report::canvas::Rgb colour) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 20; shift >= 0; shift -= 4) out += kDigits[(colour >> shift) & 0xF];
}

void append_run_properties(std::string& out, const report::text::LayoutFont& font, double char_spacing) {
  out += "<w:rPr><w:rFonts w:ascii=\"";
  std::string name = xml::escape_attribute(font.name);
  out += name;
  out += "\" w:hAnsi=\"";
  out += name;
  out += "\" w:cs=\"";
  out += name;
  out += "\"/>";
  if (font.style & report::kFontBold) out += "<w:b/>";
  if (font.style & report::kFontItalic) out += "<w:i/>";
  if (font.style & report::kFontUnderline) out += "<w:u w:val=\"single\"/>";
  if (font.style & report::kFontStrikeOut) out += "<w:strike/>";
  // ST_HexColor is six digits without a leading "#": a reader that checks the schema rejects one.
  out += "<w:bCs/><w:color w:val=\"";
  append_hex_colour(out, font.color);
  out += "\"/>";
  // ISO/IEC 29500-1 17.3.2.35: extra space after each character in twentieths of a point; a
  // report pixel is 15.
  if (int twips = int(std::lround(char_spacing * 15)); twips != 0) {
    out += "<w:spacing w:val=\"";
    append_int(out, twips);
    out += "\"/>";
  }
  out += "<w:sz w:val=\"";
  append_int(out, font.size * 2);
  out += "\"/><w:szCs w:val=\"";
  append_int(out, font.size * 2);
  out += "\"/></w:rPr>";
}

void append_paragraph_start(std::string& out, const report::text::LayoutFont* font, report::HAlign align,
                            ParagraphContent content) {
  out += "<w:p><w:pPr>";
  out += kParagraphFixed;
  out += content == ParagraphContent::Picture ? "<w:spacing w:before=\"29\" w:after=\"0\" w:line=\"240\""
                                              : "<w:spacing w:before=\"29\" w:after=\"0\" w:line=\"213\"";
  out += " w:lineRule=\"auto\"/><w:ind w:left=\"15\"/>";
  if (font) {
    out += "<w:jc w:val=\"";
    out += justification_name(align);
    out += "\"/>";
    append_run_properties(out, *font);
  }
  out += "</w:pPr>";
}

void append_text_runs(std::string& out, std::string_view run_properties, std::span<const std::string> lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    out += "<w:r>";
    out += run_properties;
    if (i > 0) out += "<w:br/>";
    const std::string& line = lines[i];
    // Without this a reader drops the spaces that align a value at either end of the line.
    bool keep_spaces = !line.empty() && (line.front() == ' ' || line.back() == ' ' || line.front() == '\t');
    out += keep_spaces ? "<w:t xml:space=\"preserve\">" : "<w:t>";
    xml::append_escaped(out, line);
    out += "</w:t></w:r>";
  }
}

void append_picture_run(std::string& out, const report::text::LayoutFont& font,
                        const InlinePicture& picture) {
  std::string cx = std::to_string(picture.cx), cy = std::to_string(picture.cy);
  out += "<w:r>";
  append_run_properties(out, font);
  // ISO/IEC 29500-1 20.4.2.8 (inline), 20.1.2.2.34 (graphic), 20.2.2.5 (pic).
  out += "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent cx=\"";
  out += cx;
  out += "\" cy=\"";
  out += cy;
  out += "\"/><wp:docPr id=\"";
  // Drawing ids are unique within the document; readers may refuse a repeated one.
  out += std::to_string(picture.id);
  out +=
      "\" name=\"Picture\"/><wp:cNvGraphicFramePr>"
      "<a:graphicFrameLocks xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
      "<a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
      "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
      "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
      "<pic:nvPicPr><pic:cNvPr id=\"0\" name=\"Picture\"/><pic:cNvPicPr>"
      "<a:picLocks noChangeAspect=\"1\" noChangeArrowheads=\"1\"/></pic:cNvPicPr></pic:nvPicPr>"
      "<pic:blipFill><a:blip r:embed=\"";
  out += picture.relationship_id;
  out +=
      "\"/><a:srcRect/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
      "<pic:spPr bwMode=\"auto\"><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"";
  out += cx;
  out += "\" cy=\"";
  out += cy;
  out +=
      "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/>"
      "<a:ln w=\"9525\"><a:noFill/><a:miter lim=\"800000\"/><a:headEnd/><a:tailEnd/></a:ln>"
      "</pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
}

}  // namespace orvena::exporting::docx
