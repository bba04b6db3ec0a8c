#include "main/am/amb/amb.h"

#include "main/cli/cli.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using apptest::TestApp;

namespace {

class AmbTest : public ::testing::Test {
protected:
    void SetUp() override { apptest::startFramework(); }

    static handle_t lookup(const char* name)
    {
        handle_t handle = 0xdead;
        EXPECT_EQ(u_am_get_app_handle_from_name(&handle, name), 0) << name;
        return handle;
    }
};

TEST_F(AmbTest, RecordsOutsideTheLimitsAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(amb_register_info_t&)> spoil;
    };
    const Case cases[] = {
        {"empty name", [](amb_register_info_t& r) { r.acName[0] = '\0'; }},
        {"unterminated name", [](amb_register_info_t& r) { memset(r.acName, 'x', sizeof(r.acName)); }},
        {"no init", [](amb_register_info_t& r) { r.tFct.pfInit = nullptr; }},
        {"no exit", [](amb_register_info_t& r) { r.tFct.pfExit = nullptr; }},
        {"no process", [](amb_register_info_t& r) { r.tFct.pfProcess = nullptr; }},
        {"stack", [](amb_register_info_t& r) { r.ui4StackSize = 131073; }},
        {"priority", [](amb_register_info_t& r) { r.ui1Priority = 124; }},
        {"secondary count", [](amb_register_info_t& r) { r.ui2SecCount = 1025; }},
        {"queue length", [](amb_register_info_t& r) { r.ui2QueueLen = 501; }},
        {"largest payload", [](amb_register_info_t& r) { r.ui2MaxPayload = 4097; }},
    };
    for (const Case& c : cases) {
        amb_register_info_t rec{};
        TestApp::fillRecord(&rec, "amb_bad");
        c.spoil(rec);
        EXPECT_EQ(u_amb_register_app(&rec), -2) << c.what;
    }
    EXPECT_EQ(u_amb_register_app(nullptr), -2);
    EXPECT_EQ(u_amb_get_register_info("amb_bad"), nullptr);

    // Exactly at every limit is fine.
    static amb_register_info_t atLimits{};
    TestApp::fillRecord(&atLimits, "amb_limits");
    atLimits.ui4StackSize = 131072;
    atLimits.ui1Priority = 125;
    atLimits.ui2SecCount = 1024;
    atLimits.ui2QueueLen = 500;
    atLimits.ui2MaxPayload = 4096;
    EXPECT_EQ(u_amb_register_app(&atLimits), 0);
    EXPECT_EQ(u_amb_get_register_info("amb_limits"), &atLimits);
}

TEST_F(AmbTest, SecondRecordOfANameIsRefused)
{
    static TestApp first("amb_dup");
    static amb_register_info_t second{};
    TestApp::fillRecord(&second, "amb_dup");
    EXPECT_EQ(u_amb_register_app(&first.record()), 0);
    EXPECT_EQ(u_amb_register_app(&second), -4);
    EXPECT_EQ(u_amb_get_register_info("amb_dup"), &first.record());
}

TEST_F(AmbTest, RequestsForUnknownNamesFailBeforeReachingTheManager)
{
    for (auto request : {u_amb_start_app, u_amb_sync_start_app, u_amb_exit_app, u_amb_sync_exit_app, u_amb_resume_app,
                         u_amb_pause_app}) {
        EXPECT_EQ(request(nullptr), -2);
        EXPECT_EQ(request("amb_nobody"), -3);
    }
}

TEST_F(AmbTest, FailedInitFailsTheSyncStartAndCanBeRetried)
{
    static TestApp app("amb_retry");
    ASSERT_EQ(u_amb_register_app(&app.record()), 0);
    app.initResult = -1;
    EXPECT_EQ(u_amb_sync_start_app("amb_retry"), -1);
    EXPECT_EQ(lookup("amb_retry"), 0u);
    app.initResult = 0;
    EXPECT_EQ(u_amb_sync_start_app("amb_retry"), 0);
    EXPECT_EQ(app.initCalls(), 2);
    EXPECT_EQ(lookup("amb_retry"), app.handle());
    // A running application is not started twice.
    EXPECT_EQ(u_amb_sync_start_app("amb_retry"), -1);
    EXPECT_EQ(app.initCalls(), 2);
}

TEST_F(AmbTest, SyncExitEndsTheApplicationAndEmptiesItsSlot)
{
    static TestApp app("amb_exit");
    ASSERT_EQ(u_amb_register_app(&app.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app("amb_exit"), 0);
    const handle_t running = app.handle();

    app.exitResult = -1;
    EXPECT_EQ(u_amb_sync_exit_app("amb_exit"), -1);
    // An application that refused to exit still runs and stays reachable.
    EXPECT_EQ(lookup("amb_exit"), running);
    EXPECT_EQ(u_app_send_msg(running, 3, nullptr, 0, nullptr, 0), 0);
    ASSERT_TRUE(app.waitMessages(1));

    app.exitResult = 0;
    EXPECT_EQ(u_amb_sync_exit_app("amb_exit"), 0);
    EXPECT_EQ(lookup("amb_exit"), 0u);
    EXPECT_EQ(u_amb_sync_exit_app("amb_exit"), -1);
    // And it can be started again.
    EXPECT_EQ(u_amb_sync_start_app("amb_exit"), 0);
    EXPECT_NE(lookup("amb_exit"), 0u);
}

TEST_F(AmbTest, AsyncRequestsAreAcceptedEvenWhenTheManagerRefusesThem)
{
    static TestApp app("amb_async");
    ASSERT_EQ(u_amb_register_app(&app.record()), 0);
    EXPECT_EQ(u_amb_pause_app("amb_async"), 0);
    EXPECT_EQ(u_amb_resume_app("amb_async"), 0);
    EXPECT_EQ(u_amb_start_app("amb_async"), 0);
    const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
    while (app.initCalls() == 0 && std::chrono::steady_clock::now() < deadline) {
        uThreadDelay(1);
    }
    EXPECT_EQ(app.initCalls(), 1);
}

TEST_F(AmbTest, BroadcastAndDispatchRecordsAreChecked)
{
    am_broadcast_msg_t msg{AM_BRDCST_MSG_BASE + 2, {}, 25};
    EXPECT_EQ(u_amb_broadcast_msg(&msg, 1), -2);
    msg = {0xFFFF, {}, 0};
    EXPECT_EQ(u_amb_broadcast_msg(&msg, 1), -2);
    EXPECT_EQ(u_amb_broadcast_msg(nullptr, 0), -2);

    am_dispatch_msg_t dispatch{"app_mngr", 1, {}, 21};
    EXPECT_EQ(u_amb_dispatch_msg(&dispatch), -2);
    EXPECT_EQ(u_amb_dispatch_msg(nullptr), -2);
    dispatch = {"amb_nobody", 1, {}, 0};
    EXPECT_EQ(u_amb_dispatch_msg(&dispatch), -3);
}

TEST_F(AmbTest, ConsoleStartsAndScans)
{
    static TestApp app("amb_cli");
    ASSERT_EQ(u_amb_register_app(&app.record()), 0);
    EXPECT_EQ(u_cli_parser("app.amb.s amb_cli"), 0);
    EXPECT_EQ(u_cli_parser("app.amb.s amb_nobody"), 0);
    ASSERT_TRUE([&] {
        const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
        while (app.handle() == 0 || lookup("amb_cli") == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            uThreadDelay(1);
        }
        return true;
    }());
    EXPECT_EQ(u_cli_parser("app.amb.sa"), 0);
    ASSERT_TRUE(app.waitMessages(1));
    EXPECT_EQ(app.messages()[0].msgId, 0x10001u);
    EXPECT_TRUE(app.messages()[0].nullPayload);
}

}  // namespace
