// A volume key heard end to end: the board simulator, pellant and corvand run as programs; a key
// of the remote control goes through key input, the volume widget, the wrapper table's fan-out, the
// amplifiers' registers, pellant's streams and the front display.
#include "main/gui/wrapper/wrapper_amp_tables.h"
#include "tests/main/program_runner.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using sbtest::ProgramRunner;

class VolumeCorvandTest : public sbtest::SimTest {
protected:
    std::string coeff(int addr) const
    {
        std::string out;
        for (int reg = 0x7C; reg < 0x84; ++reg) {
            char line[64];
            std::snprintf(line, sizeof(line), "i2c get 3 0x%02x 4 0x%02x", addr, reg);
            out += sim.ctl(line).substr(2, 2);
        }
        return out;
    }
    static std::string entry(const uint8_t e[4])
    {
        char text[24];
        std::snprintf(text, sizeof(text), "%02x%02x%02x%02x%02x%02x%02x%02x", e[0], e[1], e[2], e[3], e[0], e[1], e[2],
                      e[3]);
        return text;
    }
    // Whether pellant received `seq` in a row since line `from`.
    bool idsInclude(size_t from, const std::vector<int>& seq) const
    {
        const std::vector<int> ids = idsFrom(from);
        return std::search(ids.begin(), ids.end(), seq.begin(), seq.end()) != ids.end();
    }
    std::vector<int> idsFrom(size_t from) const
    {
        std::vector<int> ids;
        const auto all = pellanttest::lines(sandbox.read(pellanttest::kPellantOut));
        for (size_t i = from; i < all.size(); ++i) {
            const auto at = all[i].find(":func_id=");
            if (at != std::string::npos) {
                ids.push_back(std::stoi(all[i].substr(at + 9)));
            }
        }
        return ids;
    }
    size_t pellantLines() const { return pellanttest::lines(sandbox.read(pellanttest::kPellantOut)).size(); }
    bool streams(const std::string& gain) const
    {
        const auto state = pellanttest::vesk2State(sandbox);
        return pellanttest::contains(state, "vesk_set_stream_vol_ext 0 " + gain) &&
               pellanttest::contains(state, "vesk_set_stream_vol_ext 1 " + gain);
    }
    // A click of the remote's key by its name, as a person presses it, repeated until the GUI
    // manager reports `evt`: the remote's first keys may come before key input has opened it.
    bool click(ProgramRunner& corvand, const std::string& key, const std::string& evt)
    {
        for (int i = 0; i < 100; ++i) {
            const size_t from = corvand.output().size();
            sim.ctl("input key KVX_Remote_Controller " + key + " click");
            if (corvand.waitFor("<GUI>evt = " + evt, from, std::chrono::milliseconds(300))) {
                return true;
            }
        }
        return false;
    }
    // The remote added and the soundbar powered on from its first idle.
    bool powerOn(ProgramRunner& corvand)
    {
        if (!corvand.waitFor("<GUI>Power Idle!")) {
            return false;
        }
        sim.ctl("input add KVX_Remote_Controller");
        return click(corvand, "power", "0x1000") && corvand.waitFor("<GUI>sys_evt = 0x8000");
    }
    bool displayShows(const std::string& text) const
    {
        return pellanttest::waitFor(
            [&] { return sandbox.read("/sim/display.log").find("\"" + text) != std::string::npos; });
    }
    // The store item `item` read through the console answers `value`.
    static bool storeReads(ProgramRunner& corvand, int item, const std::string& value)
    {
        const size_t asked = corvand.output().size();
        corvand.send("app.acfg.get " + std::to_string(item));
        return corvand.waitFor("INT: " + value, asked);
    }
};

TEST_F(VolumeCorvandTest, AVolumeKeyReachesTheDisplayTheAmplifiersAndTheAudioServer)
{
    auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox));
    ProgramRunner corvand("main/corvand");
    // Before power on the display's first dimmer level goes to the NAND's boot record: dirty 1,
    // volume 0 and dimmer 3 as little-endian words at the start of "custom".
    EXPECT_TRUE(pellanttest::waitFor([&] {
        return sandbox.read("/sim/mtd/custom.bin").compare(0, 12, std::string("\1\0\0\0\0\0\0\0\3\0\0\0", 12)) == 0;
    }));
    ASSERT_TRUE(powerOn(corvand)) << corvand.output();

    const std::string lrsBefore = coeff(0x2C);
    size_t from = pellantLines();
    ASSERT_TRUE(click(corvand, "volup", "0x103d")) << corvand.output();
    ASSERT_TRUE(pellanttest::waitFor([&] {
        return idsInclude(from, {20, 0, 0});
    })) << ::testing::PrintToString(idsFrom(from));
    EXPECT_TRUE(pellanttest::waitFor([&] { return streams("100000"); }));
    EXPECT_EQ(coeff(0x2D), entry(gGuiWrapperAmpAcm8625SLrVolTab[51]));
    EXPECT_EQ(coeff(0x2E), entry(gGuiWrapperAmpAcm8625SCenterVolTab[51]));
    // The front surround amplifier takes its gain from the 5.8 GHz link: 14 dB at volume 51 with the
    // surround at level 6 (0 dB); the wireless surround gets 9 dB. The module was powered on, and
    // its status poll runs once the source's home text is shown.
    EXPECT_TRUE(pellanttest::waitFor([&] { return coeff(0x2C) == "0281850802818508"; })) << lrsBefore;
    const std::string i2c = sim.ctl("log i2c");
    for (const char* want : {"bus 3 addr 0x63 W 14 60 02 00 00 00 00 01", "bus 3 addr 0x63 W 14 60 09 01 68 c0 c6 01"}) {
        EXPECT_NE(std::string::npos, i2c.find(want)) << want;
    }
    EXPECT_TRUE(pellanttest::waitFor([&] {
        return sim.ctl("log i2c").find("bus 3 addr 0x63 W 14 60 99 00 00 00 00 01") != std::string::npos;
    }));
    EXPECT_TRUE(pellanttest::waitFor([&] {
        return sandbox.read("/sim/display.log").find("\"  51 \"") != std::string::npos;
    })) << sandbox.read("/sim/display.log");
    // The new volume reaches the NAND's boot record (u32 at offset 4 of "custom") a moment later.
    EXPECT_TRUE(pellanttest::waitFor([&] {
        const std::string rec = sandbox.read("/sim/mtd/custom.bin");
        return rec.size() > 8 && rec.compare(4, 4, std::string("\x33\0\0\0", 4)) == 0;
    }));

    // Mute: "MUTE", both streams closed; a press up unmutes at 52.
    from = pellantLines();
    ASSERT_TRUE(click(corvand, "mute", "0x103b")) << corvand.output();
    ASSERT_TRUE(pellanttest::waitFor([&] { return idsInclude(from, {0, 0}); }));
    EXPECT_TRUE(pellanttest::waitFor([&] { return streams("0"); }));
    EXPECT_TRUE(
        pellanttest::waitFor([&] { return sandbox.read("/sim/display.log").find("\"MUTE \"") != std::string::npos; }));

    ASSERT_TRUE(click(corvand, "volup", "0x103d")) << corvand.output();
    EXPECT_TRUE(pellanttest::waitFor(
        [&] { return streams("100000") && coeff(0x2D) == entry(gGuiWrapperAmpAcm8625SLrVolTab[52]); }));
    EXPECT_TRUE(
        pellanttest::waitFor([&] { return sandbox.read("/sim/display.log").find("\"  52 \"") != std::string::npos; }));

    corvand.signal(SIGTERM);
    corvand.wait();
}

// The tone controls by their keys: bass up shows the new level, reaches the audio server and the
// store; at the top it only shows; the upmix switch scrolls its state and reaches the server.
TEST_F(VolumeCorvandTest, ToneControlKeysShowStoreAndSendTheirLevel)
{
    auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox));
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(powerOn(corvand)) << corvand.output();

    size_t from = pellantLines();
    ASSERT_TRUE(click(corvand, "bass+", "0x1043")) << corvand.output();
    EXPECT_TRUE(displayShows("BS+1 \"")) << sandbox.read("/sim/display.log");
    EXPECT_TRUE(pellanttest::waitFor([&] { return idsInclude(from, {20}); })) << ::testing::PrintToString(idsFrom(from));
    EXPECT_TRUE(storeReads(corvand, 16, "7")) << corvand.output();

    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(click(corvand, "bass+", "0x1043")) << corvand.output();
    }
    EXPECT_TRUE(displayShows("BS+6 \"")) << sandbox.read("/sim/display.log");
    corvand.signal(SIGTERM);
    corvand.wait();
}

// The sound-mode keys: music from the default movie mode shows its name, reaches the audio server
// behind a muted window and the store; night mode brings its own volume.
TEST_F(VolumeCorvandTest, SoundModeKeysSwitchTheEqAndNightModeItsVolume)
{
    auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox));
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(powerOn(corvand)) << corvand.output();

    size_t from = pellantLines();
    ASSERT_TRUE(click(corvand, "music", "0x1025")) << corvand.output();
    EXPECT_TRUE(displayShows("MUSC")) << sandbox.read("/sim/display.log");
    EXPECT_TRUE(pellanttest::waitFor([&] { return idsInclude(from, {18}); })) << ::testing::PrintToString(idsFrom(from));
    EXPECT_TRUE(storeReads(corvand, 15, "0")) << corvand.output();

    ASSERT_TRUE(click(corvand, "night", "0x102a")) << corvand.output();
    EXPECT_TRUE(displayShows("NIGT")) << sandbox.read("/sim/display.log");
    EXPECT_TRUE(pellanttest::waitFor([&] { return coeff(0x2D) == entry(gGuiWrapperAmpAcm8625SLrVolTab[20]); }));
    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace

