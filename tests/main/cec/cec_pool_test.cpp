// The transmit pool inside the running `cec` application: tags, the pool's bounds, release by key,
// failed sends, and the time-outs on the real timer service.
#include "main/cec/cec_msg.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "tests/main/cec/cec_fixture.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <set>

namespace {

using cectest::poolCounts;
using cectest::sentFrames;

class CecPoolTest : public cectest::CecAppTest {
protected:
    // A copy of the event of a tag, read under the pool's lock (the application thread may be
    // resending it).
    static CecEvent pendingEvent(uint32_t tag)
    {
        cecSemaMtxLock();
        const CecEvent* event = cecCtrlEventFromTag(tag);
        const CecEvent copy = event != nullptr ? *event : CecEvent{};
        cecSemaMtxNulock();
        return copy;
    }

    bool sentCount(size_t n) const
    {
        return apptest::eventually([&] { return sentFrames(sim).size() >= n; });
    }
};

TEST_F(CecPoolTest, AnEmptyPoolRefusesTheFrameAsAFailedSendAndEveryTagNamesOneEvent)
{
    sim.ctl("hdmitx tx-status hold");
    for (uint32_t i = 0; i < CEC_EVENT_POOL_SIZE; ++i) {
        ASSERT_EQ(0, cecCtrlGiveDevicePowerStatus(CEC_LA_TV)) << i;
    }
    EXPECT_EQ(-4, cecCtrlGiveDevicePowerStatus(CEC_LA_TV));
    EXPECT_EQ(poolCounts(), std::make_pair(128, 0));

    const auto sent = sentFrames(sim);
    ASSERT_EQ(128u, sent.size());
    std::set<uint32_t> tags;
    for (const auto& s : sent) {
        tags.insert(s.tag);
        const CecEvent event = pendingEvent(s.tag);
        EXPECT_EQ(0x8Fu, event.ui4Opcode);
    }
    EXPECT_EQ(128u, tags.size());
    EXPECT_EQ(0u, tags.count(0));
    EXPECT_EQ(nullptr, cecCtrlEventFromTag(0));
    EXPECT_EQ(nullptr, cecCtrlEventFromTag(CEC_EVENT_POOL_SIZE + 1));
}

TEST_F(CecPoolTest, ADirectedFrameWithoutStatusIsSentFourTimesThenFreed)
{
    sim.ctl("hdmitx tx-status hold");
    ASSERT_EQ(0, cecCtrlGivePhysicalAddress(CEC_LA_TV));
    double busyAt = 0;  // the last time the pool was seen holding the frame
    ASSERT_TRUE(apptest::eventually([&] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (poolCounts().first == 0) {
            return true;
        }
        busyAt = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
        return false;
    }));
    const auto sent = sentFrames(sim);
    ASSERT_EQ(4u, sent.size());
    for (size_t i = 1; i < sent.size(); ++i) {
        EXPECT_EQ(sent[0].tag, sent[i].tag);
        EXPECT_EQ(sent[0].frame, sent[i].frame);
        const double gap = sent[i].time - sent[i - 1].time;
        EXPECT_GE(gap, 1.7) << i;  // the request reaches the simulator a little after the timer is armed
        EXPECT_LE(gap, 3.0) << i;
    }
    // The simulator and the test read the same monotonic clock.
    EXPECT_GE(busyAt - sent[0].time, 7.1);
}

TEST_F(CecPoolTest, ABroadcastIsNeverSentAgain)
{
    sim.ctl("hdmitx tx-status hold");
    ASSERT_EQ(0, cecCtrlStandby(CEC_LA_BROADCAST));
    ASSERT_EQ(0, cecCtrlGiveOSDName(CEC_LA_TV));
    // The directed frame's first resend comes after the broadcast's time-out has been handled.
    ASSERT_TRUE(sentCount(3));
    const auto sent = sentFrames(sim);
    EXPECT_EQ("05 0f 36 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
              cectest::frameText(sent[0].frame));
    EXPECT_EQ(sent[1].tag, sent[2].tag);
    EXPECT_EQ(poolCounts().first, 2);
}

TEST_F(CecPoolTest, ReleaseByKeyTakesTheOldestMatchWhateverItsDestination)
{
    sim.ctl("hdmitx tx-status hold");
    ASSERT_EQ(0, cecCtrlGiveDevicePowerStatus(CEC_LA_TV));
    ASSERT_EQ(0, cecCtrlGiveDevicePowerStatus(4));
    const auto sent = sentFrames(sim);
    ASSERT_EQ(2u, sent.size());
    CecEvent key = pendingEvent(sent[1].tag);  // the one to 4

    CecEvent other = key;
    other.ui4Opcode = 0x46;
    EXPECT_EQ(0, cecCtrlFreeEvent(&other));
    EXPECT_EQ(0, cecCtrlFreeEvent(nullptr));
    EXPECT_EQ(poolCounts().first, 2);

    EXPECT_EQ(1, cecCtrlFreeEvent(&key));
    EXPECT_EQ(CEC_KIND_FREE, pendingEvent(sent[0].tag).ui4Kind);
    EXPECT_EQ(4u, pendingEvent(sent[1].tag).ui4Destination);
    EXPECT_EQ(nullptr, cecCtrlSearchActionEvent(0x8F, CEC_LA_TV, CEC_EVT_SENT));
    EXPECT_EQ(cecCtrlEventFromTag(sent[1].tag), cecCtrlSearchActionEvent(0x8F, 4, CEC_EVT_SENT));
}

TEST_F(CecPoolTest, AFailedSendLeavesNothingPending)
{
    for (const char* failure : {"hdmitx fail SET_CECCMD 1", "hdmitx missing on"}) {
        SCOPED_TRACE(failure);
        sim.ctl(failure);
        EXPECT_EQ(-4, cecCtrlGiveOSDName(CEC_LA_TV));
        EXPECT_EQ(poolCounts(), std::make_pair(0, 128));
    }
    sim.ctl("hdmitx missing off");
    EXPECT_EQ(0, cecCtrlGiveOSDName(CEC_LA_TV));
    EXPECT_EQ(poolCounts().first, 1);
}

TEST_F(CecPoolTest, AReplyTimeOutReleasesTheEventWithoutAResend)
{
    sim.ctl("hdmitx tx-status hold");
    ASSERT_EQ(0, cecCtrlGiveOSDName(CEC_LA_TV));
    CecEvent* event = cecCtrlEventFromTag(sentFrames(sim).at(0).tag);
    // As the acknowledgement of a request does: wait for the reply instead of the status.
    cecSemaMtxLock();
    event->ui4State = CEC_EVT_WAIT_REPLY;
    cecSemaMtxNulock();
    ASSERT_EQ(0, cecCtrlStartEventTimer(event, CEC_REPLY_TIMEOUT_MS));
    ASSERT_TRUE(apptest::eventually([] { return poolCounts().first == 0; }));
    EXPECT_EQ(1u, sentFrames(sim).size());
}

TEST_F(CecPoolTest, ASecondStartChangesNothing)
{
    ASSERT_EQ(0, cecCtrlGiveOSDName(CEC_LA_TV));
    EXPECT_EQ(-2, cecCtrlInit());
    EXPECT_EQ(poolCounts(), std::make_pair(1, 127));
}

TEST_F(CecPoolTest, TheTimerRecordCarriesTheEventWithItsStateAtByte32)
{
    CecEvent event{};
    event.ui4Opcode = 0x46;
    event.ui4Initiator = 5;
    event.ui4Destination = 0;
    event.ui1OperandCount = 14;
    for (uint8_t i = 0; i < CEC_EVENT_OPERAND_MAX; ++i) {
        event.aui1Operand[i] = static_cast<uint8_t>(0xA0 + i);
    }
    event.ui1Retry = 2;
    event.ui4Kind = CEC_KIND_OSD_NAME;
    event.ui4State = CEC_EVT_WAIT_REPLY;
    event.ui4Tag = 77;
    event.ui4Serial = 9;
    uint8_t rec[CEC_TIMER_REC_SIZE];
    cecEventToTimerRec(event, rec);
    EXPECT_EQ(CEC_EVT_WAIT_REPLY, rec[32]);

    CecEvent copy{};
    ASSERT_TRUE(cecEventFromTimerRec(rec, sizeof rec, &copy));
    EXPECT_EQ(0, memcmp(event.aui1Operand, copy.aui1Operand, CEC_EVENT_OPERAND_MAX));
    EXPECT_EQ(std::make_tuple(0x46u, 5u, 0u, 14, 2, 7u, 2u, 77u, 9u),
              std::make_tuple(copy.ui4Opcode, copy.ui4Initiator, copy.ui4Destination, int{copy.ui1OperandCount},
                              int{copy.ui1Retry}, copy.ui4Kind, copy.ui4State, copy.ui4Tag, copy.ui4Serial));
    EXPECT_FALSE(cecEventFromTimerRec(rec, sizeof rec - 1, &copy));
    EXPECT_FALSE(cecEventFromTimerRec(nullptr, sizeof rec, &copy));
}

}  // namespace
