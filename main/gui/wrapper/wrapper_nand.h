// NAND parameters and upgrade flags: the boot-parameter record in the MTD partition "custom" that
// the power sequences save and the GUI updates field by field.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

constexpr uint32_t GUI_WRAPPER_NAND_ITEM_DIMMER = 0;
constexpr uint32_t GUI_WRAPPER_NAND_ITEM_VOLUME = 1;
constexpr uint32_t GUI_WRAPPER_NAND_ITEM_CEC_NAME = 2;
constexpr uint32_t GUI_WRAPPER_NAND_REC_WORDS = 7;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperNandInit(void);
void guiWrapperNandExit(void);

void guiWrapperNandPowerOn(const GuiWrapperSetting* s);
void guiWrapperNandPowerOff(const GuiWrapperSetting* s);
// Updates one field of the boot-parameter record from `rec` (word 0 dirty, word 1 volume, word 2
// dimmer level, CEC name at byte 12) and rewrites the partition when that field changed.
void guiWrapperNandParamSet(uint32_t item, const uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS]);
