#include "export/docx_export.h"

#include <charconv>
#include <cmath>
#include <fstream>

#include "core/line_file.h"
#include "export/docx/package_parts.h"
#include "export/matrix/layout_matrix.h"
#include "export/object_cast.h"
#include "export/pending_file.h"
#include "export/zip/zip_writer.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {

namespace {

// The document goes to its entry in pieces of about this size.
constexpr size_t kFlushSize = 64 * 1024;

void append_int(std::string& out, long long value) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

DocxExport::DocxExport()
    : ExportFilter({.extension = ".docx",
                    .description = "Microsoft Word 2007 XML",
                    .dialog_filter = "Microsoft Word 2007 XML (*.docx)|*.docx"}) {}

DocxExport::~DocxExport() = default;

bool DocxExport::start() {
  std::filesystem::path path = target();
  if (path.empty() && !stream) return false;
  close();
  // The document part is hundreds of times its text; the fastest level keeps most of the saving.
  zip::WriterOptions zip_options{.modified = creation_time, .level = 1, .file_name = path};
  if (stream) {
    m_zip = std::make_unique<zip::ZipWriter>(*stream, zip_options);
  } else {
    m_file = std::make_unique<PendingFile>(path);
    m_zip = std::make_unique<zip::ZipWriter>(m_file->stream(), zip_options);
  }
  // The walk calls finish() only after a start that returned: a write failing here (a full
  // disk) drops the partial file itself.
  try {
    m_zip->add("[Content_Types].xml", docx::content_types_part());
    m_zip->add("_rels/.rels", docx::package_relationships_part());
    m_zip->add("docProps/app.xml", docx::app_properties_part());
    m_zip->add("docProps/core.xml", docx::core_properties_part());
    m_zip->add("word/styles.xml", docx::styles_part());
    m_zip->add("word/settings.xml", docx::settings_part());
    m_zip->add("word/fontTable.xml", docx::font_table_part());
    m_document = &m_zip->begin_entry("word/document.xml");
  } catch (...) {
    close();
    throw;
  }
  m_xml.clear();
  docx::append_document_start(m_xml);
  m_relationships = docx::document_relationships_head();
  m_next_picture = 1;
  m_media_count = 0;
  m_media_by_hash.clear();
  m_last_page.reset();
  m_link_count = 0;
  return true;
}

void DocxExport::start_page(report::ReportPage& page, int index) {
  m_matrix = std::make_unique<LayoutMatrix>(MatrixPreset::Docx);
  m_matrix->anchors = prepared;
  LayoutMatrix& m = *m_matrix;
  m.printable = export_not_printable;
  m.add_page(page, index);
  m_page_number = index + 1;
  m_bookmark_pending = true;
  if (m_last_page) docx::append_section_break(m_xml, *m_last_page);
}

void DocxExport::export_object(report::Component& object) {
  auto* view = object_cast<report::View>(&object);
  if (!view || !m_matrix) return;
  if (view->name() == kPageBackgroundName) return;
  if (!export_not_printable && !view->printable()) return;
  m_matrix->add_object(*view);
}

void DocxExport::finish_page(report::ReportPage& page, int) {
  if (!m_matrix) return;
  m_last_page = docx::page_setup(page.paper_width(), page.paper_height(), page.left_margin, page.top_margin,
                                 page.right_margin, page.bottom_margin);
  if (std::uncaught_exceptions() == 0) {
    m_matrix->prepare();
    write_table();
  }
  m_matrix.reset();
}

void DocxExport::write_table() {
  LayoutMatrix& m = *m_matrix;
  // A page with nothing on it has no grid; a table needs at least one cell.
  if (m.width() < 2 || m.height() < 2) return;
  m_column_twips.clear();
  for (int x = 0; x + 1 < m.width(); ++x)
    m_column_twips.push_back(docx::column_twips(m.x_pos(x + 1) - m.x_pos(x)));
  for (int i = 0; i < m.objects_count(); ++i) m.object(i)->counter = 0;
  m_style_xml.clear();
  docx::append_table_start(m_xml, m_column_twips);
  for (int y = 0; y + 1 < m.height(); ++y) write_row(y);
  m_xml += "</w:tbl>";
  flush();
}

void DocxExport::write_row(int y) {
  LayoutMatrix& m = *m_matrix;
  docx::append_row_start(m_xml, m.y_pos(y + 1) - m.y_pos(y));
  int columns = m.width() - 1;
  for (int x = 0; x < columns;) {
    // One table cell over the following columns that hold the same object, or are empty too.
    int index = m.cell(x, y), end = x + 1;
    while (end < columns && m.cell(end, y) == index) ++end;
    write_cell(x, end, y, index);
    x = end;
  }
  m_xml += "</w:tr>";
  flush();
}

void DocxExport::write_cell(int x, int end, int y, int index) {
  LayoutMatrix& m = *m_matrix;
  MatrixObject* object = index >= 0 ? m.object(index) : nullptr;
  const MatrixStyle* style = object && object->style >= 0 ? m.style(object->style) : nullptr;
  int width = 0;
  for (int i = x; i < end; ++i) width += m_column_twips[size_t(i)];

  m_xml += "<w:tc><w:tcPr><w:tcW w:w=\"";
  append_int(m_xml, width);
  m_xml += "\" w:type=\"dxa\"/>";
  if (end - x > 1) {
    m_xml += "<w:gridSpan w:val=\"";
    append_int(m_xml, end - x);
    m_xml += "\"/>";
  }
  if (object) {
    CellSpan span = m.object_position(index);
    if (span.dy > 1) m_xml += span.y == y ? "<w:vMerge w:val=\"restart\"/>" : "<w:vMerge/>";
  }
  if (object) m_xml += style_xml(object->style).look;
  m_xml += "</w:tcPr>";

  report::text::LayoutFont plain;
  const report::text::LayoutFont* font = object ? (style ? &style->font : &plain) : nullptr;
  bool picture = object && object->counter == 0 && !object->is_text && !object->picture.empty();
  if (object && !picture)
    m_xml += style_xml(object->style).paragraph;
  else
    docx::append_paragraph_start(m_xml, font, style ? style->halign : report::HAlign::Left,
                                 picture ? docx::ParagraphContent::Picture : docx::ParagraphContent::Text);
  if (m_bookmark_pending) {
    // Links to a page or an anchor go to the page's first cell (ISO/IEC 29500-1 17.13.6.2).
    m_bookmark_pending = false;
    std::string id = std::to_string(m_page_number);
    m_xml += "<w:bookmarkStart w:id=\"" + id + "\" w:name=\"" + docx::page_bookmark(m_page_number) +
             "\"/><w:bookmarkEnd w:id=\"" + id + "\"/>";
  }
  if (object && object->counter == 0) {
    object->counter = 1;
    std::string link = picture ? std::string() : hyperlink_start(object->url);
    m_xml += link;
    if (picture) {
      int number = m_next_picture;
      std::string id = add_picture(*object);
      // Inside the cell's margins and below the paragraph's space before.
      docx::append_picture_run(m_xml, *font,
                               {.relationship_id = id,
                                .cx = docx::picture_extent(docx::column_twips(object->width) - 45),
                                .cy = docx::picture_extent(docx::row_twips(object->height) - 29),
                                .id = number});
    } else {
      docx::append_text_runs(m_xml, style_xml(object->style).run, object->lines);
    }
    if (!link.empty()) m_xml += "</w:hyperlink>";
  }
  m_xml += "</w:p></w:tc>";
}

// "@N" is page N of the report, anything else a link out of the document with a relationship
// of its own; an anchor the matrix could not resolve ("#name") links nowhere.
std::string DocxExport::hyperlink_start(const std::string& url) {
  if (url.empty() || url.front() == '#') return {};
  if (url.front() == '@') {
    int page = 0;
    auto [end, ec] = std::from_chars(url.data() + 1, url.data() + url.size(), page);
    if (ec != std::errc() || end != url.data() + url.size() || page < 1) return {};
    return "<w:hyperlink w:anchor=\"" + docx::page_bookmark(page) + "\" w:history=\"1\">";
  }
  std::string id = docx::hyperlink_relationship_id(++m_link_count);
  m_relationships += docx::document_hyperlink_relationship(id, url);
  return "<w:hyperlink r:id=\"" + id + "\" w:history=\"1\">";
}

const DocxExport::StyleXml& DocxExport::style_xml(int style_index) {
  const MatrixStyle* style = m_matrix->style(style_index);
  size_t slot = style ? size_t(style_index) + 1 : 0;
  if (slot >= m_style_xml.size()) m_style_xml.resize(slot + 1);
  StyleXml& x = m_style_xml[slot];
  if (x.made) return x;
  x.made = true;
  if (style) {
    constexpr std::pair<std::string_view, MatrixSide> kSides[] = {{"<w:top", kMatrixTop},
                                                                  {"<w:left", kMatrixLeft},
                                                                  {"<w:bottom", kMatrixBottom},
                                                                  {"<w:right", kMatrixRight}};
    x.look += "<w:tcBorders>";
    for (auto [open, side] : kSides) {
      x.look += open;
      if (const MatrixFrameLine* line = style->line_on(side)) {
        x.look += " w:val=\"";
        x.look += docx::border_name(line->style);
        x.look += "\" w:sz=\"4\" w:space=\"0\" w:color=\"";
        docx::append_hex_colour(x.look, line->color);
        x.look += "\"/>";
      } else {
        x.look += " w:val=\"nil\"/>";
      }
    }
    x.look += "</w:tcBorders>";
  }
  // A transparent cell shows the page: no fill of its own.
  x.look += "<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"";
  if (style && style->fill)
    docx::append_hex_colour(x.look, *style->fill);
  else
    x.look += "auto";
  x.look += "\"/><w:vAlign w:val=\"";
  x.look += docx::vertical_alignment_name(style ? style->valign : report::VAlign::Top);
  x.look += "\"/>";
  if (style && style->rotation != 0) {
    x.look += "<w:textDirection w:val=\"";
    x.look += docx::text_direction_name(style->rotation);
    x.look += "\" />";
  }
  report::text::LayoutFont plain;
  docx::append_paragraph_start(x.paragraph, style ? &style->font : &plain,
                               style ? style->halign : report::HAlign::Left, docx::ParagraphContent::Text);
  docx::append_run_properties(x.run, style ? style->font : plain, style ? style->char_spacing : 0);
  return x;
}

std::filesystem::path DocxExport::media_file(int number) const {
  return m_media->path() / ("image" + std::to_string(number) + ".png");
}

std::string DocxExport::add_picture(const MatrixObject& object) {
  ++m_next_picture;
  std::string png = object.picture.png();
  size_t hash = std::hash<std::string_view>{}(png);
  auto [first, last] = m_media_by_hash.equal_range(hash);
  for (auto it = first; it != last; ++it)
    if (core::read_file(media_file(it->second)) == png) return docx::picture_relationship_id(it->second);
  int number = ++m_media_count;
  if (!m_media) m_media = std::make_unique<core::TempDir>();
  core::write_file_atomic(media_file(number), png);
  m_media_by_hash.emplace(hash, number);
  m_relationships += docx::document_picture_relationship(number);
  return docx::picture_relationship_id(number);
}

void DocxExport::flush(bool always) {
  if (m_document && (always || m_xml.size() >= kFlushSize)) {
    m_document->write(m_xml);
    m_xml.clear();
  }
}

void DocxExport::finish() {
  m_matrix.reset();
  // After a failure the package is dropped, and with it the partly written file.
  // A write that fails here (a full disk) drops it at once too, not when the filter goes.
  if (m_zip && std::uncaught_exceptions() == 0) {
    try {
      docx::append_document_end(m_xml, m_last_page.value_or(docx::page_setup(210, 297, 10, 10, 10, 10)));
      flush(true);
      m_zip->end_entry();
      m_relationships += docx::document_relationships_tail();
      m_zip->add("word/_rels/document.xml.rels", m_relationships);
      for (int n = 1; n <= m_media_count; ++n) m_zip->add_file(docx::picture_part_name(n), media_file(n));
      m_zip->finish();
      m_zip.reset();
      if (m_file) m_file->commit();
    } catch (...) {
      close();
      throw;
    }
  }
  close();
}

void DocxExport::close() {
  m_document = nullptr;
  m_zip.reset();
  m_file.reset();
  m_media.reset();
  m_xml.clear();
  m_relationships.clear();
}

}  // namespace orvena::exporting
