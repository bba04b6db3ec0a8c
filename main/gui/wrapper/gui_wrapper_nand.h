// The NAND wrapper's boot-parameter record calls the GUI makes.
#pragma once

#include <cstdint>

constexpr uint32_t GUI_WRAPPER_NAND_ITEM_DIMMER = 0;
constexpr uint32_t GUI_WRAPPER_NAND_ITEM_VOLUME = 1;
constexpr uint32_t GUI_WRAPPER_NAND_ITEM_CEC_NAME = 2;
constexpr uint32_t GUI_WRAPPER_NAND_REC_WORDS = 7;

// Updates one field of the boot-parameter record from `rec` (word 0 dirty, word 1 volume, word 2
// dimmer level, CEC name at byte 12) and rewrites the partition when that field changed.
void guiWrapperNandParamSet(uint32_t item, const uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS]);
