#include "export/html_export.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include <cairo.h>

#include "core/error.h"
#include "core/file_error.h"
#include "core/line_file.h"
#include "export/html/html_text.h"
#include "export/html/navigator.h"
#include "export/matrix/layout_matrix.h"
#include "export/object_cast.h"
#include "export/page_bitmap.h"
#include "export/pending_file.h"
#include "export/printed_view.h"
#include "report/canvas/cairo_canvas.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {

HtmlExportOptions HtmlExportOptions::runner() {
  HtmlExportOptions o;
  o.pictures = HtmlPictures::Embedded;
  o.empty_lines = true;
  o.document.fixed_width = true;
  o.document.centered = false;
  o.document.print = false;
  return o;
}

HtmlExport::HtmlExport()
    : ExportFilter({.extension = ".html",
                    .description = "HTML dokument",
                    .dialog_filter = "Dokument HTML (*.html)|*.html"}) {}

HtmlExport::~HtmlExport() = default;

void HtmlExport::new_matrix() {
  m_matrix = std::make_unique<LayoutMatrix>(MatrixPreset::Html);
  m_matrix->anchors = prepared;
  LayoutMatrix& m = *m_matrix;
  m.report = report;
  m.printable = export_not_printable;
  m.empty_lines = options.empty_lines;
}

bool HtmlExport::start() {
  close(Outcome::Written);
  m_target = target();
  if (m_target.empty() && !stream) return false;
  m_settings = options.document;
  if (stream) {
    // Everything goes into the one stream: no page files and no picture files beside it.
    options.multipage = false;
    options.navigator = false;
    if (options.pictures == HtmlPictures::Folder) options.export_pictures = false;
  }
  m_settings.file_per_page = options.multipage;
  m_picture = 0;
  m_pages = 0;
  m_background_png.clear();
  m_pictures = [this](const MatrixObject& o) { return picture_source(o); };
  files.clear();
  // A target that cannot be created fails the export before any page is laid out.
  if (!stream && (!options.multipage || options.navigator)) m_file = std::make_unique<PendingFile>(m_target);
  if (!options.multipage) {
    m_scratch = std::make_unique<core::TempDir>();
    std::filesystem::path body = m_scratch->path() / "body.html";
    m_body_file.open(body, std::ios::binary | std::ios::trunc);
    if (!m_body_file) throw core::file_error(core::FileAction::Create, body, std::strerror(errno));
    m_body = std::make_unique<html::HtmlDocumentWriter>(m_body_file, m_settings);
  }
  new_matrix();
  return true;
}

void HtmlExport::start_page(report::ReportPage& page, int index) {
  m_page = &page;
  m_background_png.clear();
  m_matrix->clear();
  m_matrix->add_page(page, index);
}

void HtmlExport::export_object(report::Component& object) {
  auto* view = object_cast<report::View>(&object);
  if (!view || !m_matrix) return;
  if (view->name() == kPageBackgroundName && options.background && options.export_pictures) {
    draw_background(*view);
    return;
  }
  if (!export_not_printable && !view->printable()) return;
  // Without pictures only text and lines are taken.
  if (!options.export_pictures && !object_cast<report::CustomMemoView>(view) &&
      !object_cast<report::CustomLineView>(view))
    return;
  m_matrix->add_object(*view);
}

std::filesystem::path HtmlExport::picture_folder() const {
  if (options.pics_in_same_folder) return m_target.parent_path();
  std::filesystem::path folder = m_target;
  folder.replace_extension(".files");
  return folder;
}

void HtmlExport::make_picture_folder() {
  std::filesystem::path folder = picture_folder();
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return;
  // One level only: the document's own folder must be there already, as for the document.
  if (!std::filesystem::create_directory(folder, ec) || ec)
    throw core::Error("Nie można utworzyć folderu \"" + folder.string() + "\". " + ec.message());
  m_made_folder = folder;
}

std::string HtmlExport::picture_source(const MatrixObject& picture) {
  std::string png = picture.picture.png();
  if (options.pictures == HtmlPictures::Embedded) return html::png_data_uri(png);
  make_picture_folder();
  std::string name = "img" + std::to_string(m_picture++) + ".png";
  std::filesystem::path file = beside_pictures(name);
  core::write_file_atomic(file, png);
  files.push_back(file);
  return link_from_pages(file);
}

std::filesystem::path HtmlExport::beside_pictures(const std::string& name) const {
  return picture_folder() / (options.pics_in_same_folder ? m_target.stem().string() + "." + name : name);
}

std::string HtmlExport::link_from_pages(const std::filesystem::path& file) const {
  if (options.abs_links) return std::filesystem::absolute(file).generic_string();
  // Relative to the page that shows it: the document, or a page file (or the navigator's
  // content) inside the folder.
  std::filesystem::path from =
      options.multipage || options.navigator ? picture_folder() : m_target.parent_path();
  return std::filesystem::relative(file, from.empty() ? "." : from).generic_string();
}

namespace {

cairo_status_t append_png_bytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void HtmlExport::draw_background(const report::View& view) {
  PrintedView v = resolve_view(view);
  auto* picture = object_cast<report::PictureView>(&view);
  bool has_picture = picture && !picture->picture.bytes.empty();
  if ((!v.fill && !has_picture && !v.has_frame()) || !m_page) return;  // nothing behind the page
  BitmapSize size = page_bitmap_size(*m_page, 1);
  report::canvas::CairoCanvas canvas(size.width, size.height);
  draw_view(canvas, v);
  m_background_png.clear();
  cairo_surface_flush(canvas.surface());
  if (cairo_surface_write_to_png_stream(canvas.surface(), append_png_bytes, &m_background_png) !=
      CAIRO_STATUS_SUCCESS)
    m_background_png.clear();
}

std::string HtmlExport::background_source(int page_index) {
  if (m_background_png.empty()) return {};
  if (options.pictures == HtmlPictures::Embedded) return html::png_data_uri(m_background_png);
  make_picture_folder();
  // One file per page: each page its own, so that a later page does not change an earlier one.
  std::filesystem::path file = beside_pictures(
      options.multipage ? "backgrnd" + std::to_string(page_index + 1) + ".png" : std::string("backgrnd.png"));
  core::write_file_atomic(file, m_background_png);
  files.push_back(file);
  return link_from_pages(file);
}

std::string HtmlExport::title() const {
  if (!report) return {};
  if (!report->report_options.name.empty()) return report->report_options.name;
  return report->file_name().stem().string();
}

void HtmlExport::write_page_file(int index) {
  make_picture_folder();
  std::filesystem::path file = beside_pictures(std::to_string(index + 1) + ".html");
  m_settings.background = background_source(index);
  PendingFile out(file);
  html::HtmlDocumentWriter writer(out.stream(), m_settings);
  std::vector<MatrixStyle> styles;
  for (int i = 0; i < m_matrix->styles_count(); ++i) styles.push_back(*m_matrix->style(i));
  writer.write_head(title(), styles);
  writer.write_page(*m_matrix, {}, index + 1, html::HtmlDocumentWriter::PageStart::SamePrintedPage,
                    m_pictures);
  writer.write_end();
  out.commit();
  files.push_back(file);
}

void HtmlExport::finish_page(report::ReportPage&, int index) {
  if (!m_matrix || std::uncaught_exceptions() > 0) return;
  m_matrix->prepare();
  if (options.multipage) {
    write_page_file(index);
  } else {
    std::vector<int> classes = m_styles.classes_of(*m_matrix);
    m_body->write_page(*m_matrix, classes, index + 1,
                       m_pages == 0 ? html::HtmlDocumentWriter::PageStart::SamePrintedPage
                                    : html::HtmlDocumentWriter::PageStart::NewPrintedPage,
                       m_pictures);
  }
  ++m_pages;
  m_matrix->clear();
}

void HtmlExport::write_document(std::ostream& out) {
  html::HtmlDocumentWriter writer(out, m_settings);
  writer.write_head(title(), m_styles.styles());
  writer.flush();
  std::ifstream body(m_scratch->path() / "body.html", std::ios::binary);
  out << body.rdbuf();
  writer.write_end();
  if (!body || !out) throw core::file_error(core::FileAction::Write, m_target, std::strerror(errno));
}

void HtmlExport::write_navigator() {
  make_picture_folder();
  std::filesystem::path bar = beside_pictures("nav.html");
  html::NavigatorTarget target;
  target.per_page = options.multipage;
  std::filesystem::path first = beside_pictures(options.multipage ? "1.html" : "main.html");
  target.file = options.multipage ? (options.pics_in_same_folder ? m_target.stem().string() + "." : "")
                                  : first.filename().string();
  PendingFile out(bar);
  out.stream() << html::navigator_page(title(), std::max(m_pages, 1), target);
  out.commit();
  files.push_back(bar);

  std::filesystem::path from = m_target.parent_path().empty() ? "." : m_target.parent_path();
  m_file->stream() << html::frameset_document(title(), std::filesystem::relative(bar, from).generic_string(),
                                              std::filesystem::relative(first, from).generic_string());
  m_file->commit();
  files.push_back(m_target);
}

void HtmlExport::finish() {
  // After a failure nothing is written, and what was written for the pages goes: a partial report
  // is not delivered.
  if (std::uncaught_exceptions() > 0) {
    close(Outcome::Failed);
    return;
  }
  try {
    if (m_body) {
      // A report without pages still gets its one (empty) table.
      if (m_pages == 0) {
        m_matrix->clear();
        m_matrix->prepare();
        m_body->write_page(*m_matrix, {}, 1, html::HtmlDocumentWriter::PageStart::SamePrintedPage,
                           m_pictures);
      }
      m_body->flush();
      m_body_file.close();
      if (!m_body_file) throw core::file_error(core::FileAction::Write, m_target, std::strerror(errno));
      m_settings.background = background_source(m_pages - 1);
      if (options.navigator) {
        // The report is the navigator's content; the document is the frameset.
        make_picture_folder();
        std::filesystem::path main = beside_pictures("main.html");
        PendingFile out(main);
        write_document(out.stream());
        out.commit();
        files.push_back(main);
      } else if (m_file) {
        write_document(m_file->stream());
      } else {
        write_document(*stream);
      }
    }
    if (options.navigator && m_file) {
      write_navigator();
    } else if (m_file && !options.multipage) {
      m_file->commit();
      files.push_back(m_target);
    }
  } catch (...) {
    close(Outcome::Failed);
    throw;
  }
  close(Outcome::Written);
}

void HtmlExport::close(Outcome outcome) {
  m_matrix.reset();
  m_body.reset();
  if (m_body_file.is_open()) m_body_file.close();
  m_body_file.clear();
  m_scratch.reset();
  m_file.reset();  // not committed: removed
  m_styles.clear();
  if (outcome == Outcome::Failed) {
    std::error_code ec;
    for (const std::filesystem::path& f : files) std::filesystem::remove(f, ec);
    files.clear();
    if (!m_made_folder.empty()) std::filesystem::remove(m_made_folder, ec);  // only when empty
  }
  m_made_folder.clear();
}

}  // namespace orvena::exporting
