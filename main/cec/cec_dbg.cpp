#include "main/cec/cec_dbg.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kLineMax = 512;
constexpr const char* kTag = "<CEC>";

DbgModule gCecDbg{kTag, "cec", DBG_LAYER_APP, CEC_DBG_LEVEL_DEFAULT};

}  // namespace

uint16_t cecGetDbgLevel(void)
{
    return gCecDbg.level();
}

void cecSetDbgLevel(uint32_t level)
{
    gCecDbg.setLevel(static_cast<uint16_t>(level & 0xFFFFu));
}

void cecLog(uint16_t kind, const char* func, int line, const char* format, ...)
{
    const uint16_t level = cecGetDbgLevel();
    if (!dbgShouldPrint(level, kind)) {
        return;
    }
    char text[kLineMax];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
    const size_t len = strnlen(text, sizeof text);
    // "...\n\r" and "...\n" end their line already; a bare "\r" or nothing does not.
    const bool ended = (len > 0 && text[len - 1] == '\n') || (len > 1 && text[len - 2] == '\n');
    const char* end = ended ? "" : "\n";
    if (strncmp(text, kTag, strlen(kTag)) == 0) {
        dbgPrint(level, kind, "%s%s", text, end);
    } else {
        dbgPrint(level, kind, "%s[%s,%d]:%s%s", kTag, func, line, text, end);
    }
}
