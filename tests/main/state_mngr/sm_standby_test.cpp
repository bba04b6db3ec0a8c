// Power states driven directly: entering suspend standby with and without sources, the A2DP
// low-power exception, the repeated suspend sequence, the handshake word and the wake-up call.
#include "main/state_mngr/sm_context_priv.h"
#include "tests/main/state_mngr/sm_peers.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using smtest::Peers;
using smtest::Rec;

constexpr uint32_t P = SM_PLAY_STATUS_PLAY;

class SmStandbyTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        Peers::get().collect();
        smtest::setUpRecords({});
        smVars().fgA2dpLowPower = 0;
    }

    static size_t count(const std::vector<std::string>& log, const std::string& line)
    {
        size_t n = 0;
        for (const auto& l : log) {
            n += l == line ? 1 : 0;
        }
        return n;
    }
};

TEST_F(SmStandbyTest, EnteringSuspendStopsEverySourceExceptALowPowerBt)
{
    struct Case {
        const char* name;
        std::vector<Rec> setup;
        uint8_t a2dpLowPower;
        smtest::Received stops;
    };
    const Case cases[] = {
        {"nothing present", {}, 0, {}},
        {"playing sources get stop orders",
         {{SM_SOURCE_BT, 0, P, 0, 1}, {SM_SOURCE_USB, 0, P, 0, 0}, {SM_SOURCE_SPDIF_IN, 0, P, 0, 0}},
         0,
         {{"bluetooth", {{E_APP_MSG_TYPE_STATE_MNGR, 0}}},
          {"playback_usb", {{E_APP_MSG_TYPE_STATE_MNGR, 0}}},
          {"pb_spdif_in", {{E_APP_MSG_TYPE_STATE_MNGR, 0}}}}},
        {"A2DP low power leaves a present bt and everything else alone",
         {{SM_SOURCE_BT, 0, P, 0, 1}, {SM_SOURCE_USB, 0, P, 0, 0}},
         1,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        smtest::setUpRecords(c.setup);
        smVars().fgA2dpLowPower = c.a2dpLowPower;
        smEnterSuspendStandbyMode();
        auto got = smtest::idsAndWords(Peers::get().collect());
        EXPECT_EQ(got["cec"], (std::vector<std::pair<uint32_t, uint32_t>>{{E_APP_MSG_TYPE_STATE_MNGR, 0x034E0000}}));
        EXPECT_EQ(got["avs_stub"],
                  (std::vector<std::pair<uint32_t, uint32_t>>{{E_APP_MSG_TYPE_STATE_MNGR, 0x00160000}}));
        got.erase("cec");
        got.erase("avs_stub");
        EXPECT_EQ(got, c.stops);
        EXPECT_EQ(uSmIsEnterSuspendStandby(), 1);
    }
}

TEST_F(SmStandbyTest, BtStopBeforeStandbySaysWhichStandby)
{
    smtest::setUpRecords({{SM_SOURCE_BT, 0, P, 0, 1}});
    smCtx().fgFakeStandby = 1;
    smEnterFakeStandbyMode();
    const auto got = Peers::get().collect();
    ASSERT_EQ(got.count("bluetooth"), 1u);
    const smtest::PeerMsg& stop = got.at("bluetooth").at(0);
    EXPECT_EQ(stop.word, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stop.data.data())), "FAKE_STANDBY");
}

TEST_F(SmStandbyTest, BtPowerOffRepeatsTheSuspendSequenceOnlyInSuspend)
{
    appmsg_t poweroff{};
    poweroff.ui4_sender_id = MSG_FROM_BT;
    poweroff.ui4_msg_type = smMsgWord(SM_INFORM_GRP, SM_BODY_BT_POWEROFF, 0);
    smProcessInformMsg(&poweroff);
    EXPECT_TRUE(sandbox.quoridLog().empty());
    smCtx().fgSuspendStandby = 1;
    smProcessInformMsg(&poweroff);
    smProcessInformMsg(&poweroff);
    EXPECT_EQ(count(sandbox.quoridLog(), "echo mem > /sys/power/state"), 2u);
    EXPECT_EQ(uSmIsEnterSuspendStandby(), 1);
}

TEST_F(SmStandbyTest, RequestAfterTheSuspendSequenceLeavesSuspend)
{
    smEnterSuspendStandbyMode();
    Peers::get().collect();
    smProcessRequestPlayMsg(MSG_FROM_USB);
    const auto got = smtest::idsAndWords(Peers::get().collect());
    EXPECT_EQ(uSmIsEnterSuspendStandby(), 0);
    EXPECT_EQ(got.at("cec"), (std::vector<std::pair<uint32_t, uint32_t>>{{E_APP_MSG_TYPE_STATE_MNGR, 0x034F0000}}));
    EXPECT_EQ(got.at("playback_usb"),
              (std::vector<std::pair<uint32_t, uint32_t>>{{E_APP_MSG_TYPE_STATE_MNGR, 0x01010000}}));
}

TEST_F(SmStandbyTest, HandshakeWordAndWakeUp)
{
    gPmOnlineState = 0;
    smPmStateDoneWait();  // returns at once

    smCtx().fgSuspendStandby = 1;
    smPmStateWakeUp(0);
    EXPECT_EQ(uSmIsEnterSuspendStandby(), 0);
    EXPECT_EQ(gIsPowerOnFromSuspend.load(), 1);
    EXPECT_EQ(gPmOnlineState.load(), 1);
    EXPECT_EQ(smtest::words(Peers::get().collect()["cec"]), std::vector<uint32_t>{0x034F0000});

    // The forced leave runs its steps even outside suspend standby.
    smPmStateWakeUp(0);
    EXPECT_EQ(smtest::words(Peers::get().collect()["cec"]), std::vector<uint32_t>{0x034F0000});

    gIsPowerOnFromFakeStandby = 0;
    smPmStateWakeUp(1);
    EXPECT_EQ(gIsPowerOnFromFakeStandby.load(), 1);
    EXPECT_TRUE(Peers::get().collect().empty());

    uSmSetSuspendStandby(1);
    EXPECT_EQ(uSmIsEnterSuspendStandby(), 1);
    EXPECT_TRUE(Peers::get().collect().empty()) << "the setter takes no other step";
}

}  // namespace
