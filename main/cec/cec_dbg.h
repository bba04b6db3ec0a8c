// Logging of the CEC application: one debug level for the whole subsystem (errors, API,
// information; initially errors and API), read by every thread that logs and set from the console.
// Every line is tagged "<CEC>": a text that starts with the tag is printed as it stands, any other
// text after "<CEC>[function,line]:".
#pragma once

#include "main/cli/dbg_level.h"

#include <cstdint>

constexpr uint16_t CEC_DBG_LEVEL_DEFAULT = DBG_LEVEL_ERROR | DBG_LEVEL_API;

// The stored level ORed with the application layer bit (0x100).
uint16_t cecGetDbgLevel(void);
// Stores the low 16 bits of `level`.
void cecSetDbgLevel(uint32_t level);

// One line of `kind` (DBG_LEVEL_ERROR, _API or _INFO); a newline is added when the text ends in
// none.
void cecLog(uint16_t kind, const char* func, int line, const char* format, ...) __attribute__((format(printf, 4, 5)));

#define CEC_ERR(fmt, ...) cecLog(DBG_LEVEL_ERROR, __func__, __LINE__, fmt, ##__VA_ARGS__)
#define CEC_API(fmt, ...) cecLog(DBG_LEVEL_API, __func__, __LINE__, fmt, ##__VA_ARGS__)
#define CEC_INFO(fmt, ...) cecLog(DBG_LEVEL_INFO, __func__, __LINE__, fmt, ##__VA_ARGS__)
