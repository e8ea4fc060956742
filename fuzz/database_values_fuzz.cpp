// What the database layer parses from outside: value texts of every column kind as a driver or
// a loosely typed SQLite column may hand them over, declared SQLite types, and the settings'
// database keys turned into a connection string. No crash, nothing lost: every value reads back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/connection.h"
#include "core/error.h"
#include "core/text.h"
#include "db/result_set.h"
#include "db/sqlite/sqlite_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena;
  using db::FieldKind;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto lines = core::split_lines(bytes);

  constexpr FieldKind kinds[] = {FieldKind::Empty,    FieldKind::Integer,      FieldKind::BigInt,
                                 FieldKind::Double,   FieldKind::Single,       FieldKind::Decimal,
                                 FieldKind::Numeric,  FieldKind::Currency,     FieldKind::DBDate,
                                 FieldKind::DBTime,   FieldKind::DBTimeStamp,  FieldKind::Boolean,
                                 FieldKind::VarWChar, FieldKind::LongVarBinary};
  std::vector<db::FieldInfo> fields;
  for (FieldKind k : kinds) fields.push_back({"f", k, 10, 2});
  fields.push_back({"wide", FieldKind::Numeric, 38, 12});
  db::ResultSetBuilder builder(fields);
  for (const std::string& line : lines) {
    for (size_t f = 0; f < fields.size(); ++f) {
      // The first byte picks how the value arrives; the rest is the value.
      unsigned how = line.empty() ? 0 : static_cast<unsigned char>(line[0]) % 5;
      std::string_view value = line.empty() ? std::string_view() : std::string_view(line).substr(1);
      switch (how) {
        case 0:
          builder.add_text(f, value);
          break;
        case 1:
          builder.add_decimal(f, value);
          break;
        case 2:
          builder.add_null(f);
          break;
        case 3:
          builder.add_integer(f, static_cast<int64_t>(std::hash<std::string_view>{}(value)));
          break;
        case 4:
          builder.add_real(f, static_cast<double>(value.size()) / 3.0 - 1e6);
          break;
      }
    }
    builder.end_row();
  }
  db::ResultSet result = builder.finish();
  for (size_t row = 0; row < result.row_count(); ++row) {
    for (size_t f = 0; f < result.field_count(); ++f) {
      try {
        std::string text = result.text(row, f);
        core::Variant v = result.value(row, f);
        if (v.is_null() && !text.empty()) __builtin_trap();  // NULL reads as empty text
      } catch (const core::Error&) {
        // A value no calendar can show gives the conversion error; that is a clean answer.
      }
    }
  }

  for (const std::string& line : lines) db::sqlite::field_from_declared_type("x", line);

  config::Konfiguracja k;
  if (lines.size() >= 5) {
    k.db_driver = lines[0];
    k.db_server = lines[1];
    k.db_user = lines[2];
    k.db_pass = lines[3];
    k.db = lines[4];
    config::connection_target(k, core::Home("/srv"));
  }
  return 0;
}
