// The FTP dialogue against a scripted server on an ephemeral loopback port: each accepted
// control connection runs the next script, and what the client sent is recorded.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "delivery/ftp/session.h"
#include "delivery/ftp/transfer.h"
#include "support/time_bounds.h"

namespace orvena::delivery {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int kServerWaitMs = 5000;  // the server side never waits longer than this

int listen_loopback(uint16_t& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(fd, 8);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

int accept_within(int listener, int ms) {
  pollfd p{listener, POLLIN, 0};
  if (::poll(&p, 1, ms) <= 0) return -1;
  return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

class Server;

// One control connection as the server sees it.
class Peer {
 public:
  Peer(int fd, Server& server, size_t index) : m_fd(fd), m_server(server), m_index(index) {}
  ~Peer() { close(); }

  void send(const std::string& line) {
    std::string wire = line + "\r\n";
    (void)!::send(m_fd, wire.data(), wire.size(), MSG_NOSIGNAL);
  }
  // The next command line, recorded; "" when the client closed (or stayed silent too long).
  std::string next();
  void close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }
  // Answers by verb until QUIT or the end of the stream. `replies` overrides the default reply
  // of a verb; the reply "<close>" drops the connection instead of answering.
  void serve(const std::map<std::string, std::string>& replies = {});

 private:
  void store(const std::string& name);
  void retrieve(const std::string& name);

  int m_fd;
  Server& m_server;
  size_t m_index;
  std::string m_buffer;
  int m_data_listener = -1;
};

class Server {
 public:
  using Script = std::function<void(Peer&)>;

  explicit Server(std::vector<Script> scripts) : m_scripts(std::move(scripts)) {
    m_listener = listen_loopback(m_port);
    m_thread = std::thread([this] { run(); });
  }
  ~Server() { finish(); }

  uint16_t port() const { return m_port; }
  // Waits for the scripts to end; afterwards the records may be read.
  void finish() {
    if (m_thread.joinable()) m_thread.join();
    if (m_listener >= 0) ::close(m_listener);
    m_listener = -1;
  }
  Lines commands(size_t connection) {
    std::lock_guard lock(m_mutex);
    return connection < m_commands.size() ? m_commands[connection] : Lines{};
  }
  size_t connections() {
    std::lock_guard lock(m_mutex);
    return m_commands.size();
  }

  std::map<std::string, std::string> files;  // stored by STOR, served by RETR and SIZE

  void record(size_t connection, const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_commands[connection].push_back(line);
  }
  std::mutex& mutex() { return m_mutex; }

 private:
  void run() {
    for (const Script& script : m_scripts) {
      int fd = accept_within(m_listener, kServerWaitMs);
      if (fd < 0) return;
      size_t index;
      {
        std::lock_guard lock(m_mutex);
        index = m_commands.size();
        m_commands.emplace_back();
      }
      Peer peer(fd, *this, index);
      script(peer);
    }
  }

  std::vector<Script> m_scripts;
  uint16_t m_port = 0;
  int m_listener = -1;
  std::thread m_thread;
  std::mutex m_mutex;
  std::vector<Lines> m_commands;
};

std::string Peer::next() {
  for (;;) {
    size_t eol = m_buffer.find("\r\n");
    if (eol != std::string::npos) {
      std::string line = m_buffer.substr(0, eol);
      m_buffer.erase(0, eol + 2);
      m_server.record(m_index, line);
      return line;
    }
    pollfd p{m_fd, POLLIN, 0};
    if (m_fd < 0 || ::poll(&p, 1, kServerWaitMs) <= 0) return "";
    char chunk[4096];
    ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (n <= 0) return "";
    m_buffer.append(chunk, static_cast<size_t>(n));
  }
}

void Peer::serve(const std::map<std::string, std::string>& replies) {
  const std::map<std::string, std::string> defaults = {
      {"HOST", "502 Command not implemented."},
      {"USER", "331 Password required."},
      {"PASS", "230 Logged in."},
      {"TYPE", "200 Type set to I."},
      {"SYST", "215 UNIX Type: L8"},
      {"CWD", "250 Directory changed."},
      {"QUIT", "221 Goodbye."},
  };
  for (;;) {
    std::string line = next();
    if (line.empty()) return;
    std::string verb = line.substr(0, line.find(' '));
    std::string arg = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
    if (auto it = replies.find(verb); it != replies.end()) {
      if (it->second == "<close>") return close();
      send(it->second);
    } else if (verb == "PASV") {
      uint16_t port = 0;
      m_data_listener = listen_loopback(port);
      send("227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ").");
    } else if (verb == "STOR") {
      store(arg);
    } else if (verb == "RETR") {
      retrieve(arg);
    } else if (verb == "SIZE") {
      std::lock_guard lock(m_server.mutex());
      auto f = m_server.files.find(arg);
      send(f == m_server.files.end() ? "550 No such file." : "213 " + std::to_string(f->second.size()));
    } else if (auto d = defaults.find(verb); d != defaults.end()) {
      send(d->second);
    } else {
      send("502 Command not implemented.");
    }
    if (verb == "QUIT") return close();
  }
}

void Peer::store(const std::string& name) {
  // The 150 reply is held back until the data connection is there: a client that waited for
  // the reply before connecting would never get it.
  int data = accept_within(m_data_listener, 3000);
  ::close(std::exchange(m_data_listener, -1));
  if (data < 0) return send("425 No data connection before the reply.");
  send("150 Ok to send data.");
  std::string content;
  char chunk[65536];
  for (ssize_t n; (n = ::recv(data, chunk, sizeof chunk, 0)) > 0;)
    content.append(chunk, static_cast<size_t>(n));
  ::close(data);
  {
    std::lock_guard lock(m_server.mutex());
    m_server.files[name] = content;
  }
  send("226 Transfer complete.");
}

void Peer::retrieve(const std::string& name) {
  std::string content;
  {
    std::lock_guard lock(m_server.mutex());
    auto f = m_server.files.find(name);
    if (f == m_server.files.end()) {
      ::close(std::exchange(m_data_listener, -1));
      return send("550 No such file.");
    }
    content = f->second;
  }
  int data = accept_within(m_data_listener, 3000);
  ::close(std::exchange(m_data_listener, -1));
  if (data < 0) return send("425 No data connection.");
  send("150 Opening data connection.");
  (void)!::send(data, content.data(), content.size(), MSG_NOSIGNAL);
  ::close(data);
  send("226 Transfer complete.");
}

// Records what the window would show.
struct RecordingView : FtpTransferView {
  Lines calls;
  std::vector<int> percents;
  std::function<void()> on_progress;
  void shown(const FtpWindowState& s) override { calls.push_back("shown " + s.caption); }
  void status_changed(const Lines&) override {}
  void progress_changed(const FtpProgressBar& bar) override {
    percents.push_back(bar.indeterminate ? -1 : bar.percent());
    if (on_progress) on_progress();
  }
  void activity_changed(bool running) override { calls.push_back(running ? "activity on" : "activity off"); }
  void hidden() override { calls.push_back("hidden"); }
};

struct SessionRecorder : FtpSessionEvents {
  Lines statuses;
  void ftp_status(const std::string& text) override { statuses.push_back(text); }
};

FtpLimits short_limits() {
  return FtpLimits{std::chrono::milliseconds(2000), std::chrono::milliseconds(2000),
                   std::chrono::milliseconds(100)};
}

std::filesystem::path temp_folder() {
  return std::filesystem::temp_directory_path() / ("orvena-ftp-" + std::to_string(::getpid()));
}

// Removes the local files of this run once every test is over.
struct TempFolderCleanup : ::testing::Environment {
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(temp_folder(), ignored);
  }
};
[[maybe_unused]] const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new TempFolderCleanup);

std::filesystem::path temp_file(const std::string& name, const std::string& content) {
  auto dir = temp_folder();
  std::filesystem::create_directories(dir);
  auto path = dir / name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void greet_and_serve(Peer& p) {
  p.send("220 Scripted server ready.");
  p.serve();
}

// --- the whole upload, as the runner asks for it ---------------------------------------------

TEST(FtpDialogue, UploadSendsTheCommandsInOrderAndShowsTheStatusList) {
  std::string content(200'000, 'x');  // several chunks, so progress moves through percentages
  auto local = temp_file("raport.csv", content);
  Server server({greet_and_serve});
  RecordingView view;
  {
    FtpTransfer transfer(short_limits());
    transfer.set_port(server.port());
    transfer.set_view(&view);
    transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
    ASSERT_TRUE(transfer.zapisz_plik(local.string(), "\\a\\b\\", "wynik.csv"));
    EXPECT_FALSE(transfer.zajety());
    EXPECT_EQ(transfer.status_list(),
              (Lines{
                  "Status operacji: Łączenie...",
                  "Status operacji: Nawiązane połączenie z serwerem",
                  "Status operacji: Połączony",
                  "Status operacji: Rozpoczynam transfer...",
                  "Status operacji: Transfer zakończony, oczekiwanie na zamknięcie sesji...",
                  "Status operacji: Rozłączanie",
                  "Status operacji: Disconnected.",
              }));
    EXPECT_EQ(transfer.state().bar.percent(), 100);
  }
  server.finish();
  // HOST names a literal address in brackets; TYPE I comes twice, around SYST; the folder
  // gives exactly two CWDs; nothing is sent after QUIT.
  EXPECT_EQ(server.commands(0), (Lines{"HOST [127.0.0.1]", "USER jan", "PASS tajne", "TYPE I", "SYST",
                                       "TYPE I", "CWD a", "CWD b", "PASV", "STOR wynik.csv", "QUIT"}));
  EXPECT_EQ(server.files["wynik.csv"], content);
  EXPECT_EQ(view.calls,
            (Lines{"shown Wysyłanie pliku na serwer FTP!", "activity on", "activity off", "hidden"}));
  // The bar starts at 0 % (no redraw needed) and climbs through several percentages to 100 %.
  ASSERT_GE(view.percents.size(), 3u);
  EXPECT_GT(view.percents.front(), 0);
  EXPECT_EQ(view.percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(view.percents.begin(), view.percents.end()));
  // Redrawn only when the percentage changes.
  EXPECT_EQ(std::adjacent_find(view.percents.begin(), view.percents.end()), view.percents.end());
}

// A host name is resolved first; that step is not shown in the window, and HOST carries the name.
TEST(FtpDialogue, HostNameIsResolvedAndSentWithHost) {
  auto local = temp_file("n.csv", "n");
  Server server({greet_and_serve});
  {
    FtpTransfer transfer(short_limits());
    transfer.set_port(server.port());
    transfer.konfiguruj_ftp("localhost", "jan", "tajne");
    ASSERT_TRUE(transfer.zapisz_plik(local.string(), "", ""));
    EXPECT_EQ(transfer.status_list().front(), "Status operacji: Łączenie...");
    EXPECT_EQ(transfer.status_list().size(), 7u);
  }
  server.finish();
  EXPECT_EQ(server.commands(0).front(), "HOST localhost");
}

TEST(FtpDialogue, EmptyTargetNameUsesTheLocalName) {
  auto local = temp_file("lokalny.pdf", "%PDF");
  Server server({greet_and_serve});
  {
    FtpTransfer transfer(short_limits());
    transfer.set_port(server.port());
    transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
    EXPECT_TRUE(transfer.zapisz_plik(local.string(), "", ""));
  }
  server.finish();
  EXPECT_EQ(server.files["lokalny.pdf"], "%PDF");
}

// --- connecting ------------------------------------------------------------------------------

struct ConnectCase {
  const char* name;
  std::vector<Server::Script> scripts;
  bool ok;
  std::vector<Lines> commands;  // per connection
};

void run_connect_case(const ConnectCase& c) {
  Server server(c.scripts);
  SessionRecorder events;
  {
    FtpSession session;
    session.set_port(server.port());
    session.set_limits(short_limits());
    session.set_events(&events);
    session.set_host("127.0.0.1");
    session.set_user("jan");
    session.set_password("tajne");
    if (c.ok) {
      EXPECT_NO_THROW(session.connect()) << c.name;
      EXPECT_TRUE(session.connected()) << c.name;
      session.disconnect();
    } else {
      EXPECT_THROW(session.connect(), core::Error) << c.name;
      EXPECT_FALSE(session.connected()) << c.name;
    }
  }
  server.finish();
  ASSERT_EQ(server.connections(), c.commands.size()) << c.name;
  for (size_t i = 0; i < c.commands.size(); ++i) EXPECT_EQ(server.commands(i), c.commands[i]) << c.name;
}

const Lines kFullLogin = {"HOST [127.0.0.1]", "USER jan", "PASS tajne", "TYPE I", "SYST", "TYPE I", "QUIT"};
const Lines kLoginWithoutHost = {"USER jan", "PASS tajne", "TYPE I", "SYST", "TYPE I", "QUIT"};

TEST(FtpDialogue, Greetings) {
  ConnectCase cases[] = {
      {"120 then 220 is accepted",
       {[](Peer& p) {
         p.send("120 Service ready in 1 minute.");
         p.send("220 Ready now.");
         p.serve();
       }},
       true,
       {kFullLogin}},
      {"multi-line 220",
       {[](Peer& p) {
         p.send("220-Welcome");
         p.send("220-to the server");
         p.send("220 Ready.");
         p.serve();
       }},
       true,
       {kFullLogin}},
      // A refused greeting closes at once: no HOST, no QUIT.
      {"554 ends the connect",
       {[](Peer& p) {
         p.send("554 No service.");
         p.serve();
       }},
       false,
       {{}}},
      {"120 then 421 ends the connect",
       {[](Peer& p) {
         p.send("120 Wait.");
         p.send("421 Too many users.");
         p.serve();
       }},
       false,
       {{}}},
  };
  for (const ConnectCase& c : cases) run_connect_case(c);
}

TEST(FtpDialogue, HostCommand) {
  ConnectCase cases[] = {
      {"HOST answered 502, connection kept: USER follows on it",
       {[](Peer& p) {
         p.send("220 Ready.");
         p.serve({{"HOST", "502 What is HOST?"}});
       }},
       true,
       {kFullLogin}},
      {"connection dropped after HOST without a reply: a second connection without HOST",
       {[](Peer& p) {
          p.send("220 Ready.");
          p.serve({{"HOST", "<close>"}});
        },
        greet_and_serve},
       true,
       {{"HOST [127.0.0.1]"}, kLoginWithoutHost}},
      {"HOST answered 500 and then dropped: a second connection without HOST",
       {[](Peer& p) {
          p.send("220 Ready.");
          p.next();
          p.send("500 Unknown command.");
          p.close();
        },
        greet_and_serve},
       true,
       {{"HOST [127.0.0.1]"}, kLoginWithoutHost}},
  };
  for (const ConnectCase& c : cases) run_connect_case(c);
}

TEST(FtpDialogue, Login) {
  auto server_with = [](std::map<std::string, std::string> replies) -> Server::Script {
    return [replies](Peer& p) {
      p.send("220 Ready.");
      p.serve(replies);
    };
  };
  ConnectCase cases[] = {
      {"USER answered 230: no PASS",
       {server_with({{"USER", "230 No password needed."}})},
       true,
       {{"HOST [127.0.0.1]", "USER jan", "TYPE I", "SYST", "TYPE I", "QUIT"}}},
      {"USER answered 232: no PASS",
       {server_with({{"USER", "232 Logged in."}})},
       true,
       {{"HOST [127.0.0.1]", "USER jan", "TYPE I", "SYST", "TYPE I", "QUIT"}}},
      // Failures after the greeting end with QUIT.
      {"wrong password",
       {server_with({{"PASS", "530 Login incorrect."}})},
       false,
       {{"HOST [127.0.0.1]", "USER jan", "PASS tajne", "QUIT"}}},
      {"account required",
       {server_with({{"PASS", "332 Need account for login."}})},
       false,
       {{"HOST [127.0.0.1]", "USER jan", "PASS tajne", "QUIT"}}},
      {"ACCOUNT in an accepted reply",
       {server_with({{"PASS", "230 ACCOUNT needed for storing."}})},
       false,
       {{"HOST [127.0.0.1]", "USER jan", "PASS tajne", "QUIT"}}},
      {"USER refused",
       {server_with({{"USER", "530 Not allowed."}})},
       false,
       {{"HOST [127.0.0.1]", "USER jan", "QUIT"}}},
      {"first TYPE refused",
       {server_with({{"TYPE", "504 No binary here."}})},
       false,
       {{"HOST [127.0.0.1]", "USER jan", "PASS tajne", "TYPE I", "QUIT"}}},
      {"SYST refused is fine", {server_with({{"SYST", "502 No SYST."}})}, true, {kFullLogin}},
      // 421 closes at once: no QUIT.
      {"421 to PASS",
       {server_with({{"PASS", "421 Shutting down."}})},
       false,
       {{"HOST [127.0.0.1]", "USER jan", "PASS tajne"}}},
  };
  for (const ConnectCase& c : cases) run_connect_case(c);
}

TEST(FtpDialogue, LoginFailureMessageIsTheReplyText) {
  Server server({[](Peer& p) {
    p.send("220 Ready.");
    p.serve({{"PASS", "530 Login incorrect."}});
  }});
  FtpSession session;
  session.set_port(server.port());
  session.set_limits(short_limits());
  session.set_host("127.0.0.1");
  try {
    session.connect();
    ADD_FAILURE() << "connect succeeded";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Login incorrect.");
  }
}

// --- the server going away and going silent ---------------------------------------------------

TEST(FtpDialogue, Reply421MidSessionClosesAtOnce) {
  Server server({[](Peer& p) {
    p.send("220 Ready.");
    p.serve({{"CWD", "421 Idle too long, closing control connection."}});
  }});
  SessionRecorder events;
  FtpSession session;
  session.set_port(server.port());
  session.set_limits(short_limits());
  session.set_events(&events);
  session.set_host("127.0.0.1");
  session.set_user("jan");
  session.connect();
  try {
    session.change_folder("raporty");
    ADD_FAILURE() << "CWD succeeded";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Idle too long, closing control connection.");
  }
  EXPECT_FALSE(session.connected());
  session.disconnect();  // nothing left to close: no QUIT
  server.finish();
  Lines sent = server.commands(0);
  EXPECT_EQ(sent.back(), "CWD raporty");
  EXPECT_EQ(std::vector<std::string>(events.statuses.end() - 2, events.statuses.end()),
            (Lines{"Disconnecting.", "Disconnected."}));
}

TEST(FtpDialogue, SilentServerTimesOutWithinTheLimit) {
  struct Case {
    const char* name;
    Server::Script script;
  } cases[] = {
      {"no greeting",
       [](Peer& p) {
         while (!p.next().empty()) {
         }
       }},
      {"silent after USER",
       [](Peer& p) {
         p.send("220 Ready.");
         while (!p.next().empty()) {
         }
       }},
  };
  for (const Case& c : cases) {
    Server server({c.script});
    FtpSession session;
    session.set_port(server.port());
    session.set_limits(FtpLimits{300ms, 2000ms, 100ms});
    session.set_host("127.0.0.1");
    auto start = std::chrono::steady_clock::now();
    try {
      session.connect();
      ADD_FAILURE() << c.name << ": connect succeeded";
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), "Read timed out.") << c.name;
    }
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 300ms) << c.name;
    EXPECT_LT(took, orvena::test::kEndsWellBeforeAHang)
        << c.name << ": the 300 ms limit, not the default 60 s";
    EXPECT_FALSE(session.connected()) << c.name;
  }
}

TEST(FtpDialogue, PumpRunsWhileWaiting) {
  Server server({[](Peer& p) {
    std::this_thread::sleep_for(700ms);  // greeting comes late
    p.send("220 Ready.");
    p.serve();
  }});
  int pumped = 0;
  FtpSession session;
  session.set_port(server.port());
  session.set_limits(short_limits());
  session.set_pump([&] { ++pumped; });
  session.set_host("127.0.0.1");
  session.connect();
  EXPECT_GE(pumped, 2);  // waits are sliced, the window gets its turn between slices
  session.disconnect();
}

// --- downloads ----------------------------------------------------------------------------------

TEST(FtpDialogue, DownloadAsksForTheSizeFirst) {
  Server server({greet_and_serve});
  server.files["dane.csv"] = std::string(150'000, 'd');
  auto local = temp_file("pobrany.csv", "old");
  RecordingView view;
  {
    FtpTransfer transfer(short_limits());
    transfer.set_port(server.port());
    transfer.set_view(&view);
    transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
    ASSERT_TRUE(transfer.pobierz_plik("dane.csv", "/x/", local.string()));
    EXPECT_EQ(transfer.download_bytes(), 150'000);
    EXPECT_EQ(transfer.state().bar.maximum, 150'000);
  }
  server.finish();
  EXPECT_EQ(read_all(local), std::string(150'000, 'd'));
  Lines sent = server.commands(0);
  Lines tail(sent.end() - 5, sent.end());
  EXPECT_EQ(tail, (Lines{"CWD x", "SIZE dane.csv", "PASV", "RETR dane.csv", "QUIT"}));
  EXPECT_EQ(view.calls.front(), "shown Pobieranie pliku z serwera FTP!");
  EXPECT_EQ(view.percents.back(), 100);
}

TEST(FtpDialogue, DownloadWithoutSizeShowsABusyBarAndFailedOneKeepsTheOldFile) {
  Server server({[](Peer& p) {
                   p.send("220 Ready.");
                   p.serve({{"SIZE", "502 SIZE not implemented."}});
                 },
                 greet_and_serve});
  server.files["a.txt"] = "abc";
  auto local = temp_file("a.txt", "keep me");
  RecordingView view;
  {
    FtpTransfer transfer(short_limits());
    transfer.set_port(server.port());
    transfer.set_view(&view);
    transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
    ASSERT_TRUE(transfer.pobierz_plik("a.txt", "", local.string()));
    EXPECT_EQ(transfer.download_bytes(), -1);
    EXPECT_EQ(view.percents, (std::vector<int>{-1, 100}));  // busy bar, then full once the size is known
    EXPECT_EQ(read_all(local), "abc");

    std::ofstream(local, std::ios::binary) << "keep me";
    EXPECT_FALSE(transfer.pobierz_plik("missing.txt", "", local.string()));
    EXPECT_EQ(read_all(local), "keep me");
  }
  auto leftovers = std::distance(std::filesystem::directory_iterator(local.parent_path()), {});
  EXPECT_GE(leftovers, 1);
  for (auto& e : std::filesystem::directory_iterator(local.parent_path()))
    EXPECT_EQ(e.path().string().find(".part-"), std::string::npos) << e.path();
}

// --- refusals that send nothing -------------------------------------------------------------------

TEST(FtpDialogue, SecondTransferFromInsideProgressIsRefused) {
  auto local = temp_file("duzy.bin", std::string(300'000, 'b'));
  Server server({greet_and_serve});
  RecordingView view;
  std::vector<bool> nested;
  FtpTransfer transfer(short_limits());
  view.on_progress = [&] {
    nested.push_back(transfer.zapisz_plik(local.string(), "", "inny.bin"));
    nested.push_back(transfer.pobierz_plik("duzy.bin", "", (local.string() + ".x")));
  };
  transfer.set_port(server.port());
  transfer.set_view(&view);
  transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
  EXPECT_TRUE(transfer.zapisz_plik(local.string(), "", "duzy.bin"));
  server.finish();
  ASSERT_FALSE(nested.empty());
  EXPECT_EQ(std::count(nested.begin(), nested.end(), true), 0);
  EXPECT_EQ(server.connections(), 1u);
  EXPECT_EQ(server.files.count("inny.bin"), 0u);
  EXPECT_EQ(server.files["duzy.bin"].size(), 300'000u);
}

TEST(FtpDialogue, BadNamesFailWithoutReachingTheServer) {
  auto local = temp_file("r.csv", "1;2");
  struct Case {
    const char* why;
    std::string folder, name;
  } cases[] = {
      {"empty segment between separators", "a//b", "r.csv"},
      {"folder of separators only", "/", "r.csv"},
      {"line break in the name would inject a command", "", "r.csv\r\nDELE important"},
      {"line break in a folder", "a\nb", "r.csv"},
  };
  for (const Case& c : cases) {
    Server server({greet_and_serve});
    {
      FtpTransfer transfer(short_limits());
      transfer.set_port(server.port());
      transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
      EXPECT_FALSE(transfer.zapisz_plik(local.string(), c.folder, c.name)) << c.why;
    }
    server.finish();
    for (const std::string& line : server.commands(0)) {
      EXPECT_NE(line.rfind("CWD", 0), 0u) << c.why << ": " << line;
      EXPECT_NE(line.rfind("STOR", 0), 0u) << c.why << ": " << line;
      EXPECT_NE(line.rfind("DELE", 0), 0u) << c.why << ": " << line;
    }
  }
}

// A failure after login leaves the session open; the next transfer closes it before connecting.
TEST(FtpDialogue, NextTransferClosesASessionLeftOpen) {
  auto local = temp_file("r2.csv", "x");
  Server server({[](Peer& p) {
                   p.send("220 Ready.");
                   p.serve({{"CWD", "550 No such folder."}});
                 },
                 greet_and_serve});
  {
    FtpTransfer transfer(short_limits());
    transfer.set_port(server.port());
    transfer.konfiguruj_ftp("127.0.0.1", "jan", "tajne");
    EXPECT_FALSE(transfer.zapisz_plik(local.string(), "brak", ""));
    EXPECT_TRUE(transfer.zapisz_plik(local.string(), "", ""));
    EXPECT_EQ(transfer.status_list().front(), "Status operacji: Rozłączanie");
  }
  server.finish();
  EXPECT_EQ(server.commands(0).back(), "QUIT");
  EXPECT_EQ(server.files["r2.csv"], "x");
}

}  // namespace
}  // namespace orvena::delivery
