// The table of formats and the check every table indexed by a format passes when it builds.
#include "runner/report_formats.h"

#include <gtest/gtest.h>

namespace orvena::runner {
namespace {

// A table as another subsystem attaches to the formats (the app's writers): the check must
// refuse each way a row can be forgotten, or a new format would build without its writer.
struct Row {
  ReportFormat format;
  const char* writer;
};
constexpr bool has_writer(const Row& row) {
  return row.writer != nullptr;
}

constexpr std::array<Row, kReportFormatCount> kComplete = {{{ReportFormat::QueryDump, "csv"},
                                                            {ReportFormat::Excel, "xlsx"},
                                                            {ReportFormat::ExcelSheets, "xlsx"},
                                                            {ReportFormat::Html, "html"},
                                                            {ReportFormat::Pdf, "pdf"},
                                                            {ReportFormat::Tiff, "tiff"},
                                                            {ReportFormat::Word, "docx"}}};
static_assert(one_row_per_format(kComplete, has_writer));

// The last format added to the enum but not to the table: its row is zero-filled.
constexpr std::array<Row, kReportFormatCount> kLastRowMissing = {{{ReportFormat::QueryDump, "csv"},
                                                                  {ReportFormat::Excel, "xlsx"},
                                                                  {ReportFormat::ExcelSheets, "xlsx"},
                                                                  {ReportFormat::Html, "html"},
                                                                  {ReportFormat::Pdf, "pdf"},
                                                                  {ReportFormat::Tiff, "tiff"}}};
static_assert(!one_row_per_format(kLastRowMissing, has_writer));

// A table sized by hand, one short.
constexpr std::array<Row, kReportFormatCount - 1> kShort = {{{ReportFormat::QueryDump, "csv"},
                                                             {ReportFormat::Excel, "xlsx"},
                                                             {ReportFormat::ExcelSheets, "xlsx"},
                                                             {ReportFormat::Html, "html"},
                                                             {ReportFormat::Pdf, "pdf"},
                                                             {ReportFormat::Tiff, "tiff"}}};
static_assert(!one_row_per_format(kShort, has_writer));

// Two rows swapped: looking a format up by index would give the other's writer.
constexpr std::array<Row, kReportFormatCount> kSwapped = {{{ReportFormat::QueryDump, "csv"},
                                                           {ReportFormat::Excel, "xlsx"},
                                                           {ReportFormat::ExcelSheets, "xlsx"},
                                                           {ReportFormat::Pdf, "pdf"},
                                                           {ReportFormat::Html, "html"},
                                                           {ReportFormat::Tiff, "tiff"},
                                                           {ReportFormat::Word, "docx"}}};
static_assert(!one_row_per_format(kSwapped, has_writer));

// A row in its place but without its writer.
constexpr std::array<Row, kReportFormatCount> kNoWriter = {{{ReportFormat::QueryDump, "csv"},
                                                            {ReportFormat::Excel, "xlsx"},
                                                            {ReportFormat::ExcelSheets, nullptr},
                                                            {ReportFormat::Html, "html"},
                                                            {ReportFormat::Pdf, "pdf"},
                                                            {ReportFormat::Tiff, "tiff"},
                                                            {ReportFormat::Word, "docx"}}};
static_assert(!one_row_per_format(kNoWriter, has_writer));

// format_pliku is matched exactly, as the control file writes it; only "csv" skips the template.
TEST(ReportFormats, NamesAreMatchedExactlyAndOnlyCsvSkipsTheTemplate) {
  for (const ReportFormatInfo& row : kReportFormats) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(find_report_format(row.name), &row);
    EXPECT_EQ(&report_format(row.format), &row);
    EXPECT_EQ(row.source == Source::Query, row.name == "csv");
  }
  for (const char* other : {"PDF", " pdf", "pdf ", "excel_arkusze", "xls", "tif", ""})
    EXPECT_EQ(find_report_format(other), nullptr) << '"' << other << '"';
}

}  // namespace
}  // namespace orvena::runner
