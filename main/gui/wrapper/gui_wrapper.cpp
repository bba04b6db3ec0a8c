#include "main/gui/wrapper/gui_wrapper.h"

#include "main/gui/wrapper/gui_wrapper_log_priv.h"
#include "main/gui/gui_widget_core.h"

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
    gWrapperInit = 1;
    GUI_LOG_INFO("*************end ");
}

void guiWrapperExit(void)
{
    gWrapperInit = 0;
}
