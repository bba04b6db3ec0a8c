#include "main/gui/wrapper/usb_stub/wrapper_usb_stub.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cinttypes>
#include <cstdio>

int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index)
{
    wrapperCallLog(WRAPPER_USB_CALL_LOG, "guiWrapperUsbUDiskMusicStsCbk %u %d", status, static_cast<int32_t>(index));
    return 0;
}

void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted)
{
    wrapperCallLog(WRAPPER_USB_CALL_LOG, "guiWrapperUsbUdiskHotplugCbk %u", mounted);
}

void guiWrapperUsbUdiskPlugStsSet(uint8_t online)
{
    wrapperCallLog(WRAPPER_USB_CALL_LOG, "guiWrapperUsbUdiskPlugStsSet %u", online);
}

void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds)
{
    wrapperCallLog(WRAPPER_USB_CALL_LOG, "guiWrapperUsbUDiskMusicPlayTimeCbk %" PRIu64, seconds);
}

// Weak: the music wrapper's own stand-in takes its place where that is linked.
__attribute__((weak)) void guiWrapperMusicPopMuteSet(uint8_t mute)
{
    wrapperCallLog(WRAPPER_USB_CALL_LOG, "guiWrapperMusicPopMuteSet %u", mute);
}

void guiWrapperMusicFmtChnNumSet(uint8_t isTwoChannel)
{
    wrapperCallLog(WRAPPER_USB_CALL_LOG, "guiWrapperMusicFmtChnNumSet %u", isTwoChannel);
}
