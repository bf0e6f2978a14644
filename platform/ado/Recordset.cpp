#include "platform/ado/Recordset.h"

#include "platform/ado/ErrorCodes.h"
#include "platform/ado/Provider.h"

#include <strings.h>

namespace platform::ado {

Recordset::Recordset(std::unique_ptr<detail::Cursor> cursor) : m_cursor(std::move(cursor)) {
    m_columns = m_cursor->Columns();
    m_row = m_columns;
    m_eof = !m_cursor->Fetch(m_row);
}

Recordset::~Recordset() = default;

void Recordset::MoveNext() {
    if (m_eof) {
        throw ComError(adErrNoCurrentRecord, {},
                       "Either BOF or EOF is True, or the current record has been deleted.",
                       "ADODB.Recordset");
    }
    try {
        m_eof = !m_cursor->Fetch(m_row);
    } catch (...) {
        m_eof = true;
        throw;
    }
}

const Field& Recordset::Column(int index) const {
    if (index < 0 || index >= FieldCount()) {
        throw ComError(adErrItemNotFound, {}, "Item cannot be found in the collection.",
                       "ADODB.Recordset");
    }
    return m_columns[static_cast<std::size_t>(index)];
}

int Recordset::indexOf(std::string_view name) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const std::string& candidate = m_columns[i].Name();
        if (candidate.size() == name.size() &&
            ::strncasecmp(candidate.data(), name.data(), name.size()) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const Field& Recordset::Fields(std::string_view name) const {
    int index = indexOf(name);
    if (index < 0) {
        throw ComError(adErrItemNotFound, {},
                       "Item cannot be found in the collection corresponding to the requested name "
                       "or ordinal: " +
                           std::string(name),
                       "ADODB.Recordset");
    }
    return Fields(index);
}

const Field& Recordset::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) {
        throw ComError(adErrItemNotFound, {}, "Item cannot be found in the collection.",
                       "ADODB.Recordset");
    }
    if (m_eof) {
        throw ComError(adErrNoCurrentRecord, {},
                       "Either BOF or EOF is True, or the current record has been deleted.",
                       "ADODB.Recordset");
    }
    return m_row[static_cast<std::size_t>(index)];
}

void Recordset::Close() {
    m_cursor.reset();
    m_eof = true;
}

} // namespace platform::ado
