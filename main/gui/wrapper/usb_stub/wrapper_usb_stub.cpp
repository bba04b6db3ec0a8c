#include "main/gui/wrapper/usb_stub/wrapper_usb_stub.h"

#include "platform/sbroot/sb_root.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

struct CallLog {
    std::mutex lock;  // callers are the playback thread and the player's reply thread
};
CallLog g;

void logCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

void logCall(const char* format, ...)
{
    char line[128];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(g.lock);
    FILE* out = fopen(sb::path(WRAPPER_USB_CALL_LOG).c_str(), "a");
    if (out == nullptr) {
        return;
    }
    fprintf(out, "%s\n", line);
    fclose(out);
}

}  // namespace

int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index)
{
    logCall("guiWrapperUsbUDiskMusicStsCbk %u %d", status, static_cast<int32_t>(index));
    return 0;
}

void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted)
{
    logCall("guiWrapperUsbUdiskHotplugCbk %u", mounted);
}

void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds)
{
    logCall("guiWrapperUsbUDiskMusicPlayTimeCbk %" PRIu64, seconds);
}

// Weak: the music wrapper's own stand-in takes its place where that is linked.
__attribute__((weak)) void guiWrapperMusicPopMuteSet(uint8_t mute)
{
    logCall("guiWrapperMusicPopMuteSet %u", mute);
}

void guiWrapperMusicFmtChnNumSet(uint8_t isTwoChannel)
{
    logCall("guiWrapperMusicFmtChnNumSet %u", isTwoChannel);
}
