#include "export/html_export.h"

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
  files.clear();
  new_matrix();
  return true;
}

void HtmlExport::start_page(report::ReportPage& page, int index) {
  if (options.multipage) m_matrix->clear();
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

std::string HtmlExport::picture_source(const MatrixObject& picture) {
  std::string png = picture.picture.png();
  if (options.pictures == HtmlPictures::Embedded) return html::png_data_uri(png);
  std::string name = "img" + std::to_string(m_picture++) + ".png";
  if (options.pics_in_same_folder) name = m_target.stem().string() + "." + name;
  std::filesystem::path folder = picture_folder();
  std::filesystem::create_directories(folder);
  std::filesystem::path file = folder / name;
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

void HtmlExport::write(std::ostream& out, html::HtmlDocumentWriter::Pages pages) {
  html::HtmlDocumentWriter writer(out, *m_matrix, m_settings,
                                  [this](const MatrixObject& o) { return picture_source(o); });
  writer.write_document(title(), pages);
}

void HtmlExport::finish_page(report::ReportPage& page, int index) {
  if (!options.multipage || !m_matrix || std::uncaught_exceptions() > 0) return;
  m_matrix->prepare();
  std::filesystem::path folder = picture_folder();
  std::filesystem::create_directories(folder);
  std::filesystem::path file =
      options.pics_in_same_folder
          ? folder / (m_target.stem().string() + "." + std::to_string(index + 1) + ".html")
          : folder / (std::to_string(index + 1) + ".html");
  PendingFile out(file);
  write(out.stream(), html::HtmlDocumentWriter::Pages::One);
  out.commit();
  files.push_back(file);
}

void HtmlExport::finish() {
  // After a failure nothing is written: a partial report is not delivered.
  if (!options.multipage && m_matrix && std::uncaught_exceptions() == 0) {
    m_matrix->prepare();
    if (stream) {
      write(*stream, html::HtmlDocumentWriter::Pages::Stacked);
    } else {
      PendingFile out(m_target);
      write(out.stream(), html::HtmlDocumentWriter::Pages::Stacked);
      out.commit();
      files.push_back(m_target);
    }
  }
  m_matrix.reset();
}

}  // namespace orvena::exporting
