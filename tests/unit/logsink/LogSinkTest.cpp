// The logsink library as the program loads it: the record it sends to a syslog socket, and
// failure when nothing listens.
#include "logsink/LogSink.h"
#include "tests/support/DatagramReceiver.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <regex>

using namespace testsupport;

namespace {

using LogErrorFunction = bool (*)(const char*);

// The library file of this build, loaded as the program loads it.
class LoadedLogSink {
public:
    LoadedLogSink() {
        std::string path = std::string(TALLYVOL_BINARY_DIR) + "/lib/" + LOGSINK_LIBRARY_FILE;
        m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle != nullptr) {
            m_logError = reinterpret_cast<LogErrorFunction>(::dlsym(m_handle, LOGSINK_LOG_ERROR_SYMBOL));
        }
    }
    ~LoadedLogSink() {
        if (m_handle != nullptr) ::dlclose(m_handle);
    }
    LogErrorFunction logError() const { return m_logError; }

private:
    void* m_handle = nullptr;
    LogErrorFunction m_logError = nullptr;
};

std::string expectedPrefix() {
    return "Tallyvol[" + std::to_string(::getpid()) + "]: ";
}

} // namespace

TEST(LogSink, SendsOneRfc3164ErrorRecordToTheSocket) {
    IsolatedEnvironment env;
    TempDirectory dir;
    DatagramReceiver syslog(dir / "log");
    env.Set("LOGSINK_SOCKET", syslog.Path());
    LoadedLogSink library;
    ASSERT_NE(library.logError(), nullptr) << "LogError is exported by its plain name";

    const std::string text = "Free disk space on /srv has dropped below 1,000 K\r\n  ünïcode [bracket]";
    ASSERT_TRUE(library.logError()(text.c_str()));
    std::optional<std::string> record = syslog.Receive();
    ASSERT_TRUE(record);
    // <PRI> is facility user (1) x 8 + severity error (3); the timestamp is "Mmm dd hh:mm:ss"
    // with a blank-padded day, in English whatever the locale.
    std::smatch match;
    ASSERT_TRUE(std::regex_match(*record, match,
                                 std::regex("<11>(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] "
                                            "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] ([\\s\\S]*)")))
        << *record;
    EXPECT_EQ(match[2].str(), expectedPrefix() + text);
    EXPECT_FALSE(syslog.Receive(0.2)) << "exactly one record";
}

TEST(LogSink, FailsWhenNothingListens) {
    IsolatedEnvironment env;
    TempDirectory dir;
    LoadedLogSink library;
    ASSERT_NE(library.logError(), nullptr);
    env.Set("LOGSINK_SOCKET", dir / "nobody-here");
    EXPECT_FALSE(library.logError()("lost"));
    {
        DatagramReceiver gone(dir / "gone");
    } // bound once, now closed and removed
    env.Set("LOGSINK_SOCKET", dir / "gone");
    EXPECT_FALSE(library.logError()("lost"));
    env.Set("LOGSINK_SOCKET", dir / std::string(200, 'x'));
    EXPECT_FALSE(library.logError()("lost")) << "a path too long for a socket address";
    WriteFile(dir / "plain-file", "");
    env.Set("LOGSINK_SOCKET", dir / "plain-file");
    EXPECT_FALSE(library.logError()("lost"));
}

TEST(LogSink, StreamSocketsAndOverlongRecordsAreHandled) {
    IsolatedEnvironment env;
    TempDirectory dir;
    LoadedLogSink library;
    ASSERT_NE(library.logError(), nullptr);

    // A daemon listening on a stream socket gets the record ended by a NUL.
    DatagramReceiver stream(dir / "stream", true);
    env.Set("LOGSINK_SOCKET", stream.Path());
    ASSERT_TRUE(library.logError()("over a stream"));
    std::optional<std::string> record = stream.Receive();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->back(), '\0');
    EXPECT_NE(record->find(expectedPrefix() + "over a stream"), std::string::npos);

    // A record larger than a datagram may be is cut to the 1024 bytes the protocol allows,
    // never in the middle of a character.
    DatagramReceiver datagram(dir / "dgram");
    env.Set("LOGSINK_SOCKET", datagram.Path());
    std::string huge;
    while (huge.size() < 4 * 1024 * 1024) huge += "é-";
    ASSERT_TRUE(library.logError()(huge.c_str()));
    record = datagram.Receive();
    ASSERT_TRUE(record);
    EXPECT_LE(record->size(), 1024u);
    EXPECT_GE(record->size(), 1020u);
    EXPECT_NE(record->find(expectedPrefix() + "é-é-"), std::string::npos);
    EXPECT_TRUE(record->back() == '-' || record->substr(record->size() - 2) == "é") << "ends on a whole character";
}
