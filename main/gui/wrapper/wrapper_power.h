// Power sequences and factory reset: the wrapper-table slots that switch every wrapper between on,
// idle and standby in a fixed order, with the wrapper setting record as their common argument.
// They run on the GUI manager's thread.
#pragma once

#include "main/gui/wrapper/gui_wrapper_setting.h"

#include <cstdint>

// The power state of the wrapper layer beside its setting record.
struct GuiWrapperPwrObj {
    uint32_t pwr_on_state;   // 0 until the first power-on preparation, then 1
    uint8_t is_cold_pwr_on;  // 1 from the first power-on preparation until the second
    GuiWrapperSetting* setting;
};

// The wrapper layer's power state (read by the HDMI wrapper at power on).
const GuiWrapperPwrObj* guiWrapperPwrObjGet(void);

// Slots 2 and 3: given a pointer to the byte is_cold_pwr_on.
int32_t guiWrapperWidgetPowerIdlePrepare(void* isColdPwrOn);
int32_t guiWrapperWidgetPowerIdle(void* isColdPwrOn);
// Slots 5 to 8: the argument is ignored.
int32_t guiWrapperWidgetPowerOnPrepare(void* unused);
int32_t guiWrapperWidgetPowerOn(void* unused);
int32_t guiWrapperWidgetPowerOffPrepare(void* unused);
int32_t guiWrapperWidgetPowerOff(void* unused);
// Slot 11: given a pointer to the byte with_wireless.
int32_t guiWrapperWidgetFactoryReset(void* withWireless);
