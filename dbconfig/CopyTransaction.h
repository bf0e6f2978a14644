/*
 * The transaction the database copy writes one table's rows in on the new database, committed
 * every two seconds and on every way out of the table's copy (finished, cancelled, failed):
 * rows already executed stay, as they would with one commit per statement, while a store of
 * hundreds of thousands of rows is written in seconds instead of one disk flush per statement.
 * A statement that fails undoes only itself on SQLite and MariaDB, so the rows before it are
 * committed too. Disabled for SQL Server, whose 200-statement batches commit as they run.
 *
 * Owned by one table's copy on the main thread.
 */
#ifndef TALLYVOL_DBCONFIG_COPYTRANSACTION_H
#define TALLYVOL_DBCONFIG_COPYTRANSACTION_H

#include <chrono>

namespace platform::ado {
class Connection;
}

namespace dbconfig {

class CopyTransaction {
public:
    static constexpr std::chrono::seconds kCommitInterval{2};

    // Begins a transaction when `enabled` and the connection has none open.
    CopyTransaction(platform::ado::Connection& connection, bool enabled);
    // Commits what is open; a failure is only logged (the copy has already reported or ended).
    ~CopyTransaction();
    CopyTransaction(const CopyTransaction&) = delete;
    CopyTransaction& operator=(const CopyTransaction&) = delete;

    // Commits and begins anew once the interval has passed. Throws the commit's ComError.
    void CommitIfDue();
    // Commits what is open. Throws the commit's ComError.
    void Commit();

private:
    void begin();

    platform::ado::Connection& m_connection;
    bool m_enabled;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_started;
};

} // namespace dbconfig

#endif
