#include "main/gui/wrapper/wrapper_usb.h"

#include "main/gui/wrapper/wrapper_stub_log_priv.h"

// Weak: the USB wrapper's own functions take their place where it is linked.
__attribute__((weak)) void guiWrapperUsbPowerOn(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperUsbPowerOff(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperUsbFactoryReset(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
