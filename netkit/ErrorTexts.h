/*
 * Error codes and texts shared by every component: the component codes with their own texts,
 * the Winsock code table, and the mapping of Linux errno and resolver results onto Winsock
 * codes, so that one table describes every failure. Pure functions; any thread.
 */
#ifndef NETKIT_ERRORTEXTS_H
#define NETKIT_ERRORTEXTS_H

namespace netkit {

// Component result codes.
constexpr int kErrPortBusy = 100;
constexpr int kErrHostBusy = 101;
constexpr int kErrNoAddress = 102;
constexpr int kErrAlreadyConnected = 104;
constexpr int kErrZeroPort = 116;
constexpr int kErrServerReply = 161;
constexpr int kErrConnection = 162;
constexpr int kErrNoSender = 164;
constexpr int kErrNoRecipient = 165;
constexpr int kErrBusy = 166;
constexpr int kErrOutOfMemory = 200;
constexpr int kErrInterrupted = 301;
constexpr int kErrCannotOpenFile = 302;
constexpr int kErrReadFault = 6;

// Winsock codes the transport produces itself.
constexpr int kWsaWouldBlock = 10035;
constexpr int kWsaNotSocket = 10038;
constexpr int kWsaConnReset = 10054;
constexpr int kWsaNotConnected = 10057;
constexpr int kWsaNotInitialised = 10093;
constexpr int kWsaHostNotFound = 11001;

extern const char* const kTextPortBusy;
extern const char* const kTextHostBusy;
extern const char* const kTextNoAddress;
extern const char* const kTextAlreadyConnected;
extern const char* const kTextZeroPort;
extern const char* const kTextNoSender;
extern const char* const kTextNoRecipient;
extern const char* const kTextBusy;
extern const char* const kTextOutOfMemory;
extern const char* const kTextInterrupted;
extern const char* const kTextCannotOpenFile;

// The Winsock table's text for the code, or null when the code is not in it.
const char* WinsockErrorText(int code);

// "[%d] %s" with the table text, or "[%d] (no description available)", cut to 79 bytes as the
// components compose it in their 80-byte buffer.
void ComposeErrorText(int code, char (&buffer)[80]);

// The Winsock code for an errno value.
int WinsockCodeFromErrno(int error);

// The Winsock code for a getaddrinfo result (EAI_*); `error` is errno for EAI_SYSTEM.
int WinsockCodeFromResolver(int result, int error);

} // namespace netkit

#endif
