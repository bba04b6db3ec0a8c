// The audio-input daemon's end of its queue, played by a test: commands are read as the daemon
// reads them (type 2) and replies sent as it sends them (type 1), through the shared body codec.
#pragma once

#include "common/sileth_ipc/sileth_msg.h"

#include <optional>

namespace spdiftest {

class SilethPeer {
public:
    // Opens (or creates) the queue of the current root.
    SilethPeer();
    bool ready() const { return id_ >= 0; }
    // The next command, waiting up to the test deadline.
    std::optional<sileth_msg_t> command();
    // The next command if one is queued now.
    std::optional<sileth_msg_t> commandNow();
    // Waits for a command with this code, skipping others; the command.
    std::optional<sileth_msg_t> commandWith(int32_t cmd);
    // Sends a reply of type 1.
    bool reply(sileth_msg_t msg);
    bool reply(int32_t code);
    // Queues one more command as if corvand had sent it; false once the queue is full.
    bool fillWithCommand();

private:
    int id_ = -1;
};

}  // namespace spdiftest
