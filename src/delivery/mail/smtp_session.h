#pragma once
// The client side of one SMTP session (RFC 5321) over implicit TLS: greeting, EHLO with the HELO
// fallback, AUTH LOGIN when offered, one message transaction and QUIT. A reply with a code the
// step does not accept ends the step with the reply's text as the error message.
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "delivery/mail/smtp_reply.h"
#include "delivery/net/tls.h"

namespace orvena::delivery::mail {

using core::Pump;
using net::TlsOptions;
using std::chrono::milliseconds;

struct WaitLimits {
  milliseconds connect{120'000};  // name lookup and connect together
  milliseconds connect_slice{125};
  milliseconds io{300'000};  // the TLS handshake, each reply and each write
  milliseconds io_slice{250};
};

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

// A reply whose code the step does not accept; what() is the reply text.
class SmtpReplyError : public core::Error {
 public:
  explicit SmtpReplyError(const SmtpReply& reply) : core::Error(reply.text()), m_code(reply.code) {}
  int code() const { return m_code; }

 private:
  int m_code;
};

// Parses the mechanisms offered in EHLO capability lines ("AUTH PLAIN LOGIN", "AUTH=LOGIN").
std::vector<std::string> offered_auth_mechanisms(const std::vector<std::string>& capabilities);

// Refuses an envelope address that would break out of its "<...>" or out of the command line:
// "<", ">", blanks and control characters.
void check_envelope_address(std::string_view address);

// Doubles a leading "." on every line (RFC 5321 section 4.5.2).
std::string dot_stuff(std::string_view message);

class SmtpSession {
 public:
  explicit SmtpSession(SmtpLimits limits = {}, Pump pump = {});

  // Opens the connection, reads the 220 greeting and introduces the client. Closes the socket
  // (without QUIT) on failure.
  void connect(const SmtpServer& server);
  // Checks every address, logs in once per connection when due, then MAIL, RCPT for each
  // recipient, DATA and the message (CR LF lines, not yet dot-stuffed). A refused RCPT, DATA or
  // end of data is followed by RSET.
  void send(std::string_view sender, const std::vector<std::string>& recipients, std::string_view message);
  // QUIT (skipped when the connection is broken), then closes in any case; a refused QUIT is
  // reported after the close.
  void disconnect();

  bool connected() const { return m_socket.is_open(); }
  const std::vector<std::string>& capabilities() const { return m_capabilities; }

 private:
  SmtpReply command(std::string_view line, std::initializer_list<int> accepted, milliseconds limit);
  // One deadline for the whole reply, however many lines it has.
  SmtpReply read_reply(milliseconds limit);
  void write_line(std::string_view line);
  void login();
  // Runs an I/O step; a network failure marks the connection unusable for further commands.
  template <typename F>
  auto guarded(F&& f) -> decltype(f());

  SmtpLimits m_limits;
  Pump m_pump;
  SmtpServer m_server;
  net::TlsConnection m_socket;
  std::vector<std::string> m_capabilities;
  bool m_logged_in = false;
  bool m_broken = false;
};

// The name sent with EHLO/HELO: the host name, or "localhost" when it cannot be had.
std::string local_host_name();

}  // namespace orvena::delivery::mail
