#include "platform/sbdev/sb_udev.h"

#include "platform/sbdev/sb_uevent.h"
#include "platform/sbdev/sb_wire.h"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

struct UdevMonitor {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
};

struct Monitors {
    std::mutex lock;
    std::map<int, UdevMonitor> udev;
};

Monitors& monitors()
{
    static Monitors m;
    return m;
}

void release(UdevMonitor& m)
{
    if (m.monitor != nullptr) {
        udev_monitor_unref(m.monitor);
    }
    if (m.context != nullptr) {
        udev_unref(m.context);
    }
}

int openUdev(const char* const* subsystems, size_t count)
{
    UdevMonitor m;
    m.context = udev_new();
    if (m.context == nullptr) {
        errno = ENOMEM;
        return -1;
    }
    m.monitor = udev_monitor_new_from_netlink(m.context, "udev");
    bool ok = m.monitor != nullptr;
    for (size_t i = 0; ok && i < count; ++i) {
        ok = udev_monitor_filter_add_match_subsystem_devtype(m.monitor, subsystems[i], nullptr) >= 0;
    }
    ok = ok && udev_monitor_enable_receiving(m.monitor) >= 0;
    const int fd = ok ? udev_monitor_get_fd(m.monitor) : -1;
    if (fd < 0) {
        const int error = errno != 0 ? errno : EIO;
        release(m);
        errno = error;
        return -1;
    }
    Monitors& all = monitors();
    std::lock_guard<std::mutex> guard(all.lock);
    all.udev[fd] = m;
    return fd;
}

udev_monitor* findUdev(int fd)
{
    Monitors& all = monitors();
    std::lock_guard<std::mutex> guard(all.lock);
    auto it = all.udev.find(fd);
    return it == all.udev.end() ? nullptr : it->second.monitor;
}

void append(std::string& out, const char* text)
{
    out += text;
    out += '\0';
}

}  // namespace

int sb_udev_monitor_open(const char* const* subsystems, size_t count)
{
    return sbwire::simulatorPresent() ? sb_uevent_open() : openUdev(subsystems, count);
}

ssize_t sb_udev_monitor_recv(int fd, char* buf, size_t len)
{
    udev_monitor* monitor = findUdev(fd);
    if (monitor == nullptr) {
        return sb_uevent_recv(fd, buf, len);
    }
    udev_device* dev = udev_monitor_receive_device(monitor);
    if (dev == nullptr) {
        return 0;
    }
    const char* action = udev_device_get_action(dev);
    const char* devpath = udev_device_get_devpath(dev);
    std::string event = std::string(action != nullptr ? action : "") + "@" + (devpath != nullptr ? devpath : "");
    event += '\0';
    for (udev_list_entry* e = udev_device_get_properties_list_entry(dev); e != nullptr;
         e = udev_list_entry_get_next(e)) {
        const char* value = udev_list_entry_get_value(e);
        append(event, (std::string(udev_list_entry_get_name(e)) + "=" + (value != nullptr ? value : "")).c_str());
    }
    udev_device_unref(dev);
    const size_t n = std::min(len, event.size());
    std::memcpy(buf, event.data(), n);
    return static_cast<ssize_t>(n);
}

int sb_udev_monitor_close(int fd)
{
    UdevMonitor m;
    {
        Monitors& all = monitors();
        std::lock_guard<std::mutex> guard(all.lock);
        auto it = all.udev.find(fd);
        if (it == all.udev.end()) {
            return sb_uevent_close(fd);
        }
        m = it->second;
        all.udev.erase(it);
    }
    release(m);  // closes the monitor's descriptor
    return 0;
}

const char* sb_udev_monitor_source(int fd)
{
    return findUdev(fd) != nullptr ? "udev netlink monitor" : "board simulator";
}
