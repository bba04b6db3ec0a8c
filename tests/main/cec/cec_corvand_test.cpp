// `cec` inside the real corvand with the board simulator, driven from the console as a person
// would: its start, a request resent on the simulator's clock, and a transmitter that is absent.
#include "tests/main/cec/cec_fixture.h"
#include "tests/main/program_runner.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

using sbtest::ProgramRunner;

class CecCorvandTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        sandbox.write("/tmp/vesk_ipc_app_ready", "");
    }
    void TearDown() override
    {
        if (corvand_) {
            corvand_->signal(SIGTERM);
            corvand_->wait();
        }
    }
    ProgramRunner& start()
    {
        corvand_ = std::make_unique<ProgramRunner>("main/corvand");
        EXPECT_TRUE(corvand_->waitFor("<corvand>14.audio_setting Init Successful\n")) << corvand_->output();
        return *corvand_;
    }
    // Sends a console line and waits for `text` in what follows it.
    bool ask(const std::string& line, const std::string& text)
    {
        const size_t from = corvand_->output().size();
        corvand_->send(line);
        return corvand_->waitFor(text, from, std::chrono::seconds(30));
    }

    std::unique_ptr<ProgramRunner> corvand_;
};

TEST_F(CecCorvandTest, StartsInItsRowAndReadiesTheDriver)
{
    ProgramRunner& corvand = start();
    EXPECT_TRUE(sbtest::containsInOrder(corvand.output(), {"<corvand>12.playback_uac_capture Init Successful\n",
                                                           "<corvand>13.cec Init Begin\n",
                                                           "<corvand>13.cec Init Successful\n",
                                                           "<corvand>14.audio_setting Init Begin\n"}));
    EXPECT_FALSE(sandbox.exists("/tmp/corvand_setup_fail.txt"));
    const auto quorid = sandbox.quoridLog();
    EXPECT_NE(quorid.end(), std::find(quorid.begin(), quorid.end(), "chmod 777 /dev/hdmitx"));
    const std::string log = sim.ctl("log hdmitx");
    EXPECT_NE(std::string::npos, log.find("CEC_APP_READY 01", log.find("CEC_ENABLE 01"))) << log;

    EXPECT_TRUE(ask("app.cec.send_message 2", "<CEC>[handleCecMsg,")) << corvand.output();
    EXPECT_TRUE(corvand.waitFor("message sender id: 19")) << corvand.output();
    EXPECT_TRUE(ask("app.cec.sdl e", "\n"));
    EXPECT_TRUE(ask("app.cec.gdl", "Debug level = e")) << corvand.output();
}

TEST_F(CecCorvandTest, ARequestWithoutStatusIsSentFourTimesThenItsEventIsFree)
{
    ProgramRunner& corvand = start();
    sim.ctl("hdmitx tx-status hold");
    corvand.send("app.cec.osd_name");
    ASSERT_TRUE(apptest::eventually([&] { return cectest::sentFrames(sim).size() >= 4; })) << corvand.output();
    ASSERT_TRUE(ask("app.cec.sdl all", "\n"));

    // Asked until the pool shows every event free again (the time-out's own timing is checked in
    // the pool's tests, where the pool is read without the console's delay).
    bool allFree = false;
    for (int i = 0; i < 300 && !allFree; ++i) {
        const size_t from = corvand.output().size();
        corvand.send("app.cec.get_lr");
        ASSERT_TRUE(corvand.waitFor("free event number: ", from)) << corvand.output();
        allFree = corvand.output().find("free event number: 128", from) != std::string::npos;
        if (allFree) {
            EXPECT_NE(std::string::npos, corvand.output().find("occupy event number: 0", from));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ASSERT_TRUE(allFree) << corvand.output();

    const auto sent = cectest::sentFrames(sim);
    ASSERT_EQ(4u, sent.size());
    EXPECT_NE(0u, sent[0].tag);
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[0].tag, sent[i].tag);
        EXPECT_EQ("05 00 46 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
                  cectest::frameText(sent[i].frame));
        if (i > 0) {
            const double gap = sent[i].time - sent[i - 1].time;
            EXPECT_GE(gap, 1.75) << i;
            EXPECT_LE(gap, 2.8) << i;
        }
    }
    EXPECT_NE(std::string::npos, sim.ctl("log cec").find("tx 05 00 46 00"));
}

TEST_F(CecCorvandTest, PlayingTheTvInputAnnouncesSystemAudioAndTheConsoleSwitchesInputs)
{
    ProgramRunner& corvand = start();
    const auto sentOnce = [&](const std::string& text) {
        return apptest::eventually([&] {
            const auto sent = cectest::sentFrames(sim);
            return std::any_of(sent.begin(), sent.end(), [&](const cectest::Sent& s) {
                return cectest::frameText(s.frame) == text;
            });
        });
    };
    // The S/PDIF input asks for system audio mode when the TV's input plays.
    corvand.send("app.sm.request_play 9");
    EXPECT_TRUE(sentOnce(cectest::frame(15, 0x72, {0x01}))) << corvand.output();

    // RX0 is active after the start: only RX1 is switched to, then RX0 again.
    for (const char* command : {"4", "5", "4"}) {
        corvand.send(std::string("app.cec.send_message ") + command);
    }
    corvand.send("app.cec.send_message 3");
    EXPECT_TRUE(sentOnce(cectest::frame(0, 0xC5))) << corvand.output();
    std::string switched;
    for (const auto& r : cectest::requests(sim, {"SWITCH_RX"})) {
        switched += r.name;
    }
    EXPECT_EQ("SWITCH_RXSWITCH_RX", switched);
    EXPECT_EQ("00\n", sim.ctl("hdmitx last SWITCH_RX"));
}

TEST_F(CecCorvandTest, AnAbsentTransmitterFailsEachRequestButNotTheStart)
{
    sim.ctl("hdmitx missing on");
    ProgramRunner& corvand = start();
    EXPECT_NE(std::string::npos, corvand.output().find("<corvand>13.cec Init Successful\n"));
    EXPECT_NE(std::string::npos, corvand.output().find("open cec device fail"));
    EXPECT_FALSE(sandbox.exists("/tmp/corvand_setup_fail.txt"));

    EXPECT_TRUE(ask("app.cec.osd_name", "cecCtrlSendMessage return err: ret=-4")) << corvand.output();
    EXPECT_TRUE(ask("app.cec.sdl all", "\n"));
    EXPECT_TRUE(ask("app.cec.get_lr", "free event number: 128")) << corvand.output();
}

}  // namespace
