#pragma once
// Report production in worker processes: each order runs in a process of its own (the program
// started with its worker option), limited in memory by setrlimit and in time by a deadline, in
// a process group of its own that is ended whole at the limit. A worker that crashes, is killed
// or passes a limit comes back as a failed production whose reason says which and after how
// long; the run goes on.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner/production_queue.h"

namespace orvena::runner {

struct WorkerLimits {
  std::chrono::milliseconds time{60 * 60 * 1000};
  uint64_t memory_mib = 4096;
  size_t parallel = 1;
};

class WorkerPool final : public ProductionQueue {
 public:
  // `command` starts a worker: the program and its arguments. The worker reads the order from
  // its standard input, a socket, up to its end, and writes the outcome back on it.
  explicit WorkerPool(std::vector<std::string> command);
  ~WorkerPool() override;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void set_limits(const WorkerLimits& limits) { m_limits = limits; }
  const WorkerLimits& limits() const { return m_limits; }
  // Called about every 50 ms while waiting, so a window stays alive (and may call stop()).
  void set_pump(std::function<void()> pump) { m_pump = std::move(pump); }

  size_t capacity() const override { return m_limits.parallel; }
  size_t busy() const override { return m_workers.size(); }
  // Throws ProductionError when no process can be started.
  void start(size_t job, ProductionOrder order) override;
  std::pair<size_t, ProductionOutcome> wait_any() override;
  void stop() override;

 private:
  enum class Ending { None, TimeLimit, Stopped };
  struct Worker {
    size_t job;
    pid_t pid;
    int fd;
    std::string reply;
    std::chrono::steady_clock::time_point started, deadline;
    Ending ending = Ending::None;
    bool eof = false;
  };

  // Reads what is there; false when the worker has closed its end.
  bool read_reply(Worker& w);
  ProductionOutcome finish(Worker& w);
  void end_group(Worker& w, Ending why);

  std::vector<std::string> m_command;
  WorkerLimits m_limits;
  std::function<void()> m_pump;
  std::vector<Worker> m_workers;
};

// "4,2 s", "3 min 5 s", "2 h 7 min": how long a report ran, for its failure line.
std::string duration_text(std::chrono::milliseconds d);
// The limit as the settings give it: "60 min", "0,05 min".
std::string minutes_text(std::chrono::milliseconds d);

}  // namespace orvena::runner
