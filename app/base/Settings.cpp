#include "app/base/Settings.h"

#include "app/base/DiagnosticLog.h"
#include "brand/Brand.h"
#include "platform/registry/RegKey.h"

#include <array>
#include <optional>

namespace app {

using platform::registry::RegKey;
using platform::registry::Root;
namespace reg = platform::registry;

namespace {

constexpr const char* kProfileRoot = "Software\\Fennick\\TALLYVOL";
constexpr const char* kOldUserRoot = "software\\Fennick\\TALLYVOL";

// Opens a machine key for writing, as the getters do before they read. Nothing when the key
// cannot be opened for writing; `created` tells whether it had to be created.
std::optional<RegKey> openForWrite(Root root, const std::string& path, bool* created) {
    return RegKey::Create(root, path, created);
}

int getIntWithWriteBack(Root root, const std::string& path, const std::string& key, int defaultValue) {
    bool created = false;
    std::optional<RegKey> handle = openForWrite(root, path, &created);
    if (!handle) {
        return defaultValue;
    }
    std::uint32_t value = 0;
    if (created || !handle->QueryDword(key, &value)) {
        handle->SetDword(key, static_cast<std::uint32_t>(defaultValue));
        return defaultValue;
    }
    return static_cast<int>(value);
}

std::string getStringWithWriteBack(Root root, const std::string& path, const std::string& key,
                                   const std::string& defaultValue) {
    bool created = false;
    std::optional<RegKey> handle = openForWrite(root, path, &created);
    if (!handle) {
        return defaultValue;
    }
    std::string value;
    if (created || !handle->QueryString(key, &value)) {
        handle->SetString(key, defaultValue);
        return defaultValue;
    }
    return value;
}

int readInt(Root root, const std::string& path, const std::string& key, int defaultValue) {
    std::optional<RegKey> handle = RegKey::Open(root, path);
    std::uint32_t value = 0;
    if (!handle || !handle->QueryDword(key, &value)) {
        return defaultValue;
    }
    return static_cast<int>(value);
}

void setInt(Root root, const std::string& path, const std::string& key, int value) {
    if (std::optional<RegKey> handle = RegKey::Create(root, path)) {
        handle->SetDword(key, static_cast<std::uint32_t>(value));
    }
}

void setString(Root root, const std::string& path, const std::string& key, const std::string& value) {
    if (std::optional<RegKey> handle = RegKey::Create(root, path)) {
        handle->SetString(key, value);
    }
}

// The framework's profile read: the stored value, or the default when there is none.
std::optional<std::string> profileString(const std::string& section, const std::string& key) {
    std::optional<RegKey> handle = RegKey::Open(Root::CurrentUser, ProfileKeyPath(section));
    std::string value;
    if (!handle || !handle->QueryString(key, &value)) {
        return std::nullopt;
    }
    return value;
}

void appendUtf16(std::vector<std::uint8_t>& out, const char* ascii, std::size_t units) {
    for (std::size_t i = 0; i < units; ++i) {
        char c = *ascii != '\0' ? *ascii++ : '\0';
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
}

} // namespace

std::string MachineKeyPath(const std::string& subKey) {
    std::string path = GlobalRegKey;
    if (!subKey.empty()) {
        path += "\\" + subKey;
    }
    return path;
}

std::string ProfileKeyPath(const std::string& section) {
    return std::string(kProfileRoot) + "\\" + section;
}

// ---- Machine-wide store ----

int GetMachineInt(const std::string& key, int defaultValue) {
    return getIntWithWriteBack(Root::LocalMachine, MachineKeyPath("Settings"), key, defaultValue);
}

std::string GetMachineString(const std::string& key, const std::string& defaultValue) {
    return getStringWithWriteBack(Root::LocalMachine, MachineKeyPath("Settings"), key, defaultValue);
}

int ReadMachineInt(const std::string& key, int defaultValue) {
    return readInt(Root::LocalMachine, MachineKeyPath("Settings"), key, defaultValue);
}

void SetMachineInt(const std::string& key, int value) {
    setInt(Root::LocalMachine, MachineKeyPath("Settings"), key, value);
}

void SetMachineString(const std::string& value, const std::string& key) {
    setString(Root::LocalMachine, MachineKeyPath("Settings"), key, value);
}

int GetMachineRootInt(const std::string& key, int defaultValue) {
    return getIntWithWriteBack(Root::LocalMachine, MachineKeyPath(), key, defaultValue);
}

std::string GetMachineRootString(const std::string& key, const std::string& defaultValue) {
    return getStringWithWriteBack(Root::LocalMachine, MachineKeyPath(), key, defaultValue);
}

int ReadMachineRootInt(const std::string& key, int defaultValue) {
    return readInt(Root::LocalMachine, MachineKeyPath(), key, defaultValue);
}

void SetMachineRootInt(const std::string& key, int value) {
    setInt(Root::LocalMachine, MachineKeyPath(), key, value);
}

void SetMachineRootString(const std::string& key, const std::string& value) {
    setString(Root::LocalMachine, MachineKeyPath(), key, value);
}

// ---- Per-user profile ----

int GetProfileIntEx(const std::string& section, const std::string& key, int defaultValue) {
    try {
        int result = defaultValue;
        std::optional<RegKey> handle = RegKey::Open(Root::CurrentUser, ProfileKeyPath(section));
        std::uint32_t value = 0;
        if (handle && handle->QueryDword(key, &value)) {
            result = static_cast<int>(value);
        }
        if (result == defaultValue) {
            WriteProfileInt(section, key, defaultValue);
        }
        return result;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in GetProfileIntEx\n");
        return defaultValue;
    }
}

std::string GetProfileStringEx(const std::string& key, const std::string& defaultValue) {
    try {
        std::string result = profileString("Settings", key).value_or(defaultValue);
        if (result == defaultValue) {
            WriteProfileString("Settings", key, defaultValue);
        }
        return result;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in GetProfileStringEx\n");
        return defaultValue;
    }
}

void WriteProfileInt(const std::string& section, const std::string& key, int value) {
    setInt(Root::CurrentUser, ProfileKeyPath(section), key, value);
}

void WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    setString(Root::CurrentUser, ProfileKeyPath(section), key, value);
}

void WriteProfileStrings(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
    reg::ModifyHive(Root::CurrentUser, [&](reg::HiveData& hive) {
        reg::Key& key = hive.CreateKey(ProfileKeyPath(section));
        for (const auto& [name, text] : values) {
            std::vector<std::uint8_t> data(text.begin(), text.end());
            if (reg::Value* existing = key.FindValue(name)) {
                existing->type = reg::REG_SZ;
                existing->data = std::move(data);
            } else {
                key.values.push_back(reg::Value{name, reg::REG_SZ, std::move(data)});
            }
        }
        return true;
    });
}

// ---- By descriptor ----

namespace {

// How each store reads and writes a descriptor's value.
struct StoreOperations {
    int (*getInt)(const std::string& key, int defaultValue);  // writes the default back
    int (*readInt)(const std::string& key, int defaultValue); // leaves a missing value missing
    std::string (*getString)(const std::string& key, const std::string& defaultValue);
    void (*setInt)(const std::string& key, int value);
    void (*setString)(const std::string& key, const std::string& value);
};

const StoreOperations& operationsOf(SettingStore store) {
    static const StoreOperations machine{
        GetMachineInt, ReadMachineInt, GetMachineString, SetMachineInt,
        [](const std::string& key, const std::string& value) { SetMachineString(value, key); }};
    static const StoreOperations machineRoot{GetMachineRootInt, ReadMachineRootInt, GetMachineRootString,
                                             SetMachineRootInt, SetMachineRootString};
    // The per-user getters always write a default back.
    static const StoreOperations user{
        [](const std::string& key, int defaultValue) { return GetProfileIntEx("Settings", key, defaultValue); },
        [](const std::string& key, int defaultValue) { return GetProfileIntEx("Settings", key, defaultValue); },
        GetProfileStringEx, [](const std::string& key, int value) { WriteProfileInt("Settings", key, value); },
        [](const std::string& key, const std::string& value) { WriteProfileString("Settings", key, value); }};
    switch (store) {
    case SettingStore::kMachine:
        return machine;
    case SettingStore::kMachineRoot:
        return machineRoot;
    case SettingStore::kUser:
        break;
    }
    return user;
}

} // namespace

int GetSetting(const IntSetting& setting) {
    const StoreOperations& store = operationsOf(setting.store);
    return (setting.writeBack ? store.getInt : store.readInt)(setting.name, setting.defaultValue);
}

std::string DefaultOf(const StringSetting& setting) {
    if (setting.defaultFunction != nullptr) {
        return setting.defaultFunction();
    }
    if (setting.defaultExport != nullptr && *setting.defaultExport != nullptr) {
        return *setting.defaultExport;
    }
    return setting.defaultLiteral != nullptr ? setting.defaultLiteral : "";
}

std::string GetSetting(const StringSetting& setting) {
    return operationsOf(setting.store).getString(setting.name, DefaultOf(setting));
}

void SetSetting(const IntSetting& setting, int value) {
    operationsOf(setting.store).setInt(setting.name, value);
}

void SetSetting(const StringSetting& setting, const std::string& value) {
    operationsOf(setting.store).setString(setting.name, value);
}

// ---- Font ----

std::vector<std::uint8_t> DefaultFontRecord() {
    std::vector<std::uint8_t> record;
    record.reserve(kFontRecordSize);
    auto putLong = [&record](std::int32_t value) {
        auto bits = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            record.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
    };
    putLong(-14); // height
    putLong(0);   // width
    putLong(0);   // escapement
    putLong(0);   // orientation
    putLong(400); // weight
    for (int i = 0; i < 8; ++i) {
        record.push_back(0); // italic .. pitch and family
    }
    appendUtf16(record, "MS Sans Serif", 32);
    return record;
}

std::vector<std::uint8_t> GetFontRecord() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (std::optional<RegKey> handle = RegKey::Open(Root::CurrentUser, ProfileKeyPath("Settings"))) {
            std::uint32_t type = reg::REG_NONE;
            std::vector<std::uint8_t> data;
            if (handle->QueryValue(settings::kFontValue, &type, &data) && type == reg::REG_BINARY &&
                data.size() == kFontRecordSize) {
                return data;
            }
        }
        SetFontRecord(DefaultFontRecord());
    }
    // The store cannot be written: use the default without storing it.
    return DefaultFontRecord();
}

void SetFontRecord(const std::vector<std::uint8_t>& record) {
    if (std::optional<RegKey> handle = RegKey::Create(Root::CurrentUser, ProfileKeyPath("Settings"))) {
        handle->SetValue(settings::kFontValue, reg::REG_BINARY, record);
    }
}

// ---- Migration ----

namespace {

struct MigrationRow {
    const char* subKey;
    const char* value; // nullptr: every value of the sub-key
};

constexpr std::array kMigrationTable{
    MigrationRow{"Settings", "ExcelDataAmount"},   MigrationRow{"Settings", "ExcelPrecision"},
    MigrationRow{"Settings", "ExcelNumColumns"},   MigrationRow{"Settings", "ExcelMaxRows"},
    MigrationRow{"Settings", "ExportPath"},        MigrationRow{"Settings", "ExportDest"},
    MigrationRow{"Settings", "ExportFormat"},      MigrationRow{"Settings", "ExportColumns"},
    MigrationRow{"Settings", "ExportRows"},        MigrationRow{"Settings", "ExportShowUnits"},
    MigrationRow{"Settings", "ExportPrecision"},   MigrationRow{"Settings", "ExportReverseOrder"},
    MigrationRow{"Settings", "ExportIncludeTotals"},
    MigrationRow{"FixedClusterSizes", nullptr},
    MigrationRow{"Settings", "DataDirectory"},     MigrationRow{"Settings", "DataDirectoryMDB3"},
    MigrationRow{"Settings", "LogDir"},            MigrationRow{"Settings", "DebugLogs"},
    MigrationRow{"Settings", "LogRun"},            MigrationRow{"Settings", "EMailAddr"},
    MigrationRow{"Settings", "HomePage"},          MigrationRow{"Settings", "LatestMajor"},
    MigrationRow{"Settings", "LatestMinor"},       MigrationRow{"Settings", "LatestBuild"},
    MigrationRow{"Settings", "ManualAutoDeleteDays"},
    MigrationRow{"Settings", "AutomatedAutoDeleteDays"},
    MigrationRow{"Settings", "FirstRun30"},        MigrationRow{"Settings", "DSNCreated"},
    MigrationRow{"Settings", "CommaDelimited"},    MigrationRow{"Settings", "EnhancedPrinting"},
    MigrationRow{"Settings", "PrintFilePath"},     MigrationRow{"Settings", "PrintDestination"},
    MigrationRow{"Settings", "PrintColumns"},      MigrationRow{"Settings", "LastUpdateCheck0"},
    MigrationRow{"Settings", "LastUpdateCheck1"},  MigrationRow{"Settings", "DaysBetweenChecks"},
    MigrationRow{"Settings", "SkipNewVersionInternetCheck"},
    MigrationRow{"Settings", "CheckForUpdates"},   MigrationRow{"Settings", "PageName3"},
    MigrationRow{"Settings", "MDACPage"},          MigrationRow{"Settings", "MSDEDownloadPage"},
    MigrationRow{"Settings", "MySQLDownloadPage"},
};

// A value has content when its stored size is not zero; a string always stores its terminator.
bool hasContent(const reg::Value& value) {
    return value.type == reg::REG_SZ || !value.data.empty();
}

} // namespace

void MigrateRegistry() {
    if (ReadMachineRootInt(settings::MigratedRegistry.name, 0) != 0) {
        return;
    }
    bool incomplete = false;
    for (const MigrationRow& row : kMigrationTable) {
        std::optional<RegKey> oldKey =
            RegKey::Open(Root::CurrentUser, std::string(kOldUserRoot) + "\\" + row.subKey);
        std::optional<RegKey> newKey = RegKey::Create(Root::LocalMachine, MachineKeyPath(row.subKey));
        if (!oldKey || !newKey) {
            if (row.value != nullptr) {
                incomplete = true;
            }
            continue;
        }
        std::vector<reg::Value> values = oldKey->Values();
        for (const reg::Value& value : values) {
            if (row.value != nullptr && !reg::EqualsIgnoreCase(value.name, row.value)) {
                continue;
            }
            if (hasContent(value)) {
                newKey->SetValue(value.name, value.type, value.data);
            }
        }
    }
    if (!incomplete) {
        SetMachineRootInt(settings::MigratedRegistry.name, 1);
    }
}

bool IsMigratedMachineSetting(const std::string& name) {
    for (const MigrationRow& row : kMigrationTable) {
        if (row.value != nullptr && reg::EqualsIgnoreCase(name, row.value)) {
            return true;
        }
    }
    return false;
}

} // namespace app
