#include "app/report_engine.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "app/session.h"
#include "core/error.h"
#include "report/engine/engine.h"
#include "report/report.h"
#include "runner/output_production.h"

namespace orvena::app {

namespace {

// Loads the template, generates its pages over the session's query and hands them to the
// format's writer. The writers are not there yet, so every format still fails at the export
// step, after the template has been loaded and its pages generated.
class EngineReportProducer final : public runner::ReportProducer {
 public:
  explicit EngineReportProducer(Session& session) : m_session(session) {}

  void produce(const runner::ExportRequest& request, db::Query& data) override {
    report::Report report;
    // The template finds the published query by name on the main window's components.
    report.host = &m_session.main_window_components();
    report.load_from_file(request.template_file, true);
    // The run log reports what went wrong; nobody is there to close a message box.
    report.engine_options.new_silent_mode = report::SilentMode::Silent;
    report::EngineGenerator generator(report);
    report.generator = &generator;
    if (!report.prepare_report()) {
      std::string message;
      for (const std::string& e : report.errors()) message += (message.empty() ? "" : "; ") + e;
      if (message.empty()) throw std::logic_error("INTERNAL ERROR: preparation failed without a reason");
      throw core::Error(message);
    }
    // FIXME: hand generator.pages() to the writer of request.format once the writers land.
    runner::UnavailableReportProducer().produce(request, data);
  }

 private:
  Session& m_session;
};

}  // namespace

void install_report_engine(Session& session) {
  session.set_report_producer(std::make_unique<EngineReportProducer>(session));
}

}  // namespace orvena::app
