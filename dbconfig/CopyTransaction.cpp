#include "dbconfig/CopyTransaction.h"

#include "app/base/DiagnosticLog.h"
#include "platform/ado/Connection.h"

namespace dbconfig {

using platform::ado::ComError;

CopyTransaction::CopyTransaction(platform::ado::Connection& connection, bool enabled)
    : m_connection(connection), m_enabled(enabled) {
    begin();
}

CopyTransaction::~CopyTransaction() {
    try {
        Commit();
    } catch (const ComError& error) {
        TV_DEBUG_LOG("Committing the copied rows failed: %s (%s)", error.ErrorMessage().c_str(),
                     error.Description().c_str());
    } catch (...) {
        TV_DEBUG_LOG("Committing the copied rows failed");
    }
}

void CopyTransaction::CommitIfDue() {
    if (m_open && std::chrono::steady_clock::now() - m_started >= kCommitInterval) {
        Commit();
        begin();
    }
}

void CopyTransaction::Commit() {
    if (!m_open) {
        return;
    }
    // Marked closed first: a commit that fails is not tried again on the way out.
    m_open = false;
    if (m_connection.InTransaction()) {
        m_connection.CommitTrans();
    }
}

void CopyTransaction::begin() {
    if (!m_enabled || m_connection.InTransaction()) {
        return;
    }
    m_connection.BeginTrans();
    m_open = true;
    m_started = std::chrono::steady_clock::now();
}

} // namespace dbconfig
