/*
 * A stand-in for the crontab program, for tests that need no cron daemon: a small script named
 * "crontab" in a directory of the test's own, put first on PATH. It keeps the table in a file
 * (one per "-u USER"), answers "-l" and "-" as crontab does ("no crontab for USER" and status
 * 1 when there is none) and can be told to fail or to be slow. PATH and the variable it reads
 * are set in this process, so programs the test starts find it too; the previous values come
 * back when it ends.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_FAKECRONTAB_H
#define TALLYVOL_TESTS_SUPPORT_FAKECRONTAB_H

#include "tests/support/TempDirectory.h"

#include <map>
#include <optional>
#include <string>

namespace testsupport {

class FakeCrontab {
public:
    FakeCrontab();
    ~FakeCrontab();
    FakeCrontab(const FakeCrontab&) = delete;
    FakeCrontab& operator=(const FakeCrontab&) = delete;

    // The table of the caller, or of `user`; nothing when there is none.
    std::optional<std::string> Table(const std::string& user = {}) const;
    void SetTable(const std::string& text, const std::string& user = {});

    // Every later call prints `message` on standard error and exits with status 1.
    void FailWith(const std::string& message);
    // Installing the table of the caller, or of `user`, prints `message` and exits with status
    // 1; reading it still works.
    void RefuseInstallsOf(const std::string& message, const std::string& user = {});
    void StopFailing();
    // Every "-l" waits this long before answering (makes lost updates likely without a lock).
    void SetReadDelay(const std::string& seconds);
    // Number of "-" calls so far (table installs).
    int Installs() const;

private:
    void set(const std::string& name, const std::string& value);

    TempDirectory m_directory;
    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace testsupport

#endif
