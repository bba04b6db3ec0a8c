// The key monitor: one thread that opens every event device under "/dev/input", follows devices
// that appear and disappear, classifies each by its name and hands every input record to key
// input.
#include "main/gui/gui_key.h"
#include "main/gui/ui_priv.h"
#include "platform/sbdev/sb_dev.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kInputDir = "/dev/input";
constexpr size_t kNameSize = 80;
constexpr size_t kInotifyBufSize = 512;

// The device table: entry 0 is the watch on the directory, the others open devices.
struct DeviceTable {
    std::vector<pollfd> fds;
    std::vector<std::string> paths;
    std::array<uint8_t, UI_MAX_POLL_ENTRIES> kinds{};
};

void stopMonitor();

struct KeyMonitor {
    std::thread thread;
    int stopFd = -1;  // written by the stopping thread; the monitor polls it beside its table
    // The thread is joined also when the process ends without the application's exit.
    ~KeyMonitor() { stopMonitor(); }
};

KeyMonitor gMonitor;
std::atomic<uint32_t> gDeviceCount{0};

void publishCount(const DeviceTable& t)
{
    gDeviceCount = static_cast<uint32_t>(t.fds.size() - 1);
}

bool containsNoCase(const char* name, const char* part)
{
    const size_t n = strlen(name);
    const size_t m = strlen(part);
    for (size_t i = 0; i + m <= n; ++i) {
        size_t j = 0;
        while (j < m &&
               tolower(static_cast<unsigned char>(name[i + j])) == tolower(static_cast<unsigned char>(part[j]))) {
            ++j;
        }
        if (j == m) {
            return true;
        }
    }
    return false;
}

// A query whose answer is a string: empty when the query fails, always terminated.
void queryText(int fd, unsigned long request, char (&buf)[kNameSize])
{
    memset(buf, 0, sizeof(buf));
    if (sb_dev_ioctl(fd, request, buf) < 0) {
        buf[0] = '\0';
    }
    buf[kNameSize - 1] = '\0';
}

void closeDevice(DeviceTable& t, const std::string& path)
{
    for (size_t i = 1; i < t.fds.size(); ++i) {
        if (t.paths[i] != path) {
            continue;
        }
        UI_LOG_INFO("remove pDevice %d: %s", static_cast<int>(i), path.c_str());
        if (t.fds[i].fd >= 0) {
            sb_dev_close(t.fds[i].fd);
        }
        t.fds.erase(t.fds.begin() + static_cast<std::ptrdiff_t>(i));
        t.paths.erase(t.paths.begin() + static_cast<std::ptrdiff_t>(i));
        for (size_t k = i; k + 1 < t.kinds.size(); ++k) {
            t.kinds[k] = t.kinds[k + 1];
        }
        t.kinds[t.kinds.size() - 1] = GUI_KEY_DEV_OTHER;
        publishCount(t);
        return;
    }
    UI_LOG_ERR("remote pDevice: %s not found", path.c_str());
}

void openDevice(DeviceTable& t, const std::string& path)
{
    // A node created while the directory was being scanned is reported by the scan and by its
    // creation event; it is opened once.
    for (size_t i = 1; i < t.paths.size(); ++i) {
        if (t.paths[i] == path && t.fds[i].fd >= 0) {
            return;
        }
        if (t.paths[i] == path) {
            closeDevice(t, path);  // closed after a failed read: its new node replaces it
            break;
        }
    }
    const int fd = sb_dev_open(path.c_str(), O_RDWR);
    if (fd < 0) {
        UI_LOG_ERR("could not open %s, %s", path.c_str(), strerror(errno));
        return;
    }
    int version = 0;
    if (sb_dev_ioctl(fd, EVIOCGVERSION, &version) < 0) {
        UI_LOG_ERR("get driver version fail%s,%s", path.c_str(), strerror(errno));
        sb_dev_close(fd);
        return;
    }
    input_id id{};
    if (sb_dev_ioctl(fd, EVIOCGID, &id) < 0) {
        UI_LOG_ERR("get driver id fail %s, %s", path.c_str(), strerror(errno));
        sb_dev_close(fd);
        return;
    }
    char name[kNameSize];
    char phys[kNameSize];
    char uniq[kNameSize];
    queryText(fd, EVIOCGNAME(kNameSize), name);
    queryText(fd, EVIOCGPHYS(kNameSize), phys);
    queryText(fd, EVIOCGUNIQ(kNameSize), uniq);
    if (t.fds.size() >= UI_MAX_POLL_ENTRIES) {
        UI_LOG_ERR("too many input devices, %s (%s) not watched", path.c_str(), name);
        sb_dev_close(fd);
        return;
    }
    const size_t at = t.fds.size();
    t.fds.push_back({fd, POLLIN, 0});
    t.paths.push_back(path);
    t.kinds[at] = uiDeviceKindOfName(name);
    publishCount(t);
}

void scanDir(DeviceTable& t)
{
    DIR* dir = opendir(sb::path(kInputDir).c_str());
    if (dir == nullptr) {
        UI_LOG_ERR("scan dir failed for %s", kInputDir);
        return;
    }
    // The 64-bit entry reader: a 32-bit one fails on directories whose offsets need 64 bits.
    while (const dirent64* de = readdir64(dir)) {
        if (strcmp(de->d_name, ".") == 0 || strcmp(de->d_name, "..") == 0) {
            continue;
        }
        const std::string path = std::string(kInputDir) + "/" + de->d_name;
        UI_LOG_INFO("%s(), uiOpenDevice %s", __func__, path.c_str());
        openDevice(t, path);
    }
    closedir(dir);
}

void readDirEvents(DeviceTable& t)
{
    alignas(inotify_event) char buf[kInotifyBufSize];
    const ssize_t n = read(t.fds[0].fd, buf, sizeof(buf));
    if (n < static_cast<ssize_t>(sizeof(inotify_event))) {
        if (!(n < 0 && errno == EINTR)) {
            UI_LOG_ERR("could not get event, %s", strerror(errno));
        }
        return;
    }
    size_t at = 0;
    while (at + sizeof(inotify_event) <= static_cast<size_t>(n)) {
        inotify_event ev{};
        memcpy(&ev, buf + at, sizeof(ev));
        const size_t whole = sizeof(inotify_event) + ev.len;
        if (at + whole > static_cast<size_t>(n)) {
            break;
        }
        if (ev.len > 0) {
            // The name is padded with NULs inside its length; bound it all the same.
            const char* name = buf + at + sizeof(inotify_event);
            const std::string node(name, strnlen(name, ev.len));
            const std::string path = std::string(kInputDir) + "/" + node;
            if ((ev.mask & IN_CREATE) != 0) {
                openDevice(t, path);
            } else {
                closeDevice(t, path);
            }
        }
        at += whole;
    }
}

// One record of device `i`. A read that fails outright (the device or the simulator behind it is
// gone) would fail again at once on every poll: the device is closed, with one line, and stays in
// the table unpolled until its node is deleted or created again.
void failDevice(DeviceTable& t, size_t i, const char* why)
{
    UI_LOG_ERR("could not get event, %s: %s, closed until it comes back", t.paths[i].c_str(), why);
    sb_dev_close(t.fds[i].fd);
    t.fds[i].fd = -1;
}

void readRecord(DeviceTable& t, size_t i)
{
    input_event ev{};
    const ssize_t n = sb_dev_read(t.fds[i].fd, &ev, sizeof(ev));
    if (n <= 0 && !(n < 0 && (errno == EINTR || errno == EAGAIN))) {
        failDevice(t, i, n == 0 ? "end of data" : strerror(errno));
        return;
    }
    if (n < static_cast<ssize_t>(sizeof(ev))) {
        UI_LOG_ERR("could not get event");
        return;
    }
    guiKeyIrProcess(t.kinds[i], &ev);
}

void monitor(int stopFd)
{
    DeviceTable t;
    const int inotifyFd = inotify_init1(IN_CLOEXEC);
    t.fds.push_back({inotifyFd, POLLIN, 0});
    t.paths.emplace_back();
    if (inotifyFd < 0 || inotify_add_watch(inotifyFd, sb::path(kInputDir).c_str(), IN_CREATE | IN_DELETE) < 0) {
        UI_LOG_ERR("could not add watch for %s, %s", kInputDir, strerror(errno));
    }
    scanDir(t);
    std::vector<pollfd> fds;
    for (;;) {
        fds = t.fds;
        fds.push_back({stopFd, POLLIN, 0});
        if (sb_dev_poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            UI_LOG_ERR("poll failed, %s", strerror(errno));
            break;
        }
        if ((fds.back().revents & POLLIN) != 0) {
            break;
        }
        for (size_t i = 1; i < t.fds.size(); ++i) {
            if ((fds[i].revents & POLLIN) != 0) {
                readRecord(t, i);
            } else if ((fds[i].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                // A device gone without its directory event yet.
                failDevice(t, i, "hung up");
            }
        }
        if ((fds[0].revents & POLLIN) != 0) {
            readDirEvents(t);
        }
    }
    for (size_t i = 1; i < t.fds.size(); ++i) {
        if (t.fds[i].fd >= 0) {
            sb_dev_close(t.fds[i].fd);
        }
    }
    if (inotifyFd >= 0) {
        close(inotifyFd);
    }
    gDeviceCount = 0;
}

}  // namespace

uint32_t uiKeyMonitorDeviceCount(void)
{
    return gDeviceCount.load();
}

uint8_t uiDeviceKindOfName(const char* name)
{
    uint8_t kind = GUI_KEY_DEV_OTHER;
    for (const char* panel : {"kvx-kpd", "kvx-pmic-keys", "gpio-keys"}) {
        if (containsNoCase(name, panel)) {
            kind = GUI_KEY_DEV_PANEL;
        }
    }
    for (const char* remote : {"KVX_Remote_Controller", "KVX_Remote_Controller_Mouse"}) {
        if (containsNoCase(name, remote)) {
            kind = GUI_KEY_DEV_IR;
        }
    }
    return kind;
}

int32_t uiKeyMonitorStart(void)
{
    if (gMonitor.thread.joinable()) {
        return 0;
    }
    gMonitor.stopFd = eventfd(0, EFD_CLOEXEC);
    if (gMonitor.stopFd < 0) {
        return -1;
    }
    const int stopFd = gMonitor.stopFd;
    try {
        gMonitor.thread = std::thread([stopFd] { monitor(stopFd); });
    } catch (const std::system_error& e) {
        // Out of threads or memory: reported to the start, which a later start may retry.
        close(gMonitor.stopFd);
        gMonitor.stopFd = -1;
        return e.code().value() != 0 ? e.code().value() : -1;
    }
    return 0;
}

void uiKeyMonitorStop(void)
{
    stopMonitor();
}

namespace {

void stopMonitor()
{
    if (!gMonitor.thread.joinable()) {
        return;
    }
    const uint64_t one = 1;
    if (write(gMonitor.stopFd, &one, sizeof(one)) != static_cast<ssize_t>(sizeof(one))) {
        UI_LOG_ERR("could not stop the key monitor");
        gMonitor.thread.detach();
        return;
    }
    gMonitor.thread.join();
    close(gMonitor.stopFd);
    gMonitor.stopFd = -1;
}

}  // namespace
