// The GUI manager: its message function driven on the test's thread (routing, allow windows, the
// filter's side effects), its delayed slot and its posts, which land at a recording application
// registered as "gui_namager".
#include "main/gui/gui_manager.h"
#include "main/timerd/gui_timer.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/user_interface.h"

#include "main/am/amb/amb.h"
#include "main/cli/cli.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> wrap(const GuiMsg& msg)
{
    std::vector<uint8_t> data(8 + sizeof(msg), 0);
    memcpy(data.data() + 8, &msg, sizeof(msg));
    return data;
}

GuiMsg event(uint16_t id, std::vector<uint8_t> payload = {})
{
    GuiMsg msg{};
    msg.msg_id = id;
    msg.msg_size = static_cast<uint8_t>(payload.size());
    if (!payload.empty()) {
        memcpy(msg.data, payload.data(), payload.size());
    }
    return msg;
}

// Runs first: before the fixture below starts the manager.
TEST(GuiManagerRecord, RegistrationValues)
{
    amb_register_info_t info{};
    a_gui_manager_register(&info);
    EXPECT_STREQ(info.acName, "gui_namager");
    EXPECT_EQ(info.ui4StackSize, 131072u);
    EXPECT_EQ(info.ui1Priority, 130);
    EXPECT_EQ(info.ui2SecCount, 64);
    EXPECT_EQ(info.ui2QueueLen, 128);
    EXPECT_EQ(info.ui2MaxPayload, 4096);
    EXPECT_EQ(info.ui8Reserved, ~0ULL);
    EXPECT_EQ(guiManagerAppProcessMsg(0, E_APP_MSG_TYPE_GUI, nullptr, 0), -1) << "not started yet";
}

class GuiManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The manager's start reaches the display and the shell-command client: inside a root.
        sandbox_ = new sbtest::Sandbox;
        apptest::startFramework();
        gui_ = new apptest::TestApp(GUI_MANAGER_APP_NAME, 4096);
        ASSERT_EQ(apptest::registerApp(&gui_->record()), 0);
        ASSERT_EQ(u_amb_sync_start_app(gui_->record().acName), 0);
        ASSERT_EQ(guiManagerAppInit(GUI_MANAGER_APP_NAME, 0), 0);
    }

    void SetUp() override
    {
        guiManagerAppStateSet(GUI_SYS_STATE_OFF);
        run({event(E_GUI_SYS_EVT_ALLOW_TIMEOUT)});
    }

    // Runs each event through the message function as the manager's thread would; what it printed.
    static std::string run(const std::vector<GuiMsg>& events)
    {
        fflush(stdout);
        testing::internal::CaptureStdout();
        for (const GuiMsg& msg : events) {
            const std::vector<uint8_t> data = wrap(msg);
            EXPECT_EQ(guiManagerAppProcessMsg(0, E_APP_MSG_TYPE_GUI, data.data(), data.size()), 0);
        }
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    // GUI events the recorder received from index `from` on.
    static std::vector<uint16_t> postedSince(size_t from)
    {
        std::vector<uint16_t> ids;
        const auto msgs = gui_->messages();
        for (size_t i = from; i < msgs.size(); ++i) {
            GuiMsg m{};
            memcpy(&m, msgs[i].data.data() + 8, sizeof(m));
            ids.push_back(m.msg_id);
        }
        return ids;
    }

    static void TearDownTestSuite()
    {
        guiManagerAppExit(0, 0);
        gui_->stop();  // nothing reaches the recorder while the process ends
        delete sandbox_;
        sandbox_ = nullptr;
    }

    static apptest::TestApp* gui_;
    static sbtest::Sandbox* sandbox_;
};

apptest::TestApp* GuiManagerTest::gui_ = nullptr;
sbtest::Sandbox* GuiManagerTest::sandbox_ = nullptr;

bool has(const std::string& out, const std::string& text)
{
    return out.find(text) != std::string::npos;
}

TEST_F(GuiManagerTest, RoutesByRangeAndDropsTheRest)
{
    struct Case {
        uint16_t id;
        const char* ran;  // the line of the handler that runs, or null
    };
    const Case cases[] = {
        {0x1000, "Powering On!"},
        {0x107D, "guiWidgetUuidWriteProcess not built yet"},
        {0x8004, "src_gst_sts=0, play_sts=0!"},
        {0x8036, "guiWidgetDspVerReadProcess not built yet"},
        {0xF000, "guiPdtEvtProcess not built yet"},
        {0xFF0C, "guiPdtEvtProcess not built yet"},
        {0x107E, nullptr},
        {0x8037, nullptr},
        {0x9000, nullptr},
        {0x0FFF, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const std::string out = run({event(c.id)});
        if (c.ran != nullptr) {
            EXPECT_TRUE(has(out, c.ran)) << out;
        } else {
            EXPECT_FALSE(has(out, "usr_evt") || has(out, "sys_evt") || has(out, "guiPdtEvtProcess")) << out;
        }
    }
    for (uint16_t id : {0x100F, 0x8005, 0x8006, 0x8024, 0x8025}) {
        const std::string out = run({event(id)});
        EXPECT_FALSE(has(out, "not built yet")) << "reserved 0x" << std::hex << id << " runs nothing\n" << out;
    }
}

TEST_F(GuiManagerTest, AllowWindowsOpenAtPowerOnAndCloseAtTheTimeout)
{
    struct Window {
        uint16_t id;
        const char* limited;
        const char* handler;
    };
    const Window windows[] = {
        {0x105B, "Evt=4187 Limited, PDT MODE ALLOW TIMEOUT!", "guiWidgetPdtModeProcess not built yet"},
        {0x1058, "Evt=4184 Limited, PDT MODE ALLOW TIMEOUT!", "guiWidgetBypassModeProcess not built yet"},
        {0x106D, "Evt=4205 Limited, BT USB UPGRADE ALLOW TIMEOUT!", "guiWidgetBtUsbUpgradeProcess"},
        {0x106E, "Evt=4206 Limited, WIRELESS AUDIO USB UPGRADE ALLOW TIMEOUT!", "guiWidgetWirelessTxUdisk"},
        {0x106F, "Evt=4207 Limited, WIRELESS AUDIO OTA UPGRADE ALLOW TIMEOUT!", "guiWidgetWirelessRxUdisk"},
        {0x1070, "Evt=4208 Limited, HDMI UDISK UPGRADE ALLOW TIMEOUT!", "guiWidgetHdmiUDiskUpgradeProcess"},
        {0x1071, "Evt=4209 Limited, DSP UDISK UPGRADE ALLOW TIMEOUT!", "guiWidgetDspUDiskUpgradeProcess"},
        {0x1072, "Evt=4210 Limited, BT UDISK UPGRADE ALLOW TIMEOUT!", "guiWidgetBtUDiskUpgradeProcess"},
    };
    for (uint16_t opener : {E_GUI_USR_EVT_POWER_ON, E_GUI_SYS_EVT_SYS_POWER_ON}) {
        for (const Window& w : windows) {
            SCOPED_TRACE(w.limited);
            std::string out = run({event(w.id)});
            EXPECT_TRUE(has(out, w.limited)) << out;
            EXPECT_FALSE(has(out, w.handler));
            out = run({event(opener), event(w.id)});
            EXPECT_FALSE(has(out, "Limited")) << out;
            EXPECT_TRUE(has(out, w.handler)) << out;
            out = run({event(E_GUI_SYS_EVT_ALLOW_TIMEOUT), event(w.id)});
            EXPECT_TRUE(has(out, w.limited)) << out;
        }
    }
}

TEST_F(GuiManagerTest, StateSideEffectsComeFirst)
{
    guiManagerAppStateSet(GUI_SYS_STATE_STANDARD_TEST);
    std::string out = run({event(E_GUI_USR_EVT_VOL_UP)});
    EXPECT_FALSE(has(out, "guiWidgetStandardTestProcess")) << out;
    out = run({event(E_GUI_USR_EVT_EQ_DISP)});
    const size_t leave = out.find("guiWidgetStandardTestProcess not built yet");
    ASSERT_NE(leave, std::string::npos) << out;
    EXPECT_NE(out.find("[guiWidgetEqDispProcess,", leave), std::string::npos) << out;

    guiManagerAppStateSet(GUI_SYS_STATE_BYPASS);
    out = run({event(E_GUI_USR_EVT_POWER_OFF)});
    const size_t bypass = out.find("guiWidgetBypassModeProcess not built yet");
    ASSERT_NE(bypass, std::string::npos) << out;
    EXPECT_NE(out.find("Powering Off!", bypass), std::string::npos) << out;
    out = run({event(E_GUI_USR_EVT_VOL_UP)});
    EXPECT_FALSE(has(out, "guiWidgetBypassModeProcess")) << out;

    guiManagerAppStateSet(GUI_SYS_STATE_SHOP);
    const uint32_t shopTimer = guiWidgetTimerGet(GUI_WIDGET_TIMER_SHOP_DISP);
    guiTimerSet(shopTimer, 60000, 0);
    run({event(E_GUI_USR_EVT_VOL_UP)});
    EXPECT_EQ(guiTimerActiveStsGet(shopTimer), 0) << "any user event stops the shop display timer";

    for (uint16_t id : {E_GUI_USR_EVT_MENU_ENTER, E_GUI_USR_EVT_AUTO_STANDBY_DISP}) {
        guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
        run({event(id)});
        EXPECT_EQ(guiManagerAppStateGet(), GUI_SYS_STATE_MENU);
    }
}

TEST_F(GuiManagerTest, PowerStatesFollowTheirEvents)
{
    struct Case {
        const char* name;
        uint32_t from;
        GuiMsg evt;
        uint32_t to;
        const char* line;
    };
    const Case cases[] = {
        {"idle at start: the cold path", GUI_SYS_STATE_OFF, event(E_GUI_USR_EVT_POWER_IDLE), GUI_SYS_STATE_IDLE,
         "Power Idle!"},
        {"idle while waking: nothing", GUI_SYS_STATE_ON, event(E_GUI_USR_EVT_POWER_IDLE), GUI_SYS_STATE_ON, nullptr},
        {"power on from idle", GUI_SYS_STATE_IDLE, event(E_GUI_USR_EVT_POWER_ON), GUI_SYS_STATE_ON,
         "sys_state:0x4 Powering On!"},
        {"power on while on: nothing", GUI_SYS_STATE_ON, event(E_GUI_USR_EVT_POWER_ON), GUI_SYS_STATE_ON, nullptr},
        {"power on from a source: nothing", GUI_SYS_STATE_SRC_AUX, event(E_GUI_USR_EVT_POWER_ON), GUI_SYS_STATE_SRC_AUX,
         nullptr},
        {"wake-up from the system", GUI_SYS_STATE_SRC_AUX, event(E_GUI_SYS_EVT_SYS_POWER_ON, {7}), GUI_SYS_STATE_ON,
         "wakeup_aud_src=7!"},
        {"power off from idle", GUI_SYS_STATE_IDLE, event(E_GUI_USR_EVT_POWER_OFF), GUI_SYS_STATE_TRANSIT,
         "sys_state=0x4, Powering Off!"},
        {"power off from off: only logged", GUI_SYS_STATE_OFF, event(E_GUI_USR_EVT_POWER_OFF), GUI_SYS_STATE_OFF,
         "sys_state=0x1, Powering Off!"},
        // The wrapper layer's reset ends in the idle state (after its six seconds).
        {"factory reset", GUI_SYS_STATE_SRC_OPT, event(E_GUI_USR_EVT_FACTORY_RESET), GUI_SYS_STATE_IDLE,
         "Factory Reset!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guiManagerAppStateSet(c.from);
        const size_t before = gui_->messages().size();
        const std::string out = run({c.evt});
        EXPECT_EQ(guiManagerAppStateGet(), c.to);
        if (c.line != nullptr) {
            EXPECT_TRUE(has(out, c.line)) << out;
        }
        if (c.evt.msg_id == E_GUI_USR_EVT_POWER_OFF && c.from == GUI_SYS_STATE_IDLE) {
            ASSERT_TRUE(gui_->waitMessages(before + 1));
            EXPECT_EQ(postedSince(before).at(0), E_GUI_SYS_EVT_HOME_HIDE);
        }
    }
    guiManagerAppMsgSndStop();
}

TEST_F(GuiManagerTest, BtConnectedPlaysItsToneOnlyInASourceState)
{
    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    EXPECT_FALSE(has(run({event(E_GUI_SYS_EVT_BT_CONNECTED)}), "guiToneBtStsProcess"));
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_BT);
    EXPECT_TRUE(has(run({event(E_GUI_SYS_EVT_BT_CONNECTED)}), "guiToneBtStsProcess"));
}

TEST_F(GuiManagerTest, DelayedSlotKeepsOnlyTheLastMessage)
{
    const size_t before = gui_->messages().size();
    GuiMsg first = event(E_GUI_USR_EVT_SRC_ARC);
    GuiMsg second = event(E_GUI_USR_EVT_SRC_HDMI);
    guiManagerAppMsgSndDly(&first, 300);
    guiManagerAppMsgSndDly(&second, 300);
    ASSERT_TRUE(gui_->waitMessages(before + 1));
    GuiMsg marker = event(0x9999);
    guiManagerAppMsgSnd(&marker);
    ASSERT_TRUE(gui_->waitMessages(before + 2));
    EXPECT_EQ(postedSince(before), (std::vector<uint16_t>{E_GUI_USR_EVT_SRC_HDMI, 0x9999}));

    // Delay 0, a cancel and a stop each leave the waiting message unsent.
    GuiMsg never = event(E_GUI_USR_EVT_SRC_OPT);
    guiManagerAppMsgSndDly(&never, 0);
    guiManagerAppMsgSndDly(&never, 5000);
    guiManagerAppMsgSndCancel(&never);
    guiManagerAppMsgSndDly(&never, 5000);
    guiManagerAppMsgSndStop();
    guiManagerAppMsgSndDly(&never, 5000);
    run({event(E_GUI_USR_EVT_POWER_OFF)});  // drops a pending delayed message too
    EXPECT_EQ(guiManagerAppMsgSndDly(nullptr, 10), 0);
    EXPECT_EQ(guiManagerAppMsgSndCancel(nullptr), 0);

    // A framework timer message with data word 0 posts the slot as it stands.
    const size_t mark = gui_->messages().size();
    const uint32_t word = 0;
    ASSERT_EQ(guiManagerAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, &word, sizeof(word)), 0);
    const uint32_t other = 3;
    ASSERT_EQ(guiManagerAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, &other, sizeof(other)), 0);
    guiManagerAppMsgSnd(&marker);
    ASSERT_TRUE(gui_->waitMessages(mark + 2));
    EXPECT_EQ(postedSince(before + 2), (std::vector<uint16_t>{E_GUI_USR_EVT_SRC_OPT, 0x9999}));
}

TEST_F(GuiManagerTest, EventsReachTheGuiManagerAsApplicationMessage35)
{
    EXPECT_EQ(guiManagerAppMsgSnd(nullptr), 0);
    const size_t before = gui_->messages().size();
    GuiMsg toggled{};
    toggled.msg_id = E_GUI_SYS_EVT_SRC_TOGGLE_DONE;
    toggled.msg_size = 1;
    toggled.data[0] = 1;
    EXPECT_EQ(guiManagerAppMsgSnd(&toggled), 0);
    ASSERT_TRUE(gui_->waitMessages(before + 1));
    const apptest::ReceivedMsg msg = gui_->messages().at(before);
    EXPECT_EQ(msg.msgId, 35u);
    ASSERT_EQ(msg.data.size(), 520u + sizeof(GuiMsg));
    appmsg_t head{};
    memcpy(&head, msg.data.data(), sizeof(head));
    EXPECT_EQ(head.ui4_sender_id, 0u);
    EXPECT_EQ(head.ui4_msg_type, 0u);
    const uint8_t expected[4] = {0x04, 0x80, 1, 1};  // little-endian id, size, payload byte
    EXPECT_EQ(memcmp(head.aui1_data, expected, sizeof(expected)), 0);
}

TEST_F(GuiManagerTest, RegistrationAndConsole)
{
    amb_register_info_t info{};
    a_gui_manager_register(&info);
    EXPECT_EQ(info.ui1Priority, 0) << "unchanged once started";

    fflush(stdout);
    testing::internal::CaptureStdout();
    EXPECT_EQ(u_cli_parser("app.gui_manager.sdl e"), 0);
    EXPECT_EQ(u_cli_parser("app.gui_manager.gdl"), 0);
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(has(out, "Debug level = e")) << out;
    EXPECT_EQ(guiManagerGetDbgLevel(), 0x101);
    guiManagerSetDbgLevel(511);
}

TEST(UserInterfaceFlags, StoreAndReadBack)
{
    EXPECT_EQ(uiGetFactoryResetFlag(), 0);
    uiSetWifiSetupFlag(1);
    uiSetBtParingFlag(1);
    EXPECT_EQ(uiGetWifiSetupFlag(), 1);
    EXPECT_EQ(uiGetBtParingFlag(), 1);
    uiSetWifiSetupFlag(0);
    EXPECT_EQ(uiGetWifiSetupFlag(), 0);
    EXPECT_EQ(uiGetBtParingFlag(), 1);
    uiSetFactoryResetFlag(1);
    EXPECT_EQ(uiGetFactoryResetFlag(), 1);
    uiSetFactoryResetFlag(0);
}

}  // namespace
