#include "delivery/net/connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace orvena::delivery::net {
namespace {

std::string socket_error_text(int err) {
  return std::strerror(err);
}

Millis left_until(Deadline deadline) {
  return std::chrono::ceil<Millis>(deadline - Clock::now());
}

// Polls in slices until the socket is ready for `events`; false at the deadline.
bool poll_until(int fd, short events, Deadline deadline, Millis slice, const Pump& pump) {
  for (;;) {
    Millis left = left_until(deadline);
    if (left.count() <= 0) return false;
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(std::min(left, slice).count()));
    if (n > 0) return true;  // ready, or an error the next call reports
    if (n < 0 && errno != EINTR) throw core::Error(socket_error_text(errno));
    core::call(pump);
  }
}

std::string resolve_now(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || !found) {
    std::string text = rc == EAI_SYSTEM ? socket_error_text(errno) : ::gai_strerror(rc);
    throw core::Error(text + " (" + host + ")");
  }
  char dotted[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, dotted, sizeof dotted);
  ::freeaddrinfo(found);
  return dotted;
}

}  // namespace

bool is_numeric_ipv4(std::string_view host) {
  in_addr a{};
  return ::inet_pton(AF_INET, std::string(host).c_str(), &a) == 1;
}

std::string resolve_ipv4(const std::string& host, Deadline deadline, const Pump& pump, Millis slice) {
  if (is_numeric_ipv4(host)) return host;
  // getaddrinfo cannot be given a time limit, so it runs on a thread of its own that is left to
  // finish alone when we stop waiting for it.
  struct Outcome {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    std::string address;
    std::string error;
  };
  auto outcome = std::make_shared<Outcome>();
  std::thread([outcome, host] {
    std::string address, error;
    try {
      address = resolve_now(host);
    } catch (const std::exception& e) {
      error = e.what();
    }
    std::lock_guard lock(outcome->mutex);
    outcome->address = std::move(address);
    outcome->error = std::move(error);
    outcome->done = true;
    outcome->done_signal.notify_all();
  }).detach();

  std::unique_lock lock(outcome->mutex);
  while (!outcome->done) {
    Millis left = left_until(deadline);
    if (left.count() <= 0) throw core::Error(kConnectTimedOut);
    if (!outcome->done_signal.wait_for(lock, std::min(left, slice), [&] { return outcome->done; })) {
      lock.unlock();
      core::call(pump);
      lock.lock();
    }
  }
  if (!outcome->error.empty()) throw core::Error(outcome->error);
  return outcome->address;
}

Connection::~Connection() {
  close();
}

Connection::Connection(Connection&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_slices(other.m_slices) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    close();
    m_fd = std::exchange(other.m_fd, -1);
    m_slices = other.m_slices;
  }
  return *this;
}

void Connection::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void Connection::connect(const std::string& host, uint16_t port, Deadline deadline, const Pump& pump) {
  close();
  const std::string address = resolve_ipv4(host, deadline, pump, m_slices.connect);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
  m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (m_fd < 0) throw core::Error(socket_error_text(errno));
  try {
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      if (errno != EINPROGRESS) throw core::Error(socket_error_text(errno));
      if (!poll_until(m_fd, POLLOUT, deadline, m_slices.connect, pump)) throw core::Error(kConnectTimedOut);
      int err = 0;
      socklen_t len = sizeof err;
      ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len);
      if (err != 0) throw core::Error(socket_error_text(err));
    }
  } catch (...) {
    close();
    throw;
  }
  // Commands are single short lines, each waiting for its reply: do not hold them back.
  int one = 1;
  ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void Connection::wait(Ready ready, Deadline deadline, const Pump& pump, const char* timeout_text) const {
  short events = ready == Ready::Read ? POLLIN : POLLOUT;
  if (!poll_until(m_fd, events, deadline, m_slices.io, pump)) throw core::Error(timeout_text);
}

void Connection::send_all(std::string_view bytes, Millis limit, const Pump& pump) {
  if (m_fd < 0) throw ConnectionClosed(kNotConnected);
  while (!bytes.empty()) {
    ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The limit is on progress: a slow line that keeps taking bytes is not cut off.
      wait(Ready::Write, Clock::now() + limit, pump, kWriteTimedOut);
      continue;
    }
    int err = errno;
    if (err == EPIPE || err == ECONNRESET) throw ConnectionClosed(socket_error_text(err));
    throw core::Error(socket_error_text(err));
  }
}

size_t Connection::receive_some(char* buffer, size_t max, Deadline deadline, const Pump& pump) {
  if (m_fd < 0) throw ConnectionClosed(kNotConnected);
  for (;;) {
    ssize_t n = ::recv(m_fd, buffer, max, 0);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      wait(Ready::Read, deadline, pump, kReadTimedOut);
      continue;
    }
    int err = errno;
    if (err == ECONNRESET) throw ConnectionClosed(socket_error_text(err));
    throw core::Error(socket_error_text(err));
  }
}

bool Connection::wait_readable(Millis wait, const Pump& pump) {
  if (m_fd < 0) return false;
  return poll_until(m_fd, POLLIN, Clock::now() + wait, m_slices.io, pump);
}

bool Connection::peer_closed() {
  if (m_fd < 0) return true;
  pollfd p{m_fd, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return false;
  if (p.revents & (POLLHUP | POLLERR)) return true;
  char c;
  ssize_t n = ::recv(m_fd, &c, 1, MSG_PEEK);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

std::string Connection::peer_address() const {
  if (m_fd < 0) return {};
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return {};
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
  return text;
}

}  // namespace orvena::delivery::net
