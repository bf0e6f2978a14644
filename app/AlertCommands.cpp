#include "app/AlertCommands.h"

#include "alerts/AlertTaskText.h"
#include "brand/Brand.h"
#include "platform/system/Paths.h"
#include "platform/taskscheduler/CronDaemon.h"
#include "platform/taskscheduler/TaskScheduler.h"

#include <cctype>
#include <cstdio>
#include <set>

namespace app {

namespace ts = platform::taskscheduler;

namespace {

constexpr int kDone = 0;
constexpr int kNothingDone = 1;
constexpr int kUsageError = 2;

const std::set<std::string> kCommands = {"--alert-add", "--alerts", "--alert-remove"};

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool startsWithIgnoreCase(const std::string& text, const std::string& prefix) {
    return upper(text.substr(0, prefix.size())) == prefix;
}

int failure(int status, const std::string& message) {
    std::fprintf(stderr, "tallyvol: %s\n", message.c_str());
    return status;
}

std::string schedulerFailure(const ts::TaskScheduler& scheduler, ts::HRESULT result) {
    std::string text =
        scheduler.LastErrorText().empty() ? ts::SystemMessage(result) : scheduler.LastErrorText();
    char code[32];
    std::snprintf(code, sizeof code, " (HR=%0X)", static_cast<unsigned>(result));
    return text + code;
}

// A value the dialog would write back unchanged with "%d".
bool plainNumber(const std::string& text) {
    if (text.empty() || text.size() > 9 || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// The alert type whose parameters are exactly these options (besides /DIR=, /PID= and
// /DOSYMLINKCHECK), with its value and save box; false when none is.
bool matchType(const std::vector<std::string>& options, alerts::AlertDefinition* alert) {
    struct Form {
        const char* option;
        int type;
        bool save; // /SAVE is part of the form, /SAVESUBDIRS may be
    };
    static const Form kForms[] = {{"/ALERTPERCENT=", alerts::kAlertGrowthPercent, true},
                                  {"/ALERTSIZE=", alerts::kAlertGrowthSize, true},
                                  {"/FREEALERT=", alerts::kAlertFreeSpace, true},
                                  {"/FREEPERCENT=", alerts::kAlertFreePercent, false},
                                  {"/MAXSIZE=", alerts::kAlertMaxSize, true}};
    for (const Form& form : kForms) {
        std::string value;
        int thresholds = 0, saves = 0, saveAll = 0, others = 0;
        for (const std::string& option : options) {
            std::string keyword = upper(option);
            if (startsWithIgnoreCase(option, form.option)) {
                ++thresholds;
                value = option.substr(std::string(form.option).size());
            } else if (keyword == "/SAVE") {
                ++saves;
            } else if (keyword == "/SAVESUBDIRS") {
                ++saveAll;
            } else {
                ++others;
            }
        }
        bool fits = thresholds == 1 && plainNumber(value) && others == 0 &&
                    (form.save ? saves == 1 && saveAll <= 1 : saves == 0 && saveAll == 0);
        if (fits) {
            alert->type = form.type;
            alert->value = value;
            alert->saveAllSubdirectories = saveAll == 1;
            return true;
        }
    }
    return false;
}

// Whether the options make the scheduled run unattended; otherwise cron would start the window.
bool makesUnattendedRun(const std::vector<std::string>& options) {
    for (const char* keyword : {"/SCAN", "/PRINT=", "/ALERTSIZE=", "/ALERTPERCENT=", "/MAXSIZE=",
                                "/FREEALERT=", "/FREEPERCENT="}) {
        for (const std::string& option : options) {
            if (startsWithIgnoreCase(option, keyword)) {
                return true;
            }
        }
    }
    return false;
}

// The dialog's fields for the options of --alert-add; empty text when they make an alert.
std::string alertFromOptions(const std::vector<std::string>& options,
                             alerts::AlertDefinition* alert) {
    alert->symlinkCheck = false;
    bool directoryGiven = false, profilesGiven = false;
    std::vector<std::string> rest;
    for (const std::string& option : options) {
        if (startsWithIgnoreCase(option, "/DIR=")) {
            if (directoryGiven) {
                return "give /DIR= once";
            }
            directoryGiven = true;
            std::string value = option.substr(5);
            std::size_t first = value.find_first_not_of('"');
            alert->directory = first == std::string::npos
                                   ? ""
                                   : value.substr(first, value.find_last_not_of('"') - first + 1);
        } else if (startsWithIgnoreCase(option, "/PID=")) {
            if (profilesGiven) {
                return "give /PID= once";
            }
            profilesGiven = true;
            std::string list = option.substr(5) + ",";
            for (std::size_t start = 0, comma; (comma = list.find(',', start)) != std::string::npos;
                 start = comma + 1) {
                std::string piece = list.substr(start, comma - start);
                if (piece.empty()) {
                    continue;
                }
                if (!plainNumber(piece)) {
                    return "/PID= takes profile identifiers separated by commas (for example "
                           "/PID=1,3), not \"" +
                           option.substr(5) + "\"";
                }
                alert->profiles.push_back(std::stoi(piece));
            }
        } else if (upper(option) == "/DOSYMLINKCHECK") {
            alert->symlinkCheck = true;
        } else {
            rest.push_back(option);
        }
    }
    if (!directoryGiven || alert->directory.empty()) {
        return "an alert needs a directory: give /DIR=path";
    }
    if (!makesUnattendedRun(rest)) {
        return "the options make no unattended run: give an alert option "
               "(/ALERTSIZE=, /ALERTPERCENT=, /MAXSIZE=, /FREEALERT=, /FREEPERCENT=), "
               "/SCAN or /PRINT=";
    }
    if (!matchType(rest, alert)) {
        alert->type = alerts::kAlertCustom;
        for (const std::string& option : rest) {
            alert->value += (alert->value.empty() ? "" : " ") + option;
        }
        // The scheduled run gets the command line split at blanks outside double quotes.
        if (ts::SplitParameters(alert->value) != rest) {
            for (const std::string& option : rest) {
                if (ts::SplitParameters(option) != std::vector<std::string>{option}) {
                    return "the option \"" + option +
                           "\" would reach the scheduled run as several arguments (blanks "
                           "outside double quotes); quote the part with blanks, "
                           "e.g. /NOTIFY=\"prog arg\"";
                }
            }
            return "the options would reach the scheduled run as other arguments (unbalanced "
                   "double quotes)";
        }
    }
    std::string problem = alerts::AlertDefinitionProblem(*alert);
    return problem;
}

int addAlert(const std::string& runAs, const std::string& trigger,
             const std::vector<std::string>& options) {
    std::optional<ts::CronTrigger> when = ts::CronTrigger::Parse(trigger);
    if (!when) {
        return failure(kNothingDone, "\"" + trigger +
                                         "\" is not a cron time: give five fields (\"30 2 * * *\") "
                                         "or @reboot, @hourly, @daily, @weekly, @monthly");
    }
    alerts::AlertDefinition alert;
    std::string problem = alertFromOptions(options, &alert);
    if (!problem.empty()) {
        return failure(kNothingDone, "no alert was added: " + problem);
    }
    std::string comment = alerts::AlertComment(alert);
    ts::TaskScheduler scheduler(runAs);
    std::string name;
    ts::HRESULT result = scheduler.CreateAlertTask(
        TALLYVOLTASKCREATOR, alerts::AlertTaskName(comment), platform::system::ProgramPath(),
        alerts::AlertParameters(alert), comment, &name, {*when});
    if (ts::Failed(result)) {
        return failure(kNothingDone, "no alert was added: " + schedulerFailure(scheduler, result));
    }
    std::printf("%s\n", name.c_str());
    if (ts::FindCronDaemon() == 0) {
        std::fputs("tallyvol: warning: cron is not running; the alert runs once it is started\n",
                   stderr);
    }
    return kDone;
}

int listAlerts(const std::string& runAs) {
    ts::TaskScheduler scheduler(runAs);
    std::vector<ts::AlertTask> tasks;
    ts::HRESULT result = scheduler.ListAlertTasks(TALLYVOLTASKCREATOR, &tasks);
    if (ts::Failed(result)) {
        return failure(kNothingDone,
                       "cannot list the alerts: " + schedulerFailure(scheduler, result));
    }
    for (const ts::AlertTask& task : tasks) {
        std::printf("%s\n    %s\n", task.name.c_str(),
                    alerts::AlertListText(task.comment, task.Scheduled()).c_str());
        for (const ts::CronTrigger& trigger : task.triggers) {
            std::string specification = trigger.Specification();
            std::string description = trigger.Describe();
            if (description == specification) {
                std::printf("    %s\n", specification.c_str());
            } else {
                std::printf("    %s  (%s)\n", specification.c_str(), description.c_str());
            }
        }
    }
    return kDone;
}

int removeAlert(const std::string& runAs, const std::string& name) {
    ts::TaskScheduler scheduler(runAs);
    std::vector<ts::AlertTask> tasks;
    ts::HRESULT result = scheduler.ListAlertTasks(TALLYVOLTASKCREATOR, &tasks);
    bool known = false;
    for (const ts::AlertTask& task : tasks) {
        known = known || task.name == name;
    }
    if (!ts::Failed(result) && !known) {
        return failure(kNothingDone,
                       "there is no alert named \"" + name + "\" (tallyvol --alerts lists them)");
    }
    if (!ts::Failed(result)) {
        result = scheduler.DeleteAlertTask(name);
    }
    if (ts::Failed(result)) {
        return failure(kNothingDone,
                       "the alert was not removed: " + schedulerFailure(scheduler, result));
    }
    return kDone;
}

int usage(const std::string& message) {
    return failure(kUsageError,
                   message + "\nusage: tallyvol --alert-add \"TRIGGER\" OPTION... | --alerts | "
                             "--alert-remove NAME  [--run-as USER]");
}

} // namespace

std::optional<int> RunAlertCommand(const std::vector<std::string>& arguments) {
    bool present = false;
    for (const std::string& argument : arguments) {
        present = present || kCommands.count(argument) != 0;
    }
    if (!present) {
        return std::nullopt;
    }
    std::string runAs;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--run-as") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                return usage("--run-as needs a user name");
            }
            runAs = arguments[++i];
        } else if (arguments[i].rfind("--run-as=", 0) == 0) {
            runAs = arguments[i].substr(9);
        } else {
            rest.push_back(arguments[i]);
        }
    }
    if (rest.empty() || kCommands.count(rest[0]) == 0) {
        return usage("the alert command must come first");
    }
    const std::string& command = rest[0];
    if (command == "--alerts") {
        return rest.size() == 1 ? listAlerts(runAs) : usage("--alerts takes no other arguments");
    }
    if (command == "--alert-remove") {
        return rest.size() == 2 ? removeAlert(runAs, rest[1])
                                : usage("--alert-remove takes one alert name");
    }
    if (rest.size() < 3) {
        return usage("--alert-add takes a cron time and the options of the alert's run");
    }
    return addAlert(runAs, rest[1], std::vector<std::string>(rest.begin() + 2, rest.end()));
}

} // namespace app
