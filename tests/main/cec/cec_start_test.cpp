// The `cec` application before and after its start, in a process of its own: nothing may have
// started it before this test looks.
#include "main/cec/cec_app.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/cec/cec_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using CecStartTest = sbtest::SimTest;

TEST_F(CecStartTest, RefusesMessagesUntilStartedThenTellsTheDriverOnce)
{
    appmsg_t msg{};
    msg.ui4_sender_id = MSG_FROM_CLI;
    EXPECT_EQ(-1, cecAppProcessMsg(0, E_APP_MSG_TYPE_CEC, &msg, sizeof msg));
    uint8_t rec[CEC_TIMER_REC_SIZE] = {};
    gPlatformInfo.ui1FakePlugIn = 1;
    EXPECT_EQ(-1, cecAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, rec, sizeof rec));
    EXPECT_EQ(1, gPlatformInfo.ui1FakePlugIn.load()) << "not handled";

    cectest::CecAppTest::startOnce();
    EXPECT_EQ(0, cecAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, rec, sizeof rec));
    EXPECT_EQ(0, gPlatformInfo.ui1FakePlugIn.load());
    const auto quorid = sandbox.quoridLog();
    EXPECT_EQ(1, std::count(quorid.begin(), quorid.end(), "chmod 777 /dev/hdmitx"));
    const std::string log = sim.ctl("log hdmitx");
    const size_t enable = log.find("CEC_ENABLE 01");
    ASSERT_NE(std::string::npos, enable) << log;
    EXPECT_NE(std::string::npos, log.find("CEC_APP_READY 01", enable)) << log;
    EXPECT_EQ(cectest::poolCounts(), std::make_pair(0, 128));

    // A second start changes nothing and tells the driver nothing more.
    EXPECT_EQ(0, cecAppInit("cec", 0));
    EXPECT_NE(0u, gCecThisObj.hApp.load());
    EXPECT_EQ(log, sim.ctl("log hdmitx"));
}

}  // namespace
