#include "scan/fs/NameBytes.h"

#include <cstdint>

namespace scan {

namespace {

constexpr std::uint32_t kEscapeBase = 0xEF00; // a byte b stands as U+EF00 + b (b >= 0x80)

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 character at `at`, 0 when the bytes there are not one
// (overlong forms, surrogates, code points above U+10FFFF, cut-off sequences).
std::size_t validCharacter(std::string_view text, std::size_t at, std::uint32_t& codePoint) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    unsigned char lead = byte(0);
    std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!continuation(byte(i))) {
            return 0;
        }
    }
    if (length == 2) {
        codePoint = (lead & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
        return 2;
    }
    if (length == 3) {
        codePoint = (lead & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        bool overlong = codePoint < 0x800;
        bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        return overlong || surrogate ? 0 : 3;
    }
    codePoint =
        (lead & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 | (byte(3) & 0x3Fu);
    return codePoint < 0x10000 || codePoint > 0x10FFFF ? 0 : 4;
}

bool escapeCharacter(std::uint32_t codePoint) {
    return codePoint >= kEscapeBase + 0x80 && codePoint <= kEscapeBase + 0xFF;
}

void appendEscape(std::string& out, unsigned char byte) {
    std::uint32_t codePoint = kEscapeBase + byte;
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

} // namespace

std::string EncodeNonUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) {
        ++i;
    }
    std::string out(bytes.substr(0, i));
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::uint32_t codePoint = 0;
        std::size_t length = validCharacter(bytes, i, codePoint);
        if (length != 0 && !escapeCharacter(codePoint)) {
            out.append(bytes.substr(i, length));
            i += length;
        } else if (length != 0) {
            for (std::size_t k = 0; k < length; ++k) {
                appendEscape(out, static_cast<unsigned char>(bytes[i + k]));
            }
            i += length;
        } else {
            appendEscape(out, c);
            ++i;
        }
    }
    return out;
}

std::string DecodeNonUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 0 : validCharacter(text, i, codePoint);
        if (length == 3 && escapeCharacter(codePoint)) {
            out += static_cast<char>(codePoint - kEscapeBase);
            i += 3;
        } else if (length != 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

} // namespace scan
