#include "platform/taskscheduler/CrontabAccounts.h"

#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace platform::taskscheduler {

namespace {

// Debian's range of accounts for people (login.defs UID_MIN and UID_MAX).
constexpr uid_t kFirstPersonUid = 1000;
constexpr uid_t kLastPersonUid = 60000;

// getpwent walks one process-wide cursor; callers on several threads would share it.
std::set<std::string> userDatabaseAccounts(bool peopleOnly) {
    std::set<std::string> names;
    ::setpwent();
    while (struct passwd* entry = ::getpwent()) {
        bool person = entry->pw_uid >= kFirstPersonUid && entry->pw_uid <= kLastPersonUid;
        if (entry->pw_name != nullptr && *entry->pw_name != '\0' && (person || !peopleOnly)) {
            names.insert(entry->pw_name);
        }
    }
    ::endpwent();
    return names;
}

bool knownAccount(const std::string& name) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    return ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
           found != nullptr;
}

} // namespace

std::string CurrentAccountName() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return {};
    }
    return found->pw_name;
}

bool MayUseOtherCrontabs() {
    return ::geteuid() == 0;
}

std::vector<std::string> OtherCrontabAccounts(const std::string& spoolDirectory) {
    if (!MayUseOtherCrontabs()) {
        return {};
    }
    std::set<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(spoolDirectory.c_str()), ::closedir);
    if (directory) {
        // crontab installs through temporary files in the same directory; only account names
        // count.
        while (struct dirent* entry = ::readdir(directory.get())) {
            std::string name = entry->d_name;
            if (name != "." && name != ".." && knownAccount(name)) {
                names.insert(name);
            }
        }
    } else {
        names = userDatabaseAccounts(false);
    }
    names.erase(CurrentAccountName());
    return {names.begin(), names.end()};
}

std::vector<std::string> RunAsAccounts() {
    std::string own = CurrentAccountName();
    std::vector<std::string> accounts;
    if (!own.empty()) {
        accounts.push_back(own);
    }
    std::set<std::string> others = userDatabaseAccounts(true);
    for (const std::string& name : OtherCrontabAccounts()) {
        others.insert(name);
    }
    others.erase(own);
    accounts.insert(accounts.end(), others.begin(), others.end());
    return accounts;
}

} // namespace platform::taskscheduler
