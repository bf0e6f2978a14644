#include "dbconfig/InsertBatch.h"

#include "platform/system/StringPrintf.h"
#include "scan/SqlRules.h"

namespace dbconfig {

using platform::system::StringPrintf;

InsertBatch::InsertBatch(int targetKind, const std::string& table,
                         const std::vector<std::string>& columns, bool identityInsert)
    : m_statementPerRow(targetKind == scan::kSqlServerDatabase) {
    m_head = StringPrintf("insert into %s (", table.c_str());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) {
            m_head += ",";
        }
        m_head += columns[i];
    }
    m_head += ") Values (";
    if (m_statementPerRow && identityInsert) {
        m_prefix = StringPrintf("SET IDENTITY_INSERT %s ON\r\n", table.c_str());
        m_suffix = StringPrintf("SET IDENTITY_INSERT %s OFF\r\n", table.c_str());
    }
}

std::string& InsertBatch::BeginRow() {
    if (m_rows == 0) {
        m_text = m_prefix;
        m_text += m_head;
    } else if (m_statementPerRow) {
        m_text += m_head;
    } else {
        m_text += ",(";
    }
    return m_text;
}

bool InsertBatch::EndRow() {
    m_text += ')';
    if (m_statementPerRow) {
        m_text += "\r\n";
    }
    ++m_rows;
    return m_rows >= kRowsPerBatch || (!m_statementPerRow && m_text.size() >= kMaxBatchBytes);
}

std::string InsertBatch::Take() {
    std::string text = std::move(m_text);
    text += m_suffix;
    Clear();
    return text;
}

void InsertBatch::Clear() {
    m_text.clear();
    m_rows = 0;
}

} // namespace dbconfig
