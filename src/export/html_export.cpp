#include "export/html_export.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/error.h"
#include "core/line_file.h"
#include "export/html/html_text.h"
#include "export/matrix/layout_matrix.h"
#include "export/pending_file.h"
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

HtmlExport::HtmlExport() {
  default_ext = ".html";
  filter_desc = "Dokument HTML (*.html)|*.html";
}

HtmlExport::HtmlExport(NoRegister) : ExportFilter(kNoRegister) {
  default_ext = ".html";
  filter_desc = "Dokument HTML (*.html)|*.html";
}

HtmlExport::~HtmlExport() = default;

void HtmlExport::new_matrix() {
  m_matrix = std::make_unique<LayoutMatrix>();
  LayoutMatrix& m = *m_matrix;
  m.report = report;
  m.inaccuracy = 0.5;
  m.rotated_as_image = true;
  m.frames_optimization = true;
  m.background = false;
  m.background_image = false;
  m.printable = export_not_printable;
  m.rich_text = true;
  m.plain_rich = true;
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
    if (options.pictures == HtmlPictures::Folder) options.export_pictures = false;
  }
  m_settings.file_per_page = options.multipage;
  m_picture = 0;
  m_pages = 0;
  m_pictures = [this](const MatrixObject& o) { return picture_source(o); };
  files.clear();
  if (!options.multipage) {
    // A target that cannot be created fails the export before any page is laid out.
    if (!stream) m_file = std::make_unique<PendingFile>(m_target);
    m_scratch = std::make_unique<core::TempDir>();
    std::filesystem::path body = m_scratch->path() / "body.html";
    m_body_file.open(body, std::ios::binary | std::ios::trunc);
    if (!m_body_file)
      throw core::Error("Cannot create file \"" + body.string() + "\". " + std::strerror(errno));
    m_body = std::make_unique<html::HtmlDocumentWriter>(m_body_file, m_settings);
  }
  new_matrix();
  return true;
}

void HtmlExport::start_page(report::ReportPage& page, int index) {
  m_matrix->clear();
  m_matrix->add_page(page, index);
}

void HtmlExport::export_object(report::Component& object) {
  auto* view = dynamic_cast<report::View*>(&object);
  if (!view || !m_matrix) return;
  if (!export_not_printable && !view->printable()) return;
  bool text_or_line =
      dynamic_cast<report::CustomMemoView*>(view) || dynamic_cast<report::CustomLineView*>(view);
  if (!text_or_line && !options.export_pictures) return;
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
    throw core::Error("Cannot create folder \"" + folder.string() + "\". " + ec.message());
  m_made_folder = folder;
}

std::string HtmlExport::picture_source(const MatrixObject& picture) {
  std::string png = picture.picture.png();
  if (options.pictures == HtmlPictures::Embedded) return html::png_data_uri(png);
  std::string name = "img" + std::to_string(m_picture++) + ".png";
  if (options.pics_in_same_folder) name = m_target.stem().string() + "." + name;
  make_picture_folder();
  std::filesystem::path file = picture_folder() / name;
  core::write_file_atomic(file, png);
  files.push_back(file);
  if (options.abs_links) return std::filesystem::absolute(file).generic_string();
  // Relative to the page that shows it: the document, or a page file inside the folder.
  std::filesystem::path from = options.multipage ? picture_folder() : m_target.parent_path();
  return std::filesystem::relative(file, from.empty() ? "." : from).generic_string();
}

std::string HtmlExport::title() const {
  if (!report) return {};
  if (!report->report_options.name.empty()) return report->report_options.name;
  return report->file_name().stem().string();
}

void HtmlExport::write_page_file(int index) {
  make_picture_folder();
  std::filesystem::path folder = picture_folder();
  std::filesystem::path file =
      options.pics_in_same_folder
          ? folder / (m_target.stem().string() + "." + std::to_string(index + 1) + ".html")
          : folder / (std::to_string(index + 1) + ".html");
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
  if (!body || !out)
    throw core::Error("Cannot write file \"" + m_target.string() + "\". " + std::strerror(errno));
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
      if (!m_body_file)
        throw core::Error("Cannot write file \"" + m_target.string() + "\". " + std::strerror(errno));
      if (m_file) {
        write_document(m_file->stream());
        m_file->commit();
        files.push_back(m_target);
      } else {
        write_document(*stream);
      }
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
