// What the preferences store and where: values that wait for the main window's close against
// those stored at once, and the cluster-size overrides, whose key is replaced as a whole.
#include "app/CTallyvol32Dlg.h"
#include "app/FixedClusterSizes.h"
#include "app/Preferences.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/registry/RegKey.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

#include <map>

using namespace app;
using platform::registry::RegKey;
using platform::registry::Root;
using testsupport::IsolatedEnvironment;

namespace {

std::optional<RegKey> overridesKey() {
    return RegKey::Open(Root::LocalMachine, MachineKeyPath(settings::kFixedClusterSizesKey));
}

std::map<std::string, std::string> storedOverrides() {
    std::map<std::string, std::string> stored;
    if (auto key = overridesKey()) {
        for (const auto& value : key->Values()) {
            EXPECT_EQ(value.type, platform::registry::REG_SZ) << value.name;
            stored[value.name] = std::string(value.data.begin(), value.data.end());
        }
    }
    return stored;
}

} // namespace

TEST(FixedClusterSizes, TwoLinesReplaceTheWholeKey) {
    IsolatedEnvironment env;
    auto key = RegKey::Create(Root::LocalMachine, MachineKeyPath(settings::kFixedClusterSizesKey));
    ASSERT_TRUE(key);
    key->SetString("/srv/old", "512");
    key->SetString("/srv/a", "1024");
    key->SetDword("/srv/dword", 7);

    ASSERT_TRUE(FixedClusterSizes::ReplaceWithLines({"/srv/a\t4096", "/srv/b c\t65536"}));
    EXPECT_EQ(storedOverrides(), (std::map<std::string, std::string>{{"/srv/a", "4096"}, {"/srv/b c", "65536"}}));
    EXPECT_EQ(FixedClusterSizes::ReadLines(), (std::vector<std::string>{"/srv/a\t4096", "/srv/b c\t65536"}));

    ASSERT_TRUE(FixedClusterSizes::ReplaceWithLines({}));
    EXPECT_TRUE(storedOverrides().empty());
    EXPECT_TRUE(FixedClusterSizes::ReadLines().empty());
}

TEST(FixedClusterSizes, OddLinesAndOddStoredValues) {
    IsolatedEnvironment env;
    const std::string longest(FixedClusterSizes::kMaxPathLength, 'p');
    ASSERT_TRUE(FixedClusterSizes::ReplaceWithLines({
        "/srv/x\t12abc",           // leading digits
        "/srv/y\tabc",             // none: 0
        "/srv/no tab",             // the whole line is the path
        "/srv/tab\tin\t8192",      // the size follows the last tab; the path holds a tab: left out
        "/srv/line\nbreak\t4096",  // a line break cannot be a value name: left out
        "\t4096",                  // no path
        longest + "\t1",
        longest + "p\t1",          // longer than a name may be
    }));
    EXPECT_EQ(storedOverrides(), (std::map<std::string, std::string>{
                                     {"/srv/x", "12"}, {"/srv/y", "0"}, {"/srv/no tab", "0"}, {longest, "1"}}));

    // Values written by hand: data read by its leading integer, unusable names skipped.
    auto key = overridesKey();
    ASSERT_TRUE(key);
    key->SetString("/srv/spaces", "  77 bytes");
    key->SetString("/srv/huge", "99999999999999");
    key->SetString("/srv/negative", "-5");
    key->SetString("", "4096");
    std::vector<std::string> lines = FixedClusterSizes::ReadLines();
    EXPECT_EQ(lines.size(), 7u);
    for (const char* line : {"/srv/spaces\t77", "/srv/huge\t2147483647", "/srv/negative\t-5"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST(Preferences, ValuesForTheMainWindowWaitForItsCloseTheOthersAreStoredAtOnce) {
    IsolatedEnvironment env;
    CTallyvol32Dlg dialog;
    Preferences before = Preferences::Read(dialog);
    EXPECT_EQ(before.units, 2);
    EXPECT_EQ(before.clusterSetting, 4);
    EXPECT_EQ(before.automatedAutoDeleteDays, 7);
    EXPECT_TRUE(before.useSystemTimeFormat);
    EXPECT_EQ(before.logDirectory, env.LogDirectory() + "/") << "read with the slash added";

    Preferences changed = before;
    changed.units = 5;
    changed.clusterSetting = 1;
    changed.scanOnClick = true;
    changed.saveSubdirs = false;
    changed.checkForUpdates = true;
    changed.manualAutoDeleteDays = 30;
    changed.automatedAutoDeleteDays = 90;
    changed.showBlankRows = true;
    changed.useSystemTimeFormat = false;
    changed.logDirectory = env.Root() + "/logs";
    changed.debugLogs = true;
    changed.logRun = true;
    ASSERT_FALSE(IsDebugLogOn());
    changed.Apply(dialog);

    // At once.
    EXPECT_EQ(GetSetting(settings::LogDir), env.Root() + "/logs/");
    EXPECT_EQ(GetSetting(settings::DebugLogs), 1);
    EXPECT_TRUE(IsDebugLogOn());
    EXPECT_EQ(GetSetting(settings::LogRun), 1);
    EXPECT_EQ(GetSetting(settings::ShowBlankRows), 1);
    EXPECT_EQ(GetSetting(settings::UseSystemTimeFormat), 0);
    EXPECT_FALSE(UseSystemTimeFormatFlag());
    // In the main dialog object only, until it closes.
    EXPECT_EQ(dialog.m_units, 5);
    EXPECT_EQ(dialog.m_clusterSetting, 1);
    EXPECT_EQ(dialog.m_scanOnClick, 1);
    EXPECT_EQ(dialog.m_saveSubdirs, 0);
    EXPECT_EQ(dialog.m_checkForUpdates, 1);
    EXPECT_EQ(dialog.m_manualAutoDeleteDays, 30);
    EXPECT_EQ(dialog.m_automatedAutoDeleteDays, 90);
    EXPECT_TRUE(dialog.m_showBlankRows);
    EXPECT_EQ(GetSetting(settings::PreferredUnits), 2);
    EXPECT_EQ(GetSetting(settings::AutomatedAutoDeleteDays), 7);
    EXPECT_EQ(GetSetting(settings::CheckForUpdates), 0);

    dialog.SaveDisplaySettings(170);
    EXPECT_EQ(GetSetting(settings::PreferredUnits), 5);
    EXPECT_EQ(GetSetting(settings::PreferredClusterSetting), 1);
    EXPECT_EQ(GetSetting(settings::ScanOnClick), 1);
    EXPECT_EQ(GetSetting(settings::SubDirSave), 0);
    EXPECT_EQ(GetSetting(settings::CheckForUpdates), 1);
    EXPECT_EQ(GetSetting(settings::ManualAutoDeleteDays), 30);
    EXPECT_EQ(GetSetting(settings::AutomatedAutoDeleteDays), 90);

    // A new window shows what was stored.
    CTallyvol32Dlg reopened;
    Preferences after = Preferences::Read(reopened);
    EXPECT_EQ(after.units, 5);
    EXPECT_EQ(after.logDirectory, env.Root() + "/logs/");
    EXPECT_TRUE(after.debugLogs && after.logRun && after.showBlankRows && after.checkForUpdates);
    EXPECT_FALSE(after.useSystemTimeFormat || after.saveSubdirs);
}

TEST(Preferences, ALogDirectoryKeepsOneTrailingSlash) {
    EXPECT_EQ(Preferences::WithTrailingSlash("/var/log/tallyvol"), "/var/log/tallyvol/");
    EXPECT_EQ(Preferences::WithTrailingSlash("/var/log/tallyvol/"), "/var/log/tallyvol/");
    EXPECT_EQ(Preferences::WithTrailingSlash(""), "/");
}
