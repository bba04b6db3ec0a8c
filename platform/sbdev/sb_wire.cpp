#include "platform/sbdev/sb_wire.h"

#include "common/support/support.h"
#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sbwire {

void putU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void putU64(std::vector<uint8_t>& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void putBytes(std::vector<uint8_t>& out, const void* data, size_t len)
{
    const auto* p = static_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + len);
}

uint16_t getU16(const uint8_t* p)
{
    return sb::loadLe16(p);
}

uint32_t getU32(const uint8_t* p)
{
    return sb::loadLe32(p);
}

uint64_t getU64(const uint8_t* p)
{
    return getU32(p) | (static_cast<uint64_t>(getU32(p + 4)) << 32);
}

std::vector<uint8_t> encodeReply(const Reply& reply)
{
    std::vector<uint8_t> out;
    putU64(out, static_cast<uint64_t>(reply.result));
    putU32(out, static_cast<uint32_t>(reply.error));
    putBytes(out, reply.data.data(), reply.data.size());
    return out;
}

std::optional<Reply> decodeReply(const std::vector<uint8_t>& payload)
{
    if (payload.size() < 12) {
        return std::nullopt;
    }
    Reply r;
    r.result = static_cast<int64_t>(getU64(payload.data()));
    r.error = static_cast<int32_t>(getU32(payload.data() + 8));
    r.data.assign(payload.begin() + 12, payload.end());
    return r;
}

std::vector<uint8_t> encodeInput(const InputRecord& rec)
{
    std::vector<uint8_t> out;
    putU64(out, static_cast<uint64_t>(rec.sec));
    putU64(out, static_cast<uint64_t>(rec.usec));
    putU16(out, rec.type);
    putU16(out, rec.code);
    putU32(out, static_cast<uint32_t>(rec.value));
    return out;
}

std::optional<InputRecord> decodeInput(const std::vector<uint8_t>& payload)
{
    if (payload.size() != kInputRecordSize) {
        return std::nullopt;
    }
    InputRecord r;
    r.sec = static_cast<int64_t>(getU64(payload.data()));
    r.usec = static_cast<int64_t>(getU64(payload.data() + 8));
    r.type = getU16(payload.data() + 16);
    r.code = getU16(payload.data() + 18);
    r.value = static_cast<int32_t>(getU32(payload.data() + 20));
    return r;
}

namespace {

bool sendAll(int fd, const uint8_t* p, size_t len)
{
    while (len > 0) {
        const ssize_t n = send(fd, p, len, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

bool recvAll(int fd, uint8_t* p, size_t len, int* receivedFd)
{
    while (len > 0) {
        iovec iov{p, len};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof(control);
        const ssize_t n = recvmsg(fd, &msg, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
                int passed = -1;
                std::memcpy(&passed, CMSG_DATA(c), sizeof(int));
                if (receivedFd != nullptr && *receivedFd < 0) {
                    *receivedFd = passed;
                } else {
                    close(passed);
                }
            }
        }
        p += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool sendFrame(int fd, Type type, const void* payload, size_t len, int fdToPass)
{
    if (len > kMaxPayload) {
        return false;
    }
    std::vector<uint8_t> frame;
    frame.reserve(kHeaderSize + len);
    putU32(frame, static_cast<uint32_t>(type));
    putU32(frame, static_cast<uint32_t>(len));
    putBytes(frame, payload, len);
    if (fdToPass < 0) {
        return sendAll(fd, frame.data(), frame.size());
    }
    iovec iov{frame.data(), frame.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof(control);
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &fdToPass, sizeof(int));
    ssize_t n;
    do {
        n = sendmsg(fd, &msg, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return false;
    }
    return sendAll(fd, frame.data() + n, frame.size() - static_cast<size_t>(n));
}

bool recvFrame(int fd, Frame& frame, int* receivedFd)
{
    uint8_t header[kHeaderSize];
    if (!recvAll(fd, header, sizeof(header), receivedFd)) {
        return false;
    }
    const uint32_t len = getU32(header + 4);
    if (len > kMaxPayload) {
        return false;
    }
    frame.type = static_cast<Type>(getU32(header));
    frame.payload.resize(len);
    return len == 0 || recvAll(fd, frame.payload.data(), len, receivedFd);
}

std::string socketPath(const std::string& root)
{
    if (root.empty()) {
        return sb::path(kSocketPath);
    }
    return root + kSocketPath;
}

bool simulatorPresent()
{
    struct stat st {};
    return stat(socketPath().c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

Connection::~Connection()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool Connection::connect(const std::string& root)
{
    const std::string path = socketPath(root);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = fd;
    return true;
}

int Connection::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

Reply Connection::request(Type type, const std::vector<uint8_t>& payload, int* receivedFd)
{
    Reply failed;
    failed.error = EIO;
    if (fd_ < 0 || !sendFrame(fd_, type, payload.data(), payload.size())) {
        return failed;
    }
    for (;;) {
        Frame frame;
        if (!recvFrame(fd_, frame, receivedFd)) {
            return failed;
        }
        if (frame.type == Type::Event) {
            events_.push_back(std::move(frame.payload));
            continue;
        }
        auto reply = decodeReply(frame.payload);
        return reply ? *reply : failed;
    }
}

std::optional<std::vector<uint8_t>> Connection::nextEvent(bool wait)
{
    if (!events_.empty()) {
        auto e = std::move(events_.front());
        events_.pop_front();
        return e;
    }
    while (fd_ >= 0) {
        if (!wait) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 0) <= 0) {
                return std::nullopt;
            }
        }
        Frame frame;
        if (!recvFrame(fd_, frame)) {
            return std::nullopt;
        }
        if (frame.type == Type::Event) {
            return std::move(frame.payload);
        }
    }
    return std::nullopt;
}

}  // namespace sbwire
