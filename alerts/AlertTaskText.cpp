#include "alerts/AlertTaskText.h"

#include "platform/system/StringPrintf.h"
#include "platform/taskscheduler/CronCommand.h"

#include <cctype>
#include <climits>

namespace alerts {

using platform::system::StringPrintf;

const char* const kAlertRunAsWarning =
    "Be sure the alert runs as a user that has read writes to the directory being specified "
    "(root chooses it under \"Run as\").";
const char* const kAlertRunAsWarningKey = "ALERTRUNAS";
const char* const kCreateAlertFailedFormat =
    "Creating the new alert.  The operating system reports: %s.  HR=%0X";
const char* const kEditScheduleFailedFormat =
    "Displaying the scheduling component to set the run times.  "
    "You can manage the alerts via the crontab command.  HR=%0X";
const char* const kNoScheduleSetCaption = "No Schedule Set";
const char* const kNoScheduleSetText =
    "A schedule was not set for the alert to run.  "
    "When the task schedule comes up again, press the \"Add\" button.\r\n\r\n"
    "Press OK to set the schedule, or press Cancel to leave the alert unscheduled";
const char* const kListAlertsFailedFormat =
    "Obtaining list of existing alerts.  HR=%0X\r\n\r\n"
    "You can also manage your alerts via the crontab command";
const char* const kDeleteAlertFailedFormat =
    "Deleting an alert.  HR=%0X\r\n\r\n"
    "You can also manage your alerts via the crontab command.";

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string trimQuotes(const std::string& text) {
    std::size_t first = text.find_first_not_of('"');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of('"') - first + 1);
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool holdsLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A whole decimal number, as the profile identifiers of /PID= are written.
bool readIdentifier(const std::string& text, int* value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    *value = std::stoi(text);
    return true;
}

} // namespace

int AlertValue(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(value);
}

std::string AlertParameters(const AlertDefinition& alert) {
    const char* directory = alert.directory.c_str();
    int value = AlertValue(alert.value);
    const char* saveAll = alert.saveAllSubdirectories ? "/SAVESUBDIRS" : "";
    std::string parameters;
    switch (alert.type) {
    case kAlertGrowthPercent:
        parameters =
            StringPrintf("/DIR=\"%s\" /ALERTPERCENT=%d %s /SAVE", directory, value, saveAll);
        break;
    case kAlertGrowthSize:
        parameters = StringPrintf("/DIR=\"%s\" /ALERTSIZE=%d %s /SAVE", directory, value, saveAll);
        break;
    case kAlertFreeSpace:
        parameters = StringPrintf("/DIR=\"%s\" /FREEALERT=%d %s /SAVE", directory, value, saveAll);
        break;
    case kAlertFreePercent:
        parameters = StringPrintf("/DIR=\"%s\" /FREEPERCENT=%d", directory, value);
        break;
    case kAlertMaxSize:
        parameters = StringPrintf("/DIR=\"%s\" /MAXSIZE=%d /SAVE %s", directory, value, saveAll);
        break;
    default:
        parameters = StringPrintf("/DIR=\"%s\" %s", directory, alert.value.c_str());
        break;
    }
    parameters += " /PID=";
    for (std::size_t i = 0; i < alert.profiles.size(); ++i) {
        parameters += StringPrintf(i == 0 ? "%d" : ",%d", alert.profiles[i]);
    }
    if (alert.symlinkCheck) {
        parameters += " /DOSYMLINKCHECK";
    }
    return parameters;
}

std::string AlertComment(const AlertDefinition& alert) {
    const char* directory = alert.directory.c_str();
    int value = AlertValue(alert.value);
    const char* saveAll = alert.saveAllSubdirectories ? "  Save all scanned data." : "";
    std::string comment;
    switch (alert.type) {
    case kAlertGrowthPercent:
        comment = StringPrintf("Space usage change > %d%% in %s.%s", value, directory, saveAll);
        break;
    case kAlertGrowthSize:
        comment = StringPrintf("Space usage change > %d K in %s.%s", value, directory, saveAll);
        break;
    case kAlertFreeSpace:
        comment = StringPrintf("Free space < %d K in %s.%s", value, directory, saveAll);
        break;
    case kAlertFreePercent:
        comment = StringPrintf("Free space < %d%% in %s", value, directory);
        break;
    case kAlertMaxSize:
        comment = StringPrintf("Max size < %d K in %s", value, directory);
        break;
    default:
        comment = StringPrintf("Custom: /DIR=%s %s", directory, alert.value.c_str());
        break;
    }
    comment = replaceAll(comment, "<", "less than");
    return replaceAll(comment, ">", "greater than");
}

std::string AlertTaskName(const std::string& comment) {
    std::string name = replaceAll(comment, "|", "!");
    name = replaceAll(name, "\"", "''");
    name = replaceAll(name, ":", ";");
    name = replaceAll(name, "*", "+");
    name = replaceAll(name, "\\", "_");
    name = replaceAll(name, "/", "_");
    name = replaceAll(name, "?", "_");
    return name + ".job";
}

std::string AlertDefinitionProblem(const AlertDefinition& alert) {
    if (holdsLineBreak(alert.directory)) {
        return "The directory holds a line break, which a crontab line cannot hold.";
    }
    if (holdsLineBreak(alert.value)) {
        return "The command line holds a line break, which a crontab line cannot hold.";
    }
    // The scheduled run splits its command line at blanks outside double quotes and trims the
    // quotes around /DIR='s value, so quotes inside the directory may change what it gets.
    std::vector<std::string> tokens =
        platform::taskscheduler::SplitParameters(AlertParameters(alert));
    bool intact = !tokens.empty() && tokens[0] == "/DIR=\"" + alert.directory + "\"" &&
                  trimQuotes(alert.directory) == alert.directory;
    if (!intact) {
        return "The directory's double quotes would change it on the alert's command line.";
    }
    return {};
}

AlertDefinition ParseAlertParameters(const std::string& parameters) {
    AlertDefinition alert;
    alert.symlinkCheck = false;
    struct Threshold {
        const char* option;
        int type;
    };
    static const Threshold kThresholds[] = {{"/ALERTPERCENT=", kAlertGrowthPercent},
                                            {"/ALERTSIZE=", kAlertGrowthSize},
                                            {"/FREEALERT=", kAlertFreeSpace},
                                            {"/FREEPERCENT=", kAlertFreePercent},
                                            {"/MAXSIZE=", kAlertMaxSize}};
    for (const std::string& token : platform::taskscheduler::SplitParameters(upper(parameters))) {
        if (startsWith(token, "/DIR=")) {
            alert.directory = trimQuotes(token.substr(5));
        }
        if (startsWith(token, "/SAVESUBDIRS")) {
            alert.saveAllSubdirectories = true;
        }
        if (startsWith(token, "/PID=")) {
            std::string list = token.substr(5);
            std::size_t start = 0;
            for (;;) {
                std::size_t comma = list.find(',', start);
                int identifier = 0;
                if (readIdentifier(list.substr(start, comma == std::string::npos ? std::string::npos
                                                                                 : comma - start),
                                   &identifier)) {
                    alert.profiles.push_back(identifier);
                }
                if (comma == std::string::npos) {
                    break;
                }
                start = comma + 1;
            }
        }
        for (const Threshold& threshold : kThresholds) {
            if (startsWith(token, threshold.option)) {
                alert.type = threshold.type;
                alert.value = token.substr(std::string(threshold.option).size());
            }
        }
        if (startsWith(token, "/SAVE") && alert.type == kAlertCustom) {
            alert.value += " " + token;
        }
        if (startsWith(token, "/DOSYMLINKCHECK")) {
            alert.symlinkCheck = true;
        }
        if (startsWith(token, "/SCAN") || startsWith(token, "/PRINT=")) {
            alert.type = kAlertCustom;
            alert.value += " " + token;
        }
    }
    return alert;
}

MissingAlertInput FindMissingAlertInput(const AlertDefinition& alert) {
    if (alert.directory.empty()) {
        return {"Please fill in a directory to check and try again", "Missing information"};
    }
    if (alert.value.empty()) {
        return {"Please fill in the required value for this alert type and try again",
                "Missing information"};
    }
    if (alert.type < kAlertGrowthPercent || alert.type > kAlertCustom) {
        return {"An alert type has not been chosen.  Please select an alert type and try again.",
                "Missing information"};
    }
    if (alert.profiles.empty()) {
        return {"You need to select one or more notification profiles before you can add this "
                "alert.  Select a profile by checking the checkbox.",
                "No Profiles Selected"};
    }
    return {};
}

std::string AlertListText(const std::string& comment, bool scheduled) {
    return scheduled ? comment : "** Not Scheduled **  " + comment;
}

} // namespace alerts
