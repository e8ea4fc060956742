#pragma once
// A TCP connection over IPv4 with TLS from the first byte (implicit TLS), built on POSIX sockets
// and OpenSSL. Every wait is bounded by a limit and cut into slices between which the caller's
// pump runs, so a window stays responsive and nothing waits for ever.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orvena::delivery {

// Called between the slices of a network wait; may be empty.
using Pump = std::function<void()>;

}  // namespace orvena::delivery

namespace orvena::delivery::mail {

using std::chrono::milliseconds;

struct TlsOptions {
  // Verify the server's certificate chain and name. Off only for internal servers with
  // self-signed certificates.
  bool verify = true;
  // A PEM file of trusted certificates used in place of the system's trust store (tests).
  std::string ca_file;
};

struct WaitLimits {
  milliseconds connect{120'000};
  milliseconds connect_slice{125};
  milliseconds io{300'000};  // the TLS handshake and each read or write
  milliseconds io_slice{250};
};

class TlsSocket {
 public:
  TlsSocket();
  ~TlsSocket();
  TlsSocket(const TlsSocket&) = delete;
  TlsSocket& operator=(const TlsSocket&) = delete;

  // Resolves `host` (IPv4), connects and does the TLS handshake (TLS 1.2 or newer, server name
  // sent). Throws core::Error: "Connect timed out.", the socket layer's text, or "Error
  // connecting with SSL. " and OpenSSL's description. The socket is closed after a failure.
  void connect(const std::string& host, int port, const TlsOptions& tls, const WaitLimits& limits,
               const Pump& pump);

  // Sends all of `data` within `limit`.
  void write_all(std::string_view data, milliseconds limit, const Pump& pump);
  // One line without its CR LF (a bare LF is accepted too); throws when the line passes
  // `max_length`, when the peer closes, or when `limit` passes.
  std::string read_line(milliseconds limit, size_t max_length, const Pump& pump);

  // Closes the TLS layer (without waiting for the peer) and the socket.
  void close();
  bool is_open() const { return m_fd >= 0; }

 private:
  enum class Want { Read, Write };
  void wait_for(Want want, std::chrono::steady_clock::time_point deadline, const Pump& pump,
                const char* timeout_text);
  size_t read_some(char* buf, size_t size, std::chrono::steady_clock::time_point deadline, const Pump& pump);

  int m_fd = -1;
  struct Tls;
  std::unique_ptr<Tls> m_tls;
  milliseconds m_slice{250};
  std::string m_buffer;  // bytes read past the last line
};

}  // namespace orvena::delivery::mail
