/*
 * Keeps a scan's writes in transactions: one begun when the scan starts, committed every few
 * seconds and on every way out, so a cancel or a failure keeps the rows written before it. A
 * connection already in a transaction is left to its owner. Lives on the scan's thread for the
 * length of one scan.
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
    explicit ScanTransaction(std::shared_ptr<platform::ado::Connection> connection);
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
