// What the digital-input application's files share: their log lines, the switch-on time stamp the
// lines measure from, and the console table.
#pragma once

#include "main/cli/dbg_level.h"

#include <cstdint>

#define SPDIF_ERR(fmt, ...)                                                                                  \
    dbgPrint(i4SpdifInGetDbgLevel(), DBG_LEVEL_ERROR, "<playback_spdif_in>[%s:%d] " fmt, __func__, __LINE__, \
             ##__VA_ARGS__)
#define SPDIF_INFO(fmt, ...)                                                                                \
    dbgPrint(i4SpdifInGetDbgLevel(), DBG_LEVEL_INFO, "<playback_spdif_in>[%s:%d] " fmt, __func__, __LINE__, \
             ##__VA_ARGS__)

uint16_t i4SpdifInGetDbgLevel(void);
void vSpdifInSetDbgLevel(uint16_t level);

// Stamps now as the switch-on time; clears it (before the first switch-on).
void spdifInStampSwitchOn(void);
void spdifInClearSwitchOn(void);
// Logs "\t time(s.ms.us) \n" with the time since the last switch-on (the absolute time before the
// first one).
void spdifInLogTime(void);

// The console table `spdif_in`; the attach and detach results.
int32_t i4SpdifInCliAttachCmdTbl(void);
int32_t spdifInCliDetachCmdTbl(void);
