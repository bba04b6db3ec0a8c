// pb_spdif_in under the real state manager, with the board simulator's HDMI transmitter, recording
// applications in the places of "cec" and "gui_namager", and the test playing the audio-input
// daemon on its queue.
#include "main/acfg/acfg_accessor.h"
#include "main/am/am.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/source_in/spdif/pb_spdif_in.h"
#include "main/source_in/spdif/sileth_link.h"
#include "main/source_in/spdif/spdif_hdmi_mode.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/source_in/spdif/sileth_peer.h"
#include "tests/main/source_in/spdif/spdif_test_support.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sys/msg.h>

namespace {

using namespace spdiftest;

class PbSpdifInTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        registerApps();
    }

    void TearDown() override
    {
        if (started_) {
            EXPECT_EQ(u_amb_sync_exit_app(SPDIF_IN_APP_NAME), 0);
        }
        stopApps();
    }

    void start()
    {
        ASSERT_EQ(u_amb_sync_start_app(SPDIF_IN_APP_NAME), 0);
        started_ = true;
    }

    static apptest::TestApp& cec() { return cecApp(); }
    std::vector<std::string> inputModes() const { return spdiftest::inputModes(sandbox); }
    std::vector<std::string> wrapperCalls() const { return spdiftest::wrapperCalls(sandbox); }
    bool wrapperGets(const std::string& line) const { return spdiftest::wrapperGets(sandbox, line); }

    // Plays `source` through the state manager and the daemon's PLAY_DONE; the PLAY command.
    std::optional<sileth_msg_t> playing(uint32_t source)
    {
        console("app.sm.request_play " + std::to_string(source));
        std::optional<sileth_msg_t> play = peer_.commandWith(SILETH_CMD_PLAY);
        if (play && peer_.reply(GST_PLAY_DONE) && smSees(source, SM_PLAY_STATUS_PLAY)) {
            return play;
        }
        return std::nullopt;
    }

    static void order(uint32_t body)
    {
        handle_t app = 0;
        ASSERT_EQ(u_am_get_app_handle_from_name(&app, SPDIF_IN_APP_NAME), 0);
        ASSERT_EQ(u_app_send_appmsg(app, E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SM, smMsgWord(SM_REQUEST_GRP, body, 0),
                                    nullptr, 0),
                  0);
    }

    SilethPeer peer_;
    bool started_ = false;
};

TEST_F(PbSpdifInTest, ArcPlaysWithSystemAudioThenTheOpticalInputTakesOver)
{
    ASSERT_TRUE(peer_.ready());
    start();

    console("app.sm.request_play 9");
    const std::optional<sileth_msg_t> play = peer_.command();
    ASSERT_TRUE(play);
    EXPECT_EQ(play->cmd, SILETH_CMD_PLAY);
    EXPECT_EQ(play->SrcType, 1);
    EXPECT_EQ(play->DrcMode, 8);
    // The input is selected before PLAY goes out, and system audio was ordered before that.
    EXPECT_EQ(inputModes(), std::vector<std::string>{"0,0,0,1,0"});
    ASSERT_TRUE(cec().waitMessages(1));
    EXPECT_EQ(cec().messages()[0].msgId, E_APP_PRI_ALSA_PB_MSG);
    EXPECT_EQ(wordOf(cec().messages()[0]), 0u);
    EXPECT_EQ(cec().messages()[0].data.size(), sizeof(appmsg_t));

    ASSERT_TRUE(peer_.reply(GST_PLAY_DONE));
    ASSERT_TRUE(smSees(SM_SOURCE_ARC_IN, SM_PLAY_STATUS_PLAY));
    EXPECT_NE(console("app.sm.show_source").find("source:[9] status:[1]"), std::string::npos);
    EXPECT_TRUE(guiGets(0x8004));

    // S/PDIF chosen: STOP to the daemon, then system audio off, then the walk plays the optical input.
    console("app.sm.request_play 8");
    ASSERT_TRUE(cec().waitMessages(2));
    EXPECT_EQ(wordOf(cec().messages()[1]), 0x00010000u);
    const std::optional<sileth_msg_t> stop = peer_.commandNow();
    ASSERT_TRUE(stop) << "STOP is sent before the system-audio order";
    EXPECT_EQ(stop->cmd, SILETH_CMD_STOP);
    EXPECT_EQ(stop->SrcType, 1);
    const std::optional<sileth_msg_t> optical = peer_.command();
    ASSERT_TRUE(optical);
    EXPECT_EQ(optical->cmd, SILETH_CMD_PLAY);
    EXPECT_EQ(optical->SrcType, 0);
    EXPECT_EQ(inputModes(), (std::vector<std::string>{"0,0,0,1,0", "4,0,0,1,0"}));
    EXPECT_EQ(cec().messages().size(), 2u) << "the optical input has no system audio";
    ASSERT_TRUE(peer_.reply(GST_PLAY_DONE));
    EXPECT_TRUE(smSees(SM_SOURCE_SPDIF_IN, SM_PLAY_STATUS_PLAY));
}

TEST_F(PbSpdifInTest, TheAnswerToAStopThatTheNextPlayOvertookLeavesTheNewSourcePlaying)
{
    ASSERT_TRUE(peer_.ready());
    start();
    ASSERT_TRUE(playing(SM_SOURCE_ARC_IN));
    console("app.sm.request_play 8");
    ASSERT_TRUE(peer_.commandWith(SILETH_CMD_PLAY));
    // A slow daemon: its answer to ARC's STOP comes only after the optical input's PLAY went out.
    ASSERT_TRUE(peer_.reply(GST_STOP_DONE_BY_REQUEST));
    ASSERT_TRUE(peer_.reply(GST_PLAY_DONE));
    EXPECT_TRUE(smSees(SM_SOURCE_SPDIF_IN, SM_PLAY_STATUS_PLAY));
}

TEST_F(PbSpdifInTest, SourceSideStopsInformPauseAndALockedInputAsksToPlayAgain)
{
    ASSERT_TRUE(peer_.ready());
    start();
    ASSERT_TRUE(playing(SM_SOURCE_ARC_IN));

    // The daemon's pipeline ended by itself: the state manager sees ARC paused.
    ASSERT_TRUE(peer_.reply(GST_STOP_DONE_BY_SILETH));
    ASSERT_TRUE(smSees(SM_SOURCE_ARC_IN, SM_PLAY_STATUS_PAUSE));
    EXPECT_EQ(gSilethPlayStatus.load(), SPDIF_PLAY_STS_SOURCE_STOP);
    // Locked again: a play request, which the state manager answers with play.
    ASSERT_TRUE(peer_.reply(SRC_LOCK));
    const std::optional<sileth_msg_t> again = peer_.commandWith(SILETH_CMD_PLAY);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->SrcType, 1);
    ASSERT_TRUE(peer_.reply(GST_PLAY_DONE));
    ASSERT_TRUE(smSees(SM_SOURCE_ARC_IN, SM_PLAY_STATUS_PLAY));

    // A pause order: STOP, inform pause; the lock report asks again.
    order(SM_BODY_PAUSE);
    ASSERT_TRUE(peer_.commandWith(SILETH_CMD_STOP));
    ASSERT_TRUE(smSees(SM_SOURCE_ARC_IN, SM_PLAY_STATUS_PAUSE));
    ASSERT_TRUE(peer_.reply(SRC_LOCK));
    ASSERT_TRUE(peer_.commandWith(SILETH_CMD_PLAY));

    // After a stop order the same report asks nothing.
    order(SM_BODY_STOP);
    ASSERT_TRUE(peer_.commandWith(SILETH_CMD_STOP));
    ASSERT_TRUE(eventually([] { return gSilethPlayStatus.load() == SPDIF_PLAY_STS_STOP; }));
    ASSERT_TRUE(peer_.reply(SRC_LOCK));
    ASSERT_TRUE(peer_.reply(HDMITX_PLUG_IN_CBK));  // a marker: handled after the lock report
    ASSERT_TRUE(wrapperGets("guiWrapperHdmiTxHotplug 1"));
    EXPECT_FALSE(peer_.commandNow());
}

TEST_F(PbSpdifInTest, HdmiInputUnplugStopsThePipelineAndPlugInAsksAgain)
{
    ASSERT_TRUE(peer_.ready());
    start();
    const std::optional<sileth_msg_t> play = playing(SM_SOURCE_HDMI_IN);
    ASSERT_TRUE(play);
    EXPECT_EQ(play->SrcType, 2);
    EXPECT_EQ(inputModes(), std::vector<std::string>{"1,0,1,1,0"});

    ASSERT_TRUE(peer_.reply(HDMIRX0_PLUG_OUT_CBK));
    const std::optional<sileth_msg_t> plugOut = peer_.command();
    ASSERT_TRUE(plugOut);
    EXPECT_EQ(plugOut->cmd, HDMIRX0_PLUG_OUT);
    EXPECT_EQ(plugOut->SrcType, 2);
    EXPECT_TRUE(smSees(SM_SOURCE_HDMI_IN, SM_PLAY_STATUS_PAUSE));
    EXPECT_TRUE(wrapperGets("guiWrapperHdmiRxHotplug 0"));

    ASSERT_TRUE(peer_.reply(HDMIRX0_PLUG_IN_CBK));
    EXPECT_TRUE(wrapperGets("guiWrapperHdmiRxHotplug 1"));
    EXPECT_TRUE(peer_.commandWith(SILETH_CMD_PLAY));
}

TEST_F(PbSpdifInTest, TvLinkUnplugStopsOnlyArc)
{
    ASSERT_TRUE(peer_.ready());
    start();
    ASSERT_TRUE(playing(SM_SOURCE_SPDIF_IN));
    ASSERT_TRUE(peer_.reply(HDMITX_PLUG_OUT_CBK));
    ASSERT_TRUE(wrapperGets("guiWrapperHdmiTxHotplug 0"));
    EXPECT_FALSE(peer_.commandNow());
    EXPECT_TRUE(smSees(SM_SOURCE_SPDIF_IN, SM_PLAY_STATUS_PLAY));

    ASSERT_TRUE(playing(SM_SOURCE_ARC_IN));
    ASSERT_TRUE(peer_.reply(HDMITX_PLUG_OUT_CBK));
    const std::optional<sileth_msg_t> stop = peer_.commandWith(SILETH_CMD_STOP);
    ASSERT_TRUE(stop);
    EXPECT_TRUE(smSees(SM_SOURCE_ARC_IN, SM_PLAY_STATUS_PAUSE));
}

TEST_F(PbSpdifInTest, StreamAndTvReportsReachTheWrappers)
{
    ASSERT_TRUE(peer_.ready());
    start();
    auto msg = [](int32_t code, auto fill) {
        sileth_msg_t m;
        m.cmd = code;
        fill(m);
        return m;
    };
    const struct {
        sileth_msg_t reply;
        const char* call;
    } cases[] = {
        // The decoder format: each report sets only its own fields.
        {msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 3; }), "guiWrapperMusicDecoderFmtSet 3 0 0 0 0"},
        {msg(ATMOS_STREAM_INFO, [](sileth_msg_t& m) { m.atmos_stream_type = 3, m.proc_type = 3; }),
         "guiWrapperMusicDecoderFmtSet 2 3 3 0 0"},
        {msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 3; }), "guiWrapperMusicDecoderFmtSet 3 3 3 0 0"},
        {msg(DTS_STREAM_INFO, [](sileth_msg_t& m) { m.dts_stream_type = 5, m.dts_comp_gain = 7; }),
         "guiWrapperMusicDecoderFmtSet 3 5 3 7 0"},
        {msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 0, m.channels = 2; }),
         "guiWrapperMusicDecoderFmtSet 1 5 3 7 2"},
        {msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 4; }), "guiWrapperMusicDecoderFmtSet 2 1 0 7 2"},
        {msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 2, m.channels = 6; }),
         "guiWrapperMusicDecoderFmtSet 1 1 0 7 6"},
        {msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 0xff; }), "guiWrapperMusicDecoderFmtSet 0 1 0 7 6"},
        {msg(GST_ENERGY_INFO, [](sileth_msg_t& m) { m.energy = 9; }), "guiWrapperMusicEnergySet 9"},
        {msg(CEC_STREAM_MUTE_CBK, [](sileth_msg_t& m) { m.sig_flow_mute = 1; }), "guiWrapperMusicStreamMuteCbk 1"},
        {msg(CEC_ROUTING_POWER_CBK, [](sileth_msg_t& m) { m.power_en = 5; }), "guiWrapperHdmiRoutingPowerCbk 1"},
        {msg(CEC_ROUTING_SOURCE_CBK, [](sileth_msg_t& m) { m.SrcType = 200; }), "guiWrapperHdmiRoutingSrcCbk 200"},
        {msg(CEC_ROUTING_ARC_STS_CBK, [](sileth_msg_t& m) { m.eArc_sts = 2; }), "guiWrapperHdmiArcToggleCbk 2"},
        {msg(CEC_ROUTING_VOLUME_CBK, [](sileth_msg_t& m) { m.source_volume = 0x9e; }),
         "guiWrapperHdmiRoutingVolCbk 0x9e"},
        {msg(CEC_ROUTING_MUTE_CBK, [](sileth_msg_t& m) { m.sig_flow_mute = 1; }), "guiWrapperHdmiRoutingMuteCbk 1"},
        // Always the whole 16-byte field, whatever length the frame gives itself.
        {msg(CEC_IND_RCV_CB,
             [](sileth_msg_t& m) {
                 m.cec = {0x05, 0x72, 0x01}, m.cec_len = 3;
             }),
         "guiWrapperHdmiCecRcvCbk 16 05 72 01 00 00 00 00 00 00 00 00 00 00 00 00 00"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(peer_.reply(c.reply));
        ASSERT_TRUE(wrapperGets(c.call)) << c.call;
    }
    // Codes that are not replies change nothing.
    const size_t before = wrapperCalls().size();
    for (int32_t code : {0, 3, 16, 29, 99, -1}) {
        ASSERT_TRUE(peer_.reply(code));
    }
    ASSERT_TRUE(peer_.reply(HDMITX_PLUG_IN_CBK));
    ASSERT_TRUE(wrapperGets("guiWrapperHdmiTxHotplug 1"));
    EXPECT_EQ(wrapperCalls().size(), before + 1);
    EXPECT_FALSE(peer_.commandNow());

    // A new source: its first report does not carry the previous stream's fields.
    ASSERT_TRUE(playing(SM_SOURCE_SPDIF_IN));
    ASSERT_TRUE(peer_.reply(msg(GST_CODEC_INFO, [](sileth_msg_t& m) { m.codec_type = 1; })));
    EXPECT_TRUE(wrapperGets("guiWrapperMusicDecoderFmtSet 2 0 0 0 0"));
}

TEST_F(PbSpdifInTest, AnswersThatFindNoSourceOfTheirsCurrentSpeakForNone)
{
    ASSERT_TRUE(peer_.ready());
    start();
    ASSERT_EQ(uSmGetCurrentSource(), SM_SOURCE_NONE);
    testing::internal::CaptureStdout();
    for (int32_t code : {GST_PLAY_DONE, GST_PLAY_NONE, GST_STOP_DONE_BY_SILETH, GST_STOP_DONE_BY_REQUEST}) {
        ASSERT_TRUE(peer_.reply(code));
    }
    ASSERT_TRUE(peer_.reply(HDMITX_PLUG_IN_CBK));  // a marker: handled after the answers
    const bool marker = wrapperGets("guiWrapperHdmiTxHotplug 1");
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(marker);
    for (int32_t code : {GST_PLAY_DONE, GST_PLAY_NONE, GST_STOP_DONE_BY_SILETH, GST_STOP_DONE_BY_REQUEST}) {
        EXPECT_NE(out.find("reply " + std::to_string(code) + " arrived with source 0 current, dropped"),
                  std::string::npos)
            << code;
    }
    EXPECT_EQ(out.find("PB_BODY="), std::string::npos) << "no inform was posted";
    EXPECT_EQ(gSilethPlayStatus.load(), SPDIF_PLAY_STS_STOP);
}

TEST_F(PbSpdifInTest, OrdersAndReportsThatAreNotForTheCurrentInputChangeNothing)
{
    ASSERT_TRUE(peer_.ready());
    start();
    ASSERT_TRUE(playing(SM_SOURCE_SPDIF_IN));
    handle_t app = 0;
    ASSERT_EQ(u_am_get_app_handle_from_name(&app, SPDIF_IN_APP_NAME), 0);
    appmsg_t power{};
    power.ui4_msg_type = smMsgWord(SM_REQUEST_GRP, SM_BODY_POWER, 0);
    std::memcpy(power.aui1_data, "ENTER_SUSPEND", 14);
    ASSERT_EQ(u_app_send_msg(app, E_APP_MSG_TYPE_STATE_MNGR, &power, sizeof power, nullptr, 0), 0);
    for (uint32_t word : {smMsgWord(SM_REQUEST_GRP, SM_BODY_PLAY_STS, 0), smMsgWord(SM_FORBID_GRP, SM_BODY_PLAY, 0),
                          smMsgWord(SM_INFORM_GRP, SM_BODY_STOP, 0), smMsgWord(0xFF, SM_BODY_STOP, 0)}) {
        ASSERT_EQ(u_app_send_appmsg(app, E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SM, word, nullptr, 0), 0);
    }
    ASSERT_EQ(u_app_send_appmsg(app, 0x10003, 0, 0, nullptr, 0), 0);
    // The HDMI input plugged in while the optical input plays: only the wrapper hears of it.
    ASSERT_TRUE(peer_.reply(HDMIRX0_PLUG_IN_CBK));
    ASSERT_TRUE(wrapperGets("guiWrapperHdmiRxHotplug 1"));
    // Orders are handled in turn: the first command after them is the pause order's STOP.
    order(SM_BODY_PAUSE);
    const std::optional<sileth_msg_t> next = peer_.command();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->cmd, SILETH_CMD_STOP);
    EXPECT_TRUE(smSees(SM_SOURCE_SPDIF_IN, SM_PLAY_STATUS_PAUSE));
}

TEST_F(PbSpdifInTest, ConsoleSwitchesTheOpticalInputOnAndOff)
{
    ASSERT_TRUE(peer_.ready());
    start();
    ASSERT_TRUE(playing(SM_SOURCE_SPDIF_IN));
    console("app.spdifin.ss 1");
    // Console commands run on the calling thread: the command is queued when the call returns.
    const std::optional<sileth_msg_t> play = peer_.commandNow();
    ASSERT_TRUE(play);
    EXPECT_EQ(play->cmd, SILETH_CMD_PLAY);
    EXPECT_EQ(play->SrcType, 0);
    EXPECT_EQ(inputModes(), (std::vector<std::string>{"4,0,0,1,0", "4,0,0,1,0"}));
    console("app.spdifin.gp 0");
    const std::optional<sileth_msg_t> stop = peer_.commandNow();
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->cmd, SILETH_CMD_STOP);
    EXPECT_EQ(cec().messages().size(), 0u);
    EXPECT_NE(console("app.spdifin.dbg 1 2 10").find("Cmd(0x1  0x2  0xa 0x0)"), std::string::npos);
}

TEST_F(PbSpdifInTest, SettingsGoOutWithTheirOneByte)
{
    ASSERT_TRUE(peer_.ready());
    start();
    const uint8_t values[4] = {11, 22, 33, 1};
    const struct {
        uint32_t cmd;
        int at;  // the byte expected set: 64 + at
    } cases[] = {{SILETH_CMD_SET_DTS_DIRECT_MODE, 0},
                 {SILETH_CMD_SET_DRC_PERCENT, 1},
                 {SILETH_CMD_SET_DIALOG_CONTROL, 2},
                 {SILETH_CMD_SET_XUPMIX, 3},
                 {40, -1}};
    for (const auto& c : cases) {
        vSpdifInGstSet(c.cmd, values);
        const std::optional<sileth_msg_t> m = peer_.commandNow();
        ASSERT_TRUE(m) << c.cmd;
        EXPECT_EQ(m->cmd, static_cast<int32_t>(c.cmd));
        EXPECT_EQ(m->SrcType, 0);
        EXPECT_EQ(m->DrcMode, 0);
        const uint8_t got[4] = {m->dts_direct_mode, m->drc_percent, m->dialog_control, m->xupmix};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(got[i], i == c.at ? values[i] : 0) << c.cmd << " byte " << i;
        }
    }
}

TEST_F(PbSpdifInTest, InputSelectionByTypeAndDriverFailure)
{
    const struct {
        uint32_t type;
        const char* words;  // nullptr: no request
    } cases[] = {{0, "4,0,0,1,0"}, {1, "0,0,0,1,0"}, {2, "1,0,1,1,0"}, {3, nullptr},
                 {4, "3,0,0,1,0"}, {5, "2,0,0,1,0"}, {6, nullptr},     {0xFFFFFFFF, nullptr}};
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        EXPECT_EQ(vSetHdmiModeCtrl(c.type), 0) << c.type;
        if (c.words != nullptr) {
            expected.push_back(c.words);
        }
        EXPECT_EQ(inputModes(), expected) << c.type;
    }
    sim.ctl("hdmitx fail SET_INPUT_MODE 1");
    EXPECT_EQ(vSetHdmiModeCtrl(1), 1);
    EXPECT_EQ(vSetHdmiModeCtrl(1), 0);
    HdmiInputModeArg arg{};
    EXPECT_EQ(earcIoctl(0xC0044899u, arg.data()), 1) << "a request the driver does not know";
}

TEST_F(PbSpdifInTest, KeysChangeTheStoredVolumeAndMute)
{
    start();
    ASSERT_EQ(uAcfgSetMute(0), 0);
    ASSERT_EQ(uAcfgSetVolume(20, 0), 0);
    auto key = [](uint32_t code) {
        handle_t app = 0;
        ASSERT_EQ(u_am_get_app_handle_from_name(&app, SPDIF_IN_APP_NAME), 0);
        appmsg_t msg{};
        msg.ui4_sender_id = MSG_FROM_UI;
        msg.ui4_msg_type = code;
        ASSERT_EQ(u_app_send_msg(app, E_APP_MSG_TYPE_USER_CMD, &msg, sizeof msg, nullptr, 0), 0);
    };
    auto stored = [] {
        uint8_t volume = 0;
        uint8_t mute = 0;
        uAcfgGetVolume(&volume);
        uAcfgGetMute(&mute);
        return std::pair<int, int>{volume, mute};
    };
    key(103);
    ASSERT_TRUE(eventually([&] { return stored() == std::pair{26, 0}; }));
    key(108);
    key(108);
    ASSERT_TRUE(eventually([&] { return stored() == std::pair{14, 0}; }));
    key(113);
    ASSERT_TRUE(eventually([&] { return stored() == std::pair{14, 1}; }));
    key(113);
    ASSERT_TRUE(eventually([&] { return stored() == std::pair{14, 0}; }));
}

TEST_F(PbSpdifInTest, ExitEndsWithoutADaemonEvenWhenTheQueueIsFull)
{
    ASSERT_TRUE(peer_.ready());
    start();
    // Nobody reads the commands: they pile up until the queue is full, and then no send waits for
    // room and the exit finds none for its wake-up.
    while (peer_.fillWithCommand()) {
    }
    console("app.spdifin.gp 0");
    ASSERT_EQ(u_amb_sync_exit_app(SPDIF_IN_APP_NAME), 0);
    started_ = false;

    // Started again with room in the queue: one status thread answers, and exits once more.
    while (peer_.commandNow()) {
    }
    start();
    ASSERT_TRUE(playing(SM_SOURCE_SPDIF_IN));
    ASSERT_EQ(u_amb_sync_exit_app(SPDIF_IN_APP_NAME), 0);
    started_ = false;
    EXPECT_EQ(i4SpdifInProcessMsg(0, E_APP_MSG_TYPE_STATE_MNGR, "x", 1), -1) << "refused after exit";
}

TEST_F(PbSpdifInTest, WithoutAQueueNothingIsSelectedOrSent)
{
    ASSERT_EQ(std::remove(sandbox.path("/usr/bin/sileth").c_str()), 0);
    start();
    console("app.spdifin.gp 1");
    console("app.spdifin.ss 1");
    EXPECT_TRUE(inputModes().empty());
    ASSERT_EQ(u_amb_sync_exit_app(SPDIF_IN_APP_NAME), 0);
    started_ = false;
}

TEST_F(PbSpdifInTest, RegistrationLeavesARunningApplicationsRecordAlone)
{
    amb_register_info_t info{};
    aPlaybackSpdifInRegister(&info);
    EXPECT_STREQ(info.acName, "pb_spdif_in");
    EXPECT_EQ(info.ui4StackSize, 131072u);
    EXPECT_EQ(info.ui1Priority, 130);
    EXPECT_EQ(info.ui2QueueLen, 128);
    EXPECT_EQ(info.ui2MaxPayload, 4096);
    EXPECT_EQ(i4SpdifInProcessMsg(0, E_APP_MSG_TYPE_STATE_MNGR, "x", 1), -1) << "refused before init";
    start();
    amb_register_info_t untouched{};
    aPlaybackSpdifInRegister(&untouched);
    EXPECT_EQ(untouched.acName[0], '\0');
    EXPECT_EQ(i4SpdifInProcessMsg(0, E_APP_MSG_TYPE_STATE_MNGR, nullptr, 0), -1);
}

}  // namespace
