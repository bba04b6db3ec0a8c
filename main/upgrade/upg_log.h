// The upgrade log: every line of the upgrade component goes to the attempt's log file (when one is
// open, whatever the debug level) and then to standard output as "<UPG_CTRL>" and the line, under
// the module's debug level.
#pragma once

#include <cstdint>
#include <cstdio>

#define UPG_LOG_FILE "/data/misc/OTA_UPG.log"

// The module's level (bits of DBG_LEVEL_*), initially errors, API and information; the get
// function adds the application layer bit.
uint16_t upgCtrlGetDbgLevel(void);
void upgCtrlSetDbgLevel(uint16_t level);

// Writes one line of `kind` (DBG_LEVEL_ERROR, _API or _INFO); a newline is added when the text
// has none.
void upgLog(uint16_t kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

// @return 0 (the log mutex needs no set-up that can fail).
int32_t upgCtrlInitLoggingMutex(void);
void upgCtrlLogFileLock(void);
void upgCtrlLogFileUnlock(void);
// The open log file or null; use it only between lock and unlock.
FILE* upgCtrlGetLogFp(void);
// Opens a fresh UPG_LOG_FILE for a new attempt (creating "/data/misc/" when missing); failures are
// logged and leave the log on standard output only.
void upgCtrlLoggingInit(void);
// Closes the log file.
void upgCtrlLoggingDeinit(void);
// Flushes the log file to disk.
void upgCtrlFlashLogFile(void);
