/*
 * A user account made for one test (root only): tests that run real crontab and cron jobs use
 * its crontab, never root's own, which other test runs on the machine share. The name carries
 * the process identifier, so concurrent runs get different accounts. When the object goes, the
 * account's crontab and the account itself are removed.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_TESTUSER_H
#define TALLYVOL_TESTS_SUPPORT_TESTUSER_H

#include <sys/types.h>

#include <string>

namespace testsupport {

class TestUser {
public:
    TestUser();
    ~TestUser();
    TestUser(const TestUser&) = delete;
    TestUser& operator=(const TestUser&) = delete;

    // False (with the reason) when the account could not be made: not root, no useradd.
    bool Made() const { return m_made; }
    const std::string& Problem() const { return m_problem; }
    const std::string& Name() const { return m_name; }
    uid_t Uid() const { return m_uid; }
    gid_t Gid() const { return m_gid; }

    // Gives the tree to the account (chown -R), so its cron jobs can write there.
    void Own(const std::string& path) const;

private:
    std::string m_name;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    bool m_made = false;
    std::string m_problem;
};

} // namespace testsupport

#endif
