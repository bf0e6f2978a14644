// Private-profile files: reading and writing with the Windows calls' rules, hand-edited and
// damaged files, and writers in several processes at once.
#include "platform/ini/PrivateProfile.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace platform::ini;
using testsupport::ReadFile;
using testsupport::TempDirectory;
using testsupport::WriteFile;

TEST(PrivateProfile, FileIsCreatedOnFirstWriteAndReadsBackWithoutRegardToCase) {
    TempDirectory dir;
    std::string file = dir / "sub/PROFILES.INI";
    EXPECT_EQ(GetPrivateProfileString("Settings", "LastID", "none", 1024, file), "none");
    EXPECT_EQ(GetPrivateProfileInt("Settings", "LastID", 7, file), 7);
    EXPECT_TRUE(GetPrivateProfileSectionNames(48000, file).empty());
    EXPECT_FALSE(testsupport::FileExists(file)) << "reads never create the file";

    ASSERT_TRUE(WritePrivateProfileString("Settings", std::string("LastID"), std::string("3"), file));
    ASSERT_TRUE(WritePrivateProfileString("PID-3", std::string("Description"), std::string("Disk full"), file));
    ASSERT_TRUE(WritePrivateProfileString("PID-3", std::string("Type"), std::string("2"), file));
    EXPECT_EQ(ReadFile(file), "[Settings]\nLastID=3\n\n[PID-3]\nDescription=Disk full\nType=2\n");

    EXPECT_EQ(GetPrivateProfileInt("settings", "LASTID", 0, file), 3);
    EXPECT_EQ(GetPrivateProfileString("pid-3", "description", "", 1024, file), "Disk full");
    ASSERT_TRUE(WritePrivateProfileString("PID-3", std::string("TYPE"), std::string("4"), file));
    EXPECT_EQ(GetPrivateProfileInt("PID-3", "Type", 1, file), 4);
    EXPECT_EQ(ReadFile(file), "[Settings]\nLastID=3\n\n[PID-3]\nDescription=Disk full\nType=4\n")
        << "an existing key keeps its place and spelling";
    EXPECT_EQ(GetPrivateProfileSectionNames(48000, file), (std::vector<std::string>{"Settings", "PID-3"}));
}

TEST(PrivateProfile, NullValueDeletesAKeyAndNullKeyDeletesTheSection) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    WriteFile(file, "; kept comment\n[A]\nx=1\ny=2\n\n[B]\nz=3\n\n[C]\nw=4\n");
    ASSERT_TRUE(WritePrivateProfileString("a", std::string("X"), std::nullopt, file));
    EXPECT_EQ(GetPrivateProfileString("A", "x", "gone", 1024, file), "gone");
    EXPECT_EQ(GetPrivateProfileString("A", "y", "", 1024, file), "2");
    ASSERT_TRUE(WritePrivateProfileString("b", std::nullopt, std::nullopt, file));
    EXPECT_EQ(GetPrivateProfileSectionNames(48000, file), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(ReadFile(file), "; kept comment\n[A]\ny=2\n\n[C]\nw=4\n");
    // Deleting what is not there changes nothing and is no failure.
    EXPECT_TRUE(WritePrivateProfileString("Missing", std::nullopt, std::nullopt, file));
    EXPECT_EQ(ReadFile(file), "; kept comment\n[A]\ny=2\n\n[C]\nw=4\n");
}

TEST(PrivateProfile, ValuesSurviveTheRoundTripThatWindowsReadingWouldMangle) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    const std::vector<std::string> values = {
        "\"/opt/my tools/notify.sh\" \"$DIR$\"", // enclosed in quotes as a whole
        "'single'",
        "  leading and trailing  ",
        "a=b;c # not a comment",
        "ünïcödé",
        "",
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(WritePrivateProfileString("S", "k" + std::to_string(i), values[i], file));
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(GetPrivateProfileString("S", "k" + std::to_string(i), "default", 1024, file), values[i]);
    }
    ASSERT_TRUE(WritePrivateProfileString("S", std::string("lines"), std::string("one\r\ntwo\nthree"), file));
    EXPECT_EQ(GetPrivateProfileString("S", "lines", "", 1024, file), "one  two three");
    EXPECT_EQ(GetPrivateProfileSectionNames(48000, file), std::vector<std::string>{"S"}) << "no line was split";
}

TEST(PrivateProfile, ReadingFollowsTheWindowsRules) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    WriteFile(file, "\xEF\xBB\xBF"
                    "orphan=before any section\r\n"
                    "[ Spaced ]\r\n"
                    "  Key  =  \"quoted value\"  \r\n"
                    "Empty=\r\n"
                    "Neg=-12abc\r\n"
                    "Plus= +7\r\n"
                    "Big=99999999999\r\n"
                    "Word=twelve\r\n"
                    "dup=first\r\n"
                    "dup=second\r\n");
    EXPECT_EQ(GetPrivateProfileString("Spaced", "Key", "", 1024, file), "quoted value");
    EXPECT_EQ(GetPrivateProfileString("Spaced", "Empty", "default", 1024, file), "") << "present but empty";
    EXPECT_EQ(GetPrivateProfileString("Spaced", "dup", "", 1024, file), "first");
    EXPECT_EQ(GetPrivateProfileInt("Spaced", "Neg", 0, file), -12);
    EXPECT_EQ(GetPrivateProfileInt("Spaced", "Plus", 0, file), 7);
    EXPECT_EQ(GetPrivateProfileInt("Spaced", "Big", 0, file), 2147483647);
    EXPECT_EQ(GetPrivateProfileInt("Spaced", "Word", 1, file), 1) << "no number reads as the default";
    EXPECT_EQ(GetPrivateProfileInt("Spaced", "Empty", 5, file), 5);
    EXPECT_EQ(GetPrivateProfileString("", "orphan", "none", 1024, file), "none")
        << "keys before the first header belong to no section";

    // The buffer limit counts characters, never cutting one in half.
    EXPECT_EQ(GetPrivateProfileString("Spaced", "Key", "", 6, file), "quote");
    EXPECT_EQ(GetPrivateProfileString("x", "y", "ääää", 3, file), "ää");

    // A rewrite keeps the byte-order mark, the CR LF line ends and the orphan line.
    ASSERT_TRUE(WritePrivateProfileString("Spaced", std::string("New"), std::string("1"), file));
    std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF" "orphan=before any section\r\n[ Spaced ]\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("dup=second\r\nNew=1\r\n"), std::string::npos) << text;
}

TEST(PrivateProfile, SectionListHonoursTheBufferSize) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    WriteFile(file, "[AB]\n[CDE]\n[ab]\n[F]\n");
    EXPECT_EQ(GetPrivateProfileSectionNames(48000, file), (std::vector<std::string>{"AB", "CDE", "F"}))
        << "a name repeated in another case is one section";
    // "AB\0CDE\0" plus the final terminator needs 8 characters.
    EXPECT_EQ(GetPrivateProfileSectionNames(8, file), (std::vector<std::string>{"AB", "CDE"}));
    EXPECT_EQ(GetPrivateProfileSectionNames(7, file), (std::vector<std::string>{"AB"}))
        << "a name that does not fit whole is left out";
}

TEST(PrivateProfile, DamagedFilesReadAsDefaultsAndKeepTheirUnknownLines) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    std::string junk = "[PID-1\nType=3\nno equals sign here\n;[PID-9]\n=value without key\n[]\nk=v\n";
    WriteFile(file, junk);
    EXPECT_EQ(GetPrivateProfileInt("PID-1", "Type", 1, file), 3) << "a header missing its ] still opens the section";
    EXPECT_EQ(GetPrivateProfileString("", "k", "", 1024, file), "v");
    EXPECT_EQ(GetPrivateProfileSectionNames(48000, file), (std::vector<std::string>{"PID-1", ""}));
    ASSERT_TRUE(WritePrivateProfileString("PID-2", std::string("Type"), std::string("1"), file));
    EXPECT_EQ(ReadFile(file), junk + "\n[PID-2]\nType=1\n") << "nothing the program does not understand is dropped";

    // A binary file: every byte value, NULs and stray brackets included.
    std::string binary;
    for (int round = 0; round < 64; ++round) {
        for (int c = 0; c < 256; ++c) binary += static_cast<char>((c * 7 + round) & 0xFF);
    }
    WriteFile(file, binary);
    EXPECT_EQ(GetPrivateProfileString("PID-1", "Description", "No Description", 1024, file), "No Description");
    EXPECT_EQ(GetPrivateProfileInt("PID-1", "Type", 1, file), 1);
    for (const std::string& name : GetPrivateProfileSectionNames(48000, file)) {
        EXPECT_EQ(name.find('\0'), std::string::npos);
    }
    ASSERT_TRUE(WritePrivateProfileString("PID-1", std::string("Type"), std::string("2"), file));
    EXPECT_EQ(GetPrivateProfileInt("PID-1", "Type", 1, file), 2);
}

TEST(PrivateProfile, SplitSectionsReadAsOneAndDeleteAsOne) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    WriteFile(file, "[P]\na=1\n[Q]\nq=1\n[p]\nb=2\na=ignored\n");
    EXPECT_EQ(GetPrivateProfileString("P", "b", "", 1024, file), "2");
    EXPECT_EQ(GetPrivateProfileString("P", "a", "", 1024, file), "1");
    ASSERT_TRUE(WritePrivateProfileString("P", std::string("a"), std::nullopt, file));
    EXPECT_EQ(GetPrivateProfileString("P", "a", "gone", 1024, file), "gone") << "no shadowed copy reappears";
    ASSERT_TRUE(WritePrivateProfileString("P", std::nullopt, std::nullopt, file));
    EXPECT_EQ(ReadFile(file), "[Q]\nq=1\n");
}

TEST(PrivateProfile, UnwritableFilesLoseTheWriteAndKeepTheirContent) {
    TempDirectory dir;
    // A regular file where the directory should be stops even root.
    WriteFile(dir / "blocker", "not a directory");
    EXPECT_FALSE(WritePrivateProfileString("S", std::string("k"), std::string("2"), dir / "blocker/p.ini"));
    EXPECT_EQ(GetPrivateProfileInt("S", "k", -1, dir / "blocker/p.ini"), -1);
    // A directory where the file should be: read as empty, never replaced.
    testsupport::MakeDirectories(dir / "p.ini");
    EXPECT_FALSE(WritePrivateProfileString("S", std::string("k"), std::string("2"), dir / "p.ini"));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "default", 1024, dir / "p.ini"), "default");
    EXPECT_TRUE(testsupport::FileExists(dir / "p.ini"));
}

TEST(PrivateProfile, WritersInSeveralProcessesNeverLoseAWrite) {
    TempDirectory dir;
    std::string file = dir / "p.ini";
    constexpr int kProcesses = 6;
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                ok = WritePrivateProfileString("S" + std::to_string(p), "k" + std::to_string(i), std::to_string(i * p),
                                               file) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(GetPrivateProfileSectionNames(48000, file).size(), static_cast<std::size_t>(kProcesses));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(GetPrivateProfileInt("S" + std::to_string(p), "k" + std::to_string(i), -1, file), i * p);
        }
    }
}
