#include "platform/ini/PrivateProfile.h"

#include "platform/registry/Hive.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/Paths.h"

#include <climits>
#include <unordered_set>

namespace platform::ini {

namespace {

using platform::registry::EqualsIgnoreCase;

constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

std::string trim(const std::string& text) {
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && isBlank(text[start])) ++start;
    while (end > start && isBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// A NUL cannot be part of a name or value a caller's buffer receives.
std::string untilNul(std::string text) {
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

bool enclosedInQuotes(const std::string& text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
}

// What a reader gets from the raw text after "=": blanks trimmed, one pair of quotes removed.
std::string readValue(const std::string& raw) {
    std::string value = trim(raw);
    if (enclosedInQuotes(value)) {
        value = value.substr(1, value.size() - 2);
    }
    return untilNul(value);
}

// The raw text to write so that readValue gives `value` back.
std::string writtenValue(std::string value) {
    for (char& c : value) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) || enclosedInQuotes(value));
    return needsQuotes ? "\"" + value + "\"" : value;
}

std::string lowered(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

} // namespace

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

std::string TruncateCharacters(const std::string& text, std::size_t maxChars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == maxChars) return text.substr(0, i);
            ++count;
        }
    }
    return text;
}

// ---- IniDocument ----

IniDocument::Line IniDocument::parseLine(const std::string& text) {
    Line line;
    line.text = text;
    std::string entry = trim(text);
    if (entry.empty() || entry.front() == ';') {
        return line;
    }
    if (entry.front() == '[') {
        // A header missing its "]" still starts a section, so its keys never join the one before.
        std::size_t close = entry.find(']');
        line.kind = Kind::kSection;
        line.name = untilNul(trim(entry.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
        return line;
    }
    std::size_t equals = entry.find('=');
    if (equals == std::string::npos) {
        return line;
    }
    line.kind = Kind::kEntry;
    line.name = untilNul(trim(entry.substr(0, equals)));
    line.value = trim(entry.substr(equals + 1));
    return line;
}

IniDocument IniDocument::Parse(const std::string& text) {
    IniDocument document;
    std::size_t pos = 0;
    if (text.compare(0, 3, kByteOrderMark) == 0) {
        document.m_byteOrderMark = true;
        pos = 3;
    }
    bool firstLine = true;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (firstLine) document.m_crlf = true;
        }
        firstLine = false;
        document.m_lines.push_back(parseLine(line));
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::string out = m_byteOrderMark ? kByteOrderMark : "";
    const char* lineEnd = m_crlf ? "\r\n" : "\n";
    for (const Line& line : m_lines) {
        out += line.text;
        out += lineEnd;
    }
    return out;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < m_lines.size() && m_lines[end].kind != Kind::kSection) ++end;
    return end;
}

std::optional<std::string> IniDocument::Value(const std::string& section, const std::string& key) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Kind::kSection || !EqualsIgnoreCase(m_lines[i].name, section)) continue;
        std::size_t end = sectionEnd(i);
        for (std::size_t j = i + 1; j < end; ++j) {
            if (m_lines[j].kind == Kind::kEntry && EqualsIgnoreCase(m_lines[j].name, key)) {
                return readValue(m_lines[j].value);
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::kSection && seen.insert(lowered(line.name)).second) {
            names.push_back(line.name);
        }
    }
    return names;
}

bool IniDocument::HasSection(const std::string& section) const {
    for (const Line& line : m_lines) {
        if (line.kind == Kind::kSection && EqualsIgnoreCase(line.name, section)) return true;
    }
    return false;
}

void IniDocument::SetValue(const std::string& section, const std::string& key, const std::string& value) {
    std::string raw = writtenValue(value);
    std::size_t firstHeader = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Kind::kSection || !EqualsIgnoreCase(m_lines[i].name, section)) continue;
        if (firstHeader == m_lines.size()) firstHeader = i;
        std::size_t end = sectionEnd(i);
        for (std::size_t j = i + 1; j < end; ++j) {
            Line& line = m_lines[j];
            if (line.kind == Kind::kEntry && EqualsIgnoreCase(line.name, key)) {
                line.text = line.name + "=" + raw;
                line.value = raw;
                return;
            }
        }
    }
    Line entry;
    entry.kind = Kind::kEntry;
    entry.name = key;
    entry.value = raw;
    entry.text = key + "=" + raw;
    if (firstHeader == m_lines.size()) {
        if (!m_lines.empty() && !trim(m_lines.back().text).empty()) {
            m_lines.push_back(Line{});
        }
        m_lines.push_back(parseLine("[" + section + "]"));
        m_lines.push_back(std::move(entry));
        return;
    }
    // After the section's last non-blank line, so the blank line before the next header stays.
    std::size_t insertAt = sectionEnd(firstHeader);
    while (insertAt > firstHeader + 1 && trim(m_lines[insertAt - 1].text).empty()) --insertAt;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

bool IniDocument::DeleteKey(const std::string& section, const std::string& key) {
    bool removed = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Kind::kSection || !EqualsIgnoreCase(m_lines[i].name, section)) continue;
        std::size_t end = sectionEnd(i);
        for (std::size_t j = end; j-- > i + 1;) {
            if (m_lines[j].kind == Kind::kEntry && EqualsIgnoreCase(m_lines[j].name, key)) {
                m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(j));
                removed = true;
            }
        }
    }
    return removed;
}

bool IniDocument::DeleteSection(const std::string& section) {
    bool removed = false;
    std::size_t i = 0;
    while (i < m_lines.size()) {
        if (m_lines[i].kind == Kind::kSection && EqualsIgnoreCase(m_lines[i].name, section)) {
            std::size_t end = sectionEnd(i);
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i),
                          m_lines.begin() + static_cast<std::ptrdiff_t>(end));
            removed = true;
        } else {
            ++i;
        }
    }
    return removed;
}

// ---- file access ----

IniDocument ReadPrivateProfile(const std::string& file) {
    std::string text;
    if (file.empty() || !platform::system::ReadWholeFile(file, &text)) {
        return {};
    }
    return IniDocument::Parse(text);
}

bool ModifyPrivateProfile(const std::string& file, const std::function<bool(IniDocument&)>& change) {
    if (file.empty()) {
        return false;
    }
    std::size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !platform::system::CreateDirectories(file.substr(0, slash))) {
        return false;
    }
    platform::system::FileLock lock(file + ".lock");
    if (!lock.Held()) {
        return false;
    }
    std::string text;
    IniDocument document;
    if (platform::system::ReadWholeFile(file, &text)) {
        document = IniDocument::Parse(text);
    }
    if (!change(document)) {
        return true;
    }
    std::string updated = document.Serialize();
    if (updated == text) {
        return true;
    }
    return platform::system::ReplaceFileContents(file, updated);
}

// ---- the Windows-shaped calls ----

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::size_t bufferChars,
                                    const std::string& file) {
    if (bufferChars == 0) {
        return {};
    }
    std::optional<std::string> value = ReadPrivateProfile(file).Value(section, key);
    return TruncateCharacters(value ? *value : defaultValue, bufferChars - 1);
}

int IntValueOf(const std::optional<std::string>& value, int defaultValue) {
    if (!value) {
        return defaultValue;
    }
    const std::string& text = *value;
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') {
        return defaultValue;
    }
    long long result = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        result = result * 10 + (text[pos] - '0');
        if (result > static_cast<long long>(INT_MAX) + 1) {
            result = static_cast<long long>(INT_MAX) + 1; // saturate, and stop the growth
        }
    }
    if (negative) {
        return static_cast<int>(-result);
    }
    return result > INT_MAX ? INT_MAX : static_cast<int>(result);
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file) {
    return IntValueOf(ReadPrivateProfile(file).Value(section, key), defaultValue);
}

std::vector<std::string> GetPrivateProfileSectionNames(std::size_t bufferChars, const std::string& file) {
    return GetPrivateProfileSectionNames(bufferChars, ReadPrivateProfile(file));
}

std::vector<std::string> GetPrivateProfileSectionNames(std::size_t bufferChars, const IniDocument& document) {
    std::vector<std::string> names;
    if (bufferChars < 2) {
        return names;
    }
    std::size_t used = 1; // the final terminator
    for (const std::string& name : document.SectionNames()) {
        std::size_t needed = CharacterCount(name) + 1;
        if (used + needed > bufferChars) {
            break;
        }
        used += needed;
        names.push_back(name);
    }
    return names;
}

bool WritePrivateProfileString(const std::string& section, const std::optional<std::string>& key,
                               const std::optional<std::string>& value, const std::string& file) {
    return ModifyPrivateProfile(file, [&](IniDocument& document) {
        if (!key) {
            return document.DeleteSection(section);
        }
        if (!value) {
            return document.DeleteKey(section, *key);
        }
        document.SetValue(section, *key, *value);
        return true;
    });
}

} // namespace platform::ini
