#include "app/headless_run.h"

#include <ostream>

#include "app/report_engine.h"
#include "app/session.h"

namespace orvena::app {

int headless_run(const core::Home& home, const core::Clock& clock, std::ostream& err) {
  try {
    Session session(home, clock);
    install_report_engine(session);
    session.start_up();
    session.connect();
    try {
      session.unattended_run();
    } catch (const std::exception& e) {
      session.record_run_failure(e);
      throw;
    }
    return 0;
  } catch (const std::exception& e) {
    err << "orvena: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace orvena::app
