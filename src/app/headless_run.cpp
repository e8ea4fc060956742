#include "app/headless_run.h"

#include <optional>
#include <ostream>

#include "app/exit_status.h"
#include "app/report_engine.h"
#include "app/session.h"
#include "core/home_lock.h"

namespace orvena::app {

int headless_run(const core::Home& home, const core::Clock& clock, std::ostream& err,
                 const ProductionOptions& options) {
  std::optional<core::HomeLock> lock;
  try {
    lock.emplace(home.lock_file());
  } catch (const std::exception& e) {
    err << "orvena: " << e.what() << '\n';
    return kExitError;
  }
  if (!lock->held()) {
    // Touches nothing: the other run owns Tymczasowe, the log and the reports being mailed.
    err << "orvena: another run is using " << home.root().string() << '\n';
    return kExitHomeBusy;
  }
  Session session(home, clock);
  session.apply(options);
  try {
    install_report_engine(session);
    session.start_up();
    session.connect();
    const RunSummary summary = session.unattended_run();
    return summary.failed_jobs > 0 ? kExitJobsFailed : kExitOk;
  } catch (const std::exception& e) {
    // Nobody watches this run: whatever ended it, start-up and connection included, goes into
    // the day's log as well as to stderr.
    session.record_run_failure(e);
    err << "orvena: " << e.what() << '\n';
    return kExitError;
  }
}

}  // namespace orvena::app
