#pragma once
// `orvena --run`: the unattended run without a window, for cron and systemd timers.
#include <iosfwd>

#include "app/session.h"
#include "core/datetime.h"
#include "core/paths.h"

namespace orvena::app {

// Takes the home folder's lock, then start-up step, connection, opening lines, the run, closing
// lines and the final save. Returns the exit status (app/exit_status.h): 0 when every job went
// through, 3 when a job logged a failure, 75 when another run holds the home folder, and 1 when
// an error ended the run; that error's message goes to `err` and into the day's log.
// `options` say where the reports are made (worker processes, how many at once).
int headless_run(const core::Home& home, const core::Clock& clock, std::ostream& err,
                 const ProductionOptions& options = {});

}  // namespace orvena::app
