#include "app/worker.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include "app/report_engine.h"
#include "app/session.h"
#include "runner/worker_protocol.h"

namespace orvena::app {

namespace {

// Past the memory limit an allocation fails somewhere deep in a writer or the script, and a
// catch there could turn it into an ordinary report error; the run must learn which limit it was.
void out_of_memory() {
  ::_exit(runner::kWorkerOutOfMemory);
}

bool read_order(std::string& message) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || message.size() + static_cast<size_t>(n) > runner::kMaxWorkerMessage) return false;
    message.append(buffer, static_cast<size_t>(n));
  }
}

void write_outcome(const std::string& message) {
  size_t sent = 0;
  while (sent < message.size()) {
    const ssize_t n = ::write(0, message.data() + sent, message.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the run is gone or ended us; nobody is left to tell
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

int run_worker(const core::Home& home) {
  std::set_new_handler(out_of_memory);
  std::string message;
  std::optional<runner::ProductionOrder> order;
  if (!read_order(message) || !(order = runner::decode_order(message))) {
    std::fputs("orvena: the worker's order is unreadable\n", stderr);
    return 1;
  }
  // The report is dated as the run ordered it, not when this process got to it.
  core::FixedClock clock(order->ordered_at);
  Session session(home, clock);
  runner::ProductionOutcome outcome;
  try {
    install_report_engine(session, DatedBy::SessionClock);
    session.start_worker();
    // The order names a partial file of the run's, which the run renames in its turn.
    session.production().set_staging(runner::Staging::GivenFile);
    session.connect();
    outcome = runner::produce_order(session.production(), session.sql(), *order);
  } catch (const std::exception& e) {
    // The settings or the connection: the query could not run again.
    outcome.error = runner::ProductionError(runner::ProductionStep::Query, e.what());
  }
  write_outcome(runner::encode_outcome(outcome));
  return 0;
}

}  // namespace orvena::app
