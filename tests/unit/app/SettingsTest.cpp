// Both settings stores: defaults written back on first use, values of the wrong shape, the
// font record and the one-time migration of old per-user settings.
#include "app/base/Settings.h"
#include "platform/registry/RegKey.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace app;
using platform::registry::RegKey;
using platform::registry::Root;
using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;

namespace {

std::optional<std::uint32_t> storedMachineDword(const std::string& subKey, const std::string& name) {
    auto key = RegKey::Open(Root::LocalMachine, MachineKeyPath(subKey));
    std::uint32_t value = 0;
    if (!key || !key->QueryDword(name, &value)) return std::nullopt;
    return value;
}

} // namespace

TEST(Settings, MachineGettersWriteMissingDefaultsBack) {
    IsolatedEnvironment env;
    EXPECT_EQ(GetMachineInt("AutomatedAutoDeleteDays", 7), 7);
    EXPECT_EQ(storedMachineDword("Settings", "AutomatedAutoDeleteDays"), 7u);
    EXPECT_EQ(GetMachineString("PrintFilePath", "DIRSIZE.TXT"), "DIRSIZE.TXT");
    std::string text;
    ASSERT_TRUE(RegKey::Open(Root::LocalMachine, MachineKeyPath("Settings"))->QueryString("PrintFilePath", &text));
    EXPECT_EQ(text, "DIRSIZE.TXT");

    SetMachineInt("AutomatedAutoDeleteDays", 30);
    EXPECT_EQ(GetMachineInt("AutomatedAutoDeleteDays", 7), 30);
    SetMachineString("/srv/report.txt", "PrintFilePath");
    EXPECT_EQ(GetMachineString("PrintFilePath", "DIRSIZE.TXT"), "/srv/report.txt");
}

TEST(Settings, ReadMachineIntNeverWrites) {
    IsolatedEnvironment env;
    EXPECT_EQ(ReadMachineInt("SkipNewVersionInternetCheck", 0), 0);
    EXPECT_FALSE(storedMachineDword("Settings", "SkipNewVersionInternetCheck"));
    EXPECT_EQ(GetSetting(settings::SkipNewVersionInternetCheck), 0);
    EXPECT_FALSE(storedMachineDword("Settings", "SkipNewVersionInternetCheck"));
}

TEST(Settings, AValueOfTheWrongTypeReadsAsMissingAndIsReplaced) {
    IsolatedEnvironment env;
    RegKey::Create(Root::LocalMachine, MachineKeyPath("Settings"))->SetString("DebugLogs", "yes");
    EXPECT_EQ(GetMachineInt("DebugLogs", 0), 0);
    EXPECT_EQ(storedMachineDword("Settings", "DebugLogs"), 0u);
}

TEST(Settings, RootValuesLiveDirectlyUnderTheProgramKey) {
    IsolatedEnvironment env;
    EXPECT_EQ(GetSetting(settings::DBSource), 0);
    EXPECT_EQ(storedMachineDword("", "DBSource"), 0u);
    EXPECT_FALSE(storedMachineDword("Settings", "DBSource"));
    EXPECT_EQ(GetSetting(settings::SQLDisableTimeouts), 1);
    EXPECT_EQ(GetSetting(settings::ConnectionString), "DSN=CVTallyvol");
    EXPECT_EQ(GetSetting(settings::EMailAddr), "support@corvane.example");
}

TEST(Settings, ProfileReadsWriteTheDefaultBackWhenTheResultEqualsIt) {
    IsolatedEnvironment env;
    EXPECT_EQ(GetProfileStringEx("LS5", ""), "");
    std::string value = "unset";
    auto key = RegKey::Open(Root::CurrentUser, "Software\\Fennick\\TALLYVOL\\Settings");
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->QueryString("LS5", &value));
    EXPECT_EQ(value, "");

    EXPECT_EQ(GetProfileIntEx("WarningDlg", "CancelScan", 0), 0);
    std::uint32_t number = 9;
    EXPECT_TRUE(RegKey::Open(Root::CurrentUser, "Software\\Fennick\\TALLYVOL\\WarningDlg")->QueryDword("CancelScan", &number));
    EXPECT_EQ(number, 0u);

    WriteProfileInt("Settings", "PreferredUnits", 5);
    EXPECT_EQ(GetSetting(settings::PreferredUnits), 5);
    WriteProfileString("Settings", "LS0", "/srv/data");
    EXPECT_EQ(GetProfileStringEx("LS0", ""), "/srv/data");
}

TEST(Settings, FontRecordOfTheWrongSizeIsReplacedByTheDefault) {
    IsolatedEnvironment env;
    std::vector<std::uint8_t> record = GetFontRecord();
    ASSERT_EQ(record.size(), kFontRecordSize);
    EXPECT_EQ(record, DefaultFontRecord());
    // Height -14, weight 400, face "MS Sans Serif" in UTF-16.
    EXPECT_EQ(record[0], 0xF2);
    EXPECT_EQ(record[1], 0xFF);
    EXPECT_EQ(record[16], 0x90);
    EXPECT_EQ(record[17], 0x01);
    EXPECT_EQ(record[28], 'M');
    EXPECT_EQ(record[29], 0);

    auto key = RegKey::Create(Root::CurrentUser, "Software\\Fennick\\TALLYVOL\\Settings");
    key->SetValue("Font", platform::registry::REG_BINARY, std::vector<std::uint8_t>(90, 1));
    EXPECT_EQ(GetFontRecord(), DefaultFontRecord());

    std::vector<std::uint8_t> custom(kFontRecordSize, 2);
    SetFontRecord(custom);
    EXPECT_EQ(GetFontRecord(), custom);
}

TEST(Settings, MigrationCopiesListedValuesAndIsRetriedWhileTheOldKeyIsMissing) {
    IsolatedEnvironment env;
    MigrateRegistry();
    EXPECT_FALSE(storedMachineDword("", "MigratedRegistry")) << "no old Settings key: incomplete";

    auto old = RegKey::Create(Root::CurrentUser, "software\\Fennick\\TALLYVOL\\Settings");
    old->SetDword("ExportFormat", 1);
    old->SetString("LogDir", "/var/log/tallyvol");
    old->SetString("NotInTheTable", "x");
    auto oldSizes = RegKey::Create(Root::CurrentUser, "software\\Fennick\\TALLYVOL\\FixedClusterSizes");
    oldSizes->SetString("/srv", "512");
    MigrateRegistry();

    EXPECT_EQ(storedMachineDword("", "MigratedRegistry"), 1u);
    EXPECT_EQ(storedMachineDword("Settings", "ExportFormat"), 1u);
    std::string text;
    auto settingsKey = RegKey::Open(Root::LocalMachine, MachineKeyPath("Settings"));
    EXPECT_TRUE(settingsKey->QueryString("LogDir", &text));
    EXPECT_EQ(text, "/var/log/tallyvol");
    EXPECT_FALSE(settingsKey->QueryString("NotInTheTable", &text));
    EXPECT_TRUE(RegKey::Open(Root::LocalMachine, MachineKeyPath("FixedClusterSizes"))->QueryString("/srv", &text));
    EXPECT_EQ(text, "512");

    // Done once: later changes to the old key are not copied again.
    old->SetDword("ExportFormat", 0);
    MigrateRegistry();
    EXPECT_EQ(storedMachineDword("Settings", "ExportFormat"), 1u);
}

TEST(Settings, AnUnwritableStoreGivesDefaultsAndLosesWrites) {
    IsolatedEnvironment env;
    testsupport::WriteFile(env.Root() + "/plainfile", "x");
    env.Set("TALLYVOL_HOME", env.Root() + "/plainfile/home");
    SetMachineInt("ManualAutoDeleteDays", 5);
    EXPECT_EQ(GetMachineInt("ManualAutoDeleteDays", 0), 0);
    // The log's default directory is private: root's own, else the program's home.
    EXPECT_EQ(GetSetting(settings::LogDir), ::geteuid() == 0 ? std::string("/var/log/tallyvol") : env.Root() + "/plainfile/home");
}
