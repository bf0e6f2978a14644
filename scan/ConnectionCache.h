/*
 * The open connections of the scan engine: at most one cached per thread (keyed by the
 * operating system's thread identifier), opened from the ConnectionString setting, and fresh
 * ones that are never cached. Owned by CScanInfo; entries live until they are reset or the
 * cache goes away. Any thread: the map is read and written only under its mutex.
 */
#ifndef TALLYVOL_SCAN_CONNECTIONCACHE_H
#define TALLYVOL_SCAN_CONNECTIONCACHE_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace platform::ado {
class Connection;
}

namespace scan {

class ConnectionCache {
public:
    // fresh false: the calling thread's cached connection, opened and cached when there is
    // none. fresh true: a new connection that is not cached. Empty after the failure has been
    // reported.
    std::shared_ptr<platform::ado::Connection> Get(bool fresh);
    // Releases every cached connection; the next Get opens the configured store.
    void Reset();
    std::size_t Count();

private:
    std::recursive_mutex m_mutex; // re-entrant, as the owning thread may report while holding it
    std::map<std::uint32_t, std::shared_ptr<platform::ado::Connection>> m_connections;
};

} // namespace scan

#endif
