#include "dbconfig/DatabasePreparation.h"


#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "dbconfig/AccessDatabase.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcInstaller.h"
#include "platform/process/Process.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/Paths.h"
#include "platform/system/PrivateDirectory.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/DatabaseConnection.h"
#include "scan/RunScript.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace dbconfig {

using platform::ado::OdbcInstaller;
using platform::process::ErrorText;
using platform::system::StringPrintf;
namespace ui = platform::ui;

namespace {

// The client's option file with the password, readable by us alone (the client reads it with
// --defaults-extra-file). Values in double quotes take backslash escapes.
bool writeClientOptions(const std::string& path, const std::string& password) {
    std::string quoted;
    for (char c : password) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    std::string text = "[client]\npassword=\"" + quoted + "\"\n";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool written = platform::system::WriteAll(fd, text);
    return ::close(fd) == 0 && written;
}

// What the client said goes into the diagnostic log before its private directory goes.
void keepClientLog(const std::string& path) {
    std::string answers;
    if (platform::system::ReadWholeFile(path, &answers) && !answers.empty()) {
        app::WriteLogLine("The mysql client answered: " + answers);
    }
}

constexpr const char* kAutomatedRecreation =
    "The data file %s can not be found.  Without this file, all scanning will fail.  Since this "
    "error is happening "
    "in an automated run, a new database file will automatically be created.";
constexpr const char* kRecreateQuestion = "The data file %s can not be found in the specified data "
                                          "directory.  Without this file, all scanning will "
                                          "fail.  Would you like to re-create a new database file?";
constexpr const char* kAccessDsnFailed =
    "Creating the System DSN (database connectivity definition) for %s (possibly because the "
    "SQLite ODBC driver "
    "isn't installed?).\r\n\r\nPress OK to try again with the desired values filled in.";
constexpr const char* kAccessDriverMissing =
    "The creation of the ODBC DSN has still failed, possibly because the SQLite ODBC driver isn't "
    "installed.  You "
    "can get this driver by installing your distribution's SQLite ODBC driver package "
    "(libsqliteodbc).\r\n\r\n"
    "Do you want to stop and install the driver?";
constexpr const char* kMySqlDsnFailed =
    "Creating the System DSN (database connectivity definition) for %s (possibly because the MySQL "
    "ODBC 3.51 or "
    "3.52 driver or the MariaDB ODBC driver isn't installed?).\r\n\r\nPress OK to try again with "
    "the desired "
    "values filled in.";
constexpr const char* kScriptUnreadable = "Trying to open the file %s which contains the script "
                                          "for re-initializing the new target database.  Copying "
                                          "the table has failed.  Error=%s, (%d)";

ProfileNotifier& notifier() {
    static ProfileNotifier current;
    return current;
}

void notifyProfiles(const std::string& text) {
    if (notifier()) {
        notifier()(text);
        return;
    }
    // Every profile gets it; the log and standard error keep it for a machine without profiles.
    app::NotifyProfiles(text);
    app::WriteLogLine(text);
    std::fprintf(stderr, "%s\n", text.c_str());
}

std::string dataFile(const std::string& fileName) {
    if (!fileName.empty() && fileName[0] == '/') {
        return fileName;
    }
    return platform::system::DataDirectory() + "/" + fileName;
}

// The whole file, or the errno of the failure.
bool readFile(const std::string& path, std::string* text, int* error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = errno;
        return false;
    }
    text->clear();
    char buffer[8192];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text->append(buffer, got);
    }
    bool failed = std::ferror(file) != 0;
    *error = failed ? EIO : 0;
    std::fclose(file);
    return !failed;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Copies the template over the store path through a temporary file, so a store is never seen
// half written. Failures leave things as they were; the caller does not look.
void copyTemplate(const std::string& templatePath, const std::string& path) {
    std::string content;
    int error = 0;
    if (!readFile(templatePath, &content, &error)) {
        TV_DEBUG_LOG("Cannot read the store template %s: %s", templatePath.c_str(),
                     ErrorText(error).c_str());
        return;
    }
    std::string temporary = path + ".new";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        TV_DEBUG_LOG("Cannot create %s: %s", temporary.c_str(), ErrorText(errno).c_str());
        return;
    }
    std::size_t written = 0;
    while (written < content.size()) {
        ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    bool complete = written == content.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), path.c_str()) != 0) {
        TV_DEBUG_LOG("Cannot write the store file %s", path.c_str());
        ::unlink(temporary.c_str());
        return;
    }
    // A normal file: whatever the template's permissions, the store must be writable.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR | S_IRUSR);
    }
}

// NAME=value pairs separated by character 1, as written; the installer wants NULs.
std::string attributeList(std::string text) {
    for (char& c : text) {
        if (c == '\001') {
            c = '\0';
        }
    }
    return text;
}

void settle() {
    // The installer's writes are given a moment before the data source is used.
    std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

void SetProfileNotifier(ProfileNotifier newNotifier) {
    notifier() = std::move(newNotifier);
}

bool EnsureAccessFile(const std::optional<std::string>& path, bool silent, bool automated) {
    TV_DEBUG_LOG("Checking for database file existence");
    std::string dataDirectory = platform::system::DataDirectory();
    if (dataDirectory.find('/') == std::string::npos) {
        return false;
    }
    std::string templatePath = dataDirectory + "/" + kStoreTemplate;
    std::string file = path ? *path : app::GetSetting(app::settings::MDBPath);
    if (file.empty()) {
        return false; // no file named: nothing that could be checked or created
    }
    if (exists(file)) {
        return true;
    }
    if (!silent) {
        if (automated) {
            notifyProfiles(StringPrintf(kAutomatedRecreation, file.c_str()));
        } else {
            int answer = ui::UI().MessageBox(StringPrintf(kRecreateQuestion, file.c_str()),
                                             "Verify Database File Creation",
                                             ui::MB_YESNO | ui::MB_ICONQUESTION);
            if (answer != ui::IDYES) {
                return false;
            }
        }
    }
    copyTemplate(templatePath, file);
    return true;
}

bool CreateAccessDSN(const std::string& dsnName, const std::string& filePath) {
    app::SetSetting(app::settings::DSNName, dsnName);
    std::string attributes =
        attributeList(StringPrintf("Database=%s\001DSN=%s\001DESCRIPTION=%s\001\001",
                                   filePath.c_str(), dsnName.c_str(), DefaultDSNDesc));
    OdbcInstaller& installer = OdbcInstaller::Instance();
    if (!installer.ConfigDataSource(platform::ado::ODBC_ADD_SYS_DSN, kAccessOdbcDriver,
                                    attributes)) {
        TV_DEBUG_LOG("Creating the data source %s failed: %s", dsnName.c_str(),
                     installer.LastError().c_str());
        app::ReportError(0, StringPrintf(kAccessDsnFailed, ProductName3218));
        // No driver set-up window exists here; the second request is the same as the first.
        if (!installer.ConfigDataSource(platform::ado::ODBC_ADD_SYS_DSN, kAccessOdbcDriver,
                                        attributes)) {
            int answer = ui::UI().MessageBox(kAccessDriverMissing, "No SQLite Driver?",
                                             ui::MB_YESNO | ui::MB_ICONQUESTION);
            if (answer == ui::IDYES) {
                scan::OpenDownloadPage();
            }
            return false;
        }
    }
    settle();
    return true;
}

bool CreateSqlServerDatabase(const std::string& server, const std::string& database,
                             bool currentUser, const std::string& user, const std::string& password,
                             const std::string& additional) {
    std::string connectionString =
        StringPrintf("PROVIDER=SQLOLEDB;SERVER=%s;TRUSTED_CONNECTION=%s", server.c_str(),
                     currentUser ? "yes" : "no") +
        SqlServerCredentialsSuffix(currentUser, user, password, additional);
    std::string scriptPath = dataFile(kCreateMSSQLDatabase);
    std::string script;
    int error = 0;
    if (!readFile(scriptPath, &script, &error)) {
        app::ReportError(0, StringPrintf(kScriptUnreadable, scriptPath.c_str(),
                                         ErrorText(error).c_str(), error));
        return false;
    }
    replaceAll(script, "$DATABASE$", database);
    scan::OpenedConnection opened = scan::OpenConnectionString(connectionString);
    if (!opened) {
        app::ReportError(
            0, StringPrintf(
                   "Trying to connect with database using connection string %s.  HR=x%0X  Err=%s",
                   connectionString.c_str(), opened.failureCode, opened.failureText.c_str()));
        return false;
    }
    scan::RunScript(*opened.connection, script);
    opened.connection.reset();
    return true;
}

bool RunTableScript(platform::ado::Connection& connection, const std::string& fileName) {
    std::string scriptPath = dataFile(fileName);
    std::string script;
    int error = 0;
    if (!readFile(scriptPath, &script, &error)) {
        app::ReportError(0, StringPrintf(kScriptUnreadable, scriptPath.c_str(),
                                         ErrorText(error).c_str(), error));
        return false;
    }
    scan::RunScript(connection, script);
    return true;
}

bool RunMySqlScript(const std::string& fileName, const std::string& binDirectory,
                    const std::string& database, const std::string& server, int port,
                    const std::string& user, const std::string& password) {
    std::string scriptPath = dataFile(fileName);
    std::string script;
    int error = 0;
    if (!readFile(scriptPath, &script, &error)) {
        ui::UI().MessageBox(
            StringPrintf("Unable to open the file %s which contains the script for re-initializing "
                         "the new target database.  Copying the table has failed.  Error=%s, (%d)",
                         scriptPath.c_str(), ErrorText(error).c_str(), error),
            "Script Error", ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    replaceAll(script, "$DATABASE$", database);
    replaceAll(script, "\r", "\n");

    // The script, the client's answers and its password go where only we can read or write: a
    // name planted in the shared temporary directory is never followed or written into, and the
    // password never shows in the process list.
    platform::system::PrivateDirectory directory("tallyvol-mysql");
    std::string inputPath = directory.File("~InitializeMySQL.tmp");
    std::string logPath = directory.File("~MySQLInitLog.tmp");
    std::string optionsPath = directory.File("client.cnf");
    // A private TMPDIR is the directory itself: what an earlier run left there goes first.
    for (const std::string& path : {inputPath, logPath, optionsPath}) {
        ::unlink(path.c_str());
    }
    int input = directory.Error() == 0
                    ? ::open(inputPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
                    : -1;
    bool written = input >= 0;
    for (std::size_t done = 0; written && done < script.size();) {
        ssize_t n = ::write(input, script.data() + done, script.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    if (!written) {
        int failure = directory.Error() != 0 ? directory.Error() : errno;
        app::ReportError(
            0, StringPrintf("Trying to open %s for writing an updated version of the initilization "
                            "script %s.  GLE=%d, Error=%s",
                            inputPath.c_str(), scriptPath.c_str(), failure,
                            ErrorText(failure).c_str()));
        if (input >= 0) {
            ::close(input);
        }
        return false;
    }
    ::lseek(input, 0, SEEK_SET);
    int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (!writeClientOptions(optionsPath, password)) {
        int failure = errno;
        app::ReportError(0, StringPrintf("Trying to open %s for writing the client's options.  GLE=%d, Error=%s",
                                         optionsPath.c_str(), failure, ErrorText(failure).c_str()));
        ::close(input);
        if (log >= 0) {
            ::close(log);
        }
        return false;
    }

    std::string client = binDirectory;
    if (!client.empty() && client.back() != '/') {
        client += '/';
    }
    client += kMySqlClient;
    // The options file must come first on the client's command line.
    std::string commandLine = StringPrintf("\"%s\" \"--defaults-extra-file=%s\" --host=%s --port=%d  --user=%s",
                                           client.c_str(), optionsPath.c_str(), server.c_str(), port, user.c_str());
    platform::process::LaunchOptions options;
    options.standardInput = input;
    options.standardOutput = log;
    options.standardError = log;
    int launchError = 0;
    pid_t pid = platform::process::LaunchProcess(platform::process::SplitCommandLine(commandLine),
                                                options, &launchError);
    bool started = pid > 0;
    if (!started) {
        app::ReportError(
            0, StringPrintf(
                   "Trying to launch %s.  Error = %s.\r\nDatabase initialization cannot continue.",
                   client.c_str(), ErrorText(launchError).c_str()));
    } else {
        // A client still running after 15 seconds is left to finish on its own.
        if (!platform::process::WaitForProcess(pid, 15000)) {
            TV_DEBUG_LOG("%s still runs after 15 seconds", client.c_str());
            platform::process::ReapInBackground(pid);
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    ::close(input);
    if (log >= 0) {
        ::close(log);
    }
    if (started) {
        // The client's answers stay for whoever looks into a failed preparation.
        keepClientLog(logPath);
    }
    for (const std::string& path : {inputPath, logPath, optionsPath}) {
        ::unlink(path.c_str());
    }
    return started;
}

bool CreateMySqlDSN(const std::string& dsnName, const std::string& database,
                    const std::string& server, int port, const std::string& user,
                    const std::string& password) {
    std::string attributes =
        attributeList(StringPrintf("Database=%s\001DSN=%s\001Description=%s\001Option="
                                   "3\001Password=%s\001Port=%d\001Server=%s\001user=%s\001\001",
                                   database.c_str(), dsnName.c_str(), dsnName.c_str(),
                                   password.c_str(), port, server.c_str(), user.c_str()));
    OdbcInstaller& installer = OdbcInstaller::Instance();
    bool created = false;
    for (const char* driver : kMySqlOdbcDrivers) {
        if (installer.ConfigDataSource(platform::ado::ODBC_ADD_SYS_DSN, driver, attributes)) {
            TV_DEBUG_LOG("Created the data source %s with the driver %s", dsnName.c_str(), driver);
            created = true;
            break;
        }
    }
    if (!created) {
        app::ReportError(0, StringPrintf(kMySqlDsnFailed, ProductName3218));
        if (!installer.ConfigDataSource(platform::ado::ODBC_ADD_SYS_DSN, kMySqlOdbcDrivers[0],
                                        attributes)) {
            return false;
        }
    }
    settle();
    return true;
}

} // namespace dbconfig
