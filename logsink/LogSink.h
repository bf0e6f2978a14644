/*
 * logsink: the program's way into the system log, a shared library of its own that the
 * program loads on first use for event-log delivery of alerts. LogError sends one error record
 * (facility user, severity error, tag "Tallyvol" with the process identifier) to the local
 * syslog socket: the path in $LOGSINK_SOCKET, else /dev/log. The record has the RFC 3164 form
 * that syslog(3) sends to the local socket, "<11>Mmm dd hh:mm:ss Tallyvol[pid]: text", the
 * receiving daemon adding the host name. Nothing else of the system is used, and nothing is
 * thrown across this interface. Any thread.
 */
#ifndef TALLYVOL_LOGSINK_LOGSINK_H
#define TALLYVOL_LOGSINK_LOGSINK_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Writes `text` (UTF-8) as one error record. Returns whether the record was handed to the
 * log: false when no daemon listens on the socket (a machine without /dev/log), the socket
 * refuses the record, or it cannot take it within a few seconds. */
bool LogError(const char* text);

/* The library's file name as the program loads it (its soname; the build sets SOVERSION 1). */
#define LOGSINK_LIBRARY_FILE "liblogsink.so.1"

/* The name of LogError as looked up with dlsym. */
#define LOGSINK_LOG_ERROR_SYMBOL "LogError"

#ifdef __cplusplus
}
#endif

#endif
