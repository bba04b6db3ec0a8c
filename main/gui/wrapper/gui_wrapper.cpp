#include "main/gui/wrapper/gui_wrapper.h"

#include "main/gui/gui_widget_core.h"
#include "main/gui/wrapper/gui_wrapper_log_priv.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_general.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_power.h"

#include <atomic>

namespace {

std::atomic<uint8_t> gWrapperInit{0};

int32_t widgetSettingGetSlot(void* arg)
{
    guiWrapperWidgetSettingGet(static_cast<GuiWidgetSetting*>(arg));
    return 0;
}

int32_t powerOnFlashParamGetSlot(void*)
{
    guiWrapperPowerOnFlashParamGet(guiWrapperSettingRecord());
    return 0;
}

// A slot whose wrapper takes a pointer to the widget's one byte.
template <void (*F)(const uint8_t*)>
int32_t byteSlot(void* arg)
{
    F(static_cast<const uint8_t*>(arg));
    return 0;
}

int32_t popMuteSetSlot(void* arg)
{
    if (arg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return -1;
    }
    guiWrapperMusicPopMuteSet(*static_cast<const uint8_t*>(arg));
    return 0;
}

int32_t musicPowerOffSlot(void*)
{
    guiWrapperMusicPowerOff(0);
    return 0;
}

int32_t sysRebootSlot(void* arg)
{
    guiWrapperWidgetSysReboot(arg);
    return 0;
}

}  // namespace

GuiWidgetCbkTable guiWrapperCbkTableBuild(void)
{
    GuiWidgetCbkTable t{};
    t.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET] = widgetSettingGetSlot;
    t.WidgetSettingSet = guiWrapperWidgetSettingSet;
    t.slot[GUI_WIDGET_CBK_POWER_ON_FLASH_PARAM_GET] = powerOnFlashParamGetSlot;
    t.slot[GUI_WIDGET_CBK_MUSIC_POWER_OFF] = musicPowerOffSlot;
    t.slot[GUI_WIDGET_CBK_POP_MUTE_SET] = popMuteSetSlot;
    t.slot[GUI_WIDGET_CBK_ROUTING_MUTE_SET] = byteSlot<guiWrapperWidgetRoutingMuteSet>;
    t.slot[GUI_WIDGET_CBK_MUTE_SET] = byteSlot<guiWrapperWidgetMuteSet>;
    t.slot[GUI_WIDGET_CBK_VOL_SET] = byteSlot<guiWrapperWidgetVolSet>;
    t.slot[GUI_WIDGET_CBK_VOL_SYNC] = byteSlot<guiWrapperWidgetVolSync>;
    t.slot[GUI_WIDGET_CBK_VOL_BT_SET] = byteSlot<guiWrapperWidgetVolBtSet>;
    t.slot[GUI_WIDGET_CBK_VOL_WIRELESS_SET] = byteSlot<guiWrapperWidgetVolWirelessSet>;
    t.slot[GUI_WIDGET_CBK_SYS_REBOOT] = sysRebootSlot;
    t.slot[GUI_WIDGET_CBK_POWER_IDLE_PREPARE] = guiWrapperWidgetPowerIdlePrepare;
    t.slot[GUI_WIDGET_CBK_POWER_IDLE] = guiWrapperWidgetPowerIdle;
    t.slot[GUI_WIDGET_CBK_POWER_ON_PREPARE] = guiWrapperWidgetPowerOnPrepare;
    t.slot[GUI_WIDGET_CBK_POWER_ON] = guiWrapperWidgetPowerOn;
    t.slot[GUI_WIDGET_CBK_POWER_OFF_PREPARE] = guiWrapperWidgetPowerOffPrepare;
    t.slot[GUI_WIDGET_CBK_POWER_OFF] = guiWrapperWidgetPowerOff;
    t.slot[GUI_WIDGET_CBK_FACTORY_RESET] = guiWrapperWidgetFactoryReset;
    t.slot[GUI_WIDGET_CBK_AMP_STS_GET] = [](void* out) -> int32_t {
        guiWrapperAmpStsGet(out);
        return 0;
    };
    return t;
}

void guiWrapperInit(void)
{
    if (gWrapperInit.load() != 0) {
        GUI_LOG_INFO("wrapper already initialised");
        return;
    }
    GUI_LOG_INFO("*************begin ");
    const GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    guiWidgetRegisterCbk(&table);
    // The sixteen wrappers (NAND, amplifiers, music, Bluetooth, wireless audio, USB, HDMI and its
    // upgrade, Roku, EzPlay, phone app, Dolby, DTS, system, wireless and OTA upgrades) start here
    // in that order once they exist.
    guiWrapperAmpInit();
    guiWrapperMusicInit();
    gWrapperInit = 1;
    GUI_LOG_INFO("*************end ");
}

void guiWrapperExit(void)
{
    guiWrapperMusicExit();
    guiWrapperAmpExit();
    gWrapperInit = 0;
}
