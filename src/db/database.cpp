#include "db/database.h"

#include "core/error.h"
#include "core/text.h"
#include "db/odbc/odbc_backend.h"
#include "db/sqlite/sqlite_backend.h"

namespace orvena::db {

std::unique_ptr<Backend> open_backend(const ConnectionTarget& target, Milliseconds connect_timeout) {
  if (const auto* s = std::get_if<SqliteTarget>(&target)) return sqlite::open(s->file, connect_timeout);
  return odbc::open(std::get<OdbcTarget>(target).connection_string, connect_timeout);
}

// ---- Connection -------------------------------------------------------------------------------

Connection::~Connection() = default;

void Connection::set_target(ConnectionTarget target) {
  if (is_open()) throw core::Error("Operation is not allowed when the object is open");
  m_target = std::move(target);
}

void Connection::open() {
  if (is_open()) return;
  m_backend = open_backend(m_target, m_connect_timeout);
}

void Connection::close() {
  m_backend.reset();
}

Backend& Connection::backend() {
  if (!m_backend) throw core::Error("Operation is not allowed when the object is closed");
  return *m_backend;
}

// ---- Query ----------------------------------------------------------------------------------

namespace {
const char kClosedDataset[] = "Cannot perform this operation on a closed dataset";
}

void Query::set_command_text(std::string sql) {
  if (m_open) throw core::Error("Cannot perform this operation on an open dataset");
  m_command_text = std::move(sql);
}

void Query::open() {
  if (m_open) return;
  m_result = m_connection.backend().execute(m_command_text, m_command_timeout);
  m_open = true;
  first();
  notify(QueryEvent::AfterOpen);
}

void Query::stream(RowSink& sink) {
  if (m_open) throw core::Error("Cannot perform this operation on an open dataset");
  m_connection.backend().stream(m_command_text, m_command_timeout, sink);
}

void Query::close() {
  if (!m_open) return;
  notify(QueryEvent::BeforeClose);
  m_open = false;
  m_result = ResultSet();
  m_row = 0;
  m_bof = m_eof = true;
  notify(QueryEvent::AfterClose);
}

void Query::require_open() const {
  if (!m_open) throw core::Error(kClosedDataset);
}

size_t Query::record_count() const {
  require_open();
  return m_result.row_count();
}

size_t Query::field_count() const {
  require_open();
  return m_result.field_count();
}

size_t Query::checked_field(size_t index) const {
  require_open();
  if (index >= m_result.field_count())
    throw core::Error("Field index out of range: " + std::to_string(index));
  return index;
}

const FieldInfo& Query::field(size_t index) const {
  return m_result.field(checked_field(index));
}

std::optional<size_t> Query::find_field(std::string_view name) const {
  require_open();
  for (size_t i = 0; i < m_result.field_count(); ++i)
    if (core::equals_ignore_case(m_result.field(i).name, name)) return i;
  return std::nullopt;
}

size_t Query::field_index(std::string_view name) const {
  if (auto i = find_field(name)) return *i;
  throw core::Error("Field '" + std::string(name) + "' not found");
}

bool Query::eof() const {
  require_open();
  return m_eof;
}

bool Query::bof() const {
  require_open();
  return m_bof;
}

void Query::first() {
  require_open();
  m_row = 0;
  m_bof = true;
  m_eof = m_result.row_count() == 0;
}

void Query::last() {
  require_open();
  m_row = m_result.row_count() == 0 ? 0 : m_result.row_count() - 1;
  m_eof = true;
  m_bof = m_result.row_count() == 0;
}

void Query::next() {
  require_open();
  if (m_row + 1 < m_result.row_count()) {
    ++m_row;
    m_bof = false;
  } else {
    m_eof = true;
    if (m_result.row_count() != 0) m_bof = false;
  }
}

void Query::prior() {
  require_open();
  if (m_row > 0 && m_result.row_count() != 0) {
    --m_row;
    m_eof = false;
  } else {
    m_bof = true;
    if (m_result.row_count() != 0) m_eof = false;
  }
}

size_t Query::row() const {
  require_open();
  return m_row;
}

Query::Bookmark Query::bookmark() const {
  return row();
}

void Query::go_to(Bookmark bookmark) {
  require_open();
  if (bookmark >= m_result.row_count()) throw core::Error("Record not found");
  m_row = bookmark;
  m_bof = m_eof = false;
}

bool Query::is_null(size_t field) const {
  checked_field(field);
  return m_result.row_count() == 0 || m_result.is_null(m_row, field);
}

core::Variant Query::value(size_t field) const {
  checked_field(field);
  if (m_result.row_count() == 0) return core::Variant::null();
  return m_result.value(m_row, field);
}

std::string Query::text(size_t field) const {
  std::string out;
  append_text(field, out);
  return out;
}

void Query::append_text(size_t field, std::string& out) const {
  checked_field(field);
  if (m_result.row_count() != 0) m_result.append_text(m_row, field, out);
}

const ResultSet& Query::result() const {
  require_open();
  return m_result;
}

int Query::subscribe(QueryEvent event, Listener listener) {
  m_listeners.push_back({m_next_id, event, std::move(listener)});
  return m_next_id++;
}

void Query::unsubscribe(int id) {
  std::erase_if(m_listeners, [id](const Subscription& s) { return s.id == id; });
}

void Query::notify(QueryEvent event) {
  // A listener may subscribe or unsubscribe while being called.
  std::vector<Subscription> listeners = m_listeners;
  for (const Subscription& s : listeners)
    if (s.event == event) s.listener(*this);
}

}  // namespace orvena::db
