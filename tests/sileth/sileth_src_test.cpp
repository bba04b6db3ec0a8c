// The input side against a board simulator: port selection on the driver and the port control,
// stream information from the driver and the receiver's controls, and the change callback.
#include "sileth/sileth_src.h"

#include "tests/sileth/sileth_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using silethtest::wordsHex;

std::atomic<int> gChanges{0};

void onChange(int)
{
    ++gChanges;
}

class SilethSrcTest : public sbtest::SimTest {
protected:
    SilethSrcTest()
    {
        gChanges = 0;
        vSilethSrcRegCallback(onChange);
        EXPECT_EQ(0, i4SilethSrcInit());
    }
    ~SilethSrcTest() override { i4SilethSrcExit(); }

    SourceInfo infoOf(uint32_t port) const
    {
        i4SilethSrcPlay(port);
        SourceInfo info;
        vSilethSrcGetInfo(&info);
        return info;
    }
    // A Spdif_In_Info of `rate` with the given channel-status word [13] and word [19].
    void spdif(int rate, int cbit = 0, int word19 = 0) const
    {
        std::string line = "actl set Spdif_In_Info " + std::to_string(rate);
        for (int i = 1; i < 20; ++i) {
            line += " " + std::to_string(i == 13 ? cbit : i == 19 ? word19 : 0);
        }
        sim.ctl(line);
    }
};

TEST_F(SilethSrcTest, PlaySelectsEachPortOnTheDriverAndThePortControl)
{
    struct Case {
        uint32_t port;
        std::string words;
        const char* portSelect;
    };
    const Case cases[] = {
        {SPDIF_SRC, wordsHex({4, 0, 1, 1, 0}), "1\n"},    {ARC_SRC, wordsHex({0, 0, 0, 1, 0}), "7\n"},
        {HDMI_RX0_SRC, wordsHex({1, 0, 1, 1, 0}), "0\n"}, {EARC_SRC, wordsHex({0, 0, 0, 1, 0}), "7\n"},
        {BT_IN_SRC, wordsHex({3, 0, 1, 1, 0}), "7\n"},    {AUX_IN_SRC, wordsHex({2, 0, 1, 1, 0}), "7\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        sim.ctl("actl set Spdif_In_Port_Select 7");  // untouched ports keep it
        EXPECT_EQ(0, i4SilethSrcPlay(c.port));
        EXPECT_EQ(c.words, sim.ctl("hdmitx last SET_INPUT_MODE"));
        EXPECT_EQ(c.portSelect, sim.ctl("actl get Spdif_In_Port_Select"));
        EXPECT_EQ(c.port, u4SilethSrcPort());
    }
    // No port: no request at all.
    const auto requests = [this] { return silethtest::occurrences(sim.ctl("log hdmitx"), "SET_INPUT_MODE"); };
    const int before = requests();
    i4SilethSrcPlay(NONE_SRC);
    EXPECT_EQ(before, requests());
    EXPECT_EQ(NONE_SRC, u4SilethSrcPort());
    // A failing request is logged and the selection still reports success.
    sim.ctl("hdmitx fail SET_INPUT_MODE 1");
    EXPECT_EQ(0, i4SilethSrcPlay(SPDIF_SRC));
}

TEST_F(SilethSrcTest, StopDeselectsTheSpdifPortForSpdifArcAndNone)
{
    for (uint32_t port : {SPDIF_SRC, ARC_SRC, HDMI_RX0_SRC}) {
        SCOPED_TRACE(port);
        i4SilethSrcPlay(port);
        sim.ctl("actl set Spdif_In_Port_Select 7");
        i4SilethSrcStop();
        EXPECT_EQ(port == HDMI_RX0_SRC ? "7\n" : "0\n", sim.ctl("actl get Spdif_In_Port_Select"));
        EXPECT_EQ(NONE_SRC, u4SilethSrcPort());
    }
}

TEST_F(SilethSrcTest, HdmiInputPcmLayoutsFollowTheChannelAllocation)
{
    struct Case {
        int ca;
        int channels;
        const char* map;
    };
    const Case cases[] = {
        {0, 2, "lr"},
        {8, 2, "lr"},
        {1, 3, "lr:lfe"},
        {2, 3, "lr:c"},
        {4, 3, "lr:c"},
        {3, 4, "lr:lfe:c"},
        {11, 6, "lr:lfe:c:lrs"},
        {19, 8, "lr:lfe:c:lrs:lrrs"},
        {43, 8, "lr:lfe:c:lrs:lrrs"},
        {49, 8, "lr:lfe:c:lrs:lrtf"},
        {50, 5, "lr"},
        {0x10B, 6, "lr:lfe:c:lrs"},  // only the low byte counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ca);
        sim.ctl("hdmitx words GET_RX_AUDIO_INFO 0 5 88200 0 0 " + std::to_string(c.ca));
        const SourceInfo info = infoOf(HDMI_RX0_SRC);
        EXPECT_EQ(1, info.fgHwLock);
        EXPECT_EQ(88200, info.iSrcRate);
        EXPECT_EQ(0u, info.iSrcStreamType);
        EXPECT_EQ(c.channels, info.iSrcRxChannel);
        EXPECT_EQ(c.channels, info.iSrcTxChannel);
        EXPECT_STREQ(c.map, info.pcmChMap);
    }
    // An unlocked rate is reported as it is, without a layout.
    sim.ctl("hdmitx words GET_RX_AUDIO_INFO 0 2 64000 0 0 11");
    const SourceInfo unlocked = infoOf(HDMI_RX0_SRC);
    EXPECT_EQ(0, unlocked.fgHwLock);
    EXPECT_EQ(64000, unlocked.iSrcRate);
    EXPECT_STREQ("", unlocked.pcmChMap);
}

TEST_F(SilethSrcTest, FailedDriverReadKeepsTheOldFacts)
{
    sim.ctl("hdmitx fail GET_RX_AUDIO_INFO 1");
    SourceInfo info;
    info.iSrcRate = 12345;
    i4SilethSrcPlay(HDMI_RX0_SRC);
    vSilethSrcGetInfo(&info);
    EXPECT_EQ(12345, info.iSrcRate);
    // The none port reads nothing.
    i4SilethSrcStop();
    vSilethSrcGetInfo(&info);
    EXPECT_EQ(12345, info.iSrcRate);
}

TEST_F(SilethSrcTest, SpdifStreamTypeFromTheChannelStatusOrTheParser)
{
    struct Case {
        int rate;
        int cbit;
        int word19;
        uint8_t lock;
        uint32_t streamType;
    };
    const Case cases[] = {
        {48000, 0, 0, 1, 0},        // PCM
        {48000, 2, 0, 1, 1},        // the non-PCM flag
        {44100, 0, 2 << 16, 1, 2},  // the parser's type
        {64000, 2, 0, 0, 0},        // no lock: no stream type
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        spdif(c.rate, c.cbit, c.word19);
        const SourceInfo info = infoOf(SPDIF_SRC);
        EXPECT_EQ(c.lock, info.fgHwLock);
        EXPECT_EQ(c.rate, info.iSrcRate);
        EXPECT_EQ(c.streamType, info.iSrcStreamType);
        EXPECT_EQ(2, info.iSrcRxChannel);
        EXPECT_STREQ("lr", info.pcmChMap);
    }
}

TEST_F(SilethSrcTest, EarcReceiverInArcModeReportsTheSpdifFacts)
{
    spdif(48000);
    sim.ctl("hdmitx words GET_EARC_AUDIO_INFO 0 0 0 8 192000 0 0 19");
    const SourceInfo arc = infoOf(ARC_SRC);
    EXPECT_EQ("3\n", sim.ctl("actl get Spdif_In_Port_Select"));
    EXPECT_EQ(0, arc.u4EarcMode);
    EXPECT_EQ(48000, arc.iSrcRate);
    EXPECT_EQ(2, arc.iSrcRxChannel);

    sim.ctl("hdmitx words GET_EARC_AUDIO_INFO 1 0 0 8 192000 0 0 19");
    const SourceInfo earc = infoOf(EARC_SRC);
    EXPECT_EQ("0\n", sim.ctl("actl get Spdif_In_Port_Select"));
    EXPECT_EQ(1, earc.u4EarcMode);
    EXPECT_EQ(1, earc.fgHwLock);
    EXPECT_EQ(192000, earc.iSrcRate);
    EXPECT_EQ(8, earc.iSrcTxChannel);
    EXPECT_STREQ("lr:lfe:c:lrs:lrrs", earc.pcmChMap);
}

TEST_F(SilethSrcTest, ReceiverChangesCallBackAndMultiInputForcesDts)
{
    spdif(48000);
    ASSERT_TRUE(silethtest::waitFor([] { return gChanges.load() >= 1; }));

    sim.ctl("hdmitx words GET_RX_AUDIO_INFO 1 2 48000 0 0 0");
    const int before = gChanges.load();
    sim.ctl("actl set Multi_In_Info 2 0 0");
    ASSERT_TRUE(silethtest::waitFor([&] { return gChanges.load() > before; }));
    EXPECT_EQ(3u, infoOf(HDMI_RX0_SRC).iSrcStreamType);
    EXPECT_EQ(3u, infoOf(SPDIF_SRC).iSrcStreamType);

    const int forced = gChanges.load();
    sim.ctl("actl set Multi_In_Info 0 0 0");
    ASSERT_TRUE(silethtest::waitFor([&] { return gChanges.load() > forced; }));
    EXPECT_EQ(1u, infoOf(HDMI_RX0_SRC).iSrcStreamType);
}

}  // namespace
