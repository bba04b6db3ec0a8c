// The state manager's peers for its tests: recording applications under the names of the source
// applications, the GUI manager, "cec" and the voice and Bluetooth applications, plus the real
// configuration store, so the state manager's sends and stores land somewhere a test can read.
#pragma once

#include "main/am/aee/aee.h"
#include "tests/main/am/app_harness.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace smtest {

// One message a peer received, decoded from its appmsg_t.
struct PeerMsg {
    uint32_t msgId;
    uint32_t sender;
    uint32_t word;
    std::vector<uint8_t> data;  // the bytes after sender and word
    std::chrono::steady_clock::time_point at;  // when the peer got it
};

class Peers {
public:
    // Starts the framework, the configuration store and every recording peer (once per process).
    static Peers& get();

    // Everything each peer received since the last call, by peer name. Every earlier post to a
    // peer has arrived when this returns: a marker posted behind them is waited for.
    std::map<std::string, std::vector<PeerMsg>> collect();

    // Waits until `peer` has received `count` messages since the last collect; false on timeout.
    bool waitNew(const std::string& peer, size_t count);

    // Registers and starts the real state manager (once per process).
    static void startStateManager();

private:
    Peers();
    std::vector<std::unique_ptr<apptest::TestApp>> apps_;
    std::map<std::string, size_t> seen_;
};

// Words a peer received as state-manager messages, in order.
std::vector<uint32_t> words(const std::vector<PeerMsg>& msgs);

// (message id, ui4_msg_type) of every message each peer received, by peer.
using Received = std::map<std::string, std::vector<std::pair<uint32_t, uint32_t>>>;
Received idsAndWords(const std::map<std::string, std::vector<PeerMsg>>& got);

// A present source record before a case.
struct Rec {
    uint32_t source;
    uint32_t waiting;
    uint32_t status;
    uint8_t pausedBySm;
    uint16_t id;
};
// Zeroes the state manager's context, then makes the given records present.
void setUpRecords(const std::vector<Rec>& records);

}  // namespace smtest
