/*
 * How the database copy writes one column value into an insert statement for the new
 * database, chosen by the ADO data type the old database reports for the column: integers in
 * decimal, booleans as 1 or 0, other numbers with "%f", dates as the new kind's date literal,
 * text quoted (and escaped for a MySQL/MariaDB target), NULL as NULL, unknown types as nothing.
 * Pure; any thread.
 */
#ifndef TALLYVOL_DBCONFIG_COPYVALUEFORMAT_H
#define TALLYVOL_DBCONFIG_COPYVALUEFORMAT_H

#include <string>

namespace platform::ado {
class Field;
}

namespace dbconfig {

// Appends the value's SQL text to `out`. A value its type cannot be read as (text in an
// integer column) throws the data-access layer's ComError.
void AppendCopyValue(std::string& out, const platform::ado::Field& field, int targetKind);

} // namespace dbconfig

#endif
