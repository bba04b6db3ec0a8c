#include "platform/sbdev/sb_mount.h"

#include "platform/sbdev/sb_call.h"
#include "platform/sbdev/sb_wire.h"

#include <cerrno>
#include <string>
#include <sys/mount.h>

namespace {

std::string text(const char* s)
{
    return s == nullptr ? std::string("none") : "\"" + std::string(s) + "\"";
}

}  // namespace

int sb_mount(const char* source, const char* target, const char* type, unsigned long flags, const void* data)
{
    if (!sbwire::simulatorPresent()) {
        return mount(source, target, type, flags, data);
    }
    if (target == nullptr) {
        errno = EFAULT;
        return -1;
    }
    return static_cast<int>(sbdev::simCall({"mount", text(source), text(target), text(type), std::to_string(flags),
                                            text(static_cast<const char*>(data))}));
}

int sb_umount(const char* target)
{
    if (!sbwire::simulatorPresent()) {
        return umount(target);
    }
    if (target == nullptr) {
        errno = EFAULT;
        return -1;
    }
    return static_cast<int>(sbdev::simCall({"umount", text(target)}));
}

int sb_umount2(const char* target, int flags)
{
    if (!sbwire::simulatorPresent()) {
        return umount2(target, flags);
    }
    if (target == nullptr) {
        errno = EFAULT;
        return -1;
    }
    return static_cast<int>(sbdev::simCall({"umount2", text(target), std::to_string(flags)}));
}
