#include "app/report_engine.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "app/session.h"
#include "core/error.h"
#include "export/pdf_export.h"
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
  if (request.format != runner::ReportFormat::Pdf) {
    // FIXME: hand generator.pages() to the writer of the other formats once they land.
    runner::UnavailableReportProducer().produce(request, data);
    return;
  }
  exporting::PdfExport pdf(exporting::ExportFilter::kNoRegister);
  pdf.show_dialog = false;
  pdf.file_name = request.output;
  pdf.options = exporting::PdfExportOptions::runner();
  if (!exporting::export_report(report, generator.pages(), pdf)) {
    std::string message = joined_errors(report);
    throw core::Error(message.empty() ? "Eksport PDF nie powiódł się." : message);
  }
}

void install_report_engine(Session& session) {
  session.set_report_producer(std::make_unique<EngineReportProducer>(&session.main_window_components()));
}

}  // namespace orvena::app
