#pragma once
// The report as delimited text: each page is laid on the layout matrix and every row of cells
// becomes one line. The runner's own "csv" format is not this writer: it dumps the query.
//
//   CsvExport csv;                       // registers itself for the preview's export menu
//   csv.show_dialog = false;
//   csv.file_name = "/home/r/Tymczasowe/raport.csv";
//   export_report(report, pages, csv);
//
// A line holds, for each cell with an object, the object's text in its first cell and an empty
// field in the others it covers, so an object spanning columns keeps the columns after it in
// place. Fields are quoted when they hold the separator, a quote (doubled inside) or a control
// byte.
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "export/filter.h"

namespace orvena::exporting {

class LayoutMatrix;

struct CsvFieldOptions {
  bool no_sys_symbols = true;  // drop bytes below 32, line breaks included
  bool forced_quotes = false;  // quote every non-empty field
};

// One field of 8-bit text followed by `separator` (its first byte decides quoting).
std::string csv_field(std::string_view text, std::string_view separator, const CsvFieldOptions& options);

class CsvExport : public ExportFilter {
 public:
  CsvExport();
  ~CsvExport() override;

  bool start() override;
  void start_page(report::ReportPage& page, int index) override;
  void export_object(report::Component& object) override;
  void finish_page(report::ReportPage& page, int index) override;
  void finish() override;

  // ---- Options ----
  std::string separator = ";";  // empty: the list separator
  bool oem_codepage = false;    // code page 852 instead of 1250
  bool utf8 = false;            // UTF-8 instead of an 8-bit code page (no byte-order mark)
  bool no_sys_symbols = true;
  bool forced_quotes = false;

 private:
  std::string encode(std::string_view utf8_text) const;
  void write_page();

  std::unique_ptr<LayoutMatrix> m_matrix;
  std::ofstream m_file;
  std::ostream* m_out = nullptr;
  std::filesystem::path m_path, m_temp_path;
};

}  // namespace orvena::exporting
