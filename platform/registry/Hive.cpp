#include "platform/registry/Hive.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/Paths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <unordered_map>

namespace platform::registry {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string parentPath(const std::string& path) {
    std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Collapses doubled and trailing backslashes so "a\\b\" and "a\b" name one key.
std::string cleanKeyPath(const std::string& path) {
    std::string result;
    for (char c : path) {
        if (c == '\\' && (result.empty() || result.back() == '\\')) {
            continue;
        }
        result += c;
    }
    while (!result.empty() && result.back() == '\\') {
        result.pop_back();
    }
    return result;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ---- UTF-8 / UTF-16LE for hex(1) strings ----

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16leToUtf8(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    std::size_t count = bytes.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);
        if (unit == 0) {
            break; // the stored terminator
        }
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
            std::uint32_t low = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

std::vector<std::uint8_t> utf8ToUtf16le(const std::string& text) {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint32_t unit) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = byte;
        std::size_t length = 1;
        if (byte >= 0xF0 && i + 3 < text.size()) {
            cp = ((byte & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
                 (text[i + 3] & 0x3F);
            length = 4;
        } else if (byte >= 0xE0 && i + 2 < text.size()) {
            cp = ((byte & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            length = 3;
        } else if (byte >= 0xC0 && i + 1 < text.size()) {
            cp = ((byte & 0x1F) << 6) | (text[i + 1] & 0x3F);
            length = 2;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += length;
    }
    put(0);
    return out;
}

// ---- parsing ----

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool readQuoted(const std::string& text, std::size_t& pos, std::string* out) {
    if (pos >= text.size() || text[pos] != '"') {
        return false;
    }
    ++pos;
    std::string result;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '\\' && pos < text.size()) {
            result += text[pos++];
        } else if (c == '"') {
            *out = std::move(result);
            return true;
        } else {
            result += c;
        }
    }
    return false; // no closing quote: a truncated line
}

bool parseHexBytes(const std::string& text, std::vector<std::uint8_t>* out) {
    std::vector<std::uint8_t> bytes;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        if (pos >= text.size()) break;
        int high = hexDigit(text[pos]);
        int low = pos + 1 < text.size() ? hexDigit(text[pos + 1]) : -1;
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        pos += 2;
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        if (pos < text.size()) {
            if (text[pos] != ',') return false;
            ++pos;
        }
    }
    *out = std::move(bytes);
    return true;
}

bool parseValueData(const std::string& text, Value* value) {
    if (!text.empty() && text.front() == '"') {
        std::size_t pos = 0;
        std::string s;
        if (!readQuoted(text, pos, &s) || text.find_first_not_of(" \t", pos) != std::string::npos) {
            return false;
        }
        value->type = REG_SZ;
        value->data.assign(s.begin(), s.end());
        return true;
    }
    if (text.rfind("dword:", 0) == 0) {
        std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        value->type = REG_DWORD;
        value->data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        return true;
    }
    if (text.rfind("hex:", 0) == 0) {
        value->type = REG_BINARY;
        return parseHexBytes(text.substr(4), &value->data);
    }
    if (text.rfind("hex(", 0) == 0) {
        std::size_t close = text.find("):");
        if (close == std::string::npos || close == 4) return false;
        std::uint32_t type = 0;
        for (std::size_t i = 4; i < close; ++i) {
            int d = hexDigit(text[i]);
            if (d < 0) return false;
            type = type * 16 + static_cast<std::uint32_t>(d);
        }
        std::vector<std::uint8_t> bytes;
        if (!parseHexBytes(text.substr(close + 2), &bytes)) return false;
        if (type == REG_SZ) {
            std::string s = utf16leToUtf8(bytes);
            value->data.assign(s.begin(), s.end());
        } else {
            value->data = std::move(bytes);
        }
        value->type = type;
        return true;
    }
    return false;
}

// ---- serializing ----

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string hexList(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buffer[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", bytes[i]);
        if (i != 0) out += ',';
        out += buffer;
    }
    return out;
}

bool needsHexString(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string serializeValue(const Value& value) {
    std::string line = value.name.empty() ? std::string("@") : quote(value.name);
    line += '=';
    if (value.type == REG_SZ) {
        std::string text(value.data.begin(), value.data.end());
        // Line breaks and other control characters cannot stand inside a quoted value.
        line += needsHexString(text) ? "hex(1):" + hexList(utf8ToUtf16le(text)) : quote(text);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        char buffer[16];
        std::uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                          (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
        line += buffer;
    } else if (value.type == REG_BINARY) {
        line += "hex:" + hexList(value.data);
    } else {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
        line += buffer + hexList(value.data);
    }
    return line;
}

} // namespace

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

Value* Key::FindValue(const std::string& name) {
    for (Value& value : values) {
        if (EqualsIgnoreCase(value.name, name)) return &value;
    }
    return nullptr;
}

const Value* Key::FindValue(const std::string& name) const {
    return const_cast<Key*>(this)->FindValue(name);
}

Key* HiveData::FindKey(const std::string& path) {
    std::string clean = cleanKeyPath(path);
    for (Key& key : m_keys) {
        if (EqualsIgnoreCase(key.path, clean)) return &key;
    }
    return nullptr;
}

const Key* HiveData::FindKey(const std::string& path) const {
    return const_cast<HiveData*>(this)->FindKey(path);
}

Key& HiveData::CreateKey(const std::string& path, bool* created) {
    std::string clean = cleanKeyPath(path);
    if (Key* existing = FindKey(clean)) {
        if (created) *created = false;
        return *existing;
    }
    std::string parent = parentPath(clean);
    if (!parent.empty()) {
        CreateKey(parent);
    }
    m_keys.push_back(Key{clean, {}});
    if (created) *created = true;
    return m_keys.back();
}

bool HiveData::DeleteKeyTree(const std::string& path) {
    std::string clean = cleanKeyPath(path);
    std::string prefix = clean + "\\";
    auto below = [&](const Key& key) {
        return EqualsIgnoreCase(key.path, clean) ||
               (key.path.size() > prefix.size() &&
                EqualsIgnoreCase(key.path.substr(0, prefix.size()), prefix));
    };
    auto end = std::remove_if(m_keys.begin(), m_keys.end(), below);
    bool removed = end != m_keys.end();
    m_keys.erase(end, m_keys.end());
    return removed;
}

const char* RootName(Root root) {
    return root == Root::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

HiveData HiveData::Parse(const std::string& text, Root root) {
    HiveData hive;
    const std::string rootName = RootName(root);
    Key* current = nullptr;
    bool inForeignSection = false;

    // Join continuation lines (a trailing backslash after hex data) first.
    std::vector<std::string> lines;
    std::string pending;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!pending.empty()) {
            std::size_t start = line.find_first_not_of(" \t");
            line = pending + (start == std::string::npos ? std::string() : line.substr(start));
            pending.clear();
        }
        if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
            line.pop_back();
            pending = line;
            continue;
        }
        lines.push_back(line);
    }
    if (!pending.empty()) lines.push_back(pending);

    // Value names already seen in the current section, lower-cased: a hive may hold thousands of
    // values, and a linear search per value would make reading quadratic.
    std::unordered_map<std::string, std::size_t> seen;
    auto lowered = [](std::string name) {
        for (char& c : name) c = lowerAscii(c);
        return name;
    };

    for (const std::string& raw : lines) {
        std::size_t start = raw.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        std::string entry = raw.substr(start);
        if (entry.front() == '[') {
            std::size_t close = entry.rfind(']');
            current = nullptr;
            inForeignSection = true;
            if (close == std::string::npos) continue;
            std::string full = entry.substr(1, close - 1);
            std::string head = full.substr(0, full.find('\\'));
            if (!EqualsIgnoreCase(head, rootName)) continue;
            std::string path = full.size() > head.size() ? full.substr(head.size() + 1) : std::string();
            path = cleanKeyPath(path);
            if (path.empty()) continue; // values directly in the root are not used
            current = &hive.CreateKey(path);
            inForeignSection = false;
            seen.clear();
            for (std::size_t i = 0; i < current->values.size(); ++i) {
                seen[lowered(current->values[i].name)] = i;
            }
            continue;
        }
        if (current == nullptr || inForeignSection) continue;
        Value value;
        std::size_t pos = 0;
        if (entry.front() == '@') {
            pos = 1;
        } else if (!readQuoted(entry, pos, &value.name)) {
            continue;
        }
        if (pos >= entry.size() || entry[pos] != '=') continue;
        if (!parseValueData(entry.substr(pos + 1), &value)) continue;
        auto [position, inserted] = seen.emplace(lowered(value.name), current->values.size());
        if (inserted) {
            current->values.push_back(std::move(value));
        } else {
            current->values[position->second] = std::move(value);
        }
    }
    return hive;
}

std::string HiveData::Serialize(Root root) const {
    std::string out = kHeader;
    out += "\n";
    for (const Key& key : m_keys) {
        out += "\n[";
        out += RootName(root);
        out += "\\" + key.path + "]\n";
        for (const Value& value : key.values) {
            out += serializeValue(value) + "\n";
        }
    }
    return out;
}

std::string HiveFilePath(Root root) {
    if (root == Root::LocalMachine) {
        return platform::system::TallyvolHome() + "/machine.reg";
    }
    return platform::system::UserConfigDirectory() + "/user.reg";
}

HiveData ReadHive(Root root) {
    std::string text;
    if (!platform::system::ReadWholeFile(HiveFilePath(root), &text)) {
        return {};
    }
    return HiveData::Parse(text, root);
}

bool ModifyHive(Root root, const std::function<bool(HiveData&)>& change) {
    std::string path = HiveFilePath(root);
    std::string directory = path.substr(0, path.rfind('/'));
    if (!platform::system::CreateDirectories(directory)) {
        return false;
    }
    platform::system::FileLock lock(path + ".lock");
    if (!lock.Held()) {
        return false;
    }
    std::string text;
    HiveData hive;
    if (platform::system::ReadWholeFile(path, &text)) {
        hive = HiveData::Parse(text, root);
    }
    if (!change(hive)) {
        return true;
    }
    std::string updated = hive.Serialize(root);
    if (updated == text) {
        return true; // nothing changed: spare the disk a rewrite
    }
    // The machine hive holds the store's connection string, password included.
    return platform::system::ReplaceFileContents(path, updated, platform::system::FileAccess::kOwnerOnly);
}

} // namespace platform::registry
