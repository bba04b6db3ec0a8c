#include "tests/support/http_server/http_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sbtest {

namespace {

constexpr size_t kMaxHeader = 16384;
constexpr int kPollMs = 50;
constexpr size_t kChunk = 16384;

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

const char* reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::string trim(std::string s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) {
        s.pop_back();
    }
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    return s.substr(i);
}

}  // namespace

HttpServer::HttpServer()
{
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("pipe failed");
    }
    listenOn(0);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    (void)!write(wake_[1], "x", 1);
    acceptor_.join();
    for (auto& t : connections_) {
        t.join();
    }
    if (listenFd_ >= 0) {
        close(listenFd_);
    }
    close(wake_[0]);
    close(wake_[1]);
}

std::string HttpServer::url() const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void HttpServer::listenOn(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        throw std::runtime_error("cannot listen on the loopback address");
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listenFd_ = fd;
}

void HttpServer::setFile(const std::string& path, std::string content)
{
    std::lock_guard<std::mutex> guard(lock_);
    files_[path] = std::move(content);
}

void HttpServer::setStatus(const std::string& path, int status)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (status == 0) {
        statuses_.erase(path);
    } else {
        statuses_[path] = status;
    }
}

void HttpServer::dropAt(const std::string& path, uint64_t offset, int times)
{
    std::lock_guard<std::mutex> guard(lock_);
    drops_[path] = Fault{times, offset, 0};
}

void HttpServer::stallAt(const std::string& path, uint64_t offset, int times)
{
    std::lock_guard<std::mutex> guard(lock_);
    stalls_[path] = Fault{times, offset, 0};
    stallReleased_ = false;
}

void HttpServer::corruptAt(const std::string& path, uint64_t offset, int times)
{
    std::lock_guard<std::mutex> guard(lock_);
    corruptions_[path] = Fault{times, offset, 0};
}

void HttpServer::releaseStall()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stallReleased_ = true;
        stalls_.clear();
    }
    changed_.notify_all();
}

void HttpServer::setEndless(const std::string& path, bool on)
{
    std::lock_guard<std::mutex> guard(lock_);
    endless_[path] = on;
}

void HttpServer::announceLength(const std::string& path, int64_t length, int times)
{
    std::lock_guard<std::mutex> guard(lock_);
    lengths_[path] = Fault{times, 0, length};
}

void HttpServer::refuse(bool on)
{
    // The acceptor thread polls the listening socket, so only it may close or reopen it.
    std::unique_lock<std::mutex> lock(lock_);
    if (on && listenFd_ >= 0) {
        const int fd = listenFd_;
        listenFd_ = -1;
        lock.unlock();
        (void)!write(wake_[1], "x", 1);
        // Wait for the acceptor to leave its poll on the socket before closing it.
        lock.lock();
        changed_.wait(lock, [this, fd] { return pollingFd_ != fd || stopping_; });
        close(fd);
    } else if (!on && listenFd_ < 0) {
        listenOn(port_);
        lock.unlock();
        (void)!write(wake_[1], "x", 1);
    }
}

std::vector<HttpRequest> HttpServer::requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

bool HttpServer::waitRequests(const std::function<bool(const std::vector<HttpRequest>&)>& done,
                              std::chrono::milliseconds deadline) const
{
    std::unique_lock<std::mutex> lock(lock_);
    return changed_.wait_for(lock, deadline, [&] { return done(requests_); });
}

void HttpServer::acceptLoop()
{
    for (;;) {
        int fd = -1;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stopping_) {
                return;
            }
            fd = listenFd_;
            pollingFd_ = fd;
        }
        changed_.notify_all();
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {fd, POLLIN, 0}};
        poll(fds, fd >= 0 ? 2 : 1, -1);
        if (fds[0].revents & POLLIN) {
            char buf[16];
            while (read(wake_[0], buf, sizeof buf) > 0) {
            }
            continue;
        }
        if (fd >= 0 && (fds[1].revents & POLLIN)) {
            const int conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (conn >= 0) {
                std::lock_guard<std::mutex> guard(lock_);
                connections_.emplace_back([this, conn] { serve(conn); });
            }
        }
    }
}

bool HttpServer::takeFault(std::map<std::string, Fault>& faults, const std::string& path, uint64_t from, uint64_t to,
                           Fault* out)
{
    auto it = faults.find(path);
    if (it == faults.end() || it->second.times <= 0 || it->second.offset < from || it->second.offset >= to) {
        return false;
    }
    --it->second.times;
    *out = it->second;
    return true;
}

void HttpServer::serve(int fd)
{
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHeader) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stopping_) {
                close(fd);
                return;
            }
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            close(fd);
            return;
        }
        head.append(buf, static_cast<size_t>(n));
    }

    HttpRequest req;
    size_t lineEnd = head.find("\r\n");
    req.line = head.substr(0, lineEnd);
    const size_t sp1 = req.line.find(' ');
    const size_t sp2 = req.line.find(' ', sp1 + 1);
    const std::string method = req.line.substr(0, sp1);
    req.path = sp1 == std::string::npos ? "" : req.line.substr(sp1 + 1, sp2 - sp1 - 1);
    for (size_t at = lineEnd + 2; at < head.size();) {
        const size_t end = head.find("\r\n", at);
        const std::string header = head.substr(at, end - at);
        if (header.empty() || end == std::string::npos) {
            break;
        }
        if (strncasecmp(header.c_str(), "range:", 6) == 0) {
            req.range = trim(header.substr(6));
        }
        at = end + 2;
    }

    int status = 200;
    std::string body;
    uint64_t from = 0;
    uint64_t to = 0;
    uint64_t size = 0;
    Fault drop;
    Fault stall;
    Fault length;
    bool dropping = false;
    bool stalling = false;
    bool announcing = false;
    bool endless = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        requests_.push_back(req);
        auto st = statuses_.find(req.path);
        auto file = files_.find(req.path);
        auto forever = endless_.find(req.path);
        endless = forever != endless_.end() && forever->second && file != files_.end() && !file->second.empty();
        if (st != statuses_.end()) {
            status = st->second;
            body = "<html><body>error " + std::to_string(status) + "</body></html>\n";
        } else if (file == files_.end()) {
            status = 404;
            body = "<html><body>not found</body></html>\n";
        } else {
            body = file->second;
            size = body.size();
            to = size;
            unsigned long long first = 0;
            unsigned long long last = 0;
            if (!req.range.empty()) {
                const int fields = sscanf(req.range.c_str(), "bytes=%llu-%llu", &first, &last);
                if (fields >= 1 && first < size) {
                    from = first;
                    to = (fields == 2 && last + 1 < size) ? last + 1 : size;
                    status = 206;
                } else {
                    status = 416;
                    body.clear();
                }
            }
            if (status != 416) {
                body = body.substr(from, to - from);
                dropping = takeFault(drops_, req.path, from, to, &drop);
                stalling = takeFault(stalls_, req.path, from, to, &stall);
                announcing = takeFault(lengths_, req.path, 0, 1, &length);
                Fault corrupt;
                if (takeFault(corruptions_, req.path, from, to, &corrupt)) {
                    body[corrupt.offset - from] = static_cast<char>(body[corrupt.offset - from] ^ 0x5a);
                }
            }
        }
    }
    changed_.notify_all();

    std::string headers = "HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) + "\r\n";
    if (endless) {
        headers += "Connection: close\r\n\r\n";
        bool ok = sendAll(fd, headers.data(), headers.size());
        while (ok) {
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (stopping_) {
                    break;
                }
            }
            ok = sendAll(fd, body.data(), body.size());
        }
        close(fd);
        return;
    }
    headers +=
        "Content-Length: " + std::to_string(announcing ? length.length : static_cast<int64_t>(body.size())) + "\r\n";
    if (status == 206) {
        headers += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(to - 1) + "/" +
                   std::to_string(size) + "\r\n";
    } else if (status == 416) {
        headers += "Content-Range: bytes */" + std::to_string(size) + "\r\n";
    }
    headers += "Accept-Ranges: bytes\r\nConnection: close\r\n\r\n";
    size_t bodyEnd = body.size();
    if (dropping) {
        bodyEnd = static_cast<size_t>(drop.offset - from);
    } else if (stalling) {
        bodyEnd = static_cast<size_t>(stall.offset - from);
    }
    bool ok = sendAll(fd, headers.data(), headers.size());
    if (method != "HEAD") {
        for (size_t at = 0; ok && at < bodyEnd; at += kChunk) {
            ok = sendAll(fd, body.data() + at, std::min(kChunk, bodyEnd - at));
        }
    }
    if (ok && stalling) {
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (stopping_ || stallReleased_) {
                    break;
                }
            }
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, kPollMs) > 0) {
                char buf[256];
                if (recv(fd, buf, sizeof buf, 0) <= 0) {
                    break;  // the client gave up
                }
            }
        }
    }
    close(fd);
}

}  // namespace sbtest
