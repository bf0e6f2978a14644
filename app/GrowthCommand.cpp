#include "app/GrowthCommand.h"

#include "app/GrowthOutput.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "app/base/Settings.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/UnattendedUserInterface.h"
#include "scan/CScanInfo.h"
#include "scan/GrowthReport.h"
#include "scan/SqlRules.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace app {

using platform::system::StringPrintf;

namespace {

constexpr const char* kUsage = "Usage: tallyvol --growth DIR [--days N] [--top N] [--format text|csv|json]\n";
constexpr long kMostDays = 36500;
constexpr long kMostRows = 100000000;

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A whole number from 0 to `most`, digits only.
bool wholeNumber(const std::string& text, long most, long* value) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::strtol(text.c_str(), nullptr, 10);
    return *value <= most;
}

// Installs the unattended interface for the command's duration: nobody is asked anything, and
// what the store layer reports goes to standard error and the log.
class UnattendedScope {
public:
    UnattendedScope() : m_ui([](const std::string& text) { WriteLogLine(text); }) {
        m_previous = platform::ui::SetUI(&m_ui);
    }
    ~UnattendedScope() { platform::ui::SetUI(m_previous); }
    UnattendedScope(const UnattendedScope&) = delete;
    UnattendedScope& operator=(const UnattendedScope&) = delete;

private:
    platform::ui::UnattendedUserInterface m_ui;
    platform::ui::IUserInterface* m_previous = nullptr;
};

int fail(const std::string& text) {
    std::fprintf(stderr, "tallyvol: %s\n", text.c_str());
    return 1;
}

bool writeAll(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        return false;
    }
    return std::fflush(stdout) == 0;
}

} // namespace

bool IsGrowthCommand(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--growth" || startsWith(argument, "--growth=")) {
            return true;
        }
    }
    return false;
}

bool ParseGrowthArguments(const std::vector<std::string>& arguments, GrowthCommandOptions& options,
                          std::string* error) {
    bool haveDirectory = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        std::size_t equals = name.find('=');
        if (startsWith(name, "--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        if (name != "--growth" && name != "--days" && name != "--top" && name != "--format") {
            *error = "unknown argument " + arguments[i];
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                *error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        long number = 0;
        if (name == "--growth") {
            if (value.empty() || haveDirectory) {
                *error = value.empty() ? "--growth needs a directory" : "--growth names one directory";
                return false;
            }
            options.directory = value;
            haveDirectory = true;
        } else if (name == "--days") {
            if (!wholeNumber(value, kMostDays, &number)) {
                *error = StringPrintf("--days needs a whole number of days from 0 to %ld, not \"%s\"", kMostDays,
                                      value.c_str());
                return false;
            }
            options.days = static_cast<int>(number);
        } else if (name == "--top") {
            if (!wholeNumber(value, kMostRows, &number)) {
                *error = StringPrintf("--top needs a whole number of directories (0 for all), not \"%s\"",
                                      value.c_str());
                return false;
            }
            options.top = static_cast<std::size_t>(number);
        } else if (value == "text" || value == "csv" || value == "json") {
            options.format = value == "text"  ? GrowthOutputFormat::kText
                             : value == "csv" ? GrowthOutputFormat::kCsv
                                              : GrowthOutputFormat::kJson;
        } else {
            *error = "--format is text, csv or json, not \"" + value + "\"";
            return false;
        }
    }
    if (!haveDirectory) {
        *error = "--growth needs a directory";
        return false;
    }
    return true;
}

int RunGrowthCommand(const std::vector<std::string>& arguments) {
    GrowthCommandOptions options;
    std::string error;
    if (!ParseGrowthArguments(arguments, options, &error)) {
        std::fprintf(stderr, "tallyvol: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    try {
        std::setlocale(LC_ALL, "");
        UnattendedScope unattended;
        int kind = ReadMachineRootInt(settings::DBSource.name, scan::kNoDatabase);
        SetCurrentDBSource(kind);
        if (kind == scan::kNoDatabase) {
            return fail("no scan store is set up yet: nothing has been scanned on this machine");
        }
        scan::CScanInfo scanInfo;
        std::shared_ptr<platform::ado::Connection> connection = scanInfo.GetConnection();
        if (!connection) {
            return fail("the scan store could not be opened");
        }
        // Only the report's index, not the whole schema check: its probes read every size row
        // (seconds on a year of scans), and a report has no business changing an old layout.
        scan::EnsureGrowthIndexes(*connection, kind);
        scan::GrowthRequest request;
        request.minimumDays = options.days;
        request.top = options.top;
        scan::GrowthReport report = scan::LoadGrowthReport(scanInfo, options.directory, request);
        if (report.outcome != scan::GrowthOutcome::kReady) {
            return fail(GrowthFailureText(report, options.directory, options.days));
        }
        std::string text;
        switch (options.format) {
        case GrowthOutputFormat::kText:
            text = GrowthText(report, GetSetting(settings::PreferredUnits));
            break;
        case GrowthOutputFormat::kCsv:
            text = GrowthCsv(report);
            break;
        case GrowthOutputFormat::kJson:
            text = GrowthJson(report);
            break;
        }
        if (!writeAll(text)) {
            int code = errno;
            return fail(StringPrintf("the report could not be written: %s", std::strerror(code)));
        }
        return 0;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in RunGrowthCommand\n");
        return fail("the growth report failed (see the log)");
    }
}

} // namespace app
