#pragma once
// Plugs the report engine into a session for the template formats: the producer loads the
// template, generates its pages over the published query and exports them with the format's
// writer at the settings the unattended run uses.
#include <memory>

#include "runner/output_production.h"

namespace orvena::report {
class HostComponents;
}  // namespace orvena::report

namespace orvena::app {

class Session;

class EngineReportProducer final : public runner::ReportProducer {
 public:
  // `host` holds the published query the templates find by name ("DaneOrvena"). Each export
  // gets a writer of its own from the format's row, so no setting outlives the job.
  explicit EngineReportProducer(report::HostComponents* host);
  void produce(const runner::ExportRequest& request, db::Query& data) override;

 private:
  report::HostComponents* m_host;
};

// The engine's producer for the session's runs and its writers for the windows' export menu.
void install_report_engine(Session& session);

}  // namespace orvena::app
