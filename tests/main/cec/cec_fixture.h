// What the CEC tests share: the real `cec` application and the timer service started once in the
// test process, a fresh root with a board simulator for every test, the transmissions the
// simulated HDMI transmitter saw, and a transmit pool left empty after every test.
#pragma once

#include "tests/support/sim_process.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cectest {

// One SET_CECCMD the transmitter received.
struct Sent {
    double time;  // the simulator's clock, seconds
    uint32_t tag;
    std::vector<uint8_t> frame;  // the 24 frame bytes
};

// Every SET_CECCMD in the simulator's request log, oldest first.
std::vector<Sent> sentFrames(const sbtest::SimProcess& sim);
// The frame bytes as the simulator's CEC log shows them ("05 00 46 00 ...").
std::string frameText(const std::vector<uint8_t>& frame);
// The frame text of {5, destination, opcode, operands...}: header, 16 operand bytes, count. The
// poll's opcode is 0xFFFF.
std::string frame(uint8_t destination, uint16_t opcode, std::vector<uint8_t> operands = {});

// One line of the transmitter's request log.
struct Request {
    double time;
    std::string name;
    std::string frame;  // as frameText gives it; SET_CECCMD only
};
// The requests whose names are in `names`, oldest first.
std::vector<Request> requests(const sbtest::SimProcess& sim, const std::vector<std::string>& names);

// {pending, free} events of the transmit pool.
std::pair<int, int> poolCounts();
// Runs one console line and returns what it printed; its result in `result`.
std::string consoleLine(const std::string& line, int32_t* result = nullptr);

// The configuration store's volume and mute flag; 0xFF when they cannot be read.
uint8_t storedVolume();
uint8_t storedMute();

// Releases every pending event (their timers stop).
void drainPool();

class CecAppTest : public sbtest::SimTest {
public:
    // The framework, the timer service, the configuration store, the state manager and `cec`,
    // started the first time only.
    static void startOnce();

protected:
    void SetUp() override;
    // Releases every pending event, so the next test finds the pool as the start left it.
    void TearDown() override;

    // Posts a driver event to `cec` as the device manager does.
    void postDriverEvent(uint32_t state) const;
    // A frame from the TV ("INIT DEST OPCODE [OPERANDS]"), queued in the transmitter and announced.
    void receive(const std::string& frame) const;
    // The frames the soundbar sent in answer to `frame` (as frameText gives them): all sent before
    // its answer to a Give Device Power Status that follows, which is not among them.
    std::vector<std::string> answersTo(const std::string& frame) const;
    // The frames the soundbar sent for what `post` handed to `cec`, fenced in the same way.
    std::vector<std::string> sentFor(const std::function<void()>& post) const;
    // The same for one driver event.
    std::vector<std::string> sentForEvent(uint32_t state) const;
    // Releases the withheld transmit statuses with `ack` and hands each to `cec`.
    void releaseStatuses(uint32_t ack, size_t count = 1) const;
};

}  // namespace cectest
