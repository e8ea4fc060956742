#include "delivery/ftp/session.h"

#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <system_error>

#include "core/encoding.h"
#include "core/file_error.h"

namespace orvena::delivery {
namespace {

using net::Clock;
constexpr size_t kDataChunk = 64 * 1024;

// Reports the end of the data transfer however the transfer ends, so a window never keeps
// its activity indicator running after a failure.
class WorkScope {
 public:
  WorkScope(FtpSessionEvents* events, FtpDirection direction, int64_t expected) : m_events(events) {
    if (m_events) m_events->ftp_work_begin(direction, expected);
  }
  ~WorkScope() {
    try {
      if (m_events) m_events->ftp_work_end();
    } catch (...) {
    }
  }
  void work(int64_t bytes) {
    if (m_events) m_events->ftp_work(bytes);
  }

 private:
  FtpSessionEvents* m_events;
};

std::string message_of(const ftp::Reply& reply) {
  return reply.text.empty() ? std::to_string(reply.code) : reply.text;
}

}  // namespace

void FtpSession::status(const std::string& text) {
  if (m_events) m_events->ftp_status(text);
}

void FtpSession::connect() {
  bool use_host = true;
  for (;;) {
    open_control();
    try {
      read_greeting();
    } catch (...) {
      close_control();  // no QUIT to a server that did not greet us properly
      throw;
    }
    bool host_refused = false;
    if (use_host) {
      HostOutcome outcome;
      try {
        outcome = send_host();
      } catch (...) {
        disconnect();
        throw;
      }
      if (outcome == HostOutcome::server_gone) {
        // A server that does not know HOST may drop us for it: try again, plainly.
        close_control();
        use_host = false;
        continue;
      }
      host_refused = m_last.code != 220;
    }
    try {
      login();
    } catch (const net::ConnectionClosed&) {
      // Some servers answer HOST and only then close; the next command is where it shows.
      if (host_refused) {
        close_control();
        use_host = false;
        continue;
      }
      disconnect();
      throw;
    } catch (...) {
      disconnect();
      throw;
    }
    status("Connection established");
    return;
  }
}

void FtpSession::open_control() {
  m_control.close();
  m_buffer.clear();
  // The lookup and the connect share the one connect limit.
  const net::Deadline deadline = net::Clock::now() + m_limits.connect;
  std::string address = m_host;
  if (!net::is_numeric_ipv4(m_host)) {
    status("Resolving hostname " + m_host + ".");
    address = net::resolve_ipv4(m_host, deadline, m_pump);
  }
  status("Connecting to " + address + ".");
  m_control.connect(address, m_port, deadline, m_pump);
  status("Connected.");
}

void FtpSession::read_greeting() {
  ftp::Reply reply = read_reply();
  if (reply.code >= 100 && reply.code <= 199) reply = read_reply();  // "service ready in n minutes"
  if (reply.code != 220) throw core::Error(message_of(reply));
}

FtpSession::HostOutcome FtpSession::send_host() {
  // RFC 7151: a literal address is sent in brackets.
  std::string name = m_host;
  if (net::is_numeric_ipv4(m_host) && m_host == m_control.peer_address()) name = "[" + m_host + "]";
  try {
    send_line("HOST " + name);
    read_reply();  // any reply will do
  } catch (const net::ConnectionClosed&) {
    return HostOutcome::server_gone;
  }
  if (m_last.code != 220 && m_control.peer_closed()) return HostOutcome::server_gone;
  return HostOutcome::kept;
}

void FtpSession::login() {
  // We have no account to give, so a server that wants one refuses us.
  auto refuse_account = [](const ftp::Reply& r) {
    if (r.code == 332 || r.text.find("ACCOUNT") != std::string::npos) throw core::Error(message_of(r));
  };
  ftp::Reply reply = command("USER " + m_user, {230, 232, 331});
  refuse_account(reply);
  if (reply.code == 331) {
    reply = command("PASS " + m_password, {230, 332});
    refuse_account(reply);
  }
  command("TYPE I", {200});
  command("SYST", {});
  // SITE ZONE would follow here for servers that announce it; none we talk to does.
  command("TYPE I", {200});
}

void FtpSession::change_folder(const std::string& folder) {
  command("CWD " + folder, {200, 250, 257});
}

ftp::PassiveEndpoint FtpSession::passive_endpoint() {
  ftp::Reply reply = command("PASV", {227});
  ftp::PassiveEndpoint endpoint = ftp::parse_pasv(reply.text);
  endpoint.address = ftp::choose_data_address(endpoint.address, m_control.peer_address());
  return endpoint;
}

void FtpSession::store(const std::filesystem::path& local_file, const std::string& name) {
  if (name.empty()) throw core::Error("The destination filename can not be empty");
  std::error_code ec;
  if (std::filesystem::is_directory(local_file, ec))
    throw core::file_error(core::FileAction::Open, local_file);
  std::ifstream in(local_file, std::ios::binary);
  if (!in) throw core::file_error(core::FileAction::Open, local_file);
  auto size = std::filesystem::file_size(local_file, ec);
  int64_t expected = ec ? -1 : static_cast<int64_t>(size);

  status("Starting FTP transfer");
  // STOR goes out before we connect to the passive port: some servers take the data
  // connection only once they know what it is for.
  ftp::PassiveEndpoint endpoint = passive_endpoint();
  send_line("STOR " + name);
  net::Connection data;
  data.connect(endpoint.address, endpoint.port, m_limits.connect, m_pump);
  check(read_reply(), {110, 125, 150});
  {
    WorkScope work(m_events, FtpDirection::store, expected);
    std::vector<char> chunk(kDataChunk);
    int64_t sent = 0;
    while (in) {
      in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      auto n = static_cast<size_t>(in.gcount());
      if (n == 0) break;
      data.send_all(std::string_view(chunk.data(), n), m_limits.reply, m_pump);
      sent += static_cast<int64_t>(n);
      work.work(sent);
    }
    if (in.bad()) throw core::file_error(core::FileAction::Read, local_file);
  }
  data.close();  // the end of the data stream is the end of the file
  finish_transfer();
}

int64_t FtpSession::size(const std::string& name) {
  send_line("SIZE " + name);
  ftp::Reply reply = read_reply();
  if (reply.code == 421) check(reply, {});
  return reply.code == 213 ? ftp::parse_size(reply.text) : -1;
}

void FtpSession::retrieve(const std::string& name, const std::filesystem::path& local_file) {
  if (name.empty()) throw core::Error("The source filename can not be empty");
  // Written beside the target and renamed at the end, so a failed download never destroys
  // a file that was already there.
  std::filesystem::path part = local_file;
  part += ".part-" + std::to_string(::getpid());
  std::ofstream out(part, std::ios::binary | std::ios::trunc);
  if (!out) throw core::file_error(core::FileAction::Create, local_file);
  struct PartRemover {
    const std::filesystem::path& path;
    bool keep = false;
    ~PartRemover() {
      std::error_code ignored;
      if (!keep) std::filesystem::remove(path, ignored);
    }
  } remover{part};

  status("Starting FTP transfer");
  ftp::PassiveEndpoint endpoint = passive_endpoint();
  send_line("RETR " + name);
  net::Connection data;
  data.connect(endpoint.address, endpoint.port, m_limits.connect, m_pump);
  check(read_reply(), {110, 125, 150});
  {
    WorkScope work(m_events, FtpDirection::retrieve, -1);
    std::vector<char> chunk(kDataChunk);
    int64_t received = 0;
    for (;;) {
      // The limit is on progress: each chunk must arrive within it.
      size_t n = data.receive_some(chunk.data(), chunk.size(), net::Clock::now() + m_limits.reply, m_pump);
      if (n == 0) break;
      out.write(chunk.data(), static_cast<std::streamsize>(n));
      if (!out) throw core::file_error(core::FileAction::Write, local_file);
      received += static_cast<int64_t>(n);
      work.work(received);
    }
  }
  data.close();
  out.close();
  if (!out) throw core::file_error(core::FileAction::Write, local_file);
  finish_transfer();
  std::error_code ec;
  std::filesystem::rename(part, local_file, ec);
  if (ec) throw core::file_error(core::FileAction::Create, local_file, ec.message());
  remover.keep = true;
}

void FtpSession::finish_transfer() {
  status(m_last.code >= 300 ? "Transfer aborted" : "Transfer complete");
  check(read_reply(), {226, 225, 250});
}

void FtpSession::disconnect() {
  if (!m_control.is_open()) return;
  try {
    send_line("QUIT");
    if (m_control.wait_readable(m_limits.quit_wait, m_pump)) read_reply();
  } catch (...) {
    // The server may already be gone; closing is all that is left to do.
  }
  close_control();
}

void FtpSession::close_control() {
  struct Closer {
    FtpSession& session;
    ~Closer() {
      session.m_control.close();
      session.m_buffer.clear();
    }
  };
  {
    Closer closer{*this};
    status("Disconnecting.");
  }
  status("Disconnected.");
}

void FtpSession::send_line(const std::string& line) {
  // A name carrying a line break would smuggle a second command onto the control connection.
  if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
    throw core::Error("Invalid character in FTP command");
  m_control.send_all(line + "\r\n", m_limits.reply, m_pump);
}

ftp::Reply FtpSession::read_reply() {
  auto deadline = Clock::now() + m_limits.reply;
  ftp::ReplyAssembler assembler;
  bool started = false;
  for (;;) {
    size_t eol = m_buffer.find('\n');
    if (eol == std::string::npos) {
      if (m_buffer.size() > ftp::kMaxReplyLineBytes) throw core::Error("FTP reply line too long");
      char chunk[4096];
      size_t n = m_control.receive_some(chunk, sizeof chunk, deadline, m_pump);
      if (n == 0) throw net::ConnectionClosed(net::kClosedGracefully);
      m_buffer.append(chunk, n);
      continue;
    }
    std::string line = m_buffer.substr(0, eol);
    m_buffer.erase(0, eol + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!started && line.empty()) continue;  // stray blank lines between replies
    started = true;
    if (assembler.add_line(line)) break;
  }
  m_last = assembler.reply();
  if (!core::is_valid_utf8(m_last.text))
    m_last.text = core::to_utf8(m_last.text, core::CodePage::Windows1250);
  return m_last;
}

ftp::Reply FtpSession::command(const std::string& line, std::initializer_list<int> accepted) {
  send_line(line);
  ftp::Reply reply = read_reply();
  check(reply, accepted);
  return reply;
}

void FtpSession::check(const ftp::Reply& reply, std::initializer_list<int> accepted) {
  bool any = accepted.size() == 0;
  if (std::find(accepted.begin(), accepted.end(), reply.code) != accepted.end()) return;
  if (reply.code == 421) {
    // "Service not available, closing control connection": it is gone, do not talk to it again.
    close_control();
    throw core::Error(message_of(reply));
  }
  if (any) return;
  throw core::Error(message_of(reply));
}

}  // namespace orvena::delivery
