#include "scan/fs/ScanRules.h"

#include <cstring>

namespace scan {

namespace {

constexpr std::size_t kMaxKeyCharacters = 20;

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

} // namespace

std::size_t ExtensionKeyInto(std::string_view fileName, char* buffer) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        std::memcpy(buffer, "<NONE>", 6);
        return 6;
    }
    std::string_view key = fileName.substr(dot);
    while (!key.empty() && key.back() == ' ') {
        key.remove_suffix(1);
    }
    // Copy at most 20 characters; a 21st means the key is cut to 19 plus "*".
    std::size_t length = 0;
    std::size_t characters = 0;
    std::size_t cutAt = 0;
    for (char c : key) {
        if (startsCharacter(c)) {
            if (characters == kMaxKeyCharacters) {
                std::memcpy(buffer + cutAt, "*", 1);
                return cutAt + 1;
            }
            ++characters;
            if (characters == kMaxKeyCharacters) {
                cutAt = length;
            }
        }
        if (length == kMaxExtensionKeyBytes) {
            break; // defensive: a run of continuation bytes without a leading byte
        }
        buffer[length++] = upperAscii(c);
    }
    return length;
}

std::string ExtensionKey(std::string_view fileName) {
    char buffer[kMaxExtensionKeyBytes];
    return std::string(buffer, ExtensionKeyInto(fileName, buffer));
}

std::string LowerCaseAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = lowerAscii(c);
    }
    return lower;
}

ExclusionFilters ExclusionFilters::FromText(std::string_view text) {
    ExclusionFilters filters;
    std::string lower = LowerCaseAscii(text);
    std::size_t start = 0;
    while (start <= lower.size()) {
        std::size_t end = lower.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = lower.size();
        }
        if (end > start) {
            filters.m_fragments.push_back(lower.substr(start, end - start));
        }
        start = end + 1;
    }
    return filters;
}

bool ExclusionFilters::Excludes(std::string_view path) const {
    if (m_fragments.empty()) {
        return false;
    }
    std::string lower = LowerCaseAscii(path);
    lower += '/';
    for (const std::string& fragment : m_fragments) {
        if (lower.find(fragment) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace scan
