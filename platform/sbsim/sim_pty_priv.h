// Serial ports as pseudo-terminals: the slave is linked at the port's path under the root, the
// simulator holds the master (logging what the system sends) until a test or a person takes it.
#pragma once

#include "platform/sbsim/sim_board_priv.h"

#include <poll.h>

namespace sbsim {

class PtyPorts {
public:
    explicit PtyPorts(Board& board) : board_(board) {}
    ~PtyPorts();
    PtyPorts(const PtyPorts&) = delete;
    PtyPorts& operator=(const PtyPorts&) = delete;

    // Creates a port at `systemPath` ("/dev/ttyS2"); false when the system gives no pty.
    bool create(const std::string& systemPath);
    // Masters still held here, to poll for what the system wrote.
    void addPollFds(std::vector<pollfd>& fds) const;
    void onReadable(int masterFd);
    // Writes bytes into a port from the far end, as the device on the line would send them, in one
    // write; false when the port is unknown or taken.
    bool write(const std::string& systemPath, const Bytes& bytes);
    // The master of a port for a taker (it stops being read here); -1 when unknown or taken.
    int take(const std::string& systemPath);
    void removeLinks();

private:
    struct Port {
        std::string path;
        int master = -1;
        int slave = -1;  // held so the master never sees a hang-up while no program has the port open
        bool taken = false;
    };
    Board& board_;
    std::vector<Port> ports_;
};

}  // namespace sbsim
