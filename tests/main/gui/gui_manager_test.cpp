#include "main/gui/gui_manager.h"
#include "main/gui/user_interface.h"

#include "main/am/amb/amb.h"
#include "tests/main/am/app_harness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(GuiManagerTest, EventsReachTheGuiManagerAsApplicationMessage35)
{
    apptest::startFramework();
    EXPECT_EQ(guiManagerAppMsgSnd(nullptr), 0);
    GuiMsg idle{};
    idle.msg_id = E_GUI_USR_EVT_POWER_IDLE;
    EXPECT_EQ(guiManagerAppMsgSnd(&idle), 0) << "a failed post is only logged";

    apptest::TestApp gui(GUI_MANAGER_APP_NAME, 1024);
    ASSERT_EQ(u_amb_register_app(&gui.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app(gui.record().acName), 0);
    GuiMsg toggled{};
    toggled.msg_id = E_GUI_SYS_EVT_SRC_TOGGLE_DONE;
    toggled.msg_size = 1;
    toggled.data[0] = 1;
    EXPECT_EQ(guiManagerAppMsgSnd(&toggled), 0);
    ASSERT_TRUE(gui.waitMessages(1));
    const apptest::ReceivedMsg msg = gui.messages().at(0);
    EXPECT_EQ(msg.msgId, 35u);
    ASSERT_EQ(msg.data.size(), 520u + sizeof(GuiMsg));
    appmsg_t head{};
    memcpy(&head, msg.data.data(), sizeof(head));
    EXPECT_EQ(head.ui4_sender_id, 0u);
    EXPECT_EQ(head.ui4_msg_type, 0u);
    const uint8_t expected[4] = {0x04, 0x80, 1, 1};  // little-endian id, size, payload byte
    EXPECT_EQ(memcmp(head.aui1_data, expected, sizeof(expected)), 0);
    gui.stop();
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
}

}  // namespace
