#include "runner/report_formats.h"

namespace orvena::runner {

constexpr std::array<ReportFormatInfo, kReportFormatCount> kReportFormats = {{
    {ReportFormat::QueryDump, "csv", "csv", Source::Query},
    {ReportFormat::Excel, "excel", "xlsx", Source::Template},
    {ReportFormat::ExcelSheets, "excel-arkusze", "xlsx", Source::Template},
    {ReportFormat::Html, "html", "html", Source::Template},
    {ReportFormat::Pdf, "pdf", "pdf", Source::Template},
    {ReportFormat::Tiff, "tiff", "tiff", Source::Template},
    {ReportFormat::Word, "word", "docx", Source::Template},
}};

static_assert(one_row_per_format(kReportFormats,
                                 [](const ReportFormatInfo& row) {
                                   return !row.name.empty() && !row.extension.empty();
                                 }),
              "kReportFormats needs one named row per ReportFormat, in its order");

const ReportFormatInfo& report_format(ReportFormat format) {
  return kReportFormats[static_cast<size_t>(format)];
}

const ReportFormatInfo* find_report_format(std::string_view format_pliku) {
  for (const ReportFormatInfo& row : kReportFormats)
    if (row.name == format_pliku) return &row;
  return nullptr;
}

}  // namespace orvena::runner
