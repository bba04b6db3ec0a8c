#include "main/source_in/line_in/playback_line_in.h"

#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "platform/sbalsa/sb_alsa.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/program_runner.h"
#include "tests/main/source_in/source_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

using apptest::TestApp;
using srctest::FifoInput;
using srctest::waitUntil;

namespace {

constexpr uint32_t kPeriodBytes = 3840;  // 20 ms of S16_BE stereo at 48 kHz
constexpr uint32_t kRequestPlay = 0x00010000;
constexpr uint32_t kPermitPlay = 0x01010000;
constexpr uint32_t kForbid = 0x02010000;
constexpr uint32_t kOrderStop = 0x00000000;
constexpr uint32_t kOrderPause = 0x00030000;
constexpr uint32_t kOrderResume = 0x00040000;
constexpr uint32_t kInformStopped = 0x03000000;
constexpr uint32_t kInformPlaying = 0x03010000;
constexpr uint32_t kInformPaused = 0x03030000;
constexpr uint32_t kFromLineIn = 3;
// The state manager of this process is a recording one, so the real state manager's current source
// is none and informs name no sender.
constexpr uint32_t kInformSender = 0;

// The line input and a recording "state_mngr" in this process, started once.
struct Programs {
    Programs()
    {
        apptest::startFramework();
        EXPECT_EQ(0, apptest::registerApp(&sm.record()));
        EXPECT_EQ(0, u_amb_sync_start_app("state_mngr"));
        aPlaybackLineInRegister(&lineIn);
        EXPECT_EQ(0, u_amb_register_app(&lineIn));
        EXPECT_EQ(0, u_amb_sync_start_app("playback_line_in"));
        EXPECT_EQ(0, u_am_get_app_handle_from_name(&lineInHandle, "playback_line_in"));
    }

    // A stream still running when the process ends is stopped and joined first.
    ~Programs() { u_amb_sync_exit_app("playback_line_in"); }

    TestApp sm{"state_mngr", 1024};
    amb_register_info_t lineIn{};
    handle_t lineInHandle = 0;
};

Programs& programs()
{
    static Programs p;
    return p;
}

struct SmMsg {
    uint32_t sender;
    uint32_t word;
    bool operator==(const SmMsg& o) const { return sender == o.sender && word == o.word; }
};

std::ostream& operator<<(std::ostream& os, const SmMsg& m)
{
    return os << "{" << m.sender << ", 0x" << std::hex << m.word << std::dec << "}";
}

std::string periods(uint32_t count, uint8_t first)
{
    std::string s(count * kPeriodBytes, '\0');
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<char>(first + i * 13 + i / 977);
    }
    return s;
}

class PlaybackLineInTest : public sbtest::SandboxTest {
protected:
    // The programs live as long as the process: this test counts from what they had before it.
    void SetUp() override { base_ = programs().sm.messages().size(); }

    // Sends the state manager's order `word` to the line input, again while its queue is full.
    void order(uint32_t word)
    {
        appmsg_t msg{};
        msg.ui4_sender_id = 0;
        msg.ui4_msg_type = word;
        ASSERT_TRUE(waitUntil([&] {
            return u_app_send_msg(programs().lineInHandle, E_APP_MSG_TYPE_STATE_MNGR, &msg, sizeof(msg), nullptr, 0) ==
                   0;
        }));
    }

    // What reached the state manager in this test so far.
    std::vector<SmMsg> smMsgs()
    {
        std::vector<SmMsg> out;
        const auto all = programs().sm.messages();
        for (size_t i = base_; i < all.size(); ++i) {
            const auto& m = all[i];
            if (m.msgId != E_APP_MSG_TYPE_STATE_MNGR || m.data.size() < sizeof(appmsg_t)) {
                continue;
            }
            appmsg_t a{};
            memcpy(&a, m.data.data(), sizeof(a));
            out.push_back({a.ui4_sender_id, a.ui4_msg_type});
        }
        return out;
    }

    // Waits for the state manager's n-th message and returns it.
    SmMsg smMsg(size_t n)
    {
        EXPECT_TRUE(programs().sm.waitMessages(base_ + n));
        const auto all = smMsgs();
        return all.size() >= n ? all[n - 1] : SmMsg{~0U, ~0U};
    }

    std::string mainOutput() { return sandbox.read(sb::pcmOutput("main")); }
    // Without reading it: a stream that captures a plain file writes this file faster than it can
    // be read to its end.
    bool mainOutputWritten()
    {
        struct stat st {};
        return stat(sandbox.path(sb::pcmOutput("main")).c_str(), &st) == 0 && st.st_size > 0;
    }
    std::string inputPath() { return sandbox.path(sb::pcmInput("line_in")); }

    size_t base_ = 0;
};

TEST_F(PlaybackLineInTest, PermittedStreamPlaysTheInputAndFollowsPauseResumeAndStop)
{
    sandbox.write("/tmp/kvxac0_opened", "");
    FifoInput input(inputPath());
    const std::string sound = periods(20, 1);
    // The output file is written a device buffer (four periods) behind the stream.
    input.feed(sound + periods(5, 99), kPeriodBytes);

    order(kPermitPlay);
    EXPECT_EQ((SmMsg{kInformSender, kInformPlaying}), smMsg(1));
    ASSERT_TRUE(waitUntil([&] { return mainOutput().size() >= sound.size(); }));
    EXPECT_EQ(sound, mainOutput().substr(0, sound.size()));
    EXPECT_EQ(
        (std::vector<std::string>{"rm -rf /tmp/kvxac0_opened", "vesk_dbg bufrule 6 6 24 0 0", "vesk_dbg mixminbuf 1"}),
        sandbox.quoridLog());
    EXPECT_FALSE(sandbox.exists("/tmp/kvxac0_opened"));
    EXPECT_GE(playbackLineInGetSampleAverage(), 0);

    order(kOrderPause);
    EXPECT_EQ((SmMsg{kInformSender, kInformPaused}), smMsg(2));
    EXPECT_TRUE(playbackLineInIsPaused());
    EXPECT_EQ(-1, playbackLineInGetSampleAverage());
    order(kOrderResume);
    EXPECT_EQ((SmMsg{kInformSender, kInformPlaying}), smMsg(3));
    // A resume order while playing toggles too.
    order(kOrderResume);
    EXPECT_EQ((SmMsg{kInformSender, kInformPaused}), smMsg(4));
    // A play order ends the pause.
    order(kRequestPlay);
    EXPECT_EQ((SmMsg{kInformSender, kInformPlaying}), smMsg(5));

    order(kOrderStop);
    ASSERT_TRUE(waitUntil([] { return !playbackLineInIsRunning(); }));
    // The capture thread still waits for its input, so the stream has not ended yet.
    EXPECT_EQ(5u, smMsgs().size());
    input.close();
    EXPECT_EQ((SmMsg{kInformSender, kInformStopped}), smMsg(6));
    EXPECT_EQ(6u, smMsgs().size());
}

TEST_F(PlaybackLineInTest, OrdersWithoutAStream)
{
    // Forbid and bodies without meaning here do nothing; pause and stop only report.
    order(kForbid);
    order(0x00020000);
    order(kOrderPause);
    order(kInformPlaying);  // informs are not orders
    order(kOrderStop);
    EXPECT_EQ((SmMsg{kInformSender, kInformStopped}), smMsg(1));
    EXPECT_EQ(1u, smMsgs().size());
    EXPECT_FALSE(playbackLineInIsRunning());
    EXPECT_EQ(-1, playbackLineInGetSampleAverage());
}

TEST_F(PlaybackLineInTest, ConsolePostsPrivateMessages)
{
    EXPECT_EQ(0, u_cli_parser("app.linein.msg 0"));
    EXPECT_EQ((SmMsg{kFromLineIn, kRequestPlay}), smMsg(1));
    EXPECT_EQ(CLIR_INV_ARG, u_cli_parser("app.playback_line_in.linein_msg"));
    EXPECT_EQ(0, u_cli_parser("app.linein.msg 3"));
    EXPECT_EQ((SmMsg{kInformSender, kInformStopped}), smMsg(2));
    EXPECT_EQ(0, u_cli_parser("app.linein.sdl e"));
    EXPECT_EQ(0x101, playbackLineInGetDbgLevel());
    EXPECT_EQ(0, u_cli_parser("app.linein.sdl all"));
}

// The wrapper calls of a whole stream, with the input fed through the real capture path.
TEST_F(PlaybackLineInTest, LevelOfEveryPeriodDrivesTheWrappers)
{
    struct Case {
        const char* what;
        uint8_t byte;  // every input byte; the level reads samples in the processor's byte order
        uint32_t count;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"constant sound",
         0x10,
         154,
         {"guiWrapperMusicNoiseUnMute", "guiWrapperMusicErpReset", "guiWrapperMusicEnergySet 41",
          "guiWrapperMusicEnergySet 41", "guiWrapperMusicEnergySet 41"}},
        {"constant silence", 0x00, 11 * 501, {"guiWrapperMusicPopMuteSet 1"}},
    };
    size_t informs = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.write(WRAPPER_SOURCE_CALL_LOG, "");
        FifoInput input(inputPath());
        const std::string sound(c.count * kPeriodBytes, static_cast<char>(c.byte));
        input.feed(sound, kPeriodBytes);
        order(kRequestPlay);
        EXPECT_EQ((SmMsg{kInformSender, kInformPlaying}), smMsg(++informs));
        // The last call comes from the last period; the capture then waits for more input.
        ASSERT_TRUE(
            waitUntil([&] { return srctest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG)).size() >= c.calls.size(); }));
        EXPECT_EQ(c.calls, srctest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG)));
        order(kOrderStop);
        input.close();
        EXPECT_EQ((SmMsg{kInformSender, kInformStopped}), smMsg(++informs));
    }
}

TEST_F(PlaybackLineInTest, RapidStartsAndStopsEndEveryStream)
{
    sandbox.write(sb::pcmInput("line_in"), periods(2, 7));
    const int before = srctest::threadCount();
    constexpr int kCycles = 200;
    // Each start follows the previous stop at once, while that stream still winds down. The test
    // waits only for the start's inform, so that the application's own private messages always
    // find room in its queue.
    for (int i = 0; i < kCycles; ++i) {
        order(kRequestPlay);
        ASSERT_TRUE(programs().sm.waitMessages(base_ + 2 * i + 1));
        order(kOrderStop);
    }
    ASSERT_TRUE(programs().sm.waitMessages(base_ + 2 * kCycles));
    ASSERT_TRUE(waitUntil([&] { return srctest::threadCount() == before; }));
    int playing = 0;
    int stopped = 0;
    for (const SmMsg& m : smMsgs()) {
        playing += m.word == kInformPlaying ? 1 : 0;
        stopped += m.word == kInformStopped ? 1 : 0;
    }
    EXPECT_EQ(kCycles, playing);
    EXPECT_EQ(kCycles, stopped);
    EXPECT_FALSE(playbackLineInIsRunning());
}

TEST_F(PlaybackLineInTest, ExitStopsAndJoinsTheStream)
{
    sandbox.write(sb::pcmInput("line_in"), periods(2, 7));
    const int before = srctest::threadCount();
    order(kRequestPlay);
    EXPECT_EQ((SmMsg{kInformSender, kInformPlaying}), smMsg(1));
    ASSERT_TRUE(waitUntil([&] { return mainOutputWritten(); }));
    ASSERT_EQ(0, u_amb_sync_exit_app("playback_line_in"));
    // The stream ended inside the exit function: its inform is out, its threads are gone.
    EXPECT_EQ((SmMsg{kInformSender, kInformStopped}), smMsg(2));
    EXPECT_TRUE(waitUntil([&] { return srctest::threadCount() < before; }));
    EXPECT_FALSE(playbackLineInIsRunning());
    // The later cases of this process find the line input started again.
    ASSERT_EQ(0, u_amb_sync_start_app("playback_line_in"));
    ASSERT_EQ(0, u_am_get_app_handle_from_name(&programs().lineInHandle, "playback_line_in"));
}

}  // namespace

namespace {

// corvand with its real state manager, driven from the console.
using LineInProgramTest = sbtest::SandboxTest;

TEST_F(LineInProgramTest, StateManagersPlayRequestStreamsTheLineInput)
{
    FifoInput input(sandbox.path(sb::pcmInput("line_in")));
    const std::string sound = periods(10, 5);
    input.feed(sound + periods(5, 99), kPeriodBytes);

    sbtest::ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<corvand>Appcliation Init Finish\n")) << corvand.output();
    corvand.send("app.sm.request_play 14");
    // Permitted at once: the stream informs playing as the line input, the current source.
    ASSERT_TRUE(corvand.waitFor("eCurrentSource=14\n")) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("playback send 1 status to sm!\n")) << corvand.output();
    ASSERT_TRUE(waitUntil([&] { return sandbox.read(sb::pcmOutput("main")).size() >= sound.size(); }));
    EXPECT_EQ(sound, sandbox.read(sb::pcmOutput("main")).substr(0, sound.size()));
    // The audio server's buffer rule is set before the playback device opens.
    const auto commands = sandbox.quoridLog();
    const auto bufrule = std::find(commands.begin(), commands.end(), "vesk_dbg bufrule 6 6 24 0 0");
    ASSERT_NE(commands.end(), bufrule);
    ASSERT_NE(commands.end(), bufrule + 1);
    EXPECT_EQ("vesk_dbg mixminbuf 1", *(bufrule + 1));

    const size_t from = corvand.output().size();
    corvand.send("app.linein.msg 3");
    ASSERT_TRUE(corvand.waitFor("playbackLineInStop", from)) << corvand.output();
    input.close();
    ASSERT_TRUE(corvand.waitFor("playback send 0 status to sm!\n", from)) << corvand.output();
    corvand.signal(SIGKILL);
    corvand.wait();
}

}  // namespace
