/*
 * The repair of directory parents: DirNames rows written without their parent (the rows of a
 * tree's preparation, and directories whose parent was not known yet) get the DirID of the
 * directory one level up, below a scan root or everywhere; the scan root itself gets its own
 * parent, and rows a failed lookup once left with -1 are repaired too. It runs at the start of
 * every scan and every load of scans, and after a tree was prepared. Owned by CScanInfo; the thread
 * that owns the connection.
 */
#ifndef TALLYVOL_SCAN_PARENTREPAIR_H
#define TALLYVOL_SCAN_PARENTREPAIR_H

#include <memory>
#include <string>

namespace platform::ado {
class Connection;
}

namespace scan {

class ScanStoreSql;

class ParentRepair {
public:
    // Fills in missing parents of the directories below the root (every directory when the
    // root is empty). Many updates run in one transaction unless the caller runs one. Store
    // errors are thrown.
    void Run(const std::shared_ptr<platform::ado::Connection>& connection, const std::string& root);

};

} // namespace scan

#endif
