// tallyvol --growth and the growers in alert e-mails, run as a user and cron run them: a tree
// scanned twice by the program while it grows by known amounts, the report in its three
// forms read back against the test's own totals, the errors and their exit statuses, and an
// /ALERTSIZE= run whose e-mail reaches a real mail server with the growers below the alerted
// directory while a program profile of the same alert gets the message alone.
#include "alerts/Notification.h"
#include "platform/ado/Connection.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/SmtpTestServer.h"
#include "tests/unit/scan/GrowthTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>

using namespace testsupport;
using growthtest::ExpectedGrowth;
using growthtest::GrowthTree;

namespace {

struct CommandFixture {
    IsolatedEnvironment env;
    GrowthTree tree{env.Root() + "/srv data"};

    CommandFixture() { MakeDirectories(env.LogDirectory()); }

    std::map<std::string, std::string> environment() const {
        return {{"TALLYVOL_HOME", env.Home()}, {"XDG_CONFIG_HOME", env.ConfigHome()}, {"TMPDIR", env.Root()}};
    }

    ProcessResult run(const std::vector<std::string>& arguments) {
        return RunTallyvol(arguments, environment());
    }

    void scan(const std::string& directory, const std::string& extra = "/SAVESUBDIRS") {
        ProcessResult result = run({"/DIR=" + directory, "/SCAN", extra});
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }

    // Sets the dates of the store's scans, oldest first.
    void date(const std::vector<std::string>& dates) {
        platform::ado::Connection store;
        store.Open("Provider=SQLite;Data Source=" + env.Home() + "/tallyvol3.db");
        for (std::size_t i = 0; i < dates.size(); ++i) {
            store.Execute("update ScanDefinition set ScanDate='" + dates[i] + "' where ScanID=" + std::to_string(i + 1));
        }
    }
};

// What Python's json module reads: one line per row, the path's bytes in hex.
std::string readJson(const std::string& json) {
    ProcessResult result = RunProcess("/usr/bin/python3",
                                      {"-c", "import json,sys\n"
                                             "for r in json.loads(sys.stdin.read()):\n"
                                             "  print(r['path'].encode('utf-8','surrogateescape').hex(),r['old'],\n"
                                             "        r['new'],r['change'],r['percent'],r['per_day'],r['status'])\n"},
                                      {}, 60, json);
    EXPECT_EQ(result.exitCode, 0) << result.err << json;
    return result.out;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char digits[3];
    for (unsigned char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", c);
        out += digits;
    }
    return out;
}

// The lines readJson gives for the expected rows: Python prints numbers its own way.
std::string pythonLines(const std::vector<growthtest::ExpectedRow>& rows, const std::string& root, double days) {
    std::string out;
    for (const auto& row : rows) {
        auto number = [](const std::optional<std::int64_t>& value) {
            return value ? std::to_string(*value) : std::string("None");
        };
        auto decimal = [](double value) {
            char text[64];
            std::snprintf(text, sizeof text, "%.2f", value);
            std::string s = text; // Python prints the float read from "%.2f" without trailing zeros
            while (s.back() == '0') s.pop_back();
            if (s.back() == '.') s += '0';
            return s;
        };
        std::string percent = row.oldSize && *row.oldSize != 0
                                  ? decimal(100.0 * static_cast<double>(row.change) / static_cast<double>(*row.oldSize))
                                  : "None";
        out += hex(row.relative.empty() ? root : root + "/" + row.relative) + " " + number(row.oldSize) + " " +
               number(row.newSize) + " " + std::to_string(row.change) + " " + percent + " " +
               decimal(static_cast<double>(row.change) / days) + " " + scan::GrowthStatusName(row.status) + "\n";
    }
    return out;
}

} // namespace

TEST(GrowthCommand, TheReportOfTwoScansInEveryFormAndItsErrors) {
    CommandFixture f;
    EXPECT_EQ(f.run({"--growth", f.tree.Root()}).exitCode, 1) << "no store yet";

    f.tree.Write("projects/big/data", 1000000);
    f.tree.Write("projects/small/data", 10000);
    f.tree.Write("old/data", 50000);
    f.tree.Write(std::string("odd\xff name,=x/data"), 4096);
    growthtest::Totals before = f.tree.Scanned();
    f.scan(f.tree.Root());
    f.tree.Write("projects/big/data", 3000000);
    f.tree.Write("projects/new/data", 200000);
    f.tree.Write(std::string("odd\xff name,=x/data"), 9000);
    f.tree.Remove("old");
    growthtest::Totals after = f.tree.Scanned();
    f.scan(f.tree.Root());
    f.scan(f.env.Root() + "/log", "/SAVE"); // another tree, scanned once (before the dates: runs purge)
    f.date({"2024-05-01 01:00:00", "2024-05-05 13:00:00"}); // 4.5 days apart
    auto expected = ExpectedGrowth(before, after);

    ProcessResult json = f.run({"--growth", f.tree.Root(), "--format", "json", "--top", "0"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(readJson(json.out), pythonLines(expected, f.tree.Root(), 4.5));
    ProcessResult top = f.run({"--growth=" + f.tree.Root(), "--top=2", "--format=json"});
    EXPECT_EQ(readJson(top.out), pythonLines({expected[0], expected[1]}, f.tree.Root(), 4.5));

    ProcessResult text = f.run({"--growth", f.tree.Root() + "/"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Growth below " + f.tree.Root() + " from 2024-05-01 01:00:00 to 2024-05-05 13:00:00 "
                             "(4.5 days)\n",
                             0),
              0u)
        << text.out;
    auto columns = [&](const std::string& relative) {
        std::string end = "  " + f.tree.Root() + "/" + relative + "\n";
        std::size_t at = text.out.find(end);
        std::size_t start = text.out.rfind('\n', at) + 1;
        return at == std::string::npos ? std::string() : text.out.substr(start, at - start);
    };
    EXPECT_TRUE(std::regex_match(columns("projects/new"), std::regex(R"( *\+196 K +new +\+43 K +new +196 K)")))
        << text.out;
    EXPECT_TRUE(std::regex_match(columns("old"), std::regex(R"( *-52 K +-100\.0% +-11 K +52 K +deleted)")))
        << text.out;

    ProcessResult csv = f.run({"--growth", f.tree.Root(), "--format", "csv", "--top", "0"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(static_cast<std::size_t>(std::count(csv.out.begin(), csv.out.end(), '\n')), expected.size() + 1);
    EXPECT_NE(csv.out.find("\r\n\"" + f.tree.Root() + "/odd\xff name,=x\","), std::string::npos) << csv.out;

    // Errors: a clear reason on standard error and a status of 1; a command line that cannot
    // run: 2 and the usage.
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {{"--growth", f.env.Root() + "/nowhere"}, 1, "is not in the scan store"},
        {{"--growth", f.env.Root() + "/log"}, 1, "only one stored scan holds"},
        {{"--growth", f.tree.Root(), "--days", "5"}, 1, "at least 5 days older than the newest one (2024-05-05)"},
        {{"--growth", f.tree.Root(), "--days", "4"}, 0, ""},
        {{"--growth", f.tree.Root(), "--format", "xml"}, 2, "--format is text, csv or json"},
        {{"--growth", f.tree.Root(), "--days", "-1"}, 2, "--days needs a whole number"},
        {{"--growth", f.tree.Root(), "--top"}, 2, "--top needs a value"},
        {{"--growth", f.tree.Root(), "/SCAN"}, 2, "unknown argument /SCAN"},
        {{"--growth", "a", "--growth", "b"}, 2, "--growth names one directory"},
    };
    for (const Case& c : cases) {
        ProcessResult result = f.run(c.arguments);
        SCOPED_TRACE(c.arguments.back());
        EXPECT_EQ(result.exitCode, c.status) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("Usage: tallyvol --growth") != std::string::npos, c.status == 2) << result.err;
    }
    ProcessResult help = f.run({"--help"});
    EXPECT_NE(help.out.find("--growth DIR"), std::string::npos);
}

TEST(GrowthCommand, AnAlertEmailListsTheGrowersBelowTheAlertedDirectory) {
    CommandFixture f;
    SmtpTestServer server;
    std::string record = f.env.Root() + "/program.txt";
    std::string recorder = f.env.Root() + "/record.sh";
    WriteFile(recorder, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record + "'\n");
    ::chmod(recorder.c_str(), 0755);
    {
        alerts::Notification mail;
        mail.Type = alerts::kEMail;
        mail.Str1 = "ops@example.com";
        mail.Str2 = "127.0.0.1:" + std::to_string(server.Port());
        mail.Save();
        alerts::Notification program;
        program.Type = alerts::kRunProgram;
        program.Str1 = "\"" + recorder + "\" \"$MSG$\"";
        program.Save();
    }
    // Sizes one byte short of whole K multiples of 4 count exactly that many K.
    f.tree.Write("projects/a/data", 100 * 1024 - 1);
    f.tree.Write("projects/b/data", 100 * 1024 - 1);
    f.tree.Write("projects/b/c/data", 100 * 1024 - 1);
    f.tree.Write("other/data", 4 * 1024 - 1);
    f.scan(f.tree.Root());
    f.tree.Write("projects/a/data", 900 * 1024 - 1);
    f.tree.Write("projects/b/c/data", 300 * 1024 - 1);
    f.tree.Write("projects/new/data", 52 * 1024 - 1);
    f.tree.Write("other/data", 5000 * 1024 - 1);
    ProcessResult run = f.run({"/DIR=" + f.tree.Root(), "/SCAN", "/SAVESUBDIRS", "/ALERTSIZE=500", "/PID=1,2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::string projects = f.tree.Root() + "/projects";
    std::string alert = projects + " increased by more than 500 K since the last saved scan.  (Current size: 1,352 K)";
    std::optional<ReceivedMail> mail = server.WaitForMessage(alert);
    ASSERT_TRUE(mail) << "the alert for projects";
    std::string body = mail->data.substr(mail->data.find("\r\n\r\n") + 4);
    // Growers only, largest first (equal growth in path order), the alerted directory left out.
    std::size_t list = body.find(alert + "\r\n\r\nLargest growth below " + projects + " between the scans of ");
    ASSERT_NE(list, std::string::npos) << body;
    EXPECT_NE(body.find(":\r\n"
                        "  +800 K (+800.0%)  " + projects + "/a\r\n"
                        "  +200 K (+100.0%)  " + projects + "/b\r\n"
                        "  +200 K (+200.0%)  " + projects + "/b/c\r\n"
                        "  +52 K (new)  " + projects + "/new\r\n",
                        list),
              std::string::npos)
        << body;
    EXPECT_EQ(body.find(projects + "\r\n"), std::string::npos) << body;

    // The same alert through the program: the message alone.
    for (int i = 0; i < 100 && ReadFile(record).find(projects) == std::string::npos; ++i) ::usleep(50000);
    std::string received = ReadFile(record);
    EXPECT_NE(received.find(alert + "\n"), std::string::npos) << received;
    EXPECT_EQ(received.find("Largest growth"), std::string::npos) << received;
}
