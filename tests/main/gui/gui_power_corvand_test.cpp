// corvand on the board simulator: the amplifiers at start, their power sequence and table loads at
// power on, the home source state, and a warm idle followed by a wake-up from suspend standby.
#include "tests/main/program_runner.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using sbtest::ProgramRunner;
using PowerCorvandTest = sbtest::SimTest;

bool clickUntil(const sbtest::SimProcess& sim, ProgramRunner& corvand, const std::string& line, size_t from)
{
    for (int i = 0; i < 100; ++i) {
        sim.ctl("input key KVX_Remote_Controller power click");
        if (corvand.waitFor(line, from, std::chrono::milliseconds(300))) {
            return true;
        }
    }
    return false;
}

TEST_F(PowerCorvandTest, AmplifiersComeUpAtPowerOnAndAWarmIdleWakesFromSuspend)
{
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();
    const std::vector<std::string> shell = sandbox.quoridLog();
    for (const char* want : {"chmod 666 /sys/class/gpio/gpio428/value", "chmod 666 /sys/class/gpio/gpio438/value",
                             "chown system:system /dev/i2c-3"}) {
        EXPECT_NE(std::find(shell.begin(), shell.end(), want), shell.end()) << want;
    }

    sim.ctl("input add KVX_Remote_Controller");
    size_t from = corvand.output().size();
    ASSERT_TRUE(clickUntil(sim, corvand, "Prepare After Power On!", from)) << corvand.output().substr(from);
    EXPECT_EQ(corvand.output().find("Standby Mode!", from), std::string::npos) << "the cold boot wakes nothing";
    const std::string i2c = sandbox.read("/sim/i2c.log");
    for (const char* chip : {"0x2d", "0x2c", "0x2e"}) {
        EXPECT_NE(i2c.find(std::string("addr ") + chip + " W 04 03"), std::string::npos) << chip;
    }
    // Home show, then the source state of ARC.
    ASSERT_TRUE(corvand.waitFor("pwr_src=0", from)) << corvand.output().substr(from);
    ASSERT_TRUE(corvand.waitFor("<GUI>sys_evt = 0x8002", from)) << corvand.output().substr(from);
    // Power on gave the USB port its host role: GPIO 509 low.
    EXPECT_EQ("0\n", sandbox.read("/sys/class/gpio/gpio509/value"));

    // The power key in a source state goes to idle; the next one wakes from suspend standby.
    from = corvand.output().size();
    ASSERT_TRUE(clickUntil(sim, corvand, "is_cold_pwr_on=0!", from)) << corvand.output().substr(from);
    from = corvand.output().size();
    ASSERT_TRUE(clickUntil(sim, corvand, "Exit Suspend Standby Mode!", from)) << corvand.output().substr(from);
    EXPECT_TRUE(corvand.waitFor("Prepare After Power On!", from)) << corvand.output().substr(from);
}

}  // namespace
