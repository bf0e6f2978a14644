#include "dbconfig/InsertBatch.h"

#include "scan/CopyStatements.h"
#include "scan/SqlRules.h"

namespace dbconfig {

InsertBatch::InsertBatch(int targetKind, const std::string& table,
                         const std::vector<std::string>& columns, bool identityInsert)
    : m_statementPerRow(targetKind == scan::kSqlServerDatabase) {
    m_head = scan::CopyInsertHead(table, columns);
    if (m_statementPerRow && identityInsert) {
        m_prefix = scan::IdentityInsertOn(table);
        m_suffix = scan::IdentityInsertOff(table);
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
