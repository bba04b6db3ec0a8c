// HDMI and CEC glue: the power calls of the power sequences. Recorded in the wrapper call log until
// the HDMI wrapper is built.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;
struct GuiWrapperPwrObj;

void guiWrapperHdmiPowerOff(const GuiWrapperSetting* s);
void guiWrapperHdmiPowerIdle(const GuiWrapperSetting* s);
void guiWrapperHdmiFactoryReset(const GuiWrapperSetting* s);
// Given the whole power state, so that it sees the cold boot.
void guiWrapperHdmiPowerOn(const GuiWrapperPwrObj* obj);
