#include "scan/InsertBatch.h"

#include "platform/ado/Connection.h"

namespace scan {

InsertBatch::InsertBatch(std::unique_ptr<platform::ado::Command> command, bool batched,
                         std::size_t rowsPerFlush)
    : m_command(std::move(command)), m_batched(batched),
      m_rowsPerFlush(rowsPerFlush == 0 ? 1 : rowsPerFlush) {}

InsertBatch::~InsertBatch() = default;

void InsertBatch::Add() {
    if (!m_batched) {
        m_command->Execute();
        return;
    }
    m_command->AddToBatch();
    if (m_command->BatchRows() >= m_rowsPerFlush) {
        Flush();
    }
}

void InsertBatch::Flush() {
    if (m_batched && m_command->BatchRows() != 0) {
        m_command->ExecuteBatch();
    }
}

std::size_t InsertBatch::Pending() const {
    return m_batched ? m_command->BatchRows() : 0;
}

} // namespace scan
