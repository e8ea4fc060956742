#pragma once
// `orvena --run`: the unattended run without a window, for cron and systemd timers.
#include <iosfwd>

#include "core/datetime.h"
#include "core/paths.h"

namespace orvena::app {

// Start-up step, connection, opening lines, the run, closing lines and the final save.
// Returns 0 when the run returned normally; otherwise writes the error's message to `err`
// and returns 1.
int headless_run(const core::Home& home, const core::Clock& clock, std::ostream& err);

}  // namespace orvena::app
