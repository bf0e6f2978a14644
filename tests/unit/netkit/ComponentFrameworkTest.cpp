// The library's exported interface as the program links it: creation by class identifier, the
// slot order of both C++ interfaces, property defaults, the flat binding, error recording, the
// socket library properties and the host event pump.
#include "SmtpTestClient.h"

#include "netkit/Smtp.h"
#include "netkit/Wirekit.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

using namespace netkittest;

namespace {

// Calls virtual slot `slot` of a C++ object through its table, as a caller bound only to the
// slot numbers would.
template <typename Result, typename... Args> Result CallSlot(void* object, int slot, Args... args) {
    void** table = *static_cast<void***>(object);
    auto function = reinterpret_cast<Result (*)(void*, Args...)>(table[slot]);
    return function(object, args...);
}

std::string Text(intptr_t value) {
    return value != 0 ? reinterpret_cast<const char*>(value) : "(null)";
}

unsigned short ClosedPort() {
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(probe); // never listened: a connect is refused
    return ntohs(address.sin_port);
}

} // namespace

TEST(WirekitClasses, OnlyTheSmtpClassIsCreatedAndDeleted) {
    for (int classId : {0, 10, 11, 19, 20, 22, 24, 33, 34, -23}) {
        EXPECT_EQ(Wirekit_CreateObject(classId, nullptr), nullptr) << classId;
        EXPECT_EQ(_Wirekit_CreateObject(classId, nullptr), nullptr) << classId;
    }
    for (int classId : {20, 0, 34, 11}) {
        EXPECT_NE(Wirekit_DeleteObject(classId, nullptr), 0) << classId;
        EXPECT_NE(_Wirekit_DeleteObject(classId, nullptr), 0) << classId;
    }
    void* first = Wirekit_CreateObject(WIREKIT_CLASS_SMTP, nullptr);
    void* second = _Wirekit_CreateObject(WIREKIT_CLASS_SMTP, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    // Deleting with a wrong identifier frees nothing (ASan would see a double free below).
    EXPECT_NE(Wirekit_DeleteObject(20, first), 0);
    EXPECT_EQ(Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, first), 0);
    EXPECT_EQ(_Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, second), 0);
    EXPECT_EQ(Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, nullptr), 0);
}

TEST(WirekitClasses, ExportsExactlyTheInterfaceWithCLinkage) {
    void* self = dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(self, nullptr);
    for (const char* name :
         {"Wirekit_CreateObject", "_Wirekit_CreateObject", "Wirekit_DeleteObject",
          "_Wirekit_DeleteObject", "Wirekit_SetEventPump", "Wirekit_GetEventPump", "SMTP_Init",
          "SMTP_Close", "SMTP_Get", "SMTP_Set", "SMTP_DoEvents", "SMTP_GetLastError"}) {
        EXPECT_NE(dlsym(self, name), nullptr) << name;
    }
    // Internals stay hidden.
    EXPECT_EQ(dlsym(self, "_ZN6netkit9FoldHeaderESt17basic_string_viewIcSt11char_traitsIcEEj"),
              nullptr);
    dlclose(self);
}

TEST(SmtpProperties, StartAtTheirDefaults) {
    SmtpClient smtp;
    EXPECT_EQ(smtp->GetAction(), 0);
    EXPECT_EQ(smtp->GetAllowEhlo(), 1);
    EXPECT_EQ(smtp->GetRemotePort(), 25);
    EXPECT_EQ(smtp->GetFoldWidth(), 72);
    EXPECT_EQ(smtp->GetSocketHandle(), -1);
    for (const char* text : {smtp->GetMessageFile(), smtp->GetBcc(), smtp->GetCc(), smtp->GetDate(),
                             smtp->GetFrom(), smtp->GetHeloDomain(), smtp->GetReplyLine(),
                             smtp->GetRemoteHost(), smtp->GetBody(), smtp->GetExtraHeaders(),
                             smtp->GetReplyTo(), smtp->GetSubject(), smtp->GetTo()}) {
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "");
    }
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_STREQ(smtp->GetLocalAddress(), host); // not connected: the host name
    EXPECT_EQ(smtp->GetWinsockLoaded(), 1);
    EXPECT_EQ(smtp->GetWinsockMaxDatagram(), 65507);
    EXPECT_GT(smtp->GetWinsockMaxSockets(), 0);
    EXPECT_STREQ(smtp->GetWinsockStatus(), "Running");
    EXPECT_NE(std::string(smtp->GetWinsockDescription()).find("BSD sockets"), std::string::npos);
    std::string path = smtp->GetWinsockPath();
    EXPECT_EQ(path.front(), '/') << "the full path once loaded: " << path;
    EXPECT_NE(path.find("libc.so.6"), std::string::npos) << path;
    EXPECT_EQ(smtp->GetLastError(), nullptr);
}

TEST(SmtpProperties, ComponentSlotsFollowThePropertyTable) {
    SmtpClient smtp;
    void* object = smtp.get();
    // (getter slot, setter slot, flat index) of the text properties.
    const int textProperties[][3] = {{6, 7, 3},    {8, 9, 4},    {10, 11, 5},  {13, 14, 7},
                                     {15, 16, 8},  {17, 18, 9},  {27, 28, 15}, {29, 30, 16},
                                     {31, 32, 17}, {34, 35, 19}, {36, 37, 20}};
    for (const auto& [getter, setter, index] : textProperties) {
        std::string value = "value-" + std::to_string(index);
        ASSERT_EQ((CallSlot<int, const char*>(object, setter, value.c_str())), 0) << index;
        EXPECT_EQ(Text(SMTP_Get(object, index, 0, nullptr)), value) << index;
        EXPECT_EQ(std::string(CallSlot<const char*>(object, getter)), value) << index;
    }
    const int shortProperties[][3] = {{4, 5, 2}, {21, 22, 12}, {25, 26, 14}};
    for (const auto& [getter, setter, index] : shortProperties) {
        ASSERT_EQ((CallSlot<int, unsigned short>(object, setter, 40 + index)), 0) << index;
        EXPECT_EQ(SMTP_Get(object, index, 0, nullptr), 40 + index) << index;
        EXPECT_EQ(CallSlot<unsigned short>(object, getter), 40 + index) << index;
    }
    EXPECT_EQ((CallSlot<int, const char*>(object, 24, "127.0.0.9")), 0);
    EXPECT_STREQ(CallSlot<const char*>(object, 23), "127.0.0.9");
    EXPECT_EQ(CallSlot<int>(object, 33), -1);
    EXPECT_EQ(CallSlot<int>(object, 2), 0);
    EXPECT_EQ((CallSlot<int, int>(object, 3, 4)), 0); // action 4 clears the message
    EXPECT_STREQ(smtp->GetTo(), "");
    EXPECT_STREQ(CallSlot<const char*>(object, 19), "");
    EXPECT_EQ(std::string(CallSlot<const char*>(object, 20)), std::string(smtp->GetLocalAddress()));
    EXPECT_EQ(std::string(CallSlot<const char*>(object, 38)),
              std::string(smtp->GetWinsockDescription()));
    EXPECT_EQ(CallSlot<int>(object, 39), 1);
    EXPECT_EQ(CallSlot<unsigned short>(object, 41), 65507);
    EXPECT_EQ(CallSlot<unsigned short>(object, 42), smtp->GetWinsockMaxSockets());
    EXPECT_EQ(std::string(CallSlot<const char*>(object, 43)), std::string(smtp->GetWinsockPath()));
    EXPECT_STREQ(CallSlot<const char*>(object, 45), "Running");
    EXPECT_EQ(CallSlot<int>(object, 1), 1); // one event cycle, nothing stopped it
    // Slot 0 is the last error: a connect with no host fails with 102.
    EXPECT_EQ((CallSlot<int, const char*>(object, 24, "")), 0);
    EXPECT_EQ((CallSlot<int, int>(object, 3, 1)), 102);
    EXPECT_STREQ(CallSlot<const char*>(object, 0), "The RemoteHost address is invalid (0.0.0.0).");
}

namespace {

// An event sink built by hand: a table of six functions in the documented slot order. The
// words before the slots (offset and type information) are borrowed from a real sink type, so
// that the object passes for one.
struct RawSink {
    void** table;
    std::vector<std::string> calls;
};

struct PlainSink : SMTPEvts {};

int RawEndTransfer(RawSink* sink) {
    sink->calls.push_back("0:EndTransfer");
    return 0;
}
int RawError(RawSink* sink, int* code, const char** text) {
    sink->calls.push_back("1:" + std::to_string(*code) + ":" + *text);
    return 0;
}
int RawExpand(RawSink* sink, const char** text) {
    sink->calls.push_back(std::string("2:") + *text);
    return 0;
}
int RawTrace(RawSink* sink, int* direction, const char** text) {
    sink->calls.push_back("3:" + std::to_string(*direction) + ":" + *text);
    return 0;
}
int RawStartTransfer(RawSink* sink) {
    sink->calls.push_back("4:StartTransfer");
    return 0;
}
int RawTransfer(RawSink* sink, int* count) {
    sink->calls.push_back("5:" + std::to_string(*count));
    return 0;
}

} // namespace

TEST(SmtpEvents, ReachTheSinkSlotsInTableOrder) {
    PlainSink plain;
    void** real = *reinterpret_cast<void***>(&plain);
    void* table[10] = {real[-2],
                       real[-1],
                       reinterpret_cast<void*>(&RawEndTransfer),
                       reinterpret_cast<void*>(&RawError),
                       reinterpret_cast<void*>(&RawExpand),
                       reinterpret_cast<void*>(&RawTrace),
                       reinterpret_cast<void*>(&RawStartTransfer),
                       reinterpret_cast<void*>(&RawTransfer),
                       real[6],
                       real[7]};
    RawSink sink{table + 2, {}};
    void* object = Wirekit_CreateObject(WIREKIT_CLASS_SMTP, &sink);
    ASSERT_NE(object, nullptr);
    auto* smtp = static_cast<ISMTPComponent*>(object);
    unsigned short port = ClosedPort();
    ASSERT_EQ(smtp->SetRemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(smtp->SetRemotePort(port), 0);
    {
        WaitBound bound(std::chrono::seconds(10));
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 10061);
    }
    EXPECT_STREQ(smtp->GetLastError(), "[10061] Connection refused");
    Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, object);
    ASSERT_EQ(sink.calls.size(), 2u);
    EXPECT_EQ(sink.calls[0], "3:2:Connecting to mail server.");
    EXPECT_EQ(sink.calls[1], "1:162:Failed to connect: [10061] Connection refused");
}

namespace {

struct FlatEvent {
    void* object;
    int id;
    std::vector<intptr_t> params;
    std::vector<int> lengths;
};
std::vector<FlatEvent> g_flatEvents;

int FlatCallback(void* object, int id, int count, intptr_t* params, int* lengths) {
    FlatEvent event{object, id, {}, {}};
    for (int i = 0; i < count; ++i) {
        event.params.push_back(params[i]);
        event.lengths.push_back(lengths[i]);
    }
    if (id == SMTP_EVENT_ERROR || id == SMTP_EVENT_TRACE) {
        // Keep the text: it lives only for the call.
        event.params[1] = reinterpret_cast<intptr_t>(strdup(reinterpret_cast<const char*>(params[1])));
    }
    g_flatEvents.push_back(event);
    return 0;
}

} // namespace

TEST(SmtpFlatBinding, ReadsWritesAndRaisesEventsThroughTheCallback) {
    g_flatEvents.clear();
    void* object = SMTP_Init(&FlatCallback, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(SMTP_Set(object, SMTP_PROP_TO, 0, reinterpret_cast<intptr_t>("a@b.example"), 0), 0);
    EXPECT_EQ(Text(SMTP_Get(object, SMTP_PROP_TO, 0, nullptr)), "a@b.example");
    EXPECT_EQ(SMTP_Get(object, SMTP_PROP_REMOTE_PORT, 0, nullptr), 25);
    EXPECT_EQ(SMTP_Get(object, SMTP_PROP_SOCKET_HANDLE, 0, nullptr), -1);
    EXPECT_EQ(Text(SMTP_Get(object, SMTP_PROP_SUBJECT, 0, nullptr)), ""); // never null
    EXPECT_EQ(SMTP_Set(object, SMTP_PROP_SUBJECT, 0, 0, 0), 0);           // null: empty
    EXPECT_EQ(Text(SMTP_Get(object, SMTP_PROP_SUBJECT, 0, nullptr)), "");
    // Indices that cannot be read or written.
    EXPECT_EQ(SMTP_Get(object, SMTP_PROP_RAW_COMMAND, 0, nullptr), 0);
    EXPECT_EQ(SMTP_Get(object, 0, 0, nullptr), 0);
    EXPECT_EQ(SMTP_Get(object, 27, 0, nullptr), 0);
    for (int index : {0, 10, 11, 18, 21, 23, 24, 26, 27}) {
        EXPECT_EQ(SMTP_Set(object, index, 0, 1, 0), -1) << index;
    }
    EXPECT_EQ(SMTP_DoEvents(object), 1);
    EXPECT_EQ(SMTP_GetLastError(object), nullptr);

    unsigned short port = ClosedPort();
    ASSERT_EQ(SMTP_Set(object, SMTP_PROP_REMOTE_HOST, 0, reinterpret_cast<intptr_t>("127.0.0.1"), 0), 0);
    ASSERT_EQ(SMTP_Set(object, SMTP_PROP_REMOTE_PORT, 0, port, 0), 0);
    {
        WaitBound bound(std::chrono::seconds(10));
        EXPECT_EQ(SMTP_Set(object, SMTP_PROP_ACTION, 0, SMTP_ACTION_CONNECT, 0), 10061);
    }
    EXPECT_STREQ(SMTP_GetLastError(object), "[10061] Connection refused");
    EXPECT_EQ(SMTP_Close(object), 0);

    ASSERT_EQ(g_flatEvents.size(), 2u);
    EXPECT_EQ(g_flatEvents[0].object, object);
    EXPECT_EQ(g_flatEvents[0].id, SMTP_EVENT_TRACE);
    ASSERT_EQ(g_flatEvents[0].params.size(), 2u);
    EXPECT_EQ(g_flatEvents[0].params[0], 2);
    EXPECT_EQ(Text(g_flatEvents[0].params[1]), "Connecting to mail server.");
    EXPECT_EQ(g_flatEvents[1].id, SMTP_EVENT_ERROR);
    EXPECT_EQ(g_flatEvents[1].params[0], 162);
    EXPECT_EQ(Text(g_flatEvents[1].params[1]), "Failed to connect: [10061] Connection refused");
    for (FlatEvent& event : g_flatEvents) {
        EXPECT_EQ(event.lengths, std::vector<int>(event.params.size(), 0));
        std::free(reinterpret_cast<void*>(event.params[1]));
    }
}

TEST(SmtpFlatBinding, WithoutCallbackRaisesNothingAndStillWorks) {
    void* object = SMTP_Init(nullptr, 0);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(SMTP_Set(object, SMTP_PROP_REMOTE_HOST, 0, reinterpret_cast<intptr_t>("127.0.0.1"), 0), 0);
    ASSERT_EQ(SMTP_Set(object, SMTP_PROP_REMOTE_PORT, 0, ClosedPort(), 0), 0);
    WaitBound bound(std::chrono::seconds(10));
    EXPECT_EQ(SMTP_Set(object, SMTP_PROP_ACTION, 0, SMTP_ACTION_CONNECT, 0), 10061);
    EXPECT_EQ(SMTP_Close(object), 0);
}

TEST(SmtpErrors, FollowTheRecordingRules) {
    SmtpClient smtp;
    // A connect without an address, then with port 0.
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 102);
    EXPECT_EQ(smtp.LastError(), "The RemoteHost address is invalid (0.0.0.0).");
    ASSERT_EQ(smtp->SetRemoteHost("127.0.0.1"), 0);
    EXPECT_EQ(smtp.LastError(), "(null)"); // writing the host clears the error
    ASSERT_EQ(smtp->SetRemotePort(0), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 116);
    EXPECT_EQ(smtp.LastError(),
              "RemotePort can't be zero. Please specify a valid service port number.");
    // Other property writes leave the error in place, successful or not.
    EXPECT_EQ(smtp->SetTo("someone@example.org"), 0);
    EXPECT_EQ(smtp->SetAllowEhlo(0), 0);
    EXPECT_EQ(smtp.LastError(),
              "RemotePort can't be zero. Please specify a valid service port number.");
    // An action that does nothing succeeds and clears it.
    EXPECT_EQ(smtp->SetAction(11), 0);
    EXPECT_EQ(smtp.LastError(), "(null)");
    EXPECT_EQ(smtp->SetAction(-3), 0);
    // Disconnecting while not connected is a success.
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    EXPECT_EQ(smtp->GetLastError(), nullptr);
    // An interrupt with nothing running leaves nothing behind for the next action.
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_INTERRUPT), 0);
    EXPECT_EQ(smtp->DoEvents(), 1);
}

TEST(SmtpErrors, UnresolvableHostFailsTheWriteAndTheConnect) {
    SmtpClient smtp;
    ASSERT_EQ(smtp->SetRemoteHost("127.0.0.1"), 0);
    EXPECT_STREQ(smtp->GetRemoteHost(), "127.0.0.1");
    EXPECT_EQ(smtp->SetRemoteHost("nosuchhost.invalid"), 11001);
    EXPECT_EQ(smtp.LastError(), "[11001] Host not found");
    EXPECT_STREQ(smtp->GetRemoteHost(), ""); // the earlier address is gone too
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 102);
    EXPECT_EQ(smtp.LastError(), "The RemoteHost address is invalid (0.0.0.0).");
    EXPECT_EQ(smtp->SetRemoteHost("localhost"), 0);
    EXPECT_STREQ(smtp->GetRemoteHost(), "127.0.0.1");
    EXPECT_EQ(smtp->SetRemoteHost(""), 0);
    EXPECT_STREQ(smtp->GetRemoteHost(), "");
}

TEST(SmtpWinsock, ReleasingAndReloadingTheSocketLibrary) {
    SmtpClient smtp;
    const std::string loadedPath = smtp->GetWinsockPath();
    ASSERT_EQ(smtp->SetWinsockLoaded(0), 0);
    EXPECT_EQ(smtp->GetWinsockLoaded(), 0);
    EXPECT_STREQ(smtp->GetWinsockStatus(), "Down");
    EXPECT_EQ(smtp->GetWinsockMaxSockets(), 0);
    // Nothing can be resolved without the library; the connect reports the missing address.
    EXPECT_EQ(smtp->SetRemoteHost("127.0.0.1"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 102);

    ASSERT_EQ(smtp->SetWinsockPath("/nonexistent/libnosockets.so"), 0);
    EXPECT_EQ(smtp->SetWinsockLoaded(1), 10093);
    EXPECT_EQ(smtp.LastError(), "[10093] Winsock not loaded yet (WSANOTINITIALISED)");
    EXPECT_STREQ(smtp->GetWinsockDescription(), "Could not load Winsock library.");
    EXPECT_EQ(smtp->GetWinsockLoaded(), 0);

    ASSERT_EQ(smtp->SetWinsockPath("libc.so.6"), 0);
    EXPECT_EQ(smtp->SetWinsockLoaded(1), 0);
    EXPECT_EQ(smtp->GetWinsockLoaded(), 1);
    EXPECT_EQ(std::string(smtp->GetWinsockPath()), loadedPath);
    EXPECT_STREQ(smtp->GetWinsockStatus(), "Running");
    EXPECT_EQ(smtp->SetRemoteHost("127.0.0.1"), 0);
    EXPECT_STREQ(smtp->GetRemoteHost(), "127.0.0.1");
}

TEST(WirekitEventPump, RunsOncePerCycleAndEndsWaitsOnQuitOrClose) {
    struct Pump {
        int calls = 0;
        int answer = WIREKIT_PUMP_CONTINUE;
        static int Run(void* context) {
            auto* pump = static_cast<Pump*>(context);
            ++pump->calls;
            return pump->answer;
        }
    } pump;
    SmtpClient smtp;
    Wirekit_SetEventPump(&Pump::Run, &pump);
    void* context = nullptr;
    EXPECT_EQ(Wirekit_GetEventPump(&context), &Pump::Run);
    EXPECT_EQ(context, &pump);

    auto started = std::chrono::steady_clock::now();
    for (int cycle = 0; cycle < 10; ++cycle) {
        EXPECT_EQ(smtp->DoEvents(), 1);
    }
    // Idle cycles wait their 10 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(90));
    EXPECT_EQ(pump.calls, 10);
    pump.answer = WIREKIT_PUMP_QUIT;
    EXPECT_EQ(smtp->DoEvents(), 0);
    pump.answer = WIREKIT_PUMP_CLOSE;
    EXPECT_EQ(smtp->DoEvents(), 0);
    Wirekit_SetEventPump(nullptr, nullptr);
    EXPECT_EQ(Wirekit_GetEventPump(nullptr), nullptr);
    EXPECT_EQ(smtp->DoEvents(), 1);
    EXPECT_EQ(smtp->GetLastError(), nullptr);
}

TEST(SmtpProperties, HeaderValuesAreFoldedWithTheWidthInForceWhenWritten) {
    SmtpClient smtp;
    ASSERT_EQ(smtp->SetFoldWidth(10), 0);
    ASSERT_EQ(smtp->SetSubject("aaaa bbbb cccc dddd"), 0);
    EXPECT_STREQ(smtp->GetSubject(), "aaaa bbbb\r\n\tcccc dddd");
    // A comma at the fold stays before the break; one at the end stays, a blank there goes.
    ASSERT_EQ(smtp->SetFoldWidth(5), 0);
    ASSERT_EQ(smtp->SetTo("ab,cd,ef"), 0);
    EXPECT_STREQ(smtp->GetTo(), "ab,cd,\r\n\tef");
    ASSERT_EQ(smtp->SetCc("ab,cd,"), 0);
    EXPECT_STREQ(smtp->GetCc(), "ab,cd,");
    ASSERT_EQ(smtp->SetBcc("ab,cd "), 0);
    EXPECT_STREQ(smtp->GetBcc(), "ab,cd");
    // Line breaks become blanks before folding.
    ASSERT_EQ(smtp->SetFoldWidth(72), 0);
    ASSERT_EQ(smtp->SetReplyTo("a\r\nb\nc"), 0);
    EXPECT_STREQ(smtp->GetReplyTo(), "a  b c");
    // Values written earlier keep the fold they got then.
    EXPECT_STREQ(smtp->GetSubject(), "aaaa bbbb\r\n\tcccc dddd");
    // Width 0 keeps the text, folds made by the caller included, but no bare line break.
    ASSERT_EQ(smtp->SetFoldWidth(0), 0);
    ASSERT_EQ(smtp->SetFrom("x y,z\r\n\tw"), 0);
    EXPECT_STREQ(smtp->GetFrom(), "x y,z\r\n\tw");
    ASSERT_EQ(smtp->SetDate("Mon\r\nBcc: x"), 0);
    EXPECT_STREQ(smtp->GetDate(), "Mon  Bcc: x");
    // Not folded: the body is dot-stuffed instead, other texts are kept as written.
    std::string longText(200, 'q');
    longText[100] = ' ';
    ASSERT_EQ(smtp->SetFoldWidth(10), 0);
    ASSERT_EQ(smtp->SetExtraHeaders(longText.c_str()), 0);
    EXPECT_EQ(std::string(smtp->GetExtraHeaders()), longText);
    ASSERT_EQ(smtp->SetBody(".a\n.b\r\n..c\nd.e\n"), 0);
    EXPECT_STREQ(smtp->GetBody(), "..a\n..b\r\n...c\nd.e\n");
}
