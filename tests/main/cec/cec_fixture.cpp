#include "tests/main/cec/cec_fixture.h"

#include "main/cec/cec_app.h"
#include "main/cec/cec_pool.h"
#include "main/cli/cli.h"
#include "main/timerd/timerd.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace cectest {

std::vector<Sent> sentFrames(const sbtest::SimProcess& sim)
{
    std::vector<Sent> sent;
    std::istringstream log(sim.ctl("log hdmitx"));
    for (std::string line; std::getline(log, line);) {
        std::istringstream words(line);
        Sent s{};
        std::string name;
        if (!(words >> s.time >> name) || name != "SET_CECCMD") {
            continue;
        }
        std::vector<uint8_t> bytes;
        std::string hex;
        while (bytes.size() < 32 && words >> hex) {
            bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
        }
        if (bytes.size() != 32) {
            continue;
        }
        s.tag = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
        s.frame.assign(bytes.begin() + 4, bytes.begin() + 28);
        sent.push_back(s);
    }
    return sent;
}

std::string frameText(const std::vector<uint8_t>& frame)
{
    std::string text;
    for (uint8_t b : frame) {
        char hex[4];
        snprintf(hex, sizeof hex, "%02x", b);
        text += (text.empty() ? "" : " ") + std::string(hex);
    }
    return text;
}

std::pair<int, int> poolCounts()
{
    uint8_t occupied = 0;
    uint8_t free = 0;
    cecCtrlEventCounts(&occupied, &free);
    return {occupied, free};
}

std::string consoleLine(const std::string& line, int32_t* result)
{
    testing::internal::CaptureStdout();
    const int32_t res = u_cli_parser(line.c_str());
    fflush(stdout);
    if (result != nullptr) {
        *result = res;
    }
    return testing::internal::GetCapturedStdout();
}

void CecAppTest::startOnce()
{
    static bool started = false;
    if (started) {
        return;
    }
    apptest::startFramework();
    ASSERT_EQ(apptest::registerOnce(a_timerd_register), 0);
    ASSERT_EQ(apptest::registerOnce(a_cec_register), 0);
    ASSERT_EQ(u_amb_sync_start_app("timerd"), 0);
    ASSERT_EQ(u_amb_sync_start_app("cec"), 0);
    started = true;
}

void CecAppTest::SetUp()
{
    ASSERT_TRUE(sim.started());
    startOnce();
}

void CecAppTest::TearDown()
{
    // A release by key takes the oldest match, which need not be the event asked about: go round
    // until none is left.
    for (uint32_t round = 0; round <= CEC_EVENT_POOL_SIZE && poolCounts().first > 0; ++round) {
        for (uint32_t tag = 1; tag <= CEC_EVENT_POOL_SIZE; ++tag) {
            cecSemaMtxLock();
            const CecEvent* event = cecCtrlEventFromTag(tag);
            if (event != nullptr && event->ui4Kind != CEC_KIND_FREE) {
                cecCtrlFreeEvent(event);
            }
            cecSemaMtxNulock();
        }
    }
    EXPECT_EQ(poolCounts(), std::make_pair(0, static_cast<int>(CEC_EVENT_POOL_SIZE)));
}

}  // namespace cectest
