// A standby from the TV handed to the state manager, in a process of its own whose "state_mngr" is
// first missing and then a recording application; and the OSD name without a configuration store.
#include "main/cec/cec_app.h"
#include "main/cec/cec_state.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/timerd.h"
#include "tests/main/cec/cec_fixture.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

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
    // No state manager: the hand-over fails, and the flag stays down for the next standby.
    EXPECT_TRUE(answersTo("0 5 0x36").empty());
    EXPECT_EQ(0, gIsCecSendReq.load());

    apptest::TestApp& sm = apptest::runningRecorder(SM_APP_NAME);
    EXPECT_TRUE(answersTo("0 5 0x36").empty());
    EXPECT_TRUE(answersTo("0 15 0x36").empty());
    EXPECT_EQ(1, gIsCecSendReq.load());
    ASSERT_TRUE(sm.waitMessages(1));
    const auto got = sm.messages();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(E_APP_MSG_TYPE_CEC, got[0].msgId);
    ASSERT_EQ(sizeof(appmsg_t), got[0].data.size());
    appmsg_t msg{};
    memcpy(&msg, got[0].data.data(), sizeof msg);
    EXPECT_EQ(MSG_FROM_CEC, msg.ui4_sender_id);
    EXPECT_EQ(SM_BODY_CEC_STANDBY, msg.ui4_msg_type);
    EXPECT_EQ(std::vector<uint8_t>(APPMSG_DATA_SIZE, 0), std::vector<uint8_t>(msg.aui1_data, msg.aui1_data + APPMSG_DATA_SIZE));
}

TEST_F(CecStandbyTest, OsdNameFallsBackWhenTheStoreCannotBeRead)
{
    EXPECT_EQ(std::vector<std::string>{"05 00 47 00 76 6f 72 70 61 64 75 00 00 00 00 00 00 00 00 00 07 00 00 00"},
              answersTo("0 5 0x46"));
}

}  // namespace
