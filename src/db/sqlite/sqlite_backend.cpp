#include "db/sqlite/sqlite_backend.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>

#include "core/error.h"
#include "core/text.h"

namespace orvena::db::sqlite {

namespace {

// SQLite keeps a date given as a number as a Julian day; day 0 of DateTime (1899-12-30) is
// Julian day 2415018.5.
constexpr double kJulianDayOfZero = 2415018.5;

using Clock = std::chrono::steady_clock;

// The progress handler looks at the clock once per this many virtual machine steps: often
// enough to stop within milliseconds, rare enough to cost nothing measurable.
constexpr int kProgressSteps = 1000;

bool contains(std::string_view hay, std::string_view needle) {
  return hay.find(needle) != hay.npos;
}

// "DECIMAL(10, 2)" -> precision 10, scale 2; missing numbers keep the defaults.
void read_precision(std::string_view args, int& precision, int& scale) {
  auto read = [](std::string_view s, int& out) {
    s = s.substr(std::min(s.find_first_not_of(' '), s.size()));
    int v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc() && v >= 0 && v <= 1000) out = v;
  };
  size_t comma = args.find(',');
  read(args.substr(0, comma), precision);
  if (comma != args.npos) read(args.substr(comma + 1), scale);
}

// Reports only read. ATTACH would reach another file (and, opened by a report's SQL, write it);
// VACUUM INTO writes a copy anywhere. SQLite authorizes VACUUM as an ATTACH of its target.
int refuse_other_files(void*, int action, const char*, const char*, const char*, const char*) {
  return action == SQLITE_ATTACH || action == SQLITE_DETACH ? SQLITE_DENY : SQLITE_OK;
}

class SqliteBackend final : public Backend {
 public:
  SqliteBackend(sqlite3* db, std::filesystem::path file) : m_db(db), m_file(std::move(file)) {}
  ~SqliteBackend() override { sqlite3_close_v2(m_db); }

  ResultSet run(std::string_view batch, Milliseconds timeout, RowSink* sink) override;

 private:
  struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
  };

  static int on_progress(void* self);
  [[noreturn]] void fail();
  ResultSet fetch(sqlite3_stmt* stmt, RowSink* sink);
  void run_statement(sqlite3_stmt* stmt);

  sqlite3* m_db;
  std::filesystem::path m_file;
  Clock::time_point m_deadline;
  bool m_timed_out = false;
};

int SqliteBackend::on_progress(void* self) {
  auto* b = static_cast<SqliteBackend*>(self);
  if (Clock::now() < b->m_deadline) return 0;
  b->m_timed_out = true;
  return 1;  // SQLite stops the statement with SQLITE_INTERRUPT
}

void SqliteBackend::fail() {
  std::string message = m_timed_out ? "Query timeout expired" : sqlite3_errmsg(m_db);
  // A batch that began a transaction and then failed must not leave it open: it would hold
  // the database's lock for every later query.
  if (!sqlite3_get_autocommit(m_db)) {
    sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  throw core::Error(message);
}

ResultSet SqliteBackend::run(std::string_view batch, Milliseconds timeout, RowSink* sink) {
  if (batch.size() > static_cast<size_t>(INT_MAX)) throw core::Error("SQL statement too long");
  // SQLite reads a statement only up to a NUL and would stand still there.
  if (batch.find('\0') != std::string_view::npos) throw core::Error("The SQL text contains a NUL character");
  m_deadline = Clock::now() + timeout;
  m_timed_out = false;
  sqlite3_progress_handler(m_db, kProgressSteps, &SqliteBackend::on_progress, this);
  sqlite3_busy_timeout(m_db, static_cast<int>(std::min<int64_t>(timeout.count(), INT_MAX)));

  std::optional<ResultSet> result;
  const char* sql = batch.data();
  const char* end = sql + batch.size();
  try {
    while (sql < end) {
      Statement s;
      const char* tail = nullptr;
      if (sqlite3_prepare_v2(m_db, sql, static_cast<int>(end - sql), &s.stmt, &tail) != SQLITE_OK) fail();
      if (!tail || tail <= sql) break;  // no progress: nothing more SQLite can read
      sql = tail;
      if (!s.stmt) continue;  // only blanks or a comment
      // The first statement that returns columns gives the result; the others still run, in order.
      if (!result && sqlite3_column_count(s.stmt) > 0)
        result = fetch(s.stmt, sink);
      else
        run_statement(s.stmt);
    }
  } catch (...) {
    // A sink that stopped the fetch leaves no transaction of the batch open either.
    sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
  if (!result) throw core::Error("CommandText does not return a result set");
  return std::move(*result);
}

void SqliteBackend::run_statement(sqlite3_stmt* stmt) {
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) fail();
}

ResultSet SqliteBackend::fetch(sqlite3_stmt* stmt, RowSink* sink) {
  int n = sqlite3_column_count(stmt);
  std::vector<FieldInfo> fields;
  fields.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    const char* declared = sqlite3_column_decltype(stmt, i);
    fields.push_back(field_from_declared_type(name ? name : "", declared ? declared : ""));
  }
  std::vector<bool> date_column(fields.size());
  for (size_t f = 0; f < fields.size(); ++f) date_column[f] = storage_for(fields[f]) == Storage::Date;
  ResultSetBuilder builder(std::move(fields), sink);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int i = 0; i < n; ++i) {
      size_t f = static_cast<size_t>(i);
      // Asked once: each call looks the value up again under the statement's lock.
      int type = sqlite3_column_type(stmt, i);
      switch (type) {
        case SQLITE_NULL:
          builder.add_null(f);
          break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
          if (date_column[f]) {
            builder.add_date(f, sqlite3_column_double(stmt, i) - kJulianDayOfZero);
          } else if (type == SQLITE_INTEGER) {
            builder.add_integer(f, sqlite3_column_int64(stmt, i));
          } else {
            builder.add_real(f, sqlite3_column_double(stmt, i));
          }
          break;
        case SQLITE_TEXT: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
          builder.add_text(f, std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt, i))));
          break;
        }
        default: {
          const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt, i));
          size_t size = static_cast<size_t>(sqlite3_column_bytes(stmt, i));
          builder.add_bytes(f, blob ? std::string_view(blob, size) : std::string_view());
          break;
        }
      }
    }
    builder.end_row();
  }
  if (rc != SQLITE_DONE) fail();
  return builder.finish();
}

}  // namespace

FieldInfo field_from_declared_type(std::string name, std::string_view declared) {
  FieldInfo f{std::move(name), FieldKind::Empty, 0, 0};
  std::string type = core::to_upper(core::trim(declared));
  std::string_view args;
  size_t paren = type.find('(');
  std::string base = core::trim(std::string_view(type).substr(0, paren));
  if (paren != type.npos) {
    size_t close = type.find(')', paren);
    args = std::string_view(type).substr(paren + 1, close == type.npos ? type.npos : close - paren - 1);
  }
  if (base.empty()) return f;

  if (base == "DECIMAL" || base == "NUMERIC" || base == "NUMBER") {
    f.kind = base == "DECIMAL" ? FieldKind::Decimal : FieldKind::Numeric;
    f.precision = 18;  // SQL's default decimal is decimal(18, 0)
    f.scale = 0;
    read_precision(args, f.precision, f.scale);
    if (f.scale > f.precision) f.scale = f.precision;
  } else if (base == "MONEY" || base == "SMALLMONEY" || base == "CURRENCY") {
    f.kind = FieldKind::Currency;
  } else if (contains(base, "BIGINT") || base == "INT8" || base == "UNSIGNED BIG INT") {
    f.kind = FieldKind::BigInt;
  } else if (base == "TINYINT") {
    f.kind = FieldKind::TinyInt;
  } else if (base == "SMALLINT" || base == "INT2") {
    f.kind = FieldKind::SmallInt;
  } else if (contains(base, "INT")) {
    f.kind = FieldKind::Integer;
  } else if (base == "REAL" || contains(base, "FLOA") || contains(base, "DOUB")) {
    f.kind = FieldKind::Double;
  } else if (base == "BOOLEAN" || base == "BOOL" || base == "BIT") {
    f.kind = FieldKind::Boolean;
  } else if (base == "DATE") {
    f.kind = FieldKind::DBDate;
  } else if (base == "TIME") {
    f.kind = FieldKind::DBTime;
  } else if (contains(base, "DATETIME") || contains(base, "TIMESTAMP")) {
    f.kind = FieldKind::DBTimeStamp;
  } else if (base == "UUID" || base == "GUID" || base == "UNIQUEIDENTIFIER") {
    f.kind = FieldKind::Guid;
  } else if (contains(base, "CHAR") || contains(base, "CLOB") || contains(base, "TEXT") || base == "STRING") {
    f.kind = FieldKind::VarWChar;
  } else if (contains(base, "BLOB") || contains(base, "BINARY")) {
    f.kind = FieldKind::LongVarBinary;
  }
  return f;
}

std::unique_ptr<Backend> open(const std::filesystem::path& file, Milliseconds busy_timeout) {
  if (file.empty()) throw core::Error("No SQLite database file given ([db]=)");
  sqlite3* db = nullptr;
  // Read-only: a report's SQL must not change the database it reads. A connection is only ever
  // used by the thread running its query, so it goes without the lock SQLite would otherwise take
  // around every step and every value read.
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  auto refuse = [&](int code) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    sqlite3_close_v2(db);
    throw core::Error(message + ": " + file.string());
  };
  if (rc != SQLITE_OK) refuse(rc);
  sqlite3_extended_result_codes(db, 0);
  sqlite3_busy_timeout(db, static_cast<int>(std::min<int64_t>(busy_timeout.count(), INT_MAX)));
  // Opening is lazy: read the schema now so that a file that is no database fails here, at
  // connect time, with its name in the message.
  rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) refuse(rc);
  sqlite3_set_authorizer(db, refuse_other_files, nullptr);
  return std::make_unique<SqliteBackend>(db, file);
}

}  // namespace orvena::db::sqlite
