#include "tests/unit/scan/GrowthTestSupport.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

namespace growthtest {

namespace {

constexpr std::uint64_t kUnit = 4096;

// Space a file takes as the store counts it: whole 4096-byte units, one more than the
// size fills (an empty file none).
std::int64_t counted(std::uint64_t size) {
    return size == 0 ? 0 : static_cast<std::int64_t>((size / kUnit + 1) * kUnit);
}

std::string parentOf(const std::string& relative) {
    std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

bool isAtOrBelow(const std::string& relative, const std::string& directory) {
    return directory.empty() || relative == directory || relative.rfind(directory + "/", 0) == 0;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

void GrowthTree::MakeDirectory(const std::string& relative) {
    for (std::string directory = relative;; directory = parentOf(directory)) {
        m_directories.insert(directory);
        if (directory.empty()) break;
    }
    testsupport::MakeDirectories(relative.empty() ? m_root : m_root + "/" + relative);
}

void GrowthTree::Write(const std::string& relativeFile, std::uint64_t size) {
    MakeDirectory(parentOf(relativeFile));
    testsupport::WriteSizedFile(m_root + "/" + relativeFile, size);
    m_files[relativeFile] = size;
}

void GrowthTree::Remove(const std::string& relative) {
    testsupport::RemoveTree(m_root + "/" + relative);
    std::erase_if(m_directories, [&](const std::string& d) { return isAtOrBelow(d, relative); });
    std::erase_if(m_files, [&](const auto& file) { return isAtOrBelow(file.first, relative); });
}

Totals GrowthTree::Scanned(const std::vector<std::string>& excluded) const {
    auto skipped = [&](const std::string& relative) {
        if (relative.empty()) return false;
        std::string path = lower(m_root + "/" + relative + "/");
        return std::any_of(excluded.begin(), excluded.end(),
                           [&](const std::string& fragment) { return path.find(fragment) != std::string::npos; });
    };
    auto hidden = [&](const std::string& relative) {
        for (std::string d = relative; !d.empty(); d = parentOf(d)) {
            if (skipped(d)) return true;
        }
        return false;
    };
    Totals totals;
    for (const std::string& directory : m_directories) {
        if (!hidden(directory)) totals[directory] = 0;
    }
    for (const auto& [file, size] : m_files) {
        std::string directory = parentOf(file);
        if (hidden(directory)) continue;
        for (std::string d = directory;; d = parentOf(d)) {
            totals[d] += counted(size);
            if (d.empty()) break;
        }
    }
    return totals;
}

std::vector<ExpectedRow> ExpectedGrowth(const Totals& before, const Totals& after,
                                        const std::set<std::string>& excludedAfter) {
    std::set<std::string> directories;
    for (const auto& [d, size] : before) directories.insert(d);
    for (const auto& [d, size] : after) directories.insert(d);
    std::vector<ExpectedRow> rows;
    for (const std::string& d : directories) {
        ExpectedRow row;
        row.relative = d;
        if (before.count(d) != 0) row.oldSize = before.at(d);
        if (after.count(d) != 0) row.newSize = after.at(d);
        row.change = row.newSize.value_or(0) - row.oldSize.value_or(0);
        if (row.change == 0) continue;
        if (!row.oldSize) {
            row.status = scan::GrowthStatus::kNew;
        } else if (!row.newSize) {
            row.status = excludedAfter.count(d) != 0 ? scan::GrowthStatus::kExcluded : scan::GrowthStatus::kDeleted;
        } else {
            row.status = row.change > 0 ? scan::GrowthStatus::kGrown : scan::GrowthStatus::kShrunk;
        }
        rows.push_back(row);
    }
    // Relative paths order as the stored ones: all share the tree's stored prefix.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ExpectedRow& a, const ExpectedRow& b) { return a.change > b.change; });
    return rows;
}

std::vector<ExpectedRow> Below(const std::vector<ExpectedRow>& rows, const std::string& relative) {
    std::vector<ExpectedRow> kept;
    for (const ExpectedRow& row : rows) {
        if (isAtOrBelow(row.relative, relative)) kept.push_back(row);
    }
    return kept;
}

void ExpectRows(const scan::GrowthReport& report, const std::vector<ExpectedRow>& expected,
                const std::string& treeRoot) {
    ASSERT_EQ(report.outcome, scan::GrowthOutcome::kReady) << report.failure;
    ASSERT_EQ(report.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ExpectedRow& want = expected[i];
        const scan::GrowthRow& got = report.rows[i];
        std::string local = want.relative.empty() ? treeRoot : treeRoot + "/" + want.relative;
        SCOPED_TRACE("row " + std::to_string(i) + ": " + local);
        EXPECT_EQ(got.localPath, local);
        EXPECT_EQ(got.oldSize, want.oldSize);
        EXPECT_EQ(got.newSize, want.newSize);
        EXPECT_EQ(got.change, want.change);
        EXPECT_EQ(got.status, want.status) << scan::GrowthStatusName(got.status);
        if (want.oldSize && *want.oldSize != 0) {
            ASSERT_TRUE(got.percent.has_value());
            EXPECT_DOUBLE_EQ(*got.percent, 100.0 * static_cast<double>(want.change) / static_cast<double>(*want.oldSize));
        } else {
            EXPECT_FALSE(got.percent.has_value());
        }
    }
}

} // namespace growthtest
