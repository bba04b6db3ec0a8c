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
    return (gUi4DisablePrint.load(std::memory_order_relaxed) & level & DBG_LAYER_MASK) == 0 && (level & kind) != 0 &&
           gUi4EnableAllLog.load(std::memory_order_relaxed) == 1;
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

// How a module declares its logging: one of these in its state, holding the tag and file name of
// its start-up failure line and its level. The console writes the level's bits; every logging
// thread reads them with the module's layer ORed in.
class DbgModule {
public:
    constexpr DbgModule(const char* tag, const char* file, uint16_t layer, uint16_t bits)
        : tag_(tag), file_(file), layer_(layer), bits_(bits)
    {
    }
    uint16_t level() const { return static_cast<uint16_t>(bits_.load(std::memory_order_relaxed) | layer_); }
    void setLevel(uint16_t bits) { bits_.store(bits, std::memory_order_relaxed); }
    const char* tag() const { return tag_; }
    const char* file() const { return file_; }

private:
    const char* tag_;
    const char* file_;
    uint16_t layer_;
    std::atomic<uint16_t> bits_;
};

#define DBG_MOD_ERR(mod, fmt, ...) dbgPrint((mod).level(), DBG_LEVEL_ERROR, fmt, ##__VA_ARGS__)
#define DBG_MOD_API(mod, fmt, ...) dbgPrint((mod).level(), DBG_LEVEL_API, fmt, ##__VA_ARGS__)
#define DBG_MOD_INFO(mod, fmt, ...) dbgPrint((mod).level(), DBG_LEVEL_INFO, fmt, ##__VA_ARGS__)
// A start-up step of a module: a failure is logged with the module's tag and file and the line of
// the step, and returned from the calling function.
#define DBG_MOD_TRY(mod, step)                                                                                     \
    do {                                                                                                           \
        const int32_t stepRes = (step);                                                                            \
        if (stepRes != 0) {                                                                                        \
            dbgPrint((mod).level(), DBG_LEVEL_ERROR, "%s ERR: file = %s, line = %d, reason = %d\n\r", (mod).tag(), \
                     (mod).file(), __LINE__, stepRes);                                                             \
            return stepRes;                                                                                        \
        }                                                                                                          \
    } while (0)
