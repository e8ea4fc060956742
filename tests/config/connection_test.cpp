// From the settings file's database keys to a backend and its connection string.
#include "config/connection.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "core/error.h"
#include "core/text.h"
#include "support/time_bounds.h"

namespace orvena::config {
namespace {

using db::Connection;
using db::ConnectionTarget;
using db::OdbcTarget;
using db::SqliteTarget;

Konfiguracja settings(std::string driver, std::string server, std::string user, std::string pass,
                      std::string db) {
  Konfiguracja k;
  k.db_driver = std::move(driver);
  k.db_server = std::move(server);
  k.db_user = std::move(user);
  k.db_pass = std::move(pass);
  k.db = std::move(db);
  return k;
}

std::string odbc_string(const Konfiguracja& k) {
  ConnectionTarget t = connection_target(k, core::Home("/srv/orvena"));
  EXPECT_TRUE(std::holds_alternative<OdbcTarget>(t));
  return std::get<OdbcTarget>(t).connection_string;
}

TEST(ConnectionTarget, NoDriverMeansSqlServerThroughFreeTds) {
  EXPECT_EQ(odbc_string(settings("", "sql01", "raporty", "tajne", "Sprzedaz")),
            "Driver={FreeTDS};Server=sql01;Database=Sprzedaz;UID=raporty;PWD=tajne;TDS_Version=7.4;"
            "ClientCharset=UTF-8;");
}

TEST(ConnectionTarget, SqlServerAddressForms) {
  struct Case {
    const char* server;
    const char* expected;  // the Server and Port part for FreeTDS
  } cases[] = {
      {"sql01,1444", "Server=sql01;Port=1444;"},
      {"sql01\\RAPORTY", "Server=sql01\\RAPORTY;"},  // FreeTDS asks the browser service for the port
      {"tcp:10.1.2.3, 1433", "Server=10.1.2.3;Port=1433;"},
      {"(local)", "Server=localhost;"},
      {".\\SQLEXPRESS", "Server=localhost\\SQLEXPRESS;"},
      {"", ""},  // nothing given: the driver says what is missing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(odbc_string(settings("", c.server, "", "", "")),
              std::string("Driver={FreeTDS};") + c.expected + "TDS_Version=7.4;ClientCharset=UTF-8;")
        << c.server;
  }
}

TEST(ConnectionTarget, ValuesThatWouldBreakTheStringAreBraced) {
  // Plain concatenation would let a password holding ";" end the value and add keys of its own.
  EXPECT_EQ(odbc_string(settings("", "sql01", "jan", "a;Server=evil", "Baza {test}")),
            "Driver={FreeTDS};Server=sql01;Database={Baza {test}}};UID=jan;PWD={a;Server=evil};"
            "TDS_Version=7.4;ClientCharset=UTF-8;");
  EXPECT_EQ(odbc_value(" spacja"), "{ spacja}");
  EXPECT_EQ(odbc_value("zażółć=1"), "zażółć=1");
  EXPECT_EQ(odbc_value("}"), "{}}}");
}

TEST(ConnectionTarget, NamedOdbcDrivers) {
  EXPECT_EQ(
      odbc_string(settings("PostgreSQL Unicode", "127.0.0.1,5432", "u", "p", "raporty")),
      "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=raporty;UID=u;PWD=p;BoolsAsChar=0;");
  // Microsoft's driver reads the port from Server and has no Port keyword.
  EXPECT_EQ(odbc_string(settings("ODBC Driver 18 for SQL Server", "sql01\\R,1444", "u", "p", "")),
            "Driver={ODBC Driver 18 for SQL Server};Server=sql01\\R,1444;UID=u;PWD=p;");
}

TEST(ConnectionTarget, SqliteFileIsTakenFromTheHomeFolder) {
  core::Home home("/srv/orvena");
  auto file = [&](std::string driver, std::string db) {
    ConnectionTarget t = connection_target(settings(driver, "ignored", "", "", db), home);
    EXPECT_TRUE(std::holds_alternative<SqliteTarget>(t));
    return std::get<SqliteTarget>(t).file;
  };
  EXPECT_EQ(file("sqlite", "Dane/raporty.db"), std::filesystem::path("/srv/orvena/Dane/raporty.db"));
  EXPECT_EQ(file("SQLite", "/var/lib/raporty.db"), std::filesystem::path("/var/lib/raporty.db"));
  EXPECT_EQ(file("sqlite", ""), std::filesystem::path());
}

// The connection strings reach real drivers: an unreachable server and an unknown driver give an
// error with the driver manager's or the driver's words, quickly, and never crash.
TEST(ConnectionTarget, UnreachableSqlServerFailsWithTheDriversMessage) {
  Connection c;
  c.set_target(connection_target(settings("", "127.0.0.1,1", "sa", "x", "master"), core::Home("/tmp")));
  c.set_connect_timeout(std::chrono::seconds(2));
  try {
    c.open();
    FAIL() << "connected to port 1";
  } catch (const core::Error& e) {
    EXPECT_FALSE(std::string(e.what()).empty());
    EXPECT_EQ(std::string(e.what()).find("Can't open lib"), std::string::npos)
        << "the FreeTDS driver must be installed: " << e.what();
  }
  EXPECT_FALSE(c.is_open());
}

// A server that takes the connection and then never says a word: the kernel completes the TCP
// handshake from the listen backlog, nobody reads.
class SilentServer {
 public:
  SilentServer() {
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(m_fd, 8) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      ADD_FAILURE() << "cannot listen on the loopback address";
    m_port = ntohs(a.sin_port);
  }
  ~SilentServer() { close(m_fd); }
  std::string port() const { return std::to_string(m_port); }

 private:
  int m_fd = -1;
  int m_port = 0;
};

TEST(ConnectionTarget, ALoginThatIsNeverAnsweredEndsAtTheConnectTimeOut) {
  for (const char* driver : {"", "PostgreSQL Unicode"}) {
    SilentServer server;
    Connection c;
    c.set_target(
        connection_target(settings(driver, "127.0.0.1," + server.port(), "u", "p", "db"), core::Home("/")));
    c.set_connect_timeout(std::chrono::seconds(1));
    auto start = std::chrono::steady_clock::now();
    try {
      c.open();
      ADD_FAILURE() << driver << ": connected to a silent server";
    } catch (const core::Error& e) {
      EXPECT_NE(core::to_lower(e.what()).find("timeout"), std::string::npos) << driver << ": " << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, orvena::test::kEndsWellBeforeAHang)
        << driver << ": the 1 s limit, not the default 240 s";
  }
}

TEST(ConnectionTarget, UnknownDriverFailsWithTheDriverManagersMessage) {
  Connection c;
  c.set_target(OdbcTarget{"Driver={No Such Driver};Server=127.0.0.1;"});
  try {
    c.open();
    FAIL() << "connected through a driver that does not exist";
  } catch (const core::Error& e) {
    EXPECT_NE(std::string(e.what()).find("No Such Driver"), std::string::npos) << e.what();
  }
}

TEST(ConnectionTarget, ABackendExistsOnlyWhileOpen) {
  Connection c;
  c.set_target(OdbcTarget{"Driver={No Such Driver};"});
  EXPECT_THROW(c.backend(), core::Error) << "closed";
  EXPECT_NO_THROW(c.close());
}

}  // namespace
}  // namespace orvena::config
