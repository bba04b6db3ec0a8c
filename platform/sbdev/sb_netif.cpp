#include "platform/sbdev/sb_netif.h"

#include "platform/sbdev/sb_call.h"
#include "platform/sbdev/sb_wire.h"

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

int sb_netif_flags(const char* ifname, short* flags)
{
    if (ifname == nullptr || flags == nullptr || std::strlen(ifname) >= IFNAMSIZ) {
        errno = EINVAL;
        return -1;
    }
    if (sbwire::simulatorPresent()) {
        const long v = sbdev::simCall({"netif", ifname});
        if (v < 0) {
            return -1;
        }
        *flags = static_cast<short>(v);
        return 0;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    ifreq req{};
    std::memcpy(req.ifr_name, ifname, std::strlen(ifname));
    const int r = ioctl(fd, SIOCGIFFLAGS, &req);
    const int error = errno;
    close(fd);
    if (r != 0) {
        errno = error;
        return -1;
    }
    *flags = req.ifr_flags;
    return 0;
}
