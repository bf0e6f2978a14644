/*
 * Several writers on one store. The included store (SQLite) lets one scan write at a time
 * (the single-scan lock), but a server store (SQL Server, MySQL/MariaDB) is written by many
 * hosts' runs at once. There, a scan keeps no long transactions (its rows go in multi-row
 * statements, each committed on its own), a unique key that another writer took first is that
 * writer's row to use, and a statement the server rolled back to end a deadlock, or that waited
 * too long for another writer's lock, is run again. Pure functions; any thread.
 */
#ifndef TALLYVOL_SCAN_STORECONFLICTS_H
#define TALLYVOL_SCAN_STORECONFLICTS_H

#include "platform/ado/ComError.h"

#include <chrono>
#include <thread>

namespace scan {

// Kinds 2 and 3: written by several processes at once.
bool IsServerStore(int kind);
// The row's unique key (a path, an extension text) is taken already.
bool IsDuplicateKey(const platform::ado::ComError& error);
// Another writer's lock made the statement fail: a deadlock's victim, or a lock wait that ran
// out. Running it again may succeed.
bool IsWriteConflict(const platform::ado::ComError& error);

inline constexpr int kConflictAttempts = 5;

// Runs the write, again after a short pause when another writer's lock made it fail (at most
// kConflictAttempts times); any other failure, or the last one, is thrown. The write must be
// safe to run again (a statement the server rolled back, or a whole short transaction).
template <typename Write> auto RetryOnConflict(Write&& write) {
    for (int attempt = 1;; ++attempt) {
        try {
            return write();
        } catch (const platform::ado::ComError& error) {
            if (attempt >= kConflictAttempts || !IsWriteConflict(error)) {
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
    }
}

} // namespace scan

#endif
