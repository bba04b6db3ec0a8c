// The simulator's one thread: accepts connections on the root's socket and serves every request
// and control command in turn. No client can hold up another: sockets never block, a partial frame
// waits with its client for the rest, and what a client does not read yet waits in its queue.
#pragma once

#include "platform/sbsim/sim_board_priv.h"
#include "platform/sbsim/sim_pty_priv.h"

#include <deque>

namespace sbsim {

class Server {
public:
    explicit Server(const std::string& root, const std::string& cecDevice = "");
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the socket; false with a message on stderr (another simulator already serves the root).
    bool listen();
    // Serves until `stopFd` becomes readable.
    void run(int stopFd);

private:
    struct Outgoing {
        Bytes bytes;  // a whole frame
        size_t sent = 0;
        int fdToPass = -1;  // goes with the frame's first byte
    };
    struct Client {
        int fd = -1;
        std::unique_ptr<DevHandle> dev;
        Bytes in;  // received bytes not yet a whole frame
        std::deque<Outgoing> out;
        size_t queued = 0;     // bytes in `out` not yet sent
        bool closing = false;  // dropped at the end of the round
    };

    void accept();
    void receive(uint64_t id);
    bool serve(uint64_t id, const sbwire::Frame& f);  // false: drop the client
    // Queues a frame for the client and sends what the socket takes now; false when the client is
    // gone or lets too much pile up (it is dropped then).
    bool queue(uint64_t id, sbwire::Type type, const Bytes& payload, int fdToPass = -1);
    void flush(Client& c);
    void dropClosing();
    Result control(const std::string& line, const Pusher& push);
    Result serialWrite(const Words& w);
    Result open(Client& c, const Bytes& payload, const Pusher& push);
    Result onDevice(Client& c, const sbwire::Frame& f);
    Pusher pusherFor(uint64_t id);

    Board board_;
    PtyPorts ptys_;
    std::vector<std::unique_ptr<Model>> models_;
    int listenFd_ = -1;
    uint64_t nextId_ = 1;
    std::map<uint64_t, Client> clients_;
};

}  // namespace sbsim
