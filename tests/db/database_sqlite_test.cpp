// The database suite on SQLite, and what only the SQLite backend does: kinds from declared
// column types, values that do not match their declared type, files that are no database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <fstream>

#include "core/temp_dir.h"
#include "db/database.h"
#include "db/database_suite.h"
#include "db/sqlite/sqlite_backend.h"

namespace orvena::db {
namespace {

using test::DatabaseSuite;
using test::StreamedRows;

// A fresh database file per call, in a folder that lives as long as the test program.
std::filesystem::path new_database(const std::string& sql = "") {
  static core::TempDir dir;
  static std::atomic<int> counter{0};
  std::filesystem::path file = dir.path() / ("db" + std::to_string(++counter) + ".sqlite");
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, ("PRAGMA user_version = 1;" + sql).c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Sqlite, DatabaseSuite,
    ::testing::Values(test::DatabaseBackendCase{
        "sqlite", "", [] { return ConnectionTarget{SqliteTarget{new_database()}}; },
        // Counts for ever: only the time limit stops it.
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c",
        std::chrono::milliseconds(300)}),
    [](const auto& info) { return info.param.name; });

class SqliteDataset : public ::testing::Test {
 protected:
  void open_database(const std::string& sql) {
    connection.set_target(SqliteTarget{new_database(sql)});
    connection.open();
  }
  void run(const std::string& sql) {
    dataset.close();
    dataset.set_command_text(sql);
    dataset.open();
  }
  Connection connection;
  Query dataset{connection};
};

TEST(SqliteDeclaredTypes, MapToFieldKinds) {
  struct Case {
    const char* declared;
    FieldKind kind;
    int precision, scale;
  } cases[] = {
      {"INTEGER", FieldKind::Integer, 0, 0},
      {"int", FieldKind::Integer, 0, 0},
      {"BIGINT", FieldKind::BigInt, 0, 0},
      {"SMALLINT", FieldKind::SmallInt, 0, 0},
      {"TINYINT", FieldKind::TinyInt, 0, 0},
      {"DECIMAL(10,2)", FieldKind::Decimal, 10, 2},
      {"numeric( 18 , 6 )", FieldKind::Numeric, 18, 6},
      {"DECIMAL", FieldKind::Decimal, 18, 0},  // SQL's default decimal(18, 0)
      {"DECIMAL(5)", FieldKind::Decimal, 5, 0},
      {"MONEY", FieldKind::Currency, 0, 0},
      {"REAL", FieldKind::Double, 0, 0},
      {"FLOAT", FieldKind::Double, 0, 0},
      {"DOUBLE PRECISION", FieldKind::Double, 0, 0},
      {"TEXT", FieldKind::VarWChar, 0, 0},
      {"VARCHAR(50)", FieldKind::VarWChar, 0, 0},
      {"NVARCHAR(10)", FieldKind::VarWChar, 0, 0},
      {"DATE", FieldKind::DBDate, 0, 0},
      {"DATETIME", FieldKind::DBTimeStamp, 0, 0},
      {"TIMESTAMP", FieldKind::DBTimeStamp, 0, 0},
      {"TIME", FieldKind::DBTime, 0, 0},
      {"BOOLEAN", FieldKind::Boolean, 0, 0},
      {"BLOB", FieldKind::LongVarBinary, 0, 0},
      {"", FieldKind::Empty, 0, 0},          // an expression: the values decide
      {"WHATEVER", FieldKind::Empty, 0, 0},  // unknown: the values decide
  };
  for (const Case& c : cases) {
    FieldInfo f = sqlite::field_from_declared_type("x", c.declared);
    EXPECT_EQ(f.kind, c.kind) << c.declared;
    EXPECT_EQ(f.precision, c.precision) << c.declared;
    EXPECT_EQ(f.scale, c.scale) << c.declared;
  }
}

TEST_F(SqliteDataset, ExpressionsTakeTheirKindFromTheirValues) {
  open_database("");
  run("SELECT 1 AS a, 1.5 AS b, 'x' AS c, NULL AS d, 3000000000 AS e "
      "UNION ALL SELECT 2, 2, 'y', NULL, 1");
  const FieldKind expected[] = {FieldKind::Integer, FieldKind::Double, FieldKind::VarWChar,
                                FieldKind::VarWChar, FieldKind::BigInt};
  for (size_t f = 0; f < 5; ++f) EXPECT_EQ(dataset.field(f).kind, expected[f]) << f;
  dataset.next();
  EXPECT_EQ(dataset.text(1), "2") << "an integer in a column of doubles";
}

TEST_F(SqliteDataset, AnExpressionStartingWithNullsTakesTheKindOfItsFirstValue) {
  open_database("CREATE TABLE t (k INTEGER, v); INSERT INTO t VALUES (1, NULL), (2, NULL), (3, 2.5);");
  run("SELECT v FROM t ORDER BY k");
  EXPECT_EQ(dataset.field(0).kind, FieldKind::Double);
  EXPECT_TRUE(dataset.is_null(0));
  dataset.last();
  EXPECT_EQ(dataset.text(0), "2,5");
}

TEST_F(SqliteDataset, ValuesThatDoNotMatchTheDeclaredTypeAreKeptWhole) {
  // SQLite enforces no declared type: nothing may be lost or made up when a column disagrees.
  open_database(
      "CREATE TABLE t (k INTEGER, n INTEGER, d DECIMAL(10,2), day DATE, flag BOOLEAN);"
      "INSERT INTO t VALUES (1, 7, 1.5, '2024-01-31', 1);"
      "INSERT INTO t VALUES (2, 'abc', 1.234, 'soon', 'maybe');");
  run("SELECT n, d, day, flag FROM t ORDER BY k");
  EXPECT_EQ(dataset.field(1).kind, FieldKind::Decimal) << "the declared kind stays";
  std::vector<std::string> first, second;
  for (size_t f = 0; f < 4; ++f) first.push_back(dataset.text(f));
  EXPECT_EQ(dataset.value(0), core::Variant(int32_t{7}));
  dataset.next();
  for (size_t f = 0; f < 4; ++f) second.push_back(dataset.text(f));
  EXPECT_EQ(first, (std::vector<std::string>{"7", "1,5", "2024-01-31", "True"}));
  EXPECT_EQ(second, (std::vector<std::string>{"abc", "1,234", "soon", "maybe"}));
  EXPECT_EQ(dataset.value(0), core::Variant("abc"));
}

TEST_F(SqliteDataset, DateFormsSqliteStores) {
  open_database(
      "CREATE TABLE t (k INTEGER, ts DATETIME);"
      "INSERT INTO t VALUES (1, '2024-05-06T07:08:09.250');"
      "INSERT INTO t VALUES (2, 2460436.5);"  // a Julian day number: 2024-05-06 00:00
      "INSERT INTO t VALUES (3, '2024-05-06 07:08');");
  run("SELECT ts FROM t ORDER BY k");
  std::vector<std::string> texts;
  for (; !dataset.eof(); dataset.next()) texts.push_back(dataset.text(0));
  EXPECT_EQ(texts, (std::vector<std::string>{"2024-05-06 07:08:09", "2024-05-06", "2024-05-06 07:08:00"}));
}

TEST_F(SqliteDataset, CursorBookmarksAndBounds) {
  open_database("CREATE TABLE t (k INTEGER); INSERT INTO t VALUES (10), (20), (30);");
  run("SELECT k FROM t ORDER BY k");
  EXPECT_TRUE(dataset.bof());
  EXPECT_FALSE(dataset.eof());
  dataset.prior();  // before the first row: stays on it
  EXPECT_TRUE(dataset.bof());
  EXPECT_EQ(dataset.text(0), "10");
  dataset.next();
  Query::Bookmark mark = dataset.bookmark();
  dataset.last();
  EXPECT_TRUE(dataset.eof());
  EXPECT_EQ(dataset.text(0), "30");
  dataset.next();  // past the last row: stays on it
  EXPECT_EQ(dataset.text(0), "30");
  dataset.prior();
  EXPECT_FALSE(dataset.eof());
  EXPECT_EQ(dataset.text(0), "20");
  dataset.first();
  dataset.go_to(mark);
  EXPECT_EQ(dataset.text(0), "20");
  EXPECT_THROW(dataset.go_to(3), core::Error);
  EXPECT_EQ(dataset.field_index("K"), 0u) << "field names ignore letter case";
  EXPECT_THROW(dataset.field_index("nope"), core::Error);
  EXPECT_THROW(dataset.text(1), core::Error);
  EXPECT_EQ(dataset.result().text(2, 0), "30") << "any row without moving the cursor";
}

TEST_F(SqliteDataset, AClosedDatasetRefusesReadsAndAnOpenOneRefusesNewCommandText) {
  open_database("");
  EXPECT_THROW(dataset.record_count(), core::Error);
  EXPECT_THROW(dataset.eof(), core::Error);
  EXPECT_THROW(dataset.text(0), core::Error);
  run("SELECT 1");
  EXPECT_THROW(dataset.set_command_text("SELECT 2"), core::Error);
  EXPECT_THROW(connection.set_target(SqliteTarget{"other.db"}), core::Error);
  connection.close();
  dataset.close();
  dataset.set_command_text("SELECT 1");
  EXPECT_THROW(dataset.open(), core::Error) << "the connection is closed";
}

TEST_F(SqliteDataset, AFailedBatchLeavesNoTransactionOpen) {
  open_database("CREATE TABLE t (k INTEGER);");
  dataset.set_command_text("BEGIN; SELECT count(*) FROM t; SELECT * FROM no_such_table");
  EXPECT_THROW(dataset.open(), core::Error);
  run("SELECT count(*) FROM t");
  EXPECT_EQ(dataset.text(0), "0");
  // Another connection can write: no lock was left behind.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(std::get<SqliteTarget>(connection.target()).file.c_str(), &other), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(other, "INSERT INTO t VALUES (2)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
}

// The rows of an expression that starts with NULL wait until its kind is known; a reader that
// stops the fetch midway leaves no transaction of the batch open.
TEST_F(SqliteDataset, StreamedRowsWaitForTheKindAndAStoppedFetchLeavesNoTransaction) {
  open_database("CREATE TABLE t (k INTEGER); INSERT INTO t VALUES (1), (2), (3), (4);");
  dataset.set_command_text("SELECT CASE WHEN k < 3 THEN NULL ELSE k END AS e FROM t ORDER BY k");
  StreamedRows streamed;
  dataset.stream(streamed);
  EXPECT_EQ(streamed.parts, (std::vector<size_t>{3, 1, 0}));
  EXPECT_EQ(streamed.texts, (std::vector<std::vector<std::string>>{{""}, {""}, {"3"}, {"4"}}));
  EXPECT_EQ(streamed.fields.at(0).kind, FieldKind::Integer);

  struct Stop final : RowSink {
    void rows(const ResultSet&) override { throw std::runtime_error("stop"); }
  } stop;
  dataset.set_command_text("BEGIN; SELECT k FROM t");
  EXPECT_THROW(dataset.stream(stop), std::runtime_error);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(std::get<SqliteTarget>(connection.target()).file.c_str(), &other), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(other, "INSERT INTO t VALUES (5)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  run("BEGIN; SELECT count(*) FROM t; COMMIT");
  EXPECT_EQ(dataset.text(0), "5");
}

// A report's SQL reads. It may neither change the database nor reach another file: ATTACH
// could delete another database's rows, VACUUM INTO writes a copy anywhere.
TEST_F(SqliteDataset, ReportSqlCannotWriteNorReachOtherFiles) {
  open_database("CREATE TABLE t (k INTEGER); INSERT INTO t VALUES (1);");
  const auto folder = std::get<SqliteTarget>(connection.target()).file.parent_path();
  const auto other = new_database("CREATE TABLE o (k INTEGER); INSERT INTO o VALUES (1);");
  const auto copy = folder / "kopia.db";
  struct Case {
    std::string sql;
    const char* message;
  };
  const Case cases[] = {
      {"DELETE FROM t; SELECT 1", "attempt to write a readonly database"},
      {"ATTACH '" + other.string() + "' AS o; DELETE FROM o.o; SELECT 1", "not authorized"},
      // VACUUM attaches its target as it runs, so it is refused then.
      {"VACUUM INTO '" + copy.string() + "'; SELECT 1", "authorization denied"},
      {"VACUUM; SELECT 1", "authorization denied"},
      {"DETACH main; SELECT 1", "not authorized"},
  };
  for (const Case& c : cases) {
    dataset.close();
    dataset.set_command_text(c.sql);
    try {
      dataset.open();
      ADD_FAILURE() << c.sql << " ran";
    } catch (const core::Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.sql;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(copy));
  run("SELECT count(*) FROM t");
  EXPECT_EQ(dataset.text(0), "1");
  Connection reader;
  reader.set_target(SqliteTarget{other});
  reader.open();
  EXPECT_EQ(reader.backend().execute("SELECT count(*) FROM o", std::chrono::seconds(1)).text(0, 0), "1");
}

TEST_F(SqliteDataset, EmptyAndCommentOnlyStatementsInABatchAreSkipped) {
  open_database("");
  run(";; -- nothing here\n SELECT 'a' AS x; ;");
  EXPECT_EQ(dataset.text(0), "a");
  dataset.close();
  dataset.set_command_text("   ");
  EXPECT_THROW(dataset.open(), core::Error);
  // SQLite stops reading at a NUL; the batch must be refused, not run halfway or loop.
  for (std::string sql : {std::string("SELECT 1;\0SELECT 2", 18), std::string("SELECT 1\0", 9)}) {
    dataset.set_command_text(sql);
    EXPECT_THROW(dataset.open(), core::Error);
  }
}

TEST(SqliteOpen, MissingFileIsAnErrorNamingItAndIsNotCreated) {
  core::TempDir dir;
  std::filesystem::path file = dir.path() / "brak.sqlite";
  Connection c;
  c.set_target(SqliteTarget{file});
  try {
    c.open();
    FAIL() << "opened a missing file";
  } catch (const core::Error& e) {
    EXPECT_NE(std::string(e.what()).find("brak.sqlite"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(c.is_open());
}

TEST(SqliteOpen, AFileThatIsNoDatabaseFailsAtOpen) {
  core::TempDir dir;
  std::filesystem::path file = dir.path() / "notes.sqlite";
  std::ofstream(file) << "these are not the pages of a database, just some text that is long enough";
  Connection c;
  c.set_target(SqliteTarget{file});
  try {
    c.open();
    FAIL() << "opened a text file";
  } catch (const core::Error& e) {
    EXPECT_NE(std::string(e.what()).find("not a database"), std::string::npos) << e.what();
  }
}

TEST(SqliteOpen, NoFileNameGivesAClearError) {
  Connection c;
  c.set_target(SqliteTarget{});
  EXPECT_THROW(c.open(), core::Error);
}

}  // namespace
}  // namespace orvena::db
