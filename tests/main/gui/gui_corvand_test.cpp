// corvand on the board simulator: the GUI manager and the user-interface application in the
// console, a remote control plugged in after start reaching the GUI manager, and the console's key
// commands reaching the state manager.
#include "tests/main/program_runner.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace {

using sbtest::ProgramRunner;
using GuiCorvandTest = sbtest::SimTest;

TEST_F(GuiCorvandTest, KeysFromTheRemoteAndTheConsole)
{
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();
    const std::vector<std::string> shell = sandbox.quoridLog();
    EXPECT_NE(std::find(shell.begin(), shell.end(), "chown system:system /dev/led_display"), shell.end());
    EXPECT_NE(std::find(shell.begin(), shell.end(), "chmod 666 /dev/led_display"), shell.end());
    EXPECT_TRUE(corvand.waitFor("Open /dev/led_display dev Success!")) << corvand.output();

    size_t from = corvand.output().size();
    corvand.send("cd app");
    corvand.send("ls");
    corvand.send("cd ..");
    ASSERT_TRUE(corvand.waitFor("user_interface", from)) << corvand.output().substr(from);
    ASSERT_TRUE(corvand.waitFor("gui_manager", from)) << corvand.output().substr(from);
    from = corvand.output().size();
    corvand.send("app.gui_manager.sdl e");
    corvand.send("app.gui_manager.gdl");
    ASSERT_TRUE(corvand.waitFor("Debug level = e", from)) << corvand.output().substr(from);
    from = corvand.output().find("Debug level = e", from) + 1;
    corvand.send("app.gui_manager.sdl all");
    corvand.send("app.gui_manager.gdl");
    ASSERT_TRUE(corvand.waitFor("Debug level = ", from)) << "every level open again before the keys";

    // The remote appears after start; its first keys may come before it is opened, so the click
    // is repeated until one reaches the GUI manager.
    sim.ctl("input add KVX_Remote_Controller");
    bool reached = false;
    for (int i = 0; i < 100 && !reached; ++i) {
        from = corvand.output().size();
        sim.ctl("input key KVX_Remote_Controller power click");
        reached = corvand.waitFor("<GUI>evt = 0x1000", from, std::chrono::milliseconds(300));
    }
    ASSERT_TRUE(reached) << corvand.output();
    EXPECT_TRUE(corvand.waitFor("sys_state:0x4 Powering On!", from)) << corvand.output().substr(from);
    EXPECT_TRUE(corvand.waitFor("<GUI>sys_evt = 0x8000", from)) << "the home display, 3 s later";
    const std::string display = sandbox.read("/sim/display.log");
    EXPECT_TRUE(sbtest::containsInOrder(
        display, {"enable 1", "dimmer 3", "frame 2d 2d 2d 2d 00", "frame 00 00 00 00 00", "frame 2d 2d 2d 2d 00"}))
        << display;
    from = corvand.output().size();
    sim.ctl("input remove KVX_Remote_Controller");
    EXPECT_TRUE(corvand.waitFor("remove pDevice 1: /dev/input/event0", from)) << corvand.output().substr(from);

    from = corvand.output().size();
    corvand.send("app.user_interface.key 249");
    corvand.send("app.user_interface.key 103");
    corvand.send("app.uc.irkey 105 3");
    ASSERT_TRUE(corvand.waitFor("fail to get handle in function uiUserInterfaceSendKeyToAssistant", from))
        << corvand.output().substr(from);
    ASSERT_TRUE(corvand.waitFor("pt_msg->ui4_msg_type = 41", from)) << corvand.output().substr(from);
    EXPECT_TRUE(sbtest::containsInOrder(corvand.output().substr(from),
                                        {"pt_msg->ui4_msg_type = 36", "pt_msg->ui4_msg_type = 42",
                                         "fail to get handle in function uiUserInterfaceSendKeyToAssistant",
                                         "pt_msg->ui4_msg_type = 41"}));

    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace
