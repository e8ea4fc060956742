#pragma once
// The output formats a definition's format_pliku names: one row each with its name, the file
// extension the editor gives it and the production call the runner makes.
#include <filesystem>
#include <string>
#include <string_view>

namespace orvena::runner {

class OutputProduction;

// Index into kReportFormats: ORDER kReportFormats.
enum class ReportFormat { Csv, Excel, ExcelSheets, Html, Pdf, Tiff, Word };

using Produce = void (*)(OutputProduction& production, const std::filesystem::path& output,
                         const std::string& szablon_raportu);

struct ReportFormatInfo {
  ReportFormat format;
  std::string_view name;       // as format_pliku writes it
  std::string_view extension;  // without the dot
  Produce produce;
};

// In the order the editor lists them.
extern const ReportFormatInfo kReportFormats[7];

const ReportFormatInfo& report_format(ReportFormat format);
// The row named exactly format_pliku; nullptr for any other text.
const ReportFormatInfo* find_report_format(std::string_view format_pliku);

}  // namespace orvena::runner
