/*
 * The private MariaDB server the CTest fixture "mariadb" starts for a build tree (see
 * README.md): where it listens and the account tests use. Tests that need it declare the
 * fixture (TALLYVOL_MARIADB_TEST_PROPERTIES in CMake) and make their own database with
 * ScratchDatabase, which is dropped again when the test ends.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_MARIADBSERVER_H
#define TALLYVOL_TESTS_SUPPORT_MARIADBSERVER_H

#include <optional>
#include <string>

namespace testsupport {

struct MariaDbServer {
    std::string host;
    int port = 0;
    std::string socket;
    std::string user;
    std::string password;

    // The server of the fixture, read from the file named by TALLYVOL_TEST_MARIADB_ENV;
    // nothing when the test runs without the fixture.
    static std::optional<MariaDbServer> FromFixture();

    // An ODBC connection string for the MariaDB driver, for `database` (may be empty).
    std::string OdbcConnectionString(const std::string& database) const;
};

// A database of its own for one test, dropped when the object goes.
class ScratchDatabase {
public:
    ScratchDatabase(const MariaDbServer& server, const std::string& prefix);
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& Name() const { return m_name; }
    // Creates the database (utf8mb4, binary collation) for tests that do not make it themselves.
    void Create();
    // Runs SQL on the server (no database selected) with the mariadb client; throws on failure.
    static void RunSql(const MariaDbServer& server, const std::string& sql);

private:
    MariaDbServer m_server;
    std::string m_name;
};

} // namespace testsupport

// Skips the test with the reason when the fixture's server is not there.
#define TALLYVOL_REQUIRE_MARIADB(variable)                                                         \
    std::optional<::testsupport::MariaDbServer> variable##Found =                                  \
        ::testsupport::MariaDbServer::FromFixture();                                               \
    if (!variable##Found) {                                                                        \
        GTEST_SKIP() << "needs the MariaDB fixture: run this test through ctest";                  \
    }                                                                                              \
    const ::testsupport::MariaDbServer& variable = *variable##Found

#endif
