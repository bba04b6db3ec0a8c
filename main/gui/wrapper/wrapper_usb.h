// USB music wrapper: the power calls of the power sequences. Recorded in the wrapper call log until
// the USB wrapper is built.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

void guiWrapperUsbPowerOn(const GuiWrapperSetting* s);
void guiWrapperUsbPowerOff(uint32_t unused);
void guiWrapperUsbFactoryReset(uint32_t unused);
