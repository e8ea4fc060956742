#include "delivery/mail/smtp_session.h"

#include <unistd.h>

#include <cctype>

#include "delivery/mail/base64.h"
#include "delivery/mail/mime_message.h"

namespace orvena::delivery::mail {

namespace {

// "ddd-text" continues a reply, "ddd text" or "ddd" ends it.
bool parse_reply_line(const std::string& line, int& code, bool& last, std::string& text) {
  if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
      !std::isdigit(static_cast<unsigned char>(line[1])) ||
      !std::isdigit(static_cast<unsigned char>(line[2])))
    return false;
  if (line.size() > 3 && line[3] != '-' && line[3] != ' ') return false;
  code = std::stoi(line.substr(0, 3));
  last = line.size() == 3 || line[3] == ' ';
  text = line.size() > 4 ? line.substr(4) : "";
  return true;
}

// Length of a leading enhanced status code (RFC 3463 "class.subject.detail") and its blank.
size_t enhanced_code_length(const std::string& s) {
  size_t i = 0;
  for (int part = 0; part < 3; ++part) {
    size_t start = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == start) return 0;
    if (part < 2) {
      if (i >= s.size() || s[i] != '.') return 0;
      ++i;
    }
  }
  if (i < s.size() && s[i] != ' ') return 0;
  return i < s.size() ? i + 1 : i;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string SmtpReply::text() const {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += lines[i].substr(enhanced_code_length(lines[i]));
  }
  return out;
}

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

SmtpSession::SmtpSession(SmtpLimits limits, Pump pump) : m_limits(limits), m_pump(std::move(pump)) {}

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
    throw core::Error("Line break inside an SMTP command.");
  guarded([&] { m_socket.write_all(std::string(line) + "\r\n", m_limits.wait.io, m_pump); });
}

SmtpReply SmtpSession::read_reply(milliseconds limit) {
  return guarded([&] {
    SmtpReply reply;
    while (true) {
      std::string line = m_socket.read_line(limit, kMaxReplyLine, m_pump);
      int code = 0;
      bool last = false;
      std::string text;
      if (!parse_reply_line(line, code, last, text))
        throw core::Error("Invalid reply from the server: " + line);
      reply.code = code;
      reply.lines.push_back(text);
      if (last) return reply;
      if (reply.lines.size() >= kMaxReplyLines) throw core::Error("Reply from the server too long.");
    }
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
    m_socket.connect(server.host, server.port, server.tls, m_limits.wait, m_pump);
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
  SmtpReply reply = command(base64_encode(body_bytes(m_server.user)), {235, 334}, m_limits.wait.io);
  if (reply.code == 334) command(base64_encode(body_bytes(m_server.password)), {235}, m_limits.wait.io);
  m_logged_in = true;
}

void SmtpSession::send(std::string_view sender, const std::vector<std::string>& recipients,
                       std::string_view message) {
  if (!connected() || m_broken) throw core::Error("Not connected.");
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
        m_socket.write_all(std::string_view(data).substr(pos, kChunk), m_limits.wait.io, m_pump);
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
