#pragma once
// The ODBC backend (unixODBC): SQL Server through FreeTDS, PostgreSQL through psqlODBC, or any
// other installed driver. Text crosses the driver manager as UTF-16 so that no process locale
// is involved.
#include <memory>
#include <string>
#include <string_view>

#include "db/database.h"

namespace orvena::db::odbc {

// SQLDriverConnect without a prompt; the login time-out is the connect time-out.
std::unique_ptr<Backend> open(const std::string& connection_string, Milliseconds login_timeout);

// The kind of a column from what SQLDescribeCol and SQLColAttribute report (the SQL type code,
// SQL_DESC_UNSIGNED, SQL_DESC_TYPE_NAME).
FieldKind kind_from_sql_type(int sql_type, bool is_unsigned, std::string_view type_name);

}  // namespace orvena::db::odbc
