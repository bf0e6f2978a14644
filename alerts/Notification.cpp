#include "alerts/Notification.h"

#include "platform/ini/PrivateProfile.h"
#include "platform/system/Paths.h"

#include <algorithm>
#include <climits>
#include <set>

namespace alerts {

namespace {

namespace ini = platform::ini;

constexpr const char* kSettingsSection = "Settings";
constexpr const char* kLastIDKey = "LastID";
// Text keys are read as into a buffer of 1024 characters.
constexpr std::size_t kTextBufferChars = 1024;
// The section list is read as into a buffer of 48000 characters.
constexpr std::size_t kSectionListChars = 48000;

// The next identifier: one above "LastID". A hand-edited file whose "LastID" lags behind its
// sections would hand out an identifier in use and the next save would overwrite that profile,
// so the highest section identifier counts too; past the int range, the lowest free one.
int nextIdentifier(const ini::IniDocument& document) {
    long long highest = ini::IntValueOf(document.Value(kSettingsSection, kLastIDKey), 0);
    std::set<int> used;
    for (const std::string& name : document.SectionNames()) {
        if (std::optional<int> id = ProfileIDFromSectionName(name)) {
            used.insert(*id);
            highest = std::max<long long>(highest, *id);
        }
    }
    if (highest < INT_MAX) {
        return static_cast<int>(highest + 1);
    }
    int candidate = 1;
    while (used.count(candidate) != 0 && candidate < INT_MAX) ++candidate;
    return candidate;
}

} // namespace

std::string ProfilesFilePath() {
    std::string home = platform::system::TallyvolHome();
    return home.empty() ? std::string() : home + "/PROFILES.INI";
}

std::optional<int> ProfileIDFromSectionName(const std::string& name) {
    // The reading of sscanf("PID-%d"): the literal prefix, blanks, a sign, at least one digit.
    const std::string prefix = "PID-";
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    std::size_t pos = prefix.size();
    while (pos < name.size() && (name[pos] == ' ' || name[pos] == '\t')) ++pos;
    if (pos < name.size() && (name[pos] == '+' || name[pos] == '-') && pos + 1 < name.size() &&
        name[pos + 1] >= '0' && name[pos + 1] <= '9') {
        return ini::IntValueOf(name.substr(pos), 0);
    }
    if (pos >= name.size() || name[pos] < '0' || name[pos] > '9') {
        return std::nullopt;
    }
    return ini::IntValueOf(name.substr(pos), 0);
}

std::string ProfileSectionName(int pid) {
    return "PID-" + std::to_string(pid);
}

Notification::Notification() {
    std::string file = ProfilesFilePath();
    if (file.empty()) {
        return;
    }
    // Read and rewrite under one lock, so two processes creating profiles at the same moment
    // never share an identifier.
    bool allocated = ini::ModifyPrivateProfile(file, [this](ini::IniDocument& document) {
        PID = nextIdentifier(document);
        document.SetValue(kSettingsSection, kLastIDKey, std::to_string(PID));
        return true;
    });
    if (!allocated) {
        PID = nextIdentifier(ini::ReadPrivateProfile(file)); // the write is lost, the value stands
    }
}

Notification::Notification(int pid) : PID(pid) {
    std::string file = ProfilesFilePath();
    if (!file.empty()) {
        load(ini::ReadPrivateProfile(file));
    }
}

Notification::Notification(const ini::IniDocument& document, int pid) : PID(pid) {
    load(document);
}

void Notification::load(const ini::IniDocument& document) {
    std::string section = ProfileSectionName(PID);
    auto text = [&](const char* key, const std::string& defaultValue) {
        std::optional<std::string> value = document.Value(section, key);
        return ini::TruncateCharacters(value ? *value : defaultValue, kTextBufferChars - 1);
    };
    Description = text("Description", "No Description");
    Type = ini::IntValueOf(document.Value(section, "Type"), kMessageBox);
    Str1 = text("Str1", "");
    Str2 = text("Str2", "");
}

void Notification::Save() const {
    std::string file = ProfilesFilePath();
    if (file.empty()) {
        return;
    }
    ini::ModifyPrivateProfile(file, [this](ini::IniDocument& document) {
        std::string section = ProfileSectionName(PID);
        document.SetValue(section, "Description", Description);
        document.SetValue(section, "Type", std::to_string(Type));
        document.SetValue(section, "Str1", Str1);
        document.SetValue(section, "Str2", Str2);
        return true;
    });
}

void Notification::DeleteProfile(int pid) {
    std::string file = ProfilesFilePath();
    if (!file.empty()) {
        ini::WritePrivateProfileString(ProfileSectionName(pid), std::nullopt, std::nullopt, file);
    }
}

void Notification::LoadAllProfiles(std::vector<Notification>& profiles) {
    std::string file = ProfilesFilePath();
    if (file.empty()) {
        return;
    }
    // One read serves the list and every profile, as one snapshot of the file.
    ini::IniDocument document = ini::ReadPrivateProfile(file);
    for (const std::string& name : ini::GetPrivateProfileSectionNames(kSectionListChars, document)) {
        if (std::optional<int> id = ProfileIDFromSectionName(name)) {
            profiles.push_back(Notification(document, *id));
        }
    }
}

} // namespace alerts
