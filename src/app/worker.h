#pragma once
// The worker process: the program started by a run with its worker option to make one report.
// It reads the order from its standard input (a socket) to the end, connects to the database
// itself, makes the file and writes the outcome back; the run does everything else.
#include "core/paths.h"

namespace orvena::app {

// The internal option that makes the program a worker; not for people, so not in --help.
inline constexpr const char* kWorkerOption = "--worker";

// Returns the exit status: 0 when an outcome was written (a failed report is an outcome too),
// runner::kWorkerOutOfMemory when an allocation failed, 1 when the order was unreadable.
int run_worker(const core::Home& home);

}  // namespace orvena::app
