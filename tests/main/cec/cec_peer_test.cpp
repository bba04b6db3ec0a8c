// What reaches the running `cec` application from the rest of the system: the state manager's
// suspend notices, the S/PDIF input's system-audio requests, control commands from the console and
// from the application itself, and the requests by opcode.
#include "main/am/aee/aee.h"
#include "main/cec/cec_addr.h"
#include "main/cec/cec_peer.h"
#include "main/cec/cec_state.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/cec/cec_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using cectest::frame;
using cectest::requests;
using Frames = std::vector<std::string>;

class CecPeerTest : public cectest::CecAppTest {
protected:
    void SetUp() override
    {
        cectest::CecAppTest::SetUp();
        gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_0;
        gPlatformInfo.ui4ActiveTx = CEC_TX_PORT_0;
        gPlatformInfo.ui1FakePlugIn = 0;
        gHDMITXInfo[0].physicalAddr = 0;
        gHDMITXInfo[0].logicalAddr = CEC_LA_AUDIO_SYSTEM;
        gIsCecSendReq = 0;
    }
    void TearDown() override
    {
        gHDMITXInfo[0].logicalAddr = CEC_LA_AUDIO_SYSTEM;
        cectest::CecAppTest::TearDown();
    }

    // Posts message `id` with the word as the state manager and the S/PDIF input do.
    Frames sentForMessage(uint32_t id, uint32_t word) const
    {
        return sentFor([&] { ASSERT_EQ(0, u_app_send_appmsg(gCecThisObj.hApp.load(), id, 0, word, nullptr, 0)); });
    }
};

appmsg_t message(uint32_t word)
{
    appmsg_t msg{};
    msg.ui4_msg_type = word;
    return msg;
}

TEST_F(CecPeerTest, SuspendNoticesAnnounceSystemAudioOffAndReadBackTheAddresses)
{
    EXPECT_EQ(Frames{frame(15, 0x72, {0x00})},
              sentForMessage(E_APP_MSG_TYPE_STATE_MNGR, smMsgWord(SM_INFORM_GRP, SM_BODY_CEC_ENTER_SUSPEND, 0)));

    sim.ctl("hdmitx cm4 1 0x1000");
    sim.ctl("hdmitx cm4 2 5");
    sim.ctl("hdmitx cm4 3 0x20001000");
    gIsCecSendReq = 1;
    gPlatformInfo.ui1FakePlugIn = 1;
    gHDMITXInfo[0].logicalAddr = 9;
    const size_t mark = requests(sim, {"GET_CM4_INFO", "CEC_APP_READY"}).size();  // the start's ready signal
    EXPECT_EQ(Frames{}, sentForMessage(E_APP_MSG_TYPE_STATE_MNGR, smMsgWord(SM_INFORM_GRP, SM_BODY_CEC_EXIT_SUSPEND, 0)));
    std::vector<std::string> order;
    const auto after = requests(sim, {"GET_CM4_INFO", "CEC_APP_READY"});
    for (size_t i = mark; i < after.size(); ++i) {
        order.push_back(after[i].name);
    }
    EXPECT_EQ((std::vector<std::string>{"GET_CM4_INFO", "GET_CM4_INFO", "GET_CM4_INFO", "CEC_APP_READY"}), order);
    const std::string log = sim.ctl("log hdmitx");
    const size_t first = log.find("GET_CM4_INFO selector 1");
    EXPECT_NE(std::string::npos, first);
    EXPECT_LT(first, log.find("GET_CM4_INFO selector 2"));
    EXPECT_LT(log.find("GET_CM4_INFO selector 2"), log.find("GET_CM4_INFO selector 3"));
    EXPECT_EQ(0x1000, gHDMITXInfo[0].physicalAddr.load());
    EXPECT_EQ(CEC_LA_AUDIO_SYSTEM, gHDMITXInfo[0].logicalAddr.load());
    EXPECT_EQ(0x1000, gHDMIRxInfo[0].physicalAddr.load());
    EXPECT_EQ(0x2000, gHDMIRxInfo[1].physicalAddr.load());
    EXPECT_EQ(0xF000, gHDMIRxInfo[1].mask.load());
    EXPECT_EQ(CEC_LA_NONE, gHDMIRxInfo[1].logicalAddr.load());
    EXPECT_EQ(0, gIsCecSendReq.load());
    EXPECT_EQ(0, gPlatformInfo.ui1FakePlugIn.load());

    gIsCecSendReq = 1;
    EXPECT_EQ(0, [] {
        const appmsg_t failed = message(smMsgWord(SM_INFORM_GRP, SM_BODY_CEC_ENTER_SUSPEND_FAIL, 0));
        return cecSmMsgProcess(&failed);
    }());
    EXPECT_EQ(0, gIsCecSendReq.load());

    // Other groups and bodies are refused and change nothing.
    gIsCecSendReq = 1;
    for (uint32_t word : {smMsgWord(SM_PERMIT_GRP, SM_BODY_CEC_EXIT_SUSPEND, 0), smMsgWord(SM_INFORM_GRP, 81, 0),
                          smMsgWord(SM_INFORM_GRP, SM_BODY_CEC_STANDBY, 0)}) {
        const appmsg_t msg = message(word);
        EXPECT_EQ(-4, cecSmMsgProcess(&msg)) << std::hex << word;
    }
    EXPECT_EQ(1, gIsCecSendReq.load());
    EXPECT_EQ(-4, cecSmMsgProcess(nullptr));
}

TEST_F(CecPeerTest, ReadBackWithAFailedReadKeepsThePreviousValueAndNeedsPortZero)
{
    sim.ctl("hdmitx cm4 1 0x1000");
    sim.ctl("hdmitx cm4 3 0x20001000");
    sim.ctl("hdmitx fail GET_CM4_INFO 1");
    gHDMITXInfo[0].physicalAddr = 0x4000;
    // Selector 1 fails: the record's value is still its start, 0; selector 2 is not scripted.
    EXPECT_EQ(0, cecUpdateCm4RxInfo());
    EXPECT_EQ(0, gHDMITXInfo[0].physicalAddr.load());
    EXPECT_EQ(0u, gHDMITXInfo[0].logicalAddr.load());
    EXPECT_EQ(0x1000, gHDMIRxInfo[0].physicalAddr.load());

    gPlatformInfo.ui4ActiveTx = 1;
    EXPECT_EQ(-3, cecUpdateCm4RxInfo());
    gPlatformInfo.ui4ActiveTx = CEC_TX_PORT_0;
}

TEST_F(CecPeerTest, SpdifRequestsTurnSystemAudioOnAndOff)
{
    const struct {
        uint32_t word;
        Frames frames;
        int32_t result;
    } cases[] = {
        {0x00000000, {frame(15, 0x72, {0x01})}, 0},
        {0x00010000, {frame(15, 0x72, {0x00})}, 0},
        {0x00020000, {}, 0},
        {0x01000000, {}, -4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.frames, sentForMessage(E_APP_PRI_ALSA_PB_MSG, c.word)) << std::hex << c.word;
    }
    // The results, called as the application does; the frames they send are drained.
    for (const auto& c : cases) {
        const appmsg_t msg = message(c.word);
        EXPECT_EQ(c.result, cecPlaybackMsgProcess(&msg)) << std::hex << c.word;
    }
    EXPECT_EQ(-4, cecPlaybackMsgProcess(nullptr));
    gPlatformInfo.ui4ActiveTx = 1;  // the announcement is refused
    const appmsg_t on = message(0);
    EXPECT_EQ(-4, cecPlaybackMsgProcess(&on));
    gPlatformInfo.ui4ActiveTx = CEC_TX_PORT_0;
}

TEST_F(CecPeerTest, ControlCommandsFromTheConsoleAndFromTheApplicationItself)
{
    const struct {
        uint32_t command;
        Frames frames;
        const char* switched;  // SWITCH_RX's byte, or null for none
    } cases[] = {
        {CEC_CTRL_OPEN_SYS_AUDIO, {frame(15, 0x72, {0x01})}, nullptr},
        {CEC_CTRL_CLOSE_SYS_AUDIO, {frame(15, 0x72, {0x00})}, nullptr},
        {CEC_CTRL_INITIATE_ARC, {frame(0, 0xC0)}, nullptr},
        {CEC_CTRL_TERMINATE_ARC, {frame(0, 0xC5)}, nullptr},
        {CEC_CTRL_SWITCH_RX0, {}, nullptr},  // RX0 is active already
        {CEC_CTRL_SWITCH_RX1, {}, "01\n"},
        {CEC_CTRL_SWITCH_RX0, {}, "00\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const size_t switches = requests(sim, {"SWITCH_RX"}).size();
        EXPECT_EQ(c.frames, sentFor([&] { cectest::consoleLine("app.cec.send_message " + std::to_string(c.command)); }));
        EXPECT_EQ(switches + (c.switched == nullptr ? 0 : 1), requests(sim, {"SWITCH_RX"}).size());
        if (c.switched != nullptr) {
            EXPECT_EQ(c.switched, sim.ctl("hdmitx last SWITCH_RX"));
        }
    }

    // The application posts to itself, with or without a payload; a command beyond the table does
    // nothing.
    const uint32_t payload = 0x12345678;
    EXPECT_EQ(Frames{frame(0, 0xC5)}, sentFor([&] { ASSERT_EQ(0, cecCtrlSendMessageToCEC(3, &payload)); }));
    EXPECT_EQ(Frames{frame(15, 0x72, {0x01})}, sentFor([] { ASSERT_EQ(0, cecCtrlSendMessageToCEC(0, nullptr)); }));
    EXPECT_EQ(Frames{}, sentFor([] { ASSERT_EQ(0, cecCtrlSendMessageToCEC(CEC_CTRL_CMD_NUM, nullptr)); }));
    EXPECT_EQ(Frames{}, sentFor([] { ASSERT_EQ(0, cecCtrlSendMessageToCEC(0xFFFFFFFF, nullptr)); }));
}

TEST_F(CecPeerTest, RequestsByOpcodeGoToTheTv)
{
    sim.ctl("hdmitx tx-status hold");
    CecOpcodeReq osd{};
    osd.ui4Opcode = 0x64;
    osd.rOsd.ui4DisplayCtrl = 0x40;
    strcpy(osd.rOsd.acText, "Hi");
    // A text that fills its record without a terminator is read only that far, and cut to 13.
    CecOpcodeReq full = osd;
    memset(full.rOsd.acText, 'x', sizeof full.rOsd.acText);
    const std::vector<uint8_t> thirteen(13, 'x');
    std::vector<uint8_t> fullOperands{0x40};
    fullOperands.insert(fullOperands.end(), thirteen.begin(), thirteen.end());
    const struct {
        CecOpcodeReq request;
        Frames frames;
    } cases[] = {
        {{0, 0x36, {}}, {frame(15, 0x36)}},
        {{0, 0x46, {}}, {frame(0, 0x46)}},
        {osd, {frame(0, 0x64, {0x40, 'H', 'i'})}},
        {full, {frame(0, 0x64, fullOperands)}},
        {{0, 0x83, {}}, {frame(0, 0x83)}},
        {{0, 0x8F, {}}, {frame(0, 0x8F)}},
        {{0, 0x91, {}}, {frame(0, 0x91)}},
        {{0, 0x9F, {}}, {frame(0, 0x9F)}},
        {{0, 0xC0, {}}, {frame(0, 0xC0)}},
        {{0, 0xC5, {}}, {frame(0, 0xC5)}},
        {{0, 0x84, {}}, {}},
        {{0, 0x100 | 0x36, {}}, {}},
    };
    for (const auto& c : cases) {
        cectest::drainPool();
        const size_t mark = cectest::sentFrames(sim).size();
        cecCtrlPrsMsgAboutOpcode(&c.request);
        Frames sent;
        const auto all = cectest::sentFrames(sim);
        for (size_t i = mark; i < all.size(); ++i) {
            sent.push_back(cectest::frameText(all[i].frame));
        }
        EXPECT_EQ(c.frames, sent) << std::hex << c.request.ui4Opcode;
    }
    const size_t before = cectest::sentFrames(sim).size();
    cecCtrlPrsMsgAboutOpcode(nullptr);
    EXPECT_EQ(before, cectest::sentFrames(sim).size());
}

}  // namespace
