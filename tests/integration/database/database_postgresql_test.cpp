// The database suite on PostgreSQL through psqlODBC, and what only a server can show: a login
// it refuses, and the settings file's keys reaching it through a named ODBC driver.
#include <gtest/gtest.h>

#include <map>

#include "config/connection.h"
#include "core/text.h"
#include "db/database.h"
#include "db/database_suite.h"
#include "support/servers.h"

namespace orvena::db {
namespace {

using config::connection_target;
using config::Konfiguracja;
using test::DatabaseSuite;
using test::server_env;

constexpr const char* kPgOdbc = "ORVENA_TEST_PG_ODBC";

INSTANTIATE_TEST_SUITE_P(PostgreSQL, DatabaseSuite,
                         ::testing::Values(test::DatabaseBackendCase{
                             "postgresql", kPgOdbc,
                             [] {
                               // Booleans as SQL_BIT, as a settings-built string asks for them.
                               std::string text = server_env(kPgOdbc);
                               if (!text.empty() && text.back() != ';') text += ';';
                               return ConnectionTarget{OdbcTarget{text + "BoolsAsChar=0;"}};
                             },
                             "SELECT pg_sleep(5)", std::chrono::seconds(1)}),
                         [](const auto& info) { return info.param.name; });

// Key=value pairs of the test server's connection string.
std::map<std::string, std::string> connection_values() {
  std::map<std::string, std::string> out;
  const std::string text = server_env(kPgOdbc);
  for (std::string_view rest = text; !rest.empty();) {
    size_t semi = rest.find(';');
    std::string_view pair = rest.substr(0, semi);
    rest = semi == rest.npos ? std::string_view() : rest.substr(semi + 1);
    size_t eq = pair.find('=');
    if (eq != pair.npos) out[core::to_lower(pair.substr(0, eq))] = std::string(pair.substr(eq + 1));
  }
  return out;
}

Konfiguracja settings_for_test_server(std::string password) {
  std::map<std::string, std::string> v = connection_values();
  Konfiguracja k;
  k.db_driver = "PostgreSQL Unicode";
  k.db_server = v["server"] + "," + v["port"];
  k.db_user = v["uid"];
  k.db_pass = std::move(password);
  k.db = v["database"];
  return k;
}

TEST(PostgreSQLConnection, SettingsReachTheServerThroughANamedDriver) {
  ORVENA_NEED_SERVER(kPgOdbc);
  Connection connection;
  connection.set_target(
      connection_target(settings_for_test_server(connection_values()["pwd"]), core::Home("/tmp")));
  connection.open();
  Query dataset(connection);
  dataset.set_command_text("SELECT current_user AS who, true AS yes");
  dataset.open();
  EXPECT_EQ(dataset.text(0), connection_values()["uid"]);
  EXPECT_EQ(dataset.field(1).kind, FieldKind::Boolean) << "BoolsAsChar=0 came from the settings";
  EXPECT_EQ(dataset.text(1), "True");
}

TEST(PostgreSQLConnection, ARefusedLoginGivesTheServersReason) {
  ORVENA_NEED_SERVER(kPgOdbc);
  // A password with ";" and "}" also shows that such values stay one value.
  Connection connection;
  connection.set_target(connection_target(settings_for_test_server("wrong;pass}word"), core::Home("/tmp")));
  try {
    connection.open();
    FAIL() << "logged in with a wrong password";
  } catch (const core::Error& e) {
    EXPECT_NE(std::string(e.what()).find("password authentication failed"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(connection.is_open());
}

TEST(PostgreSQLConnection, ANumericWithoutPrecisionKeepsEveryDigit) {
  ORVENA_NEED_SERVER(kPgOdbc);
  Connection connection;
  connection.set_target(OdbcTarget{server_env(kPgOdbc)});
  connection.open();
  Query dataset(connection);
  dataset.set_command_text(
      "SELECT 12345678901234567890.123456789::numeric AS big, 'zażółć gęślą jaźń'::varchar AS txt, "
      "NULL::integer AS nothing");
  dataset.open();
  EXPECT_EQ(dataset.text(0), "12345678901234567890,123456789");
  EXPECT_EQ(dataset.text(1), "zażółć gęślą jaźń");
  EXPECT_EQ(dataset.field(2).kind, FieldKind::Integer);
  EXPECT_TRUE(dataset.is_null(2));
}

}  // namespace
}  // namespace orvena::db
