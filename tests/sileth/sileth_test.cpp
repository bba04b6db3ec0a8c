// sileth as a program in a fresh root with a board simulator: start-up, corvand's commands and
// the replies on the real queue, the switch events, the settings commands, the debug fifo, EXIT
// and the crash handler.
#include "tests/sileth/sileth_harness.h"

#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_cfg.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using silethtest::wordsHex;

using silethtest::Corvand;
using silethtest::SilethProcess;
using ::testing::HasSubstr;
using ::testing::Not;

// The simulator's "hdmitx last" text of little-endian words.

sileth_msg_t reply(int32_t cmd)
{
    sileth_msg_t m;
    m.type = MSG_TO_MAIN;
    m.cmd = cmd;
    return m;
}

::testing::AssertionResult sameMsg(const std::optional<sileth_msg_t>& got, const sileth_msg_t& want)
{
    if (!got) {
        return ::testing::AssertionFailure() << "no reply, wanted cmd " << want.cmd;
    }
    if (got->type != want.type || silethMsgEncode(*got) != silethMsgEncode(want)) {
        return ::testing::AssertionFailure() << "reply cmd " << got->cmd << " differs from the wanted cmd " << want.cmd;
    }
    return ::testing::AssertionSuccess();
}

// Writes one line into the debug fifo once its reader has it open.
bool writeFifo(const sbtest::Sandbox& sandbox, const std::string& line)
{
    const std::string path = sandbox.path("/tmp/auddbg");
    int fd = -1;
    silethtest::waitFor([&] {
        fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0;
    });
    if (fd < 0) {
        return false;
    }
    const bool ok = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    close(fd);
    return ok;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool queueExists()
{
    return msgget(sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID), 0) >= 0;
}

class SilethTest : public sbtest::SimTest {
protected:
    std::string inputMode() const { return sim.ctl("hdmitx last SET_INPUT_MODE"); }
    std::string portSelect() const { return sim.ctl("actl get Spdif_In_Port_Select"); }
    int inputModeRequests() const { return silethtest::occurrences(sim.ctl("log hdmitx"), "SET_INPUT_MODE"); }
    // A 48000 Hz PCM stream with channel allocation 11 (5.1) on HDMI input 0.
    void hdmiInput(int rate) const
    {
        sim.ctl("hdmitx words GET_RX_AUDIO_INFO 0 2 " + std::to_string(rate) + " 0 0 11");
    }
};

class SilethStartUpTest : public SilethTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SilethStartUpTest, CreatesItsQueueAndFifoWarmsUpAndListsEverySetting)
{
    const bool tuningPresent = GetParam();
    if (tuningPresent) {
        sandbox.write("/data/mervane/dolby-atmos.conf", "tuning\n");
    }
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();

    msqid_ds ds{};
    ASSERT_EQ(0, msgctl(msgget(sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID), 0), IPC_STAT, &ds)) << std::strerror(errno);
    EXPECT_EQ(0666, ds.msg_perm.mode & 0777);
    struct stat st {};
    ASSERT_EQ(0, stat(sandbox.path("/tmp/auddbg").c_str(), &st));
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    std::vector<std::string> expected;
    if (!tuningPresent) {
        expected.push_back("cp -rf /res/dolby-atmos.conf /data/mervane/");
    }
    expected.push_back("aplay -Dmain -c2 -fS32_LE -r48000 /dev/full -d1");
    EXPECT_EQ(expected, sandbox.quoridLog());

    sileth_cfg_item_t rows[SILETH_CFG_ROWS];
    vSilethCfgDefaults(rows);
    const std::string out = sileth.output();
    for (const auto& row : rows) {
        EXPECT_THAT(out, HasSubstr(std::string(row.title) + " " + row.key + " = " + row.value + " \n"));
    }
}

INSTANTIATE_TEST_SUITE_P(TuningFile, SilethStartUpTest, ::testing::Bool());

TEST_F(SilethTest, SettingsFileOverlaysTheRowsItNames)
{
    sandbox.write("/res/sileth.cfg", "# buffers\n[PCM_CFG]\nbufrule = bufrule 1 2 3 0 0\nsrc_period_time =5000\n"
                                     "[NO_SUCH_CFG]\nbufrule=9\n");
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    const std::string out = sileth.output();
    EXPECT_THAT(out, HasSubstr("[PCM_CFG] bufrule = bufrule 1 2 3 0 0 \n"));
    EXPECT_THAT(out, HasSubstr("[PCM_CFG] src_period_time = 5000 \n"));
    EXPECT_THAT(out, HasSubstr("[PCM_DTSX_CERTIFICATION_CFG] bufrule = bufrule 6 12 24 0 0 \n"));
}

TEST_F(SilethTest, PlayWithoutALockedRateSelectsTheInputAndAnswersPlayNoneOnce)
{
    hdmiInput(64000);
    sim.ctl("actl set Spdif_In_Port_Select 1");
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 2));
    EXPECT_TRUE(sameMsg(corvand.reply(), reply(GST_PLAY_NONE)));
    EXPECT_EQ(wordsHex({1, 0, 1, 1, 0}), inputMode());
    EXPECT_EQ("0\n", portSelect());
    // The next reply is the STOP's: nothing came in between.
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, corvand.replyCmd());
    EXPECT_THAT(sileth.output(), Not(HasSubstr("fork child process")));
}

TEST_F(SilethTest, SourceTypesBeyondTheTableKeepThePreviousPort)
{
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;
    // Right after start there is no previous port: nothing is selected.
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 9));
    EXPECT_EQ(GST_PLAY_NONE, corvand.replyCmd());
    EXPECT_FALSE(sim.control("hdmitx last SET_INPUT_MODE"));
    // Source type 3 is the ARC/eARC port, as 1.
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 3));
    EXPECT_EQ(GST_PLAY_NONE, corvand.replyCmd());
    EXPECT_EQ(wordsHex({0, 0, 0, 1, 0}), inputMode());
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 6));
    EXPECT_EQ(GST_PLAY_NONE, corvand.replyCmd());
    EXPECT_EQ(2, inputModeRequests());
    EXPECT_EQ(wordsHex({0, 0, 0, 1, 0}), inputMode());
}

TEST_F(SilethTest, PlayFollowsTheStreamAndAPlugOutStopsIt)
{
    hdmiInput(48000);
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 2, 0));
    sileth_msg_t pcm = reply(GST_CODEC_INFO);
    pcm.channels = 6;
    EXPECT_TRUE(sameMsg(corvand.reply(), pcm));
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());
    EXPECT_TRUE(sileth.said("<msgrcv> drc if off by default"));

    // A new rate restarts the child without a stop reply in between.
    hdmiInput(96000);
    sim.ctl("uevent switch eARC 5");
    EXPECT_EQ(CEC_STREAM_MUTE_CBK, corvand.replyCmd());  // the child mutes the stream before it stops
    EXPECT_TRUE(sameMsg(corvand.reply(), pcm));
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());

    ASSERT_TRUE(corvand.sendCmd(HDMIRX0_PLUG_OUT));
    EXPECT_EQ(CEC_STREAM_MUTE_CBK, corvand.replyCmd());  // the child mutes the stream before it stops
    EXPECT_EQ(GST_STOP_DONE_BY_SILETH, corvand.replyCmd());
    EXPECT_EQ(wordsHex({1, 0, 1, 1, 0}), inputMode());

    // SIGUSR1 restarts on the still-selected port.
    kill(sileth.pid(), SIGUSR1);
    EXPECT_TRUE(sameMsg(corvand.reply(), pcm));
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());
}

TEST_F(SilethTest, APipelineChildEndsWithItsDaemon)
{
    hdmiInput(48000);
    auto sileth = std::make_unique<SilethProcess>(sandbox);
    ASSERT_TRUE(sileth->waitStarted()) << sileth->output();
    Corvand corvand;
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 2));
    EXPECT_EQ(GST_CODEC_INFO, corvand.replyCmd());
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());
    const std::string out = sileth->output();
    const std::string mark = "fork child process, pid:";
    const size_t at = out.find(mark);
    ASSERT_NE(std::string::npos, at) << out;
    const pid_t child = static_cast<pid_t>(std::stol(out.substr(at + mark.size())));
    sileth.reset();  // SIGKILL
    // Ended, not only orphaned: gone, or a zombie waiting for whoever adopted it.
    EXPECT_TRUE(silethtest::waitFor([child] {
        const std::string stat = readFile("/proc/" + std::to_string(child) + "/stat");
        const size_t paren = stat.rfind(')');
        return stat.empty() || (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z');
    }));
}

TEST_F(SilethTest, StopWhilePlayingAnswersOnceAndDeselectsTheSpdifPort)
{
    sim.ctl("actl set Spdif_In_Info 48000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0");
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    sileth_msg_t pcm = reply(GST_CODEC_INFO);
    pcm.channels = 2;
    EXPECT_TRUE(sameMsg(corvand.reply(), pcm));
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());
    EXPECT_EQ(wordsHex({4, 0, 1, 1, 0}), inputMode());
    EXPECT_EQ("1\n", portSelect());

    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_EQ(CEC_STREAM_MUTE_CBK, corvand.replyCmd());  // the child mutes the stream before it stops
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, corvand.replyCmd());
    // A second STOP finds nothing running and is answered too (sent after the first one's answer:
    // one that comes while the child is still stopping shares its flag).
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, corvand.replyCmd());
    EXPECT_EQ("0\n", portSelect());
}

// On the board (no simulator in the root) the switch thread listens to udev's netlink monitor.
using SilethBoardTest = sbtest::SandboxTest;
TEST_F(SilethBoardTest, SwitchThreadListensToUdevWithoutASimulator)
{
    SilethProcess sileth(sandbox);
    EXPECT_TRUE(sileth.waitSaid("[UdevCb Thread] Start: udev netlink monitor, subsystems \"switch\" and "
                                "\"hdmirxswitch\"")) << sileth.output();
}

TEST_F(SilethTest, SwitchEventsBecomeReplies)
{
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    EXPECT_TRUE(sileth.waitSaid("[UdevCb Thread] Start: board simulator"));
    Corvand corvand;

    const auto with = [](int32_t cmd, const std::function<void(sileth_msg_t&)>& fill) {
        sileth_msg_t m = reply(cmd);
        fill(m);
        return m;
    };
    const sileth_msg_t marker = reply(HDMIRX0_PLUG_IN_CBK);
    struct Case {
        std::vector<std::string> setup;
        std::string event;
        std::optional<sileth_msg_t> want;  // nothing: the marker event's reply comes next
    };
    const Case cases[] = {
        {{"hdmitx words GET_CEC_RX_CMD 0x05040302 1 2 3 4"},
         "uevent switch CEC 16",
         with(CEC_IND_RCV_CB,
              [](sileth_msg_t& m) {
                  m.cec[0] = 2;
                  m.cec[1] = 3;
                  m.cec[2] = 4;
                  m.cec[3] = 5;
                  m.cec_len = 4;
              })},
        {{"hdmitx set GET_CEC_VOLUME 0x85"},
         "uevent switch CEC 13",
         with(CEC_ROUTING_VOLUME_CBK, [](sileth_msg_t& m) { m.source_volume = 0x85; })},
        {{}, "uevent switch eARC 1", with(CEC_ROUTING_ARC_STS_CBK, [](sileth_msg_t& m) { m.eArc_sts = 2; })},
        {{}, "uevent switch eARC 0", with(CEC_ROUTING_ARC_STS_CBK, [](sileth_msg_t& m) { m.eArc_sts = 1; })},
        {{}, "uevent switch CEC 6", reply(HDMIRX0_PLUG_IN_CBK)},
        {{}, "uevent switch CEC 5", reply(HDMIRX0_PLUG_OUT_CBK)},
        {{}, "uevent switch CEC 8", reply(HDMIRX0_PLUG_OUT_CBK)},
        {{}, "uevent switch CEC 0", reply(HDMITX_PLUG_OUT_CBK)},
        {{}, "uevent switch CEC 1", reply(HDMITX_PLUG_IN_CBK)},
        {{}, "uevent switch CEC 17", with(CEC_ROUTING_POWER_CBK, [](sileth_msg_t& m) { m.power_en = 1; })},
        {{}, "uevent switch CEC 18", reply(CEC_ROUTING_POWER_CBK)},
        {{}, "uevent switch CEC 14", with(CEC_ROUTING_MUTE_CBK, [](sileth_msg_t& m) { m.sig_flow_mute = 1; })},
        {{}, "uevent switch CEC 15", reply(CEC_ROUTING_MUTE_CBK)},
        {{}, "uevent switch CEC 12", with(CEC_ROUTING_SOURCE_CBK, [](sileth_msg_t& m) { m.SrcType = 2; })},
        {{"hdmitx set GET_EARC_STS 2"},
         "uevent switch CEC 11",
         with(CEC_ROUTING_SOURCE_CBK, [](sileth_msg_t& m) { m.SrcType = 1; })},
        {{"hdmitx set GET_EARC_STS 1"}, "uevent switch CEC 11", reply(CEC_ROUTING_SOURCE_CBK)},
        {{},
         "uevent change /devices/virtual/switch/CEC SUBSYSTEM=hdmirxswitch SWITCH_STATE=6",
         reply(HDMIRX0_PLUG_IN_CBK)},
        // Nothing for: another action, a frame longer than 16 bytes, a failed volume read, another
        // subsystem, a switch of another name, an event without a state.
        {{}, "uevent add /devices/virtual/switch/eARC SUBSYSTEM=switch SWITCH_NAME=eARC SWITCH_STATE=1", {}},
        {{"hdmitx words GET_CEC_RX_CMD 1 2 3 4 17"}, "uevent switch CEC 16", {}},
        {{"hdmitx fail GET_CEC_VOLUME 1"}, "uevent switch CEC 13", {}},
        {{}, "uevent change /devices/virtual/switch/CEC SUBSYSTEM=input SWITCH_STATE=6", {}},
        {{}, "uevent switch cec_hdmi 3", {}},
        {{}, "uevent change /devices/virtual/switch/CEC SUBSYSTEM=switch", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        for (const std::string& line : c.setup) {
            sim.ctl(line);
        }
        sim.ctl(c.event);
        if (c.want) {
            EXPECT_TRUE(sameMsg(corvand.reply(), *c.want));
        } else {
            sim.ctl("uevent switch CEC 6");
            EXPECT_TRUE(sameMsg(corvand.reply(), marker));
        }
    }
}

TEST_F(SilethTest, SettingCommandsRewriteTheirRowInTheFile)
{
    sandbox.write("/res/sileth.cfg", "[GLOBAL]\ndrc-percent=drc-percent=0\ndialog-control=dialog-control=100\n"
                                     "[PCM_CFG]\nbufrule=bufrule 6 12 24 0 0\n");
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;

    sileth_msg_t drc;
    drc.type = MSG_TO_SILETH;
    drc.cmd = SILETH_CMD_SET_DRC_PERCENT;
    drc.drc_percent = 25;
    ASSERT_TRUE(corvand.send(drc));
    const std::string longer = "[GLOBAL]\ndrc-percent=drc-percent=25\ndialog-control=dialog-control=100\n"
                               "[PCM_CFG]\nbufrule=bufrule 6 12 24 0 0\n";
    EXPECT_TRUE(silethtest::waitFor([&] { return sandbox.read("/res/sileth.cfg") == longer; }))
        << sandbox.read("/res/sileth.cfg");
    EXPECT_TRUE(sileth.waitSaid("Set value, title:[GLOBAL] key:drc-percent val:drc-percent=25\n"));

    sileth_msg_t dialog;
    dialog.type = MSG_TO_SILETH;
    dialog.cmd = SILETH_CMD_SET_DIALOG_CONTROL;
    dialog.dialog_control = 5;
    ASSERT_TRUE(corvand.send(dialog));
    const std::string shorter = "[GLOBAL]\ndrc-percent=drc-percent=25\ndialog-control=dialog-control=5  \n"
                                "[PCM_CFG]\nbufrule=bufrule 6 12 24 0 0\n";
    EXPECT_TRUE(silethtest::waitFor([&] { return sandbox.read("/res/sileth.cfg") == shorter; }))
        << sandbox.read("/res/sileth.cfg");
    EXPECT_TRUE(sileth.waitSaid("Set value, title:[GLOBAL] key:dialog-control val:dialog-control=5\n"));
}

TEST_F(SilethTest, DebugFifoSetsTheLevelAndInjectsCommands)
{
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;
    // Two writers back to back: the second may arrive just as the reader sees the first one's end.
    ASSERT_TRUE(writeFifo(sandbox, "set level e\n"));
    ASSERT_TRUE(writeFifo(sandbox, "get level\n"));
    EXPECT_TRUE(sileth.waitSaid("[DBG Thread] _dbg_level: 1 (1:err,2:info,3:dbg)\n"));

    // As a PLAY from corvand with source type 2: no signal on the input yet.
    ASSERT_TRUE(writeFifo(sandbox, "play hdmirx0\n"));
    EXPECT_EQ(GST_PLAY_NONE, corvand.replyCmd());
    EXPECT_EQ(wordsHex({1, 0, 1, 1, 0}), inputMode());
    ASSERT_TRUE(writeFifo(sandbox, "nonstop\n"));
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, corvand.replyCmd());

    ASSERT_TRUE(writeFifo(sandbox, "exit\n"));
    EXPECT_EQ(SILETH_EXIT, corvand.replyCmd());
    const auto status = sileth.waitExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
}

class SilethExitTest : public SilethTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SilethExitTest, ExitAnswersRemovesTheQueueAndEnds)
{
    const bool staleFifo = GetParam();
    if (staleFifo) {
        ASSERT_EQ(0, mkfifo(sandbox.path("/tmp/auddbg").c_str(), 0666));
    }
    hdmiInput(48000);
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    Corvand corvand;
    // The fifo of the earlier run is read.
    ASSERT_TRUE(writeFifo(sandbox, "get level\n"));
    EXPECT_TRUE(sileth.waitSaid("_dbg_level: 3"));

    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 2));
    EXPECT_EQ(GST_CODEC_INFO, corvand.replyCmd());
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_EXIT));
    // The child is stopped before the queue goes, and the end is announced while it is there.
    EXPECT_EQ(CEC_STREAM_MUTE_CBK, corvand.replyCmd());  // the child mutes the stream before it stops
    EXPECT_EQ(GST_STOP_DONE_BY_SILETH, corvand.replyCmd());
    EXPECT_EQ(SILETH_EXIT, corvand.replyCmd());
    const auto status = sileth.waitExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_FALSE(queueExists());
    EXPECT_THAT(sileth.output(), HasSubstr("InterprocessMsg UnInit Finish <<<<< "));
}

INSTANTIATE_TEST_SUITE_P(Fifo, SilethExitTest, ::testing::Bool());

TEST_F(SilethTest, AQueueThatWentIsMadeAgain)
{
    SilethProcess sileth(sandbox);
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    ASSERT_EQ(0, msgctl(msgget(sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID), 0), IPC_RMID, nullptr));
    ASSERT_TRUE(silethtest::waitFor(queueExists));
    Corvand corvand;
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, corvand.replyCmd());
}

TEST_F(SilethTest, SegmentationSignalPrintsTheCrashLinesAndEndsTheProcess)
{
#if defined(__SANITIZE_THREAD__)
    // The race detector defers a signal from outside to its own safe points, where the one the
    // handler raises again can be lost; the ending is checked in the other builds.
    GTEST_SKIP() << "signals from outside are deferred by the race detector";
#endif
    const auto options = [](const char* name, const char* extra) {
        const char* now = std::getenv(name);
        return std::string(name) + "=" + (now != nullptr && *now != '\0' ? std::string(now) + ":" : "") + extra;
    };
    // The address checker keeps its own fault handler out of the way of the program's.
    SilethProcess sileth(sandbox, {options("ASAN_OPTIONS", "handle_segv=0")});
    ASSERT_TRUE(sileth.waitStarted()) << sileth.output();
    kill(sileth.pid(), SIGSEGV);
    const auto status = sileth.waitExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGSEGV) << *status;
    EXPECT_THAT(sileth.output(), HasSubstr("[SILETHPROG] Invalid memory reference!"));
    EXPECT_THAT(sileth.output(), HasSubstr("backtrace:"));
}

}  // namespace
