// GPIO, I2C and queue wrappers against the board simulator's sysfs and I2C buses.
#include "main/gui/wrapper/wrapper_gpio.h"
#include "main/gui/wrapper/wrapper_i2c.h"
#include "main/gui/wrapper/wrapper_ipc.h"
#include "platform/sbroot/sb_root.h"
#include "tests/support/sim_process.h"

#include <algorithm>
#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/ipc.h>
#include <vector>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// The simulator's log lines of one facility without their time stamps.
std::vector<std::string> simLog(const sbtest::Sandbox& sandbox, const std::string& facility)
{
    std::vector<std::string> lines;
    std::istringstream in(sandbox.exists("/sim/" + facility + ".log") ? sandbox.read("/sim/" + facility + ".log") : "");
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(line.find(' ') + 1));
    }
    return lines;
}

class GpioTest : public sbtest::SimTest {};

TEST_F(GpioTest, OpenExportsHandsTheNodesOverAndSetDrivesTheLine)
{
    GuiWrapperGpioHandle h = guiWrapperGpioOpen(428);
    ASSERT_NE(nullptr, h);
    const auto cmds = sandbox.quoridLog();
    for (const char* want : {"chown system:system /sys/class/gpio/export", "chmod 666 /sys/class/gpio/export",
                             "chown system:system /sys/class/gpio/gpio428/direction",
                             "chmod 666 /sys/class/gpio/gpio428/value", "chmod 666 /sys/class/gpio/gpio428/edge"}) {
        EXPECT_NE(cmds.end(), std::find(cmds.begin(), cmds.end(), want)) << want;
    }

    GuiWrapperGpioSetting out{0, 1};
    EXPECT_EQ(0, guiWrapperGpioSet(h, &out));
    EXPECT_EQ("1\n", sandbox.read("/sys/class/gpio/gpio428/value"));
    EXPECT_EQ("out\n", sandbox.read("/sys/class/gpio/gpio428/direction"));

    // Refused arguments write nothing.
    const size_t before = simLog(sandbox, "sysfs").size();
    GuiWrapperGpioSetting bad{2, 0};
    EXPECT_EQ(-1, guiWrapperGpioSet(h, &bad));
    EXPECT_EQ(-1, guiWrapperGpioGet(h, &out));
    GuiWrapperGpioSetting level3{0, 3};
    EXPECT_EQ(-1, guiWrapperGpioSet(h, &level3));
    EXPECT_EQ(before + 1, simLog(sandbox, "sysfs").size());  // only the direction of the last one

    GuiWrapperGpioSetting in{1, 1};
    EXPECT_EQ(0, guiWrapperGpioSet(h, &in));
    EXPECT_EQ("up\n", sandbox.read("/sys/class/gpio/gpio428/pull"));
    sim.ctl("sysfs set /sys/class/gpio/gpio428/value 1");
    GuiWrapperGpioSetting got{1, 0};
    EXPECT_EQ(1, guiWrapperGpioGet(h, &got));
    EXPECT_EQ(1u, got.value);
    EXPECT_EQ(0, guiWrapperGpioInEdgeSet(428, 2));
    EXPECT_EQ("both\n", sandbox.read("/sys/class/gpio/gpio428/edge"));

    EXPECT_EQ(0, guiWrapperGpioClose(h));
    EXPECT_FALSE(sandbox.exists("/sys/class/gpio/gpio428"));
    EXPECT_EQ(-1, guiWrapperGpioClose(nullptr));
    EXPECT_EQ(-1, guiWrapperGpioInLvlGet(428));
    EXPECT_EQ(-2, guiWrapperGpioOutLvlSet(428, 1));
}

TEST_F(GpioTest, ALineLeftExportedByAnEarlierRunStillOpens)
{
    // A program that ended without closing its lines leaves them exported; the kernel then
    // answers a second export with EBUSY.
    ASSERT_EQ(0, guiWrapperGpioRequest(438));
    GuiWrapperGpioHandle h = guiWrapperGpioOpen(438);
    ASSERT_NE(nullptr, h);
    const GuiWrapperGpioSetting high{0, 1};
    EXPECT_EQ(0, guiWrapperGpioSet(h, &high));
    EXPECT_EQ("1\n", sandbox.read("/sys/class/gpio/gpio438/value"));
    EXPECT_EQ(0, guiWrapperGpioClose(h));
}

class GpioNoBoardTest : public sbtest::SandboxTest {};

TEST_F(GpioNoBoardTest, AFailedExportGivesNoHandle)
{
    EXPECT_EQ(nullptr, guiWrapperGpioOpen(438));
}

class I2cTest : public sbtest::SimTest {
protected:
    void TearDown() override { guiWrapperI2cClose(h); }
    GuiWrapperI2cHandle* h = guiWrapperI2cOpen("/dev/i2c-3", 0x2D, 256);
};

TEST_F(I2cTest, WriteAndReadFrameTheRegisterAndAReadIsCutAtTheEndOfTheSpace)
{
    ASSERT_NE(nullptr, h);
    const uint8_t data[] = {0x11, 0x22};
    EXPECT_EQ(1, guiWrapperI2cWrite(h, 0x40, data, 2));
    uint8_t buf[32] = {};
    EXPECT_EQ(1, guiWrapperI2cRead(h, 0x40, buf, 2));
    EXPECT_EQ(0x22, buf[1]);
    EXPECT_EQ(1, guiWrapperI2cRead(h, 0xF0, buf, 32));
    const auto log = simLog(sandbox, "i2c");
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ("bus 3 addr 0x2d W 40 11 22", log[0]);
    EXPECT_EQ("bus 3 addr 0x2d W f0", log[log.size() - 2]);
    EXPECT_EQ("bus 3 addr 0x2d R 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", log.back());
    EXPECT_THAT(sandbox.quoridLog(), ::testing::Contains("chmod 666 /dev/i2c-3"));
}

TEST_F(I2cTest, ARegisterOutsideTheSpaceAndMissingHandlesTransferNothing)
{
    GuiWrapperI2cHandle* small = guiWrapperI2cOpen("/dev/i2c-3", 0x2D, 0x10);
    ASSERT_NE(nullptr, small);
    uint8_t buf[4] = {};
    EXPECT_EQ(0, guiWrapperI2cRead(small, 0x10, buf, 1));
    EXPECT_EQ(0, guiWrapperI2cRead(small, 0xFF, buf, 4));
    EXPECT_EQ(0, guiWrapperI2cWrite(nullptr, 0, buf, 1));
    EXPECT_EQ(0, guiWrapperI2cRead(nullptr, 0, buf, 1));
    EXPECT_TRUE(simLog(sandbox, "i2c").empty());
    guiWrapperI2cClose(small);
    EXPECT_EQ(nullptr, guiWrapperI2cOpen("/dev/i2c-9", 0x2D, 256));
}

TEST_F(I2cTest, ATransferIsTriedFiveTimes)
{
    struct Case {
        int failures;
        int32_t result;
    };
    for (const Case c : {Case{4, 1}, Case{5, 0}}) {
        sim.ctl("i2c fail 3 0x2d " + std::to_string(c.failures));
        const uint8_t v = 0x5A;
        EXPECT_EQ(c.result, guiWrapperI2cWrite(h, 0x30, &v, 1)) << c.failures;
    }
    const auto log = simLog(sandbox, "i2c");
    EXPECT_EQ(9, std::count(log.begin(), log.end(), "bus 3 addr 0x2d W failed"));
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "bus 3 addr 0x2d W 30 5a"));
}

TEST_F(I2cTest, SixteenBitRegistersWriteHighByteFirstAndReadLowByteFirst)
{
    GuiWrapperI2cHandle* ext = guiWrapperI2cExtOpen("/dev/i2c-3", 0x2E, 256);
    ASSERT_NE(nullptr, ext);
    const uint8_t data[] = {0x77};
    EXPECT_EQ(1, guiWrapperI2cExtWrite(ext, 0x1234, data, 1));
    uint8_t buf[2] = {};
    EXPECT_EQ(1, guiWrapperI2cExtRead(ext, 0x1234, buf, 2));
    const auto log = simLog(sandbox, "i2c");
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("bus 3 addr 0x2e W 12 34 77", log[0]);
    EXPECT_EQ("bus 3 addr 0x2e W 34 12", log[1]);
    guiWrapperI2cExtClose(ext);
}

TEST_F(I2cTest, AWriteTooLongForOneMessageIsRefusedNotSentShort)
{
    // The register bytes and the data travel in one message, whose length is 16 bits wide.
    GuiWrapperI2cHandle* ext = guiWrapperI2cExtOpen("/dev/i2c-3", 0x2E, 256);
    ASSERT_NE(nullptr, h);
    ASSERT_NE(nullptr, ext);
    const std::vector<uint8_t> data(65535, 0x5A);
    EXPECT_EQ(0, guiWrapperI2cWrite(h, 0x40, data.data(), 65535));
    for (const uint16_t len : {uint16_t{65534}, uint16_t{65535}}) {
        EXPECT_EQ(0, guiWrapperI2cExtWrite(ext, 0x1234, data.data(), len)) << len;
    }
    EXPECT_TRUE(simLog(sandbox, "i2c").empty());
    guiWrapperI2cExtClose(ext);
}

class IpcTest : public sbtest::SandboxTest {};

TEST_F(IpcTest, AMessageOfTheAskedTypeComesBackAndARemovedQueueRefuses)
{
    const key_t key = sb::ftokKey("/usr/bin/sileth", 9);
    ASSERT_NE(-1, key);
    GuiWrapperIpcHandle q = guiWrapperIpcCreate(key);
    ASSERT_NE(nullptr, q);
    ASSERT_NE(-1, q->id);
    GuiWrapperIpcMsg m{};
    m.mtype = 2;
    const uint32_t cmd = 7;
    std::memcpy(m.body, &cmd, sizeof(cmd));
    m.body[63] = 0xAB;
    GuiWrapperIpcMsg other{};
    other.mtype = 1;
    EXPECT_EQ(0, guiWrapperIpcSnd(q, &other));
    EXPECT_EQ(0, guiWrapperIpcSnd(q, &m));

    GuiWrapperIpcMsg got{};
    got.mtype = 2;
    EXPECT_EQ(0, guiWrapperIpcRcv(q, &got));
    EXPECT_EQ(0, std::memcmp(&m.body, &got.body, sizeof(m.body)));

    EXPECT_EQ(-1, guiWrapperIpcSnd(nullptr, &m));
    EXPECT_EQ(-1, guiWrapperIpcRcv(q, nullptr));
    const int id = q->id;
    guiWrapperIpcDelete(q);
    GuiWrapperIpc stale{id};
    EXPECT_EQ(-1, guiWrapperIpcRcv(&stale, &got));
    guiWrapperIpcDelete(nullptr);
}

}  // namespace
