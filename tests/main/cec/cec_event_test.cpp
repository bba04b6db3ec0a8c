// The driver's events inside the running `cec` application, posted as the device manager posts
// them: the TV link's plug-in set-up against the simulated transmitter, the HDMI inputs' plug and
// lock events, and the volume, mute and standby the driver decides itself.
#include "main/acfg/acfg_accessor.h"
#include "main/cec/cec_addr.h"
#include "main/cec/cec_drv_event.h"
#include "main/cec/cec_state.h"
#include "tests/main/cec/cec_fixture.h"
#include "tests/support/app_support.h"

#include <gtest/gtest.h>

namespace {

using Frames = std::vector<std::string>;

using cectest::frame;
using cectest::requests;

const std::string kPoll = frame(5, 0xFFFF);

class CecEventTest : public cectest::CecAppTest {
protected:
    void SetUp() override
    {
        cectest::CecAppTest::SetUp();
        // The records are the application's, kept across tests: each test starts from the start's.
        gTVInfo.ui2StreamPath = 0;
        gPlatformInfo.ui1FakePlugIn = 0;
        gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_0;
        gPlatformInfo.ui4ActiveTx = CEC_TX_PORT_0;
        gHDMITXInfo[0].physicalAddr = 0;
        gHDMITXInfo[0].logicalAddr = CEC_LA_AUDIO_SYSTEM;
        for (CecHdmiRxInfo& rx : gHDMIRxInfo) {
            rx.physicalAddr = 0;
            rx.logicalAddr = 0;
            rx.mask = 0;
            rx.sourceLock = 0;
        }
        gIsCecSendReq = 0;
        ASSERT_EQ(0, uAcfgSetVolume(40, 0));
        ASSERT_EQ(0, uAcfgSetMute(0));
    }

    void scriptTv() const
    {
        sim.ctl("hdmitx words GET_TX_PA 0x1000");
        sim.ctl("hdmitx words GET_RX_PA 0x1100 0x1200");
        sim.ctl("hdmitx set GET_RX_STS 01 00 00");
        sim.ctl("hdmitx set GET_TX_INFO 01 00 00");
    }

    size_t count(const std::string& name) const { return requests(sim, {name}).size(); }

};

TEST_F(CecEventTest, TvPlugInAnnouncesRoutesAndStartsSystemAudioWithItsPauses)
{
    scriptTv();
    gTVInfo.ui2StreamPath = 0x0000;
    gHDMITXInfo[0].isSupport = 0;
    const Frames expected = {kPoll, frame(15, 0x84, {0x10, 0x00, 0x05}), frame(15, 0x80, {0x00, 0x00, 0x11, 0x00}),
                             frame(15, 0x72, {0x01}), frame(0, 0xC0)};
    EXPECT_EQ(expected, sentForEvent(HDMI_CEC_STATE_PLUG_IN));

    const auto steps = requests(sim, {"GET_TX_PA", "GET_RX_PA", "SETLA", "SET_CECCMD", "GET_RX_STS", "GET_TX_INFO"});
    std::vector<std::string> order;
    for (const auto& r : steps) {
        order.push_back(r.name == "SET_CECCMD" ? r.frame : r.name);
    }
    order.resize(std::min<size_t>(order.size(), 10));  // the fence's answer follows
    EXPECT_EQ((std::vector<std::string>{"GET_TX_PA", "GET_RX_PA", "SETLA", expected[0], expected[1], "GET_RX_STS",
                                        expected[2], "GET_TX_INFO", expected[3], expected[4]}),
              order);
    // The four pauses, as lower bounds: poll to report, routing to the TX read, to system audio, to ARC.
    ASSERT_GE(steps.size(), 10u);
    EXPECT_GE(steps[4].time - steps[3].time, 0.02);
    EXPECT_GE(steps[7].time - steps[6].time, 0.02);
    EXPECT_GE(steps[8].time - steps[7].time, 0.02);
    EXPECT_GE(steps[9].time - steps[8].time, 0.02);

    EXPECT_EQ("00 05 00 00 00 10 00 00\n", sim.ctl("hdmitx last SETLA"));
    EXPECT_EQ(0x1000, gHDMITXInfo[0].physicalAddr.load());
    EXPECT_EQ(1, gHDMITXInfo[0].isSupport.load());
    const struct {
        uint16_t address;
        uint16_t mask;
    } inputs[] = {{0x1100, 0xFF00}, {0x1200, 0xFF00}};
    for (uint32_t port = 0; port < CEC_RX_NUM; ++port) {
        EXPECT_EQ(inputs[port].address, gHDMIRxInfo[port].physicalAddr.load()) << port;
        EXPECT_EQ(inputs[port].mask, gHDMIRxInfo[port].mask.load()) << port;
        EXPECT_EQ(CEC_LA_NONE, gHDMIRxInfo[port].logicalAddr.load()) << port;
    }
}

TEST_F(CecEventTest, TvPlugInGoesOnOrStopsAtEachFailingStep)
{
    const std::string report = frame(15, 0x84, {0x10, 0x00, 0x05});
    const std::string routing = frame(15, 0x80, {0x00, 0x00, 0x11, 0x00});
    const std::string routingRx1 = frame(15, 0x80, {0x00, 0x00, 0x12, 0x00});
    const std::string systemAudio = frame(15, 0x72, {0x01});
    const std::string arc = frame(0, 0xC0);
    const struct {
        const char* script;  // after the TV's scripting
        Frames frames;
        uint16_t own;    // the own physical address afterwards
        uint16_t input;  // RX0's afterwards
    } cases[] = {
        {"", {kPoll, report, routing, systemAudio, arc}, 0x1000, 0x1100},
        // The input-state read stops the set-up after the announcement.
        {"hdmitx fail GET_RX_STS 1", {kPoll, report}, 0x1000, 0x1100},
        // The own address cannot be read: the previous addresses stay and the set-up goes on.
        {"hdmitx fail GET_TX_PA 1", {kPoll, frame(15, 0x84, {0x30, 0x00, 0x05}), frame(15, 0x80, {0x00, 0x00, 0x33, 0x00}),
                                     systemAudio, arc},
         0x3000, 0x3300},
        // The inputs cannot be read: the own address is new, the inputs' are not.
        {"hdmitx fail GET_RX_PA 1", {kPoll, report, frame(15, 0x80, {0x00, 0x00, 0x33, 0x00}), systemAudio, arc},
         0x1000, 0x3300},
        {"hdmitx fail GET_TX_INFO 1", {kPoll, report, routing}, 0x1000, 0x1100},
        {"hdmitx fail SETLA 1", {kPoll, report, routing, systemAudio, arc}, 0x1000, 0x1100},
        // Only RX1 carries a device; none does.
        {"hdmitx set GET_RX_STS 00 01 00", {kPoll, report, routingRx1, systemAudio, arc}, 0x1000, 0x1100},
        {"hdmitx set GET_RX_STS 00 00 01", {kPoll, report, systemAudio, arc}, 0x1000, 0x1100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        scriptTv();
        gHDMITXInfo[0].physicalAddr = 0x3000;
        gHDMIRxInfo[0].physicalAddr = 0x3300;
        if (*c.script != '\0') {
            sim.ctl(c.script);
        }
        EXPECT_EQ(c.frames, sentForEvent(HDMI_CEC_STATE_PLUG_IN));
        EXPECT_EQ(c.own, gHDMITXInfo[0].physicalAddr.load());
        EXPECT_EQ(c.input, gHDMIRxInfo[0].physicalAddr.load());
        EXPECT_EQ(CEC_LA_AUDIO_SYSTEM, gHDMITXInfo[0].logicalAddr.load());
    }
}

TEST_F(CecEventTest, OnePlugInAfterSystemAudioOffIsFake)
{
    scriptTv();
    EXPECT_EQ(Frames{frame(15, 0x72, {0x00})}, answersTo("0 5 0x70"));
    ASSERT_EQ(1, gPlatformInfo.ui1FakePlugIn.load());
    EXPECT_EQ(Frames{}, sentForEvent(HDMI_CEC_STATE_PLUG_IN));
    EXPECT_EQ(0u, count("GET_TX_PA"));
    EXPECT_EQ(0, gPlatformInfo.ui1FakePlugIn.load());
    EXPECT_EQ(5u, sentForEvent(HDMI_CEC_STATE_PLUG_IN).size());
    EXPECT_EQ(1u, count("GET_TX_PA"));
}

TEST_F(CecEventTest, ArcModeAsksTheTvToStartArcAndThePlugOutOnlyLogs)
{
    EXPECT_EQ(Frames{frame(0, 0xC0)}, sentForEvent(HDMI_CEC_STATE_ARC_MODE));
    EXPECT_EQ(Frames{}, sentForEvent(HDMI_CEC_STATE_PLUG_OUT));
    EXPECT_EQ(0u, count("GET_TX_PA") + count("SETLA"));
}

TEST(CecAddr, TheMaskCoversTheBranchDownToTheLowestNonZeroNibble)
{
    const struct {
        uint16_t address;
        uint16_t mask;
    } cases[] = {
        {0x1000, 0xF000}, {0x1100, 0xFF00}, {0x1110, 0xFFF0}, {0x1111, 0xFFFF}, {0x0000, 0xF000},
        {0x0001, 0xFFFF}, {0x2010, 0xFFF0}, {0x0100, 0xFF00}, {0xFFFF, 0xFFFF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.mask, cecRxMask(c.address)) << std::hex << c.address;
    }
}

TEST_F(CecEventTest, InputsPluggedAndLockedBecomeTheActiveOne)
{
    sim.ctl("hdmitx words GET_RX_PA 0x1100 0x1200");
    gTVInfo.ui2StreamPath = 0x3000;

    // RX1 plugged in while RX0 is active: a switch, no routing change.
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX1_CEC_STATE_PLUG_IN));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last SWITCH_RX"));
    EXPECT_EQ(CEC_RX_PORT_1, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(0x1200, gHDMIRxInfo[1].physicalAddr.load());
    EXPECT_EQ(0xFF00, gHDMIRxInfo[1].mask.load());
    EXPECT_EQ(CEC_LA_BROADCAST, gHDMIRxInfo[1].logicalAddr.load());

    // RX0's lock makes it active without telling the driver.
    const size_t switches = count("SWITCH_RX");
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX0_CEC_STATE_SOURCE_LOCK));
    EXPECT_EQ(CEC_RX_PORT_0, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(1u, gHDMIRxInfo[0].sourceLock.load());
    EXPECT_EQ(0u, gHDMIRxInfo[1].sourceLock.load());
    EXPECT_EQ(switches, count("SWITCH_RX"));

    // RX1 unplugged while RX0 is active leaves RX0 active.
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX1_CEC_STATE_PLUG_OUT));
    EXPECT_EQ(CEC_RX_PORT_0, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(0x00FF, gHDMIRxInfo[1].physicalAddr.load());
    EXPECT_EQ(1u, gHDMIRxInfo[0].sourceLock.load());

    // The active RX0 unplugged, then plugged: a switch and a routing change from the stream path.
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX0_CEC_STATE_PLUG_OUT));
    EXPECT_EQ(CEC_RX_PORT_NONE, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(0u, gHDMIRxInfo[0].sourceLock.load());
    EXPECT_EQ(0x00FF, gHDMIRxInfo[0].physicalAddr.load());
    EXPECT_EQ(Frames{frame(15, 0x80, {0x30, 0x00, 0x11, 0x00})}, sentForEvent(HDMIRX0_CEC_STATE_PLUG_IN));
    EXPECT_EQ("00\n", sim.ctl("hdmitx last SWITCH_RX"));
    EXPECT_EQ(CEC_RX_PORT_0, gPlatformInfo.ui4ActiveRx.load());

    // An address that cannot be read, or an invalid one, changes nothing.
    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_NONE;
    sim.ctl("hdmitx fail GET_RX_PA 1");
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX1_CEC_STATE_PLUG_IN));
    sim.ctl("hdmitx words GET_RX_PA 0x1100 0xFFFF");
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX1_CEC_STATE_PLUG_IN));
    EXPECT_EQ(CEC_RX_PORT_NONE, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(0x00FF, gHDMIRxInfo[1].physicalAddr.load());
}

TEST_F(CecEventTest, OnlyTheFirstRx1LockReadsItsAddressAgain)
{
    sim.ctl("hdmitx words GET_RX_PA 0x1100 0x1200");
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX1_CEC_STATE_SOURCE_LOCK));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last SWITCH_RX"));
    EXPECT_EQ(0x1200, gHDMIRxInfo[1].physicalAddr.load());
    EXPECT_EQ(CEC_RX_PORT_1, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(std::make_pair(0u, 1u), std::make_pair(gHDMIRxInfo[0].sourceLock.load(), gHDMIRxInfo[1].sourceLock.load()));

    sim.ctl("hdmitx words GET_RX_PA 0x1100 0x1300");
    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_0;
    EXPECT_EQ(Frames{}, sentForEvent(HDMIRX1_CEC_STATE_SOURCE_LOCK));
    EXPECT_EQ(1u, count("GET_RX_PA"));
    EXPECT_EQ(1u, count("SWITCH_RX"));
    EXPECT_EQ(0x1200, gHDMIRxInfo[1].physicalAddr.load());
    EXPECT_EQ(CEC_RX_PORT_1, gPlatformInfo.ui4ActiveRx.load());
}

TEST_F(CecEventTest, DriverVolumeAndMuteWhateverTheSource)
{
    const struct {
        uint32_t state;
        uint8_t volume;
        uint8_t muted;
        uint8_t volumeAfter;
        uint8_t mutedAfter;
    } cases[] = {
        {HDMI_CEC_STATE_VOL_UP, 40, 1, 46, 0},
        {HDMI_CEC_STATE_VOL_UP, 97, 1, 100, 0},
        {HDMI_CEC_STATE_VOL_UP, 100, 0, 100, 0},
        {HDMI_CEC_STATE_VOL_DOWN, 12, 1, 6, 0},
        // Unlike the TV's key, the driver's step ends at 0 below 6.
        {HDMI_CEC_STATE_VOL_DOWN, 11, 0, 0, 0},
        {HDMI_CEC_STATE_VOL_DOWN, 3, 0, 0, 0},
        {HDMI_CEC_STATE_VOL_DOWN, 0, 0, 0, 0},
        {HDMI_CEC_STATE_VOL_MUTE, 40, 0, 40, 1},
        {HDMI_CEC_STATE_VOL_UNMUTE, 40, 1, 40, 0},
        {11, 40, 1, 40, 1},
        {100, 40, 1, 40, 1},
        {106, 40, 1, 40, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "state " << c.state << " at " << int{c.volume});
        ASSERT_EQ(0, uAcfgSetVolume(c.volume, 0));
        ASSERT_EQ(0, uAcfgSetMute(c.muted));
        EXPECT_EQ(Frames{}, sentForEvent(c.state));
        EXPECT_EQ(c.volumeAfter, cectest::storedVolume());
        EXPECT_EQ(c.mutedAfter, cectest::storedMute());
    }
    EXPECT_EQ(0u, count("SWITCH_RX") + count("GET_RX_PA") + count("GET_TX_PA"));
}

}  // namespace
