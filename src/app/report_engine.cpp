#include "app/report_engine.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "app/session.h"
#include "core/error.h"
#include "core/error_text.h"
#include "export/docx_export.h"
#include "export/html_export.h"
#include "export/pdf_export.h"
#include "export/tiff_export.h"
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
    case runner::ReportFormat::Tiff: {
      auto tiff = std::make_unique<exporting::TiffExport>(exporting::ExportFilter::kNoRegister);
      tiff->options = exporting::TiffExportOptions::runner();
      return tiff;
    }
    case runner::ReportFormat::Word:
      return std::make_unique<exporting::DocxExport>(exporting::ExportFilter::kNoRegister);
    case runner::ReportFormat::Html: {
      auto html = std::make_unique<exporting::HtmlExport>(exporting::ExportFilter::kNoRegister);
      html->options = exporting::HtmlExportOptions::runner();
      return html;
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

EngineReportProducer::EngineReportProducer(report::HostComponents* host, FilterFactory filters)
    : m_host(host), m_filters(filters) {}

void EngineReportProducer::produce(const runner::ExportRequest& request, db::Query& data) {
  using runner::ProductionError;
  using runner::ProductionStep;
  report::Report report;
  report.host = m_host;
  // The run log reports what went wrong; nobody is there to close a message box. Set before the
  // load, which keeps the host's engine options.
  report.engine_options.new_silent_mode = report::SilentMode::Silent;
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
  std::unique_ptr<exporting::ExportFilter> filter = m_filters(request.format);
  if (!filter) {
    runner::UnavailableReportProducer().produce(request, data);
    return;
  }
  filter->show_dialog = false;
  filter->file_name = request.output;
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
}

void install_report_engine(Session& session) {
  session.set_report_producer(std::make_unique<EngineReportProducer>(&session.main_window_components()));
}

}  // namespace orvena::app
