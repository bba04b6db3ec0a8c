#include "main/cli/dbg_level.h"

#include <cstdarg>
#include <cstdio>

std::atomic<uint32_t> gUi4DisablePrint{0};
std::atomic<uint32_t> gUi4EnableAllLog{1};

void dbgPrint(uint16_t level, uint16_t kind, const char* format, ...)
{
    if (!dbgShouldPrint(level, kind)) {
        return;
    }
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}
