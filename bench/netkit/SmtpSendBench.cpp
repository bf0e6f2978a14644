// Time to send one message with a 1 MiB body through the SMTP component to a local aiosmtpd:
// connect, send and disconnect, as the program's e-mail alert does. Starts the test server
// (tests/support/smtp_server.py) in a temporary directory and checks that every message
// arrived whole.
#include "netkit/Smtp.h"
#include "netkit/Wirekit.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int RunScript(const std::string& command, const std::string& directory) {
    std::string line = std::string(BENCH_PYTHON) + " " + BENCH_SMTP_SERVER_SCRIPT + " " + command +
                       " '" + directory + "' > /dev/null";
    return std::system(line.c_str());
}

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    char pattern[] = "/tmp/bench-netkit-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string directory = pattern;
    if (RunScript("start", directory) != 0) {
        std::fprintf(stderr, "the SMTP server did not start (python3-aiosmtpd installed?)\n");
        return 1;
    }
    const int port = std::stoi(ReadWhole(directory + "/port"));

    std::string body;
    for (int line = 0; body.size() < (1u << 20); ++line) {
        char text[96];
        std::snprintf(text, sizeof text, "%06d The quick brown fox jumps over the lazy dog. 0123456789 abcdef\r\n",
                      line);
        body += text;
    }
    body.resize(1u << 20);

    std::vector<double> totals;
    int failures = 0;
    for (int round = 1; round <= rounds; ++round) {
        auto* smtp = static_cast<ISMTPComponent*>(Wirekit_CreateObject(WIREKIT_CLASS_SMTP, nullptr));
        smtp->SetTo("bench@example.org");
        smtp->SetFrom("tallyvol@example.org");
        smtp->SetSubject(("Benchmark round " + std::to_string(round)).c_str());
        smtp->SetBody(body.c_str());
        smtp->SetRemoteHost("127.0.0.1");
        smtp->SetRemotePort(static_cast<unsigned short>(port));
        auto started = Clock::now();
        int connect = smtp->SetAction(SMTP_ACTION_CONNECT);
        auto connected = Clock::now();
        int send = connect == 0 ? smtp->SetAction(SMTP_ACTION_SEND) : -1;
        auto sent = Clock::now();
        int disconnect = smtp->SetAction(SMTP_ACTION_DISCONNECT);
        auto finished = Clock::now();
        if (connect != 0 || send != 0 || disconnect != 0) {
            const char* error = smtp->GetLastError();
            std::fprintf(stderr, "round %d failed: %d %d %d %s\n", round, connect, send, disconnect,
                         error != nullptr ? error : "");
            ++failures;
        }
        Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, smtp);

        char name[32];
        std::snprintf(name, sizeof name, "/messages/%06d.eml", round);
        std::string received = ReadWhole(directory + name);
        std::size_t bodyAt = received.find("\r\n\r\n");
        bool whole = bodyAt != std::string::npos && received.substr(bodyAt + 4) == body + "\r\n";
        if (!whole) {
            std::fprintf(stderr, "round %d: the message did not arrive whole\n", round);
            ++failures;
        }
        totals.push_back(Milliseconds(finished - started));
        std::printf("round %d: connect %.1f ms, send %.1f ms, disconnect %.1f ms, total %.1f ms\n",
                    round, Milliseconds(connected - started), Milliseconds(sent - connected),
                    Milliseconds(finished - sent), totals.back());
    }
    RunScript("stop", directory);
    std::string remove = "rm -rf '" + directory + "'";
    if (std::system(remove.c_str()) != 0) {
        std::fprintf(stderr, "could not remove %s\n", directory.c_str());
    }
    std::sort(totals.begin(), totals.end());
    std::printf("1 MiB body, %d rounds: best %.1f ms, median %.1f ms, worst %.1f ms\n", rounds,
                totals.front(), totals[totals.size() / 2], totals.back());
    return failures == 0 ? 0 : 1;
}
