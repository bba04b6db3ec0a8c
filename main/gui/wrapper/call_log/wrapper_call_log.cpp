#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include "platform/sbroot/sb_root.h"

#include <cstdio>
#include <mutex>

namespace {

struct {
    std::mutex lock;  // one whole line at a time from any thread
} gWrapperCallLog;

}  // namespace

void wrapperCallLogV(const char* systemPath, const char* format, va_list args)
{
    char line[192];
    std::vsnprintf(line, sizeof(line), format, args);
    std::lock_guard<std::mutex> guard(gWrapperCallLog.lock);
    FILE* out = std::fopen(sb::path(systemPath).c_str(), "a");
    if (out == nullptr) {
        return;
    }
    std::fprintf(out, "%s\n", line);
    std::fclose(out);
}

void wrapperCallLog(const char* systemPath, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    wrapperCallLogV(systemPath, format, args);
    va_end(args);
}
