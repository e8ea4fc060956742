#include "app/report_engine.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "app/format_writers.h"
#include "app/session.h"
#include "config/settings.h"
#include "core/error.h"
#include "core/error_text.h"
#include "export/filter.h"
#include "export/pdf_export.h"
#include "export/tiff_export.h"
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

runner::ProductionResult EngineReportProducer::produce(const runner::ExportRequest& request,
                                                       db::Query& data) {
  using runner::ProductionError;
  using runner::ProductionStep;
  report::Report report;
  report.host = m_host;
  report.home_folder = m_home;
  report.clock = m_clock;
  // The run log reports what went wrong; nobody is there to close a message box. Set before the
  // load, which keeps the host's engine options.
  report.engine_options.new_silent_mode = report::SilentMode::Silent;
  if (m_settings)
    report.script_step_limit = m_settings->script_step_limit().value_or(report::kDefaultScriptStepLimit);
  try {
    report.load_from_file(request.template_file, true);
  } catch (const std::exception& e) {
    throw ProductionError(ProductionStep::Template, core::error_text(e));
  }
  // A template read with errors would give a report missing what the reader dropped.
  if (!report.errors().empty()) throw ProductionError(ProductionStep::Template, joined_errors(report));

  report::EngineGenerator generator(report);
  report.generator = &generator;
  if (!report.prepare_report()) {
    std::string message = joined_errors(report);
    // The template's script may end the run before any page is made (Engine.StopReport).
    if (message.empty() && report.terminated) message = "Skrypt szablonu przerwał przygotowanie raportu.";
    if (message.empty()) throw std::logic_error("INTERNAL ERROR: preparation failed without a reason");
    throw ProductionError(ProductionStep::Preparation, message);
  }
  std::unique_ptr<exporting::ExportFilter> filter = format_writer(request.format);
  filter->show_dialog = false;
  filter->file_name = request.output;
  if (auto* pdf = dynamic_cast<exporting::PdfExport*>(filter.get()); pdf && m_settings)
    pdf->options.pdf_a = m_settings->pdf_a_files();
  if (auto* tiff = dynamic_cast<exporting::TiffExport*>(filter.get());
      tiff && m_settings && !m_settings->compress_tiff())
    tiff->options.compression = exporting::tiff::Compression::None;
  bool exported = false;
  try {
    exported = exporting::export_report(report, generator.pages(), *filter);
  } catch (const std::exception& e) {
    throw ProductionError(ProductionStep::Export, core::error_text(e));
  }
  if (!exported) {
    std::string message = joined_errors(report);
    throw ProductionError(ProductionStep::Export, message.empty() ? "Eksport nie powiódł się." : message);
  }
  return {report.notices()};
}

void install_report_engine(Session& session, DatedBy dated_by) {
  auto producer = std::make_unique<EngineReportProducer>(&session.main_window_components());
  if (dated_by == DatedBy::SessionClock) producer->use_clock(&session.clock());
  producer->use_settings(&session.state().settings);
  producer->use_home(session.home().root());
  session.set_report_producer(std::move(producer));
  add_menu_writers(session.export_filters());
}

}  // namespace orvena::app
