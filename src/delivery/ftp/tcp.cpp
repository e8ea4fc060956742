#include "delivery/ftp/tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
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

namespace orvena::delivery::ftp {
namespace {

using Clock = std::chrono::steady_clock;

// Slices between pump calls: short enough for a window to repaint smoothly.
constexpr Millis kConnectSlice{125};
constexpr Millis kReadSlice{250};

std::string socket_error_text(int err) {
  return std::strerror(err);
}

// Waits until the socket is ready for `events` or the deadline passes, pumping between slices.
// Returns the poll result events, or 0 on time-out.
short wait_for(int fd, short events, Clock::time_point deadline, Millis slice, const Pump& pump) {
  for (;;) {
    auto left = std::chrono::ceil<Millis>(deadline - Clock::now());
    if (left.count() <= 0) return 0;
    // Without a pump there is nothing to service between slices: wait in one go.
    Millis wait = pump ? std::min(left, slice) : left;
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(wait.count()));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw core::Error(socket_error_text(errno));
    }
    if (n > 0) return p.revents;
    if (pump) pump();
  }
}

}  // namespace

bool is_numeric_ipv4(std::string_view host) {
  in_addr a{};
  return ::inet_pton(AF_INET, std::string(host).c_str(), &a) == 1;
}

namespace {

std::string resolve_now(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || !found) throw core::Error(rc == EAI_SYSTEM ? socket_error_text(errno) : ::gai_strerror(rc));
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
  ::freeaddrinfo(found);
  return text;
}

}  // namespace

std::string resolve_ipv4(const std::string& host, Millis limit, const Pump& pump) {
  // getaddrinfo cannot be given a time limit, so it runs on a thread of its own that is left
  // to finish alone when we stop waiting for it.
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

  auto deadline = Clock::now() + limit;
  std::unique_lock lock(outcome->mutex);
  while (!outcome->done) {
    auto left = std::chrono::ceil<Millis>(deadline - Clock::now());
    if (left.count() <= 0) throw core::Error("Connect timed out.");
    outcome->done_signal.wait_for(lock, pump ? std::min(left, kConnectSlice) : left);
    if (!outcome->done && pump) {
      lock.unlock();
      pump();
      lock.lock();
    }
  }
  if (!outcome->error.empty()) throw core::Error(outcome->error);
  return outcome->address;
}

TcpConnection::~TcpConnection() {
  close();
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
  if (this != &other) {
    close();
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

void TcpConnection::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void TcpConnection::connect(const std::string& address, uint16_t port, Millis limit, const Pump& pump) {
  close();
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1)
    throw core::Error("Invalid IPv4 address: " + address);
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw core::Error(socket_error_text(errno));
  m_fd = fd;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return;
  if (errno != EINPROGRESS) {
    int err = errno;
    close();
    throw core::Error(socket_error_text(err));
  }
  short ready = 0;
  try {
    ready = wait_for(fd, POLLOUT, Clock::now() + limit, kConnectSlice, pump);
  } catch (...) {
    close();
    throw;
  }
  if (ready == 0) {
    close();
    throw core::Error("Connect timed out.");
  }
  int err = 0;
  socklen_t len = sizeof err;
  ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
  if (err != 0) {
    close();
    throw core::Error(socket_error_text(err));
  }
}

void TcpConnection::send_all(std::string_view bytes, Millis limit, const Pump& pump) {
  if (m_fd < 0) throw ConnectionClosed("Not connected.");
  while (!bytes.empty()) {
    ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (wait_for(m_fd, POLLOUT, Clock::now() + limit, kReadSlice, pump) == 0)
        throw core::Error("Write timed out.");
      continue;
    }
    int err = errno;
    if (err == EPIPE || err == ECONNRESET) throw ConnectionClosed(socket_error_text(err));
    throw core::Error(socket_error_text(err));
  }
}

size_t TcpConnection::receive_some(char* buffer, size_t max, Millis limit, const Pump& pump) {
  if (m_fd < 0) throw ConnectionClosed("Not connected.");
  auto deadline = Clock::now() + limit;
  for (;;) {
    ssize_t n = ::recv(m_fd, buffer, max, 0);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (wait_for(m_fd, POLLIN, deadline, kReadSlice, pump) == 0) throw core::Error("Read timed out.");
      continue;
    }
    int err = errno;
    if (err == ECONNRESET) throw ConnectionClosed(socket_error_text(err));
    throw core::Error(socket_error_text(err));
  }
}

bool TcpConnection::wait_readable(Millis wait, const Pump& pump) {
  if (m_fd < 0) return false;
  return wait_for(m_fd, POLLIN, Clock::now() + wait, kReadSlice, pump) != 0;
}

bool TcpConnection::peer_closed() {
  if (m_fd < 0) return true;
  pollfd p{m_fd, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return false;
  if (p.revents & (POLLHUP | POLLERR)) return true;
  char c;
  ssize_t n = ::recv(m_fd, &c, 1, MSG_PEEK);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

std::string TcpConnection::peer_address() const {
  if (m_fd < 0) return {};
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return {};
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
  return text;
}

}  // namespace orvena::delivery::ftp
