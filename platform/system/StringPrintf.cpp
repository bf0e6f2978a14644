#include "platform/system/StringPrintf.h"

#include <cstdarg>
#include <cstdio>

namespace platform::system {

std::string StringPrintf(const char* format, ...) {
    // Most texts fit the stack buffer; longer ones are formatted a second time at their size.
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return {};
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        return std::string(buffer, static_cast<std::size_t>(length));
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    va_start(arguments, format);
    std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    return text;
}

} // namespace platform::system
