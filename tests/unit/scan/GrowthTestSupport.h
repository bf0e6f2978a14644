/*
 * Ground truth for the growth report tests: a directory tree on disk whose files the test
 * writes with known sizes, mirrored by a model that computes every directory's total as a
 * scan must see it (files' space on disk, excluded subtrees counting nothing), and the rows a
 * report between two states of the tree must hold, computed from the model alone.
 */
#ifndef TALLYVOL_TESTS_UNIT_SCAN_GROWTHTESTSUPPORT_H
#define TALLYVOL_TESTS_UNIT_SCAN_GROWTHTESTSUPPORT_H

#include "scan/GrowthReport.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace growthtest {

// Directory totals by path relative to the tree ("" is the root).
using Totals = std::map<std::string, std::int64_t>;

class GrowthTree {
public:
    explicit GrowthTree(std::string root) : m_root(std::move(root)) { MakeDirectory(""); }

    const std::string& Root() const { return m_root; }
    // Writes (or rewrites) a file of the size, creating its directories.
    void Write(const std::string& relativeFile, std::uint64_t size);
    void MakeDirectory(const std::string& relative);
    // Removes a directory with everything below it.
    void Remove(const std::string& relative);
    // The totals a full scan finds; directories whose local path plus "/" holds one of the
    // (lower-case) fragments are skipped with their subtrees.
    Totals Scanned(const std::vector<std::string>& excluded = {}) const;

private:
    std::string m_root;
    std::set<std::string> m_directories;
    std::map<std::string, std::uint64_t> m_files;
};

struct ExpectedRow {
    std::string relative;
    std::optional<std::int64_t> oldSize;
    std::optional<std::int64_t> newSize;
    std::int64_t change = 0;
    scan::GrowthStatus status = scan::GrowthStatus::kGrown;
};

// Every directory whose total differs between the two states, largest change first, equal
// changes in path order; a directory only before is excluded when it is in `excludedAfter`.
std::vector<ExpectedRow> ExpectedGrowth(const Totals& before, const Totals& after,
                                        const std::set<std::string>& excludedAfter = {});
// Only the rows at and below a directory (relative path).
std::vector<ExpectedRow> Below(const std::vector<ExpectedRow>& rows, const std::string& relative);

// Checks a report's rows against the expected ones (GoogleTest failures name the row).
void ExpectRows(const scan::GrowthReport& report, const std::vector<ExpectedRow>& expected,
                const std::string& treeRoot);

} // namespace growthtest

#endif
