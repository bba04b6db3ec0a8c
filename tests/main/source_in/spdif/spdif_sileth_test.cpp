// pb_spdif_in and the real sileth on their shared queue, in a root with a board simulator: the
// order of the system-audio order, the two input selections and the daemon's PLAY, the daemon's
// answers reaching the state manager and the GUI, and a switch to the optical input.
#include "main/source_in/spdif/pb_spdif_in.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/source_in/spdif/spdif_test_support.h"
#include "tests/sileth/sileth_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace spdiftest;

class SpdifSilethTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        // A locked 48 kHz PCM stream on both the eARC receiver and the optical input.
        sim.ctl("hdmitx words GET_EARC_AUDIO_INFO 1 0 0 2 48000 0 0 0");
        sim.ctl("actl set Spdif_In_Info 48000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0");
        sileth_ = std::make_unique<silethtest::SilethProcess>(sandbox);
        ASSERT_TRUE(sileth_->waitStarted()) << sileth_->output();
        registerApps();
        ASSERT_EQ(u_amb_sync_start_app(SPDIF_IN_APP_NAME), 0);
    }

    void TearDown() override
    {
        EXPECT_EQ(u_amb_sync_exit_app(SPDIF_IN_APP_NAME), 0);
        stopApps();
        sileth_.reset();
    }

    // The HDMI transmitter's requests by name, in order ("SET_INPUT_MODE 0,0,0,1,0" for selections).
    std::vector<std::string> hdmiRequests() const
    {
        std::vector<std::string> requests;
        std::istringstream log(sandbox.read("/sim/hdmitx.log"));
        for (std::string line; std::getline(log, line);) {
            std::istringstream words(line);
            std::string stamp;
            std::string name;
            words >> stamp >> name;
            const size_t at = line.find("words ");
            requests.push_back(name == "SET_INPUT_MODE" && at != std::string::npos ? name + " " + line.substr(at + 6)
                                                                                   : name);
        }
        return requests;
    }

    size_t plays() const { return silethtest::occurrences(sileth_->output(), "prSileth->u4State = GST_STARTED"); }

    std::unique_ptr<silethtest::SilethProcess> sileth_;
};

TEST_F(SpdifSilethTest, ArcPlaysThroughTheDaemonAndTheOpticalInputTakesOver)
{
    console("app.sm.request_play 9");
    ASSERT_TRUE(cecApp().waitMessages(1));
    EXPECT_EQ(cecApp().messages()[0].msgId, E_APP_PRI_ALSA_PB_MSG);
    EXPECT_EQ(wordOf(cecApp().messages()[0]), 0u);
    ASSERT_TRUE(smSees(SM_SOURCE_ARC_IN, SM_PLAY_STATUS_PLAY)) << sileth_->output();
    // The daemon's output and the simulator's log come through pipes and files of their own, which
    // may lag behind the state manager.
    EXPECT_TRUE(eventually([&] { return plays() == 1u; })) << sileth_->output();
    // corvand's selection comes first; the daemon selects the same port again once PLAY reached it,
    // and then reads the eARC receiver, the port of source type 1.
    ASSERT_TRUE(eventually([&] { return hdmiRequests().size() >= 3u; })) << sandbox.read("/sim/hdmitx.log");
    const std::vector<std::string> requests = hdmiRequests();
    EXPECT_EQ(requests[0], "SET_INPUT_MODE 0,0,0,1,0");
    EXPECT_EQ(requests[1], "SET_INPUT_MODE 0,0,0,1,0");
    EXPECT_EQ(requests[2], "GET_EARC_AUDIO_INFO");
    EXPECT_NE(console("app.sm.show_source").find("source:[9] status:[1]"), std::string::npos);
    EXPECT_TRUE(guiGets(0x8004));
    EXPECT_TRUE(wrapperGets(sandbox, "guiWrapperMusicDecoderFmtSet 1 0 0 0 2"));

    // The optical input chosen: the daemon stops, system audio goes off, and after the walk the
    // daemon plays the optical port.
    console("app.sm.request_play 8");
    ASSERT_TRUE(cecApp().waitMessages(2));
    EXPECT_EQ(wordOf(cecApp().messages()[1]), 0x00010000u);
    ASSERT_TRUE(smSees(SM_SOURCE_SPDIF_IN, SM_PLAY_STATUS_PLAY)) << sileth_->output();
    EXPECT_TRUE(eventually([&] { return plays() == 2u; })) << sileth_->output();
    ASSERT_TRUE(eventually([&] { return inputModes(sandbox).size() >= 4u; })) << sandbox.read("/sim/hdmitx.log");
    const std::vector<std::string> modes = inputModes(sandbox);
    EXPECT_EQ(modes[2], "4,0,0,1,0");
    EXPECT_EQ(cecApp().messages().size(), 2u);
}

}  // namespace
