#include "app/CommandLine.h"

#include "alerts/AlertChecks.h"
#include "alerts/Notification.h"
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "platform/system/StringPrintf.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace app {

namespace {

bool startsWithIgnoreCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string trim(const std::string& text, const char* characters) {
    std::size_t first = text.find_first_not_of(characters);
    if (first == std::string::npos) {
        return {};
    }
    std::size_t last = text.find_last_not_of(characters);
    return text.substr(first, last - first + 1);
}

// The largest size in K whose bytes still fit the signed 64-bit thresholds.
constexpr long long kMaxKilobytes = std::numeric_limits<std::int64_t>::max() / 1024;

// A threshold: a whole number from `lowest` to `highest` (blanks around it allowed), or nothing.
std::optional<long long> wholeNumber(const std::string& text, long long lowest, long long highest) {
    std::string digits = trim(text, " \t");
    if (digits.empty() || digits.size() > 19 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    long long value = std::strtoll(digits.c_str(), nullptr, 10);
    if (value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

// Checks a threshold option's value; a bad one is recorded and its check is not run.
std::optional<long long> threshold(RunRequest& run, const std::string& option, const std::string& value,
                                   long long highest, const char* what) {
    std::optional<long long> number = wholeNumber(value, 0, highest);
    if (!number) {
        run.Problems.push_back(platform::system::StringPrintf(
            "%s%s: not a whole number %s from 0 to %lld; this check is not run.", option.c_str(), value.c_str(),
            what, highest));
    }
    return number;
}

// The keywords of the command line, each matched at the start of an argument.
constexpr const char* kKeywords[] = {"/DIR=",        "/SAVESUBDIRS", "/NOTIFY=",      "/PID=",
                                     "/ALERTPERCENT=", "/ALERTSIZE=", "/FREEALERT=",   "/MAXSIZE=",
                                     "/FREEPERCENT=", "/DEBUG=",     "/SAVE",         "/DOSYMLINKCHECK",
                                     "/SCAN",        "/PRINT=",      "/PRINTFORMAT="};

void warn(const std::string& text) {
    WriteLogLine(text);
    std::fprintf(stderr, "Tallyvol: %s\n", text.c_str());
}

void parseTokens(CTallyvol32Dlg* dialog, CTallyvol32App& application) {
    RunRequest& run = application.m_runRequest;
    bool directoryGiven = false;
    bool freeCheckAsked = false; // a free-space check, even one whose value is refused

    for (const std::string& token : application.m_arguments) {
        auto matches = [&token](const char* keyword) { return startsWithIgnoreCase(token, keyword); };
        auto valueOf = [&token](const char* keyword) { return token.substr(std::string(keyword).size()); };

        if (dialog != nullptr && matches("/DIR=")) {
            std::string value = valueOf("/DIR=");
            TV_DEBUG_LOG("Automated /DIR=%s", value.c_str());
            dialog->m_directory = trim(value, "\"");
            directoryGiven = true;
        }
        if (dialog != nullptr && matches("/SAVESUBDIRS")) {
            TV_DEBUG_LOG("Automated /SAVESUBDIRS");
            run.SaveSubdirs = 1;
        }
        if (dialog != nullptr && matches("/NOTIFY=")) {
            std::string value = valueOf("/NOTIFY=");
            if (run.AlertSize || run.AlertPercent || run.FreeAlert || run.MaxSize || run.FreePercent) {
                TV_DEBUG_LOG("Automated /NOTIFY=%s", value.c_str());
                dialog->m_defaultNotification.Type = alerts::kRunProgram;
                dialog->m_defaultNotification.Str1 = value;
            } else {
                TV_DEBUG_LOG("/NOTIFY was passed on command-line before any of the alert types was found");
            }
        }
        if (dialog != nullptr && matches("/PID=")) {
            std::string value = valueOf("/PID=");
            TV_DEBUG_LOG("Automated /PID=%s", value.c_str());
            dialog->m_profileList = value;
        }
        if (dialog != nullptr && matches("/ALERTPERCENT=")) {
            std::string value = valueOf("/ALERTPERCENT=");
            TV_DEBUG_LOG("Automated /ALERT%%=%s", value.c_str());
            if (auto percent = threshold(run, "/ALERTPERCENT=", value, INT_MAX, "of percent")) {
                dialog->m_alertPercent = static_cast<int>(*percent);
                run.AlertPercent = 1;
            }
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/ALERTSIZE=")) {
            std::string value = valueOf("/ALERTSIZE=");
            TV_DEBUG_LOG("Automated /ALERTSIZE=%s", value.c_str());
            if (auto size = threshold(run, "/ALERTSIZE=", value, kMaxKilobytes, "of kilobytes")) {
                dialog->m_alertSize = *size * 1024;
                run.AlertSize = 1;
            }
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/FREEALERT=")) {
            std::string value = valueOf("/FREEALERT=");
            TV_DEBUG_LOG("Automated /FREEALERT=%s", value.c_str());
            if (auto size = threshold(run, "/FREEALERT=", value, kMaxKilobytes, "of kilobytes")) {
                dialog->m_freeAlert = *size * 1024;
                run.FreeAlert = 1;
            }
            freeCheckAsked = true;
        }
        if (dialog != nullptr && matches("/MAXSIZE=")) {
            std::string value = valueOf("/MAXSIZE=");
            TV_DEBUG_LOG("Automated /MAXSIZE=%s", value.c_str());
            if (auto size = threshold(run, "/MAXSIZE=", value, kMaxKilobytes, "of kilobytes")) {
                dialog->m_maxSize = *size * 1024;
                run.MaxSize = 1;
            }
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/FREEPERCENT=")) {
            std::string value = valueOf("/FREEPERCENT=");
            TV_DEBUG_LOG("Automated /FREEPERCENT=%s", value.c_str());
            if (auto percent = threshold(run, "/FREEPERCENT=", value, 100, "of percent")) {
                dialog->m_freePercent = static_cast<int>(*percent);
                run.FreePercent = 1;
            }
            freeCheckAsked = true;
        }
        if (dialog == nullptr && matches("/DEBUG=")) {
            EnableDebugLog();
        }
        if (matches("/SAVE")) {
            TV_DEBUG_LOG("Automated /SAVE");
            run.Save = 1;
        }
        if (dialog != nullptr && matches("/DOSYMLINKCHECK")) {
            TV_DEBUG_LOG("/DOSYMLINKCHECK");
            dialog->m_symlinkCheck = 1;
        }
        if (matches("/SCAN")) {
            TV_DEBUG_LOG("Automated /SCAN");
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/PRINT=")) {
            std::string value = valueOf("/PRINT=");
            run.Print = 1;
            if (upper(value) == "LPT1") {
                dialog->m_printDestination = 1;
                TV_DEBUG_LOG("Automated /FILE to printer");
            } else if (startsWithIgnoreCase(value, "FILE=")) {
                dialog->m_printDestination = 2;
                dialog->m_printFilePath = trim(value.substr(5), " \"");
                TV_DEBUG_LOG("Automated /FILE=%s", dialog->m_printFilePath.c_str());
            } else {
                run.Print = 0;
                TV_DEBUG_LOG("Automated /FILE to printer");
            }
        }
        if (dialog != nullptr && matches("/PRINTFORMAT=")) {
            std::string value = valueOf("/PRINTFORMAT=");
            TV_DEBUG_LOG("Automated /PRINTFORMAT=%s", value.c_str());
            dialog->m_printFormat = value;
        }
    }

    if ((directoryGiven && (run.Print || run.Scan)) || run.FreeAlert || run.FreePercent || freeCheckAsked) {
        run.Automated = 1;
        if (dialog != nullptr) {
            dialog->m_save = run.Save;
        }
    }
}

} // namespace

void WarnAboutIgnoredArguments(const CTallyvol32App& application, const std::string& profileList) {
    for (const std::string& token : application.m_arguments) {
        bool known = false;
        for (const char* keyword : kKeywords) {
            known = known || startsWithIgnoreCase(token, keyword);
        }
        if (known) {
            continue;
        }
        if (!token.empty() && (token[0] == '/' || token[0] == '-')) {
            warn("ignoring the unknown option " + token + " (see tallyvol --help).");
        } else {
            warn("ignoring the argument " + token + ", which is no option (quote values that hold blanks).");
        }
    }
    if (profileList.empty()) {
        return;
    }
    std::vector<alerts::Notification> stored;
    alerts::Notification::LoadAllProfiles(stored);
    for (const alerts::Notification& wanted : alerts::AlertProfiles(profileList, alerts::Notification(0))) {
        bool exists = false;
        for (const alerts::Notification& profile : stored) {
            exists = exists || profile.PID == wanted.PID;
        }
        if (!exists) {
            warn(platform::system::StringPrintf("/PID=%s: there is no notification profile %d in %s.",
                                                profileList.c_str(), wanted.PID, alerts::ProfilesFilePath().c_str()));
        }
    }
}

bool ParseCommandLine(CTallyvol32Dlg* dialog, CTallyvol32App& application) {
    try {
        if (application.m_arguments.empty()) {
            return true;
        }
        TV_DEBUG_LOG("Command Line: %s", application.m_commandLine.c_str());
        parseTokens(dialog, application);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ParseCommandLine\n");
    }
    return true;
}

std::string HelpText() {
    return "Usage: tallyvol [options]\n"
           "\n"
           "Without options the Tallyvol window opens. With /DIR= and /SCAN (or /PRINT=), or with\n"
           "/FREEALERT= or /FREEPERCENT=, Tallyvol runs unattended (for cron) and then exits.\n"
           "\n"
           "Options (keywords are case-insensitive; values keep their case):\n"
           "  /DIR=path              directory to scan and check (quote it when it holds blanks)\n"
           "  /SCAN                  scan the directory\n"
           "  /SAVE                  store the scan in the database\n"
           "  /SAVESUBDIRS           store every directory level of the scan (implies /SAVE)\n"
           "  /DOSYMLINKCHECK        follow symbolic links to directories, guarding against loops\n"
           "  /ALERTSIZE=K           alert when a subdirectory grew by more than K kilobytes\n"
           "  /ALERTPERCENT=N        alert when a subdirectory grew by more than N percent\n"
           "  /MAXSIZE=K             alert when the directory holds more than K kilobytes\n"
           "  /FREEALERT=K           alert when the volume has less than K kilobytes free\n"
           "  /FREEPERCENT=N         alert when the volume has less than N percent free\n"
           "  /PID=1,3               deliver alerts through these notification profiles\n"
           "  /NOTIFY=command        run this program for each alert (after an alert option)\n"
           "  /PRINT=LPT1            print a report on the default printer\n"
           "  /PRINT=FILE=path       write a report to a file\n"
           "  /PRINTFORMAT=fields    units,UNITS,format,columns,rows,REVCOLS,TOTALS\n"
           "                         (units BYTES|K|MB|GB|SMART, format HTML|CSV|TEXT|XLSX;\n"
           "                         XLSX writes a spreadsheet with charts to /PRINT=FILE=path.xlsx)\n"
           "  /DEBUG=1               write the debug log\n"
           "  --configure-database=DIALECT CONNECTION [--copy]\n"
           "                         use another database for the scans: DIALECT 1 SQLite,\n"
           "                         2 SQL Server, 3 MySQL/MariaDB; CONNECTION is its connection\n"
           "                         string, or - to read it from standard input (keeps a\n"
           "                         password off the process list). The tables are created\n"
           "                         where missing. --copy empties the new database's tables\n"
           "                         and copies every stored scan into them. The connection\n"
           "                         string, password included, is stored as the machine\n"
           "                         setting ConnectionString, as the wizard stores it.\n"
           "                         Exit status: 0 done, 1 settings not changed, 2 settings\n"
           "                         changed but the copy did not complete.\n"
           "\n"
           "Alerts (tasks in your crontab, run by cron):\n"
           "  --alert-add \"TRIGGER\" OPTION...\n"
           "                         schedule an alert; TRIGGER is a cron time (\"30 2 * * *\") or\n"
           "                         @reboot, @hourly, @daily, @weekly, @monthly; the OPTIONs are those\n"
           "                         above, e.g. \"/DIR=/srv/data\" /ALERTSIZE=500000 /SAVE /PID=1,3;\n"
           "                         prints the alert's name\n"
           "  --alerts               list the alerts and when they run\n"
           "  --alert-remove NAME    delete an alert\n"
           "  --run-as USER          (root) with an alert command: use USER's crontab\n"
           "\n"
           "  --growth DIR           print the directories anywhere below DIR whose size changed\n"
           "                         most between two stored scans, largest growth first, then exit\n"
           "    [--days N]           compare the newest scan with the newest one at least N days\n"
           "                         older (default: the scan before the newest)\n"
           "    [--top N]            list the N largest changes (default 20; 0 lists all)\n"
           "    [--format F]         text (default), csv or json\n"
           "  --help                 show this text\n"
           "  --version              show the program's version\n"
           "\n"
           "Files: settings in $TALLYVOL_HOME/machine.reg and ~/.config/tallyvol/user.reg;\n"
           "the log TallyvolLog.txt in the LogDir setting's directory (default /var/log/tallyvol\n"
           "for root, else $TALLYVOL_HOME). See tallyvol(1).\n"
           "\n"
           "Exit status of unattended runs: 0 every step did what it was asked (alerts delivered\n"
           "or none due); 1 a step failed (said on standard error); 2 a command of ours was used\n"
           "wrongly.\n";
}

} // namespace app
