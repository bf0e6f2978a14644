/*
 * The rows of a query, read forward one at a time as ADO's forward-only recordset reads them:
 * IsEOF, MoveNext and the current row's fields by name (case-insensitive) or position. Created
 * by Connection::OpenRecordset; used on the connection's thread.
 */
#ifndef TALLYVOL_PLATFORM_ADO_RECORDSET_H
#define TALLYVOL_PLATFORM_ADO_RECORDSET_H

#include "platform/ado/Field.h"

#include <memory>
#include <string_view>
#include <vector>

namespace platform::ado {

namespace detail {
class Cursor;
}

class Recordset {
public:
    explicit Recordset(std::unique_ptr<detail::Cursor> cursor);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // True once the last row has been passed (at once for an empty result).
    bool IsEOF() const { return m_eof; }
    void MoveNext();

    int FieldCount() const { return static_cast<int>(m_columns.size()); }
    // The columns' names and types, valid also when the result is empty.
    const Field& Column(int index) const;
    // The current row's field; throws adErrNoCurrentRecord at EOF, adErrItemNotFound for an
    // unknown name or position.
    const Field& Fields(std::string_view name) const;
    const Field& Fields(int index) const;
    void Close();

private:
    int indexOf(std::string_view name) const;

    std::unique_ptr<detail::Cursor> m_cursor;
    std::vector<Field> m_columns;
    std::vector<Field> m_row;
    bool m_eof = true;
};

} // namespace platform::ado

#endif
