#include "tests/support/MariaDbServer.h"

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDirectory.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace testsupport {

std::optional<MariaDbServer> MariaDbServer::FromFixture() {
    const char* file = std::getenv("TALLYVOL_TEST_MARIADB_ENV");
    if (file == nullptr || !FileExists(file)) {
        return std::nullopt;
    }
    MariaDbServer server;
    std::istringstream lines(ReadFile(file));
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string name = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (name == "TALLYVOL_TEST_MARIADB_HOST") {
            server.host = value;
        } else if (name == "TALLYVOL_TEST_MARIADB_PORT") {
            server.port = std::atoi(value.c_str());
        } else if (name == "TALLYVOL_TEST_MARIADB_SOCKET") {
            server.socket = value;
        } else if (name == "TALLYVOL_TEST_MARIADB_USER") {
            server.user = value;
        } else if (name == "TALLYVOL_TEST_MARIADB_PASSWORD") {
            server.password = value;
        }
    }
    if (server.port == 0) {
        return std::nullopt;
    }
    return server;
}

std::string MariaDbServer::OdbcConnectionString(const std::string& database) const {
    std::string text = "Driver=MariaDB Unicode;Server=" + host + ";Port=" + std::to_string(port) +
                       ";UID=" + user + ";PWD=" + password;
    if (!database.empty()) {
        text += ";Database=" + database;
    }
    return text;
}

void ScratchDatabase::RunSql(const MariaDbServer& server, const std::string& sql) {
    ProcessResult result = RunProcess("/usr/bin/mariadb",
                                      {"--no-defaults", "--host=" + server.host,
                                       "--port=" + std::to_string(server.port),
                                       "--user=" + server.user, "--password=" + server.password},
                                      {}, 60, sql);
    if (result.exitCode != 0) {
        throw std::runtime_error("mariadb failed: " + result.err + " for: " + sql);
    }
}

ScratchDatabase::ScratchDatabase(const MariaDbServer& server, const std::string& prefix)
    : m_server(server) {
    static std::atomic<int> counter{0};
    m_name = prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    RunSql(m_server, "DROP DATABASE IF EXISTS `" + m_name + "`;");
}

void ScratchDatabase::Create() {
    RunSql(m_server, "CREATE DATABASE `" + m_name + "` CHARACTER SET utf8mb4 COLLATE utf8mb4_bin;");
}

ScratchDatabase::~ScratchDatabase() {
    try {
        RunSql(m_server, "DROP DATABASE IF EXISTS `" + m_name + "`;");
    } catch (...) {
        // The fixture's data directory goes away with the server anyway.
    }
}

} // namespace testsupport
