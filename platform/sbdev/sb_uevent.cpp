#include "platform/sbdev/sb_uevent.h"

#include "platform/sbdev/sb_wire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Monitors {
    std::mutex lock;
    std::map<int, std::shared_ptr<sbwire::Connection>> sim;
};

Monitors& monitors()
{
    static Monitors m;
    return m;
}

// Binds a uevent socket to the kernel's own group (before udev rewrites the events); the socket,
// or -1 with errno (the socket closed).
int bindKernelGroup(int fd, __u32 port)
{
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_pid = port;
    addr.nl_groups = 1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int openKernelMonitor()
{
    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    return fd < 0 ? -1 : bindKernelGroup(fd, 0);
}

int openHotplugSocket(int* rcvbufError)
{
    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        return -1;
    }
    const int size = 16384;
    const int set = setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof(size));
    if (rcvbufError != nullptr) {
        *rcvbufError = set == 0 ? 0 : errno;
    }
    return bindKernelGroup(fd, static_cast<__u32>(getpid()));
}

int openSimMonitor()
{
    auto conn = std::make_shared<sbwire::Connection>();
    if (!conn->connect()) {
        errno = ENODEV;
        return -1;
    }
    const sbwire::Reply reply = conn->request(sbwire::Type::UeventSubscribe, {});
    if (reply.result < 0) {
        errno = reply.error != 0 ? reply.error : EIO;
        return -1;
    }
    Monitors& m = monitors();
    std::lock_guard<std::mutex> guard(m.lock);
    const int fd = conn->fd();
    m.sim[fd] = std::move(conn);
    return fd;
}

}  // namespace

int sb_uevent_open()
{
    return sbwire::simulatorPresent() ? openSimMonitor() : openKernelMonitor();
}

int sb_uevent_open_hotplug(int* rcvbufError)
{
    if (rcvbufError != nullptr) {
        *rcvbufError = 0;
    }
    return sbwire::simulatorPresent() ? openSimMonitor() : openHotplugSocket(rcvbufError);
}

ssize_t sb_uevent_recv(int fd, char* buf, size_t len)
{
    std::shared_ptr<sbwire::Connection> conn;
    {
        Monitors& m = monitors();
        std::lock_guard<std::mutex> guard(m.lock);
        auto it = m.sim.find(fd);
        if (it != m.sim.end()) {
            conn = it->second;
        }
    }
    if (!conn) {
        return recv(fd, buf, len, 0);
    }
    auto event = conn->nextEvent(true);
    if (!event) {
        errno = EIO;
        return -1;
    }
    const size_t n = std::min(len, event->size());
    std::memcpy(buf, event->data(), n);
    return static_cast<ssize_t>(n);
}

int sb_uevent_close(int fd)
{
    std::shared_ptr<sbwire::Connection> conn;
    {
        Monitors& m = monitors();
        std::lock_guard<std::mutex> guard(m.lock);
        auto it = m.sim.find(fd);
        if (it != m.sim.end()) {
            conn = std::move(it->second);
            m.sim.erase(it);
        }
    }
    if (conn) {
        conn->release();
    }
    return close(fd);
}

const char* sb_uevent_get(const char* event, size_t len, const char* key)
{
    if (event == nullptr || key == nullptr) {
        return nullptr;
    }
    const size_t keyLen = std::strlen(key);
    size_t at = 0;
    while (at < len) {
        const void* nul = std::memchr(event + at, '\0', len - at);
        if (nul == nullptr) {
            return nullptr;
        }
        const size_t end = static_cast<size_t>(static_cast<const char*>(nul) - event);
        if (end - at > keyLen && std::memcmp(event + at, key, keyLen) == 0 && event[at + keyLen] == '=') {
            return event + at + keyLen + 1;
        }
        at = end + 1;
    }
    return nullptr;
}
