#include "platform/taskscheduler/CronCommand.h"

#include "platform/system/StringPrintf.h"

#include <cctype>
#include <cstdlib>

namespace platform::taskscheduler {

namespace {

bool holdsLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool isShellName(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

} // namespace

EnvironmentEntries CarriedEnvironment() {
    EnvironmentEntries entries;
    for (const char* name : kCarriedVariables) {
        if (const char* value = std::getenv(name)) {
            entries.emplace_back(name, value);
        }
    }
    return entries;
}

std::vector<std::string> SplitParameters(const std::string& parameters) {
    std::vector<std::string> tokens;
    std::string current;
    bool quoted = false;
    for (char c : parameters) {
        if (c == ' ' && !quoted) {
            if (!current.empty()) {
                tokens.push_back(std::move(current));
                current.clear();
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        }
        current += c;
    }
    if (!current.empty()) {
        tokens.push_back(std::move(current));
    }
    return tokens;
}

std::string QuoteForCron(const std::string& word) {
    std::string quoted = "'";
    char previous = '\0';
    for (char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else if (c == '%') {
            quoted += previous == '\\' ? "''\\%" : "\\%";
        } else {
            quoted += c;
        }
        previous = c;
    }
    quoted += '\'';
    return quoted;
}

std::string BuildCronCommand(const EnvironmentEntries& environment, const std::string& application,
                             const std::string& parameters, std::string* problem) {
    problem->clear();
    if (application.empty()) {
        *problem = "The program to run is not known.";
        return {};
    }
    if (holdsLineBreak(application)) {
        *problem = "The program's path holds a line break, which a crontab line cannot hold.";
        return {};
    }
    if (holdsLineBreak(parameters)) {
        *problem = "The alert's command line holds a line break, which a crontab line cannot hold.";
        return {};
    }
    std::string command;
    for (const auto& [name, value] : environment) {
        if (!isShellName(name)) {
            *problem = platform::system::StringPrintf(
                "\"%s\" is not the name of an environment variable.", name.c_str());
            return {};
        }
        if (holdsLineBreak(value)) {
            *problem = platform::system::StringPrintf(
                "The environment variable %s holds a line break, which a crontab line cannot hold.",
                name.c_str());
            return {};
        }
        command += name + "=" + QuoteForCron(value) + " ";
    }
    command += QuoteForCron(application);
    for (const std::string& argument : SplitParameters(parameters)) {
        command += " " + QuoteForCron(argument);
    }
    if (command.size() > kMaxCronCommandLength) {
        *problem = platform::system::StringPrintf(
            "The alert's command line is %zu characters long; cron accepts at most %zu.",
            command.size(), kMaxCronCommandLength);
        return {};
    }
    return command;
}

} // namespace platform::taskscheduler
