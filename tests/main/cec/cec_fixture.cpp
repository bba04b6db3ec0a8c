#include "tests/main/cec/cec_fixture.h"

#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_app.h"
#include "main/cec/cec_app.h"
#include "main/cec/cec_drv_event.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "main/cli/cli.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/timerd.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::string frame(uint8_t destination, uint16_t opcode, std::vector<uint8_t> operands)
{
    std::vector<uint8_t> bytes(24, 0);
    bytes[0] = 5;
    bytes[1] = destination;
    bytes[2] = static_cast<uint8_t>(opcode);
    bytes[3] = static_cast<uint8_t>(opcode >> 8);
    std::copy(operands.begin(), operands.end(), bytes.begin() + 4);
    bytes[20] = static_cast<uint8_t>(operands.size());
    return frameText(bytes);
}

std::vector<Request> requests(const sbtest::SimProcess& sim, const std::vector<std::string>& names)
{
    std::vector<Request> got;
    std::istringstream log(sim.ctl("log hdmitx"));
    for (std::string line; std::getline(log, line);) {
        std::istringstream words(line);
        Request r{};
        if (!(words >> r.time >> r.name) || std::find(names.begin(), names.end(), r.name) == names.end()) {
            continue;
        }
        got.push_back(r);
    }
    // The frames in the same order, from a later reading of the same log.
    const auto sent = sentFrames(sim);
    size_t next = 0;
    for (Request& r : got) {
        if (r.name == "SET_CECCMD" && next < sent.size()) {
            r.frame = frameText(sent[next++].frame);
        }
    }
    return got;
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
    for (auto fill : {a_timerd_register, a_acfg_register, a_sm_register, a_cec_register}) {
        ASSERT_EQ(apptest::registerOnce(fill), 0);
    }
    for (const char* name : {"timerd", "acfg", SM_APP_NAME, CEC_APP_NAME}) {
        ASSERT_EQ(u_amb_sync_start_app(name), 0) << name;
    }
    started = true;
}

void CecAppTest::SetUp()
{
    ASSERT_TRUE(sim.started());
    startOnce();
}

uint8_t storedVolume()
{
    uint8_t v = 0xFF;
    uAcfgGetVolume(&v);
    return v;
}

uint8_t storedMute()
{
    uint8_t m = 0xFF;
    uAcfgGetMute(&m);
    return m;
}

void drainPool()
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
}

void CecAppTest::TearDown()
{
    drainPool();
    EXPECT_EQ(poolCounts(), std::make_pair(0, static_cast<int>(CEC_EVENT_POOL_SIZE)));
}

void CecAppTest::postDriverEvent(uint32_t state) const
{
    ASSERT_EQ(0, u_app_send_appmsg(gCecThisObj.hApp.load(), E_APP_MSG_TYPE_CEC, MSG_FROM_DM, state, nullptr, 0));
}

void CecAppTest::receive(const std::string& frame) const
{
    sim.ctl("hdmitx cec-rx " + frame);
    postDriverEvent(HDMI_CEC_STATE_GET_CMD);
}

std::vector<std::string> CecAppTest::answersTo(const std::string& frame) const
{
    return sentFor([&] { receive(frame); });
}

std::vector<std::string> CecAppTest::sentForEvent(uint32_t state) const
{
    return sentFor([&] { postDriverEvent(state); });
}

std::vector<std::string> CecAppTest::sentFor(const std::function<void()>& post) const
{
    drainPool();  // no resend of an earlier frame comes between
    const size_t mark = sentFrames(sim).size();
    post();
    receive("0 5 0x8F");
    std::vector<std::string> answers;
    const bool fenced = apptest::eventually([&] {
        answers.clear();
        const auto sent = sentFrames(sim);
        for (size_t i = mark; i < sent.size(); ++i) {
            const std::string text = frameText(sent[i].frame);
            if (text.rfind("05 00 90 00 0", 0) == 0) {  // either power status
                return true;
            }
            answers.push_back(text);
        }
        return false;
    });
    EXPECT_TRUE(fenced);
    return answers;
}

void CecAppTest::releaseStatuses(uint32_t ack, size_t count) const
{
    sim.ctl("hdmitx tx-status release " + std::to_string(ack));
    for (size_t i = 0; i < count; ++i) {
        postDriverEvent(HDMI_CEC_STATE_TX_STS);
    }
}

}  // namespace cectest
