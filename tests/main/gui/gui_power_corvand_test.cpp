// corvand on the board simulator: the amplifiers at start, their power sequence and table loads at
// power on, the home source state, and a warm idle followed by a wake-up from suspend standby.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "tests/main/program_runner.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <unistd.h>
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

// The bytes written to the Bluetooth module's line, from the "<time> /dev/ttyS2 <hex>" lines of the
// simulator's serial log (a line holds what one read of the line took, which may be several
// frames), as " 82 05 82 03 f3 ... ".
std::string moduleBytes(const sbtest::SimProcess& sim)
{
    const std::string log = sim.ctl("log serial");
    const std::string port = " /dev/ttyS2 ";
    std::string bytes = " ";
    for (size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1) {
        const size_t p = log.find(port, at);
        if (p != std::string::npos && p < end && log.find("->", p) > end) {
            bytes += log.substr(p + port.size(), end - p - port.size()) + " ";
        }
    }
    return bytes;
}

// Waits up to 5 s for the frames of `want` to follow each other (other frames may come between)
// from byte `from` on; returns the place after the last, or 0 when they never came.
size_t waitFrames(const sbtest::SimProcess& sim, const std::vector<std::string>& want, size_t from)
{
    for (int i = 0; i < 100; ++i) {
        const std::string bytes = moduleBytes(sim);
        size_t at = from;
        for (const std::string& frame : want) {
            at = bytes.find(" " + frame + " ", at);
            if (at == std::string::npos) {
                break;
            }
            at += frame.size() + 1;
        }
        if (at != std::string::npos) {
            return at;
        }
        usleep(50 * 1000);
    }
    return 0;
}

TEST_F(PowerCorvandTest, TheBluetoothModuleIsQueriedAtStartAndHearsPowerOnAndWarmIdle)
{
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();
    // Version, MAC, touch version and CEC name, one a tick.
    size_t line = waitFrames(sim, {"82 05 82 03 f3", "82 05 82 04 f2", "82 05 82 05 f1", "82 05 82 06 f0"}, 0);
    ASSERT_NE(0u, line) << moduleBytes(sim);

    // Bluetooth and volume 50 stored, as a warm idle in that source leaves them.
    corvand.send("app.acfg.set_int 3 3 1");
    corvand.send("app.acfg.set_volume 50");
    size_t from = corvand.output().size();
    corvand.send("app.acfg.get 3");
    ASSERT_TRUE(corvand.waitFor("get item idx=3 value", from)) << corvand.output().substr(from);

    sim.ctl("input add KVX_Remote_Controller");
    from = corvand.output().size();
    ASSERT_TRUE(clickUntil(sim, corvand, "Prepare After Power On!", from)) << corvand.output().substr(from);
    // The volume before the MAC sync, power on, the source, then the volume again on the next tick.
    line = waitFrames(sim, {"82 06 81 07 32 bd", "82 05 81 17 e0", "82 06 81 0a 06 e6", "82 06 81 07 32 bd"}, line);
    ASSERT_NE(0u, line) << moduleBytes(sim);

    ASSERT_TRUE(corvand.waitFor("<GUI>sys_evt = 0x8002", from)) << corvand.output().substr(from);
    from = corvand.output().size();
    ASSERT_TRUE(clickUntil(sim, corvand, "is_cold_pwr_on=0!", from)) << corvand.output().substr(from);
    // Power off to the module: no fake standby, display dimmer 3.
    EXPECT_NE(0u, waitFrames(sim, {"82 07 81 25 00 03 cd"}, line)) << moduleBytes(sim);
    const std::string calls = sandbox.exists(WRAPPER_CALL_LOG) ? sandbox.read(WRAPPER_CALL_LOG) : "";
    EXPECT_EQ(std::string::npos, calls.find("guiWrapperBt")) << calls;
}

}  // namespace
