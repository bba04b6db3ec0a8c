// The receive side inside the running `cec` application: frames from the TV queued in the
// simulated transmitter and announced as the device manager will, the answers the soundbar sends,
// the transmit statuses, and what the TV's keys do to the store.
#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/cec/cec_handler.h"
#include "main/cec/cec_msg.h"
#include "main/cec/cec_parser.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "main/cli/cli.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/cec/cec_fixture.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ctime>

namespace {

using cectest::frame;
using cectest::frameText;
using cectest::poolCounts;
using cectest::sentFrames;
using Answers = std::vector<std::string>;

class CecRxTest : public cectest::CecAppTest {
protected:
    void SetUp() override
    {
        cectest::CecAppTest::SetUp();
        ASSERT_EQ(0, uAcfgSetVolume(40, 0));
        ASSERT_EQ(0, uAcfgSetMute(1));
    }
    static bool pendingCount(int n)
    {
        return apptest::eventually([n] { return poolCounts().first == n; });
    }
    static void playArc()
    {
        u_cli_parser_arg("app.sm.request_play %u", SM_SOURCE_ARC_IN);
        ASSERT_TRUE(apptest::eventually([] { return uSmGetCurrentSource() == SM_SOURCE_ARC_IN; }));
    }
};

TEST_F(CecRxTest, EachQueryIsAnsweredAndEveryOtherOpcodeRefusedUnlessBroadcast)
{
    const struct {
        const char* rx;
        Answers answers;
    } cases[] = {
        {"0 5 0x8C", {frame(15, 0x87, {0x08, 0x00, 0x46})}},
        {"0 5 0x9F", {frame(0, 0x00, {0x9F, 0x00})}},
        {"0 5 0x91", {frame(0, 0x00, {0x91, 0x00})}},
        {"0 5 0xFF", {frame(0, 0x00, {0xFF, 0x00})}},
        {"4 5 0xC6", {frame(4, 0x00, {0xC6, 0x00})}},
        {"0 15 0xFE", {}},
        {"0 15 0x85", {}},
        {"0 5 0x83", {frame(15, 0x84, {0x00, 0x00, 0x05})}},
        {"0 5 0x7D", {frame(0, 0x7E, {0x01})}},
        {"0 5 0xC3", {frame(0, 0xC0)}},
        {"0 5 0xC4", {frame(0, 0xC5)}},
        {"0 5 0x46", {frame(0, 0x47, {'s', 'o', 'u', 'n', 'd', 'b', 'a', 'r'})}},
        {"0 5 0xA4 0B 02", {frame(0, 0xA3, {0x5F, 0x7F, 0x00, 0x15, 0x07, 0x50})}},
        {"0 5 0xA4 0D", {frame(0, 0xA3, {0x6F, 0x7F, 0x00})}},
        {"0 5 0xA4 3F", {frame(0, 0x00, {0xA4, 0x03})}},
        {"0 5 0xA4 41", {frame(0, 0x00, {0xA4, 0x03})}},
        {"0 5 0xA4 41 0D", {frame(0, 0xA3, {0x6F, 0x7F, 0x00})}},
        {"0 5 0xA4 01 02 03 04 05", {}},
        {"0 5 0x87 01 02 03", {}},
        {"0 5 0x45", {}},
        {"0 5 0x84 20 00 04", {}},
        {"0 5 0x80 00 00 10 00", {frame(15, 0x81, {0x00, 0x00})}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.answers, answersTo(c.rx)) << c.rx;
    }
}

TEST_F(CecRxTest, OperandCountsBeyondTheStoredSixteenAreReadNoFurther)
{
    sim.ctl("hdmitx tx-status hold");
    CecFrame in{};
    in.ui1Initiator = 0;
    in.ui1Destination = 5;
    in.ui2Opcode = 0xF0;
    memset(in.aui1Operand, 0x11, sizeof in.aui1Operand);
    for (uint32_t count : {20u, 30u, 31u, 200u}) {
        in.ui4OperandCount = count;
        cecPsrProcessFrameMessage(&in);
    }
    cecPsrProcessFrameMessage(nullptr);
    const auto sent = sentFrames(sim);
    ASSERT_EQ(2u, sent.size());  // counts of 31 and more get no answer
    EXPECT_EQ(frame(0, 0x00, {0xF0, 0x00}), frameText(sent[0].frame));
}

TEST_F(CecRxTest, TransmitStatusesReleaseOrKeepTheirEvents)
{
    sim.ctl("hdmitx tx-status hold");
    // Acknowledged requests wait for their reply; everything else ends with its status, and an
    // ack other than 0 and 1 leaves the event to its time-out.
    const struct {
        int32_t (*send)();
        uint32_t ack;
        uint32_t state;  // of the event afterwards; CEC_EVT_FREE when released
    } cases[] = {
        {[] { return cecCtrlGiveOSDName(CEC_LA_TV); }, 1, CEC_EVT_FREE},
        {[] { return cecCtrlGiveOSDName(CEC_LA_TV); }, 0, CEC_EVT_WAIT_REPLY},
        {[] { return cecCtrlGiveOSDName(CEC_LA_TV); }, 2, CEC_EVT_SENT},
        {[] { return cecCtrlReportPowerStatus(0, CEC_LA_TV); }, 0, CEC_EVT_FREE},
        {[] { return cecCtrlStandby(CEC_LA_BROADCAST); }, 1, CEC_EVT_FREE},
        {[] { return cecCtrlStandby(CEC_LA_BROADCAST); }, 0, CEC_EVT_FREE},
        {[] { return cecCtrlPollingDevice(CEC_LA_AUDIO_SYSTEM); }, 1, CEC_EVT_FREE},
        {[] { return cecCtrlPollingDevice(CEC_LA_AUDIO_SYSTEM); }, 0, CEC_EVT_FREE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases) << " ack " << c.ack);
        cectest::drainPool();
        ASSERT_EQ(0, c.send());
        const auto sent = sentFrames(sim);
        const uint32_t tag = sent.back().tag;
        releaseStatuses(c.ack);
        // Handled in order: once the answer to a later query is out, the status has been taken.
        receive("0 5 0x8F");
        ASSERT_TRUE(apptest::eventually([&] {
            const auto now = sentFrames(sim);
            return now.size() > sent.size() && frameText(now.back().frame) == frame(0, 0x90, {0x00});
        }));
        EXPECT_EQ(sent.size() + 1, sentFrames(sim).size()) << "no resend";
        cecSemaMtxLock();
        const CecEvent event = *cecCtrlEventFromTag(tag);
        cecSemaMtxNulock();
        EXPECT_EQ(c.state, event.ui4State);
        EXPECT_EQ(c.state == CEC_EVT_FREE, event.ui4Kind == CEC_KIND_FREE);
        EXPECT_EQ(CEC_LA_AUDIO_SYSTEM, gHDMITXInfo[0].logicalAddr.load());
        releaseStatuses(1);  // the answer's, so the next case's status is the only one waiting
    }
    EXPECT_NE(std::string::npos, sim.ctl("log cec").find("tx 05 05 ff ff 00"));
}

TEST_F(CecRxTest, AReplyReleasesItsRequestAndItsAbsenceTimesOut)
{
    sim.ctl("hdmitx tx-status hold");
    ASSERT_EQ(0, cecCtrlGiveOSDName(CEC_LA_TV));
    releaseStatuses(0);
    ASSERT_TRUE(apptest::eventually([] { return cecCtrlSearchActionEvent(0x46, 0, CEC_EVT_WAIT_REPLY) != nullptr; }));
    // A reply from another device is not this request's.
    receive("4 5 0x47 54 56");
    receive("0 5 0x47 54 56");
    EXPECT_TRUE(pendingCount(0));

    ASSERT_EQ(0, cecCtrlGiveOSDName(CEC_LA_TV));
    const double sentAt = sentFrames(sim).back().time;
    releaseStatuses(0);
    ASSERT_TRUE(pendingCount(1));
    ASSERT_TRUE(pendingCount(0));
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    EXPECT_GE(static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - sentAt, 1.75);
    EXPECT_EQ(2u, sentFrames(sim).size());
}

TEST_F(CecRxTest, TvVolumeKeysMoveTheStoredVolumeWhileItsAudioPlays)
{
    playArc();
    const struct {
        uint8_t from;
        const char* key;
        uint8_t to;
    } cases[] = {
        {40, "41", 46}, {97, "41", 100}, {100, "41", 100}, {12, "42", 6}, {11, "42", 6}, {6, "42", 6}, {3, "42", 3},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(0, uAcfgSetVolume(c.from, 0));
        ASSERT_EQ(0, uAcfgSetMute(1));
        EXPECT_EQ(Answers{}, answersTo(std::string("0 5 0x44 ") + c.key)) << int{c.from} << " " << c.key;
        EXPECT_EQ(c.to, cectest::storedVolume()) << int{c.from} << " " << c.key;
        EXPECT_EQ(0, cectest::storedMute());
    }

    // Two operands do nothing.
    ASSERT_EQ(0, uAcfgSetMute(1));
    EXPECT_EQ(Answers{}, answersTo("0 5 0x44 41 41"));
    EXPECT_EQ(1, cectest::storedMute());

    ASSERT_EQ(0, uAcfgSetVolume(40, 0));
    EXPECT_EQ(Answers{frame(0, 0x7A, {0x28})}, answersTo("0 5 0x44 43"));
    EXPECT_EQ(std::make_pair(uint8_t{40}, uint8_t{0}), std::make_pair(cectest::storedVolume(), cectest::storedMute()));
    EXPECT_EQ(Answers{frame(0, 0x7A, {0xA8})}, answersTo("0 5 0x44 43"));
    EXPECT_EQ(1, cectest::storedMute());

    // Another source's audio: the TV's keys are not the soundbar's.
    u_cli_parser_arg("app.sm.inform_stop %u", SM_SOURCE_ARC_IN);
    ASSERT_TRUE(apptest::eventually([] { return uSmGetCurrentSource() != SM_SOURCE_ARC_IN; }));
    EXPECT_EQ(Answers{}, answersTo("0 5 0x44 41"));
    EXPECT_EQ(std::make_pair(uint8_t{40}, uint8_t{1}), std::make_pair(cectest::storedVolume(), cectest::storedMute()));
}

TEST_F(CecRxTest, AudioStatusCarriesMuteAndVolume)
{
    EXPECT_EQ(Answers{frame(0, 0x7A, {0xA8})}, answersTo("0 5 0x71"));
    ASSERT_EQ(0, uAcfgSetVolume(100, 0));
    ASSERT_EQ(0, uAcfgSetMute(0));
    EXPECT_EQ(Answers{frame(0, 0x7A, {0x64})}, answersTo("0 5 0x71"));
}

TEST_F(CecRxTest, SystemAudioModeRequestOnStartsArcAndOffGuardsThePlugIn)
{
    const size_t mark = sentFrames(sim).size();
    receive("0 5 0x70 00 00");
    ASSERT_TRUE(apptest::eventually([&] { return sentFrames(sim).size() >= mark + 2; }));
    const auto on = sentFrames(sim);
    EXPECT_EQ(frame(15, 0x72, {0x01}), frameText(on[mark].frame));
    EXPECT_EQ(frame(0, 0xC0), frameText(on[mark + 1].frame));
    EXPECT_GE(on[mark + 1].time - on[mark].time, 0.02);
    EXPECT_EQ(1, gPlatformInfo.ui1SysAudioOpen.load());

    EXPECT_EQ(Answers{frame(15, 0x72, {0x00})}, answersTo("0 5 0x70"));
    double offAt = 0;
    for (const auto& s : sentFrames(sim)) {
        offAt = frameText(s.frame) == frame(15, 0x72, {0x00}) ? s.time : offAt;
    }
    EXPECT_EQ(0, gPlatformInfo.ui1SysAudioOpen.load());
    double guardedAt = 0;  // the last time the guard was seen up
    ASSERT_TRUE(apptest::eventually([&] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (gPlatformInfo.ui1FakePlugIn.load() == 0) {
            return true;
        }
        guardedAt = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
        return false;
    }));
    EXPECT_GE(guardedAt - offAt, 1.9);
}

TEST_F(CecRxTest, OsdNameIsTheStoredOne)
{
    ASSERT_EQ(0, uAcfgCecOsdNameSet("Living Room TV"));
    EXPECT_EQ(Answers{frame(0, 0x47, {'L', 'i', 'v', 'i', 'n', 'g', ' ', 'R', 'o', 'o', 'm', ' ', 'T', 'V'})},
              answersTo("0 5 0x46"));
    ASSERT_EQ(0, uAcfgCecOsdNameSet(""));
    EXPECT_EQ(Answers{frame(0, 0x47)}, answersTo("0 5 0x46"));
    ASSERT_EQ(0, uAcfgCecOsdNameSetDefault());
}

TEST_F(CecRxTest, MenuLanguageIsStoredAndArcFollowsTheTv)
{
    EXPECT_EQ(Answers{}, answersTo("0 5 0x32 65 6E 67"));
    char language[ACFG_CEC_MENULANGU_SIZE + 1] = {};
    ASSERT_EQ(0, uAcfgCecMenuLanguGet(language));
    EXPECT_STREQ("eng", language);

    EXPECT_EQ(Answers{}, answersTo("0 5 0xC1"));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last ARC_ENABLE"));
    EXPECT_EQ(1, gHDMITXInfo[0].openARC.load());
    EXPECT_EQ(Answers{}, answersTo("0 5 0xC2"));
    EXPECT_EQ("00\n", sim.ctl("hdmitx last ARC_ENABLE"));
    EXPECT_EQ(0, gHDMITXInfo[0].openARC.load());
}

TEST_F(CecRxTest, ActiveSourceAndStreamPathChooseTheInputOfTheirBranch)
{
    gHDMIRxInfo[0].physicalAddr = 0x1100;
    gHDMIRxInfo[0].mask = 0xFF00;
    gHDMIRxInfo[1].physicalAddr = 0x1200;
    gHDMIRxInfo[1].mask = 0xFF00;
    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_1;

    EXPECT_EQ(Answers{}, answersTo("0 15 0x82 20 00"));
    EXPECT_EQ(CEC_RX_PORT_1, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(Answers{}, answersTo("0 15 0x82 11 00"));
    EXPECT_EQ("00\n", sim.ctl("hdmitx last SWITCH_RX"));
    EXPECT_EQ(CEC_RX_PORT_0, gPlatformInfo.ui4ActiveRx.load());

    EXPECT_EQ(Answers{}, answersTo("0 15 0x86 12 34"));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last SWITCH_RX"));
    EXPECT_EQ(CEC_RX_PORT_1, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(0x1234, gTVInfo.ui2StreamPath.load());
    EXPECT_EQ(Answers{frame(15, 0x81, {0x12, 0x00})}, answersTo("0 15 0x80 11 00 12 00"));

    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_0;
    gHDMIRxInfo[0].physicalAddr = 0;
    gHDMIRxInfo[0].mask = 0;
    gHDMIRxInfo[1].physicalAddr = 0;
    gHDMIRxInfo[1].mask = 0;
}

TEST_F(CecRxTest, BuildersRefuseWhatTheyCannotSend)
{
    const struct {
        const char* name;
        int32_t (*send)();
    } refused[] = {
        {"feature abort", [] { return cecCtrlFeatureAbort(16, 0x9F, 0); }},
        {"power status", [] { return cecCtrlReportPowerStatus(0, 16); }},
        {"system audio", [] { return cecCtrlSetSystemAudioMode(16, 1); }},
        {"poll 15", [] { return cecCtrlPollingDevice(15); }},
        {"osd name", [] { return cecCtrlSetOSDName(16); }},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(-3, r.send()) << r.name;
    }
    gPlatformInfo.ui4ActiveTx = 1;
    EXPECT_EQ(-3, cecCtrlBroadcastPA());
    EXPECT_EQ(-3, cecCtrlGiveOSDName(0));
    gPlatformInfo.ui4ActiveTx = 0;
    EXPECT_EQ(0u, sentFrames(sim).size());

    sim.ctl("hdmitx tx-status hold");
    EXPECT_EQ(0, cecCtrlSetOSDString(0, 0x40, "twenty characters!!!"));
    EXPECT_EQ(frame(0, 0x64, {0x40, 't', 'w', 'e', 'n', 't', 'y', ' ', 'c', 'h', 'a', 'r', 'a', 'c'}),
              frameText(sentFrames(sim).back().frame));
    const uint8_t sads[] = {0x5F, 0x7F, 0x00, 0x15, 0x07, 0x50};
    EXPECT_EQ(0, cecCtrlReportShortAudioDescriptor(4, sads, sizeof sads));
    EXPECT_EQ(frame(4, 0xA3, {0x5F, 0x7F, 0x00, 0x15, 0x07, 0x50}), frameText(sentFrames(sim).back().frame));
    EXPECT_EQ(0, cecCtrlRoutingChange(0x1000, 0x1100));
    EXPECT_EQ(frame(15, 0x80, {0x10, 0x00, 0x11, 0x00}), frameText(sentFrames(sim).back().frame));
    EXPECT_EQ(0, cecCtrlActiveSource(15));
    EXPECT_EQ(frame(15, 0x82, {0x00, 0x00}), frameText(sentFrames(sim).back().frame));
}

TEST(CecSad, CodesOneToFourteenHaveADescriptor)
{
    const struct {
        uint32_t code;
        uint8_t valid;
        std::array<uint8_t, 3> bytes;
    } cases[] = {
        {0, 0, {0xEE, 0xEE, 0xEE}}, {1, 1, {0x0F, 0x7F, 0x07}}, {2, 1, {0x15, 0x07, 0x50}},
        {10, 1, {0x57, 0x06, 0x03}}, {13, 1, {0x6F, 0x7F, 0x00}}, {14, 1, {0x77, 0x7F, 0x00}},
        {15, 0, {0xEE, 0xEE, 0xEE}},
    };
    for (const auto& c : cases) {
        CecSadRequest request{c.code, 9, {0xEE, 0xEE, 0xEE}};
        GetShortAudioDescriptor(&request);
        EXPECT_EQ(c.valid, request.ui1Valid) << c.code;
        EXPECT_EQ(c.bytes, (std::array<uint8_t, 3>{request.aui1Descriptor[0], request.aui1Descriptor[1],
                                                     request.aui1Descriptor[2]}))
            << c.code;
    }
}

TEST(CecPsr, TheTwentyFourRequestsExpectAReply)
{
    int replies = 0;
    for (uint32_t op = 0; op < 0x100; ++op) {
        replies += static_cast<int>(cecPsrIsHaveResponse(op));
    }
    EXPECT_EQ(24, replies);
    for (uint32_t op : {0x46u, 0x70u, 0x8Fu, 0x9Fu, 0xC0u, 0xC5u}) {
        EXPECT_EQ(1u, cecPsrIsHaveResponse(op)) << op;
    }
    for (uint32_t op : {0x36u, 0x47u, 0x72u, 0x84u, 0x90u, 0xFFFFu}) {
        EXPECT_EQ(0u, cecPsrIsHaveResponse(op)) << op;
    }
}

}  // namespace
