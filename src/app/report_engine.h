#pragma once
// Plugs the report engine into a session for the template formats: the producer loads the
// template, generates its pages over the published query and exports them with the format's
// writer at the settings the unattended run uses.
#include <memory>

#include "runner/output_production.h"

namespace orvena::report {
class HostComponents;
}  // namespace orvena::report

namespace orvena::config {
struct Konfiguracja;
}  // namespace orvena::config

namespace orvena::exporting {
class ExportFilter;
}  // namespace orvena::exporting

namespace orvena::app {

class Session;

// The writer of a template format with the settings of the unattended run, not registered in
// the export menu; null while the format has no writer.
std::unique_ptr<exporting::ExportFilter> runner_filter(runner::ReportFormat format);

using FilterFactory = std::unique_ptr<exporting::ExportFilter> (*)(runner::ReportFormat format);

class EngineReportProducer final : public runner::ReportProducer {
 public:
  // `host` holds the published query the templates find by name ("DaneOrvena"); `filters` gives
  // each format's writer.
  explicit EngineReportProducer(report::HostComponents* host, FilterFactory filters = runner_filter);
  void produce(const runner::ExportRequest& request, db::Query& data) override;
  // The session's settings, read at every report (they are read after the producer is made):
  // the template script's step budget. Without them the report's default applies.
  void use_settings(const config::Konfiguracja* settings) { m_settings = settings; }

 private:
  report::HostComponents* m_host;
  FilterFactory m_filters;
  const config::Konfiguracja* m_settings = nullptr;
};

void install_report_engine(Session& session);

}  // namespace orvena::app
