#include "app/ConfigureDatabaseCommand.h"

#include "app/ConsoleCopyProgress.h"
#include "app/ConsoleUserInterface.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/WizardFinish.h"
#include "platform/ui/IUserInterface.h"

#include <clocale>
#include <cstdio>
#include <iostream>

namespace app {

namespace {

constexpr const char* kUsage =
    "usage: tallyvol --configure-database=DIALECT \"CONNECTION STRING\" [--copy]\n"
    "       DIALECT 1 SQLite, 2 SQL Server, 3 MySQL/MariaDB; \"-\" reads the connection string\n"
    "       from standard input.";

struct Request {
    int dialect = 0;
    std::string connectionString;
    bool copy = false;
};

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// False (with the reason in `problem`) when the arguments are not the command's form.
bool parse(const std::vector<std::string>& arguments, Request* request, std::string* problem) {
    bool dialectGiven = false;
    bool stringGiven = false;
    for (const std::string& argument : arguments) {
        if (startsWith(argument, kConfigureDatabaseOption)) {
            std::string dialect = argument.substr(std::string(kConfigureDatabaseOption).size());
            if (dialectGiven || (dialect != "1" && dialect != "2" && dialect != "3")) {
                *problem = "The dialect must be given once, as 1, 2 or 3.";
                return false;
            }
            request->dialect = dialect[0] - '0';
            dialectGiven = true;
        } else if (argument == "--copy") {
            request->copy = true;
        } else if (!stringGiven && (argument == "-" || !startsWith(argument, "--"))) {
            request->connectionString = argument;
            stringGiven = true;
        } else {
            *problem = "Unexpected argument: " + argument;
            return false;
        }
    }
    if (!stringGiven) {
        *problem = "The connection string is missing.";
        return false;
    }
    if (request->connectionString == "-") {
        std::string line;
        std::getline(std::cin, line);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.pop_back();
        }
        request->connectionString = line;
    }
    if (request->connectionString.empty()) {
        *problem = "The connection string is empty.";
        return false;
    }
    return true;
}

int run(const Request& request) {
    dbconfig::WizardFinishValues values;
    values.kind = request.dialect;
    values.advanced = true;
    values.newConnectionString = request.connectionString;
    values.newSpecification = dbconfig::AdvancedConnectionStringSpec(request.dialect);
    values.oldConnectionString = GetSetting(settings::ConnectionString);
    std::string oldSpecification = GetSetting(settings::ConnectionStringSpec);

    std::vector<std::string> secrets = dbconfig::ConnectionStringPasswords(request.connectionString);
    for (const std::string& secret : dbconfig::ConnectionStringPasswords(values.oldConnectionString)) {
        secrets.push_back(secret);
    }
    // The drop question is answered yes only because --copy asked for the copy.
    ConsoleUserInterface console(
        {{"Confirm Table Drop", request.copy ? platform::ui::IDYES : platform::ui::IDNO}},
        std::move(secrets));

    if (request.copy) {
        dbconfig::CopyPageChoice choice = dbconfig::ChooseCopyPage(
            values.kind, values.newConnectionString, oldSpecification, values.newSpecification);
        if (!choice.enabled) {
            console.Print(choice.explanation);
        }
        values.copyData = choice.enabled;
    }

    dbconfig::FinishOutcome outcome = dbconfig::FinishDatabaseWizard(
        values, [&console] { return std::make_unique<ConsoleCopyProgress>(console); }, nullptr);
    if (outcome.result != dbconfig::FinishResult::kSaved) {
        console.Print("The database settings were not changed.");
        return kConfigureDatabaseUnchanged;
    }
    if (outcome.copy == dbconfig::CopyResult::kStopped) {
        console.Print("The database settings now name the new database, but its copy of the old "
                      "data is incomplete.");
        return kConfigureDatabaseCopyStopped;
    }
    console.Print("The database settings now name the new database.");
    return kConfigureDatabaseSaved;
}

} // namespace

bool IsConfigureDatabaseCommand(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (startsWith(argument, kConfigureDatabaseOption)) {
            return true;
        }
    }
    return false;
}

int RunConfigureDatabaseCommand(const std::vector<std::string>& arguments) {
    std::setlocale(LC_ALL, "");
    Request request;
    std::string problem;
    if (!parse(arguments, &request, &problem)) {
        std::fprintf(stderr, "%s\n%s\n", problem.c_str(), kUsage);
        return kConfigureDatabaseUnchanged;
    }
    try {
        if (GetSetting(settings::DebugLogs) != 0) {
            EnableDebugLog();
        }
        SetCurrentDBSource(GetSetting(settings::DBSource));
        return run(request);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ConfigureDatabase\n");
        std::fprintf(stderr, "The database settings were not changed.\n");
        return kConfigureDatabaseUnchanged;
    }
}

} // namespace app
