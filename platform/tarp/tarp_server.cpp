#include "platform/tarp/tarp_server.h"

#include "common/support/support.h"
#include "platform/sbroot/sb_root.h"
#include "platform/tarp/tarp_wire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kMaxConnections = 32;
constexpr size_t kReadChunk = 4096;

using Fd = sb::UniqueFd;

struct Connection {
    Fd fd;
    std::vector<uint8_t> pending;  // bytes of the frame being received
};

}  // namespace

struct tarps_server {
    std::string socketPath;
    Fd listenFd;
    Fd wakeRead;
    Fd wakeWrite;
    tarps_callback_t callback = nullptr;
    uint32_t user = 0;
    std::thread thread;
    std::list<Connection> connections;  // touched by the serving thread only while it runs
};

namespace {

struct ServerState {
    std::mutex lock;
    std::list<std::unique_ptr<tarps_server>> servers;
};

ServerState& state()
{
    static ServerState s;
    return s;
}

bool owned(const tarps_server* server)
{
    ServerState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return std::any_of(s.servers.begin(), s.servers.end(), [&](const auto& p) { return p.get() == server; });
}

// A client that does not read its results is dropped.
bool sendResult(int fd, int32_t result)
{
    const auto bytes = tarp::encodeResult(result);
    return tarp::moveAll(bytes.size(),
                         [&](size_t at) { return send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL); });
}

// Serves every complete frame in the connection's buffer; false when the connection must close.
bool serveFrames(tarps_server& server, Connection& conn)
{
    size_t used = 0;
    while (conn.pending.size() - used >= tarp::kHeaderSize) {
        const auto header = tarp::decodeHeader(conn.pending.data() + used);
        if (!header) {
            return false;
        }
        const size_t frameLen = tarp::kHeaderSize + header->arg_len;
        if (conn.pending.size() - used < frameLen) {
            break;
        }
        const uint8_t* args = header->arg_len > 0 ? conn.pending.data() + used + tarp::kHeaderSize : nullptr;
        const int result = server.callback(header->func_id, args, header->arg_len, 0, server.user);
        if (!sendResult(conn.fd.get(), result)) {
            return false;
        }
        used += frameLen;
    }
    conn.pending.erase(conn.pending.begin(), conn.pending.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

bool readFrom(tarps_server& server, Connection& conn)
{
    uint8_t chunk[kReadChunk];
    const ssize_t n = recv(conn.fd.get(), chunk, sizeof(chunk), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    if (n <= 0) {
        return false;
    }
    conn.pending.insert(conn.pending.end(), chunk, chunk + n);
    return serveFrames(server, conn);
}

void acceptOne(tarps_server& server)
{
    Fd fd(accept4(server.listenFd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (fd.get() < 0 || server.connections.size() >= kMaxConnections) {
        return;
    }
    server.connections.push_back(Connection{std::move(fd), {}});
}

void serve(tarps_server& server)
{
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({server.wakeRead.get(), POLLIN, 0});
        fds.push_back({server.listenFd.get(), POLLIN, 0});
        for (const auto& conn : server.connections) {
            fds.push_back({conn.fd.get(), POLLIN, 0});
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
        size_t i = 2;
        for (auto it = server.connections.begin(); it != server.connections.end(); ++i) {
            if (fds[i].revents != 0 && !readFrom(server, *it)) {
                it = server.connections.erase(it);
            } else {
                ++it;
            }
        }
        if (fds[1].revents & POLLIN) {
            acceptOne(server);
        }
    }
}

// True when a live server answers at the address.
bool listening(const sockaddr_un& addr)
{
    Fd probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return probe.get() >= 0 && connect(probe.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
}

int bindAndListen(tarps_server& server, const char* path)
{
    server.socketPath = sb::path(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (server.socketPath.size() >= sizeof(addr.sun_path)) {
        return -ENAMETOOLONG;
    }
    std::memcpy(addr.sun_path, server.socketPath.c_str(), server.socketPath.size() + 1);
    struct stat st {};
    if (lstat(server.socketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && !listening(addr)) {
        unlink(server.socketPath.c_str());  // left by an earlier run
    }
    server.listenFd.reset(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (server.listenFd.get() < 0) {
        return -errno;
    }
    if (bind(server.listenFd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        server.socketPath.clear();
        return -errno;
    }
    if (listen(server.listenFd.get(), 8) != 0) {
        return -errno;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -errno;
    }
    server.wakeRead.reset(pipeFds[0]);
    server.wakeWrite.reset(pipeFds[1]);
    return 0;
}

void stopAndClose(tarps_server& server)
{
    if (server.thread.joinable()) {
        const char byte = 0;
        ssize_t n = write(server.wakeWrite.get(), &byte, 1);
        (void)n;
        server.thread.join();
    }
    server.connections.clear();
    server.listenFd.reset();
    if (!server.socketPath.empty()) {
        unlink(server.socketPath.c_str());
    }
}

}  // namespace

extern "C" int tarps_create(tarps_server** server, const char* path)
{
    if (server == nullptr) {
        return -EINVAL;
    }
    *server = nullptr;
    if (path == nullptr) {
        return -EINVAL;
    }
    auto created = std::make_unique<tarps_server>();
    const int ret = bindAndListen(*created, path);
    if (ret != 0) {
        stopAndClose(*created);
        return ret;
    }
    ServerState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    *server = created.get();
    s.servers.push_back(std::move(created));
    return 0;
}

extern "C" int tarps_register_callback_ext(tarps_server* server, tarps_callback_t callback, uint32_t user)
{
    if (server == nullptr || callback == nullptr || !owned(server) || server->thread.joinable()) {
        return -EINVAL;
    }
    server->callback = callback;
    server->user = user;
    return 0;
}

extern "C" int tarps_start(tarps_server* server)
{
    if (server == nullptr || !owned(server) || server->callback == nullptr || server->thread.joinable()) {
        return -EINVAL;
    }
    server->thread = std::thread(serve, std::ref(*server));
    return 0;
}

extern "C" int tarps_destroy(tarps_server* server)
{
    if (server == nullptr) {
        return -EINVAL;
    }
    std::unique_ptr<tarps_server> victim;
    {
        ServerState& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        auto it = std::find_if(s.servers.begin(), s.servers.end(), [&](const auto& p) { return p.get() == server; });
        if (it == s.servers.end()) {
            return -EINVAL;
        }
        victim = std::move(*it);
        s.servers.erase(it);
    }
    stopAndClose(*victim);
    return 0;
}
