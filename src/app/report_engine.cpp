#include "app/report_engine.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "app/session.h"
#include "core/error.h"
#include "export/pdf_export.h"
#include "export/xlsx_export.h"
#include "report/engine/engine.h"
#include "report/report.h"

namespace orvena::app {

namespace {

// The report's errors as one message for the job's failure line.
std::string joined_errors(const report::Report& report) {
  std::string message;
  for (const std::string& e : report.errors()) message += (message.empty() ? "" : "; ") + e;
  return message;
}

}  // namespace

std::unique_ptr<exporting::ExportFilter> runner_filter(runner::ReportFormat format) {
  switch (format) {
    case runner::ReportFormat::Pdf: {
      auto pdf = std::make_unique<exporting::PdfExport>(exporting::ExportFilter::kNoRegister);
      pdf->options = exporting::PdfExportOptions::runner();
      return pdf;
    }
    case runner::ReportFormat::Excel:
    case runner::ReportFormat::ExcelSheets: {
      auto xlsx = std::make_unique<exporting::XlsxExport>(exporting::ExportFilter::kNoRegister);
      xlsx->options = exporting::XlsxExportOptions::runner(format == runner::ReportFormat::Excel
                                                               ? exporting::SheetSplit::SingleSheet
                                                               : exporting::SheetSplit::OnePerPage);
      xlsx->export_not_printable = true;
      return xlsx;
    }
    // One case per writer, each set as the unattended run uses it.
    default:
      return nullptr;
  }
}

EngineReportProducer::EngineReportProducer(report::HostComponents* host) : m_host(host) {}

void EngineReportProducer::produce(const runner::ExportRequest& request, db::Query& data) {
  report::Report report;
  report.host = m_host;
  report.load_from_file(request.template_file, true);
  // The run log reports what went wrong; nobody is there to close a message box.
  report.engine_options.new_silent_mode = report::SilentMode::Silent;
  report::EngineGenerator generator(report);
  report.generator = &generator;
  if (!report.prepare_report()) {
    std::string message = joined_errors(report);
    if (message.empty()) throw std::logic_error("INTERNAL ERROR: preparation failed without a reason");
    throw core::Error(message);
  }
  std::unique_ptr<exporting::ExportFilter> filter = runner_filter(request.format);
  if (!filter) {
    runner::UnavailableReportProducer().produce(request, data);
    return;
  }
  filter->show_dialog = false;
  filter->file_name = request.output;
  if (!exporting::export_report(report, generator.pages(), *filter)) {
    std::string message = joined_errors(report);
    throw core::Error(message.empty() ? "Eksport nie powiódł się." : message);
  }
}

void install_report_engine(Session& session) {
  session.set_report_producer(std::make_unique<EngineReportProducer>(&session.main_window_components()));
}

}  // namespace orvena::app
