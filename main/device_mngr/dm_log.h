// The device manager's one debug level, shared by every file of the module and the file manager:
// lines are tagged "<DM>" and gated by bit 1 errors, bit 2 API, bit 4 information.
#pragma once

#include "main/cli/dbg_level.h"

#include <cstdint>

constexpr uint16_t DM_DBG_LEVEL_START = 0x101;

// The stored level ORed with the application layer (0x100).
uint16_t dmGetDbgLevel(void);
void dmSetDbgLevel(uint16_t level);

#define DM_ERR(fmt, ...) dbgPrint(dmGetDbgLevel(), DBG_LEVEL_ERROR, "<DM>" fmt, ##__VA_ARGS__)
#define DM_API(fmt, ...) dbgPrint(dmGetDbgLevel(), DBG_LEVEL_API, "<DM>" fmt, ##__VA_ARGS__)
#define DM_INFO(fmt, ...) dbgPrint(dmGetDbgLevel(), DBG_LEVEL_INFO, "<DM>" fmt, ##__VA_ARGS__)
