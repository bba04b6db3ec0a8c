#include "sileth/sileth_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::atomic<int> _dbg_level{3};

namespace {

// The whole line is formatted first and printed by one call, so lines of several threads (and of
// the pipeline child) do not interleave.
void emit(const char* head, const char* fmt, va_list ap)
{
    char text[1024];
    vsnprintf(text, sizeof(text), fmt, ap);
    const size_t len = std::strlen(text);
    const bool ends = len > 0 && text[len - 1] == '\n';
    printf("%s%s%s", head, text, ends ? "" : "\n");
}

}  // namespace

void vSilethLog(int cls, const char* tag, const char* func, int line, const char* fmt, ...)
{
    if (_dbg_level.load(std::memory_order_relaxed) < cls) {
        return;
    }
    char head[160];
    snprintf(head, sizeof(head), "%s[%s:%d] ", tag, func, line);
    va_list ap;
    va_start(ap, fmt);
    emit(head, fmt, ap);
    va_end(ap);
}

void vSilethPlain(const char* func, int line, const char* fmt, ...)
{
    char head[128];
    snprintf(head, sizeof(head), "[%s,%d]:", func, line);
    va_list ap;
    va_start(ap, fmt);
    emit(head, fmt, ap);
    va_end(ap);
}
