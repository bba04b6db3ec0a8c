// The reports of USB playback and the device manager to the USB wrapper (music status, mount,
// stick plugged, play time), recorded in the call log in place of the wrapper for the tests of
// those senders, which check what they report rather than what the wrapper makes of it.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cinttypes>
#include <cstdint>

extern "C" {

// int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t, uint32_t); the index as a signed number, so
// "no track" reads -1.
int32_t __wrap__Z29guiWrapperUsbUDiskMusicStsCbkjj(uint32_t status, uint32_t index)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbUDiskMusicStsCbk %u %d", status, static_cast<int32_t>(index));
    return 0;
}

// void guiWrapperUsbUdiskHotplugCbk(uint8_t)
void __wrap__Z28guiWrapperUsbUdiskHotplugCbkh(uint8_t mounted)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbUdiskHotplugCbk %u", mounted);
}

// void guiWrapperUsbUdiskPlugStsSet(uint8_t)
void __wrap__Z28guiWrapperUsbUdiskPlugStsSeth(uint8_t online)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbUdiskPlugStsSet %u", online);
}

// void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t): uint64_t is unsigned long on 64-bit hosts
// ('m') and unsigned long long on the board ('y').
static void playTime(uint64_t seconds)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperUsbUDiskMusicPlayTimeCbk %" PRIu64, seconds);
}

void __wrap__Z34guiWrapperUsbUDiskMusicPlayTimeCbkm(uint64_t seconds)
{
    playTime(seconds);
}

void __wrap__Z34guiWrapperUsbUDiskMusicPlayTimeCbky(uint64_t seconds)
{
    playTime(seconds);
}
}
