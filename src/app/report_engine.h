#pragma once
// Plugs the report engine into a session for the template formats: the producer loads the
// template, prepares the report over the published query and exports it with the format's
// writer at the settings the unattended run uses. "pdf" is written; the other template formats
// are refused until their writers exist.
#include <functional>
#include <memory>

#include "runner/output_production.h"

namespace orvena::report {
class HostComponents;
class PreparedPages;
class Report;
}  // namespace orvena::report

namespace orvena::app {

class Session;

// Page generation for a loaded report: runs PrepareReport and returns the filled store.
using PagePreparation = std::function<report::PreparedPages&(report::Report&)>;

class EngineReportProducer final : public runner::ReportProducer {
 public:
  // Without `prepare` (page generation not linked in) every template fails at the prepare step.
  EngineReportProducer(report::HostComponents* host, PagePreparation prepare);
  void produce(const runner::ExportRequest& request, db::Query& data) override;

 private:
  report::HostComponents* m_host;
  PagePreparation m_prepare;
};

void install_report_engine(Session& session);

}  // namespace orvena::app
