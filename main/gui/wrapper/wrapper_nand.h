// NAND boot parameters: the power calls of the power sequences. Recorded in the wrapper call log
// until the NAND wrapper is built.
#pragma once

struct GuiWrapperSetting;

void guiWrapperNandPowerOn(const GuiWrapperSetting* s);
void guiWrapperNandPowerOff(const GuiWrapperSetting* s);
