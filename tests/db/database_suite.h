#pragma once
// The database behaviour every backend must show, written once and run against each of them:
// SQLite in the unit tests, PostgreSQL over ODBC in the integration tests. Include this header in
// exactly one file of a test executable and instantiate DatabaseSuite there with the backend.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/error.h"
#include "db/database.h"
#include "support/servers.h"
#include "support/time_bounds.h"

namespace orvena::test {

struct DatabaseBackendCase {
  std::string name;
  std::string required_env;  // the test server variable it needs, or "" for none
  std::function<db::ConnectionTarget()> target;
  std::string slow_query;  // takes several seconds
  db::Milliseconds short_timeout;
};

inline std::ostream& operator<<(std::ostream& os, const DatabaseBackendCase& c) {
  return os << c.name;
}

class DatabaseSuite : public ::testing::TestWithParam<DatabaseBackendCase> {
 protected:
  void SetUp() override {
    if (!GetParam().required_env.empty()) ORVENA_NEED_SERVER(GetParam().required_env.c_str());
    connection.set_target(GetParam().target());
    connection.open();
    // A temporary table is private to this session, so tests may run in parallel on one server.
    run("CREATE TEMP TABLE kinds (i integer, b bigint, d1 decimal(10,2), d2 decimal(18,6), f float, "
        "s text, dt date, ts timestamp, flag boolean);"
        "INSERT INTO kinds VALUES (1, 9000000000, 12.50, 123.456789, 1.5, 'zażółć', '2024-03-01', "
        "'2024-03-01 13:45:10', true);"
        "INSERT INTO kinds VALUES (2, -1, -0.05, 0.000001, -0.000000225, 'a;b\"c', '1999-12-31', "
        "'2024-03-02 00:00:00', false);"
        "INSERT INTO kinds VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
        "SELECT 1");
    dataset.close();
  }

  void run(const std::string& sql) {
    dataset.close();
    dataset.set_command_text(sql);
    dataset.open();
  }

  std::vector<std::string> row_texts() {
    std::vector<std::string> out;
    for (size_t f = 0; f < dataset.field_count(); ++f) out.push_back(dataset.text(f));
    return out;
  }

  db::Connection connection;
  db::Query dataset{connection};
};

TEST_P(DatabaseSuite, RecordCountIsExactAndTheCursorWalksEveryRow) {
  run("SELECT i FROM kinds ORDER BY i");
  EXPECT_EQ(dataset.record_count(), 3u);
  size_t seen = 0;
  for (; !dataset.eof(); dataset.next()) ++seen;
  EXPECT_EQ(seen, 3u);

  run("SELECT i FROM kinds WHERE i > 100");
  EXPECT_EQ(dataset.record_count(), 0u);
  EXPECT_TRUE(dataset.eof());
  EXPECT_TRUE(dataset.is_null(0)) << "an empty result reads as NULL, not as a crash";
}

TEST_P(DatabaseSuite, FieldKindsPrecisionAndScale) {
  using db::FieldKind;
  run("SELECT i, b, d1, d2, f, s, dt, ts, flag FROM kinds");
  ASSERT_EQ(dataset.field_count(), 9u);
  EXPECT_EQ(dataset.field(0).name, "i");
  EXPECT_EQ(dataset.field(0).kind, FieldKind::Integer);
  EXPECT_EQ(dataset.field(1).kind, FieldKind::BigInt);
  for (size_t f : {2u, 3u}) {
    EXPECT_TRUE(dataset.field(f).kind == FieldKind::Decimal || dataset.field(f).kind == FieldKind::Numeric)
        << db::field_kind_name(dataset.field(f).kind);
  }
  EXPECT_EQ(dataset.field(2).precision, 10);
  EXPECT_EQ(dataset.field(2).scale, 2);
  EXPECT_EQ(dataset.field(3).precision, 18);
  EXPECT_EQ(dataset.field(3).scale, 6);
  EXPECT_EQ(dataset.field(4).kind, FieldKind::Double);
  EXPECT_TRUE(db::is_text_kind(dataset.field(5).kind)) << db::field_kind_name(dataset.field(5).kind);
  EXPECT_EQ(dataset.field(6).kind, FieldKind::DBDate);
  EXPECT_EQ(dataset.field(7).kind, FieldKind::DBTimeStamp);
  EXPECT_EQ(dataset.field(8).kind, FieldKind::Boolean);

  // What the delimited-text writer makes of them: integers, doubles and decimal(10,2) bare;
  // bigint, decimal(18,6), text, dates and booleans delimited.
  std::vector<bool> numeric;
  for (size_t f = 0; f < 9; ++f) numeric.push_back(db::is_numeric_field(dataset.field(f)));
  EXPECT_EQ(numeric, (std::vector<bool>{true, false, true, false, true, false, false, false, false}));
}

TEST_P(DatabaseSuite, ValuesAsTextInTheLocaleFormats) {
  run("SELECT i, b, d1, d2, f, s, dt, ts, flag FROM kinds ORDER BY i");
  // NULLs sort first in PostgreSQL and last in SQLite: find the rows by their key.
  std::vector<std::vector<std::string>> rows;
  for (; !dataset.eof(); dataset.next()) rows.push_back(row_texts());
  std::sort(rows.begin(), rows.end());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], std::vector<std::string>(9, "")) << "NULL reads as empty text";
  EXPECT_EQ(rows[1], (std::vector<std::string>{"1", "9000000000", "12,5", "123,456789", "1,5", "zażółć",
                                               "2024-03-01", "2024-03-01 13:45:10", "True"}));
  // -0.000000225 is below 1E-4: the general form switches to an exponent, as the classic one does.
  // A timestamp at midnight leaves the time out.
  EXPECT_EQ(rows[2], (std::vector<std::string>{"2", "-1", "-0,05", "0,000001", "-2,25E-7", "a;b\"c",
                                               "1999-12-31", "2024-03-02", "False"}));
}

TEST_P(DatabaseSuite, ValuesAsVariants) {
  using core::VarType;
  run("SELECT i, b, d1, d2, f, s, dt, ts, flag FROM kinds WHERE i = 1");
  ASSERT_EQ(dataset.record_count(), 1u);
  EXPECT_EQ(dataset.value(0), core::Variant(int32_t{1}));
  EXPECT_EQ(dataset.value(1), core::Variant(int64_t{9000000000}));
  EXPECT_EQ(dataset.value(2), core::Variant(core::Currency{125000})) << "decimal(10,2) is exact, as currency";
  EXPECT_EQ(dataset.value(3).type(), VarType::Double);
  EXPECT_DOUBLE_EQ(dataset.value(3).to_double(), 123.456789);
  EXPECT_EQ(dataset.value(4), core::Variant(1.5));
  EXPECT_EQ(dataset.value(5), core::Variant("zażółć"));
  EXPECT_EQ(dataset.value(6), core::Variant::date(core::encode_date(2024, 3, 1)));
  EXPECT_EQ(dataset.value(7),
            core::Variant::date(core::encode_date(2024, 3, 1) + core::encode_time(13, 45, 10)));
  EXPECT_EQ(dataset.value(8), core::Variant(true));

  run("SELECT i, s FROM kinds WHERE i IS NULL");
  EXPECT_TRUE(dataset.is_null(0));
  EXPECT_TRUE(dataset.value(1).is_null());
}

TEST_P(DatabaseSuite, AFailingStatementReportsTheDatabasesMessage) {
  dataset.set_command_text("SELECT * FROM no_such_table");
  try {
    dataset.open();
    FAIL() << "no error";
  } catch (const core::Error& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(dataset.is_open());
  run("SELECT count(*) AS n FROM kinds");  // the connection is still usable
  EXPECT_EQ(dataset.text(0), "3");
}

TEST_P(DatabaseSuite, ABatchRunsInOrderAndKeepsItsFirstResultSet) {
  run("UPDATE kinds SET s = 'first' WHERE i = 1; SELECT s FROM kinds WHERE i = 1; "
      "UPDATE kinds SET s = 'second' WHERE i = 1; SELECT 42");
  ASSERT_EQ(dataset.record_count(), 1u);
  EXPECT_EQ(dataset.text(0), "first");
  run("SELECT s FROM kinds WHERE i = 1");
  EXPECT_EQ(dataset.text(0), "second") << "statements after the first result set ran too";

  dataset.close();
  dataset.set_command_text("UPDATE kinds SET s = 'x' WHERE i = 2");
  EXPECT_THROW(dataset.open(), core::Error) << "a batch without a result set is refused";
}

TEST_P(DatabaseSuite, TheQueryTimeOutIsHonoured) {
  dataset.set_command_timeout(GetParam().short_timeout);
  dataset.set_command_text(GetParam().slow_query);
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(dataset.open(), core::Error);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, GetParam().short_timeout + orvena::test::kEndsWellBeforeAHang) << "not the default 360 s";
  EXPECT_FALSE(dataset.is_open());
  dataset.set_command_timeout(db::kCommandTimeout);
  run("SELECT count(*) FROM kinds");
  EXPECT_EQ(dataset.text(0), "3");
}

TEST_P(DatabaseSuite, OpenAndCloseNotifyTheirListeners) {
  std::vector<std::string> events;
  dataset.close();
  dataset.subscribe(db::QueryEvent::AfterOpen,
                    [&](db::Query& d) { events.push_back("open " + std::to_string(d.record_count())); });
  int before = dataset.subscribe(db::QueryEvent::BeforeClose, [&](db::Query& d) {
    events.push_back(d.is_open() ? "closing" : "closing?");
  });
  dataset.subscribe(db::QueryEvent::AfterClose,
                    [&](db::Query& d) { events.push_back(d.is_open() ? "closed?" : "closed"); });
  run("SELECT i FROM kinds");
  dataset.close();
  dataset.close();  // already closed: no second notification
  dataset.set_command_text("SELECT * FROM no_such_table");
  EXPECT_THROW(dataset.open(), core::Error);  // a failed open notifies nobody
  dataset.unsubscribe(before);
  run("SELECT i FROM kinds WHERE i = 1");
  dataset.close();
  EXPECT_EQ(events, (std::vector<std::string>{"open 3", "closing", "closed", "open 1", "closed"}));
}

// What a streaming reader is handed: every row's texts and nulls, the size of each part, and the
// fields of the last part.
struct StreamedRows final : db::RowSink {
  std::vector<std::vector<std::string>> texts;
  std::vector<std::vector<bool>> nulls;
  std::vector<size_t> parts;
  std::vector<db::FieldInfo> fields;
  void rows(const db::ResultSet& rows) override {
    parts.push_back(rows.row_count());
    fields = rows.fields();
    for (size_t r = 0; r < rows.row_count(); ++r) {
      texts.emplace_back();
      nulls.emplace_back();
      for (size_t f = 0; f < rows.field_count(); ++f) {
        texts.back().push_back(rows.text(r, f));
        nulls.back().push_back(rows.is_null(r, f));
      }
    }
  }
};

// Streamed rows are the rows of the whole result, handed over one at a time once every column
// knows its kind (an expression whose first values are NULL may hold its rows back until then).
TEST_P(DatabaseSuite, StreamedRowsAreTheRowsOfTheWholeResult) {
  struct Case {
    const char* name;
    const char* sql;
    size_t rows_held_first;  // the most the first part may hold
  } cases[] = {
      {"declared kinds", "SELECT * FROM kinds ORDER BY i", 1},
      {"expression with nulls first",
       "SELECT CASE WHEN i = 2 THEN NULL ELSE i + 1 END AS e, s FROM kinds ORDER BY i IS NULL, i DESC", 2},
      {"empty", "SELECT i FROM kinds WHERE i > 100", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    run(c.sql);
    std::vector<std::vector<std::string>> texts;
    std::vector<std::vector<bool>> nulls;
    for (; !dataset.eof() && dataset.record_count() > 0; dataset.next()) {
      texts.push_back(row_texts());
      nulls.emplace_back();
      for (size_t f = 0; f < dataset.field_count(); ++f) nulls.back().push_back(dataset.is_null(f));
    }
    std::vector<std::string> names;
    for (size_t f = 0; f < dataset.field_count(); ++f) names.push_back(dataset.field(f).name);
    dataset.close();

    StreamedRows streamed;
    dataset.stream(streamed);
    EXPECT_FALSE(dataset.is_open());
    EXPECT_EQ(streamed.texts, texts);
    EXPECT_EQ(streamed.nulls, nulls);
    ASSERT_FALSE(streamed.parts.empty()) << "the fields come even without rows";
    EXPECT_LE(streamed.parts.front(), c.rows_held_first);
    for (size_t i = 1; i < streamed.parts.size(); ++i) EXPECT_LE(streamed.parts[i], 1u) << "part " << i;
    std::vector<std::string> streamed_names;
    for (const db::FieldInfo& f : streamed.fields) streamed_names.push_back(f.name);
    EXPECT_EQ(streamed_names, names);
  }
}

}  // namespace orvena::test
