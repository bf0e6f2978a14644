#include "tests/support/HttpTestServer.h"

#include "tests/support/ProcessRunner.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

void runScript(const std::string& command, const std::string& directory, std::string* out = nullptr) {
    ProcessResult result = RunProcess(TALLYVOL_SYSTEM_PYTHON, {TALLYVOL_HTTP_SERVER_SCRIPT, command, directory}, {}, 60);
    if (result.exitCode != 0) {
        throw std::runtime_error("http_server.py " + command + " failed: " + result.err);
    }
    if (out != nullptr) {
        *out = result.out;
    }
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string ReceivedRequest::Header(const std::string& name) const {
    const std::string wanted = lower(name) + ":";
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line); // the request line
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (lower(line).rfind(wanted, 0) == 0) {
            std::string value = line.substr(wanted.size());
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
    }
    return {};
}

HttpTestServer::HttpTestServer() {
    runScript("start", m_directory.Path());
    m_port = static_cast<unsigned short>(std::stoi(ReadFile(m_directory / "port")));
}

HttpTestServer::~HttpTestServer() {
    try {
        runScript("stop", m_directory.Path());
    } catch (...) {
    }
}

std::string HttpTestServer::Address() const {
    return "http://" + HostAndPort();
}

std::string HttpTestServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

void HttpTestServer::SetPage(const std::string& name, const std::string& content) {
    WriteFile(m_directory / ("pages/" + name), content);
}

void HttpTestServer::SetPostAnswer(const std::string& content, int status) {
    WriteFile(m_directory / "post-answer", content);
    WriteFile(m_directory / "post-status", std::to_string(status));
}

void HttpTestServer::HangPosts() {
    WriteFile(m_directory / "post-hang", "");
}

std::vector<ReceivedRequest> HttpTestServer::Requests() const {
    namespace fs = std::filesystem;
    std::vector<std::string> heads;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_directory / "requests")) {
        if (entry.path().extension() == ".head") {
            heads.push_back(entry.path().string());
        }
    }
    std::sort(heads.begin(), heads.end());
    std::vector<ReceivedRequest> requests;
    for (const std::string& head : heads) {
        std::string body = head.substr(0, head.size() - 5) + ".body";
        requests.push_back({ReadFile(head), ReadFile(body)});
    }
    return requests;
}

} // namespace testsupport
