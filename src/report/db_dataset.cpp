#include "report/db_dataset.h"

#include "core/encoding.h"
#include "core/error.h"
#include "core/text.h"
#include "db/database.h"
#include "report/resources.h"

namespace orvena::report {
namespace {

using db::FieldKind;

// What the adapter does with a field's value, by the field's kind.
enum class FieldClass : uint8_t { Other, Text, Memo, Boolean, DateTime, TimeStamp, Decimal, Int64, Blob };

FieldClass field_class(FieldKind kind) {
  switch (kind) {
    case FieldKind::Char:
    case FieldKind::WChar:
    case FieldKind::VarChar:
    case FieldKind::VarWChar:
      return FieldClass::Text;
    case FieldKind::LongVarChar:
    case FieldKind::LongVarWChar:
      return FieldClass::Memo;
    case FieldKind::LongVarBinary:
      return FieldClass::Blob;
    case FieldKind::Boolean:
      return FieldClass::Boolean;
    case FieldKind::Date:
    case FieldKind::DBDate:
    case FieldKind::DBTime:
      return FieldClass::DateTime;
    case FieldKind::DBTimeStamp:
      return FieldClass::TimeStamp;
    // Money is a fixed-point decimal like the others.
    case FieldKind::Decimal:
    case FieldKind::Numeric:
    case FieldKind::VarNumeric:
    case FieldKind::Currency:
      return FieldClass::Decimal;
    case FieldKind::BigInt:
    case FieldKind::UnsignedBigInt:
      return FieldClass::Int64;
    default:
      return FieldClass::Other;
  }
}

bool is_blob(FieldClass c) {
  return c == FieldClass::Memo || c == FieldClass::Blob;
}

size_t code_points(std::string_view s) {
  size_t n = 0;
  for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
  return n;
}

}  // namespace

// ---- Class -------------------------------------------------------------------------------------

const ClassInfo& DBDataset::static_class() {
  auto outside_report = [](const Persistent& o) {
    return static_cast<const DBDataset&>(o).report() == nullptr;
  };
  static const ClassInfo info("TrpDBDataset", &CustomDBDataSet::static_class(),
                              {
                                  // The two ways of naming the platform dataset exclude each other.
                                  string_fn<DBDataset>(
                                      "DataSet", [](const DBDataset& d) { return d.data_set; },
                                      [](DBDataset& d, const std::string& v) {
                                        d.data_set = v;
                                        d.data_source.clear();
                                      })
                                      .stored_if(outside_report),
                                  string_fn<DBDataset>(
                                      "DataSource", [](const DBDataset& d) { return d.data_source; },
                                      [](DBDataset& d, const std::string& v) {
                                        d.data_source = v;
                                        d.data_set.clear();
                                      })
                                      .stored_if(outside_report),
                                  boolean("BCDToCurrency", &DBDataset::bcd_to_currency, false),
                              },
                              [] { return std::unique_ptr<Component>(new DBDataset); });
  return info;
}

DBDataset::DBDataset() = default;

DBDataset::~DBDataset() {
  unhook();
}

bool DBDataset::CaseLess::operator()(std::string_view a, std::string_view b) const {
  return core::compare_ignore_case(a, b) < 0;
}

void DBDataset::attach(db::Query* dataset) {
  unhook();
  m_dataset = dataset;
  m_fields.clear();
  forget_recent();
  m_bookmark.reset();
  m_initialized = false;
}

db::Query& DBDataset::dataset() const {
  if (!m_dataset) throw core::Error(resource_format("dbNotConn", name()));
  return *m_dataset;
}

// The adapter's hooks run beside the dataset's other listeners (the workshop's preview button).
void DBDataset::hook() {
  if (m_after_open_hook) return;
  db::Query& ds = dataset();
  m_after_open_hook = ds.subscribe(db::QueryEvent::AfterOpen, [this](db::Query&) { build_field_map(); });
  m_before_close_hook = ds.subscribe(db::QueryEvent::BeforeClose, [this](db::Query&) {
    // Closed by someone else: the bookmark dies with the rows and the next access opens again.
    m_bookmark.reset();
    m_initialized = false;
  });
}

void DBDataset::unhook() {
  if (!m_after_open_hook || !m_dataset) return;
  m_dataset->unsubscribe(m_after_open_hook);
  m_dataset->unsubscribe(m_before_close_hook);
  m_after_open_hook = m_before_close_hook = 0;
}

// ---- Life within a run --------------------------------------------------------------------------

void DBDataset::initialize() {
  hook();
  m_own_eof = false;
  m_initialized = false;
}

void DBDataset::finalize() {
  if (m_dataset) {
    if (m_bookmark && m_dataset->is_open()) m_dataset->go_to(*m_bookmark);
    m_bookmark.reset();
    if (close_data_source) close();
    unhook();
  }
  m_initialized = false;
}

void DBDataset::open() {
  db::Query& ds = dataset();
  if (m_initialized && ds.is_open()) return;
  ds.open();
  m_initialized = true;
  build_field_map();
  m_bookmark.reset();
  // At the end of the rows there is no current record to come back to.
  if ((range_begin == RangeBegin::Current || range_end == RangeEnd::Current) && !ds.eof())
    m_bookmark = ds.bookmark();
  DataSet::open();
}

void DBDataset::open_if_needed() {
  open();
}

void DBDataset::close() {
  DataSet::close();
  m_bookmark.reset();
  m_initialized = false;
  if (m_dataset) m_dataset->close();
}

// ---- Walking -------------------------------------------------------------------------------------

void DBDataset::first() {
  open_if_needed();
  if (range_begin == RangeBegin::Current && m_bookmark)
    m_dataset->go_to(*m_bookmark);
  else
    m_dataset->first();
  m_own_eof = false;
  DataSet::first();
}

void DBDataset::next() {
  open_if_needed();
  m_own_eof = false;
  if (range_end == RangeEnd::Current && m_bookmark && m_dataset->bookmark() == *m_bookmark) {
    m_own_eof = true;
    return;
  }
  m_dataset->next();
  DataSet::next();
}

void DBDataset::prior() {
  open_if_needed();
  m_dataset->prior();
  DataSet::prior();
}

bool DBDataset::eof() {
  open_if_needed();
  bool base = DataSet::eof();
  return base || m_dataset->eof() || m_own_eof;
}

int64_t DBDataset::record_count() {
  open_if_needed();
  return static_cast<int64_t>(m_dataset->record_count());
}

// ---- Fields ----------------------------------------------------------------------------------------

std::vector<std::string> DBDataset::field_list() {
  std::vector<std::string> out;
  if (!field_aliases.empty()) {
    for (const FieldAlias& a : parse_field_aliases(field_aliases))
      if (!a.hidden) out.push_back(a.alias);
    return out;
  }
  if (!m_dataset || !m_dataset->is_open()) return out;
  for (size_t i = 0; i < m_dataset->field_count(); ++i) out.push_back(m_dataset->field(i).name);
  return out;
}

void DBDataset::build_field_map() {
  m_fields.clear();
  forget_recent();
  if (!m_dataset || !m_dataset->is_open()) return;
  if (!field_aliases.empty()) {
    for (const FieldAlias& a : parse_field_aliases(field_aliases))
      if (!a.hidden) m_fields.emplace(a.alias, m_dataset->find_field(a.field));
    return;
  }
  // With two columns of one name the first is the one reports see.
  for (size_t i = 0; i < m_dataset->field_count(); ++i) m_fields.emplace(m_dataset->field(i).name, i);
}

std::optional<size_t> DBDataset::field_index(std::string_view field) {
  for (const RecentField& r : m_recent)
    if (!r.name.empty() && r.name == field) return r.index;
  auto it = m_fields.find(field);
  std::optional<size_t> index = it == m_fields.end() ? std::nullopt : it->second;
  m_recent[m_recent_next++ % m_recent.size()] = {std::string(field), index};
  return index;
}

void DBDataset::forget_recent() {
  for (RecentField& r : m_recent) r.name.clear();
}

core::Variant DBDataset::value(std::string_view field) {
  open_if_needed();
  auto index = field_index(field);
  if (!index) {
    unknown_field(field);
    return {};
  }
  const db::Query& ds = *m_dataset;
  // A null comes back as a null Variant; asking is_null first would look the value up twice.
  core::Variant v = ds.value(*index);
  if (v.is_null()) return v;
  // A value the database delivered in another form than its column's kind stays as it came.
  switch (field_class(ds.field(*index).kind)) {
    case FieldClass::Decimal:
      if (!v.is_numeric()) return v;
      return bcd_to_currency ? core::Variant(v.to_currency()) : core::Variant(v.to_double());
    case FieldClass::Int64:
      if (!v.is_integer()) return v;
      return core::Variant(v.to_int64());
    case FieldClass::TimeStamp:
      if (!v.is_numeric()) return v;
      return core::Variant::date(v.to_date());
    case FieldClass::Memo:
    case FieldClass::Blob:
      return v.is_string() ? v : core::Variant(v.to_string());
    default:
      return v;
  }
}

std::string DBDataset::display_text(std::string_view field) {
  open_if_needed();
  const db::Query& ds = *m_dataset;
  if (m_fields.empty()) return ds.text(ds.field_index(field));
  auto index = field_index(field);
  if (!index) return unknown_field(field);
  return ds.text(*index);
}

int DBDataset::display_width(std::string_view field) {
  open_if_needed();
  auto index = field_index(field);
  if (!index) return 10;
  const db::Query& ds = *m_dataset;
  const db::FieldInfo& info = ds.field(*index);
  switch (field_class(info.kind)) {
    case FieldClass::Text:
    case FieldClass::Memo: {
      // The result does not carry declared text sizes, so the widest value stands in.
      if (info.precision > 0) return info.precision;
      size_t widest = 0;
      const db::ResultSet& rows = ds.result();
      for (size_t r = 0; r < rows.row_count(); ++r)
        widest = std::max(widest, code_points(rows.text(r, *index)));
      return static_cast<int>(std::min<size_t>(widest, 1 << 20));
    }
    case FieldClass::DateTime:
    case FieldClass::TimeStamp:
      return 20;
    case FieldClass::Int64:
      return 15;
    default:
      return 10;
  }
}

FieldType DBDataset::field_type(std::string_view field) {
  open_if_needed();
  auto index = field_index(field);
  if (!index) return FieldType::Other;
  switch (field_class(m_dataset->field(*index).kind)) {
    case FieldClass::Text:
    case FieldClass::Memo:
      return FieldType::Text;
    case FieldClass::Boolean:
      return FieldType::Boolean;
    case FieldClass::DateTime:
    case FieldClass::TimeStamp:
      return FieldType::DateTime;
    default:
      return FieldType::Other;
  }
}

bool DBDataset::is_blob_field(std::string_view field) {
  open_if_needed();
  auto index = field_index(field);
  return index && is_blob(field_class(m_dataset->field(*index).kind));
}

std::string DBDataset::blob_bytes(std::string_view field) {
  open_if_needed();
  auto index = field_index(field);
  if (!index || m_dataset->is_null(*index)) return {};
  return m_dataset->value(*index).to_string();
}

}  // namespace orvena::report
