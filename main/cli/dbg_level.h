// Debug levels and the one logging rule every module of corvand follows.
//
// A module keeps a u16 level holding only bits 0..2 (errors, API, information); its get function
// ORs in the module's layer bit. A line of kind k is printed only when its layer is not silenced in
// gUi4DisablePrint (console `dis_log`), bit k is set in the level, and gUi4EnableAllLog is 1.
#pragma once

#include <atomic>
#include <cstdint>

constexpr uint16_t DBG_LEVEL_ERROR = 0x01;
constexpr uint16_t DBG_LEVEL_API = 0x02;
constexpr uint16_t DBG_LEVEL_INFO = 0x04;
constexpr uint16_t DBG_LEVEL_ALL = DBG_LEVEL_ERROR | DBG_LEVEL_API | DBG_LEVEL_INFO;

constexpr uint16_t DBG_LAYER_APP = 0x100;
constexpr uint16_t DBG_LAYER_MW = 0x400;
constexpr uint16_t DBG_LAYER_SYS = 0x800;
constexpr uint16_t DBG_LAYER_MASK = 0xff00;

// Written by the console thread, read by every logging thread.
extern std::atomic<uint32_t> gUi4DisablePrint;
extern std::atomic<uint32_t> gUi4EnableAllLog;

// True when a line of `kind` may be printed for a module whose level (layer included) is `level`.
inline bool dbgShouldPrint(uint16_t level, uint16_t kind)
{
    return (gUi4DisablePrint.load(std::memory_order_relaxed) & level & DBG_LAYER_MASK) == 0 &&
           (level & kind) != 0 && gUi4EnableAllLog.load(std::memory_order_relaxed) == 1;
}

// True when the console's own output (help, prompts, messages) may be printed.
inline bool dbgConsoleMayPrint()
{
    return (gUi4DisablePrint.load(std::memory_order_relaxed) & DBG_LAYER_MASK) == 0 &&
           gUi4EnableAllLog.load(std::memory_order_relaxed) == 1;
}

// printf to standard output when dbgShouldPrint(level, kind).
void dbgPrint(uint16_t level, uint16_t kind, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The usual line shapes: "<TAG>[function,line]:" then the text.
#define DBG_ERROR(level, tag, fmt, ...) \
    dbgPrint((level), DBG_LEVEL_ERROR, tag "[%s,%d]:" fmt, __func__, __LINE__, ##__VA_ARGS__)
#define DBG_API(level, tag, fmt, ...) \
    dbgPrint((level), DBG_LEVEL_API, tag "[%s,%d]:" fmt, __func__, __LINE__, ##__VA_ARGS__)
#define DBG_INFO(level, tag, fmt, ...) \
    dbgPrint((level), DBG_LEVEL_INFO, tag "[%s,%d]:" fmt, __func__, __LINE__, ##__VA_ARGS__)
