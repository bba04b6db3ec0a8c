// sileth's log lines: printf to standard output, a tag ("<SILETH><APP>" for the daemon, queue,
// pipeline and configuration code, "<SILETH><SRC>" for the input side), "[function:line] " and
// the message. One process-wide level decides what prints: errors from 1, information and debug
// from 2 (3 prints the same as 2). The debug fifo changes it.
#pragma once

#include <atomic>

enum SilethLogClass { SILETH_LOG_ERR = 1, SILETH_LOG_INFO = 2, SILETH_LOG_DBG = 2 };

extern std::atomic<int> _dbg_level;

// One line; a newline is added when the message has none.
void vSilethLog(int cls, const char* tag, const char* func, int line, const char* fmt, ...)
    __attribute__((format(printf, 5, 6)));

#define SILETH_APP_TAG "<SILETH><APP>"
#define SILETH_SRC_TAG "<SILETH><SRC>"

#define APP_ERR(...) vSilethLog(SILETH_LOG_ERR, SILETH_APP_TAG, __func__, __LINE__, __VA_ARGS__)
#define APP_INFO(...) vSilethLog(SILETH_LOG_INFO, SILETH_APP_TAG, __func__, __LINE__, __VA_ARGS__)
#define APP_DBG(...) vSilethLog(SILETH_LOG_DBG, SILETH_APP_TAG, __func__, __LINE__, __VA_ARGS__)
#define SRC_ERR(...) vSilethLog(SILETH_LOG_ERR, SILETH_SRC_TAG, __func__, __LINE__, __VA_ARGS__)
#define SRC_INFO(...) vSilethLog(SILETH_LOG_INFO, SILETH_SRC_TAG, __func__, __LINE__, __VA_ARGS__)
#define SRC_DBG(...) vSilethLog(SILETH_LOG_DBG, SILETH_SRC_TAG, __func__, __LINE__, __VA_ARGS__)

// The untagged lines of the daemon loop and the input dump: "[function,line]:" and the message,
// whatever the level.
#define SILETH_PLAIN(fmt, ...) vSilethPlain(__func__, __LINE__, fmt, ##__VA_ARGS__)
void vSilethPlain(const char* func, int line, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
