#include "main/gui/wrapper/wrapper_stub_log_priv.h"

#include "main/gui/wrapper/usb_stub/wrapper_usb_stub.h"
#include "platform/sbroot/sb_root.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

struct {
    std::mutex lock;  // one whole line at a time from any thread
} gWrapperStubLog;

}  // namespace

void wrapperStubLog(const char* format, ...)
{
    char line[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(gWrapperStubLog.lock);
    FILE* out = std::fopen(sb::path(WRAPPER_USB_CALL_LOG).c_str(), "a");
    if (out == nullptr) {
        return;
    }
    std::fprintf(out, "%s\n", line);
    std::fclose(out);
}
