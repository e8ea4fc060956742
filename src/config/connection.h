#pragma once
// From the settings to a database: [db_driver]= chooses the backend.
//   empty     SQL Server through the ODBC driver "FreeTDS", with [db_server], [db_user],
//             [db_pass] and [db] as server, login, password and database;
//   "sqlite"  [db]= is a SQLite database file, relative paths taken from the home folder;
//   other     the name of an installed ODBC driver, given the same four values.
#include <string>
#include <string_view>

#include "config/settings.h"
#include "core/paths.h"
#include "db/database.h"

namespace orvena::config {

inline constexpr std::string_view kDefaultOdbcDriver = "FreeTDS";

db::ConnectionTarget connection_target(const Konfiguracja& settings, const core::Home& home);

// [db_server] as SQL Server writes it: "host", "host,port", "host\instance", with an optional
// "tcp:" in front; "(local)" and "." mean this machine.
struct ServerAddress {
  std::string host;
  std::string port;      // empty: the driver's default
  std::string instance;  // empty: the default instance
};
ServerAddress parse_server_address(std::string_view db_server);

// A value for an ODBC connection string: braced, with "}" doubled, when it holds a character
// that would end or change it (";", braces, blanks at either end).
std::string odbc_value(std::string_view value);

// Driver={driver};Server=...;Port=...;Database=...;UID=...;PWD=...; in the form the driver reads.
std::string odbc_connection_string(std::string_view driver, const Konfiguracja& settings);

}  // namespace orvena::config
