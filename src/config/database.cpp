#include "config/database.h"

#include "config/odbc/odbc_backend.h"
#include "config/sqlite/sqlite_backend.h"
#include "core/error.h"
#include "core/text.h"

namespace orvena::config {

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

// ---- Dataset ----------------------------------------------------------------------------------

namespace {
const char kClosedDataset[] = "Cannot perform this operation on a closed dataset";
}

void Dataset::set_command_text(std::string sql) {
  if (m_open) throw core::Error("Cannot perform this operation on an open dataset");
  m_command_text = std::move(sql);
}

void Dataset::open() {
  if (m_open) return;
  m_result = m_connection.backend().execute(m_command_text, m_command_timeout);
  m_open = true;
  first();
  notify(DatasetEvent::AfterOpen);
}

void Dataset::close() {
  if (!m_open) return;
  notify(DatasetEvent::BeforeClose);
  m_open = false;
  m_result = ResultSet();
  m_row = 0;
  m_bof = m_eof = true;
  notify(DatasetEvent::AfterClose);
}

void Dataset::require_open() const {
  if (!m_open) throw core::Error(kClosedDataset);
}

size_t Dataset::record_count() const {
  require_open();
  return m_result.row_count();
}

size_t Dataset::field_count() const {
  require_open();
  return m_result.field_count();
}

size_t Dataset::checked_field(size_t index) const {
  require_open();
  if (index >= m_result.field_count())
    throw core::Error("Field index out of range: " + std::to_string(index));
  return index;
}

const FieldInfo& Dataset::field(size_t index) const {
  return m_result.field(checked_field(index));
}

std::optional<size_t> Dataset::find_field(std::string_view name) const {
  require_open();
  for (size_t i = 0; i < m_result.field_count(); ++i)
    if (core::equals_ignore_case(m_result.field(i).name, name)) return i;
  return std::nullopt;
}

size_t Dataset::field_index(std::string_view name) const {
  if (auto i = find_field(name)) return *i;
  throw core::Error("Field '" + std::string(name) + "' not found");
}

bool Dataset::eof() const {
  require_open();
  return m_eof;
}

bool Dataset::bof() const {
  require_open();
  return m_bof;
}

void Dataset::first() {
  require_open();
  m_row = 0;
  m_bof = true;
  m_eof = m_result.row_count() == 0;
}

void Dataset::last() {
  require_open();
  m_row = m_result.row_count() == 0 ? 0 : m_result.row_count() - 1;
  m_eof = true;
  m_bof = m_result.row_count() == 0;
}

void Dataset::next() {
  require_open();
  if (m_row + 1 < m_result.row_count()) {
    ++m_row;
    m_bof = false;
  } else {
    m_eof = true;
    if (m_result.row_count() != 0) m_bof = false;
  }
}

void Dataset::prior() {
  require_open();
  if (m_row > 0 && m_result.row_count() != 0) {
    --m_row;
    m_eof = false;
  } else {
    m_bof = true;
    if (m_result.row_count() != 0) m_eof = false;
  }
}

size_t Dataset::row() const {
  require_open();
  return m_row;
}

Dataset::Bookmark Dataset::bookmark() const {
  return row();
}

void Dataset::go_to(Bookmark bookmark) {
  require_open();
  if (bookmark >= m_result.row_count()) throw core::Error("Record not found");
  m_row = bookmark;
  m_bof = m_eof = false;
}

bool Dataset::is_null(size_t field) const {
  checked_field(field);
  return m_result.row_count() == 0 || m_result.is_null(m_row, field);
}

core::Variant Dataset::value(size_t field) const {
  checked_field(field);
  if (m_result.row_count() == 0) return core::Variant::null();
  return m_result.value(m_row, field);
}

std::string Dataset::text(size_t field) const {
  std::string out;
  append_text(field, out);
  return out;
}

void Dataset::append_text(size_t field, std::string& out) const {
  checked_field(field);
  if (m_result.row_count() != 0) m_result.append_text(m_row, field, out);
}

const ResultSet& Dataset::result() const {
  require_open();
  return m_result;
}

int Dataset::subscribe(DatasetEvent event, Listener listener) {
  m_listeners.push_back({m_next_id, event, std::move(listener)});
  return m_next_id++;
}

void Dataset::unsubscribe(int id) {
  std::erase_if(m_listeners, [id](const Subscription& s) { return s.id == id; });
}

void Dataset::notify(DatasetEvent event) {
  // A listener may subscribe or unsubscribe while being called.
  std::vector<Subscription> listeners = m_listeners;
  for (const Subscription& s : listeners)
    if (s.event == event) s.listener(*this);
}

}  // namespace orvena::config
