/*
 * The first scan of a tree never seen: before the scan, one pass over the tree on disk gives
 * every directory that has no DirNames row yet a row of its own (marked RootOfCache, the root
 * with its given parent, the others without one on a server store and with theirs on the
 * included store), so that the scan itself finds them all in the directory cache. The walk skips
 * what the scan would skip (filters, the loop check); progress goes to the sink every 200
 * directories. Afterwards the parents are repaired. Owned by the directory identifiers; the thread
 * that runs the scan.
 */
#ifndef TALLYVOL_SCAN_TREEPREPARATION_H
#define TALLYVOL_SCAN_TREEPREPARATION_H

#include "scan/fs/ScanRules.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace platform::ado {
class Command;
class Connection;
} // namespace platform::ado

namespace scan {

class ParentRepair;
class ScanSinkSlot;
class ScanStoreSql;
class TreeReading;

class TreePreparation {
public:
    TreePreparation(ScanSinkSlot& sink, ParentRepair& parents) : m_sink(sink), m_parents(parents) {}

    struct Request {
        std::string storedRoot;
        int rootParentDirID = 0;
        bool loopCheck = false;
        std::uint64_t ageCutoff = 0; // the loop check's cut-off
        ExclusionFilters filters;
        std::string repairRoot; // the root the parent repair works below afterwards
        // Without the loop check: the walk reads the files too and keeps every directory's
        // reading here, for the scan that asked for the preparation.
        TreeReading* reading = nullptr;
    };
    // Inserts the rows; directories already in `known` (stored path to DirID) are left alone.
    // Store errors on the root are thrown; on other directories they are logged and passed over.
    // True when `known` now holds every directory of the tree with its identifier (the included
    // store); false when it must be read from the store again.
    bool Prepare(const std::shared_ptr<platform::ado::Connection>& connection,
                 const Request& request, std::unordered_map<std::string, int>& known);

private:
    ScanSinkSlot& m_sink;
    ParentRepair& m_parents;
};

} // namespace scan

#endif
