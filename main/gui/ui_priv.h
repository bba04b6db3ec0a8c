// The user-interface application's pieces between its files.
#pragma once

#include "main/cli/dbg_level.h"
#include "main/gui/user_interface.h"

#include <cstdint>

#define UI_LOG_ERR(fmt, ...) dbgPrint(uiGetDbgLevel(), DBG_LEVEL_ERROR, fmt "\n", ##__VA_ARGS__)
#define UI_LOG_API(fmt, ...) dbgPrint(uiGetDbgLevel(), DBG_LEVEL_API, fmt "\n", ##__VA_ARGS__)
#define UI_LOG_INFO(fmt, ...) dbgPrint(uiGetDbgLevel(), DBG_LEVEL_INFO, fmt "\n", ##__VA_ARGS__)

// Attaches the console directory "user_interface".
int32_t uiCliAttachCmdTbl(void);

// The key monitor: a thread that watches "/dev/input" and feeds key input. Start returns 0 or the
// thread's creation failure; stop ends and joins it.
int32_t uiKeyMonitorStart(void);
void uiKeyMonitorStop(void);

// Devices the monitor has open now (for its tests, which wait for a device to be taken in).
uint32_t uiKeyMonitorDeviceCount(void);

// Device kind of an input device by its name.
uint8_t uiDeviceKindOfName(const char* name);
// Poll entries the monitor keeps: its directory watch and up to 15 devices.
constexpr uint32_t UI_MAX_POLL_ENTRIES = 16;
