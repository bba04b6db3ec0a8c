// Source arbitration driven directly: each case sets the records up, runs one request, inform or
// walk, and checks the orders the recording sources received and the records afterwards.
#include "main/acfg/acfg_accessor.h"
#include "main/state_mngr/sm_context_priv.h"
#include "tests/main/state_mngr/sm_peers.h"
#include "tests/support/child_process.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using smtest::PeerMsg;
using smtest::Peers;

using smtest::Rec;
using smtest::setUpRecords;

// Present records before a case; every other record is absent.
using Records = std::vector<Rec>;
// A record after a case: absent when `present` is false.
struct After {
    uint32_t source;
    bool present;
    uint32_t waiting;
    uint32_t status;
};
using Sent = std::map<std::string, std::vector<uint32_t>>;

struct Case {
    const char* name;
    Records setup;
    std::function<void()> prepare;  // flags beside the records
    std::function<void()> act;
    Sent sent;  // state-manager words per peer; peers not named get none
    std::vector<After> after;
    int storedSource;  // -1: not checked
};

appmsg_t inform(uint32_t sender, uint32_t body, uint32_t id, uint8_t firstData = 0)
{
    appmsg_t msg{};
    msg.ui4_sender_id = sender;
    msg.ui4_msg_type = smMsgWord(SM_INFORM_GRP, body, id);
    msg.aui1_data[0] = firstData;
    return msg;
}

void informMsg(uint32_t sender, uint32_t body, uint32_t id, uint8_t firstData = 0)
{
    const appmsg_t msg = inform(sender, body, id, firstData);
    smProcessInformMsg(&msg);
}

void requestMsg(uint32_t sender, uint32_t body)
{
    appmsg_t msg{};
    msg.ui4_sender_id = sender;
    msg.ui4_msg_type = smMsgWord(SM_REQUEST_GRP, body, 0);
    smProcessRequestMsg(&msg);
}

constexpr uint32_t P = SM_PLAY_STATUS_PLAY;
constexpr uint32_t PA = SM_PLAY_STATUS_PAUSE;
constexpr uint32_t kPermit = 0x01010000;
constexpr uint32_t kForbid = 0x02010000;
constexpr uint32_t kStop = 0;
constexpr uint32_t kPause = 0x00030000;
constexpr uint32_t kResume = 0x00040000;

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        {"wired request without rivals is permitted",
         {},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_SPDIF_IN); },
         {{"pb_spdif_in", {kPermit}}},
         {{SM_SOURCE_SPDIF_IN, true, 0, 0}},
         2},
        {"wired request of a playing source only tells the GUI",
         {{SM_SOURCE_HDMI_IN, 0, P, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_HDMI_IN); },
         {},
         {{SM_SOURCE_HDMI_IN, true, 0, P}},
         -1},
        {"wired request stops a playing rival and waits",
         {{SM_SOURCE_LINE_IN, 0, P, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_SPDIF_IN); },
         {{"playback_line_in", {kStop}}},
         {{SM_SOURCE_SPDIF_IN, true, 1, 0}, {SM_SOURCE_LINE_IN, true, 0, P}},
         -1},
        {"clearing a waiting usb rival walks and permits the request at once",
         {{SM_SOURCE_USB, 1, 0, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_ARC_IN); },
         {{"pb_spdif_in", {kPermit}}},
         {{SM_SOURCE_ARC_IN, true, 0, 0}, {SM_SOURCE_USB, false, 0, 0}},
         0},
        {"clearing a waiting line-in rival does not walk",
         {{SM_SOURCE_LINE_IN, 1, 0, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_ARC_IN); },
         {},
         {{SM_SOURCE_ARC_IN, true, 1, 0}, {SM_SOURCE_LINE_IN, false, 0, 0}},
         -1},
        {"a repeated request restarts the waiting source",
         {{SM_SOURCE_USB, 1, 0, 0, 7}, {SM_SOURCE_BT, 0, P, 0, 3}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_USB); },
         {{"bluetooth", {kStop}}},
         {{SM_SOURCE_USB, true, 1, 0}, {SM_SOURCE_BT, true, 0, P}},
         -1},
        {"bt request while bt-ext-in plays is permitted at once",
         {{SM_SOURCE_BT_EXT_IN, 0, P, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_BT); },
         {{"bluetooth", {kPermit | 1}}},
         {{SM_SOURCE_BT, true, 0, P}, {SM_SOURCE_BT_EXT_IN, true, 0, P}},
         6},
        {"bt-ext-in request stops bt",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_BT_EXT_IN); },
         {{"bluetooth", {kStop}}},
         {{SM_SOURCE_BT_EXT_IN, true, 1, 0}},
         -1},
        {"bt request while usb plays stops usb and queues play",
         {{SM_SOURCE_USB, 0, P, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_BT); },
         {{"playback_usb", {kStop}}},
         {{SM_SOURCE_BT, true, SM_BT_WAIT_PLAY, 0}, {SM_SOURCE_USB, true, 0, P}},
         -1},
        {"speech forbids airplay2",
         {},
         [] { smCtx().fgSpeech = 1; },
         [] { smProcessRequestPlayMsg(MSG_FROM_AIRPLAY2); },
         {{"airplay_stub", {kForbid}}},
         {{SM_SOURCE_AIRPLAY2, false, 0, 0}},
         -1},
        {"speech clears a uri request",
         {{SM_SOURCE_URI, 1, 0, 0, 11111}},
         [] { smCtx().fgSpeech = 1; },
         [] { smProcessRequestPlayMsg(MSG_FROM_URI); },
         {},
         {{SM_SOURCE_URI, false, 0, 0}},
         -1},
        {"dlna request stops airplay2",
         {{SM_SOURCE_AIRPLAY2, 0, P, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_DLNA); },
         {{"airplay_stub", {kStop}}},
         {{SM_SOURCE_DLNA, true, 1, 0}},
         -1},
        {"uri request stops an active tts",
         {{SM_SOURCE_TTS, 0, 0, 0, 2}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_URI); },
         {{"playback_tts", {kStop}}},
         {{SM_SOURCE_URI, true, 1, 0}},
         -1},
        {"uri request without rivals plays at once",
         {},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_URI); },
         {{"playback_uri", {kPermit | 11111}}},
         {{SM_SOURCE_URI, true, 0, P}},
         6},
        {"bt hfp request while bt plays is permitted and leaves bt alone",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_BT_HFP); },
         {},
         {{SM_SOURCE_BT_HFP, true, 0, 0}, {SM_SOURCE_BT, true, 0, P}},
         6},
        {"bt hfp request stops dlna but not a wired source",
         {{SM_SOURCE_DLNA, 0, P, 0, 0}, {SM_SOURCE_SPDIF_IN, 0, P, 0, 0}},
         nullptr,
         [] { smProcessRequestPlayMsg(MSG_FROM_BT_HFP); },
         {{"playback_dlna", {kStop}}},
         {{SM_SOURCE_BT_HFP, true, 1, 0}, {SM_SOURCE_SPDIF_IN, true, 0, P}},
         -1},
        {"an unknown requester is refused", {}, nullptr, [] { smProcessRequestPlayMsg(MSG_FROM_SM); }, {}, {}, -1},
        {"pause request pauses a playing source",
         {{SM_SOURCE_USB, 0, P, 0, 0}},
         nullptr,
         [] { requestMsg(MSG_FROM_USB, SM_BODY_PAUSE); },
         {{"playback_usb", {kPause}}},
         {{SM_SOURCE_USB, true, 0, PA}},
         -1},
        {"pause request from bt is refused",
         {{SM_SOURCE_BT, 0, P, 0, 1}},
         nullptr,
         [] { requestMsg(MSG_FROM_BT, SM_BODY_PAUSE); },
         {},
         {{SM_SOURCE_BT, true, 0, P}},
         -1},
        {"stop request clears a playing source",
         {{SM_SOURCE_DLNA, 0, P, 0, 0}},
         nullptr,
         [] { requestMsg(MSG_FROM_DLNA, SM_BODY_STOP); },
         {{"playback_dlna", {kStop}}},
         {{SM_SOURCE_DLNA, true, 0, P}},
         -1},
        {"inform play with the play id marks playing and stores the source",
         {{SM_SOURCE_SPDIF_IN, 0, 0, 0, 0}},
         nullptr,
         [] { informMsg(MSG_FROM_SPDIF_IN, SM_BODY_PLAY, 0); },
         {},
         {{SM_SOURCE_SPDIF_IN, true, 0, P}},
         -1},
        {"inform play of an absent usb changes nothing",
         {},
         nullptr,
         [] { informMsg(MSG_FROM_USB, SM_BODY_PLAY, 0); },
         {},
         {{SM_SOURCE_USB, false, 0, 0}},
         -1},
        {"inform play from tts stores the other-source code",
         {{SM_SOURCE_USB, 0, P, 0, 0}},
         nullptr,
         [] { informMsg(MSG_FROM_TTS, SM_BODY_PLAY, 0); },
         {},
         {{SM_SOURCE_USB, true, 0, P}},
         6},
        {"inform pause with a stale id changes nothing",
         {{SM_SOURCE_LINE_IN, 0, P, 0, 4}},
         nullptr,
         [] { informMsg(MSG_FROM_LINE_IN, SM_BODY_PAUSE, 3); },
         {},
         {{SM_SOURCE_LINE_IN, true, 0, P}},
         -1},
        {"inform pause with the play id marks paused",
         {{SM_SOURCE_LINE_IN, 0, P, 0, 4}},
         nullptr,
         [] { informMsg(MSG_FROM_LINE_IN, SM_BODY_PAUSE, 4); },
         {},
         {{SM_SOURCE_LINE_IN, true, 0, PA}},
         -1},
        {"stop inform with a stale id keeps the record but still walks",
         {{SM_SOURCE_SPDIF_IN, 0, P, 0, 5}, {SM_SOURCE_LINE_IN, 1, 0, 0, 0}},
         nullptr,
         [] { informMsg(MSG_FROM_SPDIF_IN, SM_BODY_STOP, 0); },
         {{"playback_line_in", {kPermit}}},
         {{SM_SOURCE_SPDIF_IN, true, 0, P}, {SM_SOURCE_LINE_IN, true, 0, 0}},
         14},
        {"stop inform hands the output to the waiting source",
         {{SM_SOURCE_USB, 0, P, 0, 0}, {SM_SOURCE_BT, 3, 0, 0, 9}},
         nullptr,
         [] { informMsg(MSG_FROM_USB, SM_BODY_STOP, 0); },
         {{"bluetooth", {0x00060000 | 9}}},
         {{SM_SOURCE_USB, false, 0, 0}, {SM_SOURCE_BT, true, 0, P}},
         -1},
        {"tts stop with speech set walks no further than tts",
         {{SM_SOURCE_TTS, 0, 0, 0, 2}, {SM_SOURCE_USB, 1, 0, 0, 0}},
         nullptr,
         [] { informMsg(MSG_FROM_TTS, SM_BODY_STOP, 2, 1); },
         {},
         {{SM_SOURCE_TTS, false, 0, 0}, {SM_SOURCE_USB, true, 1, 0}},
         -1},
        {"walk resumes a source the state manager paused",
         {{SM_SOURCE_USB, 0, PA, 1, 0}},
         nullptr,
         [] { smProcessPriorityPlay(0); },
         {{"playback_usb", {kResume}}},
         {{SM_SOURCE_USB, true, 0, P}},
         -1},
        {"walk leaves a source paused by its own user",
         {{SM_SOURCE_USB, 0, PA, 0, 0}},
         nullptr,
         [] { smProcessPriorityPlay(0); },
         {},
         {{SM_SOURCE_USB, true, 0, PA}},
         -1},
        {"walk permits a mixed tts and goes on to the next source",
         {{SM_SOURCE_TTS, 1, 0, 0, 3}, {SM_SOURCE_USB, 1, 0, 0, 0}},
         [] { smCtx().aui1TtsPayload[SM_TTS_NEED_MIX_AT] = 1; },
         [] { smProcessPriorityPlay(0); },
         {{"playback_tts", {kPermit | 3}}, {"playback_usb", {kPermit}}},
         {{SM_SOURCE_TTS, true, 0, 0}, {SM_SOURCE_USB, true, 0, 0}},
         5},
        {"walk ends while bt hfp plays",
         {{SM_SOURCE_BT_HFP, 0, P, 0, 1}, {SM_SOURCE_USB, 1, 0, 0, 0}},
         nullptr,
         [] { smProcessPriorityPlay(0); },
         {},
         {{SM_SOURCE_USB, true, 1, 0}},
         -1},
        {"walk permits a waiting bt it was asked to play",
         {{SM_SOURCE_BT, 1, 0, 0, 4}},
         [] { smVars().gFBtRequest = 1; },
         [] { smProcessPriorityPlay(0); },
         {{"bluetooth", {kPermit | 4}}},
         {{SM_SOURCE_BT, true, 0, P}},
         6},
    };
    return all;
}

class SmArbitrationTest : public sbtest::SandboxTest {
protected:
    void SetUp() override { Peers::get().collect(); }
};

TEST_F(SmArbitrationTest, CasesOfTheArbitrationTable)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        setUpRecords(c.setup);
        if (c.prepare) {
            c.prepare();
        }
        ASSERT_EQ(uAcfgSetSource(15), 0);
        c.act();
        const auto got = Peers::get().collect();
        Sent sent;
        for (const auto& [peer, msgs] : got) {
            std::vector<uint32_t> stateMngrWords;
            for (const PeerMsg& m : msgs) {
                if (m.msgId == E_APP_MSG_TYPE_STATE_MNGR) {
                    stateMngrWords.push_back(m.word);
                }
            }
            if (!stateMngrWords.empty()) {
                sent[peer] = stateMngrWords;
            }
        }
        EXPECT_EQ(sent, c.sent);
        for (const After& a : c.after) {
            SCOPED_TRACE("source " + std::to_string(a.source));
            EXPECT_EQ(smIsPresent(a.source), a.present);
            if (a.present) {
                EXPECT_EQ(smRec(a.source).waiting.load(), a.waiting);
                EXPECT_EQ(smRec(a.source).status.load(), a.status);
            }
        }
        if (c.storedSource >= 0) {
            uint8_t stored = 0;
            ASSERT_EQ(uAcfgGetSource(&stored), 0);
            EXPECT_EQ(stored, c.storedSource);
        }
    }
}

TEST_F(SmArbitrationTest, WiredPermitAndStopRunTheCpuPerformanceScript)
{
    setUpRecords({});
    smProcessRequestPlayMsg(MSG_FROM_AUX_IN);
    informMsg(MSG_FROM_AUX_IN, SM_BODY_STOP, 0);
    setUpRecords({});
    smProcessRequestPlayMsg(MSG_FROM_USB);
    informMsg(MSG_FROM_USB, SM_BODY_STOP, 0);
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{"sh /usr/bin/cpu_performance_mode.sh start",
                                                             "sh /usr/bin/cpu_performance_mode.sh stop"}));
}

TEST_F(SmArbitrationTest, UsbAndBtExtInRequestsSetTheUsbFlags)
{
    setUpRecords({});
    gIsPowerOnFromSuspend = 1;
    smProcessRequestPlayMsg(MSG_FROM_USB);
    EXPECT_EQ(gIsPowerOnFromSuspend.load(), 0);
    EXPECT_EQ(gIsSourceSwitchSeekPlay.load(), 1);
    EXPECT_EQ(gIsSourceSwitchSendPlayMessage.load(), 1);
    smProcessRequestPlayMsg(MSG_FROM_BT_EXT_IN);
    EXPECT_EQ(gIsSourceSwitchSeekPlay.load(), 0);
    EXPECT_EQ(gIsSourceSwitchSendPlayMessage.load(), 0);
    EXPECT_EQ(gIsSourceSwitchSendStopMessage.load(), 1) << "the present usb was cleared";
}

TEST_F(SmArbitrationTest, CurrentSourceAndStatusFollowTheRecords)
{
    struct Q {
        Records setup;
        uint32_t current;
        int32_t status;
        uint8_t playing;
    };
    const Q qs[] = {
        {{}, SM_SOURCE_NONE, 0, 0},
        {{{SM_SOURCE_SPDIF_IN, 0, P, 0, 0}, {SM_SOURCE_BT, 0, PA, 0, 1}}, SM_SOURCE_BT, PA, 1},
        {{{SM_SOURCE_URI, 1, 0, 0, 11111}}, SM_SOURCE_URI, 0, 0},
        {{{SM_SOURCE_SPDIF_IN, 1, 0, 0, 0}}, SM_SOURCE_NONE, 0, 0},
        {{{SM_SOURCE_BT_EXT_IN, 0, P, 0, 0}}, SM_SOURCE_BT_EXT_IN, 0, 0},
        {{{SM_SOURCE_LINE_IN, 0, P, 0, 0}, {SM_SOURCE_USB, 0, P, 0, 0}}, SM_SOURCE_LINE_IN, P, 1},
        {{{SM_SOURCE_TTS, 0, 0, 0, 1}}, SM_SOURCE_NONE, 0, 1},
    };
    for (const Q& q : qs) {
        setUpRecords(q.setup);
        EXPECT_EQ(uSmGetCurrentSource(), q.current);
        EXPECT_EQ(uSmGetCurrentPlaybackStatus(), q.status);
        EXPECT_EQ(uSmIsCurrentSourcePlaying(), q.playing);
    }
}

TEST_F(SmArbitrationTest, StopToAllSourcesLeavesTheWiredSources)
{
    setUpRecords({{SM_SOURCE_BT, 0, P, 0, 1}, {SM_SOURCE_TTS, 1, 0, 0, 1}, {SM_SOURCE_SPDIF_IN, 0, P, 0, 0}});
    uSmSendStopToAllSource();
    const auto got = Peers::get().collect();
    EXPECT_EQ(smtest::words(got.count("bluetooth") ? got.at("bluetooth") : std::vector<PeerMsg>{}),
              std::vector<uint32_t>{kStop});
    EXPECT_EQ(got.count("pb_spdif_in"), 0u);
    EXPECT_FALSE(smIsPresent(SM_SOURCE_TTS));
}

TEST_F(SmArbitrationTest, SenderAndSourceMapsAreInverse)
{
    for (uint32_t source = SM_SOURCE_URI; source < SM_SOURCE_COUNT; ++source) {
        EXPECT_EQ(smGetSourceFromMsgFrom(smGetMsgFromSource(source)), source) << source;
    }
    EXPECT_EQ(smGetMsgFromSource(SM_SOURCE_BT_EXT_IN), MSG_FROM_BT_EXT_IN);
    EXPECT_EQ(smGetMsgFromSource(SM_SOURCE_AUX_IN), MSG_FROM_AUX_IN);
    EXPECT_EQ(smGetMsgFromSource(15), MSG_FROM_SM);
    EXPECT_EQ(smGetSourceFromMsgFrom(MSG_FROM_CEC), SM_SOURCE_NONE);
}

TEST(SmProcessCheckTest, AbsentOrUnsafeNames)
{
    EXPECT_EQ(smIsProcessExist("Aispeech"), 0);
    EXPECT_EQ(smIsProcessExist("a;rm -rf x"), 255);
    EXPECT_EQ(smIsProcessExist(""), 255);
}

// Programs running under a name of this test's own, so that parallel tests never see them: each
// is `sleep` started through a link of that name, which is the name ps shows.
class NamedSleepers {
public:
    explicit NamedSleepers(const sbtest::Sandbox& sandbox)
        : name_("smchk" + std::to_string(getpid())), link_(sandbox.path("/bin/" + name_))
    {
        sandbox.write("/bin/.keep", "");
        EXPECT_EQ(symlink("/bin/sleep", link_.c_str()), 0) << link_;
    }
    ~NamedSleepers()
    {
        for (pid_t pid : pids_) {
            kill(pid, SIGKILL);
            std::optional<int> status;
            sbtest::waitChildExit(pid, status, std::chrono::seconds(30), std::chrono::milliseconds(5));
        }
    }
    NamedSleepers(const NamedSleepers&) = delete;
    NamedSleepers& operator=(const NamedSleepers&) = delete;

    const std::string& name() const { return name_; }
    void start()
    {
        const pid_t pid = sbtest::spawnChild({link_, "600"}, -1);
        ASSERT_GT(pid, 0);
        pids_.push_back(pid);
        // Running once its process carries the link's name.
        ASSERT_TRUE(sbtest::waitFor(
            [&] {
                std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
                std::string shown;
                return std::getline(comm, shown) && shown == name_;
            },
            std::chrono::seconds(30), std::chrono::milliseconds(2)));
    }

private:
    std::string name_;
    std::string link_;
    std::vector<pid_t> pids_;
};

using SmProcessCheckRunningTest = sbtest::SandboxTest;

// The check counts the lines of "ps | grep NAME": above two is running. The board's ps shows
// command lines, where the grep and its shell add two lines to the program's own; this host's ps
// shows process names only, so three programs of the name are what crosses the line here.
TEST_F(SmProcessCheckRunningTest, AnswersOneAboveTwoLinesOfTheName)
{
    NamedSleepers sleepers(sandbox);
    EXPECT_EQ(smIsProcessExist(sleepers.name().c_str()), 0);
    sleepers.start();
    sleepers.start();
    EXPECT_EQ(smIsProcessExist(sleepers.name().c_str()), 0) << "two lines";
    sleepers.start();
    EXPECT_EQ(smIsProcessExist(sleepers.name().c_str()), 1);
}

}  // namespace
