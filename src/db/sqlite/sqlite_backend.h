#pragma once
// The embedded SQLite backend: a database file, no server.
#include <filesystem>
#include <memory>
#include <string_view>

#include "db/database.h"

namespace orvena::db::sqlite {

// Opens an existing database file (it is never created: a mistyped path must not yield an empty
// database) and checks that it is one.
std::unique_ptr<Backend> open(const std::filesystem::path& file, Milliseconds busy_timeout);

// SQLite keeps no types on expressions: a column's kind comes from the declared type of the
// table column behind it. Returns kind Empty for undeclared or unknown types, to be decided by
// the values.
FieldInfo field_from_declared_type(std::string name, std::string_view declared);

}  // namespace orvena::db::sqlite
