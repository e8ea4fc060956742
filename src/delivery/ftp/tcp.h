#pragma once
// A plain IPv4 TCP connection whose every wait has a time limit. While it waits it calls the
// pump between short slices, so a window stays alive during a transfer.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/error.h"

namespace orvena::delivery::ftp {

using Pump = std::function<void()>;
using Millis = std::chrono::milliseconds;

// The peer closed the connection (gracefully or by a reset) while we needed it.
class ConnectionClosed : public core::Error {
 public:
  using core::Error::Error;
};

// Whether `host` is written as a dotted IPv4 address (no name resolution needed).
bool is_numeric_ipv4(std::string_view host);
// Resolves a host name (IPv4 only) to its dotted address. The resolver runs on its own thread
// so that the wait has a limit and the pump keeps running: "Connect timed out." after `limit`,
// otherwise core::Error with the resolver's text.
std::string resolve_ipv4(const std::string& host, Millis limit, const Pump& pump);

class TcpConnection {
 public:
  TcpConnection() = default;
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;
  TcpConnection(TcpConnection&& other) noexcept;
  TcpConnection& operator=(TcpConnection&& other) noexcept;

  // Connects to a dotted address. Throws "Connect timed out." after `limit`, or the socket error text.
  void connect(const std::string& address, uint16_t port, Millis limit, const Pump& pump);
  bool is_open() const { return m_fd >= 0; }
  void close();

  // Sends every byte; "Write timed out." when the peer takes nothing for `limit`.
  void send_all(std::string_view bytes, Millis limit, const Pump& pump);
  // Up to `max` bytes of whatever arrives first; 0 at the end of the stream.
  // "Read timed out." when nothing arrives within `limit`; ConnectionClosed on a reset.
  size_t receive_some(char* buffer, size_t max, Millis limit, const Pump& pump);
  // Whether something (data or the end of the stream) can be read within `wait`.
  bool wait_readable(Millis wait, const Pump& pump);
  // Whether the peer has already closed or reset the connection; does not wait or consume data.
  bool peer_closed();

  // The dotted address of the other end (empty when not connected).
  std::string peer_address() const;

 private:
  int m_fd = -1;
};

}  // namespace orvena::delivery::ftp
