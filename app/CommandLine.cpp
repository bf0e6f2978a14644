#include "app/CommandLine.h"

#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

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

// The leading decimal integer of the text, 0 when there is none.
int leadingInteger(const std::string& text) {
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// A size in K: the number read replaces the previous contents only when one could be read;
// either way the result is multiplied by 1024.
std::int64_t kilobytes(const std::string& text, std::int64_t previous) {
    long long value = 0;
    if (std::sscanf(text.c_str(), "%lld", &value) == 1) {
        previous = value;
    }
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(previous) * 1024u);
}

void parseTokens(CTallyvol32Dlg* dialog, CTallyvol32App& application) {
    RunRequest& run = application.m_runRequest;
    bool directoryGiven = false;

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
            dialog->m_alertPercent = leadingInteger(value);
            run.AlertPercent = 1;
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/ALERTSIZE=")) {
            std::string value = valueOf("/ALERTSIZE=");
            TV_DEBUG_LOG("Automated /ALERTSIZE=%s", value.c_str());
            dialog->m_alertSize = kilobytes(value, dialog->m_alertSize);
            run.AlertSize = 1;
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/FREEALERT=")) {
            std::string value = valueOf("/FREEALERT=");
            TV_DEBUG_LOG("Automated /FREEALERT=%s", value.c_str());
            dialog->m_freeAlert = kilobytes(value, dialog->m_freeAlert);
            run.FreeAlert = 1;
        }
        if (dialog != nullptr && matches("/MAXSIZE=")) {
            std::string value = valueOf("/MAXSIZE=");
            TV_DEBUG_LOG("Automated /MAXSIZE=%s", value.c_str());
            dialog->m_maxSize = kilobytes(value, dialog->m_maxSize);
            run.MaxSize = 1;
            run.Scan = 1;
        }
        if (dialog != nullptr && matches("/FREEPERCENT=")) {
            std::string value = valueOf("/FREEPERCENT=");
            TV_DEBUG_LOG("Automated /FREEPERCENT=%s", value.c_str());
            dialog->m_freePercent = leadingInteger(value);
            run.FreePercent = 1;
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

    if ((directoryGiven && (run.Print || run.Scan)) || run.FreeAlert || run.FreePercent) {
        run.Automated = 1;
        if (dialog != nullptr) {
            dialog->m_save = run.Save;
        }
    }
}

} // namespace

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
           "the log in the LogDir setting's directory (default /tmp/TallyvolLog.txt).\n";
}

} // namespace app
