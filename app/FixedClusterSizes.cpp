#include "app/FixedClusterSizes.h"

#include "app/base/Settings.h"
#include "platform/registry/Hive.h"
#include "platform/registry/RegKey.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace app {

namespace reg = platform::registry;

namespace {

// The leading integer as the C library's atoi reads it, held at the int range (the stored data
// comes from a file anyone with write access may have edited).
int leadingInteger(const std::string& text) {
    std::size_t pos = text.find_first_not_of(" \t\n\v\f\r");
    if (pos == std::string::npos) {
        return 0;
    }
    bool negative = false;
    if (text[pos] == '+' || text[pos] == '-') {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::int64_t cap = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t number = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        number = std::min(number * 10 + (text[pos] - '0'), cap);
    }
    number = negative ? -number : number;
    return static_cast<int>(std::clamp<std::int64_t>(number, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

bool storablePath(const std::string& path) {
    return !path.empty() && path.size() <= FixedClusterSizes::kMaxPathLength &&
           std::none_of(path.begin(), path.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
}

reg::Value stringValue(const std::string& name, const std::string& text) {
    reg::Value value;
    value.name = name;
    value.type = reg::REG_SZ;
    value.data.assign(text.begin(), text.end());
    return value;
}

} // namespace

std::string FixedClusterSizes::Line(const std::string& path, unsigned size) {
    return path + "\t" + std::to_string(static_cast<int>(size));
}

std::vector<std::string> FixedClusterSizes::ReadLines() {
    std::vector<std::string> lines;
    std::optional<reg::RegKey> key =
        reg::RegKey::Open(reg::Root::LocalMachine, MachineKeyPath(settings::kFixedClusterSizesKey));
    if (!key) {
        return lines;
    }
    for (const reg::Value& value : key->Values()) {
        if (value.name.empty() || value.name.size() > kMaxPathLength) {
            continue;
        }
        // A value of another type reads as the integer of its bytes taken as text, as a string
        // query of it would give.
        std::string data(value.data.begin(), value.data.end());
        lines.push_back(value.name + "\t" + std::to_string(leadingInteger(data)));
    }
    return lines;
}

bool FixedClusterSizes::ReplaceWithLines(const std::vector<std::string>& lines) {
    std::vector<reg::Value> values;
    for (const std::string& line : lines) {
        std::size_t tab = line.rfind('\t');
        std::string path = tab == std::string::npos ? line : line.substr(0, tab);
        std::string size = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        if (!storablePath(path)) {
            continue;
        }
        values.push_back(stringValue(path, std::to_string(leadingInteger(size))));
    }
    const std::string keyPath = MachineKeyPath(settings::kFixedClusterSizesKey);
    // Deleting the key and writing the new values is one change of the hive: a failure midway
    // can never leave the list half written.
    return reg::ModifyHive(reg::Root::LocalMachine, [&](reg::HiveData& hive) {
        hive.DeleteKeyTree(keyPath);
        if (values.empty()) {
            return true;
        }
        reg::Key& key = hive.CreateKey(keyPath);
        for (reg::Value& value : values) {
            if (reg::Value* existing = key.FindValue(value.name)) {
                *existing = std::move(value); // names compare without case, as in the registry
            } else {
                key.values.push_back(std::move(value));
            }
        }
        return true;
    });
}

} // namespace app
