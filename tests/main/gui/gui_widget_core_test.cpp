// The widget core and the wrapper table: registration, the record read through slot 0, the
// timers, and the stop before a power change.
#include "main/timerd/gui_timer.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/wrapper/gui_wrapper.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::pair<uint32_t, uint32_t>> gCalls;  // (slot, value behind the pointer or 0)

int32_t musicPowerOff(void*)
{
    gCalls.push_back({GUI_WIDGET_CBK_MUSIC_POWER_OFF, 0});
    return 0;
}

int32_t forceSrcInClr(void* arg)
{
    gCalls.push_back({GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, *static_cast<uint32_t*>(arg)});
    return 0;
}

using WidgetCoreTest = sbtest::SandboxTest;

TEST_F(WidgetCoreTest, WrapperTableFillsTheRecordThroughSlotZero)
{
    const GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    for (uint32_t i = 0; i < GUI_WIDGET_CBK_SLOTS; ++i) {
        const bool sound = i == GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_ENTER ||
                           i == GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_EXIT || i == GUI_WIDGET_CBK_VIRTUAL_XSET ||
                           i == GUI_WIDGET_CBK_XUPMIX_GET || i == GUI_WIDGET_CBK_XUPMIX_SET ||
                           i == GUI_WIDGET_CBK_AUTO_WAKE_SET || i == GUI_WIDGET_CBK_SUR_EN_SET ||
                           i == GUI_WIDGET_CBK_SUR_VOL_SET || i == GUI_WIDGET_CBK_EQ_SET ||
                           i == GUI_WIDGET_CBK_CUS_EQ_SET || i == GUI_WIDGET_CBK_SRC_TOGGLE_EQ_SET ||
                           i == GUI_WIDGET_CBK_MUSIC_NOISE_CLR || i == GUI_WIDGET_CBK_MUSIC_TIMER_RESET ||
                           i == GUI_WIDGET_CBK_POP_MUTE_RESET || i == GUI_WIDGET_CBK_BASS_SET ||
                           i == GUI_WIDGET_CBK_TREBLE_SET || i == GUI_WIDGET_CBK_CENTER_SET ||
                           i == GUI_WIDGET_CBK_SURRIGHT_SET || i == GUI_WIDGET_CBK_SURLEFT_SET ||
                           i == GUI_WIDGET_CBK_HEIGHT_SET || i == GUI_WIDGET_CBK_ERP_SET;
        const bool bt = i == GUI_WIDGET_CBK_BT_SRC_IN_SET ||
                        (i >= GUI_WIDGET_CBK_BT_STS_GET && i <= GUI_WIDGET_CBK_BT_PAUSE) ||
                        i == GUI_WIDGET_CBK_MUSIC_BT_CTRL || i == GUI_WIDGET_CBK_SHOP_SET ||
                        i == GUI_WIDGET_CBK_PCBA_TEST_SET || i == GUI_WIDGET_CBK_MACHINE_TEST_SET ||
                        i == GUI_WIDGET_CBK_USB_CONN_SET;
        const bool wireless =
            (i >= GUI_WIDGET_CBK_WIRELESS_AUD_HOME_SET && i <= GUI_WIDGET_CBK_WIRELESS_AUD_FACTORY_PAIR) ||
            (i >= GUI_WIDGET_CBK_UUID_GET && i <= GUI_WIDGET_CBK_UUID_SET);
        const bool hdmiOrSource = i == GUI_WIDGET_CBK_HDMI_USR_POWER_OFF ||
                                  (i >= GUI_WIDGET_CBK_HDMI_SRC_IN_SET && i <= GUI_WIDGET_CBK_HDMI_EARC_STS_GET) ||
                                  (i >= GUI_WIDGET_CBK_FORCE_SRC_IN_CLR && i <= GUI_WIDGET_CBK_MANUAL_SRC_IN_SET) ||
                                  (i >= GUI_WIDGET_CBK_ROUTING_SRC_IN_CLR && i <= GUI_WIDGET_CBK_SIGNAL_INPUT_GET);
        const bool filled = sound || bt || wireless || hdmiOrSource || i == GUI_WIDGET_CBK_WIDGET_SETTING_GET ||
                            i == GUI_WIDGET_CBK_POWER_ON_FLASH_PARAM_GET || i == GUI_WIDGET_CBK_MUSIC_POWER_OFF ||
                            i == GUI_WIDGET_CBK_POP_MUTE_SET ||
                            (i >= GUI_WIDGET_CBK_ROUTING_MUTE_SET && i <= GUI_WIDGET_CBK_VOL_WIRELESS_SET) ||
                            i == GUI_WIDGET_CBK_SYS_REBOOT || i == GUI_WIDGET_CBK_POWER_IDLE_PREPARE ||
                            i == GUI_WIDGET_CBK_POWER_IDLE ||
                            (i >= GUI_WIDGET_CBK_POWER_ON_PREPARE && i <= GUI_WIDGET_CBK_POWER_OFF) ||
                            i == GUI_WIDGET_CBK_FACTORY_RESET || i == GUI_WIDGET_CBK_AMP_STS_GET ||
                            i == GUI_WIDGET_CBK_DSP_VER_READ ||
                            (i >= GUI_WIDGET_CBK_USB_UDISK_PLUG_STS_GET && i <= GUI_WIDGET_CBK_MUSIC_USB_CTRL);
        EXPECT_EQ(table.slot[i] != nullptr, filled) << "slot " << i;
    }
    EXPECT_EQ(table.slot[GUI_WIDGET_CBK_RESERVED21], nullptr);
    EXPECT_NE(table.WidgetSettingSet, nullptr);

    GuiWrapperSetting* rec = guiWrapperSettingRecord();
    *rec = gGuiWrapperDefaultSetting[1];
    rec->eq_mode = GUI_EQ_MODE_NIGHT;
    guiWrapperInit();
    guiWrapperInit();  // a second start does nothing
    guiWidgetInit();
    GuiWidgetSetting w{};
    guiWidgetSettingGet(&w);
    EXPECT_EQ(w.sales_area, 1u);
    EXPECT_EQ(w.vol, 20) << "night volume in night mode";
    EXPECT_EQ(w.lcd_dimmer_lvl, 1u);
    for (uint32_t t = GUI_WIDGET_TIMER_VER_DISP; t <= GUI_WIDGET_TIMER_WIRELESS_PAIR; ++t) {
        EXPECT_NE(guiWidgetTimerGet(static_cast<GuiWidgetTimer>(t)), 0u) << t;
    }
    EXPECT_EQ(guiWidgetTimerGet(static_cast<GuiWidgetTimer>(17)), 0u);
    guiWidgetExit();
    EXPECT_EQ(guiWidgetTimerGet(GUI_WIDGET_TIMER_VOL), 0u);
    guiWrapperExit();
    guiWidgetSettingGet(nullptr);
    guiWidgetRegisterCbk(nullptr);
}

TEST_F(WidgetCoreTest, DispPlayerStopHaltsEverythingButTheShopDisplay)
{
    GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    table.slot[GUI_WIDGET_CBK_MUSIC_POWER_OFF] = musicPowerOff;
    table.slot[GUI_WIDGET_CBK_FORCE_SRC_IN_CLR] = forceSrcInClr;
    GuiWrapperSetting* rec = guiWrapperSettingRecord();
    *rec = gGuiWrapperDefaultSetting[0];
    rec->aud_src = 4;
    guiWidgetRegisterCbk(&table);
    guiWidgetInit();
    const uint32_t vol = guiWidgetTimerGet(GUI_WIDGET_TIMER_VOL);
    const uint32_t shop = guiWidgetTimerGet(GUI_WIDGET_TIMER_SHOP_DISP);
    guiTimerSet(vol, 60000, 0);
    guiTimerSet(shop, 60000, 0);
    gCalls.clear();
    guiWidgetDispPlayerStop();
    EXPECT_EQ(guiTimerActiveStsGet(vol), 0);
    EXPECT_EQ(guiTimerActiveStsGet(shop), 1) << "the shop display keeps running";
    EXPECT_EQ(gCalls, (std::vector<std::pair<uint32_t, uint32_t>>{{GUI_WIDGET_CBK_MUSIC_POWER_OFF, 0},
                                                                  {GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, 4}}));
    guiWidgetShopDispTimerStop();
    EXPECT_EQ(guiTimerActiveStsGet(shop), 0);
    EXPECT_EQ(guiWidgetMuteStsGet(), 0);
    guiWidgetEvtCusProcess(nullptr);
    guiWidgetExit();
}

}  // namespace
