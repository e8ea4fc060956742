#pragma once
// The one network connection of the delivery code: IPv4 TCP on a non-blocking socket whose every
// wait has a deadline and is cut into slices between which the caller's pump runs. The name
// lookup counts against the connect limit. FTP's control and data connections use it as it is,
// SMTP through the TLS layer (net/tls.h).
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"
#include "core/pump.h"

namespace orvena::delivery::net {

using core::Pump;
using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

inline constexpr const char* kConnectTimedOut = "Connect timed out.";
inline constexpr const char* kReadTimedOut = "Read timed out.";
inline constexpr const char* kWriteTimedOut = "Przekroczono czas wysyłania danych.";
inline constexpr const char* kClosedGracefully = "Serwer zamknął połączenie.";
inline constexpr const char* kNotConnected = "Brak połączenia z serwerem.";

// How often a wait comes back to the pump: often enough for a window to repaint smoothly.
struct Slices {
  Millis connect{125};
  Millis io{250};
};

// The peer closed the connection (gracefully or by a reset) while we needed it.
class ConnectionClosed : public core::Error {
 public:
  using core::Error::Error;
};

// Whether `host` is written as a dotted IPv4 address (no name resolution needed).
bool is_numeric_ipv4(std::string_view host);

// The dotted IPv4 address of `host`; a dotted address is returned as it is. The lookup runs on
// a thread of its own so that the wait has the deadline and the pump keeps running: "Connect
// timed out." at the deadline, otherwise core::Error with the resolver's text and the host.
std::string resolve_ipv4(const std::string& host, Deadline deadline, const Pump& pump,
                         Millis slice = Slices{}.connect);

enum class Ready { Read, Write };

class Connection {
 public:
  Connection() = default;
  explicit Connection(Slices slices) : m_slices(slices) {}
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;

  // Resolves `host` when it is a name and connects, both before `deadline`. Throws "Connect
  // timed out.", the resolver's or the socket's error text; the socket is closed after a failure.
  void connect(const std::string& host, uint16_t port, Deadline deadline, const Pump& pump);
  void connect(const std::string& host, uint16_t port, Millis limit, const Pump& pump) {
    connect(host, port, Clock::now() + limit, pump);
  }
  bool is_open() const { return m_fd >= 0; }
  void close();
  int fd() const { return m_fd; }
  const Slices& slices() const { return m_slices; }

  // Returns once the socket is ready (or has an error the next call will report); throws
  // core::Error(timeout_text) at the deadline. The pump runs between slices.
  void wait(Ready ready, Deadline deadline, const Pump& pump, const char* timeout_text) const;

  // Sends every byte; "Przekroczono czas wysyłania danych." when the peer takes nothing for `limit`.
  void send_all(std::string_view bytes, Millis limit, const Pump& pump);
  // Up to `max` bytes of whatever arrives first; 0 at the end of the stream. "Read timed out."
  // when nothing arrives before the deadline; ConnectionClosed on a reset.
  size_t receive_some(char* buffer, size_t max, Deadline deadline, const Pump& pump);
  // Whether something (data or the end of the stream) can be read within `wait`.
  bool wait_readable(Millis wait, const Pump& pump);
  // Whether the peer has already closed or reset the connection; does not wait or consume data.
  bool peer_closed();

  // The dotted address of the other end (empty when not connected).
  std::string peer_address() const;

 private:
  int m_fd = -1;
  Slices m_slices;
};

}  // namespace orvena::delivery::net
