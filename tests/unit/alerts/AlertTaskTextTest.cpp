// The parameters, comment and name of alert tasks for every type, and the editor's way back
// from a task's parameters to its fields.
#include "alerts/AlertTaskText.h"

#include <gtest/gtest.h>

#include <climits>

using namespace alerts;

namespace {

AlertDefinition alert(int type, const std::string& value, bool saveAll = false) {
    AlertDefinition result;
    result.type = type;
    result.directory = "/srv/data";
    result.value = value;
    result.saveAllSubdirectories = saveAll;
    result.symlinkCheck = false;
    result.profiles = {1, 3};
    return result;
}

} // namespace

TEST(AlertTaskText, EachTypeBuildsItsParametersAndComment) {
    struct Case {
        AlertDefinition alert;
        const char* parameters;
        const char* comment;
    } cases[] = {
        {alert(0, "10", true), "/DIR=\"/srv/data\" /ALERTPERCENT=10 /SAVESUBDIRS /SAVE /PID=1,3",
         "Space usage change greater than 10% in /srv/data.  Save all scanned data."},
        {alert(0, "10"), "/DIR=\"/srv/data\" /ALERTPERCENT=10  /SAVE /PID=1,3",
         "Space usage change greater than 10% in /srv/data."},
        {alert(1, "500000"), "/DIR=\"/srv/data\" /ALERTSIZE=500000  /SAVE /PID=1,3",
         "Space usage change greater than 500000 K in /srv/data."},
        {alert(2, "42", true), "/DIR=\"/srv/data\" /FREEALERT=42 /SAVESUBDIRS /SAVE /PID=1,3",
         "Free space less than 42 K in /srv/data.  Save all scanned data."},
        {alert(3, "5", true), "/DIR=\"/srv/data\" /FREEPERCENT=5 /PID=1,3",
         "Free space less than 5% in /srv/data"},
        {alert(4, "7"), "/DIR=\"/srv/data\" /MAXSIZE=7 /SAVE  /PID=1,3",
         "Max size less than 7 K in /srv/data"},
        {alert(4, "7", true), "/DIR=\"/srv/data\" /MAXSIZE=7 /SAVE /SAVESUBDIRS /PID=1,3",
         "Max size less than 7 K in /srv/data"},
        {alert(5, "/SCAN /PRINT=FILE=/tmp/r<1>.htm"),
         "/DIR=\"/srv/data\" /SCAN /PRINT=FILE=/tmp/r<1>.htm /PID=1,3",
         "Custom: /DIR=/srv/data /SCAN /PRINT=FILE=/tmp/rless than1greater than.htm"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AlertParameters(c.alert), c.parameters);
        EXPECT_EQ(AlertComment(c.alert), c.comment);
    }

    AlertDefinition linked = alert(3, "5");
    linked.symlinkCheck = true;
    linked.profiles = {12};
    EXPECT_EQ(AlertParameters(linked), "/DIR=\"/srv/data\" /FREEPERCENT=5 /PID=12 /DOSYMLINKCHECK");
    linked.profiles.clear();
    EXPECT_EQ(AlertParameters(linked), "/DIR=\"/srv/data\" /FREEPERCENT=5 /PID= /DOSYMLINKCHECK");
}

TEST(AlertTaskText, TheValueIsItsLeadingDigits) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"10", 10},
                 {"12abc", 12},
                 {"007", 7},
                 {"", 0},
                 {"abc", 0},
                 {" 5", 0},
                 {"-5", 0},
                 {"+5", 0},
                 {"2147483647", INT_MAX},
                 {"99999999999999999999", INT_MAX}};
    for (const Case& c : cases) {
        EXPECT_EQ(AlertValue(c.text), c.value) << c.text;
    }
    EXPECT_EQ(AlertParameters(alert(1, "12abc")),
              "/DIR=\"/srv/data\" /ALERTSIZE=12  /SAVE /PID=1,3");
}

TEST(AlertTaskText, TheNameIsTheCommentWithReplacementsAndJob) {
    AlertDefinition windowsLike = alert(0, "10", true);
    windowsLike.directory = "C:\\Data";
    EXPECT_EQ(AlertTaskName(AlertComment(windowsLike)),
              "Space usage change greater than 10% in C;_Data.  Save all scanned data..job");
    EXPECT_EQ(AlertTaskName(AlertComment(alert(0, "10", true))),
              "Space usage change greater than 10% in _srv_data.  Save all scanned data..job");
    EXPECT_EQ(AlertTaskName("a|b\"c:d*e\\f/g?h<i>"), "a!b''c;d+e_f_g_h<i>.job");
    EXPECT_EQ(AlertTaskName(AlertComment(alert(5, "/SCAN \"x|y\""))),
              "Custom; _DIR=_srv_data _SCAN ''x!y''.job");
}

TEST(AlertTaskText, TheEditorReadsTheFieldsBackUpperCased) {
    AlertDefinition growth = alert(1, "500000", true);
    growth.directory = "/srv/Mixed Case";
    growth.symlinkCheck = true;
    AlertDefinition read = ParseAlertParameters(AlertParameters(growth));
    EXPECT_EQ(read.type, 1);
    EXPECT_EQ(read.value, "500000");
    EXPECT_EQ(read.directory, "/SRV/MIXED CASE") << "the directory comes back upper-cased";
    EXPECT_TRUE(read.saveAllSubdirectories);
    EXPECT_TRUE(read.symlinkCheck);
    EXPECT_EQ(read.profiles, (std::vector<int>{1, 3}));

    for (int type = 0; type <= 4; ++type) {
        AlertDefinition back = ParseAlertParameters(AlertParameters(alert(type, "25")));
        EXPECT_EQ(back.type, type);
        EXPECT_EQ(back.value, "25");
        EXPECT_FALSE(back.saveAllSubdirectories);
        EXPECT_FALSE(back.symlinkCheck);
    }

    // Custom: /SAVE is kept only once the type is known to be custom.
    EXPECT_EQ(ParseAlertParameters("/DIR=\"/a\" /SCAN /SAVE /PID=2").value, " /SCAN /SAVE");
    EXPECT_EQ(ParseAlertParameters("/DIR=\"/a\" /SAVE /SCAN /PID=2").value, " /SCAN");
    AlertDefinition custom =
        ParseAlertParameters("/dir=\"/a\" /scan /savesubdirs /print=file=/srv/saved.htm /notify=x");
    EXPECT_EQ(custom.type, 5);
    EXPECT_EQ(custom.value, " /SCAN /SAVESUBDIRS /PRINT=FILE=/SRV/SAVED.HTM")
        << "/NOTIFY= is dropped";
    EXPECT_TRUE(custom.saveAllSubdirectories);

    // Options count at the start of a token only: Linux paths are full of "/SCAN" and "/SAVE".
    AlertDefinition paths =
        ParseAlertParameters("/DIR=\"/data/scans/save\" /FREEPERCENT=9 /PID=1,,x,4");
    EXPECT_EQ(paths.type, 3);
    EXPECT_EQ(paths.value, "9");
    EXPECT_EQ(paths.directory, "/DATA/SCANS/SAVE");
    EXPECT_EQ(paths.profiles, (std::vector<int>{1, 4}));

    const std::string awkward = "it's $(touch /tmp/x) \"%d\" \\ back";
    AlertDefinition quoted = alert(3, "5");
    quoted.directory = awkward;
    EXPECT_EQ(ParseAlertParameters(AlertParameters(quoted)).directory,
              "IT'S $(TOUCH /TMP/X) \"%D\" \\ BACK");
}

TEST(AlertTaskText, TextsTheScheduledRunWouldReadDifferentlyAreRefused) {
    AlertDefinition fine = alert(1, "5");
    fine.directory = "it's $(touch /tmp/x) \"%d\" \\ back";
    EXPECT_EQ(AlertDefinitionProblem(fine), "");
    struct Case {
        const char* directory;
        const char* value;
        const char* reason;
    } cases[] = {
        {"/srv/two\nlines", "5", "directory holds a line break"},
        {"/srv", "/SCAN\r\n/SAVE", "command line holds a line break"},
        {"a\" b", "5", "double quotes"},
        {"\"quoted\"", "5", "double quotes"},
        {"ends with\"", "5", "double quotes"},
    };
    for (const Case& c : cases) {
        AlertDefinition refused = alert(5, c.value);
        refused.directory = c.directory;
        EXPECT_NE(AlertDefinitionProblem(refused).find(c.reason), std::string::npos) << c.directory;
    }
    EXPECT_EQ(AlertListText("Free space less than 5% in /srv", false),
              "** Not Scheduled **  Free space less than 5% in /srv");
    EXPECT_EQ(AlertListText("Free space less than 5% in /srv", true),
              "Free space less than 5% in /srv");
}

TEST(AlertTaskText, TheEditorAsksForWhatIsMissingInItsOrder) {
    AlertDefinition empty;
    empty.type = -1;
    struct Step {
        void (*fill)(AlertDefinition&);
        const char* text;
        const char* caption;
    } steps[] = {
        {[](AlertDefinition& a) { a.directory = "/srv"; },
         "Please fill in a directory to check and try again", "Missing information"},
        {[](AlertDefinition& a) { a.value = "5"; },
         "Please fill in the required value for this alert type and try again",
         "Missing information"},
        {[](AlertDefinition& a) { a.type = kAlertFreePercent; },
         "An alert type has not been chosen.  Please select an alert type and try again.",
         "Missing information"},
        {[](AlertDefinition& a) { a.profiles = {1}; },
         "You need to select one or more notification profiles before you can add this alert.  "
         "Select a "
         "profile by checking the checkbox.",
         "No Profiles Selected"},
    };
    for (const Step& step : steps) {
        MissingAlertInput missing = FindMissingAlertInput(empty);
        EXPECT_EQ(missing.text, step.text);
        EXPECT_EQ(missing.caption, step.caption);
        step.fill(empty);
    }
    EXPECT_EQ(FindMissingAlertInput(empty).text, "");
}
