#pragma once
// Database access: the one connection and the one query dataset that every query of the process
// goes through. The connection reaches SQLite (embedded) or any ODBC driver; the dataset runs a
// textual batch, fetches its first result set whole (so the record count is exact) and offers a
// cursor over it. Errors are core::Error carrying the database's own message.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/variant.h"
#include "db/result_set.h"

namespace orvena::db {

using Milliseconds = std::chrono::milliseconds;

inline constexpr Milliseconds kConnectTimeout = std::chrono::seconds(240);
inline constexpr Milliseconds kCommandTimeout = std::chrono::seconds(360);

// Where the connection goes: a SQLite database file, or an ODBC connection string.
struct SqliteTarget {
  std::filesystem::path file;
};
struct OdbcTarget {
  std::string connection_string;
};
using ConnectionTarget = std::variant<SqliteTarget, OdbcTarget>;

// One open session with a database. Implemented by sqlite/ and odbc/.
class Backend {
 public:
  virtual ~Backend() = default;
  // Runs every statement of the batch in order and returns the first result set, whole. A batch
  // that yields no result set, a failing statement or the time limit raises core::Error.
  ResultSet execute(std::string_view batch, Milliseconds timeout) { return run(batch, timeout, nullptr); }
  // As execute(), but the first result set's rows go to `sink` while they are fetched and are not
  // kept, so that memory does not grow with the rows.
  void stream(std::string_view batch, Milliseconds timeout, RowSink& sink) { run(batch, timeout, &sink); }

 protected:
  // Fetches into a ResultSetBuilder given `sink` (null: the whole result is returned).
  virtual ResultSet run(std::string_view batch, Milliseconds timeout, RowSink* sink) = 0;
};

// Opens a backend for the target; raises core::Error with the database's message when the
// database refuses (missing file, refused login, unreachable server, connect time-out).
std::unique_ptr<Backend> open_backend(const ConnectionTarget& target, Milliseconds connect_timeout);

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Set while closed; raises core::Error when the connection is open.
  void set_target(ConnectionTarget target);
  const ConnectionTarget& target() const { return m_target; }
  void set_connect_timeout(Milliseconds t) { m_connect_timeout = t; }
  Milliseconds connect_timeout() const { return m_connect_timeout; }

  // Open either succeeds or raises core::Error with the database's message; open on an open
  // connection does nothing. Close is harmless when closed.
  void open();
  void close();
  bool is_open() const { return m_backend != nullptr; }

  // Raises core::Error when closed.
  Backend& backend();

 private:
  ConnectionTarget m_target;
  Milliseconds m_connect_timeout = kConnectTimeout;
  std::unique_ptr<Backend> m_backend;
};

enum class QueryEvent { AfterOpen, BeforeClose, AfterClose };

// The query dataset, named Query so that it is not taken for the report's data sources: command
// text, open, a cursor over the rows of the first result set, and notifications around open and
// close. Reading a field of a closed dataset raises core::Error.
class Query {
 public:
  using Bookmark = size_t;  // a row index, valid until the dataset is closed
  using Listener = std::function<void(Query&)>;

  explicit Query(Connection& connection) : m_connection(connection) {}
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Raises core::Error while the dataset is open.
  void set_command_text(std::string sql);
  const std::string& command_text() const { return m_command_text; }
  void set_command_timeout(Milliseconds t) { m_command_timeout = t; }
  Milliseconds command_timeout() const { return m_command_timeout; }

  // Runs the command text and fetches its first result set whole; the cursor is on the first
  // row. Open on an open dataset does nothing. On failure the dataset stays closed and the error
  // (core::Error, the database's message) reaches the caller.
  void open();
  // Runs the command text on a closed dataset and hands the rows of its first result set to the
  // sink while they are fetched, keeping none: for a reader that goes through them once.
  void stream(RowSink& sink);
  // Harmless when closed; the close notifications come only when it was open.
  void close();
  bool is_open() const { return m_open; }

  size_t record_count() const;
  size_t field_count() const;
  const FieldInfo& field(size_t index) const;
  // Case-insensitive, as field names are in SQL.
  std::optional<size_t> find_field(std::string_view name) const;
  // Raises core::Error "Field 'name' not found".
  size_t field_index(std::string_view name) const;

  // Cursor. Eof is true on an empty result and after Next on the last row; Bof after First and
  // after Prior on the first row. The current row stays the last (first) one in both cases.
  bool eof() const;
  bool bof() const;
  void first();
  void last();
  void next();
  void prior();
  size_t row() const;  // 0-based index of the current row
  Bookmark bookmark() const;
  void go_to(Bookmark bookmark);  // raises core::Error for a bookmark outside the rows

  // The current row's values. With no rows they are NULL.
  bool is_null(size_t field) const;
  core::Variant value(size_t field) const;
  std::string text(size_t field) const;
  void append_text(size_t field, std::string& out) const;

  // Every row, without moving the cursor (data grid, report binding).
  const ResultSet& result() const;

  // Listeners run in the order they were added; the id removes one.
  int subscribe(QueryEvent event, Listener listener);
  void unsubscribe(int id);

 private:
  void require_open() const;
  void notify(QueryEvent event);
  size_t checked_field(size_t index) const;

  Connection& m_connection;
  std::string m_command_text;
  Milliseconds m_command_timeout = kCommandTimeout;
  bool m_open = false;
  ResultSet m_result;
  size_t m_row = 0;
  bool m_bof = true;
  bool m_eof = true;
  struct Subscription {
    int id;
    QueryEvent event;
    Listener listener;
  };
  std::vector<Subscription> m_listeners;
  int m_next_id = 1;
};

}  // namespace orvena::db
