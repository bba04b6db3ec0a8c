// What the CEC tests share: the real `cec` application and the timer service started once in the
// test process, a fresh root with a board simulator for every test, the transmissions the
// simulated HDMI transmitter saw, and a transmit pool left empty after every test.
#pragma once

#include "tests/support/sim_process.h"

#include <cstdint>
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
// {pending, free} events of the transmit pool.
std::pair<int, int> poolCounts();
// Runs one console line and returns what it printed; its result in `result`.
std::string consoleLine(const std::string& line, int32_t* result = nullptr);

class CecAppTest : public sbtest::SimTest {
public:
    // The framework, the timer service and `cec`, started the first time only.
    static void startOnce();

protected:
    void SetUp() override;
    // Releases every pending event, so the next test finds the pool as the start left it.
    void TearDown() override;
};

}  // namespace cectest
