#include "tests/support/TestUser.h"

#include "tests/support/ProcessRunner.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>

namespace testsupport {

namespace {

std::atomic<int> g_counter{0};

} // namespace

TestUser::TestUser() {
    m_name = "tvtest" + std::to_string(::getpid()) + "x" + std::to_string(g_counter++);
    if (::geteuid() != 0) {
        m_problem = "making a user account needs root";
        return;
    }
    ProcessResult made = RunProcess("/usr/sbin/useradd",
                                    {"-M", "-N", "-s", "/bin/sh", "-d", "/nonexistent", m_name});
    if (made.exitCode != 0) {
        m_problem = "useradd " + m_name + " failed: " + made.err;
        return;
    }
    struct passwd* entry = ::getpwnam(m_name.c_str());
    if (entry == nullptr) {
        m_problem = "the new account " + m_name + " cannot be found";
        return;
    }
    m_uid = entry->pw_uid;
    m_gid = entry->pw_gid;
    m_made = true;
}

TestUser::~TestUser() {
    if (!m_made) {
        return;
    }
    RunProcess("/usr/bin/crontab", {"-u", m_name, "-r"});
    RunProcess("/usr/sbin/userdel", {m_name});
}

void TestUser::Own(const std::string& path) const {
    RunProcess("/bin/chown", {"-R", std::to_string(m_uid) + ":" + std::to_string(m_gid), path});
}

} // namespace testsupport
