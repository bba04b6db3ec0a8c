#include "main/gui/wrapper/wrapper_source_stub.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdio>

namespace {

void record(const char* call, const char* argument)
{
    if (argument != nullptr) {
        wrapperCallLog(WRAPPER_SOURCE_STUB_LOG, "%s %s", call, argument);
    } else {
        wrapperCallLog(WRAPPER_SOURCE_STUB_LOG, "%s", call);
    }
}

void recordNumber(const char* call, unsigned long value)
{
    char text[24];
    snprintf(text, sizeof(text), "%lu", value);
    record(call, text);
}

}  // namespace

// Weak: the music wrapper takes its place where that is linked.
__attribute__((weak)) void guiWrapperMusicPopMuteSet(uint8_t mute)
{
    recordNumber(__func__, mute);
}

void guiWrapperMusicNoiseUnMute(void)
{
    record(__func__, nullptr);
}

void guiWrapperMusicErpReset(void)
{
    record(__func__, nullptr);
}

void guiWrapperMusicEnergySet(uint32_t energy)
{
    recordNumber(__func__, energy);
}
