/*
 * The exclusion filters of a scan root as the store keeps them: one text of patterns per
 * directory (the Filters row of its DirID), read when a scan starts and written from the
 * filter dialog. Owned by CScanInfo; main thread.
 */
#ifndef TALLYVOL_SCAN_FILTERSTORE_H
#define TALLYVOL_SCAN_FILTERSTORE_H

#include <memory>
#include <string>

namespace platform::ado {
class Connection;
}

namespace scan {

class ConnectionCache;
class DirectoryIds;

class FilterStore {
public:
    FilterStore(ConnectionCache& connections, DirectoryIds& directories)
        : m_connections(connections), m_directories(directories) {}

    // The stored text of the directory, empty when it has none or after a reported failure.
    // No connection: the thread's.
    std::string GetFilters(std::shared_ptr<platform::ado::Connection> connection,
                           const std::string& path);
    // Stores the text trimmed of blanks and line breaks; a blank text deletes the row.
    void SetFilters(std::shared_ptr<platform::ado::Connection> connection, const std::string& path,
                    const std::string& text);

private:
    ConnectionCache& m_connections;
    DirectoryIds& m_directories;
};

} // namespace scan

#endif
