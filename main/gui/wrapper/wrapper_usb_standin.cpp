// Stand-in for the USB music wrapper until it is built: each call is recorded.
#include "main/gui/wrapper/wrapper_usb.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cinttypes>

void guiWrapperUsbInit(void)
{
}

void guiWrapperUsbExit(void)
{
}

void guiWrapperUsbPowerOn(const GuiWrapperSetting*)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperUsbPowerOff(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

void guiWrapperUsbFactoryReset(uint32_t)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s", __func__);
}

// The index as a signed number, so "no track" reads -1.
int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u %d", __func__, status, static_cast<int32_t>(index));
    return 0;
}

void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, mounted);
}

void guiWrapperUsbUdiskPlugStsSet(uint8_t online)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, online);
}

void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %" PRIu64, __func__, seconds);
}

// Nothing plays from USB until the wrapper is built.
void guiWrapperUsbMusicStsGet(uint32_t* out)
{
    if (out != nullptr) {
        *out = 0;
    }
}

void guiWrapperUsbMusicPlayTimeGet(const uint8_t* en)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, en != nullptr ? *en : 0u);
}
