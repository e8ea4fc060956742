#include "delivery/mail/smtp_session.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "core/base64.h"
#include "delivery/mail/mime_message.h"

namespace orvena::delivery::mail {

namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::vector<std::string> offered_auth_mechanisms(const std::vector<std::string>& capabilities) {
  std::vector<std::string> mechanisms;
  for (const auto& line : capabilities) {
    if (line.size() < 5 || upper(line.substr(0, 4)) != "AUTH" || (line[4] != ' ' && line[4] != '=')) continue;
    std::string rest = upper(line.substr(5));
    for (char& c : rest)
      if (c == '=') c = ' ';
    size_t pos = 0;
    while (pos < rest.size()) {
      size_t end = rest.find(' ', pos);
      if (end == std::string::npos) end = rest.size();
      if (end > pos) mechanisms.push_back(rest.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  return mechanisms;
}

void check_envelope_address(std::string_view address) {
  // A line break gets the same refusal as in any other command line.
  if (address.find_first_of("\r\n") != std::string_view::npos)
    throw core::Error("Znak końca wiersza w poleceniu SMTP.");
  for (char c : address) {
    auto u = static_cast<unsigned char>(c);
    // "x@example.com> NOTIFY=NEVER" would otherwise go out as parameters of RCPT TO.
    if (u <= 32 || u == 127 || c == '<' || c == '>')
      throw core::Error("Nieprawidłowy adres e-mail: " + std::string(address));
  }
}

std::string dot_stuff(std::string_view message) {
  std::string out;
  out.reserve(message.size() + 16);
  bool line_start = true;
  for (char c : message) {
    if (line_start && c == '.') out += '.';
    out += c;
    line_start = c == '\n';
  }
  return out;
}

std::string local_host_name() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0') return "localhost";
  return buf;
}

SmtpSession::SmtpSession(SmtpLimits limits, Pump pump)
    : m_limits(limits),
      m_pump(std::move(pump)),
      m_socket(net::Slices{limits.wait.connect_slice, limits.wait.io_slice}) {}

template <typename F>
auto SmtpSession::guarded(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const SmtpReplyError&) {
    throw;
  } catch (...) {
    // Time-out, closed or garbled connection: the dialogue is out of step from here on.
    m_broken = true;
    throw;
  }
}

void SmtpSession::write_line(std::string_view line) {
  // An address or login holding a line break would smuggle in commands of its own.
  if (line.find_first_of("\r\n") != std::string_view::npos)
    throw core::Error("Znak końca wiersza w poleceniu SMTP.");
  guarded(
      [&] { m_socket.write_all(std::string(line) + "\r\n", net::Clock::now() + m_limits.wait.io, m_pump); });
}

SmtpReply SmtpSession::read_reply(milliseconds limit) {
  return guarded([&] {
    // A server that sends one line now and then must not stretch the wait line by line.
    const net::Deadline deadline = net::Clock::now() + limit;
    SmtpReplyAssembler assembler;
    while (!assembler.add_line(m_socket.read_line(deadline, kMaxReplyLine, m_pump))) {
    }
    return assembler.reply();
  });
}

SmtpReply SmtpSession::command(std::string_view line, std::initializer_list<int> accepted,
                               milliseconds limit) {
  write_line(line);
  SmtpReply reply = read_reply(limit);
  if (accepted.size() == 0) return reply;
  for (int code : accepted)
    if (reply.code == code) return reply;
  throw SmtpReplyError(reply);
}

void SmtpSession::connect(const SmtpServer& server) {
  m_logged_in = false;
  m_broken = false;
  m_server = server;
  m_capabilities.clear();
  try {
    if (server.port < 1 || server.port > 65535)
      throw core::Error("Nieprawidłowy numer portu: " + std::to_string(server.port));
    m_socket.connect(server.host, static_cast<uint16_t>(server.port), server.tls,
                     net::Clock::now() + m_limits.wait.connect, m_limits.wait.io, m_pump);
    SmtpReply greeting = read_reply(m_limits.wait.io);
    if (greeting.code != 220) throw SmtpReplyError(greeting);
    std::string name = local_host_name();
    SmtpReply ehlo = command("EHLO " + name, {}, m_limits.wait.io);
    if (ehlo.code == 250) {
      m_capabilities.assign(ehlo.lines.begin() + 1, ehlo.lines.end());
    } else {
      command("HELO " + name, {250}, m_limits.wait.io);
    }
  } catch (...) {
    m_socket.close();
    throw;
  }
}

void SmtpSession::login() {
  if (m_logged_in || m_server.user.empty()) return;
  auto mechanisms = offered_auth_mechanisms(m_capabilities);
  if (std::find(mechanisms.begin(), mechanisms.end(), "LOGIN") == mechanisms.end()) return;
  command("AUTH LOGIN", {334}, m_limits.wait.io);
  SmtpReply reply = command(core::base64_encode(body_bytes(m_server.user)), {235, 334}, m_limits.wait.io);
  if (reply.code == 334) command(core::base64_encode(body_bytes(m_server.password)), {235}, m_limits.wait.io);
  m_logged_in = true;
}

void SmtpSession::send(std::string_view sender, const std::vector<std::string>& recipients,
                       std::string_view message) {
  if (!connected() || m_broken) throw core::Error(net::kNotConnected);
  check_envelope_address(sender);
  for (const auto& r : recipients) check_envelope_address(r);
  login();
  command("MAIL FROM:<" + std::string(sender) + ">", {250}, m_limits.wait.io);
  try {
    for (const auto& r : recipients) command("RCPT TO:<" + r + ">", {250, 251}, m_limits.wait.io);
    command("DATA", {354}, m_limits.wait.io);
    guarded([&] {
      std::string data = dot_stuff(message);
      // A message that ends without a line break still needs one before the final ".".
      if (!data.empty() && data.back() != '\n') data += "\r\n";
      data += ".\r\n";
      // The limit is on progress: each chunk must go out within it, so a large report on a
      // slow line is not cut off while a stalled server still is.
      constexpr size_t kChunk = 64 * 1024;
      for (size_t pos = 0; pos < data.size(); pos += kChunk)
        m_socket.write_all(std::string_view(data).substr(pos, kChunk), net::Clock::now() + m_limits.wait.io,
                           m_pump);
    });
    SmtpReply end = read_reply(m_limits.data_end);
    if (end.code != 250) throw SmtpReplyError(end);
  } catch (const SmtpReplyError&) {
    // The server is in step with us: undo the transaction, keep the first failure.
    try {
      command("RSET", {}, m_limits.wait.io);
    } catch (...) {
    }
    throw;
  }
}

void SmtpSession::disconnect() {
  if (!connected()) return;
  bool skip_quit = m_broken;
  std::exception_ptr failure;
  if (!skip_quit) {
    try {
      command("QUIT", {221}, m_limits.wait.io);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  m_socket.close();
  m_logged_in = false;
  m_broken = false;
  if (failure) std::rethrow_exception(failure);
}

}  // namespace orvena::delivery::mail
