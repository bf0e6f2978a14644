#include "app/InternetSettings.h"

#include "app/TemporaryDownloadFile.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/http/HttpRequest.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace app {

using platform::system::StringPrintf;

namespace {

// Structurally valid UTF-8 without control characters (a tab only where `allowTab`). Binary
// garbage fails here, so it never reaches a setting or a message box.
bool isCleanText(const std::string& text, bool allowTab) {
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && !(allowTab && byte == '\t')) || byte == 0x7F) {
                return false;
            }
            ++i;
            continue;
        }
        std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
        if (length == 0 || byte > 0xF4 || i + length > text.size()) {
            return false;
        }
        std::uint32_t codePoint = byte & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
        if (overlong || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000) ||
            (codePoint >= 0x80 && codePoint < 0xA0)) {
            return false;
        }
        i += length;
    }
    return true;
}

// A setting name the hives can hold: section brackets or control characters in a value name
// could make the regedit-format file read back differently.
bool isAcceptableName(const std::string& name) {
    return !name.empty() && name.size() <= InternetSettings::kMaxNameBytes && isCleanText(name, false) &&
           name.find_first_of("[]") == std::string::npos;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A "%d" field: optional blanks, an optional sign, at least one digit. False when there is none
// or it does not fit an int (such a line is ignored, not wrapped).
bool readNumber(const std::string& text, std::size_t& pos, int* value) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::size_t first = pos;
    std::int64_t number = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + (text[pos] - '0');
        if (number > std::int64_t{std::numeric_limits<int>::max()} + 1) {
            return false;
        }
        ++pos;
    }
    if (pos == first) {
        return false;
    }
    number = negative ? -number : number;
    if (number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min()) {
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

bool expect(const std::string& text, std::size_t& pos, char wanted) {
    if (pos < text.size() && text[pos] == wanted) {
        ++pos;
        return true;
    }
    return false;
}

std::uint32_t versionNumber(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
    return (major << 24) + (minor << 16) + (build << 8);
}

} // namespace

InternetSettings::InternetSettings(IUpdateCheckOwner& owner, ProgramVersion own, std::function<bool()> cancelled)
    : m_owner(owner), m_own(own), m_cancelled(std::move(cancelled)) {}

std::string InternetSettings::PageAddress(const std::string& homePage, const std::string& pageName) {
    std::size_t slash = homePage.rfind('/');
    std::string base = slash == std::string::npos ? std::string() : homePage.substr(0, slash);
    return base + "/" + pageName;
}

std::vector<std::string> InternetSettings::SplitLines(const std::string& page) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < page.size()) {
        std::size_t end = page.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = page.size();
        }
        if (end > start) {
            lines.push_back(page.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

bool InternetSettings::IntegerValue(const std::string& text, int* value) {
    // The leading integer as the C library's atoi reads it, held at the int range on overflow.
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::int64_t number = 0;
    const std::int64_t cap = std::int64_t{std::numeric_limits<int>::max()} + 1;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = std::min(number * 10 + (text[pos] - '0'), cap);
        ++pos;
    }
    number = negative ? -number : number;
    number = std::clamp<std::int64_t>(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    int leading = static_cast<int>(number);
    if (StringPrintf("%d", leading) != text) {
        return false;
    }
    *value = leading;
    return true;
}

bool InternetSettings::Download() {
    try {
        std::string address = PageAddress(GetSetting(settings::HomePage), GetSetting(settings::PageName3));
        TemporaryDownloadFile file;
        std::string error;
        if (!file.Create(&error)) {
            TV_DEBUG_LOG("DownloadInternetSettings: no temporary file: %s", error.c_str());
            return false;
        }
        platform::http::HttpOptions options;
        options.userAgent = ProductName3218;
        options.connectTimeoutMilliseconds = kConnectTimeoutMilliseconds;
        options.totalTimeoutMilliseconds = kTotalTimeoutMilliseconds;
        options.maxRedirects = 5;
        options.cancelled = m_cancelled;
        platform::http::HttpResult result =
            platform::http::HttpGetToFile(address, file.Descriptor(), kMaxPageBytes, options);
        if (!result.Succeeded()) {
            TV_DEBUG_LOG("DownloadInternetSettings: %s: %s", address.c_str(), result.text.c_str());
            return false;
        }
        std::string page;
        if (!file.ReadAll(kMaxPageBytes, &page)) {
            throw std::runtime_error("the downloaded page cannot be read back");
        }
        for (const std::string& line : SplitLines(page)) {
            ProcessLine(line);
        }
        return true;
    } catch (...) {
        SetSetting(settings::LatestMajor, 0);
        SetSetting(settings::LatestMinor, 0);
        SetSetting(settings::LatestBuild, 0);
        TV_DEBUG_LOG("** Exception in DownloadInternetSettings\n");
        return false;
    }
}

void InternetSettings::ProcessLine(const std::string& line) {
    try {
        if (line.size() > kMaxLineBytes || !isCleanText(line, true)) {
            TV_DEBUG_LOG("Internet settings: a line of %zu bytes that is not clean text was ignored", line.size());
            return;
        }
        if (line.size() > 3 && line.compare(0, 3, "REG") == 0) {
            processSetting(line);
        } else if (line.compare(0, 4, "MSG_") == 0) {
            processMessage(line);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ProcessInternetLineSetting\n");
    }
}

void InternetSettings::processSetting(const std::string& line) {
    std::string rest = line.substr(4);
    std::size_t dash = rest.find('-');
    if (dash == std::string::npos) {
        return;
    }
    std::string name = rest.substr(0, dash);
    std::string value = rest.substr(dash + 1);
    if (!isAcceptableName(name)) {
        TV_DEBUG_LOG("Internet settings: the setting name \"%s\" was refused", name.c_str());
        return;
    }
    if (m_settingsTaken >= kMaxSettingsPerPage) {
        TV_DEBUG_LOG("Internet settings: %s ignored: more than %d settings on the page", name.c_str(),
                     kMaxSettingsPerPage);
        return;
    }
    ++m_settingsTaken;
    int number = 0;
    bool isInteger = IntegerValue(value, &number);
    if (IsMigratedMachineSetting(name)) {
        isInteger ? SetMachineInt(name, number) : SetMachineString(value, name);
    } else {
        isInteger ? WriteProfileInt("Settings", name, number) : WriteProfileString("Settings", name, value);
    }
}

void InternetSettings::processMessage(const std::string& line) {
    // MSG_<op>_<major>.<minor>.<build>_<number>:<text>
    std::size_t pos = 4;
    if (pos >= line.size()) {
        return;
    }
    char op = line[pos++];
    int major = 0, minor = 0, build = 0, number = 0;
    if (!expect(line, pos, '_') || !readNumber(line, pos, &major) || !expect(line, pos, '.') ||
        !readNumber(line, pos, &minor) || !expect(line, pos, '.') || !readNumber(line, pos, &build) ||
        !expect(line, pos, '_') || !readNumber(line, pos, &number) || !expect(line, pos, ':')) {
        return;
    }
    // HighestMsgNum remembers 16 bits: a larger number could never be remembered and would be
    // shown at every check.
    if (number < 1 || number > 0xFFFF) {
        TV_DEBUG_LOG("Internet settings: message number %d ignored", number);
        return;
    }
    std::uint32_t theirs = versionNumber(static_cast<std::uint32_t>(major), static_cast<std::uint32_t>(minor),
                                         static_cast<std::uint32_t>(build));
    std::uint32_t ours = versionNumber(static_cast<std::uint32_t>(m_own.major),
                                       static_cast<std::uint32_t>(m_own.minor) & 0xFF,
                                       static_cast<std::uint32_t>(m_own.build) & 0xFF);
    bool applies = (op == '<' && ours < theirs) || (op == '=' && ours == theirs) || (op == '>' && ours > theirs);
    if (!applies) {
        return;
    }
    auto highest = static_cast<std::uint16_t>(GetSetting(settings::HighestMsgNum));
    if (number <= highest || (m_cancelled && m_cancelled())) {
        return;
    }
    if (m_messagesShown >= kMaxMessagesPerPage) {
        TV_DEBUG_LOG("Internet settings: message %d ignored: more than %d messages on the page", number,
                     kMaxMessagesPerPage);
        return;
    }
    ++m_messagesShown;
    namespace ui = platform::ui;
    m_owner.ShowMessage(line.substr(pos), StringPrintf("%s Message", ProductName3218),
                        ui::MB_OK | ui::MB_SETFOREGROUND | ui::MB_SERVICE_NOTIFICATION);
    SetSetting(settings::HighestMsgNum, number);
}

void DownloadInternetSettings(IUpdateCheckOwner& owner, const std::function<bool()>& cancelled) {
    InternetSettings(owner, OwnProgramVersion(), cancelled).Download();
}

void ProcessInternetLineSetting(const std::string& line, IUpdateCheckOwner& owner) {
    InternetSettings(owner).ProcessLine(line);
}

} // namespace app
