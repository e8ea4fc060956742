#include "app/report_engine.h"

#include "app/session.h"
#include "core/error.h"
#include "export/pdf_export.h"
#include "report/report.h"

namespace orvena::app {

EngineReportProducer::EngineReportProducer(report::HostComponents* host, PagePreparation prepare)
    : m_host(host), m_prepare(std::move(prepare)) {}

void EngineReportProducer::produce(const runner::ExportRequest& request, db::Query&) {
  if (request.format != runner::ReportFormat::Pdf)
    throw core::Error(std::string("Eksport w formacie \"") + runner::format_name(request.format) +
                      "\" nie jest dostępny w tej wersji programu.");
  report::Report report;
  report.host = m_host;
  // Nobody watches: the engine's errors come back as exceptions for the job's failure line.
  report.engine_options.new_silent_mode = report::SilentMode::ReThrow;
  report.load_from_file(request.template_file, true);
  if (!m_prepare)
    throw core::Error("Nie można przygotować raportu " + request.template_file.filename().string() +
                      ": generowanie stron nie jest dostępne w tej wersji programu.");
  report::PreparedPages& pages = m_prepare(report);

  exporting::PdfExport pdf(exporting::ExportFilter::kNoRegister);
  pdf.show_dialog = false;
  pdf.file_name = request.output;
  pdf.options = exporting::PdfExportOptions::runner();
  if (!exporting::export_report(report, pages, pdf))
    throw core::Error(report.errors().empty() ? "Eksport PDF nie powiódł się." : report.errors().back());
}

// FIXME: hand the producer page generation once it lands (its PrepareReport and store).
void install_report_engine(Session& session) {
  session.set_report_producer(
      std::make_unique<EngineReportProducer>(&session.main_window_components(), nullptr));
}

}  // namespace orvena::app
