// NAND parameters and upgrade flags: two small records in raw MTD partitions, each at the start of
// the partition's first good erase block. The 28-byte boot-parameter record in "custom" (volume,
// front-display dimmer level, CEC OSD name) is rewritten whenever one of its fields changes; the
// 24-byte A/B upgrade-flag record in "misc" is read and written whole for the OTA upgrade.
//
// The callers run on the GUI thread, the music wrapper's timer thread and the OTA thread: every
// partition access and the cached record are serialised under one lock.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

constexpr uint32_t GUI_WRAPPER_NAND_ITEM_DIMMER = 0;
constexpr uint32_t GUI_WRAPPER_NAND_ITEM_VOLUME = 1;
constexpr uint32_t GUI_WRAPPER_NAND_ITEM_CEC_NAME = 2;
constexpr uint32_t GUI_WRAPPER_NAND_REC_WORDS = 7;
constexpr uint32_t GUI_WRAPPER_NAND_REC_SIZE = GUI_WRAPPER_NAND_REC_WORDS * 4;
constexpr uint32_t GUI_WRAPPER_NAND_CEC_NAME_OFFSET = 12;
constexpr uint32_t GUI_WRAPPER_NAND_CEC_NAME_SIZE = 14;
constexpr uint32_t GUI_WRAPPER_NAND_UPG_FLAG_SIZE = 24;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperNandInit(void);
void guiWrapperNandExit(void);

// Primes the cached record (dirty 0, volume, LCD dimmer level) without writing.
void guiWrapperNandPowerOn(const GuiWrapperSetting* s);
// Saves volume, then dimmer level, with dirty 1: the partition is written only for what changed.
void guiWrapperNandPowerOff(const GuiWrapperSetting* s);
// Updates one field of the cached record from `rec` (word 0 dirty, word 1 volume, word 2 dimmer
// level, CEC name at byte 12) and rewrites the partition only when that field changed; word 0
// comes along with a changed field and is never compared.
void guiWrapperNandParamSet(uint32_t item, const uint32_t rec[GUI_WRAPPER_NAND_REC_WORDS]);

// The number N of "/dev/mtdN" whose "/proc/mtd" name equals `name` ignoring case; -1 when none.
int32_t guiWrapperNandPartNumGet(const char* name);
// Erases the first good block of "custom" and writes it whole: `rec` at its start, zeros after.
// 0; -1 for a bad argument (null, empty or larger than a block), no device or no good block.
int32_t guiWrapperNandWrite(const void* rec, uint32_t size);

// The upgrade-flag record from the first good block of "misc". 0; -1 when the partition, a good
// block, the seek or a whole page cannot be had, and then `out` is left as it was.
int32_t guiWrapperNandUpgFlagGet(uint8_t out[GUI_WRAPPER_NAND_UPG_FLAG_SIZE]);
// Erases the first good block of "misc" and writes it whole with `rec` at its start. 0, or -1.
int32_t guiWrapperNandUpgFlagSet(const uint8_t rec[GUI_WRAPPER_NAND_UPG_FLAG_SIZE]);
