// The user-interface application: its key monitor on the board simulator's input devices, its key
// senders and its console commands, with recording applications under the names it posts to.
#include "main/gui/user_interface.h"

#include "main/cli/cli.h"
#include "main/gui/gui_key.h"
#include "main/gui/gui_manager.h"
#include "main/gui/ui_priv.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/refuse_threads.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Apps {
    apptest::TestApp gui{GUI_MANAGER_APP_NAME, 4096};
    apptest::TestApp sm{"state_mngr", 1024};

    static Apps& get()
    {
        static Apps* apps = [] {
            apptest::startFramework();
            auto* a = new Apps;
            for (apptest::TestApp* app : {&a->gui, &a->sm}) {
                EXPECT_EQ(apptest::registerApp(&app->record()), 0);
                EXPECT_EQ(u_amb_sync_start_app(app->record().acName), 0);
            }
            EXPECT_EQ(uiCliAttachCmdTbl(), 0);
            uiSetDbgLevel(511);
            return a;
        }();
        return *apps;
    }
};

// GUI events (id, size) a recorder holds from `from` on.
std::vector<std::pair<uint16_t, uint8_t>> guiEvents(size_t from)
{
    std::vector<std::pair<uint16_t, uint8_t>> out;
    const auto msgs = Apps::get().gui.messages();
    for (size_t i = from; i < msgs.size(); ++i) {
        GuiMsg m{};
        memcpy(&m, msgs[i].data.data() + 8, sizeof(m));
        out.push_back({m.msg_id, m.msg_size});
    }
    return out;
}

// (message id, sender, body) of the key messages the state manager's recorder holds from `from` on.
std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> smKeys(size_t from)
{
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> out;
    const auto msgs = Apps::get().sm.messages();
    for (size_t i = from; i < msgs.size(); ++i) {
        appmsg_t m{};
        EXPECT_EQ(msgs[i].data.size(), sizeof(m));
        memcpy(&m, msgs[i].data.data(), std::min(sizeof(m), msgs[i].data.size()));
        out.push_back({msgs[i].msgId, m.ui4_sender_id, m.ui4_msg_type});
    }
    return out;
}

bool waitDevices(uint32_t count)
{
    const auto deadline = Clock::now() + apptest::kDeadline;
    while (uiKeyMonitorDeviceCount() != count) {
        if (Clock::now() > deadline) {
            ADD_FAILURE() << uiKeyMonitorDeviceCount() << " devices open";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class KeyMonitorTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        Apps::get();
        guiManagerAppStateSet(GUI_SYS_STATE_OFF);
        ASSERT_EQ(uiKeyMonitorStart(), 0);
        before_ = Apps::get().gui.messages().size();
    }
    void TearDown() override { uiKeyMonitorStop(); }

    std::vector<std::pair<uint16_t, uint8_t>> waitEvents(size_t count)
    {
        EXPECT_TRUE(Apps::get().gui.waitMessages(before_ + count));
        return guiEvents(before_);
    }

    size_t before_ = 0;
};

using Events = std::vector<std::pair<uint16_t, uint8_t>>;

TEST_F(KeyMonitorTest, RemoteAddedAfterStartIsReadUntilRemoved)
{
    sim.ctl("input add KVX_Remote_Controller");
    ASSERT_TRUE(waitDevices(1));
    sim.ctl("input key KVX_Remote_Controller power press");
    sim.ctl("input key KVX_Remote_Controller power repeat");
    sim.ctl("input key KVX_Remote_Controller power repeat");
    sim.ctl("input key KVX_Remote_Controller power release");  // after a hold: nothing
    sim.ctl("input key KVX_Remote_Controller power press");    // alone: nothing
    sim.ctl("input key KVX_Remote_Controller power release");
    guiManagerAppStateSet(GUI_SYS_STATE_IDLE);
    EXPECT_EQ(waitEvents(1), (Events{{0x1000, 1}}));
    sim.ctl("input key KVX_Remote_Controller power click");
    EXPECT_EQ(waitEvents(2), (Events{{0x1000, 1}, {0x1000, 1}}));

    sim.ctl("input remove KVX_Remote_Controller");
    EXPECT_TRUE(waitDevices(0));
}

TEST_F(KeyMonitorTest, KindsByNameAndTheirOrderAfterARemoval)
{
    sim.ctl("input add My_kvx_remote_controller_2");
    sim.ctl("input add Gpio-Keys");
    sim.ctl("input add headset-buttons");
    sim.ctl("input add KVX_Remote_Controller_Mouse");
    ASSERT_TRUE(waitDevices(4));
    sim.ctl("input remove My_kvx_remote_controller_2");
    ASSERT_TRUE(waitDevices(3));
    // A panel device posts for every record, a synchronisation record too.
    sim.ctl("input event Gpio-Keys 1 116 1");
    sim.ctl("input event Gpio-Keys 0 0 0");
    sim.ctl("input event Gpio-Keys 1 116 0");
    EXPECT_EQ(waitEvents(3), (Events{{0x1000, 0}, {0x1000, 0}, {0x1000, 0}}));
    sim.ctl("input key headset-buttons power click");  // other kind: ignored
    sim.ctl("input key KVX_Remote_Controller_Mouse power click");
    EXPECT_EQ(waitEvents(4), (Events{{0x1000, 0}, {0x1000, 0}, {0x1000, 0}, {0x1000, 1}}));
}

TEST_F(KeyMonitorTest, DevicesPresentAtStartAndBeyondTheTableAreRefused)
{
    uiKeyMonitorStop();
    sim.ctl("input add gpio-keys-early");
    sim.ctl("input add broken-remote --no-version");
    ASSERT_EQ(uiKeyMonitorStart(), 0);
    ASSERT_TRUE(waitDevices(1)) << "found by the scan; the one failing its version query is skipped";
    for (int i = 1; i < 15; ++i) {
        sim.ctl("input add extra" + std::to_string(i));
    }
    ASSERT_TRUE(waitDevices(15));
    sim.ctl("input add KVX_Remote_Controller");  // a sixteenth device: no room
    sim.ctl("input key KVX_Remote_Controller power click");
    sim.ctl("input event gpio-keys-early 1 116 1");
    EXPECT_EQ(waitEvents(1), (Events{{0x1000, 0}})) << "the refused remote posted nothing before";
    EXPECT_EQ(uiKeyMonitorDeviceCount(), 15u);
}

TEST_F(KeyMonitorTest, MonitorThatCannotStartIsReportedAndTriedAgain)
{
    uiKeyMonitorStop();
    sbtest::refuseThreads(1);
    const int32_t refused = uiKeyMonitorStart();
    sbtest::refuseThreads(0);
    EXPECT_NE(refused, 0);
    sim.ctl("input add KVX_Remote_Controller");
    ASSERT_EQ(uiKeyMonitorStart(), 0);
    EXPECT_TRUE(waitDevices(1));
}

TEST(UiDeviceKind, ByNameInAnyCase)
{
    const std::vector<std::pair<const char*, uint8_t>> cases = {
        {"kvx-kpd", GUI_KEY_DEV_PANEL},
        {"KVX-KPD keys", GUI_KEY_DEV_PANEL},
        {"kvx-pmic-keys", GUI_KEY_DEV_PANEL},
        {"Gpio-Keys", GUI_KEY_DEV_PANEL},
        {"KVX_Remote_Controller", GUI_KEY_DEV_IR},
        {"kvx_remote_controller_mouse", GUI_KEY_DEV_IR},
        {"gpio-keys KVX_Remote_Controller", GUI_KEY_DEV_IR},
        {"", GUI_KEY_DEV_OTHER},
        {"kvx_remote", GUI_KEY_DEV_OTHER},
    };
    for (const auto& [name, kind] : cases) {
        EXPECT_EQ(uiDeviceKindOfName(name), kind) << name;
    }
}

class UiConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Apps::get();
        smBefore_ = Apps::get().sm.messages().size();
    }

    // Runs console lines; what they printed.
    static std::string console(const std::vector<std::string>& lines)
    {
        fflush(stdout);
        testing::internal::CaptureStdout();
        for (const std::string& line : lines) {
            u_cli_parser(line.c_str());
        }
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> waitSm(size_t count)
    {
        EXPECT_TRUE(Apps::get().sm.waitMessages(smBefore_ + count));
        return smKeys(smBefore_);
    }

    size_t smBefore_ = 0;
};

using Keys = std::vector<std::tuple<uint32_t, uint32_t, uint32_t>>;

TEST_F(UiConsoleTest, KeyCommandSendsTheKeyBody)
{
    const std::vector<std::pair<const char*, uint32_t>> cases = {
        {"249", 36}, {"116", 36}, {"103", 42}, {"108", 43}, {"113", 40},
        {"119", 59}, {"31", 44},  {"32", 52},  {"33", 53},
    };
    Keys want;
    for (const auto& [key, body] : cases) {
        console({std::string("app.user_interface.key ") + key});
        want.push_back({1, 12, body});
    }
    EXPECT_EQ(waitSm(cases.size()), want);

    const std::string out = console({"app.user_interface.key", "app.user_interface.key 1 2", "app.uc.key 9x"});
    EXPECT_NE(out.find("uiCliKeyEvent failed: illegal parameter"), std::string::npos) << out;
    EXPECT_NE(out.find("uiCliKeyEvent success, i4EventNumber=-1"), std::string::npos) << out;
}

TEST_F(UiConsoleTest, IrkeyMapsKeysAndPicksItsTarget)
{
    std::string out = console({"app.user_interface.irkey 105 3"});
    EXPECT_NE(out.find("<user_interface>fail to get handle in function uiUserInterfaceSendKeyToAssistant"),
              std::string::npos)
        << out;
    EXPECT_EQ(waitSm(1), (Keys{{1, 12, 41}}));

    out = console({"app.user_interface.irkey 55 2"});
    EXPECT_EQ(out.find("uiCliBtKeyEvent success"), std::string::npos) << "no target yet";
    out = console({"app.user_interface.irkey 55 1", "app.user_interface.irkey 55 7"});
    EXPECT_NE(out.find("uiCliBtKeyEvent success, i4EventNumber=55, pName= bluetooth"), std::string::npos) << out;
    EXPECT_NE(out.find("Source not defined!"), std::string::npos) << out;
    EXPECT_NE(out.find("uiCliBtKeyEvent success"), out.rfind("uiCliBtKeyEvent success")) << "sent both times";

    uiSetBtParingFlag(0);
    console({"app.user_interface.irkey 106 4", "app.user_interface.irkey 208 4", "app.user_interface.irkey 103 4"});
    EXPECT_EQ(waitSm(3), (Keys{{1, 12, 41}, {1, 12, 39}, {1, 12, 40}})) << "106 pairs, 208 mutes, 103 maps to nothing";
    EXPECT_EQ(uiGetBtParingFlag(), 1);
}

TEST_F(UiConsoleTest, SendersAndLevel)
{
    const size_t guiBefore = Apps::get().gui.messages().size();
    EXPECT_EQ(uiUserInterfaceSendKeyToBt(40), -1) << "not an application of this system";
    EXPECT_EQ(uiUserInterfaceSendKeyToSm(44), 0);
    EXPECT_EQ(uiSendMsg(3, 0x00380000, "state_mngr"), 0);
    ASSERT_TRUE(Apps::get().sm.waitMessages(smBefore_ + 2));
    const auto got = Apps::get().sm.messages();
    EXPECT_EQ(got[smBefore_].msgId, 1u);
    EXPECT_EQ(got[smBefore_ + 1].msgId, 14u);
    appmsg_t m{};
    memcpy(&m, got[smBefore_ + 1].data.data(), std::min(sizeof(m), got[smBefore_ + 1].data.size()));
    EXPECT_EQ(m.ui4_sender_id, 3u);
    EXPECT_EQ(m.ui4_msg_type, 0x00380000u);
    EXPECT_EQ(Apps::get().gui.messages().size(), guiBefore);

    const std::string out = console({"app.user_interface.sdl e", "app.user_interface.gdl"});
    EXPECT_NE(out.find("Debug level = e"), std::string::npos) << out;
    EXPECT_EQ(uiGetDbgLevel(), 0x101);
    uiSetDbgLevel(511);
}

}  // namespace
