#pragma once
// Export filters: the base every output format derives from, the registry of the writers an
// operator is offered (the preview's export menu is built from it) and the export walk over the
// prepared pages.
//
//   PdfExport pdf;
//   pdf.show_dialog = false;
//   pdf.file_name = "/home/r/Tymczasowe/raport.pdf";
//   bool ok = export_report(report, pages, pdf);
//
// The walk calls start(); for each exported page start_page(), export_object() once per object
// (the page background first, then each band followed by its children) and finish_page(); then
// finish(). finish_page() and finish() also run when an exception leaves the walk.
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "report/component.h"
#include "report/pages.h"

namespace orvena::report {
class PreparedPages;
class Report;
class CustomMemoView;
}  // namespace orvena::report

namespace orvena::exporting {

// Thrown by the walk when the report's `terminated` flag is set: the export ends quietly.
class ExportTerminated : public std::exception {
 public:
  const char* what() const noexcept override { return "export terminated"; }
};

inline constexpr std::string_view kPageBackgroundName = "_pagebackground";
inline constexpr double kPixelsPerMillimetre = 3.77953;

// What a filter is: the extension it writes, the name it is offered under and the save
// dialog's filter text.
struct FilterKind {
  std::string_view extension;      // with the dot: ".pdf"
  std::string_view description;    // "PDF dokument"
  std::string_view dialog_filter;  // "Dokument Adobe PDF (*.pdf)|*.pdf"
};

class ExportFilter {
 public:
  explicit ExportFilter(const FilterKind& kind);
  virtual ~ExportFilter();
  ExportFilter(const ExportFilter&) = delete;
  ExportFilter& operator=(const ExportFilter&) = delete;

  // The name the format is offered under.
  const std::string& description() const { return m_description; }
  // The options dialog; 1 is OK.
  virtual int show_modal() { return 1; }
  // Opens the output. False: nothing is written and finish() is not called.
  virtual bool start() { return true; }
  virtual void start_page(report::ReportPage& page, int index) {}
  virtual void export_object(report::Component& object) = 0;
  virtual void finish_page(report::ReportPage& page, int index) {}
  virtual void finish() {}

  // ---- Properties ----
  bool show_dialog = true;
  std::filesystem::path file_name;
  bool export_not_printable = false;
  bool use_file_cache = true;
  std::filesystem::path default_path;
  bool show_progress = true;
  bool overwrite_prompt = false;
  core::DateTime creation_time = 0;
  bool data_only = false;
  std::function<void()> on_begin_export;

  bool cur_page = false;
  std::string page_numbers;  // "1,3-5,8-"; empty: all pages
  report::Report* report = nullptr;
  // The store being exported (its outline and anchors), set by export_report like `report`.
  const report::PreparedPages* prepared = nullptr;
  std::ostream* stream = nullptr;  // written into instead of a file; never closed here
  bool slave_export = false;
  std::string default_ext, filter_desc;
  bool suppress_page_headers_footers = false;
  std::string export_title;
  std::vector<std::filesystem::path> files;  // what an export producing several files wrote

 protected:
  // The file start() should write, after the destination rules (slave export's temporary name,
  // the default folder); empty when there is neither a file name nor a stream (start() then
  // returns false).
  std::filesystem::path target() const;

 private:
  std::string m_description;
};

// The writers an operator may export with, in the order they were added; the session owns one
// and hands it to the windows that offer an export.
class FilterRegistry {
 public:
  ExportFilter& add(std::unique_ptr<ExportFilter> filter);
  std::vector<ExportFilter*> filters() const;
  // Captions of the preview's export menu: each description followed by "...".
  std::vector<std::string> menu_captions() const;

 private:
  std::vector<std::unique_ptr<ExportFilter>> m_filters;
};

// Page numbers and ranges ("1,3-5,8-") as 1-based page numbers; empty text: empty list (all
// pages). Throws core::Error for a part that is not a number.
std::vector<int> expand_page_numbers(std::string_view text, int page_count);

// Which objects of a page reach the writer.
struct PageVisit {
  bool data_only = false;                      // only objects whose parent is a data band
  bool suppress_page_headers_footers = false;  // page header on the first page only, footer on the last
};

// The objects of one prepared page as every writer receives them, so that what a preview draws
// is what the writers write: the page is placed at its margins (the right one first on odd
// indexes with mirrored margins), a page background view named "_pagebackground" comes first,
// then each band followed by its children. Views hidden from export are left out; memos get the
// page count and their page-count macros resolved.
void visit_page_objects(report::ReportPage& page, int index, int page_count, PageVisit options,
                        const std::function<void(report::Component&)>& visit);

// The export of the prepared pages through `filter`. Returns false when the dialog is cancelled
// or an error ended the walk (its message is then added to the report's errors and reported);
// a terminated export and a filter whose start() declines return true.
bool export_report(report::Report& report, report::PreparedPages& pages, ExportFilter& filter);

}  // namespace orvena::exporting
