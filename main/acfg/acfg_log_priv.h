// Log line shapes of the configuration store: "<ACFG>[function:line]:" then the text. The store's
// own lines follow its debug level; the item table's and the accessors' follow the accessors'
// level, which is the state manager's (acfg_accessor.h).
#pragma once

#include "main/acfg/acfg_accessor.h"
#include "main/cli/dbg_level.h"

#include <cstdint>

// The store's debug level (layer bit included), and the console's way to change it.
uint16_t acfgGetDbgLevel(void);
void acfgSetDbgLevel(uint16_t level);

#define ACFG_LOG(kind, fmt, ...) \
    dbgPrint(acfgGetDbgLevel(), (kind), "%s[%s:%d]:" fmt, "<ACFG>", __func__, __LINE__, ##__VA_ARGS__)
#define ACFG_ERR(fmt, ...) ACFG_LOG(DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define ACFG_API(fmt, ...) ACFG_LOG(DBG_LEVEL_API, fmt, ##__VA_ARGS__)
#define ACFG_INFO(fmt, ...) ACFG_LOG(DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)

#define ACFG_SM_LOG(kind, fmt, ...)                                                                          \
    dbgPrint(acfgAccessorGetDbgLevel(), (kind), "%s[%s:%d]:" fmt, "<ACFG>", __func__, __LINE__, \
             ##__VA_ARGS__)
#define ACFG_SM_ERR(fmt, ...) ACFG_SM_LOG(DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define ACFG_SM_INFO(fmt, ...) ACFG_SM_LOG(DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)

// Lines of the GUI's record-map style: "[function,line]:<FLASH>" then the text.
#define ACFG_FLASH_ERR(fmt, ...) \
    dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_ERROR, "[%s,%d]:<FLASH>" fmt "\n\r\n", __func__, __LINE__, ##__VA_ARGS__)
#define ACFG_FLASH_INFO(fmt, ...) \
    dbgPrint(acfgGetDbgLevel(), DBG_LEVEL_INFO, "[%s,%d]:<FLASH>" fmt "\n\r\n", __func__, __LINE__, ##__VA_ARGS__)
