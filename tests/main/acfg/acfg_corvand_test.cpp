// The store inside the real corvand: a volume set and stored on its console survives a restart.
#include "tests/main/program_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using sbtest::ProgramRunner;

using AcfgCorvandTest = sbtest::SandboxTest;

constexpr size_t kVolumeAt = 52;

TEST_F(AcfgCorvandTest, ConsoleVolumeSurvivesARestartOfCorvand)
{
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    {
        ProgramRunner corvand("main/corvand");
        ASSERT_TRUE(corvand.waitFor("<corvand>2.acfg Init Successful\n")) << corvand.output();
        EXPECT_NE(corvand.output().find("<corvand>2.acfg Init Begin\n"), std::string::npos);
        EXPECT_EQ(sandbox.read("/data/misc/app.cfg").size(), 2945u);
        // The first start's power-on stores the default settings: a volume set before it is lost.
        ASSERT_TRUE(corvand.waitFor("Restore Param From Flash, After Power On!")) << corvand.output();
        corvand.send("app.acfg.set_volume 70");
        corvand.send("app.acfg.store");
        ASSERT_TRUE(corvand.waitFor("store to flash success.")) << corvand.output();
        corvand.signal(SIGTERM);
        corvand.wait();
    }
    EXPECT_EQ(static_cast<uint8_t>(sandbox.read("/data/misc/app.cfg").at(kVolumeAt)), 70);
    EXPECT_EQ(static_cast<uint8_t>(sandbox.read("/data/misc/app.cfg.backup").at(kVolumeAt)), 70);

    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<corvand>2.acfg Init Successful\n")) << corvand.output();
    corvand.send("app.acfg.get_volume");
    EXPECT_TRUE(corvand.waitFor("get_volume(70) success.")) << corvand.output();
    corvand.signal(SIGTERM);
    corvand.wait();
}

}  // namespace
