/*
 * One scan from its first row to its summary: the walk of the tree (TreeWalker) turned into
 * the visible steps of a scan. Each directory gets its identifier when it is entered (before
 * its contents), problems and progress go to the sink after it was read, Cancel is asked at
 * every subdirectory entry, and its size row is written when it is left (after everything
 * below it); a direct subdirectory of the root advances the progress bar. The sink hears
 * Started first and Finished on every way out (ScanSink.h). Made by the Scanner for one scan
 * and used on its thread.
 */
#ifndef TALLYVOL_SCAN_SCANRUN_H
#define TALLYVOL_SCAN_SCANRUN_H

#include "scan/ScanEntry.h"
#include "scan/ScanSink.h"
#include "scan/StoreClock.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/ScanRules.h"
#include "scan/fs/TreeReading.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::ado {
class Command;
class Connection;
} // namespace platform::ado

namespace scan {

class DirectoryIds;
class InsertBatch;
class ScanTransaction;
class ScanWriter;
struct DirectoryResult;

// What one scan is asked to do.
struct ScanRequest {
    std::string path;       // the root, local form
    std::string storedRoot; // the root, stored form
    bool quiet = true;      // no progress window
    int scanType = 1;       // 1 interactive, 2 automated
    bool loopCheck = false;
    std::uint64_t ageCutoff = 0; // the loop check's
    ExclusionFilters filters;
    bool save = true;          // rows are written
    bool saveAllLevels = true; // for every directory, not only the root and its children
};

// Directories and files the scan has seen so far; kept by the scanner beyond the scan.
struct ScanCounters {
    long directories = 0;
    long files = 0;
};

class ScanRun {
public:
    ScanRun(std::shared_ptr<platform::ado::Connection> connection, const ScanRequest& request,
            DirectoryIds& directories, ScanWriter& writer, IScanSink& sink, ScanCounters& counters);
    ~ScanRun();
    ScanRun(const ScanRun&) = delete;
    ScanRun& operator=(const ScanRun&) = delete;

    // The tree's total in bytes, or -1 (cancelled, or a store write failed).
    std::int64_t Run();

    static constexpr std::int64_t kAborted = -1;

private:
    // One directory of the walk that is still open.
    struct OpenDirectory {
        ScanEntry entry;
        bool saved = false;  // its size row is to be written
        bool looped = false; // reached before through a link: counts 0, no row
    };

    // The root's identifier, the scan's identifier and the prepared size-row insert.
    bool beginStoring();
    // The walk of the tree (TreeWalker) or of the preparation's reading of it (TreeReading).
    template <typename Events> bool walk(Events& events, ScanTransaction& transaction);
    enum class Entered { kGoOn, kLooped, kAbort };
    // kLooped: reached before through a link, nothing below it is to be walked.
    Entered enter(DirectoryResult& directory);
    bool leave(ScanTransaction& transaction);
    // Identifier of a directory below the root (when it gets a row); false on failure.
    bool identify(OpenDirectory& open, const DirectoryResult& directory);
    // Counts the directory's subdirectory entries, asking at each whether Cancel was pressed.
    bool countEntries(const DirectoryResult& directory);
    // Writes the size rows still kept in the batch; a failure is reported with the path.
    bool flushSizeRows(const std::string& path);
    void problem(ScanProblemKind kind, std::string path, int error);
    void reportProblems(const DirectoryResult& directory);
    void logEnd(long elapsedMilliseconds) const;

    std::shared_ptr<platform::ado::Connection> m_connection;
    const ScanRequest& m_request;
    DirectoryIds& m_directories;
    ScanWriter& m_writer;
    IScanSink& m_sink;
    ScanCounters& m_counters;

    ScanSummary m_summary;
    StoreClock m_store;
    int m_scanID = 1;
    int m_rootDirID = 0;
    std::unique_ptr<InsertBatch> m_sizeRows;
    // Tallied by hash (one lookup per extension of every directory), ordered once for saving.
    std::unordered_map<std::string, ExtensionStats> m_extensions;
    LoopDetector m_loops;
    TreeReading m_reading; // a first scan's preparation keeps its reading of the tree here
    std::vector<OpenDirectory> m_stack;
    std::int64_t m_rootTotal = 0;
};

} // namespace scan

#endif
