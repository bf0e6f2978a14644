#include "scan/ScanTransaction.h"

#include "app/base/DiagnosticLog.h"
#include "platform/ado/Connection.h"

namespace scan {

namespace {

// Rows are committed at least this often, so a scan that ends early keeps what it wrote.
constexpr auto kCommitInterval = std::chrono::seconds(2);

} // namespace

ScanTransaction::ScanTransaction(std::shared_ptr<platform::ado::Connection> connection,
                                 bool enabled)
    : m_connection(enabled ? std::move(connection) : nullptr) {
    begin();
}

ScanTransaction::~ScanTransaction() {
    try {
        commit();
    } catch (const platform::ado::ComError& error) {
        TV_DEBUG_LOG("Committing the scan's rows failed: %s (%s)", error.ErrorMessage().c_str(),
                     error.Description().c_str());
    } catch (...) {
        TV_DEBUG_LOG("Committing the scan's rows failed");
    }
}

void ScanTransaction::CommitIfDue() {
    if (std::chrono::steady_clock::now() - m_started >= kCommitInterval) {
        commit();
        begin();
    }
}

void ScanTransaction::begin() {
    if (m_connection && !m_connection->InTransaction()) {
        m_connection->BeginTrans();
        m_owned = true;
    }
    m_started = std::chrono::steady_clock::now();
}

void ScanTransaction::commit() {
    if (m_owned && m_connection->InTransaction()) {
        m_owned = false;
        m_connection->CommitTrans();
    }
}

} // namespace scan
