// Every key body and every message the state manager dispatches, driven through its process
// function: message in, messages out at the recording peers, context after.
#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/gui/user_interface.h"
#include "main/state_mngr/sm_context_priv.h"
#include "platform/parm/parm.h"
#include "tests/main/state_mngr/sm_peers.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using smtest::PeerMsg;
using smtest::Peers;
using smtest::Rec;
using smtest::Received;

constexpr uint32_t P = SM_PLAY_STATUS_PLAY;
constexpr uint32_t PA = SM_PLAY_STATUS_PAUSE;
constexpr uint32_t SM = E_APP_MSG_TYPE_STATE_MNGR;
constexpr uint32_t KEY = E_APP_MSG_TYPE_USER_CMD;
constexpr uint32_t ASSIST = E_APP_MSG_TYPE_ASSISTANT;
constexpr uint32_t AVS = E_APP_MSG_TYPE_AVS;
constexpr uint32_t GUI = E_APP_MSG_TYPE_GUI;

constexpr uint32_t kPermit = 0x01010000;
constexpr uint32_t kStop = 0;
constexpr uint32_t kPause = 0x00030000;
constexpr uint32_t kResume = 0x00040000;
constexpr uint32_t kPlayerStatus = 39;  // the store's reported volume change

constexpr uint32_t inform(uint32_t body)
{
    return smMsgWord(SM_INFORM_GRP, body, 0);
}
constexpr uint32_t order(uint32_t body, uint32_t id = 0)
{
    return smMsgWord(SM_REQUEST_GRP, body, id);
}

struct Case {
    const char* name;
    std::vector<Rec> setup;
    std::function<void()> prepare;
    uint32_t msgId;
    uint32_t sender;
    uint32_t type;
    std::function<void(appmsg_t&)> fill;
    Received sent;
    std::function<void()> check;
};

void putText(appmsg_t& msg, uint32_t at, const char* text)
{
    memcpy(msg.aui1_data + at, text, strlen(text));
}

void putU32(appmsg_t& msg, uint32_t at, uint32_t v)
{
    memcpy(msg.aui1_data + at, &v, sizeof(v));
}

class SmInputTest : public sbtest::SandboxTest {
protected:
    void SetUp() override { Peers::get().collect(); }

    // Fresh context and flags, a known volume and mute.
    void reset(const std::vector<Rec>& setup)
    {
        smtest::setUpRecords(setup);
        smCtx().fgInited = 1;
        SmModuleVars& v = smVars();
        v.ui4SwitchPos = 0;
        v.fgSystemStatusSet = 0;
        v.fgA2dpLowPower = 0;
        v.ui4NetworkQuantity = 0;
        v.ui1EcoPowerTest = 0;
        v.ui1FakeTest = 0;
        {
            std::lock_guard<std::mutex> lock(v.tNetworkLock);
            snprintf(v.acNetworkStatus, sizeof(v.acNetworkStatus), "%s", "disconnect");
        }
        for (auto* flag : {&gIsPowerOnFromSuspend, &gIsPowerOnFromFakeStandby, &gIsFakeStandbySendStopMessage,
                           &gIsSourceSwitchSendStopMessage, &gAvsState, &gAvsSwitch, &gC4aSwitch}) {
            *flag = 0;
        }
        gPmOnlineState = 1;
        ASSERT_EQ(uAcfgSetMute(0), 0);
        ASSERT_EQ(uAcfgSetVolume(50, 0), 0);
    }

    void run(const std::vector<Case>& cases)
    {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            reset(c.setup);
            if (c.prepare) {
                c.prepare();
            }
            Peers::get().collect();
            appmsg_t msg{};
            msg.ui4_sender_id = c.sender;
            msg.ui4_msg_type = c.type;
            if (c.fill) {
                c.fill(msg);
            }
            EXPECT_EQ(smProcessMsg(0, c.msgId, &msg, sizeof(msg)), 0);
            last_ = Peers::get().collect();
            EXPECT_EQ(smtest::idsAndWords(last_), c.sent);
            if (c.check) {
                c.check();
            }
        }
    }

    static uint8_t volume()
    {
        uint8_t v = 0;
        EXPECT_EQ(uAcfgGetVolume(&v), 0);
        return v;
    }

    static uint8_t mute()
    {
        uint8_t m = 0;
        EXPECT_EQ(uAcfgGetMute(&m), 0);
        return m;
    }

    static std::map<std::string, std::vector<PeerMsg>> last_;
};

std::map<std::string, std::vector<PeerMsg>> SmInputTest::last_;

TEST_F(SmInputTest, KeyTable)
{
    // What leaving suspend standby tells its peers.
    const Received leaveSuspend = {
        {"avs_stub", {{SM, order(SM_BODY_VA_EXIT_SUSPEND)}}},
        {"va_manager", {{SM, inform(SM_BODY_SYSTEM_WAKE)}}},
        {"cec", {{SM, inform(SM_BODY_CEC_EXIT_SUSPEND)}}},
        {"assistant_stub", {{ASSIST, SM_ASSISTANT_CMD_SYSTEM_STATUS}}},
    };
    const std::vector<Case> cases = {
        {"35 leaves suspend standby",
         {},
         [] { smCtx().fgSuspendStandby = 1; },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_EXIT_SUSPEND,
         nullptr,
         leaveSuspend,
         [] {
             EXPECT_EQ(uSmIsEnterSuspendStandby(), 0);
             EXPECT_EQ(gIsPowerOnFromSuspend.load(), 1);
             EXPECT_EQ(gPmOnlineState.load(), 1);
         }},
        {"36 enters suspend standby",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_ENTER_SUSPEND,
         nullptr,
         {{"cec", {{SM, inform(SM_BODY_CEC_ENTER_SUSPEND)}}}, {"avs_stub", {{SM, order(SM_BODY_VA_ENTER_SUSPEND)}}}},
         [] {
             EXPECT_EQ(uSmIsEnterSuspendStandby(), 1);
             EXPECT_EQ(gPmOnlineState.load(), 0);
         }},
        {"37 only marks the fake-standby stop",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_ENTER_FAKE_STANDBY,
         nullptr,
         {},
         [] {
             EXPECT_EQ(uSmIsEnterFakeStandby(), 0);
             EXPECT_EQ(gIsFakeStandbySendStopMessage.load(), 1);
             EXPECT_EQ(gPmOnlineState.load(), 0);
         }},
        {"38 marks the power on from fake standby",
         {},
         [] { gPmOnlineState = 0; },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_EXIT_FAKE_STANDBY,
         nullptr,
         {},
         [] {
             EXPECT_EQ(gIsPowerOnFromFakeStandby.load(), 1);
             EXPECT_EQ(gPmOnlineState.load(), 1);
         }},
        {"39 is ignored", {}, nullptr, KEY, MSG_FROM_UI, 39, nullptr, {}, nullptr},
        {"40 mutes", {}, nullptr, KEY, MSG_FROM_UI, SM_BODY_UI_MUTE, nullptr, {}, [] { EXPECT_EQ(mute(), 1); }},
        {"40 unmutes and writes the volume back",
         {},
         [] { uAcfgSetMute(1); },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_MUTE,
         nullptr,
         {},
         [] {
             EXPECT_EQ(mute(), 0);
             EXPECT_EQ(volume(), 50);
         }},
        {"40 with bt current goes to bluetooth",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_MUTE,
         nullptr,
         {{"bluetooth", {{KEY, 113}}}},
         [] { EXPECT_EQ(mute(), 0); }},
        {"42 raises the volume by 6 and unmutes",
         {},
         [] { uAcfgSetMute(1); },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_VOLUMEUP,
         nullptr,
         {{"assistant_stub", {{ASSIST, kPlayerStatus}}}, {"avs_stub", {{AVS, 6}}}},
         [] {
             EXPECT_EQ(volume(), 56);
             EXPECT_EQ(mute(), 0);
         }},
        {"42 stops at 100",
         {},
         [] { uAcfgSetVolume(97, 0); },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_VOLUMEUP,
         nullptr,
         {{"assistant_stub", {{ASSIST, kPlayerStatus}}}, {"avs_stub", {{AVS, 6}}}},
         [] { EXPECT_EQ(volume(), 100); }},
        {"43 lowers the volume by 6 and keeps mute",
         {},
         [] { uAcfgSetMute(1); },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_VOLUMEDOWN,
         nullptr,
         {{"assistant_stub", {{ASSIST, kPlayerStatus}}}, {"avs_stub", {{AVS, 7}}}},
         [] {
             EXPECT_EQ(volume(), 44);
             EXPECT_EQ(mute(), 1);
         }},
        {"43 stops at 0",
         {},
         [] { uAcfgSetVolume(4, 0); },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_VOLUMEDOWN,
         nullptr,
         {{"assistant_stub", {{ASSIST, kPlayerStatus}}}, {"avs_stub", {{AVS, 7}}}},
         [] { EXPECT_EQ(volume(), 0); }},
        {"43 with bt current goes to bluetooth",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_VOLUMEDOWN,
         nullptr,
         {{"bluetooth", {{KEY, 108}}}, {"avs_stub", {{AVS, 7}}}},
         [] { EXPECT_EQ(volume(), 50); }},
        {"44 from hdmi-in playing requests arc-in",
         {{SM_SOURCE_HDMI_IN, 0, P, 0, 0}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SOURCE_SWITCH,
         nullptr,
         {{"pb_spdif_in", {{SM, kStop}}}},
         [] {
             EXPECT_TRUE(smIsWaiting(SM_SOURCE_ARC_IN));
             EXPECT_EQ(smVars().ui4SwitchPos.load(), 3u);
         }},
        {"44 from line-in playing wraps to spdif-in",
         {{SM_SOURCE_LINE_IN, 0, P, 0, 0}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SOURCE_SWITCH,
         nullptr,
         {{"playback_line_in", {{SM, kStop}}}},
         [] { EXPECT_TRUE(smIsWaiting(SM_SOURCE_SPDIF_IN)); }},
        {"44 with only a waiting source moves on from the stored position",
         {{SM_SOURCE_USB, 1, 0, 0, 0}},
         [] { smVars().ui4SwitchPos = 4; },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SOURCE_SWITCH,
         nullptr,
         {{"playback_line_in", {{SM, kPermit}}}},
         [] { EXPECT_EQ(smVars().ui4SwitchPos.load(), 5u); }},
        {"45 requests arc-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRC_ARC_IN,
         nullptr,
         {{"pb_spdif_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_ARC_IN)); }},
        {"46 requests hdmi-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRC_HDMI_IN,
         nullptr,
         {{"pb_spdif_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_HDMI_IN)); }},
        {"47 requests spdif-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRC_SPDIF_IN,
         nullptr,
         {{"pb_spdif_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_SPDIF_IN)); }},
        {"48 requests aux-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRC_AUX_IN,
         nullptr,
         {{"playback_line_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_AUX_IN)); }},
        {"49 requests usb",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRC_USB,
         nullptr,
         {{"playback_usb", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_USB)); }},
        {"50 requests bt-ext-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRC_BT_EXT_IN,
         nullptr,
         {{"playback_line_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_BT_EXT_IN)); }},
        {"51 clears the source its sender field names",
         {{SM_SOURCE_SPDIF_IN, 0, P, 0, 0}},
         nullptr,
         KEY,
         SM_BODY_UI_SRC_SPDIF_IN,
         SM_BODY_UI_SRCIN_CLR,
         nullptr,
         {{"pb_spdif_in", {{SM, kStop}}}},
         nullptr},
        {"51 with another sender field does nothing",
         {{SM_SOURCE_SPDIF_IN, 0, P, 0, 0}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_SRCIN_CLR,
         nullptr,
         {},
         nullptr},
        {"52 sends previous track to bluetooth",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_PREV,
         nullptr,
         {{"bluetooth", {{SM, order(SM_BODY_PREV, 1)}}}},
         [] { EXPECT_TRUE(smIsPlaying(SM_SOURCE_BT)); }},
        {"53 queues next track behind a playing dlna and stops it",
         {{SM_SOURCE_DLNA, 0, P, 0, 0}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_NEXT,
         nullptr,
         {{"playback_dlna", {{SM, kStop}}}},
         [] { EXPECT_EQ(smRec(SM_SOURCE_BT).waiting.load(), SM_BT_WAIT_NEXT); }},
        {"54 without the avs marker switches to c4a",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_LONG_MICMUTE,
         nullptr,
         {{"c4a_stub", {{SM, order(SM_BODY_SWITCH_TO_C4A)}}}},
         nullptr},
        {"59 pauses a playing usb",
         {{SM_SOURCE_USB, 0, P, 0, 0}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_LONG_VOLUMEDOWN,
         nullptr,
         {{"playback_usb", {{SM, kPause}}}},
         [] { EXPECT_TRUE(smIsPaused(SM_SOURCE_USB)); }},
        {"59 is refused while a wired input plays",
         {{SM_SOURCE_SPDIF_IN, 0, P, 0, 0}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_LONG_VOLUMEDOWN,
         nullptr,
         {},
         nullptr},
        {"59 with only aux-in playing resumes the first paused",
         {{SM_SOURCE_AUX_IN, 0, P, 0, 0}, {SM_SOURCE_USB, 0, PA, 0, 0}, {SM_SOURCE_BT, 0, PA, 0, 2}},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_LONG_VOLUMEDOWN,
         nullptr,
         {{"playback_usb", {{SM, kResume}}}},
         [] { EXPECT_TRUE(smIsPaused(SM_SOURCE_BT)); }},
        {"59 is refused while speech runs",
         {{SM_SOURCE_USB, 0, P, 0, 0}},
         [] { smCtx().fgSpeech = 1; },
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_LONG_VOLUMEDOWN,
         nullptr,
         {},
         nullptr},
        {"69 requests line-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_PLAY_LINE_IN,
         nullptr,
         {{"playback_line_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_LINE_IN)); }},
        {"70 requests usb",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_PLAY_USB,
         nullptr,
         {{"playback_usb", {{SM, kPermit}}}},
         nullptr},
        {"71 requests spdif-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_PLAY_SPDIF_IN,
         nullptr,
         {{"pb_spdif_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_SPDIF_IN)); }},
        {"72 requests hdmi-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_PLAY_HDMI_IN,
         nullptr,
         {{"pb_spdif_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_HDMI_IN)); }},
        {"73 requests arc-in",
         {},
         nullptr,
         KEY,
         MSG_FROM_UI,
         SM_BODY_UI_PLAY_ARC_IN,
         nullptr,
         {{"pb_spdif_in", {{SM, kPermit}}}},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_ARC_IN)); }},
    };
    run(cases);
}

TEST_F(SmInputTest, LongMicMuteWithTheAvsMarkerSwitchesToAvs)
{
    sandbox.write("/data/start_avs", "");
    run({{"54 with the marker",
          {},
          nullptr,
          KEY,
          MSG_FROM_UI,
          SM_BODY_UI_LONG_MICMUTE,
          nullptr,
          {{"avs_stub", {{SM, order(SM_BODY_SWITCH_TO_AVS)}}}, {"bluetooth", {{SM, order(SM_BODY_SWITCH_TO_AVS)}}}},
          nullptr}});
}

TEST_F(SmInputTest, DispatchTable)
{
    const std::vector<Case> cases = {
        {"timer message of the wrong size is dropped", {}, nullptr, E_APP_MSG_TYPE_TIMER, 0, 0, nullptr, {}, nullptr},
        {"uri play permits the uri with its payload",
         {},
         nullptr,
         ASSIST,
         0,
         0,
         [](appmsg_t& m) { putText(m, 0, "http://uri"); },
         {{"playback_uri", {{SM, kPermit | 1}}}},
         [] {
             const PeerMsg& p = last_["playback_uri"][0];
             EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data.data())), "http://uri");
             EXPECT_EQ(p.data.size(), 512u + SM_URI_PAYLOAD_SIZE);
             EXPECT_TRUE(smIsPlaying(SM_SOURCE_URI));
         }},
        {"uri play while bt plays stops bt and waits",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         ASSIST,
         0,
         0,
         nullptr,
         {{"bluetooth", {{SM, kStop}}}},
         [] { EXPECT_TRUE(smIsWaiting(SM_SOURCE_URI)); }},
        {"normal prompt while bt plays pauses bt and waits",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         ASSIST,
         0,
         1,
         [](appmsg_t& m) { putText(m, 296, "normal"); },
         {{"bluetooth", {{SM, kPause}}}},
         [] {
             EXPECT_TRUE(smIsPausedBySm(SM_SOURCE_BT));
             EXPECT_TRUE(smIsWaiting(SM_SOURCE_PROMPT));
         }},
        {"alarm prompt with nothing playing is permitted",
         {},
         nullptr,
         ASSIST,
         0,
         1,
         [](appmsg_t& m) { putText(m, 296, "alarm"); },
         {{"playback_prompt", {{SM, kPermit | 1}}}},
         [] { EXPECT_TRUE(smIsActive(SM_SOURCE_PROMPT)); }},
        {"reset prompt waits without a factory reset",
         {},
         nullptr,
         ASSIST,
         0,
         1,
         [](appmsg_t& m) { putText(m, 296, "reset"); },
         {},
         [] { EXPECT_TRUE(smIsWaiting(SM_SOURCE_PROMPT)); }},
        {"tts with nothing playing is permitted",
         {},
         nullptr,
         ASSIST,
         0,
         2,
         nullptr,
         {{"playback_tts", {{SM, kPermit | 1}}}},
         nullptr},
        {"tts while a prompt exists waits",
         {{SM_SOURCE_PROMPT, 0, 0, 0, 1}},
         nullptr,
         ASSIST,
         0,
         2,
         nullptr,
         {},
         [] { EXPECT_TRUE(smIsWaiting(SM_SOURCE_TTS)); }},
        {"previous track",
         {},
         nullptr,
         ASSIST,
         0,
         3,
         nullptr,
         {{"bluetooth", {{SM, order(SM_BODY_PREV, 1)}}}},
         nullptr},
        {"next track", {}, nullptr, ASSIST, 0, 4, nullptr, {{"bluetooth", {{SM, order(SM_BODY_NEXT, 1)}}}}, nullptr},
        {"set volume unmutes first",
         {},
         [] { uAcfgSetMute(1); },
         ASSIST,
         0,
         5,
         [](appmsg_t& m) { putU32(m, 36, 0x11E); },
         {{"assistant_stub", {{ASSIST, kPlayerStatus}}}},
         [] {
             EXPECT_EQ(mute(), 0);
             EXPECT_EQ(volume(), 0x1E);
         }},
        {"system status fake enters fake standby",
         {},
         nullptr,
         ASSIST,
         0,
         6,
         [](appmsg_t& m) { putText(m, 33, "fake"); },
         {{"assistant_stub", {{ASSIST, SM_ASSISTANT_CMD_SYSTEM_STATUS}}}},
         [] {
             EXPECT_EQ(uSmIsEnterFakeStandby(), 1);
             EXPECT_EQ(smVars().fgSystemStatusSet.load(), 1);
         }},
        {"system status fake in fake standby leaves it",
         {},
         [] { smCtx().fgFakeStandby = 1; },
         ASSIST,
         0,
         6,
         [](appmsg_t& m) { putText(m, 33, "fake"); },
         {{"bluetooth", {{SM, order(SM_BODY_BT_UPDATE)}}},
          {"assistant_stub", {{ASSIST, SM_ASSISTANT_CMD_SYSTEM_STATUS}}}},
         [] { EXPECT_EQ(uSmIsEnterFakeStandby(), 0); }},
        {"system status suspend outside suspend standby does nothing",
         {},
         nullptr,
         ASSIST,
         0,
         6,
         [](appmsg_t& m) { putText(m, 33, "suspend"); },
         {},
         [] { EXPECT_EQ(uSmIsEnterSuspendStandby(), 0); }},
        {"play bt music",
         {},
         nullptr,
         ASSIST,
         0,
         18,
         nullptr,
         {{"bluetooth", {{SM, order(SM_BODY_PLAY, 1)}}}},
         nullptr},
        {"speech start suspends dlna",
         {{SM_SOURCE_DLNA, 0, P, 0, 0}},
         nullptr,
         ASSIST,
         0,
         24,
         nullptr,
         {{"playback_dlna", {{SM, kPause}}}},
         [] { EXPECT_EQ(uSmIsSpeechStart(), 1); }},
        {"speech end resumes what speech paused",
         {{SM_SOURCE_DLNA, 0, PA, 1, 0}},
         [] { smCtx().fgSpeech = 1; },
         ASSIST,
         0,
         27,
         nullptr,
         {{"playback_dlna", {{SM, kResume}}}},
         [] { EXPECT_EQ(uSmIsSpeechStart(), 0); }},
        {"speaker status",
         {},
         nullptr,
         ASSIST,
         0,
         28,
         [](appmsg_t& m) { putU32(m, 36, 0xC0FFEE); },
         {{"assistant_stub", {{ASSIST, 28}}}},
         nullptr},
        {"pause all pauses usb",
         {{SM_SOURCE_USB, 0, P, 0, 0}},
         nullptr,
         ASSIST,
         0,
         29,
         nullptr,
         {{"playback_usb", {{SM, kPause}}}},
         nullptr},
        {"resume all resumes usb before bt",
         {{SM_SOURCE_USB, 0, PA, 0, 0}, {SM_SOURCE_BT, 0, PA, 0, 1}},
         nullptr,
         ASSIST,
         0,
         30,
         nullptr,
         {{"playback_usb", {{SM, kResume}}}},
         nullptr},
        {"clear the networked sources",
         {{SM_SOURCE_BT, 0, P, 0, 1}, {SM_SOURCE_USB, 0, P, 0, 0}},
         nullptr,
         ASSIST,
         0,
         33,
         nullptr,
         {{"bluetooth", {{SM, kStop}}}},
         nullptr},
        {"hands-free microphone freed admits bt hfp",
         {},
         nullptr,
         ASSIST,
         0,
         35,
         nullptr,
         {},
         [] { EXPECT_TRUE(smIsPresent(SM_SOURCE_BT_HFP)); }},
        {"unknown assistant command", {}, nullptr, ASSIST, 0, 36, nullptr, {}, nullptr},
        {"c4a off with avs off switches avs and bluetooth",
         {},
         nullptr,
         E_APP_MSG_TYPE_C4A,
         0,
         11,
         nullptr,
         {{"avs_stub", {{SM, order(SM_BODY_C4A_SWITCH_OFF)}}}, {"bluetooth", {{SM, order(SM_BODY_C4A_SWITCH_OFF)}}}},
         [] { EXPECT_EQ(gC4aSwitch.load(), 0); }},
        {"c4a on", {}, nullptr, E_APP_MSG_TYPE_C4A, 0, 12, nullptr, {}, [] { EXPECT_EQ(gC4aSwitch.load(), 1); }},
        {"avs active leaves suspend standby",
         {},
         [] { smCtx().fgSuspendStandby = 1; },
         AVS,
         0,
         31,
         nullptr,
         {{"avs_stub", {{SM, order(SM_BODY_VA_EXIT_SUSPEND)}}},
          {"va_manager", {{SM, inform(SM_BODY_SYSTEM_WAKE)}}},
          {"cec", {{SM, inform(SM_BODY_CEC_EXIT_SUSPEND)}}},
          {"assistant_stub", {{ASSIST, SM_ASSISTANT_CMD_SYSTEM_STATUS}}}},
         [] { EXPECT_EQ(gAvsState.load(), 1); }},
        {"avs idle", {}, [] { gAvsState = 1; }, AVS, 0, 32, nullptr, {}, [] { EXPECT_EQ(gAvsState.load(), 0); }},
        {"avs switch on", {}, nullptr, AVS, 0, 33, nullptr, {}, [] { EXPECT_EQ(gAvsSwitch.load(), 1); }},
        {"avs switch off with c4a off",
         {},
         [] { gAvsSwitch = 1; },
         AVS,
         0,
         34,
         nullptr,
         {{"c4a_stub", {{SM, order(SM_BODY_AVS_SWITCH_OFF)}}}},
         [] { EXPECT_EQ(gAvsSwitch.load(), 0); }},
        {"state-manager request",
         {},
         nullptr,
         SM,
         MSG_FROM_USB,
         order(SM_BODY_PLAY),
         nullptr,
         {{"playback_usb", {{SM, kPermit}}}},
         nullptr},
        {"state-manager permit group is ignored", {}, nullptr, SM, MSG_FROM_USB, kPermit, nullptr, {}, nullptr},
        {"inform play status tells the GUI",
         {},
         nullptr,
         SM,
         MSG_FROM_USB,
         inform(SM_BODY_PLAY_STS),
         nullptr,
         {{"gui_namager", {{GUI, 0}}}},
         nullptr},
        {"A2DP low power on",
         {},
         nullptr,
         SM,
         MSG_FROM_BT,
         inform(SM_BODY_A2DP_LOW_POWER_ON),
         nullptr,
         {},
         [] { EXPECT_EQ(smVars().fgA2dpLowPower.load(), 1); }},
        {"bt wake-up without A2DP low power stays in suspend",
         {},
         [] { smCtx().fgSuspendStandby = 1; },
         SM,
         MSG_FROM_BT,
         inform(SM_BODY_BT_WAKE_UP),
         nullptr,
         {},
         [] { EXPECT_EQ(uSmIsEnterSuspendStandby(), 1); }},
        {"exit suspend inform",
         {},
         [] { smCtx().fgSuspendStandby = 1; },
         SM,
         MSG_FROM_BT,
         inform(SM_BODY_EXIT_SUSPEND),
         nullptr,
         {{"avs_stub", {{SM, order(SM_BODY_VA_EXIT_SUSPEND)}}},
          {"va_manager", {{SM, inform(SM_BODY_SYSTEM_WAKE)}}},
          {"cec", {{SM, inform(SM_BODY_CEC_EXIT_SUSPEND)}}},
          {"assistant_stub", {{ASSIST, SM_ASSISTANT_CMD_SYSTEM_STATUS}}}},
         [] { EXPECT_EQ(uSmIsEnterSuspendStandby(), 0); }},
        {"bt power off outside suspend does nothing",
         {},
         nullptr,
         SM,
         MSG_FROM_BT,
         inform(SM_BODY_BT_POWEROFF),
         nullptr,
         {},
         nullptr},
        {"bluetooth pairing finished",
         {},
         [] { uiSetBtParingFlag(1); },
         E_APP_MSG_TYPE_BLUETOOTH,
         0,
         4,
         nullptr,
         {},
         [] { EXPECT_EQ(uiGetBtParingFlag(), 0); }},
        {"other bluetooth notices are ignored",
         {},
         [] { uiSetBtParingFlag(1); },
         E_APP_MSG_TYPE_BLUETOOTH,
         0,
         3,
         nullptr,
         {},
         [] { EXPECT_EQ(uiGetBtParingFlag(), 1); }},
        {"wifi setting finished",
         {},
         [] { uiSetWifiSetupFlag(1); },
         E_APP_MSG_TYPE_WIFI_SETTING,
         0,
         0,
         nullptr,
         {},
         [] { EXPECT_EQ(uiGetWifiSetupFlag(), 0); }},
        {"network notice is kept and forwarded",
         {},
         [] { uiSetWifiSetupFlag(1); },
         E_APP_MSG_TYPE_NETWORK,
         0,
         0,
         [](appmsg_t& m) {
             putU32(m, 36, 3);
             putText(m, 40, "connect");
         },
         {{"assistant_stub", {{ASSIST, 41}}}},
         [] {
             EXPECT_EQ(uSmIsNetworkConnect(), 1);
             EXPECT_EQ(uiGetWifiSetupFlag(), 0);
             EXPECT_EQ(smVars().ui4NetworkQuantity.load(), 3u);
         }},
        {"an empty network status counts as connected",
         {},
         nullptr,
         E_APP_MSG_TYPE_NETWORK,
         0,
         0,
         nullptr,
         {{"assistant_stub", {{ASSIST, 41}}}},
         [] { EXPECT_EQ(uSmIsNetworkConnect(), 1); }},
        {"network status text longer than its field is cut",
         {},
         nullptr,
         E_APP_MSG_TYPE_NETWORK,
         0,
         0,
         [](appmsg_t& m) { putText(m, 40, "disconnected-and-more-text"); },
         {{"assistant_stub", {{ASSIST, 41}}}},
         [] {
             std::lock_guard<std::mutex> lock(smVars().tNetworkLock);
             EXPECT_STREQ(smVars().acNetworkStatus, "disconnected-and");
         }},
        {"dsp wake-up outside suspend tells va_manager",
         {},
         nullptr,
         E_APP_MSG_TYPE_VA_MANAGER,
         0,
         SM_BODY_DSP_WAKE_UP,
         nullptr,
         {{"va_manager", {{SM, inform(SM_BODY_SYSTEM_WAKE)}}}},
         nullptr},
        {"cec standby in fake standby leaves it",
         {},
         [] { smCtx().fgFakeStandby = 1; },
         E_APP_MSG_TYPE_CEC,
         MSG_FROM_CEC,
         SM_BODY_CEC_STANDBY,
         nullptr,
         {{"bluetooth", {{SM, order(SM_BODY_BT_UPDATE)}}},
          {"assistant_stub", {{ASSIST, SM_ASSISTANT_CMD_SYSTEM_STATUS}}}},
         [] { EXPECT_EQ(uSmIsEnterFakeStandby(), 0); }},
        {"other cec bodies are ignored", {}, nullptr, E_APP_MSG_TYPE_CEC, MSG_FROM_CEC, 78, nullptr, {}, nullptr},
        {"broadcasts are ignored", {}, nullptr, 0x10002, 0, 1, nullptr, {}, nullptr},
    };
    run(cases);
}

TEST_F(SmInputTest, AssistantFactoryResetRunsTheStoresResetAndReboots)
{
    const std::vector<Case> cases = {
        {"factory reset",
         {},
         nullptr,
         ASSIST,
         0,
         34,
         nullptr,
         {},
         [this] {
             const auto lines = sandbox.quoridLog();
             ASSERT_FALSE(lines.empty());
             EXPECT_EQ(lines.back(), "reboot -f");
         }},
    };
    run(cases);
}

TEST_F(SmInputTest, SpeakerStatusCarriesTheDeviceFacts)
{
    const uint8_t mac[PARM_BT_MAC_SIZE] = {0xa0, 0x0b, 0xc1, 0x2d, 0x03, 0xff};
    parmSetBtMac(mac);
    parmSetSerialNumber("SN-0123456789-0123456789-0123456789-TAIL");
    run({{"speaker status",
          {},
          [] { smCtx().fgFakeStandby = 1; },
          ASSIST,
          0,
          28,
          [](appmsg_t& m) { putU32(m, 36, 0xC0FFEE); },
          {{"assistant_stub", {{ASSIST, 28}}}},
          nullptr}});
    const PeerMsg& reply = last_["assistant_stub"].at(0);
    ASSERT_GE(reply.data.size(), 612u);
    auto text = [&](size_t at) { return std::string(reinterpret_cast<const char*>(reply.data.data() + at)); };
    EXPECT_EQ(text(0), "standby");
    EXPECT_EQ(text(17), "00:00:00:00:00:00") << "an empty WLAN address is formed and stored";
    EXPECT_EQ(text(50), "a0:0b:c1:2d:03:ff");
    EXPECT_EQ(text(69), "SN-0123456789-0123456789-0123456");
    uint32_t volume = 0;
    memcpy(&volume, reply.data.data() + 104, 4);
    EXPECT_EQ(volume, 50u);
    EXPECT_EQ(text(108), "stop");
    EXPECT_EQ(text(125), "none");
    EXPECT_EQ(text(352), "electricity");
    EXPECT_EQ(text(376), "disconnect");
    uint32_t tag = 0;
    memcpy(&tag, reply.data.data() + 608, 4);
    EXPECT_EQ(tag, 0xC0FFEEu);
    char stored[32] = {};
    ASSERT_EQ(acfgGetWlanMac(stored), 0);
    EXPECT_STREQ(stored, "00:00:00:00:00:00");
}

TEST_F(SmInputTest, SpeakerStatusWhileBtHoldsTheOutputHasNoPlaybackBlock)
{
    run({{"speaker status with bt",
          {{SM_SOURCE_BT, 0, P, 0, 1}},
          nullptr,
          ASSIST,
          0,
          28,
          nullptr,
          {{"assistant_stub", {{ASSIST, 28}}}},
          nullptr}});
    const PeerMsg& reply = last_["assistant_stub"].at(0);
    ASSERT_GE(reply.data.size(), 612u);
    EXPECT_TRUE(std::all_of(reply.data.begin() + 104, reply.data.begin() + 348, [](uint8_t b) { return b == 0; }));
}

}  // namespace
