// A small HTTP/1.1 server on the loopback address for the tests of the network upgrade. It serves
// files held in memory, answers "Range: bytes=N-" (and "bytes=N-M") with 206 from byte N, logs every
// request line with its Range header, and has faults a test can arm: drop the connection at a byte
// of a file, stall there, announce a wrong length, never end the body, answer a status of the test's choice, or refuse
// connections altogether. Every connection is closed after its response.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sbtest {

struct HttpRequest {
    std::string line;   // "GET /update.zip HTTP/1.1"
    std::string path;   // "/update.zip"
    std::string range;  // the Range header's value, empty when there was none
};

class HttpServer {
public:
    // Listens on 127.0.0.1 at a port the system chooses.
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>/"
    std::string url() const;

    void setFile(const std::string& path, std::string content);
    // Answers `status` (with a short error page) for the path instead of its file; 0 serves the file again.
    void setStatus(const std::string& path, int status);

    // The next `times` responses for the path that cover file byte `offset` end there: the
    // connection is closed after the bytes before it.
    void dropAt(const std::string& path, uint64_t offset, int times = 1);
    // The next `times` responses for the path that cover byte `offset` stop sending there and hold
    // the connection until the client gives up or releaseStall() is called, which also disarms the
    // stalls left.
    void stallAt(const std::string& path, uint64_t offset, int times = 1);
    void releaseStall();
    // The next `times` responses for the path that cover file byte `offset` carry it altered.
    void corruptAt(const std::string& path, uint64_t offset, int times = 1);
    // The next `times` responses for the path announce this Content-Length (the body is unchanged).
    void announceLength(const std::string& path, int64_t length, int times = 1);
    // Responses for the path carry no length and a body without end (its file over and over),
    // until the client hangs up; false serves the file again.
    void setEndless(const std::string& path, bool on);
    // While refusing, the port is closed: connections fail as refused.
    void refuse(bool on);

    std::vector<HttpRequest> requests() const;
    // Waits until `done` holds for the requests so far; false after the deadline.
    bool waitRequests(const std::function<bool(const std::vector<HttpRequest>&)>& done,
                      std::chrono::milliseconds deadline = std::chrono::seconds(60)) const;

private:
    struct Fault {
        int times = 0;
        uint64_t offset = 0;
        int64_t length = 0;
    };

    void listenOn(uint16_t port);
    void acceptLoop();
    void serve(int fd);
    bool takeFault(std::map<std::string, Fault>& faults, const std::string& path, uint64_t from, uint64_t to,
                   Fault* out);

    uint16_t port_ = 0;
    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    bool stopping_ = false;
    bool stallReleased_ = false;
    int pollingFd_ = -1;  // the listening socket the acceptor polls now
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::map<std::string, std::string> files_;
    std::map<std::string, int> statuses_;
    std::map<std::string, bool> endless_;
    std::map<std::string, Fault> drops_;
    std::map<std::string, Fault> stalls_;
    std::map<std::string, Fault> lengths_;
    std::map<std::string, Fault> corruptions_;
    std::vector<HttpRequest> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace sbtest
