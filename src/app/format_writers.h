#pragma once
// The engine's writer of each report format, as a row per runner::ReportFormat beside the
// runner's table of formats: how the writer is made and what the unattended run sets on it.
// Both tables are checked at build time, so a format cannot be added without its writer.
#include <array>
#include <memory>

#include "runner/report_formats.h"

namespace orvena::exporting {
class ExportFilter;
class FilterRegistry;
}  // namespace orvena::exporting

namespace orvena::app {

using MakeFilter = std::unique_ptr<exporting::ExportFilter> (*)();
using RunSettings = void (*)(exporting::ExportFilter& filter);

struct FormatWriter {
  runner::ReportFormat format;
  MakeFilter make;           // the writer at its defaults, as the export menu offers it
  RunSettings run_settings;  // what a run sets beyond the file name and the dialog; may be null
};

extern const std::array<FormatWriter, runner::kReportFormatCount> kFormatWriters;

// The writer of `format` with the settings of the unattended run. For "csv" that is the engine's
// writer of the report's cells, which --render uses; a run writes "csv" from the query instead.
std::unique_ptr<exporting::ExportFilter> format_writer(runner::ReportFormat format);

// One writer of each kind, in the table's order, for the preview's export menu.
void add_menu_writers(exporting::FilterRegistry& registry);

}  // namespace orvena::app
