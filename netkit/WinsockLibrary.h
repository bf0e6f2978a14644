/*
 * The process-wide socket library state shared by every component: the library file, loaded
 * at run time by its file name, its function table, the use count and the start-up record
 * whose texts and maxima the components expose as their Winsock properties. Components take
 * a reference when created and release it when deleted. Guarded by a mutex, so components of
 * different threads may come and go; the table stays valid while the caller holds a reference.
 */
#ifndef NETKIT_WINSOCKLIBRARY_H
#define NETKIT_WINSOCKLIBRARY_H

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <string>

namespace netkit {

// The socket functions, resolved by name from the loaded library.
struct SocketFunctions {
    int (*socket)(int, int, int);
    int (*bind)(int, const sockaddr*, socklen_t);
    int (*connect)(int, const sockaddr*, socklen_t);
    ssize_t (*send)(int, const void*, size_t, int);
    ssize_t (*recv)(int, void*, size_t, int);
    int (*close)(int);
    int (*setsockopt)(int, int, int, const void*, socklen_t);
    int (*getsockopt)(int, int, int, void*, socklen_t*);
    int (*getsockname)(int, sockaddr*, socklen_t*);
    int (*gethostname)(char*, size_t);
    int (*getaddrinfo)(const char*, const char*, const addrinfo*, addrinfo**);
    void (*freeaddrinfo)(addrinfo*);
    in_addr_t (*inet_addr)(const char*);
    int (*fcntl)(int, int, ...);
};

struct WinsockInfo {
    std::string description;
    std::string status;
    unsigned short maxSockets = 0;
    unsigned short maxDatagram = 0;
};

class WinsockLibrary {
public:
    // Takes one reference: loads the library when needed and starts it. Returns 0, or
    // 10093 when the library cannot be loaded (the description then says so).
    static int Reference();
    // Gives one reference back; the library is unloaded when the count reaches zero.
    static void Release();
    // The function table; valid while the caller holds a reference.
    static const SocketFunctions* Functions();
    // The library file: its name as set, or its full path once loaded.
    static std::string Path();
    // Names the library file for the next load.
    static void SetPath(const std::string& path);
    static WinsockInfo Info();
};

} // namespace netkit

#endif
