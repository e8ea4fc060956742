#pragma once
// The HTML export filter: the prepared pages laid on the layout matrix and written as one HTML
// document with a table per page (or one file per page), pictures as PNG files in a folder beside
// the document or, for a document that travels alone, inside it as data: URIs.
//
//   HtmlExport html(ExportFilter::kNoRegister);
//   html.options = HtmlExportOptions::runner();     // what the unattended run uses
//   html.file_name = "/home/r/Tymczasowe/raport.html";
//   export_report(report, pages, html);             // html.files: what was written
#include <memory>
#include <string>
#include <vector>

#include "export/filter.h"
#include "export/html/html_document.h"

namespace orvena::exporting {

class LayoutMatrix;

enum class HtmlPictures : uint8_t {
  Folder,   // "<document>.files/img<n>.png", or beside the document with pics_in_same_folder
  Embedded  // data: URIs: the document is the one file to deliver
};

struct HtmlExportOptions {
  bool export_pictures = true;
  HtmlPictures pictures = HtmlPictures::Folder;
  bool pics_in_same_folder = false;
  bool abs_links = false;  // picture paths absolute
  bool multipage = false;  // one file per page: "<document>.files/<n>.html"
  bool empty_lines = true;
  html::DocumentSettings document;

  // What the unattended run uses: its one file carries the pictures.
  static HtmlExportOptions runner();
};

class HtmlExport : public ExportFilter {
 public:
  HtmlExport();
  explicit HtmlExport(NoRegister);
  ~HtmlExport() override;

  std::string description() const override { return "HTML dokument"; }
  bool start() override;
  void start_page(report::ReportPage& page, int index) override;
  void export_object(report::Component& object) override;
  void finish_page(report::ReportPage& page, int index) override;
  void finish() override;

  HtmlExportOptions options;

 private:
  void new_matrix();
  std::string title() const;
  std::string picture_source(const MatrixObject& picture);
  std::filesystem::path picture_folder() const;
  void write(std::ostream& out, html::HtmlDocumentWriter::Pages pages);

  std::unique_ptr<LayoutMatrix> m_matrix;
  std::filesystem::path m_target;
  html::DocumentSettings m_settings;
  int m_picture = 0;
};

}  // namespace orvena::exporting
