// HDMI and CEC glue: the power calls of the power sequences. Recorded in the wrapper call log until
// the HDMI wrapper is built.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

void guiWrapperHdmiPowerOff(const GuiWrapperSetting* s);
void guiWrapperHdmiPowerIdle(const GuiWrapperSetting* s);
void guiWrapperHdmiFactoryReset(const GuiWrapperSetting* s);
