#include "db/odbc/odbc_backend.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "core/encoding.h"
#include "core/error.h"
#include "core/text.h"

namespace orvena::db::odbc {

namespace {

static_assert(sizeof(SQLWCHAR) == 2, "the driver manager must use UTF-16 for wide text");

using WString = std::basic_string<SQLWCHAR>;

// SQL Server's own type codes that ODBC does not define.
constexpr int kSqlServerTime2 = -154;
constexpr int kSqlServerTimestampOffset = -155;
constexpr size_t kChunkBytes = 64 * 1024;

WString to_wide(std::string_view utf8) {
  WString out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = core::next_code_point(utf8, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<SQLWCHAR>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<SQLWCHAR>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<SQLWCHAR>(cp));
    }
  }
  return out;
}

std::string from_wide(const SQLWCHAR* text, size_t units) {
  return core::utf16_to_utf8(std::string_view(reinterpret_cast<const char*>(text), units * 2), false);
}

// Owns one ODBC handle.
class Handle {
 public:
  Handle(SQLSMALLINT type, SQLHANDLE parent) : m_type(type) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &m_handle))) {
      m_handle = SQL_NULL_HANDLE;
      throw core::Error("ODBC: cannot allocate a handle (is unixODBC installed?)");
    }
  }
  ~Handle() {
    if (m_handle != SQL_NULL_HANDLE) SQLFreeHandle(m_type, m_handle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHANDLE get() const { return m_handle; }
  SQLSMALLINT type() const { return m_type; }

 private:
  SQLSMALLINT m_type;
  SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

// The driver's diagnostic records as one line: the database's own words, nothing added.
std::string diagnostics(const Handle& h) {
  std::string out;
  for (SQLSMALLINT record = 1; record <= 8; ++record) {
    SQLWCHAR state[6];
    SQLINTEGER native = 0;
    SQLWCHAR message[2048];
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(h.type(), h.get(), record, state, &native, message,
                                  static_cast<SQLSMALLINT>(std::size(message)), &length);
    if (!SQL_SUCCEEDED(rc)) break;
    size_t units =
        std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), std::size(message) - 1);
    std::string text = from_wide(message, units);
    // Drivers break long messages over lines; the run log holds one line per event.
    for (char& c : text)
      if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    text = core::trim(text);
    if (text.empty() || out.find(text) != std::string::npos) continue;
    if (!out.empty()) out += "; ";
    out += text;
  }
  return out.empty() ? "ODBC error without a diagnostic message" : out;
}

[[noreturn]] void fail(const Handle& h) {
  throw core::Error(diagnostics(h));
}

void check(SQLRETURN rc, const Handle& h) {
  if (!SQL_SUCCEEDED(rc)) fail(h);
}

SQLULEN whole_seconds(Milliseconds t) {
  // ODBC counts seconds and 0 means "wait for ever": round up, at least one second.
  return static_cast<SQLULEN>(std::max<int64_t>(1, (t.count() + 999) / 1000));
}

// How a column's values are read with SQLGetData.
enum class Read { Integer, Real, Decimal, Date, Time, Timestamp, Bit, Text, Binary };

Read read_for(FieldKind kind) {
  switch (kind) {
    case FieldKind::TinyInt:
    case FieldKind::SmallInt:
    case FieldKind::Integer:
    case FieldKind::BigInt:
    case FieldKind::UnsignedTinyInt:
    case FieldKind::UnsignedSmallInt:
    case FieldKind::UnsignedInt:
      return Read::Integer;
    case FieldKind::Single:
    case FieldKind::Double:
      return Read::Real;
    case FieldKind::UnsignedBigInt:  // may exceed a signed 64-bit integer: read its digits
    case FieldKind::Currency:
    case FieldKind::Decimal:
    case FieldKind::Numeric:
    case FieldKind::VarNumeric:
      return Read::Decimal;
    case FieldKind::DBDate:
      return Read::Date;
    case FieldKind::DBTime:
      return Read::Time;
    case FieldKind::DBTimeStamp:
      return Read::Timestamp;
    case FieldKind::Boolean:
      return Read::Bit;
    case FieldKind::Binary:
    case FieldKind::VarBinary:
    case FieldKind::LongVarBinary:
      return Read::Binary;
    default:
      return Read::Text;
  }
}

class OdbcBackend final : public Backend {
 public:
  OdbcBackend(std::unique_ptr<Handle> env, std::unique_ptr<Handle> dbc)
      : m_env(std::move(env)), m_dbc(std::move(dbc)) {}
  ~OdbcBackend() override { SQLDisconnect(m_dbc->get()); }

  ResultSet run(std::string_view batch, Milliseconds timeout, RowSink* sink) override;

 private:
  ResultSet fetch(const Handle& stmt, SQLSMALLINT columns, RowSink* sink);
  // Reads a long value in chunks; false when it is NULL.
  bool read_long(const Handle& stmt, SQLUSMALLINT column, SQLSMALLINT c_type, std::string& out);

  std::unique_ptr<Handle> m_env;
  std::unique_ptr<Handle> m_dbc;
  std::vector<char> m_chunk = std::vector<char>(kChunkBytes);
};

ResultSet OdbcBackend::run(std::string_view batch, Milliseconds timeout, RowSink* sink) {
  Handle stmt(SQL_HANDLE_STMT, m_dbc->get());
  // A driver that cannot honour the limit answers with a warning; the statement still runs.
  SQLSetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(whole_seconds(timeout)),
                  0);
  WString sql = to_wide(batch);
  if (sql.size() > static_cast<size_t>(INT32_MAX)) throw core::Error("SQL statement too long");
  SQLRETURN rc = SQLExecDirectW(stmt.get(), sql.data(), static_cast<SQLINTEGER>(sql.size()));
  if (rc != SQL_NO_DATA) check(rc, stmt);

  // The first result set is the result; later statements of the batch still run to the end.
  std::optional<ResultSet> result;
  for (;;) {
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(stmt.get(), &columns), stmt);
    if (columns > 0 && !result) result = fetch(stmt, columns, sink);
    rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA) break;
    check(rc, stmt);
  }
  if (!result) throw core::Error("CommandText does not return a result set");
  return std::move(*result);
}

bool OdbcBackend::read_long(const Handle& stmt, SQLUSMALLINT column, SQLSMALLINT c_type, std::string& out) {
  size_t terminator = c_type == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 0;
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt.get(), column, c_type, m_chunk.data(), static_cast<SQLLEN>(m_chunk.size()),
                              &indicator);
    if (rc == SQL_NO_DATA) return true;
    check(rc, stmt);
    if (indicator == SQL_NULL_DATA) return false;
    size_t room = m_chunk.size() - terminator;
    bool whole = indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) <= room;
    out.append(m_chunk.data(), whole ? static_cast<size_t>(indicator) : room);
    if (whole) return true;
  }
}

ResultSet OdbcBackend::fetch(const Handle& stmt, SQLSMALLINT columns, RowSink* sink) {
  std::vector<FieldInfo> fields;
  std::vector<Read> reads;
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columns); ++i) {
    SQLWCHAR name[512];
    SQLSMALLINT name_length = 0, sql_type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    check(SQLDescribeColW(stmt.get(), i, name, static_cast<SQLSMALLINT>(std::size(name)), &name_length,
                          &sql_type, &size, &digits, &nullable),
          stmt);
    SQLLEN is_unsigned = SQL_FALSE;
    SQLColAttributeW(stmt.get(), i, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &is_unsigned);
    SQLWCHAR type_name[128] = {0};
    SQLSMALLINT type_name_bytes = 0;
    SQLColAttributeW(stmt.get(), i, SQL_DESC_TYPE_NAME, type_name, sizeof type_name, &type_name_bytes,
                     nullptr);
    size_t type_units = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(type_name_bytes, 0)) / 2,
                                         std::size(type_name) - 1);

    FieldInfo f;
    f.name = from_wide(name, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(name_length, 0)),
                                              std::size(name) - 1));
    f.kind = kind_from_sql_type(sql_type, is_unsigned == SQL_TRUE, from_wide(type_name, type_units));
    if (f.kind == FieldKind::Decimal || f.kind == FieldKind::Numeric) {
      f.precision = static_cast<int>(std::min<SQLULEN>(size, 1000));
      f.scale = std::clamp<int>(digits, 0, f.precision);
    }
    reads.push_back(read_for(f.kind));
    fields.push_back(std::move(f));
  }

  ResultSetBuilder builder(std::move(fields), sink);
  std::string long_value;
  for (;;) {
    SQLRETURN rc = SQLFetch(stmt.get());
    if (rc == SQL_NO_DATA) break;
    check(rc, stmt);
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columns); ++i) {
      size_t f = i - 1u;
      SQLLEN indicator = 0;
      auto get = [&](SQLSMALLINT c_type, void* target, SQLLEN size) {
        check(SQLGetData(stmt.get(), i, c_type, target, size, &indicator), stmt);
        return indicator != SQL_NULL_DATA;
      };
      bool present = true;
      switch (reads[f]) {
        case Read::Integer: {
          SQLBIGINT v = 0;
          if ((present = get(SQL_C_SBIGINT, &v, 0))) builder.add_integer(f, v);
          break;
        }
        case Read::Real: {
          double v = 0;
          if ((present = get(SQL_C_DOUBLE, &v, 0))) builder.add_real(f, v);
          break;
        }
        case Read::Decimal: {
          char digits[160];
          if ((present = get(SQL_C_CHAR, digits, sizeof digits))) {
            size_t length = indicator == SQL_NO_TOTAL
                                ? sizeof digits - 1
                                : std::min<size_t>(static_cast<size_t>(indicator), sizeof digits - 1);
            builder.add_decimal(f, std::string_view(digits, length));
          }
          break;
        }
        case Read::Date: {
          SQL_DATE_STRUCT d{};
          if (!(present = get(SQL_C_TYPE_DATE, &d, sizeof d))) break;
          core::DateTime v;
          if (core::try_encode_date(d.year, d.month, d.day, v))
            builder.add_date(f, v);
          else  // kept as text rather than lost
            builder.add_text(
                f, std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day));
          break;
        }
        case Read::Time: {
          SQL_TIME_STRUCT t{};
          if ((present = get(SQL_C_TYPE_TIME, &t, sizeof t)))
            builder.add_date(f, core::encode_time(std::min<int>(t.hour, 23), std::min<int>(t.minute, 59),
                                                  std::min<int>(t.second, 59)));
          break;
        }
        case Read::Timestamp: {
          SQL_TIMESTAMP_STRUCT t{};
          if (!(present = get(SQL_C_TYPE_TIMESTAMP, &t, sizeof t))) break;
          core::DateTime date;
          if (!core::try_encode_date(t.year, t.month, t.day, date) || t.hour > 23 || t.minute > 59 ||
              t.second > 59) {
            builder.add_text(
                f, std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day));
            break;
          }
          core::DateTime time = core::encode_time(
              t.hour, t.minute, t.second, static_cast<int>(std::min<SQLUINTEGER>(t.fraction / 1000000, 999)));
          builder.add_date(f, date >= 0 ? date + time : date - time);
          break;
        }
        case Read::Bit: {
          unsigned char v = 0;
          if ((present = get(SQL_C_BIT, &v, sizeof v))) builder.add_bool(f, v != 0);
          break;
        }
        case Read::Text: {
          long_value.clear();
          if ((present = read_long(stmt, i, SQL_C_WCHAR, long_value)))
            builder.add_text(
                f, from_wide(reinterpret_cast<const SQLWCHAR*>(long_value.data()), long_value.size() / 2));
          break;
        }
        case Read::Binary: {
          long_value.clear();
          if ((present = read_long(stmt, i, SQL_C_BINARY, long_value))) builder.add_bytes(f, long_value);
          break;
        }
      }
      if (!present) builder.add_null(f);
    }
    builder.end_row();
  }
  return builder.finish();
}

}  // namespace

FieldKind kind_from_sql_type(int sql_type, bool is_unsigned, std::string_view type_name) {
  if (core::equals_ignore_case(type_name, "money") || core::equals_ignore_case(type_name, "smallmoney"))
    return FieldKind::Currency;
  switch (sql_type) {
    case SQL_CHAR:
      return FieldKind::Char;
    case SQL_VARCHAR:
      return FieldKind::VarChar;
    case SQL_LONGVARCHAR:
      return FieldKind::LongVarChar;
    case SQL_WCHAR:
      return FieldKind::WChar;
    case SQL_WVARCHAR:
      return FieldKind::VarWChar;
    case SQL_WLONGVARCHAR:
      return FieldKind::LongVarWChar;
    case SQL_DECIMAL:
      return FieldKind::Decimal;
    case SQL_NUMERIC:
      return FieldKind::Numeric;
    case SQL_TINYINT:
      return is_unsigned ? FieldKind::UnsignedTinyInt : FieldKind::TinyInt;
    case SQL_SMALLINT:
      return is_unsigned ? FieldKind::UnsignedSmallInt : FieldKind::SmallInt;
    case SQL_INTEGER:
      return is_unsigned ? FieldKind::UnsignedInt : FieldKind::Integer;
    case SQL_BIGINT:
      return is_unsigned ? FieldKind::UnsignedBigInt : FieldKind::BigInt;
    case SQL_REAL:
      return FieldKind::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return FieldKind::Double;
    case SQL_BIT:
      return FieldKind::Boolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return FieldKind::DBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSqlServerTime2:
      return FieldKind::DBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return FieldKind::DBTimeStamp;
    case SQL_GUID:
      return FieldKind::Guid;
    case SQL_BINARY:
      return FieldKind::Binary;
    case SQL_VARBINARY:
      return FieldKind::VarBinary;
    case SQL_LONGVARBINARY:
      return FieldKind::LongVarBinary;
    case kSqlServerTimestampOffset:  // its text keeps the offset, which a DateTime would lose
    default:
      return FieldKind::VarWChar;
  }
}

std::unique_ptr<Backend> open(const std::string& connection_string, Milliseconds login_timeout) {
  auto env = std::make_unique<Handle>(SQL_HANDLE_ENV, nullptr);
  check(SQLSetEnvAttr(env->get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        *env);
  auto dbc = std::make_unique<Handle>(SQL_HANDLE_DBC, env->get());
  SQLSetConnectAttrW(dbc->get(), SQL_ATTR_LOGIN_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(whole_seconds(login_timeout)), 0);
  WString text = to_wide(connection_string);
  if (text.size() > 32767) throw core::Error("ODBC connection string too long");
  SQLWCHAR completed[1024];
  SQLSMALLINT completed_length = 0;
  SQLRETURN rc = SQLDriverConnectW(dbc->get(), nullptr, text.data(), static_cast<SQLSMALLINT>(text.size()),
                                   completed, static_cast<SQLSMALLINT>(std::size(completed)),
                                   &completed_length, SQL_DRIVER_NOPROMPT);
  check(rc, *dbc);
  return std::make_unique<OdbcBackend>(std::move(env), std::move(dbc));
}

}  // namespace orvena::db::odbc
