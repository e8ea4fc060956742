#pragma once
// Pieces of "word/document.xml": the document root, one fixed-layout table per page, the
// paragraphs that carry a page's section properties, runs of text and inline pictures.
// Everything is appended to a string that the caller streams into the package entry.
//
//   std::string xml;
//   append_document_start(xml);
//   append_table_start(xml, column_twips);          // per page
//   append_row_start(xml, row_height_px);  ...cells...  xml += "</w:tr>";
//   xml += "</w:tbl>";
//   append_section_break(xml, page1);                // between pages
//   append_document_end(xml, last_page);
//
// Lengths in the document are twentieths of a point (twips) except font sizes (half points)
// and drawing extents (EMU, ISO/IEC 29500-1 20.1.2.1).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "report/canvas/canvas.h"
#include "report/text/text_layout.h"
#include "report/values.h"
#include "report/views.h"

namespace orvena::exporting::docx {

// Report pixels to table widths and row heights: the factors the tables were always laid out
// with (a little wider and lower than 15 twips a pixel).
int column_twips(double pixels);
int row_twips(double pixels);
// Paper sizes and margins from millimetres.
int page_twips(double millimetres);

// Page size and margins in twips.
struct PageSetup {
  int width = 0, height = 0;
  int top = 0, right = 0, bottom = 0, left = 0;
};
PageSetup page_setup(double width_mm, double height_mm, double left_mm, double top_mm, double right_mm,
                     double bottom_mm);

void append_document_start(std::string& out);
void append_section_properties(std::string& out, const PageSetup& page);
// A paragraph ending the section of the page before it.
void append_section_break(std::string& out, const PageSetup& page);
// An empty paragraph and the last page's section properties close the body and the document.
void append_document_end(std::string& out, const PageSetup& last_page);

void append_table_start(std::string& out, std::span<const int> column_twips);
void append_row_start(std::string& out, double height_pixels);

// Border names of the frame line styles (ST_Border).
std::string_view border_name(report::FrameStyle style);
std::string_view vertical_alignment_name(report::VAlign align);
std::string_view justification_name(report::HAlign align);
// ST_TextDirection of a rotation in degrees counter-clockwise.
std::string_view text_direction_name(int rotation);

// Six upper-case hexadecimal digits, red first.
void append_hex_colour(std::string& out, report::canvas::Rgb colour);

// `char_spacing`: report pixels added after each character.
void append_run_properties(std::string& out, const report::text::LayoutFont& font, double char_spacing = 0);
// The paragraph a cell's content stands in, up to the end of its properties; without a font the
// cell is empty and the paragraph has no justification or run properties. Text lines are set a
// little closer than single; a picture's line is single, since a closer line cuts off its top.
enum class ParagraphContent : uint8_t { Text, Picture };
void append_paragraph_start(std::string& out, const report::text::LayoutFont* font, report::HAlign align,
                            ParagraphContent content = ParagraphContent::Text);
// One run per line, the lines after the first starting with a line break; `run_properties` as
// append_run_properties() writes them, made once for many runs of one font.
void append_text_runs(std::string& out, std::string_view run_properties, std::span<const std::string> lines);

struct InlinePicture {
  std::string_view relationship_id;
  int64_t cx = 0, cy = 0;  // EMU
  int id = 1;              // the picture's number
};
inline constexpr int64_t kEmuPerPixel = 9525;  // 914400 EMU an inch, 96 pixels an inch
// A picture's extent in EMU (635 a twip) from its cell's twips, so that it fills the cell as the
// table is laid out (columns and rows are not scaled alike) and is not cut by an exact row.
inline int64_t picture_extent(int twips) {
  return twips > 0 ? int64_t(twips) * 635 : 0;
}
void append_picture_run(std::string& out, const report::text::LayoutFont& font, const InlinePicture& picture);

}  // namespace orvena::exporting::docx
