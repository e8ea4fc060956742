#pragma once
// The client side of one SMTP session (RFC 5321) over implicit TLS: greeting, EHLO with the HELO
// fallback, AUTH LOGIN when offered, one message transaction and QUIT. A reply with a code the
// step does not accept ends the step with the reply's text as the error message.
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "delivery/mail/tls_socket.h"

namespace orvena::delivery::mail {

struct SmtpServer {
  std::string host;
  int port = 465;
  std::string user;  // no AUTH when empty
  std::string password;
  TlsOptions tls;
};

struct SmtpLimits {
  WaitLimits wait;  // connect 120 s; handshake, each reply and each write 300 s
  // The reply to the final "." may take a server longer (RFC 5321 section 4.5.3.2.6).
  milliseconds data_end{600'000};
};

struct SmtpReply {
  int code = 0;
  std::vector<std::string> lines;  // without code and separator
  // The lines without leading enhanced status codes ("5.1.1 "), joined by line feeds.
  std::string text() const;
};

// A reply whose code the step does not accept; what() is the reply text.
class SmtpReplyError : public core::Error {
 public:
  explicit SmtpReplyError(const SmtpReply& reply) : core::Error(reply.text()), m_code(reply.code) {}
  int code() const { return m_code; }

 private:
  int m_code;
};

// Named limits on what a server may send back.
inline constexpr size_t kMaxReplyLine = 4096;
inline constexpr size_t kMaxReplyLines = 256;

// Parses the mechanisms offered in EHLO capability lines ("AUTH PLAIN LOGIN", "AUTH=LOGIN").
std::vector<std::string> offered_auth_mechanisms(const std::vector<std::string>& capabilities);

// Doubles a leading "." on every line (RFC 5321 section 4.5.2).
std::string dot_stuff(std::string_view message);

class SmtpSession {
 public:
  explicit SmtpSession(SmtpLimits limits = {}, Pump pump = {});

  // Opens the connection, reads the 220 greeting and introduces the client. Closes the socket
  // (without QUIT) on failure.
  void connect(const SmtpServer& server);
  // Logs in once per connection when due, then MAIL, RCPT for each recipient, DATA and the
  // message (CR LF lines, not yet dot-stuffed). A refused RCPT, DATA or end of data is followed
  // by RSET.
  void send(std::string_view sender, const std::vector<std::string>& recipients, std::string_view message);
  // QUIT (skipped when the connection is broken), then closes in any case; a refused QUIT is
  // reported after the close.
  void disconnect();

  bool connected() const { return m_socket.is_open(); }
  const std::vector<std::string>& capabilities() const { return m_capabilities; }

 private:
  SmtpReply command(std::string_view line, std::initializer_list<int> accepted, milliseconds limit);
  SmtpReply read_reply(milliseconds limit);
  void write_line(std::string_view line);
  void login();
  // Runs an I/O step; a network failure marks the connection unusable for further commands.
  template <typename F>
  auto guarded(F&& f) -> decltype(f());

  SmtpLimits m_limits;
  Pump m_pump;
  SmtpServer m_server;
  TlsSocket m_socket;
  std::vector<std::string> m_capabilities;
  bool m_logged_in = false;
  bool m_broken = false;
};

// The name sent with EHLO/HELO: the host name, or "localhost" when it cannot be had.
std::string local_host_name();

}  // namespace orvena::delivery::mail
