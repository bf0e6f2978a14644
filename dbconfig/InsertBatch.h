/*
 * The texts the database copy executes on the new database, collected row by row for one
 * table. The statement head is "insert into T (c1,c2,...) Values (".
 *
 * SQL Server gets what it always got: one statement per row ("head values)\r\n"), 200 of them
 * per execution, the batch wrapped in "SET IDENTITY_INSERT T ON\r\n" ... "SET IDENTITY_INSERT T
 * OFF\r\n" when explicit identifiers are written. Every other kind gets one statement carrying
 * up to 200 rows ("head v1),(v2),..."): each execution is one round trip to a server, and one
 * statement per row made a MariaDB copy several times slower than loading a dump.
 *
 * Owned by one table's copy; pure text, any thread.
 */
#ifndef TALLYVOL_DBCONFIG_INSERTBATCH_H
#define TALLYVOL_DBCONFIG_INSERTBATCH_H

#include <cstddef>
#include <string>
#include <vector>

namespace dbconfig {

class InsertBatch {
public:
    // Rows per execution.
    static constexpr int kRowsPerBatch = 200;
    // A text this long is executed before its 200 rows are reached (servers refuse packets
    // beyond their limit; MySQL's smallest default is 1 MiB).
    static constexpr std::size_t kMaxBatchBytes = 512 * 1024;

    InsertBatch(int targetKind, const std::string& table, const std::vector<std::string>& columns,
                bool identityInsert);

    // "insert into T (c1,c2,...) Values (".
    const std::string& Head() const { return m_head; }

    // Starts a row; its values are appended to the returned text, separated by ",".
    std::string& BeginRow();
    // Ends the row; true when the batch is due for execution (Take it).
    bool EndRow();
    bool Empty() const { return m_rows == 0; }
    // The text to execute now (with the identity-insert suffix); the batch is empty afterwards.
    std::string Take();
    // Forgets the collected rows (a cancelled copy does not execute them).
    void Clear();

private:
    bool m_statementPerRow;
    std::string m_head;
    std::string m_prefix;
    std::string m_suffix;
    std::string m_text;
    int m_rows = 0;
};

} // namespace dbconfig

#endif
