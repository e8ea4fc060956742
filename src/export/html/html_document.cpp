#include "export/html/html_document.h"

#include <charconv>
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
  if (style.char_spacing != 0) {
    char spacing[32];
    std::snprintf(spacing, sizeof spacing, " letter-spacing: %.2fpx;", style.char_spacing);
    r += spacing;
  }
  if (style.paragraph_gap > 0) r += "  text-indent: " + std::to_string(rounded(style.paragraph_gap)) + "px;";
  if (style.frame_sides != 0) {
    constexpr std::pair<const char*, MatrixSide> kSides[] = {
        {"left", kMatrixLeft}, {"right", kMatrixRight}, {"top", kMatrixTop}, {"bottom", kMatrixBottom}};
    for (auto [name, side] : kSides) {
      std::string prefix = std::string(" border-") + name + "-";
      const MatrixFrameLine* line = style.line_on(side);
      if (!line) {
        r += prefix + "width: 0px;";
        continue;
      }
      bool double_line = line->style == report::FrameStyle::Double;
      r += prefix + "color:" + hex_colour(line->color) + ";";
      r += prefix + "style: " + std::string(border_style(line->style)) + ";";
      r += prefix + "width: " + std::to_string(rounded(line->width * (double_line ? 3 : 1.2))) + "px;";
    }
  }
  static constexpr const char* kHAlign[] = {"Left", "Right", "Center", "Justify"};
  static constexpr const char* kVAlign[] = {"Top", "Bottom", "Middle"};
  r += std::string(" text-align: ") + kHAlign[int(style.halign)] +
       "; vertical-align: " + kVAlign[int(style.valign)] + ";\r\n}";
  return r;
}

std::vector<int> StyleTable::classes_of(const LayoutMatrix& matrix) {
  std::vector<int> classes(size_t(matrix.styles_count()));
  for (int i = 0; i < matrix.styles_count(); ++i) {
    const MatrixStyle& style = *matrix.style(i);
    auto [it, added] = m_index.try_emplace(style, int(m_styles.size()));
    if (added) m_styles.push_back(style);
    classes[size_t(i)] = it->second;
  }
  return classes;
}

void StyleTable::clear() {
  m_styles.clear();
  m_index.clear();
}

namespace {

// The document goes to the stream in pieces of about this size.
constexpr size_t kFlushSize = 64 * 1024;

void append_int(std::string& out, long long value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

}  // namespace

HtmlDocumentWriter::HtmlDocumentWriter(std::ostream& out, const DocumentSettings& settings)
    : m_out(out), m_settings(settings) {
  m_buffer.reserve(kFlushSize + 4096);
}

HtmlDocumentWriter::~HtmlDocumentWriter() = default;

void HtmlDocumentWriter::line_end() {
  m_buffer += "\r\n";
}

void HtmlDocumentWriter::flush() {
  m_out.write(m_buffer.data(), std::streamsize(m_buffer.size()));
  m_buffer.clear();
}

void HtmlDocumentWriter::flush_if_large() {
  if (m_buffer.size() >= kFlushSize) flush();
}

void HtmlDocumentWriter::write_head(std::string_view title, std::span<const MatrixStyle> styles) {
  auto line = [this](std::string_view text) {
    m_buffer += text;
    line_end();
  };
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
    for (size_t i = 0; i < styles.size(); ++i) {
      line(style_rule(int(i), styles[i]));
      flush_if_large();
    }
    line("--></style>");
  }
  line("</head>");
  std::string body = "<body";
  if (!m_settings.background.empty()) body += " background=\"" + xml::escape(m_settings.background) + "\"";
  line(body + " bgcolor=\"#FFFFFF\" text=\"#000000\">");
  for (const std::string& l : m_settings.document_body) line(l);
  flush_if_large();
}

void HtmlDocumentWriter::write_table_start(const LayoutMatrix& matrix, int page_number, bool page_break) {
  m_buffer += "<a name=\"PageN";
  append_int(m_buffer, page_number);
  m_buffer += "\"></a><table";
  if (matrix.width() > 0 && m_settings.fixed_width) {
    m_buffer += " width=\"";
    append_int(m_buffer, rounded(matrix.max_width() - matrix.min_left()));
    m_buffer += "\"";
  }
  if (m_settings.centered) m_buffer += " align=\"center\"";
  m_buffer += " border=\"0\" cellspacing=\"0\" cellpadding=\"0\"";
  m_buffer += page_break ? " class=\"page_break\">" : ">";
  line_end();
  // The sizing row: the one place every column has its own cell, and so its width.
  m_buffer += "<tr style=\"height: 1px\">";
  if (matrix.width() < 2) m_buffer += "<td/>";
  for (int x = 0; x + 1 < matrix.width(); ++x) {
    m_buffer += "<td width=\"";
    append_int(m_buffer, rounded(matrix.x_pos(x + 1) - matrix.x_pos(x)));
    m_buffer += "\"/>";
  }
  m_buffer += "</tr>";
  line_end();
}

void HtmlDocumentWriter::write_cell(const LayoutMatrix& matrix, int x, int y, int index) {
  if (index < 0) {
    m_buffer += "<td/>";
    return;
  }
  CellSpan span = matrix.object_position(index);
  if (span.x != x || span.y != y) return;  // covered by the object's first cell
  const MatrixObject& o = *matrix.object(index);
  bool picture = !o.is_text && !o.picture.empty();
  m_buffer += "<td";
  if (span.dx > 1) {
    m_buffer += " colspan=\"";
    append_int(m_buffer, span.dx);
    m_buffer += "\"";
  }
  if (span.dy > 1) {
    m_buffer += " rowspan=\"";
    append_int(m_buffer, span.dy);
    m_buffer += "\"";
  }
  if (m_settings.export_styles && o.style >= 0) {
    m_buffer += " class=\"s";
    append_int(m_buffer, size_t(o.style) < m_classes.size() ? m_classes[size_t(o.style)] : o.style);
    m_buffer += "\"";
  }
  if (!picture && blank_text(o.lines)) m_buffer += " style=\"font-size:1px\"";
  m_buffer += ">";
  std::string href = o.url.empty() ? std::string() : link_target(o.url, m_settings.file_per_page);
  if (!href.empty()) m_buffer += link_start(href, m_settings.url_target);
  if (picture) {
    m_buffer += "<img src=\"";
    xml::append_escaped(m_buffer, (*m_pictures)(o));
    m_buffer += "\" width=\"";
    append_int(m_buffer, o.picture.width);
    m_buffer += "\" height=\"";
    append_int(m_buffer, o.picture.height);
    m_buffer += "\" alt=\"\">";
  } else {
    append_cell_text(m_buffer, o.lines,
                     o.html_tags ? report::text::Tags::Interpret : report::text::Tags::AsText);
  }
  if (!href.empty()) m_buffer += "</a>";
  m_buffer += "</td>";
}

void HtmlDocumentWriter::write_row(const LayoutMatrix& matrix, int y) {
  long height = rounded((matrix.y_pos(y + 1) - matrix.y_pos(y)) / 1.03);
  m_buffer += "<tr style=\"height:";
  append_int(m_buffer, height == 0 ? 1 : height);
  m_buffer += "px\">";
  line_end();
  for (int x = 0; x + 1 < matrix.width(); ++x) write_cell(matrix, x, y, matrix.cell(x, y));
  line_end();
  m_buffer += "</tr>";
  line_end();
  flush_if_large();
}

void HtmlDocumentWriter::write_page(const LayoutMatrix& matrix, std::span<const int> classes, int page_number,
                                    PageStart start, const PictureSource& pictures) {
  m_classes = classes;
  m_pictures = &pictures;
  write_table_start(matrix, page_number, start == PageStart::NewPrintedPage);
  for (int y = 0; y + 1 < matrix.height(); ++y) write_row(matrix, y);
  m_buffer += "</table>";
  line_end();
  flush_if_large();
  m_classes = {};
  m_pictures = nullptr;
}

void HtmlDocumentWriter::write_end() {
  for (const std::string& l : m_settings.document_end) {
    m_buffer += l;
    line_end();
  }
  m_buffer += "</body></html>";
  line_end();
  flush();
}

}  // namespace orvena::exporting::html
