#include "platform/taskscheduler/CrontabDocument.h"

#include <cctype>
#include <set>

namespace platform::taskscheduler {

namespace {

constexpr const char* kVersion = "v1";

bool needsEscape(unsigned char c) {
    return c == '%' || c <= 0x20 || c == 0x7F;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string withoutLineEnd(const std::string& line) {
    return !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
}

// The trigger of a cron line that runs exactly `command`; nothing for any other line. Lines
// are written with the time fields at the start and one blank before the command; cron also
// reads runs of blanks and tabs, which a hand-edited schedule may have.
std::optional<CronTrigger> parseTriggerLine(const std::string& line, const std::string& command) {
    if (line.empty() || isBlank(line[0]) || line[0] == '#') {
        return std::nullopt;
    }
    std::size_t position = 0;
    int fields = line[0] == '@' ? 1 : 5;
    for (int i = 0; i < fields; ++i) {
        while (position < line.size() && isBlank(line[position])) {
            ++position;
        }
        while (position < line.size() && !isBlank(line[position])) {
            ++position;
        }
    }
    std::string specification = line.substr(0, position);
    if (position >= line.size() || !isBlank(line[position])) {
        return std::nullopt;
    }
    while (position < line.size() && isBlank(line[position])) {
        ++position;
    }
    if (line.compare(position, std::string::npos, command) != 0) {
        return std::nullopt;
    }
    return CronTrigger::Parse(specification);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

bool holdsLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

} // namespace

std::string CrontabDocument::EncodeValue(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : value) {
        auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte)) {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

std::optional<std::string> CrontabDocument::DecodeValue(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte != '%') {
            if (needsEscape(byte)) {
                return std::nullopt;
            }
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        int high = hexValue(text[i + 1]);
        int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

std::optional<TaskBlock> CrontabDocument::ParseMarker(const std::string& line) {
    std::string prefix = kMarkerPrefix;
    if (line.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    std::vector<std::string> tokens;
    std::size_t start = prefix.size();
    for (;;) {
        std::size_t end = line.find(' ', start);
        tokens.push_back(
            line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (tokens.empty() || tokens[0] != kVersion) {
        return std::nullopt;
    }
    TaskBlock block;
    std::set<std::string> seen;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        std::size_t equals = tokens[i].find('=');
        if (equals == std::string::npos) {
            return std::nullopt;
        }
        std::string key = tokens[i].substr(0, equals);
        std::optional<std::string> value = DecodeValue(tokens[i].substr(equals + 1));
        if (!value || (key != "env" && !seen.insert(key).second)) {
            return std::nullopt;
        }
        if (key == "name") {
            block.name = *value;
        } else if (key == "creator") {
            block.creator = *value;
        } else if (key == "comment") {
            block.comment = *value;
        } else if (key == "application") {
            block.application = *value;
        } else if (key == "parameters") {
            block.parameters = *value;
        } else if (key == "env") {
            std::size_t split = value->find('=');
            if (split == std::string::npos) {
                return std::nullopt;
            }
            block.environment.emplace_back(value->substr(0, split), value->substr(split + 1));
        } else {
            return std::nullopt; // written by another version: leave the whole block alone
        }
    }
    if (seen.size() != 5 || block.name.empty()) {
        return std::nullopt;
    }
    return block;
}

std::string CrontabDocument::CheckBlock(const TaskBlock& block) {
    if (block.name.empty()) {
        return "The task has no name.";
    }
    if (holdsLineBreak(block.name) || holdsLineBreak(block.comment) ||
        holdsLineBreak(block.creator)) {
        return "The alert's name or description holds a line break, which a crontab line cannot "
               "hold.";
    }
    std::string problem;
    BuildCronCommand(block.environment, block.application, block.parameters, &problem);
    return problem;
}

std::string CrontabDocument::BlockText(const TaskBlock& block) {
    std::string text = std::string(kMarkerPrefix) + kVersion;
    text += " name=" + EncodeValue(block.name);
    text += " creator=" + EncodeValue(block.creator);
    text += " comment=" + EncodeValue(block.comment);
    text += " application=" + EncodeValue(block.application);
    text += " parameters=" + EncodeValue(block.parameters);
    for (const auto& [name, value] : block.environment) {
        text += " env=" + EncodeValue(name + "=" + value);
    }
    text += "\n";
    std::string problem;
    std::string command =
        BuildCronCommand(block.environment, block.application, block.parameters, &problem);
    if (problem.empty()) {
        for (const CronTrigger& trigger : block.triggers) {
            text += trigger.Specification() + " " + command + "\n";
        }
    }
    return text;
}

CrontabDocument::CrontabDocument(const std::string& text) {
    std::vector<std::string> lines = splitLines(text);
    std::set<std::string> names;
    auto keep = [this](const std::string& line) {
        if (m_items.empty() || m_items.back().block) {
            m_items.push_back(Item{});
        }
        m_items.back().text += line;
    };
    for (std::size_t i = 0; i < lines.size();) {
        std::optional<TaskBlock> block = ParseMarker(withoutLineEnd(lines[i]));
        std::string problem;
        std::string command;
        if (block) {
            command = BuildCronCommand(block->environment, block->application, block->parameters,
                                       &problem);
        }
        if (!block || !problem.empty() || names.count(block->name) != 0) {
            keep(lines[i]);
            ++i;
            continue;
        }
        names.insert(block->name);
        Item item;
        item.text = lines[i];
        for (++i; i < lines.size(); ++i) {
            std::optional<CronTrigger> trigger =
                parseTriggerLine(withoutLineEnd(lines[i]), command);
            if (!trigger) {
                break;
            }
            block->triggers.push_back(*trigger);
            item.text += lines[i];
        }
        item.block = std::move(block);
        m_items.push_back(std::move(item));
    }
}

std::string CrontabDocument::Text() const {
    std::string text;
    for (const Item& item : m_items) {
        std::string part = item.changed ? BlockText(*item.block) : item.text;
        // A crontab read without a final line end gets one before anything follows it.
        if (!text.empty() && text.back() != '\n' && !part.empty()) {
            text += '\n';
        }
        text += part;
    }
    return text;
}

std::vector<const TaskBlock*> CrontabDocument::Tasks() const {
    std::vector<const TaskBlock*> tasks;
    for (const Item& item : m_items) {
        if (item.block) {
            tasks.push_back(&*item.block);
        }
    }
    return tasks;
}

const TaskBlock* CrontabDocument::Find(const std::string& name) const {
    for (const Item& item : m_items) {
        if (item.block && item.block->name == name) {
            return &*item.block;
        }
    }
    return nullptr;
}

TaskBlock* CrontabDocument::FindForChange(const std::string& name) {
    for (Item& item : m_items) {
        if (item.block && item.block->name == name) {
            item.changed = true;
            return &*item.block;
        }
    }
    return nullptr;
}

void CrontabDocument::Append(TaskBlock block) {
    Item item;
    item.block = std::move(block);
    item.changed = true;
    m_items.push_back(std::move(item));
}

bool CrontabDocument::Remove(const std::string& name) {
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (it->block && it->block->name == name) {
            m_items.erase(it);
            return true;
        }
    }
    return false;
}

} // namespace platform::taskscheduler
