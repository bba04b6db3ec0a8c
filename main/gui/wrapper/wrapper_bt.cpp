#include "main/gui/wrapper/wrapper_bt.h"

#include "main/gui/wrapper/wrapper_stub_log_priv.h"

// Weak: the Bluetooth wrapper's own functions take their place where it is linked.
__attribute__((weak)) void guiWrapperBtPowerOn(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperBtPowerOff(const GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperBtFactoryReset(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperBtVolSet(uint8_t vol)
{
    wrapperStubLog("%s %u", __func__, vol);
}
__attribute__((weak)) void guiWrapperBtMacAddrSync(GuiWrapperSetting*)
{
    wrapperStubLog("%s", __func__);
}
