// The NAND records against the board simulator's MTD partitions ("misc" is mtd0, "custom" mtd1,
// four erase blocks of 128 KiB each).
#include "main/gui/wrapper/wrapper_nand.h"

#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

using ::testing::HasSubstr;

namespace {

constexpr size_t kBlock = 0x20000;

class NandTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        guiWrapperNandInit();
    }
    void TearDown() override { guiWrapperNandExit(); }

    // Primes the cache as a power on with this volume and dimmer level does.
    static void powerOn(uint32_t vol, uint32_t dimmer)
    {
        GuiWrapperSetting s{};
        s.vol = static_cast<uint8_t>(vol);
        s.lcd_dimmer_lvl = dimmer;
        guiWrapperNandPowerOn(&s);
    }

    std::string mtdLog() const { return sandbox.exists("/sim/mtd.log") ? sandbox.read("/sim/mtd.log") : ""; }
    void clearMtdLog() const { sandbox.write("/sim/mtd.log", ""); }

    // One erase block of a partition's backing file.
    std::string block(const char* part, size_t index) const
    {
        return sandbox.read(std::string("/sim/mtd/") + part + ".bin").substr(index * kBlock, kBlock);
    }

    static uint32_t word(const std::string& b, size_t offset)
    {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) {
            v |= static_cast<uint32_t>(static_cast<uint8_t>(b[offset + i])) << (8 * i);
        }
        return v;
    }
};

TEST_F(NandTest, AFieldIsWrittenOnlyWhenItChangesAndThenTheWholeBlockIsRewritten)
{
    powerOn(50, 3);
    clearMtdLog();
    // The same volume with another dirty word is no change.
    uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS] = {1, 50, 3};
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_VOLUME, rec);
    EXPECT_EQ("", mtdLog());

    rec[1] = 51;
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_VOLUME, rec);
    const std::string log = mtdLog();
    EXPECT_THAT(log, HasSubstr("custom erase 131072 bytes at 0"));
    EXPECT_THAT(log, HasSubstr("custom write 131072 bytes at 0"));
    std::string b = block("custom", 0);
    EXPECT_EQ(1u, word(b, 0));
    EXPECT_EQ(51u, word(b, 4));
    EXPECT_EQ(3u, word(b, 8));
    EXPECT_EQ(std::string(kBlock - GUI_WRAPPER_NAND_REC_SIZE, '\0'), b.substr(GUI_WRAPPER_NAND_REC_SIZE));

    // A name change writes the whole record, volume and dimmer level as cached.
    std::array<uint32_t, GUI_WRAPPER_NAND_REC_WORDS> named{};
    std::memcpy(reinterpret_cast<uint8_t*>(named.data()) + GUI_WRAPPER_NAND_CEC_NAME_OFFSET, "Living Room 14", 14);
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_CEC_NAME, named.data());
    b = block("custom", 0);
    EXPECT_EQ(0u, word(b, 0));
    EXPECT_EQ(51u, word(b, 4));
    EXPECT_EQ(3u, word(b, 8));
    EXPECT_EQ("Living Room 14", b.substr(GUI_WRAPPER_NAND_CEC_NAME_OFFSET, 14));
    EXPECT_EQ(std::string(2, '\0'), b.substr(26, 2));

    // Refused items write nothing.
    clearMtdLog();
    rec[2] = 9;
    guiWrapperNandParamSet(3, rec);
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_DIMMER, nullptr);
    EXPECT_EQ("", mtdLog());
}

TEST_F(NandTest, PowerOffWritesOnlyWhatChangedSincePowerOn)
{
    powerOn(40, 2);
    clearMtdLog();
    GuiWrapperSetting s{};
    s.vol = 40;
    s.lcd_dimmer_lvl = 2;
    guiWrapperNandPowerOff(&s);
    EXPECT_EQ("", mtdLog());

    s.vol = 41;
    s.lcd_dimmer_lvl = 1;
    guiWrapperNandPowerOff(&s);
    const std::string b = block("custom", 0);
    EXPECT_EQ(1u, word(b, 0));
    EXPECT_EQ(41u, word(b, 4));
    EXPECT_EQ(1u, word(b, 8));
}

TEST_F(NandTest, PartitionNamesMatchIgnoringCase)
{
    sim.ctl("mtd add CUSTOM2 0x40000 0x20000 0x800");
    struct Case {
        const char* name;
        int32_t number;
    };
    for (const Case& c : {Case{"misc", 0}, Case{"CUSTOM", 1}, Case{"custom2", 2}, Case{"cust", -1}}) {
        EXPECT_EQ(c.number, guiWrapperNandPartNumGet(c.name)) << c.name;
    }
}

TEST_F(NandTest, BadBlocksAreSkippedByTheRecordAndTheFlags)
{
    sim.ctl("mtd bad custom 0");
    sim.ctl("mtd bad misc 0");
    sim.ctl("mtd bad misc 1");
    powerOn(10, 1);
    uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS] = {1, 11, 1};
    guiWrapperNandParamSet(GUI_WRAPPER_NAND_ITEM_VOLUME, rec);
    EXPECT_EQ(11u, word(block("custom", 1), 4));
    EXPECT_EQ(std::string(kBlock, '\xff'), block("custom", 0));

    std::array<uint8_t, GUI_WRAPPER_NAND_UPG_FLAG_SIZE> flags{};
    std::iota(flags.begin(), flags.end(), uint8_t{1});
    ASSERT_EQ(0, guiWrapperNandUpgFlagSet(flags.data()));
    EXPECT_EQ(std::string(flags.begin(), flags.end()), block("misc", 2).substr(0, flags.size()));
    std::array<uint8_t, GUI_WRAPPER_NAND_UPG_FLAG_SIZE> back{};
    ASSERT_EQ(0, guiWrapperNandUpgFlagGet(back.data()));
    EXPECT_EQ(flags, back);
}

TEST_F(NandTest, WithoutAGoodBlockTheFlagsFailAndTheBufferIsKept)
{
    for (int b = 0; b < 4; ++b) {
        sim.ctl("mtd bad misc " + std::to_string(b));
    }
    clearMtdLog();
    std::array<uint8_t, GUI_WRAPPER_NAND_UPG_FLAG_SIZE> flags;
    flags.fill(0x5A);
    EXPECT_EQ(-1, guiWrapperNandUpgFlagGet(flags.data()));
    EXPECT_EQ(std::vector<uint8_t>(flags.size(), 0x5A), std::vector<uint8_t>(flags.begin(), flags.end()));
    EXPECT_EQ(-1, guiWrapperNandUpgFlagSet(flags.data()));
    EXPECT_EQ("", mtdLog());
    EXPECT_EQ(-1, guiWrapperNandWrite(flags.data(), 0));
    EXPECT_EQ(-1, guiWrapperNandWrite(std::string(kBlock + 1, 'x').data(), kBlock + 1));
}

// The GUI, the music wrapper's timer and the OTA thread write at once: each write is whole.
TEST_F(NandTest, WritesFromSeveralThreadsEachLeaveAWholeRecord)
{
    powerOn(0, 0);
    std::array<uint8_t, GUI_WRAPPER_NAND_UPG_FLAG_SIZE> flags{};
    flags.fill(0xA5);
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 3; ++t) {
        threads.emplace_back([t, &flags] {
            for (uint32_t i = 1; i <= 5; ++i) {
                uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS] = {1, 10 * t + i, 10 * t + i};
                guiWrapperNandParamSet(t == 0 ? GUI_WRAPPER_NAND_ITEM_VOLUME : GUI_WRAPPER_NAND_ITEM_DIMMER, rec);
                guiWrapperNandUpgFlagSet(flags.data());
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    const std::string b = block("custom", 0);
    EXPECT_EQ(5u, word(b, 4));
    EXPECT_TRUE(word(b, 8) == 15 || word(b, 8) == 25) << word(b, 8);
    std::array<uint8_t, GUI_WRAPPER_NAND_UPG_FLAG_SIZE> back{};
    ASSERT_EQ(0, guiWrapperNandUpgFlagGet(back.data()));
    EXPECT_EQ(flags, back);
}

}  // namespace
