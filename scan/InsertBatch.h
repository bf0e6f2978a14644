/*
 * Rows of one prepared insert on their way into the store. On the included store each row is
 * run when it is added (a prepared statement in the scan's transaction costs microseconds); on
 * a server store rows are kept and sent as multi-row statements, many rows per round trip and
 * per commit. The owner flushes at the end and on every way out. One owner, on its thread.
 */
#ifndef TALLYVOL_SCAN_INSERTBATCH_H
#define TALLYVOL_SCAN_INSERTBATCH_H

#include <cstddef>
#include <memory>

namespace platform::ado {
class Command;
}

namespace scan {

class InsertBatch {
public:
    // Rows are kept (batched) only on a server store; rowsPerFlush bounds what is kept.
    InsertBatch(std::unique_ptr<platform::ado::Command> command, bool batched,
                std::size_t rowsPerFlush = 1000);
    ~InsertBatch();
    InsertBatch(const InsertBatch&) = delete;
    InsertBatch& operator=(const InsertBatch&) = delete;

    // The command to bind the next row's values on, before Add.
    platform::ado::Command& Row() { return *m_command; }
    // Runs the row now, or keeps it and flushes when the batch is full. Store errors are thrown;
    // a failed flush drops the rows it held.
    void Add();
    void Flush();
    std::size_t Pending() const;
    bool Batched() const { return m_batched; }

private:
    std::unique_ptr<platform::ado::Command> m_command;
    bool m_batched;
    std::size_t m_rowsPerFlush;
};

} // namespace scan

#endif
