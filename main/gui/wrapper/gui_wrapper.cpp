#include "main/gui/wrapper/gui_wrapper.h"

#include "main/gui/wrapper/gui_wrapper_log_priv.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/wrapper/wrapper_amp.h"
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

}  // namespace

GuiWidgetCbkTable guiWrapperCbkTableBuild(void)
{
    GuiWidgetCbkTable t{};
    t.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET] = widgetSettingGetSlot;
    t.WidgetSettingSet = guiWrapperWidgetSettingSet;
    t.slot[GUI_WIDGET_CBK_POWER_ON_FLASH_PARAM_GET] = powerOnFlashParamGetSlot;
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
    gWrapperInit = 1;
    GUI_LOG_INFO("*************end ");
}

void guiWrapperExit(void)
{
    guiWrapperAmpExit();
    gWrapperInit = 0;
}
