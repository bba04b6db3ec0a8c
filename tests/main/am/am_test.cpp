#include "main/am/am.h"

#include "main/am/amb/amb.h"
#include "main/cli/cli.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>

using apptest::TestApp;

namespace {

class AmTest : public ::testing::Test {
protected:
    void SetUp() override { apptest::startFramework(); }

    static void registerAndStart(TestApp& app)
    {
        ASSERT_EQ(apptest::registerApp(&app.record()), 0) << app.name();
        ASSERT_EQ(u_amb_sync_start_app(app.record().acName), 0) << app.name();
    }

    template <typename Pred>
    static bool eventually(Pred pred)
    {
        const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            uThreadDelay(1);
        }
        return true;
    }

    static std::string captured()
    {
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(AmTest, SendToAnUnregisteredNameFailsAtTheLookup)
{
    testing::internal::CaptureStdout();
    handle_t handle = 0;
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "gui_namager"), -3);
    const std::string out = captured();
    EXPECT_NE(out.find("get ps_name : gui_namager"), std::string::npos) << out;
    EXPECT_NE(out.find("u_am_get_app_handle_from_name finshed."), std::string::npos) << out;
    EXPECT_EQ(u_app_send_appmsg(handle, E_APP_MSG_TYPE_GUI, 0, 0, nullptr, 0), -1);
    EXPECT_EQ(u_am_get_app_handle_from_name(nullptr, "x"), -2);
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, nullptr), -2);
}

TEST_F(AmTest, RegisteredButNotStartedHasHandleZero)
{
    static TestApp app("am_idle");
    ASSERT_EQ(apptest::registerApp(&app.record()), 0);
    handle_t handle = 0xdead;
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "am_idle"), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(u_app_send_msg(handle, 1, nullptr, 0, nullptr, 0), -1);
    EXPECT_STREQ(am_get_app_name(am_get_app_id() - 1), "am_idle");
    EXPECT_EQ(am_get_app_name(am_get_app_id()), nullptr);
}

TEST_F(AmTest, BroadcastReachesEveryStartedApplication)
{
    static TestApp a("am_bc_a"), b("am_bc_b"), c("am_bc_c");
    static TestApp idle("am_bc_idle");
    registerAndStart(a);
    ASSERT_EQ(apptest::registerApp(&idle.record()), 0);
    registerAndStart(b);
    registerAndStart(c);

    am_broadcast_msg_t msg{AM_BRDCST_MSG_BASE + 2, {}, 24};
    for (uint32_t i = 0; i < 24; ++i) {
        msg.aui1Data[i] = static_cast<uint8_t>(i + 1);
    }
    ASSERT_EQ(u_amb_broadcast_msg(&msg, 1), 0);
    for (TestApp* app : {&a, &b, &c}) {
        ASSERT_TRUE(app->waitMessages(1)) << app->name();
        const auto got = app->messages()[0];
        EXPECT_EQ(got.msgId, AM_BRDCST_MSG_BASE + 2);
        ASSERT_EQ(got.data.size(), 24u);
        EXPECT_EQ(memcmp(got.data.data(), msg.aui1Data, 24), 0);
    }
    EXPECT_TRUE(idle.messages().empty());
}

TEST_F(AmTest, DispatchReachesTheNamedApplicationOrTheManager)
{
    static TestApp app("am_disp");
    registerAndStart(app);
    const am_dispatch_msg_t msg{"am_disp", 77, {9, 8, 7}, 3};
    ASSERT_EQ(u_amb_dispatch_msg(&msg), 0);
    ASSERT_TRUE(app.waitMessages(1));
    EXPECT_EQ(app.messages()[0].msgId, 77u);
    EXPECT_EQ(app.messages()[0].data, (std::vector<uint8_t>{9, 8, 7}));

    // To the manager, the dispatched message is one of its own requests: here, register a name.
    static const char name[] = "am_dyn";
    am_dispatch_msg_t toManager{"app_mngr", AM_REQ_REGISTER_NAME, {}, sizeof(name)};
    memcpy(toManager.aui1Data, name, sizeof(name));
    ASSERT_EQ(u_amb_dispatch_msg(&toManager), 0);
    handle_t handle = 0xdead;
    EXPECT_TRUE(eventually([&] { return u_am_get_app_handle_from_name(&handle, "am_dyn") == 0; }));
    EXPECT_EQ(handle, 0u);
}

TEST_F(AmTest, StartWithoutANameFailsAndTheManagerCarriesOn)
{
    // A start request that arrives with no payload names nothing.
    const am_dispatch_msg_t nameless{"app_mngr", AM_REQ_START_APP, {}, 0};
    ASSERT_EQ(u_amb_dispatch_msg(&nameless), 0);
    static TestApp app("am_after");
    registerAndStart(app);
    EXPECT_NE(app.handle(), 0u);
}

// An application is addressable by name from its init on: what its init's lookup finds.
std::atomic<handle_t> gSelfLookup{0xdead};

int32_t selfLookupInit(const char* name, handle_t)
{
    handle_t found = 0xdead;
    u_am_get_app_handle_from_name(&found, name);
    gSelfLookup.store(found);
    return 0;
}

int32_t selfLookupExit(handle_t, uint32_t)
{
    return 0;
}

int32_t selfLookupProcess(handle_t, uint32_t, const void*, uint32_t)
{
    return 0;
}

TEST_F(AmTest, StartedApplicationIsFoundByNameAlreadyInItsInit)
{
    static amb_register_info_t rec{};
    TestApp::fillRecord(&rec, "am_self");
    rec.tFct = {selfLookupInit, selfLookupExit, selfLookupProcess};
    ASSERT_EQ(u_amb_register_app(&rec), 0);
    ASSERT_EQ(u_amb_sync_start_app("am_self"), 0);
    handle_t handle = 0;
    ASSERT_EQ(u_am_get_app_handle_from_name(&handle, "am_self"), 0);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(gSelfLookup.load(), handle);
}

TEST_F(AmTest, LongNameRegistersUnderItsFirstSixteenCharacters)
{
    static TestApp app("playback_uac_capture");
    EXPECT_STREQ(app.record().acName, "playback_uac_cap");
    registerAndStart(app);
    handle_t handle = 0;
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "playback_uac_cap"), 0);
    EXPECT_EQ(handle, app.handle());
    EXPECT_EQ(u_am_get_app_handle_from_name(&handle, "playback_uac_capture"), -3);
}

TEST_F(AmTest, ConsoleSetsEachModulesDebugLevel)
{
    struct Case {
        const char* line;
        int32_t result;
        uint16_t (*get)();
        uint16_t level;
    };
    const Case cases[] = {
        {"app.am.sdl ea", 0, am_get_dbg_level, 0x103}, {"app.amb.sdl all", 0, amb_get_dbg_level, 0x107},
        {"mw.aee.sdl i", 0, aee_get_dbg_level, 0x404}, {"mw.aee.sdl none", -4, aee_get_dbg_level, 0x404},
        {"app.am.sdl n", 0, am_get_dbg_level, 0x100},  {"app.am.sdl e", 0, am_get_dbg_level, 0x101},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(u_cli_parser(c.line), c.result) << c.line;
        EXPECT_EQ(c.get(), c.level) << c.line;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(u_cli_parser("app.amb.gdl"), 0);
    EXPECT_NE(captured().find("Debug level = eai"), std::string::npos);
}

}  // namespace
