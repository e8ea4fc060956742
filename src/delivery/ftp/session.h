#pragma once
// One FTP session as the transfer window runs it: plain FTP over IPv4, passive binary transfers.
// Every operation throws core::Error carrying the text to show: the server's reply text for a
// refused command, "Read timed out." / "Connect timed out." for a silent peer, or the socket
// error text.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/pump.h"
#include "delivery/ftp/reply.h"
#include "delivery/net/connection.h"

namespace orvena::delivery {

struct FtpLimits {
  std::chrono::milliseconds reply{60'000};     // for each reply, and for each stall of a data transfer
  std::chrono::milliseconds connect{120'000};  // control and data connections
  std::chrono::milliseconds quit_wait{100};    // how long QUIT waits for the server's goodbye
};

enum class FtpDirection { store, retrieve };

// What a session tells the window while it works. Status texts are the session's English
// texts; the window translates them. Progress concerns only the bytes of the data connection.
class FtpSessionEvents {
 public:
  virtual ~FtpSessionEvents() = default;
  virtual void ftp_status(const std::string& text) {}
  // `expected` is the file size for a store and -1 for a retrieve (the session does not know it).
  virtual void ftp_work_begin(FtpDirection direction, int64_t expected) {}
  virtual void ftp_work(int64_t bytes_so_far) {}
  virtual void ftp_work_end() {}
};

class FtpSession {
 public:
  static constexpr uint16_t kDefaultPort = 21;

  FtpSession() = default;
  ~FtpSession() = default;  // closes the socket without QUIT

  void set_host(std::string host) { m_host = std::move(host); }
  void set_user(std::string user) { m_user = std::move(user); }
  void set_password(std::string password) { m_password = std::move(password); }
  // The system always talks to port 21; tests point the session at their own server.
  void set_port(uint16_t port) { m_port = port; }
  void set_limits(const FtpLimits& limits) { m_limits = limits; }
  void set_events(FtpSessionEvents* events) { m_events = events; }
  void set_pump(core::Pump pump) { m_pump = std::move(pump); }

  const std::string& host() const { return m_host; }
  bool connected() const { return m_control.is_open(); }

  // Connection, greeting, HOST, login and binary type. On failure the connection is closed.
  void connect();
  // CWD with the name exactly as given; accepted 200, 250, 257.
  void change_folder(const std::string& folder);
  // Uploads a local file under `name` (overwriting), over a passive data connection.
  void store(const std::filesystem::path& local_file, const std::string& name);
  // The server's size of a file, or -1 when it does not tell.
  int64_t size(const std::string& name);
  // Downloads `name` into `local_file`; the local file is replaced only when the transfer succeeded.
  void retrieve(const std::string& name, const std::filesystem::path& local_file);
  // QUIT (any reply, if one comes within the quit wait), then close. Never fails.
  void disconnect();

  const ftp::Reply& last_reply() const { return m_last; }

 private:
  enum class HostOutcome { kept, server_gone };

  void open_control();
  void read_greeting();
  HostOutcome send_host();
  void login();
  void close_control();

  void send_line(const std::string& line);
  ftp::Reply read_reply();
  // Sends a command and reads its reply; anything outside `accepted` fails with the reply text.
  ftp::Reply command(const std::string& line, std::initializer_list<int> accepted);
  void check(const ftp::Reply& reply, std::initializer_list<int> accepted);

  ftp::PassiveEndpoint passive_endpoint();
  void status(const std::string& text);
  void finish_transfer();

  std::string m_host;
  std::string m_user;
  std::string m_password;
  uint16_t m_port = kDefaultPort;
  FtpLimits m_limits;
  FtpSessionEvents* m_events = nullptr;
  core::Pump m_pump;

  net::Connection m_control;
  std::string m_buffer;  // control bytes received but not yet taken as lines
  ftp::Reply m_last;
};

}  // namespace orvena::delivery
