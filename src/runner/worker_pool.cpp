#include "runner/worker_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/locale.h"
#include "runner/worker_protocol.h"

namespace orvena::runner {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// An address sanitizer reserves terabytes of shadow address space, so an address-space limit
// would stop every worker of such a build before it starts.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

// How often a waiting run lets the window process its events.
constexpr milliseconds kPumpInterval{50};

std::string decimal(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
  std::string text = buffer;
  std::replace(text.begin(), text.end(), '.', core::Locale::kDecimalSeparator);
  return text;
}

std::string signal_name(int sig) {
  const char* abbrev = ::sigabbrev_np(sig);
  return abbrev ? std::string("SIG") + abbrev : std::to_string(sig);
}

ProductionOutcome failed(const std::string& reason) {
  ProductionOutcome outcome;
  outcome.error = ProductionError(ProductionStep::Report, reason);
  return outcome;
}

}  // namespace

std::string duration_text(milliseconds d) {
  const int64_t ms = std::max<int64_t>(d.count(), 0);
  // Below 59,95 s one decimal; from there whole seconds, so that "60,0 s" never shows.
  if (ms < 59'950) return decimal(static_cast<double>(ms) / 1000.0, 1) + " s";
  const int64_t s = (ms + 500) / 1000;
  if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
}

std::string minutes_text(milliseconds d) {
  if (d.count() % 60'000 == 0) return std::to_string(d.count() / 60'000) + " min";
  std::string text = decimal(static_cast<double>(d.count()) / 60'000.0, 3);
  while (text.back() == '0') text.pop_back();
  if (text.back() == core::Locale::kDecimalSeparator) text.pop_back();
  return text + " min";
}

WorkerPool::WorkerPool(std::vector<std::string> command) : m_command(std::move(command)) {}

WorkerPool::~WorkerPool() {
  for (Worker& w : m_workers) {
    ::kill(-w.pid, SIGKILL);
    ::close(w.fd);
    while (::waitpid(w.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

void WorkerPool::start(size_t job, ProductionOrder order) {
  const std::string message = encode_order(order);
  int sv[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
    throw ProductionError(ProductionStep::Report,
                          std::string("nie można uruchomić procesu raportu: ") + std::strerror(errno));
  // Everything the child needs is made before fork: between fork and exec it may only make
  // async-signal-safe calls (the window's threads may hold the allocator's lock).
  std::vector<char*> argv;
  for (std::string& arg : m_command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const rlim_t bytes = static_cast<rlim_t>(m_limits.memory_mib) << 20;
  const rlimit address_space{bytes, bytes};
  sigset_t no_signals;
  sigemptyset(&no_signals);
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    // A worker whose run died would go on to its own limit, holding the database and memory.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    if (kLimitAddressSpace) ::setrlimit(RLIMIT_AS, &address_space);
    ::sigprocmask(SIG_SETMASK, &no_signals, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::dup2(sv[1], 0);
    ::close_range(3, ~0U, 0);  // the home lock, the database: the worker opens its own
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  const int error = errno;
  ::close(sv[1]);
  if (pid < 0) {
    ::close(sv[0]);
    throw ProductionError(ProductionStep::Report,
                          std::string("nie można uruchomić procesu raportu: ") + std::strerror(error));
  }
  // Also here: the group must exist for kill(-pid) even before the child has run.
  ::setpgid(pid, pid);
  const auto now = Clock::now();
  m_workers.push_back(
      {.job = job, .pid = pid, .fd = sv[0], .reply = {}, .started = now, .deadline = now + m_limits.time});
  // An order is a few kilobytes, far below the socket's buffer; a worker that dies before
  // reading it shows in its exit status, so a failed send needs no handling of its own.
  size_t sent = 0;
  while (sent < message.size()) {
    const ssize_t n = ::send(sv[0], message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  ::shutdown(sv[0], SHUT_WR);
}

bool WorkerPool::read_reply(Worker& w) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::recv(w.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
      if (w.reply.size() + static_cast<size_t>(n) > kMaxWorkerMessage) return false;
      w.reply.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;  // end of the stream, or the worker's end is gone
  }
}

void WorkerPool::end_group(Worker& w, Ending why) {
  if (w.ending != Ending::None) return;
  w.ending = why;
  // The group: whatever the worker started ends with it.
  ::kill(-w.pid, SIGKILL);
}

void WorkerPool::stop() {
  for (Worker& w : m_workers) end_group(w, Ending::Stopped);
}

ProductionOutcome WorkerPool::finish(Worker& w) {
  ::close(w.fd);
  // Whatever the worker left running in its group goes before the worker is reaped, while the
  // group's number is still its own.
  ::kill(-w.pid, SIGKILL);
  int status = 0;
  while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
  }
  const std::string after =
      "po " + duration_text(std::chrono::duration_cast<milliseconds>(Clock::now() - w.started));
  switch (w.ending) {
    case Ending::TimeLimit:
      return failed("przekroczono limit czasu raportu (" + minutes_text(m_limits.time) + ") - przerwano go " +
                    after);
    case Ending::Stopped:
      return failed("przerwano go przyciskiem \"stop\" " + after);
    case Ending::None:
      break;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    if (auto outcome = decode_outcome(w.reply)) return *outcome;
    return failed("proces raportu nie przekazał wyniku " + after);
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kWorkerOutOfMemory)
    return failed("przekroczono limit pamięci raportu (" + std::to_string(m_limits.memory_mib) +
                  " MiB) - przerwano go " + after);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
    return failed("proces raportu został zabity (sygnał SIGKILL) " + after);
  if (WIFSIGNALED(status))
    return failed("proces raportu zakończył się awaryjnie (sygnał " + signal_name(WTERMSIG(status)) + ") " +
                  after);
  return failed("proces raportu zakończył się kodem " + std::to_string(WEXITSTATUS(status)) + " bez wyniku " +
                after);
}

std::pair<size_t, ProductionOutcome> WorkerPool::wait_any() {
  if (m_workers.empty()) throw std::logic_error("INTERNAL ERROR: waiting for no worker");
  for (;;) {
    for (auto it = m_workers.begin(); it != m_workers.end(); ++it) {
      if (!it->eof) continue;
      Worker w = *it;
      m_workers.erase(it);
      return {w.job, finish(w)};
    }
    auto now = Clock::now();
    milliseconds wait = milliseconds::max();
    std::vector<pollfd> fds;
    for (Worker& w : m_workers) {
      if (w.ending == Ending::None && now >= w.deadline) end_group(w, Ending::TimeLimit);
      if (w.ending == Ending::None) wait = std::min(wait, std::chrono::ceil<milliseconds>(w.deadline - now));
      fds.push_back({w.fd, POLLIN, 0});
    }
    if (m_pump) wait = std::min(wait, kPumpInterval);
    const int timeout =
        wait == milliseconds::max() ? -1 : static_cast<int>(std::min<int64_t>(wait.count(), 1 << 30));
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno != EINTR) throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    for (size_t i = 0; ready > 0 && i < fds.size(); ++i)
      if (fds[i].revents != 0 && !read_reply(m_workers[i])) m_workers[i].eof = true;
    if (m_pump) m_pump();
  }
}

}  // namespace orvena::runner
