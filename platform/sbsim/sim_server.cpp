#include "platform/sbsim/sim_server_priv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
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

Server::Server(const std::string& root) : board_(root), ptys_(board_)
{
    for (const char* dir : {"/sim", "/dev", "/dev/input", "/proc"}) {
        mkdir(board_.path(dir).c_str(), 0755);
    }
    models_.push_back(makeUevent(board_));  // first: the others raise events from their start on
    models_.push_back(makeHdmitx(board_));
    models_.push_back(makeDisplay(board_));
    models_.push_back(makeInput(board_));
    models_.push_back(makeI2c(board_));
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
            fds.push_back({c.fd, POLLIN, 0});
            ids.push_back(id);
        }
        const size_t ptyFrom = fds.size();
        ptys_.addPollFds(fds);
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
            if (fds[2 + i].revents != 0 && clients_.count(ids[i]) != 0 && !serve(ids[i])) {
                drop(ids[i]);
            }
        }
        for (size_t i = ptyFrom; i < fds.size(); ++i) {
            if ((fds[i].revents & POLLIN) != 0) {
                ptys_.onReadable(fds[i].fd);
            }
        }
    }
}

void Server::accept()
{
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    // A client that stalls in the middle of a frame, or stops reading its events, is dropped
    // instead of holding up every other.
    timeval limit{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    clients_[nextId_++].fd = fd;
}

void Server::drop(uint64_t id)
{
    auto it = clients_.find(id);
    if (it != clients_.end()) {
        ::close(it->second.fd);
        clients_.erase(it);
    }
}

Pusher Server::pusherFor(uint64_t id)
{
    return [this, id](const Bytes& payload) {
        auto it = clients_.find(id);
        if (it == clients_.end()) {
            return false;
        }
        if (!sbwire::sendFrame(it->second.fd, sbwire::Type::Event, payload.data(), payload.size())) {
            ::shutdown(it->second.fd, SHUT_RDWR);  // dropped at its next poll
            return false;
        }
        return true;
    };
}

bool Server::serve(uint64_t id)
{
    Client& c = clients_[id];
    sbwire::Frame f;
    if (!sbwire::recvFrame(c.fd, f)) {
        return false;
    }
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
    const Bytes reply = sbwire::encodeReply({r.result, r.error, r.data});
    return sbwire::sendFrame(c.fd, sbwire::Type::Reply, reply.data(), reply.size(), fdToPass);
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

Result Server::control(const std::string& line, const Pusher& push)
{
    const Words w = splitWords(line);
    if (w.empty() || w[0] == "help") {
        std::string text =
            "Commands (one per call; numbers are decimal or 0x-hex):\n"
            "help                            this text\n"
            "log FACILITY                    a log: hdmitx cec display input i2c sysfs mtd actl uevent serial\n"
            "                                mount usb\n";
        for (const auto& m : models_) {
            text += m->usage();
        }
        return textResult(true, text);
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
