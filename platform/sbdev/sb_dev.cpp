#include "platform/sbdev/sb_dev.h"

#include "platform/sbdev/sb_dev_priv.h"
#include "platform/sbdev/sb_wire.h"
#include "platform/sbroot/sb_root.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <linux/input.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The board's devices that a simulator serves; every other path is a real file under the root.
constexpr std::string_view kSimulatedPrefixes[] = {
    "/dev/hdmitx", "/dev/led_display", "/dev/input/", "/dev/i2c-", "/dev/mtd", "/sys/",
};

struct SimDevice {
    std::mutex lock;
    sbwire::Connection conn;
    bool inputDevice = false;
    bool nonBlocking = false;
    bool gone = false;  // the input device was unplugged
};

struct DevState {
    std::mutex lock;
    std::map<int, std::shared_ptr<SimDevice>> devices;
};

DevState& state()
{
    static DevState s;
    return s;
}

std::shared_ptr<SimDevice> findDevice(int fd)
{
    DevState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.devices.find(fd);
    return it == s.devices.end() ? nullptr : it->second;
}

// Turns a reply into the system call's result: the value, or -1 with errno.
int64_t finish(const sbwire::Reply& reply)
{
    if (reply.result < 0) {
        errno = reply.error != 0 ? reply.error : EIO;
        return -1;
    }
    return reply.result;
}

std::vector<uint8_t> ioctlHeader(unsigned long request, sbwire::IoctlArg kind, uint64_t value)
{
    std::vector<uint8_t> p;
    sbwire::putU32(p, static_cast<uint32_t>(request));
    sbwire::putU32(p, static_cast<uint32_t>(kind));
    sbwire::putU64(p, value);
    return p;
}

int i2cTransfer(SimDevice& dev, unsigned long request, void* arg)
{
    auto* data = static_cast<i2c_rdwr_ioctl_data*>(arg);
    if (data == nullptr || data->msgs == nullptr) {
        errno = EFAULT;
        return -1;
    }
    std::vector<uint8_t> p = ioctlHeader(request, sbwire::IoctlArg::I2cRdwr, 0);
    sbwire::putU32(p, data->nmsgs);
    size_t readBytes = 0;
    for (uint32_t i = 0; i < data->nmsgs; ++i) {
        const i2c_msg& m = data->msgs[i];
        sbwire::putU16(p, m.addr);
        sbwire::putU16(p, m.flags);
        sbwire::putU16(p, m.len);
        if ((m.flags & I2C_M_RD) != 0) {
            readBytes += m.len;
        } else {
            sbwire::putBytes(p, m.buf, m.len);
        }
    }
    const sbwire::Reply reply = dev.conn.request(sbwire::Type::Ioctl, p);
    const int64_t result = finish(reply);
    if (result < 0) {
        return -1;
    }
    if (reply.data.size() != readBytes) {
        errno = EIO;
        return -1;
    }
    size_t at = 0;
    for (uint32_t i = 0; i < data->nmsgs; ++i) {
        i2c_msg& m = data->msgs[i];
        if ((m.flags & I2C_M_RD) != 0) {
            std::memcpy(m.buf, reply.data.data() + at, m.len);
            at += m.len;
        }
    }
    return static_cast<int>(result);
}

// Copies waiting input records into the caller's struct input_event array (the platform's own
// layout: 16 bytes on the 32-bit board, 24 on a 64-bit host).
ssize_t readInput(SimDevice& dev, void* buf, size_t len)
{
    if (len < sizeof(input_event)) {
        errno = EINVAL;
        return -1;
    }
    size_t done = 0;
    while (!dev.gone && done + sizeof(input_event) <= len) {
        auto payload = dev.conn.nextEvent(done == 0 && !dev.nonBlocking);
        if (!payload) {
            break;
        }
        if (payload->empty()) {
            dev.gone = true;
            break;
        }
        auto rec = sbwire::decodeInput(*payload);
        if (!rec) {
            continue;
        }
        input_event ev{};
        ev.input_event_sec = static_cast<decltype(ev.input_event_sec)>(rec->sec);
        ev.input_event_usec = static_cast<decltype(ev.input_event_usec)>(rec->usec);
        ev.type = rec->type;
        ev.code = rec->code;
        ev.value = rec->value;
        std::memcpy(static_cast<char*>(buf) + done, &ev, sizeof(ev));
        done += sizeof(ev);
    }
    if (done == 0) {
        errno = dev.nonBlocking && !dev.gone ? EAGAIN : ENODEV;
        return -1;
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

namespace sbdev {

bool isSimulatedPath(std::string_view path)
{
    return std::any_of(std::begin(kSimulatedPrefixes), std::end(kSimulatedPrefixes),
                       [&](std::string_view prefix) { return path.substr(0, prefix.size()) == prefix; });
}

}  // namespace sbdev

int sb_dev_open(const char* path, int flags)
{
    if (path == nullptr) {
        errno = EFAULT;
        return -1;
    }
    if (!sbdev::isSimulatedPath(path) || !sbwire::simulatorPresent()) {
        return open(sb::path(path).c_str(), flags, 0644);
    }
    auto dev = std::make_shared<SimDevice>();
    if (!dev->conn.connect()) {
        errno = ENODEV;
        return -1;
    }
    std::vector<uint8_t> p;
    sbwire::putU32(p, static_cast<uint32_t>(flags));
    sbwire::putBytes(p, path, std::strlen(path));
    const sbwire::Reply reply = dev->conn.request(sbwire::Type::Open, p);
    if (finish(reply) < 0) {
        return -1;
    }
    dev->inputDevice = !reply.data.empty() && reply.data[0] == 1;
    dev->nonBlocking = (flags & O_NONBLOCK) != 0;
    const int fd = dev->conn.fd();
    DevState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.devices[fd] = std::move(dev);
    return fd;
}

int sb_dev_close(int fd)
{
    std::shared_ptr<SimDevice> dev;
    {
        DevState& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        auto it = s.devices.find(fd);
        if (it != s.devices.end()) {
            dev = std::move(it->second);
            s.devices.erase(it);
        }
    }
    if (dev) {
        std::lock_guard<std::mutex> guard(dev->lock);
        dev->conn.release();
    }
    return close(fd);
}

ssize_t sb_dev_read(int fd, void* buf, size_t len)
{
    auto dev = findDevice(fd);
    if (!dev) {
        return read(fd, buf, len);
    }
    std::lock_guard<std::mutex> guard(dev->lock);
    if (dev->inputDevice) {
        return readInput(*dev, buf, len);
    }
    std::vector<uint8_t> p;
    sbwire::putU32(p, static_cast<uint32_t>(std::min<size_t>(len, sbwire::kMaxPayload - 64)));
    const sbwire::Reply reply = dev->conn.request(sbwire::Type::Read, p);
    if (finish(reply) < 0) {
        return -1;
    }
    const size_t n = std::min(len, reply.data.size());
    std::memcpy(buf, reply.data.data(), n);
    return static_cast<ssize_t>(n);
}

ssize_t sb_dev_write(int fd, const void* buf, size_t len)
{
    auto dev = findDevice(fd);
    if (!dev) {
        return write(fd, buf, len);
    }
    if (len > sbwire::kMaxPayload - 64) {
        errno = EFBIG;
        return -1;
    }
    std::lock_guard<std::mutex> guard(dev->lock);
    std::vector<uint8_t> p;
    sbwire::putBytes(p, buf, len);
    return static_cast<ssize_t>(finish(dev->conn.request(sbwire::Type::Write, p)));
}

off_t sb_dev_lseek(int fd, off_t offset, int whence)
{
    auto dev = findDevice(fd);
    if (!dev) {
        return lseek(fd, offset, whence);
    }
    std::lock_guard<std::mutex> guard(dev->lock);
    std::vector<uint8_t> p;
    sbwire::putU64(p, static_cast<uint64_t>(static_cast<int64_t>(offset)));
    sbwire::putU32(p, static_cast<uint32_t>(whence));
    return static_cast<off_t>(finish(dev->conn.request(sbwire::Type::Lseek, p)));
}

int sb_dev_poll(struct pollfd* fds, nfds_t count, int timeoutMs)
{
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
        auto dev = findDevice(fds[i].fd);
        if (dev && (fds[i].events & POLLIN) != 0) {
            std::lock_guard<std::mutex> guard(dev->lock);
            if (dev->conn.hasQueuedEvent()) {
                ++ready;
            }
        }
    }
    const int polled = poll(fds, count, ready > 0 ? 0 : timeoutMs);
    if (polled < 0 || ready == 0) {
        return polled;
    }
    // Records already taken off a connection count as readable although its socket is drained.
    int total = 0;
    for (nfds_t i = 0; i < count; ++i) {
        auto dev = findDevice(fds[i].fd);
        if (dev && (fds[i].events & POLLIN) != 0) {
            std::lock_guard<std::mutex> guard(dev->lock);
            if (dev->conn.hasQueuedEvent()) {
                fds[i].revents |= POLLIN;
            }
        }
        total += fds[i].revents != 0 ? 1 : 0;
    }
    return total;
}

int sb_dev_ioctl_ptr(int fd, unsigned long request, void* arg)
{
    auto dev = findDevice(fd);
    if (!dev) {
        return ioctl(fd, request, arg);
    }
    std::lock_guard<std::mutex> guard(dev->lock);
    if (request == I2C_RDWR) {
        return i2cTransfer(*dev, request, arg);
    }
    const unsigned dir = _IOC_DIR(request);
    const size_t size = _IOC_SIZE(request);
    std::vector<uint8_t> p = ioctlHeader(request, sbwire::IoctlArg::Pointer, 0);
    if (size > 0 && (dir & _IOC_WRITE) != 0) {
        if (arg == nullptr) {
            errno = EFAULT;
            return -1;
        }
        sbwire::putBytes(p, arg, size);
    }
    const sbwire::Reply reply = dev->conn.request(sbwire::Type::Ioctl, p);
    const int64_t result = finish(reply);
    if (result < 0) {
        return -1;
    }
    if (size > 0 && (dir & _IOC_READ) != 0 && !reply.data.empty()) {
        if (arg == nullptr) {
            errno = EFAULT;
            return -1;
        }
        std::memcpy(arg, reply.data.data(), std::min(size, reply.data.size()));
    }
    return static_cast<int>(result);
}

int sb_dev_ioctl_val(int fd, unsigned long request, unsigned long value)
{
    auto dev = findDevice(fd);
    if (!dev) {
        return ioctl(fd, request, value);
    }
    std::lock_guard<std::mutex> guard(dev->lock);
    const std::vector<uint8_t> p = ioctlHeader(request, sbwire::IoctlArg::Value, value);
    return static_cast<int>(finish(dev->conn.request(sbwire::Type::Ioctl, p)));
}
