#include "app/RecentDirectories.h"

#include "app/base/SettingKeys.h"
#include "app/base/Settings.h"

namespace app {

namespace {

std::string keyName(int index) {
    return "LS" + std::to_string(index);
}

} // namespace

void AddRecentDirectory(const std::string& path) {
    std::vector<std::string> entries(settings::kRecentDirectoryCount);
    for (int i = settings::kRecentDirectoryCount - 1; i >= 0; --i) {
        entries[i] = GetProfileStringEx(keyName(i), "");
        if (entries[i] == path) {
            return;
        }
    }
    std::vector<std::pair<std::string, std::string>> shifted;
    for (int i = settings::kRecentDirectoryCount - 1; i > 0; --i) {
        shifted.emplace_back(keyName(i), entries[i - 1]);
    }
    shifted.emplace_back(keyName(0), path);
    WriteProfileStrings("Settings", shifted);
}

std::vector<std::string> RecentDirectories() {
    std::vector<std::string> result;
    for (int i = 0; i < settings::kRecentDirectoryCount; ++i) {
        std::string entry = GetProfileStringEx(keyName(i), "");
        if (!entry.empty()) {
            result.push_back(entry);
        }
    }
    return result;
}

} // namespace app
