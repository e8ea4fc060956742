#include "db/field_kind.h"

#include <algorithm>
#include <iterator>

namespace orvena::db {

const FieldKindInfo& field_kind_info(FieldKind kind) {
  auto it = std::lower_bound(std::begin(kFieldKinds), std::end(kFieldKinds), kind,
                             [](const FieldKindInfo& row, FieldKind k) { return row.kind < k; });
  return it != std::end(kFieldKinds) && it->kind == kind ? *it : kFieldKinds[0];
}

const char* field_kind_name(FieldKind kind) {
  return field_kind_info(kind).name;
}

bool is_numeric_field(const FieldInfo& field) {
  switch (field_kind_info(field.kind).numeric) {
    case Numeric::Yes:
      return true;
    case Numeric::ExactDecimal:
      return field.scale <= 4 && field.precision < 20;
    case Numeric::No:
      break;
  }
  return false;
}

bool is_text_kind(FieldKind kind) {
  return field_kind_info(kind).text;
}

Storage storage_for(const FieldInfo& field) {
  const FieldKindInfo& info = field_kind_info(field.kind);
  bool fits = field.precision <= kMaxScaledDigits && field.scale >= 0 && field.scale <= kMaxScaledDigits;
  if (info.numeric == Numeric::ExactDecimal && !fits) return Storage::BigDecimal;
  return info.storage;
}

}  // namespace orvena::db
