// The HDMI chip's firmware upgrade against the simulated chip at 2/0x5C: what lands in the chip's
// flash, the transfers on the bus, the progress and power calls it makes of the HDMI wrapper
// (recorded on their way; the wrapper's own handling of them is its tests'), the GUI state and the recorded result, for good files, malformed files and the
// chip's faults.
#include "main/gui/link/wrapper_hdmi_upgrade.h"
#include "main/gui/link/wrapper_hdmi_upgrade_priv.h"
#include "main/gui/msg/gui_msg.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::mutex gCallsLock;
std::vector<std::pair<std::string, int>> gCalls;

void recordCall(const char* call, int arg)
{
    std::lock_guard<std::mutex> guard(gCallsLock);
    gCalls.emplace_back(call, arg);
}

}  // namespace

extern "C" void __wrap__Z23guiWrapperHdmiI2cPwrSeth(uint8_t on)
{
    recordCall("guiWrapperHdmiI2cPwrSet", on);
}

extern "C" void __wrap__Z32guiWrapperHdmiUpgradePercentDispj(uint32_t percent)
{
    recordCall("guiWrapperHdmiUpgradePercentDisp", static_cast<int>(percent));
}

namespace {

void clearCalls()
{
    std::lock_guard<std::mutex> guard(gCallsLock);
    gCalls.clear();
}

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

constexpr const char* kFw = "/data/mnt/sda1/iTE_FW_file.bin";
constexpr uint32_t kTag = 0x20140901;
const Bytes kValidTag{0x55, 0x44, 0xC3, 0x65, 0x16, 0xA0, 0x1A, 0x59};

// A body with no byte 0xFF except one 32-byte chunk of them at 64, which must not be programmed.
Bytes body(size_t len)
{
    Bytes b(len);
    for (size_t i = 0; i < len; ++i) {
        b[i] = static_cast<uint8_t>(i * 7 % 251);
    }
    for (size_t i = 64; i < 96 && i < len; ++i) {
        b[i] = 0xFF;
    }
    return b;
}

std::string fwFile(uint32_t tag, uint32_t fwLength, const Bytes& content)
{
    std::string f(24, '\0');
    for (int i = 0; i < 4; ++i) {
        f[static_cast<size_t>(i)] = static_cast<char>(tag >> (8 * i));
        f[static_cast<size_t>(16 + i)] = static_cast<char>(fwLength >> (8 * i));
    }
    return f + std::string(content.begin(), content.end());
}

class HdmiUpgradeTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        clearCalls();
        guiWrapperHdmiUpgradePausesSet(1ms, 1ms);
        guiManagerAppStateSet(GUI_SYS_STATE_ON);
        guiWrapperHdmiUpgradeInit();
    }
    void TearDown() override { guiWrapperHdmiUpgradeExit(); }

    // Starts the upgrade on `file` and waits for its worker to end; the recorded result.
    uint32_t flash(const std::string& file)
    {
        sandbox.write(kFw, file);
        EXPECT_EQ(0, guiWrapperHdmiUpgradeStart(GUI_WRAPPER_HDMI_UPG_ORIGIN_UDISK, kFw));
        return waitEnd();
    }

    static uint32_t waitEnd()
    {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (guiWrapperHdmiUpgradeStsGet() != 0 && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_EQ(0, guiWrapperHdmiUpgradeStsGet()) << "the worker ended";
        return guiWrapperHdmiUpgradeResultGet();
    }

    Bytes flashDump(uint32_t from, uint32_t len) const
    {
        std::istringstream text(sim.ctl("hdmichip dump " + std::to_string(from) + " " + std::to_string(len)));
        Bytes out;
        std::string line;
        while (std::getline(text, line)) {
            std::istringstream bytes(line.substr(line.find(':') + 1));
            unsigned v = 0;
            while (bytes >> std::hex >> v) {
                out.push_back(static_cast<uint8_t>(v));
            }
        }
        return out;
    }

    // The writes that reached the chip, as "reg value..." in hex.
    std::vector<std::string> chipWrites() const
    {
        std::vector<std::string> out;
        std::istringstream log(sandbox.read("/sim/i2c.log"));
        const std::string mark = "bus 2 addr 0x5c W ";
        for (std::string line; std::getline(log, line);) {
            const size_t at = line.find(mark);
            if (at != std::string::npos) {
                out.push_back(line.substr(at + mark.size()));
            }
        }
        return out;
    }

    size_t count(const std::string& write) const
    {
        size_t n = 0;
        for (const std::string& w : chipWrites()) {
            n += w == write ? 1 : 0;
        }
        return n;
    }

    // The upgrader's calls of the HDMI wrapper's `call`, their argument each.
    static std::vector<int> wrapperCalls(const std::string& call)
    {
        std::lock_guard<std::mutex> guard(gCallsLock);
        std::vector<int> out;
        for (const auto& [name, arg] : gCalls) {
            if (name == call) {
                out.push_back(arg);
            }
        }
        return out;
    }
};

TEST_F(HdmiUpgradeTest, FlashesTheBodyPaddedWithErasedBytesThenTagsTheChipAndLeavesProgrammingMode)
{
    const Bytes b = body(5000);
    ASSERT_EQ(GUI_WRAPPER_HDMI_UPG_RESULT_DONE, flash(fwFile(kTag, 5000, b)));

    const Bytes flashed = flashDump(0, 0x2100);
    ASSERT_EQ(0x2100u, flashed.size());
    Bytes want(0x2100, 0xFF);
    std::copy(b.begin(), b.end(), want.begin());
    std::copy(kValidTag.begin(), kValidTag.end(), want.begin() + 0x2060);
    EXPECT_EQ(want, flashed);

    // 157 chunks hold the body; the one all-0xFF chunk at 64 and the padding are not programmed.
    EXPECT_EQ(156u + 1u, count("0c 04")) << "the body's chunks and the tag";
    EXPECT_EQ(1u, count("0c 10")) << "one chip erase";
    ASSERT_FALSE(chipWrites().empty());
    EXPECT_EQ("f2 ff", chipWrites().back());

    EXPECT_EQ((std::vector<int>{10, 20, 20, 30, 40, 60, 70, 100}), wrapperCalls("guiWrapperHdmiUpgradePercentDisp"));
    EXPECT_EQ((std::vector<int>{1, 0}), wrapperCalls("guiWrapperHdmiI2cPwrSet"));
    EXPECT_EQ(GUI_SYS_STATE_UPGRADE, guiManagerAppStateGet());
}

// Progress after each written sector: 70 x sector / sectors, down to tens, plus 20.
TEST_F(HdmiUpgradeTest, ProgressPerSectorAndTheLargestImage)
{
    struct Case {
        uint32_t length;
        std::vector<int> percents;
    };
    const Case cases[] = {
        {1, {10, 20, 20, 100}},
        {1025, {10, 20, 20, 50, 100}},
        {0x20000, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        clearCalls();
        const Bytes b = body(c.length);
        ASSERT_EQ(GUI_WRAPPER_HDMI_UPG_RESULT_DONE, flash(fwFile(kTag, c.length, b)));
        const std::vector<int> got = wrapperCalls("guiWrapperHdmiUpgradePercentDisp");
        if (!c.percents.empty()) {
            EXPECT_EQ(c.percents, got);
            continue;
        }
        // 128 sectors: 20 for sectors 0 to 18, 30 from 19, ... 80 from 110 to the last.
        ASSERT_EQ(2u + 128u + 1u, got.size());
        EXPECT_EQ(20, got[2 + 18]);
        EXPECT_EQ(30, got[2 + 19]);
        EXPECT_EQ(70, got[2 + 109]);
        EXPECT_EQ(80, got[2 + 110]);
        EXPECT_EQ(80, got[2 + 127]);
        EXPECT_EQ(100, got.back());
        // The whole flash holds the body, but for the tag's bytes programmed over it.
        const Bytes flashed = flashDump(0, 0x20000);
        ASSERT_EQ(b.size(), flashed.size());
        EXPECT_TRUE(std::equal(b.begin(), b.begin() + 0x2060, flashed.begin()));
        EXPECT_TRUE(std::equal(b.begin() + 0x2068, b.end(), flashed.begin() + 0x2068));
    }
}

TEST_F(HdmiUpgradeTest, MalformedFilesAreNotFlashed)
{
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"wrong tag", fwFile(0x20140902, 100, body(100))},
        {"20-byte file", fwFile(kTag, 100, {}).substr(0, 20)},
        {"length 0x20001", fwFile(kTag, 0x20001, body(0x20001))},
        {"length near 4 GiB", fwFile(kTag, 0xFFFFFF01u, body(100))},
        {"body shorter than its length", fwFile(kTag, 5000, body(4000))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearCalls();
        sandbox.write("/sim/i2c.log", "");
        EXPECT_EQ(GUI_WRAPPER_HDMI_UPG_RESULT_FAILED, flash(c.file));
        EXPECT_EQ(0u, count("0c 10")) << "no chip erase";
        EXPECT_TRUE(wrapperCalls("guiWrapperHdmiUpgradePercentDisp").empty());
        EXPECT_EQ((std::vector<int>{1, 0}), wrapperCalls("guiWrapperHdmiI2cPwrSet"));
    }
}

TEST_F(HdmiUpgradeTest, StartRefusesBadPathsMissingFilesAndASecondUpgrade)
{
    const std::string longPath = "/data/mnt/sda1/" + std::string(64 - 15, 'x');
    ASSERT_EQ(64u, longPath.size());
    sandbox.write(longPath, fwFile(kTag, 100, body(100)));
    EXPECT_EQ(-1, guiWrapperHdmiUpgradeStart(0, nullptr));
    EXPECT_EQ(-1, guiWrapperHdmiUpgradeStart(0, longPath.c_str()));
    EXPECT_EQ(-2, guiWrapperHdmiUpgradeStart(0, longPath.substr(0, 63).c_str()));
    EXPECT_EQ(0, guiWrapperHdmiUpgradeStsGet());
    EXPECT_TRUE(wrapperCalls("guiWrapperHdmiI2cPwrSet").empty()) << "nothing started";
    EXPECT_EQ(GUI_SYS_STATE_ON, guiManagerAppStateGet());

    // The chip holds its first transfer back for a while (four refusals, then the fifth try).
    sim.ctl("i2c fail 2 0x5c 4");
    sandbox.write(kFw, fwFile(kTag, 3000, body(3000)));
    ASSERT_EQ(0, guiWrapperHdmiUpgradeStart(GUI_WRAPPER_HDMI_UPG_ORIGIN_OTA, kFw));
    EXPECT_EQ(-3, guiWrapperHdmiUpgradeStart(GUI_WRAPPER_HDMI_UPG_ORIGIN_UDISK, kFw));
    EXPECT_EQ(GUI_WRAPPER_HDMI_UPG_ORIGIN_OTA, guiWrapperHdmiUpgradeOriginGet());
    EXPECT_EQ(GUI_WRAPPER_HDMI_UPG_RESULT_DONE, waitEnd());
    EXPECT_EQ(1u, count("0c 10")) << "one worker, one erase";
    EXPECT_EQ((std::vector<int>{1, 0}), wrapperCalls("guiWrapperHdmiI2cPwrSet"));

    // Once it has ended, the next one may start.
    EXPECT_EQ(GUI_WRAPPER_HDMI_UPG_RESULT_DONE, flash(fwFile(kTag, 100, body(100))));
}

// Each verify that differs costs a chip erase and a rewrite of every sector; the fourth is final.
TEST_F(HdmiUpgradeTest, VerifyRewritesAtMostThreeTimes)
{
    struct Case {
        int badPasses;
        uint32_t result;
        size_t erases;
    };
    const Case cases[] = {
        {1, GUI_WRAPPER_HDMI_UPG_RESULT_DONE, 2},
        {3, GUI_WRAPPER_HDMI_UPG_RESULT_DONE, 4},
        {4, GUI_WRAPPER_HDMI_UPG_RESULT_FAILED, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.badPasses);
        sandbox.write("/sim/i2c.log", "");
        sim.ctl("hdmichip fault verify " + std::to_string(c.badPasses));
        const Bytes b = body(2000);
        EXPECT_EQ(c.result, flash(fwFile(kTag, 2000, b)));
        EXPECT_EQ(c.erases, count("0c 10"));
        // Every pass programs the two sectors' 62 data chunks again.
        EXPECT_EQ(c.erases * 62 + (c.result == GUI_WRAPPER_HDMI_UPG_RESULT_DONE ? 1 : 0), count("0c 04"));
        const Bytes tag = flashDump(0x2060, 8);
        EXPECT_EQ(c.result == GUI_WRAPPER_HDMI_UPG_RESULT_DONE, tag == kValidTag);
        EXPECT_EQ(c.result == GUI_WRAPPER_HDMI_UPG_RESULT_DONE, chipWrites().back() == "f2 ff");
    }
}

TEST_F(HdmiUpgradeTest, ChipFaults)
{
    struct Case {
        const char* fault;
        uint32_t result;
        size_t erases;
    };
    const Case cases[] = {
        // Programming mode never shows: five tries, no erase.
        {"hdmichip fault read 0x50", GUI_WRAPPER_HDMI_UPG_RESULT_FAILED, 0},
        {"hdmichip fault erase", GUI_WRAPPER_HDMI_UPG_RESULT_FAILED, 1},
        // Every program fails: the image's one (and last) sector fails the write step.
        {"hdmichip fault program", GUI_WRAPPER_HDMI_UPG_RESULT_FAILED, 1},
        // A FIFO that keeps showing busy is read after the last try, and holds the data.
        {"hdmichip fault fifo-busy", GUI_WRAPPER_HDMI_UPG_RESULT_DONE, 1},
        // A FIFO level that cannot be read makes the sector unreadable, never equal.
        {"hdmichip fault read 0x18", GUI_WRAPPER_HDMI_UPG_RESULT_FAILED, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        sandbox.write("/sim/i2c.log", "");
        sim.ctl("hdmichip fault none");
        sim.ctl(c.fault);
        EXPECT_EQ(c.result, flash(fwFile(kTag, 100, body(100))));
        EXPECT_EQ(c.erases, count("0c 10"));
        EXPECT_EQ(c.result == GUI_WRAPPER_HDMI_UPG_RESULT_DONE, flashDump(0x2060, 8) == kValidTag);
    }
}

}  // namespace
