#include "main/gui/wrapper/wrapper_wireless.h"

#include "main/gui/wrapper/wrapper_stub_log_priv.h"

// Weak: the module links' own functions take their place where they are linked.
__attribute__((weak)) void guiWrapperWirelessAudPowerOn(void)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperWirelessAudPowerOff(void)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperWirelessAudFactoryReset(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperBrontalFactoryReset(uint32_t)
{
    wrapperStubLog("%s", __func__);
}
__attribute__((weak)) void guiWrapperBrontalManualSrcInSet(const uint8_t* src)
{
    wrapperStubLog("%s %u", __func__, src != nullptr ? *src : 0u);
}
