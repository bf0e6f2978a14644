// The hive files behind both settings stores: format, tolerance of damaged files, and writes
// from concurrent processes.
#include "platform/registry/Hive.h"
#include "platform/registry/RegKey.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

using namespace platform::registry;
using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string machineText(const std::string& body) {
    return "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n" + body;
}

} // namespace

TEST(RegistryHive, ValuesOfEveryTypeSurviveAWriteAndReadBack) {
    IsolatedEnvironment env;
    auto key = RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\Settings");
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->SetString("Quoted", "C:\\dir \"x\" ünïcode"));
    EXPECT_TRUE(key->SetString("Lines", "first\r\nsecond\tthird"));
    EXPECT_TRUE(key->SetString("Empty", ""));
    EXPECT_TRUE(key->SetDword("Number", 0xFFFFFFFFu));
    EXPECT_TRUE(key->SetValue("Blob", REG_BINARY, {0x00, 0x5c, 0xff}));

    auto again = RegKey::Open(Root::LocalMachine, "SOFTWARE\\tallyvol\\settings");
    ASSERT_TRUE(again) << "key names compare without case";
    std::string text;
    ASSERT_TRUE(again->QueryString("quoted", &text));
    EXPECT_EQ(text, "C:\\dir \"x\" ünïcode");
    ASSERT_TRUE(again->QueryString("Lines", &text));
    EXPECT_EQ(text, "first\r\nsecond\tthird");
    ASSERT_TRUE(again->QueryString("Empty", &text));
    EXPECT_EQ(text, "");
    std::uint32_t number = 0;
    ASSERT_TRUE(again->QueryDword("Number", &number));
    EXPECT_EQ(number, 0xFFFFFFFFu);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> blob;
    ASSERT_TRUE(again->QueryValue("Blob", &type, &blob));
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(blob, (std::vector<std::uint8_t>{0x00, 0x5c, 0xff}));

    // The file is the regedit export format a person can read.
    std::string file = ReadFile(env.MachineHive());
    EXPECT_EQ(file.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\software\\Tallyvol]\n"), std::string::npos)
        << "ancestors of a key exist too";
    EXPECT_NE(file.find("\"Number\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_NE(file.find("\"Quoted\"=\"C:\\\\dir \\\"x\\\" ünïcode\"\n"), std::string::npos);
    EXPECT_NE(file.find("\"Blob\"=hex:00,5c,ff\n"), std::string::npos);
    EXPECT_NE(file.find("\"Lines\"=hex(1):"), std::string::npos) << "line breaks cannot stand in quotes";
}

TEST(RegistryHive, OpeningAMissingKeyFailsAndCreatingItSaysSo) {
    IsolatedEnvironment env;
    EXPECT_FALSE(RegKey::Open(Root::CurrentUser, "Software\\Fennick\\TALLYVOL\\WarningDlg"));
    bool created = false;
    ASSERT_TRUE(RegKey::Create(Root::CurrentUser, "Software\\Fennick\\TALLYVOL\\WarningDlg", &created));
    EXPECT_TRUE(created);
    ASSERT_TRUE(RegKey::Create(Root::CurrentUser, "Software\\Fennick\\TALLYVOL\\WarningDlg", &created));
    EXPECT_FALSE(created);
    EXPECT_TRUE(testsupport::FileExists(env.UserHive()));
}

TEST(RegistryHive, DamagedFilesReadWhatCanBeParsedAndAWriteKeepsIt) {
    IsolatedEnvironment env;
    std::string garbage("\x01\xff\xfe\x00garbage\x7f", 13);
    WriteFile(env.MachineHive(),
              machineText("\"Good\"=dword:0000002a\n" + garbage + "\n" +
                          "\"Text\"=\"kept\"\n"
                          "\"BadNumber\"=dword:zz\n"
                          "\"WrongType\"=\"not a number\"\n"
                          "\"Truncated\"=\"no closing quote"));
    auto key = RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\Settings");
    ASSERT_TRUE(key);
    std::uint32_t number = 0;
    EXPECT_TRUE(key->QueryDword("Good", &number));
    EXPECT_EQ(number, 42u);
    EXPECT_FALSE(key->QueryDword("WrongType", &number)) << "a string is not a number";
    EXPECT_FALSE(key->QueryDword("BadNumber", &number));
    std::string text;
    EXPECT_FALSE(key->QueryString("Truncated", &text));

    ASSERT_TRUE(key->SetDword("New", 7));
    auto reread = RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\Settings");
    ASSERT_TRUE(reread);
    EXPECT_TRUE(reread->QueryDword("Good", &number));
    EXPECT_EQ(number, 42u);
    EXPECT_TRUE(reread->QueryString("Text", &text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(reread->QueryString("WrongType", &text));
    EXPECT_EQ(text, "not a number");
    EXPECT_TRUE(reread->QueryDword("New", &number));
}

TEST(RegistryHive, AFileOfBinaryGarbageReadsAsEmpty) {
    IsolatedEnvironment env;
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise += static_cast<char>((i * 7919) & 0xFF);
    }
    WriteFile(env.MachineHive(), noise);
    EXPECT_FALSE(RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\Settings"));
    auto key = RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\Settings");
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->SetDword("After", 1));
    std::uint32_t value = 0;
    EXPECT_TRUE(RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\Settings")->QueryDword("After", &value));
}

TEST(RegistryHive, AHiveThatCannotBeWrittenLosesWritesSilently) {
    IsolatedEnvironment env;
    // A home below a regular file can never be created, whoever runs the test.
    WriteFile(env.Root() + "/plainfile", "x");
    env.Set("TALLYVOL_HOME", env.Root() + "/plainfile/home");
    EXPECT_FALSE(RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\Settings"));
    EXPECT_FALSE(ModifyHive(Root::LocalMachine, [](HiveData& hive) {
        hive.CreateKey("a");
        return true;
    }));
    EXPECT_FALSE(RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\Settings"));
}

TEST(RegistryHive, DeletingAKeyRemovesEverythingBelowIt) {
    IsolatedEnvironment env;
    auto sizes = RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizes");
    ASSERT_TRUE(sizes);
    sizes->SetString("/srv", "4096");
    RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizes\\Deeper");
    RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizesTwin");
    EXPECT_TRUE(RegKey::DeleteTree(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizes"));
    EXPECT_FALSE(RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizes"));
    EXPECT_FALSE(RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizes\\Deeper"));
    EXPECT_TRUE(RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizesTwin"))
        << "a key whose name merely begins the same stays";
}

TEST(RegistryHive, EnumeratesValuesInStoredOrder) {
    IsolatedEnvironment env;
    auto key = RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\FixedClusterSizes");
    ASSERT_TRUE(key);
    key->SetString("/b", "1");
    key->SetString("/a", "2");
    Value value;
    ASSERT_TRUE(key->EnumValue(0, &value));
    EXPECT_EQ(value.name, "/b");
    ASSERT_TRUE(key->EnumValue(1, &value));
    EXPECT_EQ(value.name, "/a");
    EXPECT_FALSE(key->EnumValue(2, &value));
    EXPECT_TRUE(key->DeleteValue("/B"));
    ASSERT_TRUE(key->EnumValue(0, &value));
    EXPECT_EQ(value.name, "/a");
}

TEST(RegistryHive, TwoProcessesWritingTheSameHiveLoseNothing) {
    IsolatedEnvironment env;
    constexpr int kWrites = 1000;
    auto writer = [](const char* prefix) {
        auto key = RegKey::Create(Root::LocalMachine, "software\\Tallyvol\\Parallel");
        for (int i = 0; i < kWrites; ++i) {
            if (!key || !key->SetDword(std::string(prefix) + std::to_string(i), static_cast<std::uint32_t>(i))) {
                _exit(1);
            }
        }
        _exit(0);
    };
    pid_t first = fork();
    if (first == 0) writer("A");
    pid_t second = fork();
    if (second == 0) writer("B");
    int status = 0;
    ASSERT_EQ(waitpid(first, &status, 0), first);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    auto key = RegKey::Open(Root::LocalMachine, "software\\Tallyvol\\Parallel");
    ASSERT_TRUE(key);
    std::vector<Value> values = key->Values();
    EXPECT_EQ(values.size(), 2u * kWrites);
    for (const char* prefix : {"A", "B"}) {
        for (int i = 0; i < kWrites; ++i) {
            std::uint32_t value = 0;
            ASSERT_TRUE(key->QueryDword(std::string(prefix) + std::to_string(i), &value)) << prefix << i;
            ASSERT_EQ(value, static_cast<std::uint32_t>(i));
        }
    }
}
