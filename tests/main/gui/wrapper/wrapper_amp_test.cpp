// The amplifier wrapper against the board simulator's three amplifier models on bus 3: power
// sequence, table loads row by row, volume, mute, the fault check, and concurrent callers.
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_amp_tables.h"
#include "tests/support/sim_process.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <thread>

using ::testing::Contains;
using ::testing::ElementsAreArray;

namespace {

struct Entry {
    double at;
    std::string text;
};

std::vector<Entry> simLog(const sbtest::Sandbox& sandbox, const std::string& facility)
{
    std::vector<Entry> lines;
    const std::string path = "/sim/" + facility + ".log";
    std::istringstream in(sandbox.exists(path) ? sandbox.read(path) : "");
    for (std::string line; std::getline(in, line);) {
        const size_t space = line.find(' ');
        lines.push_back({std::stod(line.substr(0, space)), line.substr(space + 1)});
    }
    return lines;
}

// The I2C transactions with one address, without the "bus 3 addr 0x.. " head.
std::vector<std::string> chipLog(const sbtest::Sandbox& sandbox, uint8_t addr)
{
    char head[32];
    std::snprintf(head, sizeof(head), "bus 3 addr 0x%02x ", addr);
    std::vector<std::string> out;
    for (const Entry& e : simLog(sandbox, "i2c")) {
        if (e.text.rfind(head, 0) == 0) {
            out.push_back(e.text.substr(std::strlen(head)));
        }
    }
    return out;
}

std::string row(uint8_t reg, uint8_t val)
{
    char b[16];
    std::snprintf(b, sizeof(b), "W %02x %02x", reg, val);
    return b;
}

// What a successful register reset puts on the bus of one amplifier.
std::vector<std::string> expectedLoad(const GuiWrapperAmpReg* init, const GuiWrapperAmpReg* table, uint16_t rows)
{
    std::vector<std::string> out = {"W 00 00", "W 15", "R 26"};
    for (uint16_t i = 0; i < GUI_WRAPPER_AMP_INIT_ROWS; ++i) {
        out.push_back(row(init[i].reg, init[i].val));
    }
    for (uint16_t i = 0; i < rows; ++i) {
        out.push_back(row(table[i].reg, table[i].val));
    }
    return out;
}

size_t indexOf(const std::vector<Entry>& log, const std::string& text, size_t from = 0)
{
    for (size_t i = from; i < log.size(); ++i) {
        if (log[i].text == text) {
            return i;
        }
    }
    ADD_FAILURE() << "missing: " << text;
    return log.size();
}

class AmpTest : public sbtest::SimTest {
protected:
    AmpTest() { guiWrapperAmpInit(); }
    ~AmpTest() override { guiWrapperAmpExit(); }
    void clearI2cLog() const { sandbox.write("/sim/i2c.log", ""); }
};

TEST_F(AmpTest, StartExportsTheLinesAndOpensBusThree)
{
    const auto cmds = sandbox.quoridLog();
    for (const char* want : {"chown system:system /sys/class/gpio/export", "chmod 666 /sys/class/gpio/gpio428/value",
                             "chmod 666 /sys/class/gpio/gpio438/value", "chown system:system /dev/i2c-3"}) {
        EXPECT_THAT(cmds, Contains(want));
    }
    EXPECT_TRUE(sandbox.exists("/sys/class/gpio/gpio428/value"));
    EXPECT_TRUE(sandbox.exists("/sys/class/gpio/gpio438/value"));

    // Before the first power on the chips are not driven as the ACM8625S: no volume is written.
    const uint8_t vol = 30;
    guiWrapperAmpVolSet(&vol);
    EXPECT_TRUE(chipLog(sandbox, 0x2D).empty());
}

TEST_F(AmpTest, PowerOnRunsTheLinesThenLoadsEveryAmplifierRowByRow)
{
    guiWrapperAmpPowerOn(nullptr);

    const auto sysfs = simLog(sandbox, "sysfs");
    const std::string pin = "/sys/devices/platform/1000b000.pinctrl/kv_gpio ";
    const size_t clkOff = indexOf(sysfs, pin + "out 64 0");
    const size_t pwr = indexOf(sysfs, "/sys/class/gpio/gpio428/value 1", clkOff);
    const size_t clkOn = indexOf(sysfs, pin + "mode 64 1", pwr);
    const size_t pdnLow = indexOf(sysfs, "/sys/class/gpio/gpio438/value 0", clkOn);
    const size_t pdnHigh = indexOf(sysfs, "/sys/class/gpio/gpio438/value 1", pdnLow);
    ASSERT_LT(pdnHigh, sysfs.size());
    EXPECT_GE(sysfs[pwr].at - sysfs[clkOff].at, 0.049);
    EXPECT_GE(sysfs[clkOn].at - sysfs[pwr].at, 0.049);
    EXPECT_GE(sysfs[pdnHigh].at - sysfs[pdnLow].at, 0.004);

    EXPECT_THAT(chipLog(sandbox, 0x2D),
                ElementsAreArray(expectedLoad(gGuiWrapperAmpAcm8625sLRInitialization, gGuiWrapperAmpAcm8625sLRRegister,
                                              GUI_WRAPPER_AMP_LR_ROWS)));
    EXPECT_THAT(chipLog(sandbox, 0x2C),
                ElementsAreArray(expectedLoad(gGuiWrapperAmpAcm8625sLRsInitialization,
                                              gGuiWrapperAmpAcm8625sLRsRegister, GUI_WRAPPER_AMP_LRS_ROWS)));
    EXPECT_THAT(chipLog(sandbox, 0x2E),
                ElementsAreArray(expectedLoad(gGuiWrapperAmpAcm8625sCenterInitialization,
                                              gGuiWrapperAmpAcm8625sCenterRegister, GUI_WRAPPER_AMP_CENTER_ROWS)));
    // The amplifiers load in order, each with its pause between the two tables, and end playing.
    const auto i2c = simLog(sandbox, "i2c");
    const size_t lastInit = indexOf(i2c, "bus 3 addr 0x2d W 00 00", indexOf(i2c, "bus 3 addr 0x2d W 02 20"));
    EXPECT_GE(i2c[lastInit + 5].at - i2c[lastInit + 4].at, 0.014);
    EXPECT_LT(indexOf(i2c, "bus 3 addr 0x2d W 04 03"), indexOf(i2c, "bus 3 addr 0x2c W 00 00"));
    EXPECT_LT(indexOf(i2c, "bus 3 addr 0x2c W 04 03"), indexOf(i2c, "bus 3 addr 0x2e W 00 00"));
    EXPECT_EQ("0x03\n", sim.ctl("i2c get 3 0x2e 0 0x04"));
}

TEST_F(AmpTest, AnAmplifierAnsweringAnotherIdentityGetsNoRows)
{
    sim.ctl("i2c set 3 0x2c 0 0x15 0x27");
    guiWrapperAmpPowerOn(nullptr);
    EXPECT_THAT(chipLog(sandbox, 0x2C), ElementsAreArray({"W 00 00", "W 15", "R 27"}));
    EXPECT_EQ(3u + GUI_WRAPPER_AMP_INIT_ROWS + GUI_WRAPPER_AMP_LR_ROWS, chipLog(sandbox, 0x2D).size());
    EXPECT_EQ(3u + GUI_WRAPPER_AMP_INIT_ROWS + GUI_WRAPPER_AMP_CENTER_ROWS, chipLog(sandbox, 0x2E).size());
}

TEST_F(AmpTest, AFailedIdentityInTheBypassPresetStopsTheLaterAmplifiers)
{
    guiWrapperAmpPowerOn(nullptr);
    sim.ctl("i2c set 3 0x2c 0 0x15 0x00");
    clearI2cLog();
    const uint8_t enter = 1;
    guiWrapperAmpBypassSet(&enter);
    EXPECT_THAT(chipLog(sandbox, 0x2D),
                ElementsAreArray(expectedLoad(gGuiWrapperAmpAcm8625sLRInitialization,
                                              gGuiWrapperAmpAcm8625sLRBypassRegister, GUI_WRAPPER_AMP_BYPASS_ROWS)));
    EXPECT_THAT(chipLog(sandbox, 0x2C), ElementsAreArray({"W 00 00", "W 15", "R 00"}));
    EXPECT_TRUE(chipLog(sandbox, 0x2E).empty());
}

TEST_F(AmpTest, VolumeMuteAndGainReachTheirPages)
{
    guiWrapperAmpPowerOn(nullptr);
    clearI2cLog();
    struct Case {
        uint8_t vol;
        const char* lr;
        const char* center;
    };
    for (const Case& c : {Case{16, "00 80 00 00", "00 8f 9e 4d"}, Case{100, "07 ec a9 cd", "08 e4 32 99"},
                          Case{0, "00 00 00 54", "00 00 00 54"}}) {
        clearI2cLog();
        guiWrapperAmpVolSet(&c.vol);
        EXPECT_THAT(chipLog(sandbox, 0x2D), ElementsAreArray(std::vector<std::string>{
                                                "W 00 04", std::string("W 7c ") + c.lr, std::string("W 80 ") + c.lr}));
        EXPECT_THAT(chipLog(sandbox, 0x2E),
                    ElementsAreArray(std::vector<std::string>{"W 00 04", std::string("W 7c ") + c.center,
                                                              std::string("W 80 ") + c.center}));
        EXPECT_TRUE(chipLog(sandbox, 0x2C).empty());
    }

    clearI2cLog();
    const uint8_t tooLoud = 101;
    guiWrapperAmpVolSet(&tooLoud);
    guiWrapperAmpVolSet(nullptr);
    guiWrapperAmpLRsGainSet(nullptr);
    EXPECT_TRUE(simLog(sandbox, "i2c").empty());

    const uint8_t gain[4] = {0x01, 0x02, 0x03, 0x04};
    guiWrapperAmpLRsGainSet(gain);
    EXPECT_THAT(chipLog(sandbox, 0x2C), ElementsAreArray({"W 00 04", "W 7c 01 02 03 04", "W 80 01 02 03 04"}));

    clearI2cLog();
    guiWrapperAmpMuteSet(1);
    for (uint8_t addr : {0x2D, 0x2C, 0x2E}) {
        EXPECT_THAT(chipLog(sandbox, addr), ElementsAreArray({"W 00 00", "W 04 0e"}));
    }
    EXPECT_EQ("0x0e\n", sim.ctl("i2c get 3 0x2c 0 0x04"));
    guiWrapperAmpMuteSet(0);
    EXPECT_EQ("0x03\n", sim.ctl("i2c get 3 0x2c 0 0x04"));
}

TEST_F(AmpTest, TheFaultCheckReadsAllThreeStatusRegisters)
{
    guiWrapperAmpPowerOn(nullptr);
    struct Case {
        uint8_t reg;
        uint8_t value;
        int32_t result;
    };
    for (const Case& c :
         {Case{0x17, 0x00, 0}, Case{0x17, 0x04, -2}, Case{0x18, 0x01, -2}, Case{0x19, 0x02, 0}, Case{0x19, 0x01, -2}}) {
        for (int reg : {0x17, 0x18, 0x19}) {
            sim.ctl("i2c set 3 0x2e 0 " + std::to_string(reg) + " 0");
        }
        sim.ctl("i2c set 3 0x2e 0 " + std::to_string(c.reg) + " " + std::to_string(c.value));
        clearI2cLog();
        EXPECT_EQ(c.result, guiWrapperAmpFaultChk(GUI_WRAPPER_AMP_IDX_CENTER)) << int(c.reg) << " " << int(c.value);
        const auto log = chipLog(sandbox, 0x2E);
        ASSERT_EQ(7u, log.size());
        EXPECT_EQ("W 00 00", log[0]);
        EXPECT_EQ("W 19", log[5]);
    }
    EXPECT_EQ(-1, guiWrapperAmpFaultChk(3));

    uint8_t sts[GUI_WRAPPER_AMP_STS_SIZE];
    std::fill(std::begin(sts), std::end(sts), 0xFF);
    guiWrapperAmpStsGet(sts);
    EXPECT_TRUE(std::all_of(std::begin(sts), std::end(sts), [](uint8_t b) { return b == 0; }));
}

// Volume, tone, gain and fault-check callers on several threads at once: no data ever lands on
// another caller's page.
TEST_F(AmpTest, ConcurrentCallersNeverInterleaveAPageSelectWithOtherData)
{
    guiWrapperAmpPowerOn(nullptr);
    clearI2cLog();
    constexpr int kRounds = 40;
    std::vector<std::thread> threads;
    threads.emplace_back([] {
        for (int i = 0; i < kRounds; ++i) {
            const uint8_t vol = static_cast<uint8_t>(i * 2);
            guiWrapperAmpVolSet(&vol);
        }
    });
    threads.emplace_back([] {
        for (int i = 0; i < kRounds; ++i) {
            guiWrapperAmpMuteSet(static_cast<uint8_t>((i + 1) & 1));  // ends unmuted
        }
    });
    threads.emplace_back([] {
        const uint8_t gain[4] = {0x00, 0x80, 0x00, 0x00};
        for (int i = 0; i < kRounds; ++i) {
            guiWrapperAmpLRsGainSet(gain);
        }
    });
    threads.emplace_back([] {
        for (int i = 0; i < kRounds; ++i) {
            guiWrapperAmpFaultChk(static_cast<uint32_t>(i % 3));
        }
    });
    for (auto& t : threads) {
        t.join();
    }
    for (uint8_t addr : {0x2D, 0x2C, 0x2E}) {
        int page = -1;
        int volumeWrites = 0;
        for (const std::string& line : chipLog(sandbox, addr)) {
            if (line.rfind("W 00 ", 0) == 0) {
                page = std::stoi(line.substr(5), nullptr, 16);
            } else if (line.rfind("W 7c ", 0) == 0 || line.rfind("W 80 ", 0) == 0) {
                EXPECT_EQ(4, page) << line;
                ++volumeWrites;
            } else if (line.rfind("W 04 ", 0) == 0 || line == "W 17" || line == "W 18" || line == "W 19") {
                EXPECT_EQ(0, page) << line;
            }
        }
        EXPECT_GT(volumeWrites, 0);
    }
    EXPECT_EQ("0x03\n", sim.ctl("i2c get 3 0x2d 0 0x04"));
}

TEST_F(AmpTest, PowerOffMutesThenDropsTheLines)
{
    guiWrapperAmpPowerOn(nullptr);
    sandbox.write("/sim/sysfs.log", "");
    clearI2cLog();
    guiWrapperAmpPowerOff(nullptr);
    EXPECT_THAT(chipLog(sandbox, 0x2E), ElementsAreArray({"W 00 00", "W 04 0e"}));
    const auto sysfs = simLog(sandbox, "sysfs");
    const size_t pdn = indexOf(sysfs, "/sys/class/gpio/gpio438/value 0");
    const size_t clk = indexOf(sysfs, "/sys/devices/platform/1000b000.pinctrl/kv_gpio out 64 0", pdn);
    const size_t pwr = indexOf(sysfs, "/sys/class/gpio/gpio428/value 0", clk);
    ASSERT_LT(pwr, sysfs.size());
    EXPECT_GE(sysfs[pwr].at - sysfs[clk].at, 0.299);
}

}  // namespace
