/*
 * Keeps a scan's writes in transactions: one begun when the scan starts, committed every few
 * seconds and on every way out, so a cancel or a failure keeps the rows written before it. A
 * connection already in a transaction is left to its owner, and a server store's scan runs
 * without (its rows go in multi-row statements that commit themselves: a long transaction
 * would hold other writers up, and a deadlock would roll it back whole; StoreConflicts.h).
 * Lives on the scan's thread for the length of one scan.
 */
#ifndef TALLYVOL_SCAN_SCANTRANSACTION_H
#define TALLYVOL_SCAN_SCANTRANSACTION_H

#include <chrono>
#include <memory>

namespace platform::ado {
class Connection;
}

namespace scan {

class ScanTransaction {
public:
    // enabled false: nothing is begun or committed.
    ScanTransaction(std::shared_ptr<platform::ado::Connection> connection, bool enabled);
    // Commits; a failure is logged (the rows of the last few seconds are lost with it).
    ~ScanTransaction();
    ScanTransaction(const ScanTransaction&) = delete;
    ScanTransaction& operator=(const ScanTransaction&) = delete;

    // Commits and begins again when the last commit is a few seconds old.
    void CommitIfDue();

private:
    void begin();
    void commit();

    std::shared_ptr<platform::ado::Connection> m_connection;
    bool m_owned = false;
    std::chrono::steady_clock::time_point m_started;
};

} // namespace scan

#endif
