// sileth's pipeline children as they run: the real program in a root with a board simulator and
// the host's stand-ins for the board's GStreamer elements, seen through corvand's queue, the
// shell-command log and the files the elements write. Every child a test made is gone at its end.
#include "tests/sileth/sileth_harness.h"

#include "platform/gst/gst_sb.h"
#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_pipe.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <map>
#include <optional>
#include <sstream>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using silethtest::Corvand;
using silethtest::SilethProcess;
using silethtest::waitFor;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::UnorderedElementsAre;

using Props = std::map<std::string, std::string>;

// One IEC 61937 AC-3 burst in a 1536-frame, 16-bit stereo period: Pa, Pb, Pc = 1, Pd, zeros.
std::string ac3Bursts(int count)
{
    std::string period(1536 * 4, '\0');
    const unsigned char preamble[] = {0x72, 0xF8, 0x1F, 0x4E, 0x01, 0x00, 0x00, 0x30};
    period.replace(0, sizeof(preamble), reinterpret_cast<const char*>(preamble), sizeof(preamble));
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += period;
    }
    return out;
}

class SilethPipelineTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        // Children of a sileth that dies are handed to this process, so the check below can end
        // them. The emulator of the ARM build refuses the request; there a child still goes with
        // its daemon.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    }

    void TearDown() override
    {
        if (sileth) {
            corvand.sendCmd(SILETH_CMD_EXIT);
            const auto status = sileth->waitExit();
            EXPECT_TRUE(status.has_value()) << "sileth did not end on EXIT";
            EXPECT_LT(msgget(sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID), 0), 0) << "the queue is left behind";
            for (pid_t pid : childPids()) {
                if (kill(pid, 0) == 0 && waitpid(pid, nullptr, WNOHANG) != pid) {
                    ADD_FAILURE() << "pipeline child " << pid << " is left behind";
                    kill(pid, SIGKILL);
                    waitpid(pid, nullptr, 0);
                }
            }
            sileth.reset();
        }
    }

    void start()
    {
        sileth.emplace(sandbox);
        ASSERT_TRUE(sileth->waitStarted()) << sileth->output();
    }

    // A Spdif_In_Info of `rate`, PCM unless `coded` (the channel-status non-PCM bit).
    void spdif(int rate, bool coded = false) const
    {
        std::string line = "actl set Spdif_In_Info " + std::to_string(rate);
        for (int i = 1; i < 20; ++i) {
            line += i == 13 && coded ? " 2" : " 0";
        }
        sim.ctl(line);
    }

    std::vector<pid_t> childPids() const
    {
        std::vector<pid_t> pids;
        std::istringstream in(sileth->output());
        std::string line;
        const std::string mark = "fork child process, pid:";
        while (std::getline(in, line)) {
            const auto at = line.find(mark);
            if (at != std::string::npos) {
                pids.push_back(static_cast<pid_t>(std::stol(line.substr(at + mark.size()))));
            }
        }
        return pids;
    }

    // The properties an element of the child `pid` wrote, once it has written them.
    Props props(pid_t pid, const std::string& element) const
    {
        const std::string file = std::string(SB_GST_OUT_DIR) + "/" + std::to_string(pid) + "." + element + ".props";
        EXPECT_TRUE(waitFor([&] { return sandbox.exists(file); })) << file;
        Props out;
        std::istringstream in(sandbox.read(file));
        std::string line;
        while (std::getline(in, line)) {
            const auto eq = line.find('=');
            out[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return out;
    }

    off_t dataSize(pid_t pid) const
    {
        struct stat st {};
        const std::string file =
            sandbox.path(std::string(SB_GST_OUT_DIR) + "/" + std::to_string(pid) + ".kvxalsasink.data");
        return stat(file.c_str(), &st) == 0 ? st.st_size : -1;
    }

    // The codes of the next `n` replies (-1 for each one that did not come).
    std::vector<int> replies(size_t n) const
    {
        std::vector<int> codes;
        while (codes.size() < n) {
            codes.push_back(corvand.replyCmd());
        }
        return codes;
    }

    // Waits for the newest child to be another than `than` and returns it.
    pid_t nextChild(pid_t than) const
    {
        pid_t pid = -1;
        EXPECT_TRUE(waitFor([&] {
            const auto pids = childPids();
            pid = pids.empty() ? -1 : pids.back();
            return pid > 0 && pid != than;
        }));
        return pid;
    }

    std::string portSelect() const { return sim.ctl("actl get Spdif_In_Port_Select"); }

    Corvand corvand;
    std::optional<SilethProcess> sileth;
};

TEST_F(SilethPipelineTest, PcmPlaysWithThePcmSettingsAndARateChangeReplacesTheChild)
{
    spdif(48000);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    const auto report = corvand.reply();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(GST_CODEC_INFO, report->cmd);
    EXPECT_EQ(2, report->channels);
    EXPECT_EQ(0, report->codec_type);
    EXPECT_EQ(GST_PLAY_DONE, corvand.replyCmd());

    EXPECT_EQ("pcm\n", sandbox.read(SILETH_CODEC_TYPE_PATH));
    const auto log = sandbox.quoridLog();
    EXPECT_THAT(log, IsSupersetOf({"vesk_dbg mixminbuf 1", "echo pcm > /tmp/codec_type.config",
                                   "vesk_dbg bufrule bufrule 6 12 24 0 0"}));
    const pid_t first = nextChild(0);
    Props sink = props(first, "kvxalsasink");
    EXPECT_EQ("1", sink["parse-mode"]);
    EXPECT_EQ("lr", sink["alsa-chmap"]);
    EXPECT_EQ("main", sink["alsa-device"]);
    EXPECT_EQ("48000", sink["alsa-sample-rate"]);
    EXPECT_EQ("2", sink["alsa-channels"]);
    EXPECT_EQ("spdif_in", props(first, "kvxalsasrc")["alsa-device"]);
    const off_t size = dataSize(first);
    EXPECT_TRUE(waitFor([&] { return dataSize(first) > size; })) << "the sink's data does not grow";

    // The new rate stops the child and starts another, without a stop reply between.
    spdif(96000);
    EXPECT_THAT(replies(3), ElementsAre(CEC_STREAM_MUTE_CBK, GST_CODEC_INFO, GST_PLAY_DONE));
    const pid_t second = nextChild(first);
    EXPECT_EQ("96000", props(second, "kvxalsasink")["alsa-sample-rate"]);
    EXPECT_EQ("96000", props(second, "kvxalsasrc")["alsa-sample-rate"]);
    EXPECT_EQ(-1, kill(first, 0));
}

TEST_F(SilethPipelineTest, StopAnswersOnceAndDeselectsWhilePlugOutKeepsThePort)
{
    spdif(48000);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(2), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE));
    EXPECT_EQ("1\n", portSelect());

    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_THAT(replies(2), ElementsAre(CEC_STREAM_MUTE_CBK, GST_STOP_DONE_BY_REQUEST));
    EXPECT_EQ("0\n", portSelect());
    // Exactly one stop reply: the next one is the new PLAY's.
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(2), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE));

    ASSERT_TRUE(corvand.sendCmd(HDMIRX0_PLUG_OUT));
    EXPECT_THAT(replies(2), ElementsAre(CEC_STREAM_MUTE_CBK, GST_STOP_DONE_BY_SILETH));
    EXPECT_EQ("1\n", portSelect());
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, corvand.replyCmd());
}

TEST_F(SilethPipelineTest, BurstsInPcmRestartIntoTheAc3PipelineWhichReportsItsCodec)
{
    sandbox.write(std::string(SB_GST_CAPTURE_DIR) + "/spdif_in", ac3Bursts(4));
    spdif(48000);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(3), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE, CEC_STREAM_MUTE_CBK));
    // The first child forked; the AC-3 one may already have followed it.
    ASSERT_FALSE(childPids().empty());
    const pid_t pcm = childPids().front();
    EXPECT_EQ("1", props(pcm, "kvxalsasink")["parse-mode"]);

    // The new child's parser reports AC-3 while it comes up.
    std::optional<sileth_msg_t> codec;
    bool playing = false;
    for (int i = 0; i < 2; ++i) {
        const auto msg = corvand.reply();
        ASSERT_TRUE(msg.has_value());
        if (msg->cmd == GST_CODEC_INFO) {
            codec = msg;
        }
        playing = playing || msg->cmd == GST_PLAY_DONE;
    }
    EXPECT_TRUE(playing);
    ASSERT_TRUE(codec.has_value());
    EXPECT_EQ(1, codec->codec_type);
    EXPECT_EQ(2, codec->channels);
    EXPECT_EQ(48000, codec->sample_rate);

    const pid_t ac3 = nextChild(pcm);
    Props sink = props(ac3, "kvxalsasink");
    EXPECT_EQ("2", sink["parse-mode"]);
    EXPECT_EQ("lr:c:lrs:lfe:lrtf:lrtr", sink["alsa-chmap"]);
    EXPECT_EQ("10", sink["alsa-channels"]);
    EXPECT_EQ("10", props(ac3, "halvorn")["output-channels"]);
    EXPECT_EQ("2", props(ac3, "sievra")["codec-type"]);
    EXPECT_EQ("ac3\n", sandbox.read(SILETH_CODEC_TYPE_PATH));
}

TEST_F(SilethPipelineTest, ParserMessagesRestartIntoMatPcmAndBackAndAreReported)
{
    sandbox.write(SB_GST_SCRIPT, "data_parse 1 0x16\n--\n"
                                 "atmos_audio_info 3 7\n--\n"
                                 "atmos_audio_info 1 7\n--\n"
                                 "audio_info 2 -5\ndata_parse 34 3\n");
    spdif(48000, true);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    // AC-3 first (a coded stream starts as AC-3), then TrueHD, MAT carrying PCM, TrueHD again.
    std::vector<int> got = replies(11);
    std::multiset<int> codes(got.begin(), got.end());
    EXPECT_EQ(4u, codes.count(GST_PLAY_DONE));
    EXPECT_EQ(3u, codes.count(CEC_STREAM_MUTE_CBK));
    EXPECT_EQ(2u, codes.count(ATMOS_STREAM_INFO));
    EXPECT_EQ(1u, codes.count(DTS_STREAM_INFO));
    EXPECT_EQ(1u, codes.count(GST_ENERGY_INFO));

    std::vector<pid_t> pids;
    ASSERT_TRUE(waitFor([&] {
        pids = childPids();
        return pids.size() >= 4;
    }));
    EXPECT_EQ("2", props(pids[0], "sievra")["codec-type"]);
    const Props trueHd = props(pids[1], "kvxalsasink");
    EXPECT_EQ("5", props(pids[1], "sievra")["codec-type"]);
    EXPECT_EQ("2", trueHd.at("parse-mode"));
    EXPECT_EQ("0", trueHd.at("extra-header-bufctl"));
    const Props matPcm = props(pids[2], "kvxalsasink");
    EXPECT_EQ("10", matPcm.at("parse-mode"));
    EXPECT_EQ("1", matPcm.at("extra-header-bufctl"));
    EXPECT_EQ("10", matPcm.at("extra-header-prepend-zero-value"));
    EXPECT_EQ("2", props(pids[3], "kvxalsasink").at("parse-mode"));
    EXPECT_EQ("mat\n", sandbox.read(SILETH_CODEC_TYPE_PATH));
}

TEST_F(SilethPipelineTest, UpmixSettingRestartsOnlyAPipelineThatRuns)
{
    spdif(48000);
    start();
    sileth_msg_t upmix;
    upmix.type = MSG_TO_SILETH;
    upmix.cmd = SILETH_CMD_SET_XUPMIX;
    upmix.xupmix = 1;
    // Nothing plays yet: the setting leaves the pipeline of a later PLAY alone.
    ASSERT_TRUE(corvand.send(upmix));
    ASSERT_TRUE(sileth->waitSaid(" xupmix set 1 "));
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(2), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE));
    const pid_t first = nextChild(0);
    sim.ctl("uevent switch CEC 17");
    EXPECT_EQ(CEC_ROUTING_POWER_CBK, corvand.replyCmd()) << "the new pipeline was restarted";

    // While one plays, the setting replaces it.
    ASSERT_TRUE(corvand.send(upmix));
    EXPECT_THAT(replies(3), ElementsAre(CEC_STREAM_MUTE_CBK, GST_CODEC_INFO, GST_PLAY_DONE));
    EXPECT_NE(first, nextChild(first));
}

TEST_F(SilethPipelineTest, SinkThatIgnoresTheStopIsKilled)
{
    sandbox.write(SB_GST_SINK_STALL, "");
    spdif(48000);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(2), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE));
    const pid_t child = nextChild(0);
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    EXPECT_THAT(replies(2), ElementsAre(CEC_STREAM_MUTE_CBK, GST_STOP_DONE_BY_REQUEST));
    EXPECT_TRUE(sileth->said("<gst_stop> kill gst, pid:" + std::to_string(child)));
    EXPECT_EQ(-1, kill(child, 0));
}

TEST_F(SilethPipelineTest, PlayRightAfterStopKeepsItsInputWhileTheOldChildIsStillStopping)
{
    spdif(48000);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(2), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE));
    const pid_t first = nextChild(0);
    // The old child takes its time to stop: the PLAY behind the STOP arrives meanwhile.
    sandbox.write(SB_GST_SINK_STALL, "");
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_THAT(replies(2), ElementsAre(CEC_STREAM_MUTE_CBK, GST_STOP_DONE_BY_REQUEST));
    unlink(sandbox.path(SB_GST_SINK_STALL).c_str());
    EXPECT_THAT(replies(2), ElementsAre(GST_CODEC_INFO, GST_PLAY_DONE));
    EXPECT_NE(first, nextChild(first));
    EXPECT_EQ("1\n", portSelect()) << "the answered STOP deselected the input of the later PLAY";
}

TEST_F(SilethPipelineTest, ChildThatEndsAtOnceIsForkedAgain)
{
    // No capture device: every child ends before it plays.
    sandbox.write(SILETH_CFG_PATH, "[GLOBAL]\nspdif_in=\n");
    spdif(48000);
    start();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_PLAY, 0));
    EXPECT_TRUE(waitFor([&] { return childPids().size() >= 3; })) << sileth->output();
    ASSERT_TRUE(corvand.sendCmd(SILETH_CMD_STOP));
    // Each fork reported the PCM stream; none played or stopped.
    int code = -1;
    while ((code = corvand.replyCmd()) == GST_CODEC_INFO) {
    }
    EXPECT_EQ(GST_STOP_DONE_BY_REQUEST, code);
}

}  // namespace
