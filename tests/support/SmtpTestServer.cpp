#include "tests/support/SmtpTestServer.h"

#include "tests/support/ProcessRunner.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace {

std::string ScriptCommand(const std::string& command, const std::string& directory) {
    ProcessResult result =
        RunProcess(TALLYVOL_SYSTEM_PYTHON, {TALLYVOL_SMTP_SERVER_SCRIPT, command, directory}, {}, 60);
    if (result.exitCode != 0) {
        throw std::runtime_error("smtp_server.py " + command + " failed: " + result.err);
    }
    return result.out;
}

ReceivedMail ReadMail(const std::filesystem::path& eml, const std::string& data) {
    ReceivedMail mail;
    mail.data = data;
    std::filesystem::path env = eml;
    env.replace_extension(".env");
    std::istringstream lines(ReadFile(env.string()));
    std::string line;
    auto address = [](const std::string& text, std::size_t from) {
        std::string value = text.substr(from);
        if (!value.empty() && value.back() == '>') {
            value.pop_back();
        }
        return value;
    };
    while (std::getline(lines, line)) {
        if (line.rfind("MAIL FROM:<", 0) == 0) {
            mail.mailFrom = address(line, 11);
        } else if (line.rfind("RCPT TO:<", 0) == 0) {
            mail.recipients.push_back(address(line, 9));
        }
    }
    return mail;
}

} // namespace

SmtpTestServer::SmtpTestServer() {
    const char* fixture = std::getenv("TALLYVOL_SMTP_SERVER_DIR");
    if (fixture != nullptr && FileExists(std::string(fixture) + "/port")) {
        m_directory = fixture;
    } else {
        m_own = std::make_unique<TempDirectory>("tallyvol-smtp");
        m_directory = m_own->Path();
        ScriptCommand("start", m_directory);
    }
    m_port = static_cast<unsigned short>(std::stoi(ReadFile(m_directory + "/port")));
}

SmtpTestServer::~SmtpTestServer() {
    if (m_own) {
        try {
            ScriptCommand("stop", m_directory);
        } catch (...) {
        }
    }
}

std::optional<ReceivedMail> SmtpTestServer::WaitForMessage(const std::string& marker,
                                                           int timeoutMilliseconds) const {
    namespace fs = std::filesystem;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    const fs::path messages = fs::path(m_directory) / "messages";
    for (;;) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(messages, error)) {
            if (entry.path().extension() != ".eml") {
                continue;
            }
            std::string data = ReadFile(entry.path().string());
            if (data.find(marker) != std::string::npos) {
                return ReadMail(entry.path(), data);
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace testsupport
