#include "main/gui/wrapper/wrapper_source_stub.h"

#include "platform/sbroot/sb_root.h"

#include <cstdio>
#include <mutex>

namespace {

struct {
    std::mutex lock;  // one line at a time from any number of callers
} gWrapperSourceStub;

void record(const char* call, const char* argument)
{
    std::lock_guard<std::mutex> guard(gWrapperSourceStub.lock);
    FILE* log = fopen(sb::path(WRAPPER_SOURCE_STUB_LOG).c_str(), "a");
    if (log == nullptr) {
        return;
    }
    if (argument != nullptr) {
        fprintf(log, "%s %s\n", call, argument);
    } else {
        fprintf(log, "%s\n", call);
    }
    fclose(log);
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
