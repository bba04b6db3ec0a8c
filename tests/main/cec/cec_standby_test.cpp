// A standby from the TV or the driver handed to the state manager, in a process of its own whose "state_mngr" is
// first missing and then a recording application; and the OSD name without a configuration store.
#include "main/cec/cec_app.h"
#include "main/cec/cec_drv_event.h"
#include "main/cec/cec_state.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/timerd.h"
#include "tests/main/cec/cec_fixture.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using cectest::frame;

class CecStandbyTest : public cectest::CecAppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        static bool started = false;
        if (started) {
            return;
        }
        apptest::startFramework();
        for (auto fill : {a_timerd_register, a_cec_register}) {
            ASSERT_EQ(apptest::registerOnce(fill), 0);
        }
        for (const char* name : {"timerd", CEC_APP_NAME}) {
            ASSERT_EQ(u_amb_sync_start_app(name), 0) << name;
        }
        started = true;
    }
};

TEST_F(CecStandbyTest, OneHandOverPerSuspendCycleAndAnotherAfterAFailedOne)
{
    // No state manager: the hand-over fails, and the flag stays down for the next standby, from the
    // TV or from the driver.
    EXPECT_TRUE(answersTo("0 5 0x36").empty());
    EXPECT_EQ(0, gIsCecSendReq.load());
    EXPECT_TRUE(sentForEvent(HDMI_CEC_STATE_STANDBY).empty());
    EXPECT_EQ(0, gIsCecSendReq.load());

    apptest::TestApp& sm = apptest::runningRecorder(SM_APP_NAME);
    sm.clearMessages();
    sim.ctl("hdmitx cm4 2 5");  // the own logical address kept over the suspend
    const auto notice = [this](uint32_t body) {
        EXPECT_TRUE(sentFor([body] {
            ASSERT_EQ(0, u_app_send_appmsg(gCecThisObj.hApp.load(), E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SM,
                                           smMsgWord(SM_INFORM_GRP, body, 0), nullptr, 0));
        }).empty());
    };
    // One cycle after another: the TV's standby and the driver's each hand over once per cycle,
    // and leaving suspend or failing to enter it opens the next cycle.
    EXPECT_TRUE(answersTo("0 5 0x36").empty());
    EXPECT_TRUE(answersTo("0 15 0x36").empty());
    EXPECT_TRUE(sentForEvent(HDMI_CEC_STATE_STANDBY).empty());
    EXPECT_EQ(1, gIsCecSendReq.load());
    notice(SM_BODY_CEC_EXIT_SUSPEND);
    EXPECT_TRUE(answersTo("0 5 0x36").empty());
    EXPECT_TRUE(sentForEvent(HDMI_CEC_STATE_STANDBY).empty());
    notice(SM_BODY_CEC_ENTER_SUSPEND_FAIL);
    EXPECT_TRUE(sentForEvent(HDMI_CEC_STATE_STANDBY).empty());
    EXPECT_TRUE(sentForEvent(HDMI_CEC_STATE_STANDBY).empty());
    EXPECT_EQ(1, gIsCecSendReq.load());

    ASSERT_TRUE(sm.waitMessages(3));
    const auto got = sm.messages();
    ASSERT_EQ(3u, got.size());
    for (const auto& m : got) {
        EXPECT_EQ(E_APP_MSG_TYPE_CEC, m.msgId);
        ASSERT_EQ(sizeof(appmsg_t), m.data.size());
        appmsg_t msg{};
        memcpy(&msg, m.data.data(), sizeof msg);
        EXPECT_EQ(MSG_FROM_CEC, msg.ui4_sender_id);
        EXPECT_EQ(SM_BODY_CEC_STANDBY, msg.ui4_msg_type);
        EXPECT_EQ(std::vector<uint8_t>(APPMSG_DATA_SIZE, 0),
                  std::vector<uint8_t>(msg.aui1_data, msg.aui1_data + APPMSG_DATA_SIZE));
    }

    // With no co-processor to stand in while it sleeps, the application answers as a sleeping
    // soundbar: standby power status between the suspend notices, to whoever asked, and the TV's
    // stream path to it wakes it, though the TV's standby went over in this cycle already.
    sm.clearMessages();
    sim.ctl("hdmitx cm4 1 0x1000");
    notice(SM_BODY_CEC_EXIT_SUSPEND);  // the addresses read back, as after a wake-up
    const auto powerStatusTo4 = [this] { return sentFor([this] { receive("4 5 0x8F"); }); };
    EXPECT_EQ(std::vector<std::string>{frame(4, 0x90, {0x00})}, powerStatusTo4());
    EXPECT_TRUE(answersTo("0 15 0x86 10 00").empty()) << "awake, a stream path to it changes nothing";
    sentFor([] {
        ASSERT_EQ(0, u_app_send_appmsg(gCecThisObj.hApp.load(), E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SM,
                                       smMsgWord(SM_INFORM_GRP, SM_BODY_CEC_ENTER_SUSPEND, 0), nullptr, 0));
    });  // (it closes the system audio mode)
    EXPECT_EQ(std::vector<std::string>{frame(4, 0x90, {0x01})}, powerStatusTo4());
    EXPECT_TRUE(answersTo("0 5 0x36").empty());
    EXPECT_TRUE(answersTo("0 15 0x86 20 00").empty());
    EXPECT_TRUE(answersTo("0 15 0x86 10 00").empty());
    ASSERT_TRUE(sm.waitMessages(2));
    notice(SM_BODY_CEC_EXIT_SUSPEND);
    EXPECT_EQ(std::vector<std::string>{frame(4, 0x90, {0x00})}, powerStatusTo4());
    const auto woken = sm.messages();
    ASSERT_EQ(2u, woken.size()) << "the TV's standby, then the stream path's wake-up";
    appmsg_t msg{};
    memcpy(&msg, woken[1].data.data(), sizeof msg);
    EXPECT_EQ(SM_BODY_CEC_STANDBY, msg.ui4_msg_type);
}

TEST_F(CecStandbyTest, OsdNameFallsBackWhenTheStoreCannotBeRead)
{
    EXPECT_EQ(std::vector<std::string>{"05 00 47 00 76 6f 72 70 61 64 75 00 00 00 00 00 00 00 00 00 07 00 00 00"},
              answersTo("0 5 0x46"));
}

}  // namespace
