// corvand on the board simulator with the Bluetooth module played by the simulator on
// "/dev/ttyS2": the line set up at start, frames raised with the simulator's serial verb reaching
// the GUI manager, the CEC name stored by the GUI, and the version reply on the line.
#include "tests/main/program_runner.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using sbtest::ProgramRunner;
using LinkCorvandTest = sbtest::SimTest;

// One burst from the module: the silence after it ends it.
void burst(const sbtest::SimProcess& sim, const std::string& bytes)
{
    sim.ctl("serial write /dev/ttyS2 " + bytes);
    usleep(100 * 1000);
}

TEST_F(LinkCorvandTest, TheBluetoothModuleTalksToTheGui)
{
    EXPECT_NE(std::string::npos, sim.ctl("help").find("serial write PORT HEX... [pause-after N MS]"));
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("open dev success!")) << corvand.output();
    const std::vector<std::string> shell = sandbox.quoridLog();
    for (const char* want : {"chown system:system /dev/ttyS2", "chmod 666 /dev/ttyS2"}) {
        EXPECT_NE(std::find(shell.begin(), shell.end(), want), shell.end()) << want;
    }
    const int fd = ::open(sandbox.path("/dev/ttyS2").c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(0, tcgetattr(fd, &t));
    ::close(fd);
    EXPECT_EQ(static_cast<speed_t>(B230400), cfgetispeed(&t));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), t.c_cflag & CSIZE);
    EXPECT_EQ(0u, t.c_cflag & (PARENB | CSTOPB));
    EXPECT_EQ(0, t.c_cc[VMIN]);
    EXPECT_EQ(0, t.c_cc[VTIME]);
    EXPECT_EQ(std::string::npos, sim.ctl("log i2c").find("bus 3 addr 0x63")) << "slot 1 sleeps";

    corvand.send("app.gui_manager.sdl all");
    size_t from = corvand.output().size();
    burst(sim, "28 06 21 02 00 AE pause-after 4 50");
    burst(sim, "28 06 21 AA 00 00");
    burst(sim, "28 06 21 02 00 AF");
    burst(sim, "28 05 21 02 AF");
    burst(sim, "28 06 21 04 00 AC");
    ASSERT_TRUE(corvand.waitFor("evt = 0x801c", from)) << corvand.output().substr(from);
    EXPECT_EQ(std::string::npos, corvand.output().find("evt = 0x801e", from))
        << "cut, id-0xAA and bad frames post nothing";

    // A 20-character name: the GUI stores the first 13.
    from = corvand.output().size();
    burst(sim, "28 19 21 1A 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54 B1");
    ASSERT_TRUE(corvand.waitFor("evt = 0x8032", from)) << corvand.output().substr(from);
    EXPECT_TRUE(corvand.waitFor("cec name: ABCDEFGHIJKLM\n", from)) << corvand.output().substr(from);

    burst(sim, "28 06 21 F5 00 BB");
    bool answered = false;
    for (int i = 0; i < 100 && !answered; ++i) {
        answered = sim.ctl("log serial").find("/dev/ttyS2 82 11 8f 06 00 33 33") != std::string::npos;
        if (!answered) {
            usleep(50 * 1000);
        }
    }
    EXPECT_TRUE(answered) << sim.ctl("log serial");

    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace
