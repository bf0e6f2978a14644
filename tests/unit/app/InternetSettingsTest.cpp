// The internet settings page: each setting and message line form, pages that misbehave, and
// that the stores stay readable whatever a page holds.
#include "app/InternetSettings.h"
#include "app/base/Settings.h"
#include "platform/registry/RegKey.h"
#include "platform/ui/IUserInterface.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/RecordingUpdateCheckOwner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <random>

using namespace app;
using namespace testsupport;
namespace reg = platform::registry;

namespace {

struct Stored {
    std::uint32_t type;
    std::string text; // REG_SZ: the string; REG_DWORD: the number in decimal (signed)
};

std::optional<Stored> stored(reg::Root root, const std::string& name) {
    std::string path = root == reg::Root::LocalMachine ? MachineKeyPath("Settings") : ProfileKeyPath("Settings");
    std::optional<reg::RegKey> key = reg::RegKey::Open(root, path);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!key || !key->QueryValue(name, &type, &data)) {
        return std::nullopt;
    }
    if (type == reg::REG_DWORD && data.size() == 4) {
        std::int32_t number = static_cast<std::int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                                        (static_cast<std::uint32_t>(data[3]) << 24));
        return Stored{type, std::to_string(number)};
    }
    return Stored{type, std::string(data.begin(), data.end())};
}

// Both hives read back whole: the values every test plants first are still there, and every
// key is the settings key or one of its ancestors (no line of a page made a key of its own).
void expectHivesIntact() {
    for (reg::Root root : {reg::Root::LocalMachine, reg::Root::CurrentUser}) {
        std::optional<Stored> sentinel = stored(root, "Sentinel");
        ASSERT_TRUE(sentinel) << reg::RootName(root);
        EXPECT_EQ(sentinel->text, "kept");
        std::string settingsPath = root == reg::Root::LocalMachine ? MachineKeyPath("Settings") : ProfileKeyPath("Settings");
        const reg::HiveData hive = reg::ReadHive(root);
        for (const reg::Key& key : hive.Keys()) {
            EXPECT_TRUE(reg::EqualsIgnoreCase(settingsPath.substr(0, key.path.size()), key.path)) << key.path;
        }
    }
}

// The names stored in a Settings key.
std::vector<std::string> storedNames(reg::Root root) {
    std::vector<std::string> names;
    std::string path = root == reg::Root::LocalMachine ? MachineKeyPath("Settings") : ProfileKeyPath("Settings");
    if (std::optional<reg::RegKey> key = reg::RegKey::Open(root, path)) {
        for (const reg::Value& value : key->Values()) {
            names.push_back(value.name);
        }
    }
    return names;
}

class InternetSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMachineString("kept", "Sentinel");
        WriteProfileString("Settings", "Sentinel", "kept");
    }

    IsolatedEnvironment m_env;
    RecordingUpdateCheckOwner m_owner;
};

} // namespace

TEST_F(InternetSettingsTest, SettingLinesGoToTheirStoreAsIntegerOrString) {
    using reg::REG_DWORD;
    using reg::REG_SZ;
    struct Case {
        std::string line;
        std::string name;
        reg::Root root;
        std::uint32_t type;
        std::string value;
    };
    const Case cases[] = {
        {"REG_ExportRows-50", "ExportRows", reg::Root::LocalMachine, REG_DWORD, "50"},
        {"REG_FooBar-12abc", "FooBar", reg::Root::CurrentUser, REG_SZ, "12abc"},
        {"REG:DaysBetweenChecks-14", "DaysBetweenChecks", reg::Root::LocalMachine, REG_DWORD, "14"},
        {"REG:latestmajor-4", "latestmajor", reg::Root::LocalMachine, REG_DWORD, "4"},
        {"REG:EMailAddr-help-desk@x.example", "EMailAddr", reg::Root::LocalMachine, REG_SZ, "help-desk@x.example"},
        {"REG:PageName3-settings3.asp", "PageName3", reg::Root::LocalMachine, REG_SZ, "settings3.asp"},
        {"REGxNegative--5", "Negative", reg::Root::CurrentUser, REG_DWORD, "-5"},
        {"REG:Padded-007", "Padded", reg::Root::CurrentUser, REG_SZ, "007"},
        {"REG:Blank- 5", "Blank", reg::Root::CurrentUser, REG_SZ, " 5"},
        {"REG:Plus-+5", "Plus", reg::Root::CurrentUser, REG_SZ, "+5"},
        {"REG:Largest-2147483647", "Largest", reg::Root::CurrentUser, REG_DWORD, "2147483647"},
        {"REG:Beyond-2147483648", "Beyond", reg::Root::CurrentUser, REG_SZ, "2147483648"},
        {"REG:Huge-99999999999999999999999", "Huge", reg::Root::CurrentUser, REG_SZ, "99999999999999999999999"},
        {"REG:Empty-", "Empty", reg::Root::CurrentUser, REG_SZ, ""},
        {"REG:Quoted\"Name\\-a\"b\\c", "Quoted\"Name\\", reg::Root::CurrentUser, REG_SZ, "a\"b\\c"},
        {"REG:Tabbed-a\tb", "Tabbed", reg::Root::CurrentUser, REG_SZ, "a\tb"},
        {"REG:Accented-\xc3\xa9t\xc3\xa9", "Accented", reg::Root::CurrentUser, REG_SZ, "\xc3\xa9t\xc3\xa9"},
    };
    for (const Case& c : cases) {
        ProcessInternetLineSetting(c.line, m_owner);
        std::optional<Stored> value = stored(c.root, c.name);
        ASSERT_TRUE(value) << c.line;
        EXPECT_EQ(value->type, c.type) << c.line;
        EXPECT_EQ(value->text, c.value) << c.line;
        reg::Root other = c.root == reg::Root::LocalMachine ? reg::Root::CurrentUser : reg::Root::LocalMachine;
        EXPECT_FALSE(stored(other, c.name)) << c.line << " also reached the other store";
    }
    expectHivesIntact();
}

TEST_F(InternetSettingsTest, LinesThatAreNoSettingOrNameNoValueAreIgnored) {
    const std::string lines[] = {
        "REGNoDash",
        "REG:NoDashEither",
        "reg:Lower-1",
        "REG:-1",
        "REG:Fo[o-1",
        "REG:Fo]o-1",
        "REG:[HKEY_LOCAL_MACHINE\\software\\Evil]-1",
        "REG:]\n[HKEY_CURRENT_USER\\x-1",
        "REG:Tab\tName-1",
        "REG:" + std::string(300, 'N') + "-1",
        "REG:Bin\x01-1",
        std::string("REG:Nul\0Name-1", 14),
        "REG:Bad\xff\xfe-1",
        "REG:Value-bad\xc3",
        "REG:Long-" + std::string(5000, 'v'),
        "Unrelated-1",
        "DaysBetweenChecks-1",
    };
    for (const std::string& line : lines) {
        ProcessInternetLineSetting(line, m_owner);
    }
    using Names = std::vector<std::string>;
    EXPECT_EQ(storedNames(reg::Root::LocalMachine), (Names{"LogDir", "Sentinel"}));
    EXPECT_EQ(storedNames(reg::Root::CurrentUser), (Names{"Sentinel"}));
    EXPECT_FALSE(stored(reg::Root::LocalMachine, "DaysBetweenChecks"));
    expectHivesIntact();
}

TEST_F(InternetSettingsTest, MessagesFollowTheVersionRuleAndAreShownOnce) {
    // The program here is version 3.0 build 5.
    const ProgramVersion own{3, 0, 5};
    struct Case {
        std::string line;
        int highestBefore;
        bool shown;
        std::string text;
    };
    const Case cases[] = {
        {"MSG_<_3.1.0_1:Upgrade, please", 0, true, "Upgrade, please"},
        {"MSG_<_3.1.0_1:Upgrade, please", 1, false, ""},
        {"MSG_=_3.0.5_2:Same", 1, true, "Same"},
        {"MSG_>_2.9.0_3:Newer than that", 2, true, "Newer than that"},
        {"MSG_>_3.1.0_4:Not for us", 3, false, ""},
        {"MSG_<_3.0.5_4:Not lower", 3, false, ""},
        {"MSG_!_3.1.0_4:Unknown operator", 3, false, ""},
        {"MSG_<_3.1.0_10:Old number", 10, false, ""},
        {"MSG_<_3.1.0_11:a: b", 10, true, "a: b"},
        {"MSG_<_3.1.0_0:Number zero", 0, false, ""},
        {"MSG_<_3.1.0_-3:Negative number", 0, false, ""},
        {"MSG_<_3.1.0_70000:Beyond 16 bits", 0, false, ""},
        {"MSG_<_3.1.0_99999999999:Huge number", 0, false, ""},
        {"MSG_<_99999999999.1.0_5:Huge version", 0, false, ""},
        {"MSG_<_4294967295.0.0_5:Huge version", 0, false, ""},
        {"MSG_<_3.1.0_5 no colon", 0, false, ""},
        {"MSG_<_3.1_5:Two parts", 0, false, ""},
        {"MSG_<", 0, false, ""},
        {"MSG_", 0, false, ""},
        {"MSG_<_ 3.1.0_12:Blank before a number", 11, true, "Blank before a number"},
        {"MSG_<_3.1.0_12:Binary \x01 text", 11, false, ""},
    };
    for (const Case& c : cases) {
        WriteProfileInt("Settings", "HighestMsgNum", c.highestBefore);
        std::size_t before = m_owner.Messages().size();
        InternetSettings(m_owner, own).ProcessLine(c.line);
        std::vector<RecordingUpdateCheckOwner::Message> messages = m_owner.Messages();
        ASSERT_EQ(messages.size(), before + (c.shown ? 1 : 0)) << c.line;
        int highestAfter = GetSetting(settings::HighestMsgNum);
        if (c.shown) {
            EXPECT_EQ(messages.back().text, c.text);
            EXPECT_EQ(messages.back().caption, "Tallyvol Message");
            namespace ui = platform::ui;
            EXPECT_EQ(messages.back().flags, ui::MB_OK | ui::MB_SETFOREGROUND | ui::MB_SERVICE_NOTIFICATION);
            EXPECT_GT(highestAfter, c.highestBefore) << c.line;
        } else {
            EXPECT_EQ(highestAfter, c.highestBefore) << c.line;
        }
    }
}

TEST_F(InternetSettingsTest, OwnMinorAndBuildCountModulo256) {
    WriteProfileInt("Settings", "HighestMsgNum", 0);
    InternetSettings(m_owner, ProgramVersion{3, 256 + 1, 512 + 7}).ProcessLine("MSG_=_3.1.7_1:Wrapped");
    ASSERT_EQ(m_owner.Messages().size(), 1u);
}

TEST(InternetSettingsAddress, TheLastSegmentGivesWayToThePageName) {
    struct Case {
        std::string home, page, address;
    };
    const Case cases[] = {
        {"https://www.corvane.example/tallyvol", "settings2.asp", "https://www.corvane.example/settings2.asp"},
        {"http://h.example/a/b/", "p.asp", "http://h.example/a/b/p.asp"},
        {"http://h.example/a/b?x=/y", "p", "http://h.example/a/b?x=/p"},
        {"no-slash", "p", "/p"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InternetSettings::PageAddress(c.home, c.page), c.address) << c.home;
    }
}

// ---- Whole pages from a web server ----

class InternetSettingsPageTest : public InternetSettingsTest {
protected:
    void SetUp() override {
        InternetSettingsTest::SetUp();
        m_env.Set("TMPDIR", m_tmp.Path());
        SetSetting(settings::HomePage, m_server.Address() + "/tallyvol/home");
        SetSetting(settings::PageName3, "settings2.asp");
        SetSetting(settings::LatestMajor, 3);
        SetSetting(settings::LatestMinor, 2);
        SetSetting(settings::LatestBuild, 1);
        WriteProfileInt("Settings", "HighestMsgNum", 0);
    }

    bool download() { return InternetSettings(m_owner, ProgramVersion{3, 0, 5}).Download(); }

    std::vector<std::string> tmpEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_tmp.Path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TempDirectory m_tmp{"tallyvol-tmpdir"};
    HttpTestServer m_server;
};

TEST_F(InternetSettingsPageTest, APageIsAppliedLineByLineInOrder) {
    m_server.SetPage("settings2.asp", "REG:LatestMajor-3\r\nREG:LatestMinor-3\r\n\r\nREG:LatestBuild-0\n"
                                      "MSG_<_3.1.0_1:First\rMSG_<_3.1.0_2:Second\r\n"
                                      "Anything else\r\nREG_FooBar-12abc");
    ASSERT_TRUE(download());
    EXPECT_EQ(GetSetting(settings::LatestMinor), 3);
    EXPECT_EQ(GetSetting(settings::LatestBuild), 0);
    EXPECT_EQ(stored(reg::Root::CurrentUser, "FooBar")->text, "12abc");
    std::vector<RecordingUpdateCheckOwner::Message> messages = m_owner.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "First");
    EXPECT_EQ(messages[1].text, "Second");
    EXPECT_EQ(GetSetting(settings::HighestMsgNum), 2);
    ASSERT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(m_server.Requests()[0].RequestLine(), "GET /tallyvol/settings2.asp HTTP/1.1");
}

// Pages no vendor would serve: whatever is in them, nothing breaks and nothing odd is stored.
TEST_F(InternetSettingsPageTest, HostilePagesAreStoredSafelyOrIgnored) {
    std::mt19937 random(13);
    std::string garbage;
    for (int i = 0; i < 200000; ++i) {
        garbage += static_cast<char>(random() & 0xFF);
    }
    struct Case {
        std::string name;
        std::string page;
        bool downloaded;
    };
    std::string tooMany;
    for (int i = 0; i < 150; ++i) {
        tooMany += "REG:Many" + std::to_string(i) + "-" + std::to_string(i) + "\n";
    }
    std::string manyMessages;
    for (int i = 1; i <= 15; ++i) {
        manyMessages += "MSG_<_3.1.0_" + std::to_string(i) + ":Message " + std::to_string(i) + "\n";
    }
    const Case cases[] = {
        {"garbage", garbage + "\nREG:AfterGarbage-1\n" + garbage, true},
        {"huge", std::string(10 << 20, 'R') + "\nREG:LatestMajor-0\n", false},
        {"too-many-settings", tooMany, true},
        {"too-many-messages", manyMessages, true},
    };
    for (const Case& c : cases) {
        m_server.SetPage(c.name, c.page);
        SetSetting(settings::PageName3, c.name);
        EXPECT_EQ(download(), c.downloaded) << c.name;
    }
    EXPECT_EQ(stored(reg::Root::CurrentUser, "AfterGarbage")->text, "1");
    EXPECT_EQ(GetSetting(settings::LatestMajor), 3) << "the 10 MB page was not applied";
    EXPECT_TRUE(stored(reg::Root::CurrentUser, "Many99"));
    EXPECT_FALSE(stored(reg::Root::CurrentUser, "Many100"));
    EXPECT_EQ(m_owner.Messages().size(), 10u);
    EXPECT_EQ(GetSetting(settings::HighestMsgNum), 10);
    // Nothing of the garbage reached a store: only the names the pages set on clean lines.
    for (const std::string& name : storedNames(reg::Root::CurrentUser)) {
        EXPECT_TRUE(name == "Sentinel" || name == "AfterGarbage" || name == "HighestMsgNum" ||
                    name == "PageName3" || name.rfind("Many", 0) == 0)
            << name;
    }
    using Names = std::vector<std::string>;
    EXPECT_EQ(storedNames(reg::Root::LocalMachine),
              (Names{"LogDir", "Sentinel", "HomePage", "LatestMajor", "LatestMinor", "LatestBuild"}));
    expectHivesIntact();
}

TEST_F(InternetSettingsPageTest, AFailedDownloadChangesNothing) {
    for (const std::string& page : {std::string("missing"), std::string("redirect-loop")}) {
        SetSetting(settings::PageName3, page);
        EXPECT_FALSE(download()) << page;
    }
    SetSetting(settings::HomePage, "file:///etc/x");
    EXPECT_FALSE(download());
    EXPECT_EQ(GetSetting(settings::LatestMajor), 3);
    EXPECT_EQ(GetSetting(settings::LatestMinor), 2);
    EXPECT_EQ(GetSetting(settings::LatestBuild), 1);
    EXPECT_TRUE(m_owner.Messages().empty());
}

// The download file lives in a private directory of the temporary directory: a name planted
// there by someone else is never followed, and nothing stays behind.
TEST_F(InternetSettingsPageTest, TheTemporaryFileNeverFollowsAPlantedNameAndIsRemoved) {
    std::string victim = m_env.Root() + "/victim";
    WriteFile(victim, "untouched");
    ASSERT_EQ(::symlink(victim.c_str(), (m_tmp / "~tvtmp.tmp").c_str()), 0);
    m_server.SetPage("settings2.asp", "REG:LatestBuild-9\n");
    ASSERT_TRUE(download());
    EXPECT_EQ(GetSetting(settings::LatestBuild), 9);
    EXPECT_EQ(ReadFile(victim), "untouched");
    EXPECT_EQ(tmpEntries(), std::vector<std::string>{"~tvtmp.tmp"}) << "only the planted link remains";
}
