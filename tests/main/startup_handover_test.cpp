#include "main/startup_handover.h"

#include "main/alsa_ctl.h"
#include "main/am/am.h"
#include "main/am/amb/amb.h"
#include "main/droproot.h"
#include "main/gui/gui_manager.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using apptest::TestApp;

namespace {

class StartupHandOverTest : public sbtest::SandboxTest {
protected:
    void SetUp() override { apptest::startFramework(); }

    static std::string captured()
    {
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(StartupHandOverTest, IdleEventWithoutGuiManagerFailsAtTheLookup)
{
    // The broker keeps a name once registered: in a whole run after the registering case the
    // lookup finds it, so this case holds only where the name was never registered.
    if (u_amb_get_register_info("gui_namager") != nullptr) {
        GTEST_SKIP() << "gui_namager was registered by an earlier case of this process";
    }
    testing::internal::CaptureStdout();
    startupPostGuiIdle();
    const std::string out = captured();
    EXPECT_NE(out.find("get ps_name : gui_namager"), std::string::npos) << out;
    EXPECT_NE(out.find("Send Msg To GUI Manager Failed, ret[-3]"), std::string::npos) << out;
}

TEST_F(StartupHandOverTest, IdleEventReachesARegisteredGuiManager)
{
    static TestApp gui("gui_namager", 4096);
    ASSERT_EQ(apptest::registerApp(&gui.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app("gui_namager"), 0);
    startupPostGuiIdle();
    ASSERT_TRUE(gui.waitMessages(1));
    const auto msg = gui.messages()[0];
    EXPECT_EQ(msg.msgId, static_cast<uint32_t>(E_APP_MSG_TYPE_GUI));
    ASSERT_EQ(msg.data.size(), sizeof(appmsg_t) + 68);
    appmsg_t rec{};
    memcpy(&rec, msg.data.data(), sizeof(rec));
    EXPECT_EQ(rec.ui4_sender_id, 0u);
    EXPECT_EQ(rec.ui4_msg_type, 0u);
    uint16_t event = 0;
    memcpy(&event, rec.aui1_data, sizeof(event));
    EXPECT_EQ(event, E_GUI_USR_EVT_POWER_IDLE);
    EXPECT_EQ(rec.aui1_data[2], 0) << "payload length";
}

TEST_F(StartupHandOverTest, ReadyMarkerPresentMeansNoWait)
{
    sandbox.write(VESK_READY_MARKER, "");
    testing::internal::CaptureStdout();
    startupWaitVeskReady();
    EXPECT_EQ(captured().find("sleep 5ms to wait vesk ready!"), std::string::npos);
}

TEST_F(StartupHandOverTest, EndedChildIsReapedAndLogged)
{
    // Spawned, not forked: fork() is not reliable under the ARM emulator.
    char sh[] = "sh";
    char dashC[] = "-c";
    char exit3[] = "exit 3";
    char* argv[] = {sh, dashC, exit3, nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, argv, environ), 0);
    testing::internal::CaptureStdout();
    pid_t reaped = 0;
    const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
    while (reaped != child && std::chrono::steady_clock::now() < deadline) {
        reaped = startupReapChild();
        if (reaped != child) {
            usleep(1000);
        }
    }
    const std::string out = captured();
    ASSERT_EQ(reaped, child);
    char line[64];
    snprintf(line, sizeof(line), "<corvand>waitpid pid %d,status = 00000300\n", static_cast<int>(child));
    EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_LE(startupReapChild(), 0);
}

TEST(StartupHelpersTest, AlsaControlFailuresAreLoggedAndReturned)
{
    testing::internal::CaptureStdout();
    const int res = alsa_ctl_write(nullptr, "bogus", "1");
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_LT(res, 0);
    EXPECT_NE(out.find("[alsa_ctl_write] L"), std::string::npos) << out;
    EXPECT_NE(out.find(" write bogus val:1"), std::string::npos) << out;
    EXPECT_NE(out.find(" parse bogus ret:"), std::string::npos) << out;
}

TEST(StartupHelpersTest, DropRootNeedsItsUser)
{
    testing::internal::CaptureStdout();
    const int res = corvand_droproot();
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    if (getpwnam("corvand") != nullptr) {
        GTEST_SKIP() << "this host has a corvand user";
    }
    EXPECT_EQ(res, -1);
    EXPECT_NE(out.find("<corvand>get usrname fail!"), std::string::npos) << out;
}

}  // namespace
