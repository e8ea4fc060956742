#pragma once
// The HTML export filter: each prepared page laid on its own layout matrix and written as a table
// of one HTML document (or as a file of its own), pictures as PNG files in a folder beside the
// document or, for a document that travels alone, inside it as data: URIs.
//
// Pages are written as they come, so memory does not grow with the report: the tables go to a
// scratch file while the style table grows, and at the end the head with every style is written
// to the target followed by that file.
//
//   HtmlExport html;
//   html.options = HtmlExportOptions::runner();     // what the unattended run uses
//   html.file_name = "/home/r/Tymczasowe/raport.html";
//   export_report(report, pages, html);             // html.files: what was written
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "export/filter.h"
#include "export/html/html_document.h"

namespace orvena::exporting {

class LayoutMatrix;
class PendingFile;

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
  // The document becomes a frameset of a page navigator bar ("<document>.files/nav.html") and the
  // report ("<document>.files/main.html", or the page files).
  bool navigator = false;
  // The page background (its colour, frame and picture) as the body's background picture,
  // "backgrnd.png" beside the other pictures.
  bool background = false;
  bool empty_lines = true;
  html::DocumentSettings document;

  // What the unattended run uses: its one file carries the pictures.
  static HtmlExportOptions runner();
};

class HtmlExport : public ExportFilter {
 public:
  HtmlExport();
  ~HtmlExport() override;

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
  void make_picture_folder();
  std::filesystem::path beside_pictures(const std::string& name) const;
  std::string link_from_pages(const std::filesystem::path& file) const;
  void draw_background(const report::View& view);
  std::string background_source(int page_index);
  void write_page_file(int index);
  void write_navigator();
  void write_document(std::ostream& out);
  enum class Outcome { Written, Failed };
  // Frees the export's state; after a failure also removes the files written for it.
  void close(Outcome outcome);

  std::unique_ptr<LayoutMatrix> m_matrix;
  std::filesystem::path m_target;
  std::filesystem::path m_made_folder;  // the picture folder, when this export made it
  html::DocumentSettings m_settings;
  html::PictureSource m_pictures;
  int m_picture = 0;
  int m_pages = 0;
  report::ReportPage* m_page = nullptr;  // the page being exported
  std::string m_background_png;          // the current page's background, empty for none
  // One document: the tables written so far, and the styles they use.
  std::unique_ptr<PendingFile> m_file;
  std::unique_ptr<core::TempDir> m_scratch;
  std::ofstream m_body_file;
  std::unique_ptr<html::HtmlDocumentWriter> m_body;
  html::StyleTable m_styles;
};

}  // namespace orvena::exporting
