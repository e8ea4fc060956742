#include "delivery/net/tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orvena::delivery::net {

namespace {

constexpr const char* kSslPrefix = "Error connecting with SSL. ";
constexpr const char* kHandshakeTimedOut =
    "Error connecting with SSL. Przekroczono czas nawiązywania połączenia TLS.";

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

// What a failed read or write says. A peer that went away shows as a syscall error with a stale
// or "try again" errno; that is a closed connection, not "Resource temporarily unavailable".
std::string failure_text(int ssl_error) {
  std::string text = openssl_errors();
  if (!text.empty()) return text;
  if (ssl_error == SSL_ERROR_SYSCALL && errno != 0 && errno != EAGAIN && errno != EWOULDBLOCK &&
      errno != EPIPE && errno != ECONNRESET)
    return std::strerror(errno);
  return kClosedGracefully;
}

}  // namespace

struct TlsConnection::Tls {
  std::unique_ptr<SSL_CTX, SslCtxFree> ctx;
  std::unique_ptr<SSL, SslFree> ssl;
};

TlsConnection::TlsConnection(Slices slices) : m_connection(slices) {}

TlsConnection::~TlsConnection() {
  close();
}

void TlsConnection::connect(const std::string& host, uint16_t port, const TlsOptions& options,
                            Deadline connect_deadline, Millis handshake_limit, const Pump& pump) {
  close();
  try {
    m_connection.connect(host, port, connect_deadline, pump);

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
    if (!ssl || SSL_set_fd(ssl, m_connection.fd()) != 1) throw core::Error(kSslPrefix + openssl_errors());
    bool literal = is_numeric_ipv4(host);
    // RFC 6066 forbids an address as server name; the name check then matches the address.
    if (!literal) SSL_set_tlsext_host_name(ssl, host.c_str());
    if (options.verify) {
      int ok = literal ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str())
                       : SSL_set1_host(ssl, host.c_str());
      if (ok != 1) throw core::Error(kSslPrefix + openssl_errors());
    }

    const Deadline deadline = Clock::now() + handshake_limit;
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
        m_connection.wait(err == SSL_ERROR_WANT_READ ? Ready::Read : Ready::Write, deadline, pump,
                          kHandshakeTimedOut);
        continue;
      }
      std::string text = openssl_errors();
      long verify = SSL_get_verify_result(ssl);
      if (verify != X509_V_OK) {
        text += text.empty() ? "" : " ";
        text += std::string("(") + X509_verify_cert_error_string(verify) + ")";
      }
      if (text.empty()) text = err == SSL_ERROR_SYSCALL && errno ? std::strerror(errno) : kClosedGracefully;
      throw core::Error(kSslPrefix + text);
    }
  } catch (...) {
    close();
    throw;
  }
}

void TlsConnection::write_all(std::string_view data, Deadline deadline, const Pump& pump) {
  if (!is_open() || !m_tls) throw core::Error(kClosedGracefully);
  SSL* ssl = m_tls->ssl.get();
  while (!data.empty()) {
    int chunk = static_cast<int>(std::min<size_t>(data.size(), 1 << 20));
    int rc;
    errno = 0;
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
      m_connection.wait(err == SSL_ERROR_WANT_READ ? Ready::Read : Ready::Write, deadline, pump,
                        kWriteTimedOut);
      continue;
    }
    throw core::Error(failure_text(err));
  }
}

size_t TlsConnection::read_some(char* buf, size_t size, Deadline deadline, const Pump& pump) {
  SSL* ssl = m_tls->ssl.get();
  while (true) {
    int rc;
    errno = 0;
    {
      SigpipeGuard guard;  // a read may write (key updates, alerts)
      rc = SSL_read(ssl, buf, static_cast<int>(size));
    }
    if (rc > 0) return static_cast<size_t>(rc);
    int err = SSL_get_error(ssl, rc);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
      m_connection.wait(err == SSL_ERROR_WANT_READ ? Ready::Read : Ready::Write, deadline, pump,
                        kReadTimedOut);
      continue;
    }
    if (err == SSL_ERROR_ZERO_RETURN) throw core::Error(kClosedGracefully);
    throw core::Error(failure_text(err));
  }
}

std::string TlsConnection::read_line(Deadline deadline, size_t max_length, const Pump& pump) {
  if (!is_open() || !m_tls) throw core::Error(kClosedGracefully);
  size_t scanned = 0;
  while (true) {
    size_t lf = m_buffer.find('\n', scanned);
    if (lf != std::string::npos) {
      std::string line = m_buffer.substr(0, lf);
      m_buffer.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > max_length) throw core::Error("Wiersz odpowiedzi serwera jest za długi.");
      return line;
    }
    if (m_buffer.size() > max_length + 1) throw core::Error("Wiersz odpowiedzi serwera jest za długi.");
    scanned = m_buffer.size();
    char buf[4096];
    size_t n = read_some(buf, sizeof buf, deadline, pump);
    m_buffer.append(buf, n);
  }
}

void TlsConnection::close() {
  if (m_tls && m_tls->ssl && m_connection.is_open()) {
    // One close_notify, sent without waiting for the peer's.
    SigpipeGuard guard;
    SSL_shutdown(m_tls->ssl.get());
  }
  m_tls.reset();
  ERR_clear_error();
  m_connection.close();
  m_buffer.clear();
}

}  // namespace orvena::delivery::net
