#include "main/upgrade/upg_log.h"

#include "main/cli/dbg_level.h"
#include "platform/sbroot/sb_root.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kLogDir = "/data/misc/";
constexpr size_t kLineMax = 1024;

struct UpgLog {
    std::atomic<uint16_t> dbg_level{DBG_LEVEL_ALL};
    std::mutex tLogMutex;
    FILE* prLogFp = nullptr;  // guarded by tLogMutex
};

UpgLog gLog;

}  // namespace

uint16_t upgCtrlGetDbgLevel(void)
{
    return gLog.dbg_level.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void upgCtrlSetDbgLevel(uint16_t level)
{
    gLog.dbg_level.store(level & DBG_LEVEL_ALL, std::memory_order_relaxed);
}

void upgLog(uint16_t kind, const char* format, ...)
{
    char line[kLineMax];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
    const size_t len = strnlen(line, sizeof line);
    const char* end = (len > 0 && line[len - 1] == '\n') ? "" : "\n";
    {
        std::lock_guard<std::mutex> guard(gLog.tLogMutex);
        if (gLog.prLogFp != nullptr) {
            fprintf(gLog.prLogFp, "%s%s", line, end);
        }
    }
    dbgPrint(upgCtrlGetDbgLevel(), kind, "<UPG_CTRL>%s%s", line, end);
}

int32_t upgCtrlInitLoggingMutex(void)
{
    upgLog(DBG_LEVEL_INFO, "Init logging mutex lock successed!");
    return 0;
}

void upgCtrlLogFileLock(void)
{
    gLog.tLogMutex.lock();
}

void upgCtrlLogFileUnlock(void)
{
    gLog.tLogMutex.unlock();
}

FILE* upgCtrlGetLogFp(void)
{
    return gLog.prLogFp;
}

void upgCtrlLoggingInit(void)
{
    const std::string dir = sb::path(kLogDir);
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        upgLog(DBG_LEVEL_ERROR, "can not mkdir %s\n", kLogDir);
        return;
    }
    FILE* fp = fopen(sb::path(UPG_LOG_FILE).c_str(), "w");
    if (fp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "can not open UPG_LOG_FILE.");
        return;
    }
    {
        // A file left open by an attempt that never ended is closed, not leaked.
        std::lock_guard<std::mutex> guard(gLog.tLogMutex);
        if (gLog.prLogFp != nullptr) {
            fclose(gLog.prLogFp);
        }
        gLog.prLogFp = fp;
    }
    upgLog(DBG_LEVEL_INFO, "OTA under processing, Storing log to %s\n", UPG_LOG_FILE);
}

void upgCtrlLoggingDeinit(void)
{
    std::lock_guard<std::mutex> guard(gLog.tLogMutex);
    if (gLog.prLogFp != nullptr) {
        fclose(gLog.prLogFp);
        gLog.prLogFp = nullptr;
    }
}

void upgCtrlFlashLogFile(void)
{
    std::lock_guard<std::mutex> guard(gLog.tLogMutex);
    if (gLog.prLogFp != nullptr) {
        fflush(gLog.prLogFp);
        fsync(fileno(gLog.prLogFp));
    }
}
