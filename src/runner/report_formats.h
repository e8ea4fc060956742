#pragma once
// The output formats a definition's format_pliku names: one row each with its name, the file
// extension the editor gives it and where its file comes from. Everything that lists formats
// reads this table; the engine's writer of each format is attached to it in app/format_writers.
#include <array>
#include <cstddef>
#include <string_view>

namespace orvena::runner {

// Index into kReportFormats (ORDER kReportFormats). Count stays last: it sizes every table
// indexed by a format, so a format added here without its rows does not build.
//
// "csv" has two meanings: the runner writes it from the query's rows (QueryDump, no template),
// while --render and the preview's export menu write a report's cells with the engine's CSV
// writer under the same name.
enum class ReportFormat { QueryDump, Excel, ExcelSheets, Html, Pdf, Tiff, Word, Count };

inline constexpr size_t kReportFormatCount = static_cast<size_t>(ReportFormat::Count);

// Where a format's file comes from in a run.
enum class Source {
  Query,     // the query's rows written as delimited text (export_csv_full)
  Template,  // the template filled over the query and exported by the format's writer
};

struct ReportFormatInfo {
  ReportFormat format;
  std::string_view name;       // as format_pliku writes it
  std::string_view extension;  // without the dot
  Source source;
};

// In the order the editor lists them.
extern const std::array<ReportFormatInfo, kReportFormatCount> kReportFormats;

const ReportFormatInfo& report_format(ReportFormat format);
// The row named exactly format_pliku; nullptr for any other text.
const ReportFormatInfo* find_report_format(std::string_view format_pliku);

// True when `rows` is a table indexed by ReportFormat: one row per format, in the enum's order,
// each `complete`. A row an initializer leaves out is a zeroed row and fails, so a table checked
// with this in a static_assert does not build while a format lacks its row.
template <class Row, size_t N, class Complete>
constexpr bool one_row_per_format(const std::array<Row, N>& rows, Complete complete) {
  if (N != kReportFormatCount) return false;
  for (size_t i = 0; i < N; ++i)
    if (static_cast<size_t>(rows[i].format) != i || !complete(rows[i])) return false;
  return true;
}

}  // namespace orvena::runner
