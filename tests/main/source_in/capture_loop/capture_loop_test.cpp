#include "main/source_in/capture_loop/tdm_in.h"
#include "main/source_in/capture_loop/uac_capture.h"

#include "platform/sbalsa/sb_alsa.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/program_runner.h"
#include "tests/main/source_in/source_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>

using srctest::FifoInput;
using srctest::waitUntil;

namespace {

constexpr size_t kPeriodBytes = 882 * 4;  // 20 ms of S16_LE stereo at 44.1 kHz

std::string periods(uint32_t count, uint8_t seed)
{
    std::string s(count * kPeriodBytes, '\0');
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<char>(seed + i * 7 + i / 1013);
    }
    return s;
}

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++n;
    }
    return n;
}

// corvand itself, driven from its console.
class CaptureLoopProgramTest : public sbtest::SandboxTest {
protected:
    void SetUp() override { ASSERT_TRUE(corvand.waitFor("<corvand>Appcliation Init Finish\n")) << corvand.output(); }

    void TearDown() override
    {
        corvand.signal(SIGKILL);
        corvand.wait();
    }

    // Sends a console line and waits for `text` in what follows.
    bool command(const std::string& line, const std::string& text)
    {
        const size_t from = corvand.output().size();
        corvand.send(line);
        return corvand.waitFor(text, from);
    }

    sbtest::ProgramRunner corvand{"main/corvand"};
};

TEST_F(CaptureLoopProgramTest, TdmLoopPlaysTheCaptureAndFollowsItsConsole)
{
    ASSERT_TRUE(command("app.tdmin.msg 1", "thread not running!")) << corvand.output();

    FifoInput input(sandbox.path(sb::pcmInput("hw:0,1")));
    const std::string sound = periods(20, 3);
    // The output file is written a device buffer (four periods) behind the stream.
    input.feed(sound + periods(5, 200), kPeriodBytes);
    ASSERT_TRUE(command("app.tdmin.msg 0", "tdmInRecordProcess uAlsaSetHwParams successfully!")) << corvand.output();
    ASSERT_TRUE(command("app.tdm_in.tdmin_msg 0", "thread is running!!!")) << corvand.output();
    const std::string output = sb::pcmOutput("hw:1,0");
    ASSERT_TRUE(waitUntil([&] { return sandbox.read(output).size() >= sound.size(); }));
    EXPECT_EQ(sound, sandbox.read(output).substr(0, sound.size()));

    // Pause and resume: what is captured after the resume is played.
    ASSERT_TRUE(command("app.tdmin.msg 1", "tdmin msg id [1]")) << corvand.output();
    ASSERT_TRUE(command("app.tdmin.msg 1", "tdmin msg id [1]")) << corvand.output();
    // The id line comes before the resume is applied; a message the loop ignores, answered after
    // it on the same thread, shows the resume is in place before anything new is captured.
    ASSERT_TRUE(command("app.tdmin.msg 3", "tdmin msg id [3]")) << corvand.output();
    const std::string later = periods(10, 77);
    input.feed(later + periods(5, 201), kPeriodBytes);
    EXPECT_TRUE(waitUntil([&] { return sandbox.read(output).find(later) != std::string::npos; }));

    // Stop: the record side still waits for its input until that ends.
    ASSERT_TRUE(command("app.tdmin.msg 2", "tdmin msg id [2]")) << corvand.output();
    input.close();
    ASSERT_TRUE(corvand.waitFor("tdmInPlayProcess end!")) << corvand.output();

    // A new start after the stop is taken; without its capture device it fails and ends.
    input.close();
    ASSERT_EQ(0, unlink(sandbox.path(sb::pcmInput("hw:0,1")).c_str()));
    ASSERT_TRUE(command("app.tdmin.msg 0", "snd_pcm_open failed!i4Ret:")) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("tdmInPlayProcess end!", corvand.output().rfind("snd_pcm_open failed!i4Ret:")))
        << corvand.output();
    ASSERT_TRUE(command("app.tdmin.msg 0", "tdmInRecordProcess begin!")) << corvand.output();
    EXPECT_EQ(3u, count(corvand.output(), "tdmInRecordProcess begin!"));
    EXPECT_EQ(1u, count(corvand.output(), "thread is running!!!"));
    ASSERT_TRUE(command("app.tdmin.msg 2", "tdmin msg id [2]")) << corvand.output();
}

TEST_F(CaptureLoopProgramTest, UacLoopPlaysTheCaptureOnMain)
{
    FifoInput input(sandbox.path(sb::pcmInput("hw:0,1")));
    const std::string sound = periods(12, 9);
    input.feed(sound + periods(5, 200), kPeriodBytes);
    ASSERT_TRUE(command("app.uaccapture.msg 0", "uac_capture msg id [0]")) << corvand.output();
    const std::string output = sb::pcmOutput("main");
    ASSERT_TRUE(waitUntil([&] { return sandbox.read(output).size() >= sound.size(); }));
    EXPECT_EQ(sound, sandbox.read(output).substr(0, sound.size()));
    ASSERT_TRUE(command("app.uaccapture.msg 0", "thread is running!!!")) << corvand.output();
    ASSERT_TRUE(command("app.uac_capture.uaccapture_msg 2", "uac_capture msg id [2]")) << corvand.output();
    input.close();
    corvand.send("app.uaccapture.msg");  // no message to post
    ASSERT_TRUE(command("app.uaccapture.msg 1", "thread not running!")) << corvand.output();
    EXPECT_EQ(4u, count(corvand.output(), "uac_capture msg id ["));
}

// Both applications in this process, started and stopped over and over.
class CaptureLoopCycleTest : public sbtest::SandboxTest {
protected:
    static void startApps()
    {
        static amb_register_info_t tdm{};
        static amb_register_info_t uac{};
        apptest::startFramework();
        aTdmInRegister(&tdm);
        ASSERT_EQ(0, u_amb_register_app(&tdm));
        ASSERT_EQ(0, u_amb_sync_start_app("playback_tdm_in"));
        aUacCaptureRegister(&uac);
        ASSERT_EQ(0, u_amb_register_app(&uac));
        ASSERT_EQ(0, u_amb_sync_start_app("playback_uac_cap"));
    }
};

TEST_F(CaptureLoopCycleTest, RapidStartsAndStopsLeaveNoThreadBehind)
{
    startApps();
    sandbox.write(sb::pcmInput("hw:0,1"), periods(3, 1));
    const int before = srctest::threadCount();
    using SendFct = int32_t (*)(const CaptureLoopMsg*);
    for (SendFct send : {uTdmInSendMsg, uUacCaptureSendMsg}) {
        auto post = [send](uint32_t id) {
            const CaptureLoopMsg msg{id, {0, 0, 0}};
            // Again while the queue is full.
            return waitUntil([&] { return send(&msg) == 0; });
        };
        for (int i = 0; i < 300; ++i) {
            ASSERT_TRUE(post(CAPTURE_LOOP_START));
            if (i % 3 == 0) {
                ASSERT_TRUE(post(CAPTURE_LOOP_PAUSE_RESUME));
            }
            ASSERT_TRUE(post(CAPTURE_LOOP_STOP));
        }
    }
    EXPECT_TRUE(waitUntil([&] { return srctest::threadCount() == before; }));
    EXPECT_EQ(0, u_amb_sync_exit_app("playback_tdm_in"));
    EXPECT_EQ(0, u_amb_sync_exit_app("playback_uac_cap"));
}

}  // namespace
