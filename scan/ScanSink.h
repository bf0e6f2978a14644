/*
 * What a scan tells the world and asks of it. The scanner (CScanInfo::Scan) is the source; a
 * sink is whoever watches: the progress window of an interactive scan, the unattended run, a
 * test. The scanner never reaches a window or the notification profiles itself.
 *
 * Calls come on the thread that called Scan, in this order:
 *   ConfirmMissingRoot(path)  only when the root does not exist; false ends the scan at once
 *   Started(root, showProgress)  once, before anything is stored; showProgress is false for
 *                             quiet scans
 *   Status(text)              at any time after Started: a stage of the scan
 *   Range(steps)              once, before the walk: subdirectories of the root + 1
 *   per directory, in walk order:
 *     Problem(problem)        for each of its entries that could not be read or stored
 *     Cancelled()             once per subdirectory entry; true ends the scan
 *     Counts(dirs, files, current)  after the directory was read
 *     Step()                  when a direct subdirectory of the root is done
 *   Finished(summary)         once after Started, on every way out
 * The same sink also shows the progress of the store's path upgrade (Started, Range, Status,
 * Step, Finished). Calls are frequent (one per directory entry): a sink throttles its own costly
 * work. Problems are data: they are counted in the summary and the scan goes on.
 */
#ifndef TALLYVOL_SCAN_SCANSINK_H
#define TALLYVOL_SCAN_SCANSINK_H

#include <cstdint>
#include <string>
#include <vector>

namespace scan {

enum class ScanProblemKind {
    kUnreadable,   // a directory that could not be opened or read to its end: counts what was read
    kVanished,     // an entry that disappeared before it could be sized
    kPathTooLong,  // a directory whose stored path is too long for the store: walked, no row
};

struct ScanProblem {
    ScanProblemKind kind = ScanProblemKind::kUnreadable;
    std::string path; // local path
    int error = 0;    // errno where the system gave one
};

// What a scan met that it could not count or store, for the line that ends every scan.
struct ScanProblemCounts {
    static constexpr std::size_t kExamplesKept = 5;

    long unreadable = 0;
    long vanished = 0;
    long pathTooLong = 0;
    std::vector<ScanProblem> examples; // the first few, in the order met

    void Add(const ScanProblem& problem);
    long Total() const { return unreadable + vanished + pathTooLong; }
    // "2 directories could not be read, 1 directory path is too long to store (first: ...)";
    // empty when there was no problem.
    std::string Describe() const;
};

struct ScanSummary {
    std::int64_t result = 0; // the scan's result: total bytes, or -1 aborted, -2 excluded
    long directories = 0;
    long files = 0;
    ScanProblemCounts problems;
};

// One problem as a log line; names are escaped so that one line stays one line.
std::string DescribeScanProblem(const ScanProblem& problem);

class IScanSink {
public:
    virtual ~IScanSink() = default;

    virtual bool ConfirmMissingRoot(const std::string& path) = 0;
    virtual void Started(const std::string& root, bool showProgress) = 0;
    virtual void Range(int steps) = 0;
    virtual void Step() = 0;
    virtual void Counts(long directories, long files, const std::string& currentDirectory) = 0;
    virtual void Status(const std::string& text) = 0;
    virtual bool Cancelled() = 0;
    virtual void Problem(const ScanProblem& problem) = 0;
    virtual void Finished(const ScanSummary& summary) = 0;
};

// A sink that shows nothing, asks nobody (a missing root is not scanned) and never cancels.
class SilentScanSink : public IScanSink {
public:
    bool ConfirmMissingRoot(const std::string&) override { return false; }
    void Started(const std::string&, bool) override {}
    void Range(int) override {}
    void Step() override {}
    void Counts(long, long, const std::string&) override {}
    void Status(const std::string&) override {}
    bool Cancelled() override { return false; }
    void Problem(const ScanProblem&) override {}
    void Finished(const ScanSummary&) override {}
};

} // namespace scan

#endif
