#include "netkit/WinsockLibrary.h"

#include "netkit/ErrorTexts.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/resource.h>
#include <sys/utsname.h>

#include <algorithm>
#include <mutex>

namespace netkit {

namespace {

// The C library provides the BSD sockets; it stands where the Winsock library stood.
const char* const kDefaultLibrary = "libc.so.6";
const char* const kLoadFailed = "Could not load Winsock library.";
// Largest UDP payload over IPv4.
constexpr unsigned short kMaxDatagram = 65507;

struct State {
    std::mutex mutex;
    std::string path = kDefaultLibrary;
    void* handle = nullptr;
    int useCount = 0;
    bool functionsResolved = false;
    SocketFunctions functions{};
    WinsockInfo info;
};

State& TheState() {
    static State state;
    return state;
}

template <typename Function> bool Resolve(void* handle, const char* name, Function& target) {
    target = reinterpret_cast<Function>(dlsym(handle, name));
    return target != nullptr;
}

bool ResolveAll(void* handle, SocketFunctions& f) {
    return Resolve(handle, "socket", f.socket) && Resolve(handle, "bind", f.bind) &&
           Resolve(handle, "connect", f.connect) && Resolve(handle, "send", f.send) &&
           Resolve(handle, "recv", f.recv) && Resolve(handle, "close", f.close) &&
           Resolve(handle, "setsockopt", f.setsockopt) &&
           Resolve(handle, "getsockopt", f.getsockopt) &&
           Resolve(handle, "getsockname", f.getsockname) &&
           Resolve(handle, "gethostname", f.gethostname) &&
           Resolve(handle, "getaddrinfo", f.getaddrinfo) &&
           Resolve(handle, "freeaddrinfo", f.freeaddrinfo) &&
           Resolve(handle, "inet_addr", f.inet_addr) && Resolve(handle, "fcntl", f.fcntl);
}

std::string LoadedPath(void* handle, const std::string& fallback) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
        map->l_name[0] != '\0') {
        return map->l_name;
    }
    return fallback;
}

// The start-up record: what the socket layer of this system offers.
void Start(State& state) {
    utsname name{};
    std::string description = "BSD sockets";
    if (uname(&name) == 0) {
        description += " on ";
        description += name.sysname;
        description += " ";
        description += name.release;
    }
    state.info.description = description.substr(0, 256);
    state.info.status = "Running";
    rlimit limit{};
    rlim_t sockets = 65535;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        sockets = std::min<rlim_t>(limit.rlim_cur, 65535);
    }
    state.info.maxSockets = static_cast<unsigned short>(sockets);
    state.info.maxDatagram = kMaxDatagram;
}

} // namespace

int WinsockLibrary::Reference() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (state.handle == nullptr) {
        void* handle = dlopen(state.path.c_str(), RTLD_NOW | RTLD_LOCAL);
        SocketFunctions functions{};
        if (handle == nullptr || !ResolveAll(handle, functions)) {
            if (handle != nullptr) {
                dlclose(handle);
            }
            state.info.description = kLoadFailed;
            return kWsaNotInitialised;
        }
        state.handle = handle;
        state.functions = functions;
        state.functionsResolved = true;
        state.path = LoadedPath(handle, state.path);
    }
    ++state.useCount;
    Start(state);
    return 0;
}

void WinsockLibrary::Release() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (state.useCount == 0) {
        return;
    }
    --state.useCount;
    state.info.description.clear();
    state.info.status = "Down";
    state.info.maxSockets = 0;
    state.info.maxDatagram = 0;
    if (state.useCount == 0) {
        dlclose(state.handle);
        state.handle = nullptr;
        state.functionsResolved = false;
        state.functions = {};
    }
}

const SocketFunctions* WinsockLibrary::Functions() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    return state.functionsResolved ? &state.functions : nullptr;
}

std::string WinsockLibrary::Path() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    return state.path;
}

void WinsockLibrary::SetPath(const std::string& path) {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    state.path = path;
}

WinsockInfo WinsockLibrary::Info() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    return state.info;
}

} // namespace netkit
