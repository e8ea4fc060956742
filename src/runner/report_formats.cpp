#include "runner/report_formats.h"

#include <iterator>

#include "runner/output_production.h"

namespace orvena::runner {

namespace {

void produce_csv(OutputProduction& p, const std::filesystem::path& out, const std::string&) {
  p.export_csv_full(out, {.delimiter = '"', .separator = ';', .header = CsvHeader::FieldNames});
}
void produce_excel(OutputProduction& p, const std::filesystem::path& out, const std::string& szablon) {
  p.export_excel("normalny", out, szablon);
}
void produce_excel_sheets(OutputProduction& p, const std::filesystem::path& out, const std::string& szablon) {
  p.export_excel("arkusze", out, szablon);
}
void produce_html(OutputProduction& p, const std::filesystem::path& out, const std::string& szablon) {
  p.export_html(out, szablon);
}
void produce_pdf(OutputProduction& p, const std::filesystem::path& out, const std::string& szablon) {
  p.export_pdf(out, szablon);
}
void produce_tiff(OutputProduction& p, const std::filesystem::path& out, const std::string& szablon) {
  p.export_tiff(out, szablon);
}
void produce_word(OutputProduction& p, const std::filesystem::path& out, const std::string& szablon) {
  p.export_word(out, szablon);
}

}  // namespace

constexpr ReportFormatInfo kReportFormats[7] = {
    {ReportFormat::Csv, "csv", "csv", produce_csv},
    {ReportFormat::Excel, "excel", "xlsx", produce_excel},
    {ReportFormat::ExcelSheets, "excel-arkusze", "xlsx", produce_excel_sheets},
    {ReportFormat::Html, "html", "html", produce_html},
    {ReportFormat::Pdf, "pdf", "pdf", produce_pdf},
    {ReportFormat::Tiff, "tiff", "tiff", produce_tiff},
    {ReportFormat::Word, "word", "docx", produce_word},
};

constexpr bool rows_in_enum_order() {
  for (size_t i = 0; i < std::size(kReportFormats); ++i)
    if (static_cast<size_t>(kReportFormats[i].format) != i) return false;
  return true;
}
static_assert(rows_in_enum_order(), "kReportFormats is indexed by ReportFormat");

const ReportFormatInfo& report_format(ReportFormat format) {
  return kReportFormats[static_cast<size_t>(format)];
}

const ReportFormatInfo* find_report_format(std::string_view format_pliku) {
  for (const ReportFormatInfo& row : kReportFormats)
    if (row.name == format_pliku) return &row;
  return nullptr;
}

}  // namespace orvena::runner
