// The problem report's texts, and where a report goes in interactive and unattended runs.
#include "alerts/DeliverAlert.h"
#include "alerts/Notification.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <regex>

using namespace app;
using platform::ado::ComError;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;

TEST(ErrorReport, PlainErrorTextsWithAndWithoutADebugCode) {
    EXPECT_EQ(ErrorText(0, "Processing grid double-click"),
              "An error occurred while: Processing grid double-click\r\nDetails: None");
    EXPECT_EQ(ErrorText(9, "Opening the store"), "An error occurred while: Opening the store\r\nDetails: DBG=9");
}

TEST(ErrorReport, ComErrorTextsCarryMessageDescriptionAndCode) {
    ComError error(static_cast<platform::ado::HRESULT>(0x80040E37), "Table missing", "no such table: Foo");
    EXPECT_EQ(ComErrorText(error, "Loading saved scan data for /srv", 0),
              "An error occurred while: Loading saved scan data for /srv.\r\nDetails: Msg=Table missing, "
              "Desc=no such table: Foo, HR=80040E37");
    EXPECT_EQ(ComErrorText(error, "x", 3), "An error occurred while: x.\r\nDetails: Msg=Table missing, "
                                           "Desc=no such table: Foo, HR=80040E37  DBG=3");
}

TEST(ErrorReport, ComErrorsWithoutAMessageGetTheStandardTexts) {
    EXPECT_EQ(ComError(static_cast<platform::ado::HRESULT>(0x80040E14)).ErrorMessage(), "IDispatch error #3092");
    EXPECT_EQ(ComError(static_cast<platform::ado::HRESULT>(0x80004005)).ErrorMessage(), "Unknown error 0x80004005");
    EXPECT_EQ(ComError(static_cast<platform::ado::HRESULT>(0x80040005)).ErrorMessage(), "Unknown error 0x80040005");
}

TEST(ErrorReport, SystemInformationNamesProgramVersionPlatformAndConnection) {
    IsolatedEnvironment env;
    SetMachineRootString("ConnectionStringSpec", "1:/srv/tallyvol3.db");
    SetMachineRootString("ConnectionString", "Provider=SQLite;Data Source=/srv/tallyvol3.db");
    std::string text = GetSystemInfoText();
    EXPECT_TRUE(std::regex_match(text, std::regex("Program: /.+\r\nVersion: 3\\.2\\.0\r\nPlatform:2  \\d+\\.\\d+\\.\\d+  .*\r\n"
                                                  "DB:1:/srv/tallyvol3\\.db\r\nConnection String:Provider=SQLite;Data Source=/srv/tallyvol3\\.db")))
        << text;
}

TEST(ErrorReport, InteractiveReportsGoToTheWindow) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    ReportError(0, "Initially updating the grid");
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0], "An error occurred while: Initially updating the grid\r\nDetails: None");
}

TEST(ErrorReport, UnattendedReportsAddTheDebugCodeSystemInformationAndTheSupportAddress) {
    IsolatedEnvironment env;
    std::string text = UnattendedReportText(ErrorText(4, "Saving scan data for /srv"), 4);
    EXPECT_EQ(text.rfind("An error occurred while: Saving scan data for /srv\r\nDetails: DBG=4  DBG=4\r\nProgram: ", 0), 0u);
    EXPECT_NE(text.find("\r\nConnection String:DSN=CVTallyvolPlease send this to support@corvane.example"),
              std::string::npos)
        << text;

    // No window while nobody watches: the report goes to the notification profiles.
    alerts::Notification messageBox;
    messageBox.Save();
    SetProfileNotifier(alerts::NotifyAllProfiles); // as start-up installs it
    ScriptedUserInterface ui;
    AutomatedScanInProgress = true;
    ReportError(0, "Saving scan data for /srv");
    AutomatedScanInProgress = false;
    ASSERT_EQ(ui.errorReports.size(), 1u) << "the unattended interface's copy for standard error and the log";
    EXPECT_EQ(ui.errorReports[0], UnattendedReportText(ErrorText(0, "Saving scan data for /srv"), 0));
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "INTERNAL ERROR: " + UnattendedReportText(ErrorText(0, "Saving scan data for /srv"), 0));
    EXPECT_NE(ui.messageBoxes[0].text.find("Please send this to support@corvane.example"), std::string::npos);
}
