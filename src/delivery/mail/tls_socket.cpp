#include "delivery/mail/tls_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "core/error.h"

namespace orvena::delivery::mail {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kReadTimedOut = "Read timed out.";
constexpr const char* kWriteTimedOut = "Write timed out.";
constexpr const char* kClosed = "Connection Closed Gracefully.";
constexpr const char* kSslPrefix = "Error connecting with SSL. ";

struct SslCtxFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};

// OpenSSL writes with write(2); a peer that has gone away would raise SIGPIPE and end the
// process. Block it for the call and swallow one that became pending meanwhile.
class SigpipeGuard {
 public:
  SigpipeGuard() {
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    m_was_pending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
  }
  ~SigpipeGuard() {
    if (!m_was_pending) {
      timespec zero{};
      while (sigtimedwait(&m_set, nullptr, &zero) > 0) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
  }

 private:
  sigset_t m_set{}, m_old{};
  bool m_was_pending = false;
};

// OpenSSL's error queue as one text, emptied.
std::string openssl_errors() {
  std::string text;
  while (unsigned long e = ERR_get_error()) {
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    if (!text.empty()) text += "; ";
    text += buf;
  }
  return text;
}

bool is_ipv4_literal(const std::string& host) {
  in_addr a{};
  return inet_pton(AF_INET, host.c_str(), &a) == 1;
}

milliseconds remaining(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? milliseconds(0) : left;
}

void call(const Pump& pump) {
  if (pump) pump();
}

constexpr const char* kConnectTimedOut = "Connect timed out.";

// getaddrinfo has no time limit of its own, so it runs on a short-lived thread while the caller
// waits in slices; a lookup still running at the limit is left to finish on its own.
sockaddr_in resolve(const std::string& host, int port, Clock::time_point deadline, milliseconds slice,
                    const Pump& pump) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1) return address;

  struct Lookup {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    int rc = 0;
    in_addr found{};
  };
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host] {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    std::lock_guard lock(lookup->mutex);
    lookup->rc = rc;
    if (rc == 0) lookup->found = reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr;
    if (list) freeaddrinfo(list);
    lookup->done = true;
    lookup->done_cv.notify_all();
  }).detach();

  std::unique_lock lock(lookup->mutex);
  while (!lookup->done) {
    milliseconds left = remaining(deadline);
    if (left.count() == 0) throw core::Error(kConnectTimedOut);
    if (!lookup->done_cv.wait_for(lock, std::min(left, slice), [&] { return lookup->done; })) {
      lock.unlock();
      call(pump);
      lock.lock();
    }
  }
  if (lookup->rc != 0) throw core::Error(std::string(gai_strerror(lookup->rc)) + " (" + host + ")");
  address.sin_addr = lookup->found;
  return address;
}

}  // namespace

struct TlsSocket::Tls {
  std::unique_ptr<SSL_CTX, SslCtxFree> ctx;
  std::unique_ptr<SSL, SslFree> ssl;
};

TlsSocket::TlsSocket() = default;
TlsSocket::~TlsSocket() {
  close();
}

void TlsSocket::wait_for(Want want, Clock::time_point deadline, const Pump& pump, const char* timeout_text) {
  while (true) {
    milliseconds left = remaining(deadline);
    if (left.count() == 0) throw core::Error(timeout_text);
    pollfd p{m_fd, static_cast<short>(want == Want::Read ? POLLIN : POLLOUT), 0};
    int rc = poll(&p, 1, static_cast<int>(std::min(left, m_slice).count()));
    if (rc > 0) return;  // ready, or an error the next call will report
    if (rc < 0 && errno != EINTR) throw core::Error(std::strerror(errno));
    call(pump);
  }
}

void TlsSocket::connect(const std::string& host, int port, const TlsOptions& options,
                        const WaitLimits& limits, const Pump& pump) {
  close();
  m_slice = limits.io_slice;
  try {
    auto connect_deadline = Clock::now() + limits.connect;
    sockaddr_in address = resolve(host, port, connect_deadline, limits.connect_slice, pump);

    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) throw core::Error(std::strerror(errno));
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      if (errno != EINPROGRESS) throw core::Error(std::strerror(errno));
      m_slice = limits.connect_slice;
      wait_for(Want::Write, connect_deadline, pump, kConnectTimedOut);
      m_slice = limits.io_slice;
      int err = 0;
      socklen_t len = sizeof err;
      getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len);
      if (err != 0) throw core::Error(std::strerror(err));
    }
    int one = 1;
    setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    m_tls = std::make_unique<Tls>();
    m_tls->ctx.reset(SSL_CTX_new(TLS_client_method()));
    if (!m_tls->ctx) throw core::Error(kSslPrefix + openssl_errors());
    SSL_CTX* ctx = m_tls->ctx.get();
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_mode(ctx, SSL_MODE_AUTO_RETRY);
    if (options.verify) {
      bool trusted = options.ca_file.empty()
                         ? SSL_CTX_set_default_verify_paths(ctx) == 1
                         : SSL_CTX_load_verify_locations(ctx, options.ca_file.c_str(), nullptr) == 1;
      if (!trusted) throw core::Error(kSslPrefix + openssl_errors());
      SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    } else {
      SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    }
    m_tls->ssl.reset(SSL_new(ctx));
    SSL* ssl = m_tls->ssl.get();
    if (!ssl || SSL_set_fd(ssl, m_fd) != 1) throw core::Error(kSslPrefix + openssl_errors());
    bool literal = is_ipv4_literal(host);
    // RFC 6066 forbids an address as server name; the name check then matches the address.
    if (!literal) SSL_set_tlsext_host_name(ssl, host.c_str());
    if (options.verify) {
      int ok = literal ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str())
                       : SSL_set1_host(ssl, host.c_str());
      if (ok != 1) throw core::Error(kSslPrefix + openssl_errors());
    }

    auto deadline = Clock::now() + limits.io;
    ERR_clear_error();
    while (true) {
      int rc;
      {
        SigpipeGuard guard;
        rc = SSL_connect(ssl);
      }
      if (rc == 1) break;
      int err = SSL_get_error(ssl, rc);
      if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        wait_for(err == SSL_ERROR_WANT_READ ? Want::Read : Want::Write, deadline, pump,
                 "Error connecting with SSL. Handshake timed out.");
        continue;
      }
      std::string text = openssl_errors();
      long verify = SSL_get_verify_result(ssl);
      if (verify != X509_V_OK) {
        text += text.empty() ? "" : " ";
        text += std::string("(") + X509_verify_cert_error_string(verify) + ")";
      }
      if (text.empty()) text = err == SSL_ERROR_SYSCALL && errno ? std::strerror(errno) : kClosed;
      throw core::Error(kSslPrefix + text);
    }
  } catch (...) {
    close();
    throw;
  }
}

void TlsSocket::write_all(std::string_view data, milliseconds limit, const Pump& pump) {
  if (!is_open()) throw core::Error(kClosed);
  auto deadline = Clock::now() + limit;
  SSL* ssl = m_tls->ssl.get();
  while (!data.empty()) {
    int chunk = static_cast<int>(std::min<size_t>(data.size(), 1 << 20));
    int rc;
    {
      SigpipeGuard guard;
      rc = SSL_write(ssl, data.data(), chunk);
    }
    if (rc > 0) {
      data.remove_prefix(static_cast<size_t>(rc));
      continue;
    }
    int err = SSL_get_error(ssl, rc);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
      wait_for(err == SSL_ERROR_WANT_READ ? Want::Read : Want::Write, deadline, pump, kWriteTimedOut);
      continue;
    }
    std::string text = openssl_errors();
    if (text.empty()) text = err == SSL_ERROR_SYSCALL && errno ? std::strerror(errno) : kClosed;
    throw core::Error(text);
  }
}

size_t TlsSocket::read_some(char* buf, size_t size, Clock::time_point deadline, const Pump& pump) {
  SSL* ssl = m_tls->ssl.get();
  while (true) {
    int rc;
    {
      SigpipeGuard guard;  // a read may write (key updates, alerts)
      rc = SSL_read(ssl, buf, static_cast<int>(size));
    }
    if (rc > 0) return static_cast<size_t>(rc);
    int err = SSL_get_error(ssl, rc);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
      wait_for(err == SSL_ERROR_WANT_READ ? Want::Read : Want::Write, deadline, pump, kReadTimedOut);
      continue;
    }
    if (err == SSL_ERROR_ZERO_RETURN) throw core::Error(kClosed);
    std::string text = openssl_errors();
    if (text.empty()) text = err == SSL_ERROR_SYSCALL && errno ? std::strerror(errno) : kClosed;
    throw core::Error(text);
  }
}

std::string TlsSocket::read_line(milliseconds limit, size_t max_length, const Pump& pump) {
  if (!is_open()) throw core::Error(kClosed);
  auto deadline = Clock::now() + limit;
  size_t scanned = 0;
  while (true) {
    size_t lf = m_buffer.find('\n', scanned);
    if (lf != std::string::npos) {
      std::string line = m_buffer.substr(0, lf);
      m_buffer.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > max_length) throw core::Error("Reply line too long.");
      return line;
    }
    if (m_buffer.size() > max_length + 1) throw core::Error("Reply line too long.");
    scanned = m_buffer.size();
    char buf[4096];
    size_t n = read_some(buf, sizeof buf, deadline, pump);
    m_buffer.append(buf, n);
  }
}

void TlsSocket::close() {
  if (m_tls && m_tls->ssl && m_fd >= 0) {
    // One close_notify, sent without waiting for the peer's.
    SigpipeGuard guard;
    SSL_shutdown(m_tls->ssl.get());
  }
  m_tls.reset();
  ERR_clear_error();
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_buffer.clear();
}

}  // namespace orvena::delivery::mail
