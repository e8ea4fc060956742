#pragma once
// TLS from the first byte (implicit TLS) as a layer over net::Connection, with OpenSSL: TLS 1.2
// or newer, the server name sent, the certificate verified unless switched off. Its waits are
// the connection's, so the same deadlines, slices and pump apply.
#include <memory>
#include <string>
#include <string_view>

#include "delivery/net/connection.h"

namespace orvena::delivery::net {

struct TlsOptions {
  // Verify the server's certificate chain and name. Off only for internal servers with
  // self-signed certificates.
  bool verify = true;
  // A PEM file of trusted certificates used in place of the system's trust store (tests).
  std::string ca_file;
};

class TlsConnection {
 public:
  explicit TlsConnection(Slices slices = {});
  ~TlsConnection();
  TlsConnection(const TlsConnection&) = delete;
  TlsConnection& operator=(const TlsConnection&) = delete;

  // Connects before `connect_deadline` (net::Connection::connect), then does the handshake
  // before `handshake_deadline`. Throws core::Error: the connection's texts, or "Error connecting
  // with SSL. " and OpenSSL's description. Closed after a failure.
  void connect(const std::string& host, uint16_t port, const TlsOptions& options, Deadline connect_deadline,
               Millis handshake_limit, const Pump& pump);

  // Sends all of `data` before the deadline (kWriteTimedOut).
  void write_all(std::string_view data, Deadline deadline, const Pump& pump);
  // One line without its CR LF (a bare LF is accepted too), before the deadline ("Read timed
  // out."). Throws when the line passes `max_length` and kClosedGracefully when
  // the peer closes.
  std::string read_line(Deadline deadline, size_t max_length, const Pump& pump);

  // Closes the TLS layer (without waiting for the peer) and the socket.
  void close();
  bool is_open() const { return m_connection.is_open(); }

 private:
  size_t read_some(char* buf, size_t size, Deadline deadline, const Pump& pump);

  Connection m_connection;
  struct Tls;
  std::unique_ptr<Tls> m_tls;
  std::string m_buffer;  // bytes read past the last line
};

}  // namespace orvena::delivery::net
