// The simulator's one thread: accepts connections on the root's socket and serves every request
// and control command in turn.
#pragma once

#include "platform/sbsim/sim_board_priv.h"
#include "platform/sbsim/sim_pty_priv.h"

namespace sbsim {

class Server {
public:
    explicit Server(const std::string& root);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the socket; false with a message on stderr (another simulator already serves the root).
    bool listen();
    // Serves until `stopFd` becomes readable.
    void run(int stopFd);

private:
    struct Client {
        int fd = -1;
        std::unique_ptr<DevHandle> dev;
    };

    void accept();
    bool serve(uint64_t id);  // false: drop the client
    Result control(const std::string& line, const Pusher& push);
    Result open(Client& c, const Bytes& payload, const Pusher& push);
    Result onDevice(Client& c, const sbwire::Frame& f);
    Pusher pusherFor(uint64_t id);
    void drop(uint64_t id);

    Board board_;
    PtyPorts ptys_;
    std::vector<std::unique_ptr<Model>> models_;
    int listenFd_ = -1;
    uint64_t nextId_ = 1;
    std::map<uint64_t, Client> clients_;
};

}  // namespace sbsim
