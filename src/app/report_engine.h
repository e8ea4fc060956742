#pragma once
// Plugs the report engine into a session for the template formats: the producer loads the
// template, generates its pages over the published query and exports them with the format's
// writer at the settings the unattended run uses.
#include <filesystem>
#include <memory>

#include "core/datetime.h"
#include "runner/output_production.h"

namespace orvena::report {
class HostComponents;
}  // namespace orvena::report

namespace orvena::config {
struct Konfiguracja;
}  // namespace orvena::config

namespace orvena::app {

class Session;

class EngineReportProducer final : public runner::ReportProducer {
 public:
  // `host` holds the published query the templates find by name ("DaneOrvena"). Each export
  // gets a writer of its own from the format's row, so no setting outlives the job.
  explicit EngineReportProducer(report::HostComponents* host);
  // The report's notices (a text cut to the layout limit) come back with the made file.
  runner::ProductionResult produce(const runner::ExportRequest& request, db::Query& data) override;
  // The session's settings, read at every report (they are read after the producer is made):
  // the template script's step budget. Without them the report's default applies.
  void use_settings(const config::Konfiguracja* settings) { m_settings = settings; }
  // The folder pictures named by FileLink are read from, and never from outside it.
  void use_home(std::filesystem::path home) { m_home = std::move(home); }
  // What the exported files are dated with; none: the system clock.
  void use_clock(const core::Clock* clock) { m_clock = clock; }

 private:
  report::HostComponents* m_host;
  const config::Konfiguracja* m_settings = nullptr;
  std::filesystem::path m_home;
  const core::Clock* m_clock = nullptr;
};

// The engine's producer for the session's runs and its writers for the windows' export menu.
enum class DatedBy { SystemClock, SessionClock };
void install_report_engine(Session& session, DatedBy dated_by = DatedBy::SystemClock);

}  // namespace orvena::app
