#include "platform/sbsim/sim_server_priv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <sstream>
#include <thread>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sbsim {
namespace {

constexpr size_t kMaxPathLength = 4096;
constexpr const char* kSerialPorts[] = {"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyKV0"};

Words splitWords(const std::string& line)
{
    Words words;
    std::istringstream in(line);
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    return words;
}

Words splitLines(const Bytes& payload)
{
    Words fields;
    std::string field;
    for (uint8_t c : payload) {
        if (c == '\n') {
            fields.push_back(field);
            field.clear();
        } else {
            field += static_cast<char>(c);
        }
    }
    fields.push_back(field);
    return fields;
}

Result textResult(bool ok, const std::string& text)
{
    Result r = ok ? Result::ok() : Result::fail(EINVAL);
    r.data.assign(text.begin(), text.end());
    return r;
}

}  // namespace

Server::Server(const std::string& root, const std::string& cecDevice) : board_(root), ptys_(board_)
{
    board_.cecDevice = cecDevice;
    for (const char* dir : {"/sim", "/dev", "/dev/input", "/proc"}) {
        mkdir(board_.path(dir).c_str(), 0755);
    }
    models_.push_back(makeUevent(board_));  // first: the others raise events from their start on
    models_.push_back(makeHdmitx(board_));
    models_.push_back(makeDisplay(board_));
    models_.push_back(makeInput(board_));
    models_.push_back(makeWavrel(board_));
    models_.push_back(makeI2c(board_));
    models_.push_back(makeHdmiChipControl(board_));
    models_.push_back(makeSysfs(board_));
    models_.push_back(makeMtd(board_));
    models_.push_back(makeActl(board_));
    models_.push_back(makeUsb(board_));
    models_.push_back(makeMount(board_));
    models_.push_back(makeNet(board_));
    for (const char* port : kSerialPorts) {
        if (!ptys_.create(port)) {
            std::fprintf(stderr, "sbsim: no pseudo-terminal for %s\n", port);
        }
    }
}

Server::~Server()
{
    for (auto& [id, c] : clients_) {
        ::close(c.fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(sbwire::socketPath(board_.root()).c_str());
    }
    ptys_.removeLinks();
}

bool Server::listen()
{
    const std::string path = sbwire::socketPath(board_.root());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path)) {
        std::fprintf(stderr, "sbsim: socket path too long: %s\n", path.c_str());
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    sbwire::Connection probe;
    if (probe.connect(board_.root())) {
        std::fprintf(stderr, "sbsim: a simulator already serves %s\n", board_.root().c_str());
        return false;
    }
    ::unlink(path.c_str());
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        std::fprintf(stderr, "sbsim: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void Server::run(int stopFd)
{
    for (;;) {
        std::vector<pollfd> fds{{stopFd, POLLIN, 0}, {listenFd_, POLLIN, 0}};
        std::vector<uint64_t> ids;
        for (const auto& [id, c] : clients_) {
            fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
            ids.push_back(id);
        }
        const size_t ptyFrom = fds.size();
        ptys_.addPollFds(fds);
        const size_t watchFrom = fds.size();
        for (const auto& [fd, onReadable] : board_.watches) {
            fds.push_back({fd, POLLIN | POLLPRI, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            accept();
        }
        for (size_t i = 0; i < ids.size(); ++i) {
            auto it = clients_.find(ids[i]);
            if (fds[2 + i].revents == 0 || it == clients_.end()) {
                continue;
            }
            if ((fds[2 + i].revents & POLLOUT) != 0) {
                flush(it->second);
            }
            if ((fds[2 + i].revents & ~POLLOUT) != 0) {
                receive(ids[i]);
            }
        }
        for (size_t i = ptyFrom; i < watchFrom; ++i) {
            if ((fds[i].revents & POLLIN) != 0) {
                ptys_.onReadable(fds[i].fd);
            }
        }
        for (size_t i = watchFrom; i < fds.size(); ++i) {
            auto watch = board_.watches.find(fds[i].fd);
            if (fds[i].revents != 0 && watch != board_.watches.end()) {
                watch->second();
            }
        }
        dropClosing();
    }
}

void Server::accept()
{
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
        clients_[nextId_++].fd = fd;
    }
}

void Server::dropClosing()
{
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (it->second.closing) {
            ::close(it->second.fd);
            it = clients_.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::receive(uint64_t id)
{
    // A client that floods is read in slices, so the others get their turn in between.
    constexpr size_t kSlice = 256 * 1024;
    uint8_t buf[16384];
    for (size_t got = 0; got < kSlice;) {
        auto it = clients_.find(id);
        if (it == clients_.end() || it->second.closing) {
            return;
        }
        Client& c = it->second;
        const ssize_t n = ::recv(c.fd, buf, sizeof(buf), MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            c.closing = true;
            return;
        }
        got += static_cast<size_t>(n);
        c.in.insert(c.in.end(), buf, buf + n);
        size_t at = 0;
        while (c.in.size() - at >= sbwire::kHeaderSize) {
            const uint32_t len = sbwire::getU32(c.in.data() + at + 4);
            if (len > sbwire::kMaxPayload) {
                c.closing = true;
                return;
            }
            if (c.in.size() - at - sbwire::kHeaderSize < len) {
                break;
            }
            sbwire::Frame f;
            f.type = static_cast<sbwire::Type>(sbwire::getU32(c.in.data() + at));
            const auto body = c.in.begin() + static_cast<std::ptrdiff_t>(at + sbwire::kHeaderSize);
            f.payload.assign(body, body + len);
            at += sbwire::kHeaderSize + len;
            if (!serve(id, f)) {
                clients_[id].closing = true;
                return;
            }
            // Serving may have added or dropped clients: find this one again.
            it = clients_.find(id);
            if (it == clients_.end() || it->second.closing) {
                return;
            }
        }
        Client& same = it->second;
        same.in.erase(same.in.begin(), same.in.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

bool Server::queue(uint64_t id, sbwire::Type type, const Bytes& payload, int fdToPass)
{
    // A client that never reads is dropped once a little more than the largest reply waits for it.
    constexpr size_t kMaxQueued = 2 * static_cast<size_t>(sbwire::kMaxPayload);
    auto it = clients_.find(id);
    if (it == clients_.end() || it->second.closing || payload.size() > sbwire::kMaxPayload) {
        return false;
    }
    Client& c = it->second;
    Outgoing frame;
    sbwire::putU32(frame.bytes, static_cast<uint32_t>(type));
    sbwire::putU32(frame.bytes, static_cast<uint32_t>(payload.size()));
    sbwire::putBytes(frame.bytes, payload.data(), payload.size());
    frame.fdToPass = fdToPass;
    c.queued += frame.bytes.size();
    c.out.push_back(std::move(frame));
    flush(c);
    if (c.queued > kMaxQueued) {
        c.closing = true;
    }
    return !c.closing;
}

void Server::flush(Client& c)
{
    while (!c.out.empty() && !c.closing) {
        Outgoing& o = c.out.front();
        iovec iov{o.bytes.data() + o.sent, o.bytes.size() - o.sent};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        if (o.fdToPass >= 0) {
            msg.msg_control = control;
            msg.msg_controllen = sizeof(control);
            cmsghdr* cm = CMSG_FIRSTHDR(&msg);
            cm->cmsg_level = SOL_SOCKET;
            cm->cmsg_type = SCM_RIGHTS;
            cm->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(cm), &o.fdToPass, sizeof(int));
        }
        const ssize_t n = ::sendmsg(c.fd, &msg, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            c.closing = true;
            return;
        }
        o.fdToPass = -1;
        o.sent += static_cast<size_t>(n);
        c.queued -= static_cast<size_t>(n);
        if (o.sent == o.bytes.size()) {
            c.out.pop_front();
        }
    }
}

Pusher Server::pusherFor(uint64_t id)
{
    return [this, id](const Bytes& payload) { return queue(id, sbwire::Type::Event, payload); };
}

bool Server::serve(uint64_t id, const sbwire::Frame& f)
{
    Client& c = clients_[id];
    const Pusher push = pusherFor(id);
    Result r;
    int fdToPass = -1;
    switch (f.type) {
    case sbwire::Type::Open:
        r = open(c, f.payload, push);
        break;
    case sbwire::Type::Read:
    case sbwire::Type::Write:
    case sbwire::Type::Ioctl:
    case sbwire::Type::Lseek:
        r = onDevice(c, f);
        break;
    case sbwire::Type::Control:
        r = control(std::string(f.payload.begin(), f.payload.end()), push);
        break;
    case sbwire::Type::UeventSubscribe:
        board_.subscribeUevents(push);
        r = Result::ok();
        break;
    case sbwire::Type::Actl:
        r = board_.actlRequest(splitLines(f.payload), push);
        break;
    case sbwire::Type::Call: {
        const Words fields = splitLines(f.payload);
        auto it = board_.calls.find(fields[0]);
        r = it == board_.calls.end() ? Result::fail(ENOSYS) : it->second(fields);
        break;
    }
    case sbwire::Type::TakePty:
        fdToPass = ptys_.take(std::string(f.payload.begin(), f.payload.end()));
        r = fdToPass >= 0 ? Result::ok() : Result::fail(ENOENT);
        break;
    default:
        return false;
    }
    queue(id, sbwire::Type::Reply, sbwire::encodeReply({r.result, r.error, r.data}), fdToPass);
    return true;
}

Result Server::open(Client& c, const Bytes& payload, const Pusher& push)
{
    if (c.dev) {
        return Result::fail(EBUSY);
    }
    if (payload.size() < 5 || payload.size() > 4 + kMaxPathLength) {
        return Result::fail(EINVAL);
    }
    const int flags = static_cast<int>(sbwire::getU32(payload.data()));
    const std::string path(payload.begin() + 4, payload.end());
    if (path.find('\0') != std::string::npos) {
        return Result::fail(EINVAL);
    }
    for (auto& model : models_) {
        int error = 0;
        auto dev = model->open(path, flags, push, error);
        if (dev) {
            const bool input = dev->isInput();
            c.dev = std::move(dev);
            return Result::ok(0, Bytes{static_cast<uint8_t>(input ? 1 : 0)});
        }
        if (error != 0) {
            return Result::fail(error);
        }
    }
    return Result::fail(ENOENT);
}

Result Server::onDevice(Client& c, const sbwire::Frame& f)
{
    if (!c.dev) {
        return Result::fail(EBADF);
    }
    const Bytes& p = f.payload;
    switch (f.type) {
    case sbwire::Type::Read:
        return p.size() == 4 ? c.dev->read(sbwire::getU32(p.data())) : Result::fail(EINVAL);
    case sbwire::Type::Write:
        return c.dev->write(p);
    case sbwire::Type::Lseek:
        return p.size() == 12 ? c.dev->lseek(static_cast<int64_t>(sbwire::getU64(p.data())),
                                             static_cast<int>(sbwire::getU32(p.data() + 8)))
                              : Result::fail(EINVAL);
    case sbwire::Type::Ioctl: {
        if (p.size() < 16) {
            return Result::fail(EINVAL);
        }
        const auto kind = static_cast<sbwire::IoctlArg>(sbwire::getU32(p.data() + 4));
        if (kind != sbwire::IoctlArg::Value && kind != sbwire::IoctlArg::Pointer && kind != sbwire::IoctlArg::I2cRdwr) {
            return Result::fail(EINVAL);
        }
        return c.dev->ioctl(sbwire::getU32(p.data()), kind, sbwire::getU64(p.data() + 8),
                            Bytes(p.begin() + 16, p.end()));
    }
    default:
        return Result::fail(EINVAL);
    }
}

Result Server::serialWrite(const Words& w)
{
    constexpr int64_t kMaxPauseMs = 10000;
    const char* usage = "usage: serial write PORT HEX... [pause-after N MS]\n";
    if (w.size() < 4 || w[1] != "write") {
        return textResult(false, usage);
    }
    size_t end = w.size();
    int64_t splitAt = -1;
    int64_t pauseMs = 0;
    if (w.size() >= 7 && w[w.size() - 3] == "pause-after") {
        if (!parseNumber(w[w.size() - 2], splitAt) || !parseNumber(w[w.size() - 1], pauseMs) || splitAt < 0 ||
            pauseMs < 0 || pauseMs > kMaxPauseMs) {
            return textResult(false, usage);
        }
        end = w.size() - 3;
    }
    Bytes bytes;
    if (!parseHexBytes(Words(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(end)), 3, bytes) || bytes.empty() ||
        splitAt > static_cast<int64_t>(bytes.size())) {
        return textResult(false, usage);
    }
    if (splitAt < 0) {
        return ptys_.write(w[2], bytes) ? textResult(true, "")
                                        : textResult(false, "no serial port " + w[2] + " to write\n");
    }
    const Bytes first(bytes.begin(), bytes.begin() + splitAt);
    const Bytes rest(bytes.begin() + splitAt, bytes.end());
    if (!first.empty() && !ptys_.write(w[2], first)) {
        return textResult(false, "no serial port " + w[2] + " to write\n");
    }
    // The simulator waits with the line as a module pausing between bursts would.
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    if (!rest.empty() && !ptys_.write(w[2], rest)) {
        return textResult(false, "no serial port " + w[2] + " to write\n");
    }
    return textResult(true, "");
}

Result Server::control(const std::string& line, const Pusher& push)
{
    const Words w = splitWords(line);
    if (w.empty() || w[0] == "help") {
        std::string text =
            "Commands (one per call; numbers are decimal or 0x-hex):\n"
            "help                            this text\n"
            "log FACILITY                    a log: hdmitx cec display input i2c sysfs mtd actl uevent serial\n"
            "                                mount usb\n"
            "serial write PORT HEX... [pause-after N MS]  send bytes to the soundbar on a serial port, as\n"
            "                                its module would: one write, or N bytes, a pause of MS ms, the rest\n";
        for (const auto& m : models_) {
            text += m->usage();
        }
        return textResult(true, text);
    }
    if (w[0] == "serial") {
        return serialWrite(w);
    }
    if (w[0] == "log" && w.size() == 2) {
        return textResult(true, board_.logText(w[1]));
    }
    for (const auto& m : models_) {
        if (w[0] == m->name()) {
            std::string out;
            const bool ok = m->control(w, push, out);
            return textResult(ok, out);
        }
    }
    return textResult(false, "unknown command \"" + w[0] + "\"; \"help\" lists them\n");
}

}  // namespace sbsim
