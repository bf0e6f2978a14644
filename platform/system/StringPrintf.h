/*
 * printf-style formatting into a std::string, for the program's message and SQL texts (kept in
 * their printf form as designed). Any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_STRINGPRINTF_H
#define TALLYVOL_PLATFORM_SYSTEM_STRINGPRINTF_H

#include <string>

namespace platform::system {

std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace platform::system

#endif
