// Bluetooth-module wrapper: the calls of the power sequences. Recorded in the wrapper call log
// until the Bluetooth wrapper is built.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

void guiWrapperBtPowerOn(const GuiWrapperSetting* s);
void guiWrapperBtPowerOff(const GuiWrapperSetting* s);
void guiWrapperBtFactoryReset(uint32_t unused);
void guiWrapperBtVolSet(uint8_t vol);
// Copies a MAC address the module reported and that is not yet saved into the record.
void guiWrapperBtMacAddrSync(GuiWrapperSetting* s);
