// The command-line grammar of automated runs, both parsing passes and the report format field.
#include "app/CommandLine.h"
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "reports/ExportOptions.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

using namespace app;
using reports::ApplyPrintFormat;
using testsupport::IsolatedEnvironment;

namespace {

struct Parsed {
    RunRequest run;
    std::unique_ptr<CTallyvol32Dlg> dialog;
};

// Both passes, as InitInstance runs them.
Parsed parse(std::vector<std::string> arguments) {
    CTallyvol32App application(std::move(arguments));
    ParseCommandLine(nullptr, application);
    Parsed parsed{{}, std::make_unique<CTallyvol32Dlg>()};
    ParseCommandLine(parsed.dialog.get(), application);
    parsed.run = application.m_runRequest;
    return parsed;
}

} // namespace

TEST(CommandLine, ScanSaveOfADirectoryIsAnAutomatedRun) {
    IsolatedEnvironment env;
    Parsed p = parse({"/DIR=\"/srv/My Data\"", "/SCAN", "/SAVE"});
    EXPECT_EQ(p.dialog->m_directory, "/srv/My Data");
    EXPECT_EQ(p.run.Scan, 1);
    EXPECT_EQ(p.run.Save, 1);
    EXPECT_EQ(p.run.Automated, 1);
    EXPECT_EQ(p.dialog->m_save, 1);
}

TEST(CommandLine, KeywordsMatchWithoutCaseOnlyAtTheStartOfATokenAndValuesKeepTheirCase) {
    IsolatedEnvironment env;
    Parsed p = parse({"/dir=/srv/save", "/scan"});
    EXPECT_EQ(p.dialog->m_directory, "/srv/save");
    EXPECT_EQ(p.run.Save, 0) << "a path ending in save is not /SAVE";
    EXPECT_EQ(p.run.Automated, 1);

    Parsed lone = parse({"/SAVESUBDIRS"});
    EXPECT_EQ(lone.run.SaveSubdirs, 1);
    EXPECT_EQ(lone.run.Save, 1) << "/SAVESUBDIRS begins with /SAVE";
    EXPECT_EQ(lone.run.Automated, 0);

    Parsed inside = parse({"/DIR=/x/SCAN"});
    EXPECT_EQ(inside.run.Scan, 0);
}

TEST(CommandLine, WhatMakesARunAutomated) {
    IsolatedEnvironment env;
    EXPECT_EQ(parse({"/SCAN"}).run.Automated, 0) << "no directory";
    EXPECT_EQ(parse({"/FREEALERT=500000"}).run.Automated, 1);
    EXPECT_EQ(parse({"/FREEPERCENT=10"}).run.Automated, 1);
    EXPECT_EQ(parse({"/PRINT=FILE=/tmp/out.htm", "/DIR=/"}).run.Automated, 1);
    EXPECT_EQ(parse({"/PRINT=LPT1", "/DIR=/", "/SCAN"}).run.Automated, 1);
    EXPECT_EQ(parse({"/DIR=/srv"}).run.Automated, 0);
    EXPECT_EQ(parse({}).run.Automated, 0);
    EXPECT_EQ(parse({"unknown", "--whatever", "/NOPE=1"}).run.Automated, 0);
}

TEST(CommandLine, ThresholdsInKilobytesAndPercent) {
    IsolatedEnvironment env;
    Parsed p = parse({"/ALERTSIZE=100", "/MAXSIZE=3", "/FREEALERT=0", "/ALERTPERCENT=15", "/FREEPERCENT=100"});
    EXPECT_EQ(p.dialog->m_alertSize, 102400);
    EXPECT_EQ(p.dialog->m_maxSize, 3072);
    EXPECT_EQ(p.dialog->m_freeAlert, 0);
    EXPECT_EQ(p.dialog->m_alertPercent, 15);
    EXPECT_EQ(p.dialog->m_freePercent, 100);
    EXPECT_EQ(p.run.AlertSize + p.run.MaxSize + p.run.FreeAlert + p.run.AlertPercent + p.run.FreePercent, 5);
    EXPECT_EQ(p.run.Scan, 1) << "size checks need a scan";
    EXPECT_TRUE(p.run.Problems.empty());
    EXPECT_EQ(parse({"/ALERTSIZE=9007199254740991"}).dialog->m_alertSize, 9007199254740991LL * 1024);
}

// A threshold that is no whole number in its option's range would check nothing or alert
// falsely ("more than -5 K"): it is refused, its check is not run, and the rest still runs.
TEST(CommandLine, ABadThresholdIsRefusedAndOnlyItsCheckDropped) {
    IsolatedEnvironment env;
    const std::pair<const char*, int RunRequest::*> cases[] = {
        {"/ALERTSIZE=-5", &RunRequest::AlertSize},
        {"/ALERTSIZE=abc", &RunRequest::AlertSize},
        {"/ALERTSIZE=99999999999999999999999", &RunRequest::AlertSize},
        {"/ALERTSIZE=9007199254740992", &RunRequest::AlertSize},
        {"/ALERTSIZE=15abc", &RunRequest::AlertSize},
        {"/ALERTSIZE=", &RunRequest::AlertSize},
        {"/MAXSIZE=-1", &RunRequest::MaxSize},
        {"/FREEALERT=1.5", &RunRequest::FreeAlert},
        {"/FREEPERCENT=200", &RunRequest::FreePercent},
        {"/FREEPERCENT=-1", &RunRequest::FreePercent},
        {"/ALERTPERCENT=2147483648", &RunRequest::AlertPercent},
    };
    for (const auto& [argument, check] : cases) {
        Parsed p = parse({"/DIR=/srv", argument, "/PRINT=FILE=/tmp/r.txt"});
        EXPECT_EQ(p.run.*check, 0) << argument;
        ASSERT_EQ(p.run.Problems.size(), 1u) << argument;
        EXPECT_NE(p.run.Problems[0].find(argument), std::string::npos) << p.run.Problems[0];
        EXPECT_NE(p.run.Problems[0].find("this check is not run"), std::string::npos);
        EXPECT_EQ(p.run.Automated, 1) << argument << ": the other steps still run";
        EXPECT_EQ(p.run.Print, 1) << argument;
    }
    EXPECT_EQ(parse({"/ALERTSIZE=abc", "/DIR=/srv"}).run.Scan, 1) << "the scan still runs";
}

TEST(CommandLine, NotifyCountsOnlyAfterAnAlertOption) {
    IsolatedEnvironment env;
    Parsed before = parse({"/NOTIFY=/usr/bin/note \"$DIR$\"", "/ALERTSIZE=100"});
    EXPECT_EQ(before.dialog->m_defaultNotification.Type, 1);
    Parsed after = parse({"/ALERTSIZE=100", "/NOTIFY=/usr/bin/Note \"$DIR$\""});
    EXPECT_EQ(after.dialog->m_defaultNotification.Type, 2);
    EXPECT_EQ(after.dialog->m_defaultNotification.Str1, "/usr/bin/Note \"$DIR$\"");
}

TEST(CommandLine, PrintDestinationsAndProfiles) {
    IsolatedEnvironment env;
    Parsed printer = parse({"/PRINT=lpt1", "/PID=1,3", "/PRINTFORMAT=K,UNITS"});
    EXPECT_EQ(printer.run.Print, 1);
    EXPECT_EQ(printer.dialog->m_printDestination, 1);
    EXPECT_EQ(printer.dialog->m_profileList, "1,3");
    EXPECT_EQ(printer.dialog->m_printFormat, "K,UNITS");

    Parsed file = parse({"/PRINT=FILE= \"/srv/Reports/out.htm\" "});
    EXPECT_EQ(file.run.Print, 1);
    EXPECT_EQ(file.dialog->m_printDestination, 2);
    EXPECT_EQ(file.dialog->m_printFilePath, "/srv/Reports/out.htm");

    Parsed other = parse({"/PRINT=SOMEWHERE", "/DIR=/", "/SCAN"});
    EXPECT_EQ(other.run.Print, 0);
}

TEST(CommandLine, DebugTakesEffectInTheFirstPassSoEveryLaterLineIsLogged) {
    IsolatedEnvironment env;
    Parsed p = parse({"/SCAN", "/DIR=/srv", "/DOSYMLINKCHECK", "/DEBUG=1"});
    EXPECT_TRUE(IsDebugLogOn());
    EXPECT_EQ(p.dialog->m_symlinkCheck, 1);
    std::string log = testsupport::ReadFile(env.LogFile());
    EXPECT_NE(log.find("   Command Line: /SCAN /DIR=/srv /DOSYMLINKCHECK /DEBUG=1  (, 0)\r\n"), std::string::npos);
    EXPECT_NE(log.find("   Automated /DIR=/srv  (, 0)\r\n"), std::string::npos);
    EXPECT_NE(log.find("   /DOSYMLINKCHECK  (, 0)\r\n"), std::string::npos);
    EXPECT_NE(log.find("   Automated /SCAN  (, 0)\r\n"), std::string::npos);
}

TEST(CommandLine, AnEmptyCommandLineLogsNothing) {
    IsolatedEnvironment env;
    EnableDebugLog();
    Parsed p = parse({});
    EXPECT_EQ(testsupport::ReadFile(env.LogFile()).find("Command Line"), std::string::npos);
}

TEST(CommandLine, SymlinkCheckIsSetOnlyWithTheDialog) {
    IsolatedEnvironment env;
    CTallyvol32App application({"/DOSYMLINKCHECK", "/SAVE"});
    ParseCommandLine(nullptr, application);
    EXPECT_EQ(application.m_runRequest.Save, 1) << "/SAVE counts in both passes";
    CTallyvol32Dlg dialog;
    EXPECT_EQ(dialog.m_symlinkCheck, 0);
}

TEST(PrintFormat, FieldsInOrderWithEmptyFieldsSkipped) {
    reports::ExportOptions options;
    ApplyPrintFormat("K,UNITS,CSV,3,0,REVCOLS,TOTALS", options);
    EXPECT_EQ(options.Precision, 1);
    EXPECT_TRUE(options.ShowUnits);
    EXPECT_EQ(options.Format, 1);
    EXPECT_EQ(options.Columns, 3u);
    EXPECT_EQ(options.Rows, 0u);
    EXPECT_TRUE(options.ReverseOrder);
    EXPECT_TRUE(options.IncludeTotals);

    reports::ExportOptions skipped;
    skipped.ShowUnits = true;
    skipped.Format = 2;
    ApplyPrintFormat("K,,CSV", skipped);
    EXPECT_EQ(skipped.Precision, 1);
    EXPECT_FALSE(skipped.ShowUnits) << "the second field read is CSV";
    EXPECT_EQ(skipped.Format, 2) << "there is no third field";
}

TEST(PrintFormat, ShowUnitsIsClearedEvenWithoutAFormatAndOtherFieldsStay) {
    reports::ExportOptions options;
    options.ShowUnits = true;
    options.IncludeTotals = true;
    options.ReverseOrder = true;
    options.Precision = 3;
    ApplyPrintFormat("", options);
    EXPECT_FALSE(options.ShowUnits);
    EXPECT_TRUE(options.IncludeTotals);
    EXPECT_EQ(options.Precision, 3);

    ApplyPrintFormat("nonsense,units,html,7,12,no,nototals", options);
    EXPECT_EQ(options.Precision, 3) << "unknown unit text leaves the precision";
    EXPECT_TRUE(options.ShowUnits) << "keywords compare without case";
    EXPECT_EQ(options.Format, 0);
    EXPECT_EQ(options.Columns, 7u);
    EXPECT_EQ(options.Rows, 12u);
    EXPECT_TRUE(options.ReverseOrder) << "only REVCOLS changes it";
    EXPECT_FALSE(options.IncludeTotals);
}
