// Notification profiles in PROFILES.INI: identifiers, saving, loading, deleting, listing, and
// files that people edited into nonsense.
#include "alerts/DeliverAlert.h"
#include "alerts/Notification.h"
#include "platform/process/Process.h"
#include "platform/ini/PrivateProfile.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <set>

using alerts::Notification;
using alerts::ProfileIDFromSectionName;
using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

int lastID(const IsolatedEnvironment& env) {
    return platform::ini::GetPrivateProfileInt("Settings", "LastID", -1, env.Home() + "/PROFILES.INI");
}

std::vector<int> identifiers(const std::vector<Notification>& profiles) {
    std::vector<int> ids;
    for (const Notification& profile : profiles) ids.push_back(profile.PID);
    return ids;
}

} // namespace

TEST(Notification, NewProfilesTakeConsecutiveIdentifiersEvenWhenDiscarded) {
    IsolatedEnvironment env;
    EXPECT_EQ(alerts::ProfilesFilePath(), env.Home() + "/PROFILES.INI");
    {
        Notification discarded;
        EXPECT_EQ(discarded.PID, 1);
        EXPECT_EQ(discarded.Description, "No Description");
        EXPECT_EQ(discarded.Type, alerts::kMessageBox);
        EXPECT_EQ(discarded.Str1, "");
    }
    Notification second;
    EXPECT_EQ(second.PID, 2);
    EXPECT_EQ(lastID(env), 2);
    EXPECT_EQ(ReadFile(alerts::ProfilesFilePath()), "[Settings]\nLastID=2\n") << "nothing is saved by creating";
    Notification copy = second;
    EXPECT_EQ(copy.PID, 2) << "copies are the same profile";
    EXPECT_EQ(lastID(env), 2);
}

TEST(Notification, SavedProfilesLoadBackByIdentifier) {
    IsolatedEnvironment env;
    Notification mail;
    mail.Description = "Mail the \"ops\" team";
    mail.Type = alerts::kEMail;
    mail.Str1 = "ops@example.com|tallyvol@example.com";
    mail.Str2 = "smtp.example.com";
    mail.Save();
    Notification program;
    program.Type = alerts::kRunProgram;
    program.Str1 = "\"/opt/my tools/notify.sh\" \"$DIR$\"";
    program.Save();

    Notification loaded(mail.PID);
    EXPECT_EQ(loaded.PID, 1);
    EXPECT_EQ(loaded.Description, "Mail the \"ops\" team");
    EXPECT_EQ(loaded.Type, alerts::kEMail);
    EXPECT_EQ(loaded.Str1, "ops@example.com|tallyvol@example.com");
    EXPECT_EQ(loaded.Str2, "smtp.example.com");
    EXPECT_EQ(Notification(program.PID).Str1, "\"/opt/my tools/notify.sh\" \"$DIR$\"");
    EXPECT_EQ(lastID(env), 2) << "loading allocates nothing";

    std::string file = ReadFile(alerts::ProfilesFilePath());
    EXPECT_NE(file.find("[PID-1]\nDescription=Mail the \"ops\" team\nType=3\nStr1=ops@example.com|tallyvol@example.com\n"
                        "Str2=smtp.example.com\n"),
              std::string::npos)
        << file;

    // Saving again changes the section in place.
    loaded.Type = alerts::kEventLog;
    loaded.Save();
    EXPECT_EQ(Notification(1).Type, alerts::kEventLog);
    EXPECT_EQ(ReadFile(alerts::ProfilesFilePath()).find("[PID-1]"), ReadFile(alerts::ProfilesFilePath()).rfind("[PID-1]"));
}

TEST(Notification, MissingSectionsAndKeysGiveTheDefaults) {
    IsolatedEnvironment env;
    Notification missing(42);
    EXPECT_EQ(missing.PID, 42);
    EXPECT_EQ(missing.Type, alerts::kMessageBox);
    EXPECT_EQ(missing.Description, "No Description");
    EXPECT_FALSE(testsupport::FileExists(alerts::ProfilesFilePath())) << "loading creates no file";

    WriteFile(alerts::ProfilesFilePath(), "[PID-5]\nStr1=only this\n");
    Notification partial(5);
    EXPECT_EQ(partial.Description, "No Description");
    EXPECT_EQ(partial.Type, alerts::kMessageBox);
    EXPECT_EQ(partial.Str1, "only this");
}

TEST(Notification, DeletingRemovesTheSectionButNeverLowersTheLastIdentifier) {
    IsolatedEnvironment env;
    Notification first;
    first.Description = "first";
    first.Save();
    Notification second;
    second.Description = "second";
    second.Save();
    Notification::DeleteProfile(second.PID);
    EXPECT_EQ(Notification(second.PID).Description, "No Description");
    EXPECT_EQ(Notification(first.PID).Description, "first");
    EXPECT_EQ(lastID(env), 2);
    EXPECT_EQ(Notification().PID, 3);
    Notification::DeleteProfile(77); // nothing there: no harm
    EXPECT_EQ(Notification(first.PID).Description, "first");
}

TEST(Notification, AllProfilesAreListedInFileOrder) {
    IsolatedEnvironment env;
    WriteFile(alerts::ProfilesFilePath(), "[Settings]\nLastID=9\n"
                                          "[PID-9]\nType=4\n"
                                          "[Other]\nType=2\n"
                                          "[PID-2]\nDescription=two\n"
                                          "[PID-x]\n"
                                          "[PID-7 trailing words]\nType=5\n"
                                          "[pid-3]\nType=3\n");
    std::vector<Notification> profiles;
    Notification::LoadAllProfiles(profiles);
    EXPECT_EQ(identifiers(profiles), (std::vector<int>{9, 2, 7}));
    EXPECT_EQ(profiles[0].Type, alerts::kEventLog);
    EXPECT_EQ(profiles[1].Description, "two");
    EXPECT_EQ(profiles[2].Type, alerts::kMessageBox) << "loaded by its identifier, whose section is PID-7";
    // The list appends to what the caller holds.
    Notification::LoadAllProfiles(profiles);
    EXPECT_EQ(profiles.size(), 6u);

    EXPECT_EQ(ProfileIDFromSectionName("PID-12"), 12);
    EXPECT_EQ(ProfileIDFromSectionName("PID- -4"), -4);
    EXPECT_EQ(ProfileIDFromSectionName("PID-99999999999"), 2147483647);
    EXPECT_FALSE(ProfileIDFromSectionName("PID-"));
    EXPECT_FALSE(ProfileIDFromSectionName("Settings"));
    EXPECT_FALSE(ProfileIDFromSectionName("PID--"));
}

TEST(Notification, TheSectionListIsReadThroughItsFixedBuffer) {
    IsolatedEnvironment env;
    // Sixty sections of 1000-character names: only as many as fit 48000 characters are listed.
    std::string text;
    for (int id = 1; id <= 60; ++id) {
        std::string name = "PID-" + std::to_string(id) + " ";
        name.resize(1000, 'x');
        text += "[" + name + "]\nDescription=d" + std::to_string(id) + "\n";
    }
    WriteFile(alerts::ProfilesFilePath(), text);
    std::vector<Notification> profiles;
    Notification::LoadAllProfiles(profiles);
    ASSERT_EQ(profiles.size(), 47u); // 47 x 1001 + 1 <= 48000 < 48 x 1001 + 1
    EXPECT_EQ(profiles.back().PID, 47);
}

TEST(Notification, TextsAreReadUpTo1023Characters) {
    IsolatedEnvironment env;
    Notification profile;
    profile.Description = std::string(1500, 'd');
    profile.Str1 = std::string(1022, 'a') + "ü" + "tail";
    profile.Save();
    Notification loaded(profile.PID);
    EXPECT_EQ(loaded.Description, std::string(1023, 'd'));
    EXPECT_EQ(loaded.Str1, std::string(1022, 'a') + "ü");
}

TEST(Notification, HandEditedNonsenseNeverBreaksAProfile) {
    IsolatedEnvironment env;
    WriteFile(alerts::ProfilesFilePath(), "[Settings]\nLastID=banana\n"
                                          "[PID-1]\nType=three\nDescription\n"
                                          "[PID-4]\nType=2\n"
                                          "[PID-6\nType=4\n");
    Notification one(1);
    EXPECT_EQ(one.Type, alerts::kMessageBox) << "a Type that is no number takes the default";
    EXPECT_EQ(one.Description, "No Description");
    EXPECT_EQ(Notification(6).Type, alerts::kEventLog);
    // "LastID" is unreadable: a new profile must not take an identifier that is in use.
    Notification fresh;
    EXPECT_EQ(fresh.PID, 7);
    EXPECT_EQ(lastID(env), 7);
    fresh.Save();
    EXPECT_EQ(Notification(4).Type, alerts::kRunProgram) << "no existing profile was overwritten";

    WriteFile(alerts::ProfilesFilePath(), "[Settings]\nLastID=2147483647\n[PID-1]\n[PID-2]\n");
    EXPECT_EQ(Notification().PID, 3) << "past the largest identifier the lowest free one is taken";

    std::string binary;
    for (int i = 0; i < 20000; ++i) binary += static_cast<char>((i * 131 + 17) & 0xFF);
    WriteFile(alerts::ProfilesFilePath(), binary);
    std::vector<Notification> profiles;
    Notification::LoadAllProfiles(profiles);
    Notification afterJunk;
    EXPECT_GE(afterJunk.PID, 1);
    afterJunk.Save();
    EXPECT_EQ(Notification(afterJunk.PID).Type, alerts::kMessageBox);
}

TEST(Notification, ProcessesCreatingProfilesAtOnceNeverShareAnIdentifier) {
    IsolatedEnvironment env;
    constexpr int kProcesses = 5;
    constexpr int kEach = 20;
    int pipes[2];
    ASSERT_EQ(::pipe(pipes), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipes[0]);
            for (int i = 0; i < kEach; ++i) {
                int id = Notification().PID;
                [[maybe_unused]] ssize_t ignored = ::write(pipes[1], &id, sizeof id);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    ::close(pipes[1]);
    std::multiset<int> ids;
    int id = 0;
    while (::read(pipes[0], &id, sizeof id) == static_cast<ssize_t>(sizeof id)) ids.insert(id);
    ::close(pipes[0]);
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    ASSERT_EQ(ids.size(), static_cast<std::size_t>(kProcesses * kEach));
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(*ids.rbegin(), kProcesses * kEach);
    EXPECT_EQ(lastID(env), kProcesses * kEach);
}

// The README's example of PROFILES.INI, read by the program as written there, starts the program
// with the arguments the README says it does.
TEST(Notification, TheReadmesExampleProfilesWorkAsDocumented) {
    testsupport::IsolatedEnvironment env;
    std::string readme = testsupport::ReadFile(std::string(TALLYVOL_SOURCE_DIR) + "/README.md");
    std::size_t start = readme.find("```ini\n");
    ASSERT_NE(start, std::string::npos);
    start += 7;
    testsupport::MakeDirectories(env.Home());
    testsupport::WriteFile(alerts::ProfilesFilePath(), readme.substr(start, readme.find("```", start) - start));
    alerts::Notification pager(1);
    EXPECT_EQ(pager.Type, alerts::kRunProgram);
    std::string command = alerts::SubstituteMacros(pager.Str1, "1,500 K", "/srv/My Data", "The disk space grew");
    EXPECT_EQ(platform::process::SplitCommandLine(command),
              (std::vector<std::string>{"/usr/local/bin/page", "--group", "disk admins", "/srv/My Data", "1,500",
                                        "K", "The disk space grew"}));
    alerts::Notification mail(3);
    EXPECT_EQ(mail.Type, alerts::kEMail);
    EXPECT_EQ(mail.Str2, "mail.example.org");
}
