#include "netkit/SmtpText.h"

#include <algorithm>

namespace netkit {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// CR LF followed by a blank or a tab continues the line; nothing else may break it.
std::string KeepOnlyFolds(std::string_view value) {
    std::string out(value);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r' && i + 2 < out.size() && out[i + 1] == '\n' && IsBlank(out[i + 2])) {
            i += 2;
        } else if (out[i] == '\r' || out[i] == '\n') {
            out[i] = ' ';
        }
    }
    return out;
}

} // namespace

std::string FoldHeader(std::string_view value, unsigned width) {
    if (width == 0) {
        return KeepOnlyFolds(value);
    }
    std::string out;
    out.reserve(value.size() + value.size() / 16);
    unsigned counter = width;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
        if (counter >= 2) {
            out += c;
            --counter;
            continue;
        }
        const bool last = i + 1 == value.size();
        if (IsBlank(c)) {
            if (last) {
                break; // a trailing blank is dropped
            }
            out += "\r\n\t";
            counter = width;
        } else if (c == ',') {
            out += ',';
            if (last) {
                break;
            }
            out += "\r\n\t";
            counter = width;
        } else {
            out += c;
        }
    }
    return out;
}

void DotStuffBlock(std::string_view block, bool& atLineStart, std::string& out) {
    for (char c : block) {
        if (atLineStart && c == '.') {
            out += '.';
        }
        out += c;
        atLineStart = c == '\n';
    }
}

std::string DotStuff(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    bool atLineStart = true;
    DotStuffBlock(text, atLineStart, out);
    return out;
}

std::vector<std::string> ParseRecipients(std::string_view list) {
    std::vector<std::string> addresses;
    constexpr std::size_t kNone = std::string_view::npos;
    std::size_t start = kNone; // first byte of the address
    std::size_t end = kNone;   // one past its last byte that is not blank
    bool quoted = false;
    bool ended = false; // the address is complete; the rest up to the next comma is ignored
    int commentDepth = 0;

    auto emit = [&] {
        if (start != kNone && end > start) {
            addresses.emplace_back(list.substr(start, std::min(end - start, kMaxAddress)));
        }
        start = end = kNone;
        quoted = ended = false;
        commentDepth = 0;
    };
    auto extend = [&](std::size_t i) {
        if (start == kNone) {
            start = i;
        }
        end = i + 1;
    };

    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (commentDepth > 0) {
            if (c == '(') {
                ++commentDepth;
            } else if (c == ')') {
                --commentDepth;
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            if (!ended) {
                extend(i);
            }
            continue;
        }
        if (quoted) {
            if (!ended) {
                extend(i);
            }
            continue;
        }
        if (c == ',') {
            emit();
            continue;
        }
        if (ended) {
            continue;
        }
        if (c == '(') {
            commentDepth = 1;
            if (start != kNone) {
                ended = true; // a comment after the address ends it
            }
        } else if (c == '<') {
            start = end = kNone;
        } else if (c == '>') {
            ended = true;
        } else if (static_cast<unsigned char>(c) < '!') {
            // Blanks and control characters: skipped before the address, kept inside it only
            // when something else follows.
        } else {
            extend(i);
        }
    }
    emit();
    return addresses;
}

std::string SenderCommand(std::string_view word, std::string_view from) {
    if (!from.empty() && from.front() == '<') {
        from.remove_prefix(1);
    }
    if (!from.empty() && from.back() == '>') {
        from.remove_suffix(1);
    }
    std::string command(word);
    command += " FROM:";
    if (!from.empty() && from.front() == '\x07') {
        command += from.substr(1, kMaxAddress);
        return command;
    }
    std::string_view address = from;
    std::size_t open = from.find('<');
    if (open != std::string_view::npos) {
        address = from.substr(open + 1);
        std::size_t close = address.find('>');
        if (close != std::string_view::npos) {
            address = address.substr(0, close);
        }
    }
    command += '<';
    command += address.substr(0, kMaxAddress);
    command += '>';
    return command;
}

void NormaliseExtraHeaders(std::string& headers) {
    while (headers.size() >= 2 && headers.compare(headers.size() - 2, 2, "\r\n") == 0) {
        headers.resize(headers.size() - 2);
    }
    if (!headers.empty() && headers.back() == '\n') {
        headers.pop_back();
    }
    headers += "\r\n";
}

std::string SingleLine(std::string_view command) {
    std::string out;
    out.reserve(command.size());
    for (std::size_t i = 0; i < command.size(); ++i) {
        char c = command[i];
        if (c == '\r' && i + 2 < command.size() && command[i + 1] == '\n' &&
            IsBlank(command[i + 2])) {
            out += ' ';
            i += 2; // an unfolded continuation: one blank in place of CR LF and its tab
            continue;
        }
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

} // namespace netkit
