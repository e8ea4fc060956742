#include "config/connection.h"

#include "core/text.h"

namespace orvena::config {

namespace {

bool names_postgresql(std::string_view driver) {
  return core::find_ignore_case(driver, "postgres") != std::string::npos;
}

// Microsoft's own drivers read "host\instance,port" in Server and know no Port keyword.
bool names_microsoft_driver(std::string_view driver) {
  return core::find_ignore_case(driver, "SQL Server") != std::string::npos;
}

void add(std::string& out, std::string_view key, std::string_view value) {
  if (value.empty()) return;
  out.append(key);
  out += '=';
  out += odbc_value(value);
  out += ';';
}

}  // namespace

db::ConnectionTarget connection_target(const Konfiguracja& settings, const core::Home& home) {
  std::string driver = core::trim(settings.db_driver);
  if (core::equals_ignore_case(driver, "sqlite")) {
    if (settings.db.empty()) return db::SqliteTarget{};  // refused at open with a clear message
    return db::SqliteTarget{home.resolve(settings.db)};
  }
  return db::OdbcTarget{
      odbc_connection_string(driver.empty() ? kDefaultOdbcDriver : std::string_view(driver), settings)};
}

ServerAddress parse_server_address(std::string_view db_server) {
  std::string s = core::trim(db_server);
  if (s.size() >= 4 && core::equals_ignore_case(std::string_view(s).substr(0, 4), "tcp:")) s.erase(0, 4);
  ServerAddress a;
  if (size_t comma = s.find(','); comma != std::string::npos) {
    a.port = core::trim(std::string_view(s).substr(comma + 1));
    s.erase(comma);
  }
  if (size_t slash = s.find('\\'); slash != std::string::npos) {
    a.instance = core::trim(std::string_view(s).substr(slash + 1));
    s.erase(slash);
  }
  a.host = core::trim(s);
  if (a.host == "." || core::equals_ignore_case(a.host, "(local)")) a.host = "localhost";
  return a;
}

std::string odbc_value(std::string_view value) {
  bool plain = value.find_first_of(";{}") == std::string_view::npos &&
               (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return std::string(value);
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string odbc_connection_string(std::string_view driver, const Konfiguracja& settings) {
  std::string out = "Driver={";
  for (char c : driver) {
    out += c;
    if (c == '}') out += '}';
  }
  out += "};";
  ServerAddress a = parse_server_address(settings.db_server);
  std::string server = a.host;
  if (!a.instance.empty()) server += "\\" + a.instance;
  if (names_microsoft_driver(driver)) {
    if (!a.port.empty()) server += "," + a.port;
    add(out, "Server", server);
  } else {
    add(out, "Server", server);
    add(out, "Port", a.port);
  }
  add(out, "Database", settings.db);
  add(out, "UID", settings.db_user);
  add(out, "PWD", settings.db_pass);
  // FreeTDS's automatic protocol probing ignores the login time-out and can wait for ever on a
  // server that does not answer; 7.4 is what SQL Server 2012 and later speak, and older servers
  // answer it with their own version.
  if (core::equals_ignore_case(driver, kDefaultOdbcDriver)) out += "TDS_Version=7.4;ClientCharset=UTF-8;";
  // psqlODBC reports booleans as text unless told otherwise.
  if (names_postgresql(driver)) out += "BoolsAsChar=0;";
  return out;
}

}  // namespace orvena::config
