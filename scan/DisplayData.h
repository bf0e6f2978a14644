/*
 * The stored scans of one directory as the grid, the reports and the alert checks see them:
 * the scans newest first, the rows (child directories, or extensions) and one 64-bit value per
 * row and scan. Filled by CScanInfo::LoadScans and owned by the caller; nothing here touches
 * the database. Main thread only.
 */
#ifndef TALLYVOL_SCAN_DISPLAYDATA_H
#define TALLYVOL_SCAN_DISPLAYDATA_H

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace scan {

// A local date and time with a validity state, as stored with each scan.
struct ScanDateTime {
    enum class State { kValid, kNull, kInvalid };
    State state = State::kNull;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    static ScanDateTime FromTm(const std::tm& local);
    // "YYYY-MM-DD HH:MM:SS" (what the store returns); invalid text gives kInvalid.
    static ScanDateTime Parse(const std::string& text);
    std::tm ToTm() const;
    // Seconds since the epoch, reading the value as local time.
    std::time_t ToTimeT() const;
    bool operator<(const ScanDateTime& other) const;
    bool operator==(const ScanDateTime& other) const = default;
};

struct LoadedScan {
    std::uint32_t scanID = 0;
    ScanDateTime date;
};

struct DisplayRow {
    std::uint32_t id = 0; // directory identifier (view 0) or extension identifier (views 1, 2)
    std::string name;     // full stored path (view 0) or extension text (views 1, 2)
};

class DisplayData {
public:
    virtual ~DisplayData() = default;

    std::string path;               // stored form of the directory
    int dirID = -1;                 // -1 when the store does not know the directory
    std::vector<LoadedScan> scans;  // newest first
    std::vector<DisplayRow> rows;   // ordered by row identifier

    // The value of the row in the scan; nothing when that scan holds no value for the row.
    std::optional<std::uint64_t> Value(std::uint32_t rowID, std::uint32_t scanID) const;
    void SetValue(std::uint32_t rowID, std::uint32_t scanID, std::uint64_t value);
    std::size_t ValueCount() const { return m_values.size(); }
    // Visits every stored value (row, scan, value) in no particular order.
    template <typename Visitor> void ForEachValue(Visitor visit) const {
        for (const auto& [key, value] : m_values) {
            visit(static_cast<std::uint32_t>(key >> 32), static_cast<std::uint32_t>(key), value);
        }
    }
    void Clear();

private:
    static std::uint64_t key(std::uint32_t rowID, std::uint32_t scanID) {
        return (static_cast<std::uint64_t>(rowID) << 32) | scanID;
    }
    std::unordered_map<std::uint64_t, std::uint64_t> m_values;
};

} // namespace scan

#endif
