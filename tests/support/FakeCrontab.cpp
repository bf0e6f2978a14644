#include "tests/support/FakeCrontab.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace testsupport {

namespace {

constexpr const char* kScript = R"SH(#!/bin/sh
table="$FAKE_CRONTAB_DIR/table"
if [ "$1" = "-u" ]; then table="$table.$2"; shift 2; fi
if [ -f "$FAKE_CRONTAB_DIR/fail" ]; then cat "$FAKE_CRONTAB_DIR/fail" >&2; exit 1; fi
case "$1" in
-l)
    [ -f "$FAKE_CRONTAB_DIR/delay" ] && sleep "$(cat "$FAKE_CRONTAB_DIR/delay")"
    if [ -f "$table" ]; then cat "$table"; else echo "no crontab for someone" >&2; exit 1; fi ;;
-)
    if [ -f "$table.refuse" ]; then cat "$table.refuse" >&2; exit 1; fi
    cat > "$table.new.$$" && mv "$table.new.$$" "$table" && echo x >> "$FAKE_CRONTAB_DIR/installs" ;;
*)
    echo "crontab: usage error" >&2; exit 1 ;;
esac
)SH";

} // namespace

FakeCrontab::FakeCrontab() : m_directory("tallyvol-fake-crontab") {
    WriteFile(m_directory / "bin/crontab", kScript);
    ::chmod((m_directory / "bin/crontab").c_str(), 0755);
    const char* path = std::getenv("PATH");
    set("PATH", m_directory / "bin" + (path != nullptr ? ":" + std::string(path) : std::string()));
    set("FAKE_CRONTAB_DIR", m_directory.Path());
}

FakeCrontab::~FakeCrontab() {
    for (const auto& [name, value] : m_saved) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void FakeCrontab::set(const std::string& name, const std::string& value) {
    if (m_saved.find(name) == m_saved.end()) {
        const char* current = std::getenv(name.c_str());
        m_saved[name] = current != nullptr ? std::optional<std::string>(current) : std::nullopt;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
}

std::optional<std::string> FakeCrontab::Table(const std::string& user) const {
    std::string path = m_directory / (user.empty() ? "table" : "table." + user);
    if (!FileExists(path)) {
        return std::nullopt;
    }
    return ReadFile(path);
}

void FakeCrontab::SetTable(const std::string& text, const std::string& user) {
    WriteFile(m_directory / (user.empty() ? "table" : "table." + user), text);
}

void FakeCrontab::FailWith(const std::string& message) {
    WriteFile(m_directory / "fail", message + "\n");
}

void FakeCrontab::RefuseInstallsOf(const std::string& message, const std::string& user) {
    WriteFile(m_directory / (user.empty() ? "table.refuse" : "table." + user + ".refuse"), message + "\n");
}

void FakeCrontab::StopFailing() {
    ::unlink((m_directory / "fail").c_str());
}

void FakeCrontab::SetReadDelay(const std::string& seconds) {
    WriteFile(m_directory / "delay", seconds);
}

int FakeCrontab::Installs() const {
    if (!FileExists(m_directory / "installs")) {
        return 0;
    }
    std::string text = ReadFile(m_directory / "installs");
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace testsupport
