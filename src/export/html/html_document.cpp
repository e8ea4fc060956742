#include "export/html/html_document.h"

#include <cmath>
#include <cstdio>

#include "core/version.h"
#include "export/html/html_text.h"
#include "export/xml/xml_writer.h"

namespace orvena::exporting::html {

namespace {

std::string hex_colour(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", unsigned(colour & 0xFFFFFF));
  return text;
}

long rounded(double value) {
  return std::lround(value);
}

std::string_view border_style(report::FrameStyle style) {
  using report::FrameStyle;
  switch (style) {
    case FrameStyle::Solid:
      return "solid";
    case FrameStyle::Dash:
    case FrameStyle::DashDot:
      return "dashed";
    case FrameStyle::Dot:
    case FrameStyle::DashDotDot:
    case FrameStyle::AltDot:
      return "dotted";
    case FrameStyle::Double:
    case FrameStyle::Square:
      break;
  }
  return "double";
}

// A font name inside a style sheet: characters that could end the declaration, the rule or the
// style element are left out.
std::string css_font_name(std::string_view name) {
  std::string out;
  for (char c : name)
    if (c != '<' && c != '>' && c != ';' && c != '{' && c != '}' && c != '"' && c != '\\') out += c;
  return out;
}

}  // namespace

std::string style_rule(int index, const MatrixStyle& style) {
  const auto& font = style.font;
  std::string r = ".s" + std::to_string(index) + " {\r\n";
  r += " font-family: " + css_font_name(font.name) + ";\r\n";
  r += " font-size: " + std::to_string(rounded(font.size * 96.0 / 72.0)) + "px;\r\n";
  r += " color: " + hex_colour(font.color) + ";";
  if (font.style & report::kFontBold) r += " font-weight: bold;";
  r += (font.style & report::kFontItalic) ? " font-style: italic;" : " font-style: normal;";
  bool underline = font.style & report::kFontUnderline, strike = font.style & report::kFontStrikeOut;
  if (underline || strike) {
    r += " text-decoration:";
    if (underline) r += " underline";
    if (strike) r += " line-through";
    r += ";";
  }
  r += style.fill ? " background-color: " + hex_colour(*style.fill) + ";" : " background-color: transparent;";
  if (style.paragraph_gap > 0) r += "  text-indent: " + std::to_string(rounded(style.paragraph_gap)) + "px;";
  if (style.frame_sides != 0) {
    struct Side {
      const char* name;
      MatrixSide bit;
      MatrixLineIndex line;
    };
    constexpr Side kSides[] = {{"left", kMatrixLeft, kLineLeft},
                               {"right", kMatrixRight, kLineRight},
                               {"top", kMatrixTop, kLineTop},
                               {"bottom", kMatrixBottom, kLineBottom}};
    for (const Side& side : kSides) {
      std::string prefix = std::string(" border-") + side.name + "-";
      if (!style.has_side(side.bit)) {
        r += prefix + "width: 0px;";
        continue;
      }
      const MatrixFrameLine& line = style.lines[side.line];
      bool double_line = line.style == report::FrameStyle::Double;
      r += prefix + "color:" + hex_colour(line.color) + ";";
      r += prefix + "style: " + std::string(border_style(line.style)) + ";";
      r += prefix + "width: " + std::to_string(rounded(line.width * (double_line ? 3 : 1.2))) + "px;";
    }
  }
  static constexpr const char* kHAlign[] = {"Left", "Right", "Center", "Justify"};
  static constexpr const char* kVAlign[] = {"Top", "Bottom", "Middle"};
  r += std::string(" text-align: ") + kHAlign[int(style.halign)] +
       "; vertical-align: " + kVAlign[int(style.valign)] + ";\r\n}";
  return r;
}

HtmlDocumentWriter::HtmlDocumentWriter(std::ostream& out, const LayoutMatrix& matrix,
                                       const DocumentSettings& settings, PictureSource pictures)
    : m_out(out), m_matrix(matrix), m_settings(settings), m_pictures(std::move(pictures)) {}

void HtmlDocumentWriter::line(std::string_view text) {
  m_out << text << "\r\n";
}

void HtmlDocumentWriter::write_head(std::string_view title) {
  line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  line("<html><head>");
  line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  line(std::string("<meta name=Generator content=\"Orvena ") + core::kVersion + "\">");
  for (const std::string& l : m_settings.document_begin) line(l);
  if (m_settings.print)
    line(
        "<script language=\"javascript\" type=\"text/javascript\"> parent.focus(); parent.print();</script>");
  line("<title>" + xml::escape(title) + "</title>");
  if (m_settings.export_styles) {
    line("<style type=\"text/css\"><!-- ");
    line(".page_break {page-break-before: always;}");
    for (int i = 0; i < m_matrix.styles_count(); ++i) line(style_rule(i, *m_matrix.style(i)));
    line("--></style>");
  }
  line("</head>");
  line("<body bgcolor=\"#FFFFFF\" text=\"#000000\">");
  for (const std::string& l : m_settings.document_body) line(l);
}

void HtmlDocumentWriter::write_table_start(int page_number, bool page_break) {
  std::string t = "<a name=\"PageN" + std::to_string(page_number) + "\"></a><table";
  if (m_settings.fixed_width)
    t += " width=\"" + std::to_string(rounded(m_matrix.max_width() - m_matrix.min_left())) + "\"";
  if (m_settings.centered) t += " align=\"center\"";
  t += " border=\"0\" cellspacing=\"0\" cellpadding=\"0\"";
  t += page_break ? " class=\"page_break\">" : ">";
  line(t);
  // The sizing row: the one place every column has its own cell, and so its width.
  std::string sizing = "<tr style=\"height: 1px\">";
  if (m_matrix.width() < 2) sizing += "<td/>";
  for (int x = 0; x + 1 < m_matrix.width(); ++x)
    sizing += "<td width=\"" + std::to_string(rounded(m_matrix.x_pos(x + 1) - m_matrix.x_pos(x))) + "\"/>";
  sizing += "</tr>";
  line(sizing);
}

void HtmlDocumentWriter::write_cell(int x, int y, int index) {
  if (index < 0) {
    m_line += "<td/>";
    return;
  }
  CellSpan span = m_matrix.object_position(index);
  if (span.x != x || span.y != y) return;  // covered by the object's first cell
  const MatrixObject& o = *m_matrix.object(index);
  bool picture = !o.is_text && !o.picture.empty();
  m_line += "<td";
  if (span.dx > 1) m_line += " colspan=\"" + std::to_string(span.dx) + "\"";
  if (span.dy > 1) m_line += " rowspan=\"" + std::to_string(span.dy) + "\"";
  if (m_settings.export_styles && o.style >= 0) m_line += " class=\"s" + std::to_string(o.style) + "\"";
  if (!picture && blank_text(o.lines)) m_line += " style=\"font-size:1px\"";
  m_line += ">";
  std::string href = link_target(o.url, m_settings.file_per_page);
  if (!href.empty()) m_line += link_start(href, m_settings.url_target);
  if (picture) {
    m_line += "<img src=\"" + xml::escape(m_pictures(o)) + "\" width=\"" + std::to_string(o.picture.width) +
              "\" height=\"" + std::to_string(o.picture.height) + "\" alt=\"\">";
  } else {
    m_line += cell_text(o.lines, o.html_tags ? report::text::Tags::Interpret : report::text::Tags::AsText);
  }
  if (!href.empty()) m_line += "</a>";
  m_line += "</td>";
}

void HtmlDocumentWriter::write_row(int y) {
  long height = rounded((m_matrix.y_pos(y + 1) - m_matrix.y_pos(y)) / 1.03);
  m_line = "<tr style=\"height:" + std::to_string(height == 0 ? 1 : height) + "px\">";
  line(m_line);
  m_line.clear();
  for (int x = 0; x + 1 < m_matrix.width(); ++x) write_cell(x, y, m_matrix.cell(x, y));
  line(m_line);
  line("</tr>");
}

void HtmlDocumentWriter::write_document(std::string_view title, Pages pages) {
  write_head(title);
  write_table_start(1, false);
  int rows = m_matrix.height() - 1;
  // Where each page ends: the start of the next one, the end of everything for the last.
  std::vector<long> page_ends;
  if (pages == Pages::Stacked)
    for (int j = 0; j < m_matrix.pages_count(); ++j)
      page_ends.push_back(
          rounded(j + 1 < m_matrix.pages_count() ? m_matrix.page_break(j + 1) : m_matrix.max_height()));
  size_t page = 0;
  bool open = true;
  for (int y = 0; y < rows; ++y) {
    write_row(y);
    if (page < page_ends.size() && rounded(m_matrix.y_pos(y + 1)) >= page_ends[page]) {
      // Pages that ended in this row (an empty page among them) close one table together.
      while (page < page_ends.size() && rounded(m_matrix.y_pos(y + 1)) >= page_ends[page]) ++page;
      line("</table>");
      open = false;
      if (y + 1 < rows) {
        write_table_start(int(page) + 1, true);
        open = true;
      }
    }
  }
  if (open) line("</table>");
  for (const std::string& l : m_settings.document_end) line(l);
  line("</body></html>");
}

}  // namespace orvena::exporting::html
